// CSamplePinBase: the one pin of a CSampleFilter. It offers the two sample types (from its first
// offered index on) and connects to the effect next to it in the chain. The pin lives inside its
// filter: AddRef and Release count on the filter, so a pin reference keeps the filter alive.
//
// Threads: connections change on the caller of IOstrel (under the host's lock); each operation
// also enters its filter's section.
#pragma once

#include "classlib/com/ComPtr.h"

#include <dshow.h>

class CSampleFilter;

class CSamplePinBase : public IPin {
public:
    CSamplePinBase(CSampleFilter& filter, PIN_DIRECTION direction, const wchar_t* name);
    virtual ~CSamplePinBase();
    CSamplePinBase(const CSamplePinBase&) = delete;
    CSamplePinBase& operator=(const CSamplePinBase&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE Connect(IPin* receivePin, const AM_MEDIA_TYPE* type) override;
    HRESULT STDMETHODCALLTYPE ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* type) override;
    HRESULT STDMETHODCALLTYPE Disconnect() override;
    HRESULT STDMETHODCALLTYPE ConnectedTo(IPin** pin) override;
    HRESULT STDMETHODCALLTYPE ConnectionMediaType(AM_MEDIA_TYPE* type) override;
    HRESULT STDMETHODCALLTYPE QueryPinInfo(PIN_INFO* info) override;
    HRESULT STDMETHODCALLTYPE QueryDirection(PIN_DIRECTION* direction) override;
    HRESULT STDMETHODCALLTYPE QueryId(LPWSTR* id) override;
    HRESULT STDMETHODCALLTYPE QueryAccept(const AM_MEDIA_TYPE* type) override;
    HRESULT STDMETHODCALLTYPE EnumMediaTypes(IEnumMediaTypes** types) override;
    HRESULT STDMETHODCALLTYPE QueryInternalConnections(IPin** pins, ULONG* count) override;
    HRESULT STDMETHODCALLTYPE EndOfStream() override;
    HRESULT STDMETHODCALLTYPE BeginFlush() override;
    HRESULT STDMETHODCALLTYPE EndFlush() override;
    HRESULT STDMETHODCALLTYPE NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

    const wchar_t* Name() const { return m_name; }
    int FirstType() const { return m_firstType; }
    void SetFirstType(int index) { m_firstType = index; }
    // The connected type's index, -1 when unconnected.
    int ConnectedType() const { return m_connectedType; }

protected:
    // Further interfaces of the pin (IMemInputPin on the receiver).
    virtual HRESULT QueryPinInterface(REFIID iid, void** object);
    // After an output connection was accepted downstream (the feeder hands over its allocator).
    virtual HRESULT CompleteConnect(IPin* receivePin);
    // After the connection was dropped.
    virtual void OnDisconnect() {}

    CSampleFilter& m_filter;
    ComPtr<IPin> m_peer;

private:
    PIN_DIRECTION m_direction;
    const wchar_t* m_name;
    int m_firstType = 0;
    int m_connectedType = -1;
};
