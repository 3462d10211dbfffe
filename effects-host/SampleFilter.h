// CSampleFilter: the host's own DirectShow filters at the two ends of the effect chain, the
// feeder ("Carrowfold Sample Feeder", output pin "Output") and the receiver ("Carrowfold Sample
// Receiver", input pin "Input"). They keep no clock: the feeder hands each buffer to the first
// effect with a direct Receive call, the receiver queues what the last effect delivers.
//
// Threads: the engine's processing thread and the thread that edits the chain, both under the
// host object's lock; the section below guards state, graph and pin.
#pragma once

#include "classlib/com/ComObjectRoot.h"
#include "classlib/com/CriticalSection.h"

#include <dshow.h>

#include <memory>
#include <string>

class CFeederPin;
class CReceiverPin;
class CSamplePinBase;

inline constexpr CLSID CLSID_SampleFeeder = {
    0xCC76C98C, 0x9A7D, 0x4810, {0x98, 0xAA, 0xBF, 0xE5, 0xCE, 0xA4, 0x90, 0x2B}};
inline constexpr CLSID CLSID_SampleReceiver = {
    0xAB8F6B50, 0x01B8, 0x4EC3, {0x9D, 0xA4, 0x76, 0x60, 0x00, 0x62, 0x47, 0xAB}};

class CSampleFilter : public CComObjectRoot, public IBaseFilter {
public:
    // A new feeder (receiver) with one reference for the caller; NULL when memory fails.
    static CSampleFilter* CreateFeeder();
    static CSampleFilter* CreateReceiver();
    ~CSampleFilter() override;

    COM_OBJECT_UNKNOWN
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* clsid) override;
    HRESULT STDMETHODCALLTYPE Stop() override;
    HRESULT STDMETHODCALLTYPE Pause() override;
    HRESULT STDMETHODCALLTYPE Run(REFERENCE_TIME start) override;
    HRESULT STDMETHODCALLTYPE GetState(DWORD timeout, FILTER_STATE* state) override;
    HRESULT STDMETHODCALLTYPE SetSyncSource(IReferenceClock* clock) override;
    HRESULT STDMETHODCALLTYPE GetSyncSource(IReferenceClock** clock) override;
    HRESULT STDMETHODCALLTYPE EnumPins(IEnumPins** pins) override;
    HRESULT STDMETHODCALLTYPE FindPin(LPCWSTR id, IPin** pin) override;
    HRESULT STDMETHODCALLTYPE QueryFilterInfo(FILTER_INFO* info) override;
    HRESULT STDMETHODCALLTYPE JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) override;
    HRESULT STDMETHODCALLTYPE QueryVendorInfo(LPWSTR* info) override;

    CComCriticalSection& Section() { return m_section; }
    bool IsRunning();
    CSamplePinBase& Pin() { return *m_pin; }
    // The typed pin of a feeder (receiver); only valid on that kind of filter.
    CFeederPin& Feeder();
    CReceiverPin& Receiver();

private:
    explicit CSampleFilter(const CLSID& clsid);
    HRESULT InternalQueryInterface(REFIID iid, void** object);

    CComCriticalSection m_section;
    CLSID m_clsid;
    FILTER_STATE m_state = State_Stopped;
    // Not counted: the graph holds the filter, not the other way round.
    IFilterGraph* m_graph = nullptr;
    std::wstring m_name;
    std::unique_ptr<CSamplePinBase> m_pin;
};
