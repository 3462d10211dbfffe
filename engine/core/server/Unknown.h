// The engine's two COM object bases and the module's activity and server-lock counts.
//
// CUnknown: aggregation-capable base of the engine's service objects. Its own (non-delegating)
// IUnknown counts the object; every public interface of a derived class forwards QueryInterface,
// AddRef and Release to the outer object (DECLARE_DELEGATING_UNKNOWN), which is the object itself
// when it is not aggregated.
//
// CUnknownStandAlone: self-counted base of the engine's value-like objects (tracks, layers, track
// objects, plot stores, outputs, progress status). Its QueryInterface asks the class's own lookup,
// then an optional delegate (an owner that answers further IIDs).
//
// Counts change with interlocked operations only: objects are AddRef'd and released from the UI
// thread, the service thread and worker threads alike.
#pragma once

#include <windows.h>
#include <unknwn.h>

struct INondelegatingUnknown {
    virtual HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID iid, void** object) = 0;
    virtual ULONG STDMETHODCALLTYPE NonDelegatingAddRef() = 0;
    virtual ULONG STDMETHODCALLTYPE NonDelegatingRelease() = 0;
    // Runs the destructor; frees the memory when bit 0 of flags is set.
    virtual void Destroy(int flags) = 0;
    virtual void* GetReserved() = 0;
    // Runs once when the count reaches 0, before Destroy.
    virtual void FinalRelease() = 0;
};

class CUnknown : public INondelegatingUnknown {
public:
    // outer: the aggregating object, not owned; NULL makes the object its own outer.
    explicit CUnknown(IUnknown* outer);
    CUnknown(const CUnknown&) = delete;
    CUnknown& operator=(const CUnknown&) = delete;
    virtual ~CUnknown() = default;

    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE NonDelegatingAddRef() override;
    ULONG STDMETHODCALLTYPE NonDelegatingRelease() override;
    void Destroy(int flags) override;
    void* GetReserved() override { return nullptr; }
    // Sets the count back to 1, so that AddRef/Release pairs made while the object takes itself
    // apart cannot destroy it a second time. Derived classes release their inner objects here
    // and call the base.
    void FinalRelease() override;

    IUnknown* GetOuter() const { return m_outer; }
    // This object's non-delegating IUnknown, as an owner of an aggregated object keeps it.
    IUnknown* GetInner() { return reinterpret_cast<IUnknown*>(static_cast<INondelegatingUnknown*>(this)); }
    LONG RefCount() const { return m_refCount; }

protected:
    // Hands out `iface` (already cast to the requested interface) with a reference.
    static HRESULT GetInterface(void* iface, void** object);

private:
    volatile LONG m_refCount = 1;
    IUnknown* m_outer;
};

// The three IUnknown slots of every public interface of a CUnknown-based class.
#define DECLARE_DELEGATING_UNKNOWN                                                                                     \
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override                                       \
    {                                                                                                                  \
        return GetOuter()->QueryInterface(iid, object);                                                                \
    }                                                                                                                  \
    ULONG STDMETHODCALLTYPE AddRef() override                                                                          \
    {                                                                                                                  \
        return GetOuter()->AddRef();                                                                                   \
    }                                                                                                                  \
    ULONG STDMETHODCALLTYPE Release() override                                                                         \
    {                                                                                                                  \
        return GetOuter()->Release();                                                                                  \
    }

class CUnknownStandAlone {
public:
    CUnknownStandAlone() = default;
    CUnknownStandAlone(const CUnknownStandAlone&) = delete;
    CUnknownStandAlone& operator=(const CUnknownStandAlone&) = delete;
    // Releases the delegate, if any.
    virtual ~CUnknownStandAlone();
    // The class's own interface lookup; the base has none.
    virtual HRESULT LookupInterface(REFIID iid, void** object);

    // Keeps a reference to the new delegate and drops the old one; NULL clears it.
    void SetDelegate(IUnknown* delegate);
    IUnknown* GetDelegate() const { return m_delegate; }
    LONG RefCount() const { return m_refCount; }

    // Shared bodies of the IUnknown slots: own lookup, then the delegate, else E_NOINTERFACE
    // with a NULL pointer. Release deletes the object at 0.
    HRESULT StandAloneQueryInterface(REFIID iid, void** object);
    ULONG StandAloneAddRef();
    ULONG StandAloneRelease();

private:
    volatile LONG m_refCount = 1;
    IUnknown* m_delegate = nullptr;
};

#define DECLARE_STANDALONE_UNKNOWN                                                                                     \
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override                                       \
    {                                                                                                                  \
        return StandAloneQueryInterface(iid, object);                                                                  \
    }                                                                                                                  \
    ULONG STDMETHODCALLTYPE AddRef() override                                                                          \
    {                                                                                                                  \
        return StandAloneAddRef();                                                                                     \
    }                                                                                                                  \
    ULONG STDMETHODCALLTYPE Release() override                                                                         \
    {                                                                                                                  \
        return StandAloneRelease();                                                                                    \
    }

// Module-wide counts. The activity count holds +1 for every live engine main object and every
// running engine worker thread (each thread increments on start and decrements as its last act);
// the library may unload only when it and the server lock count are both 0.
namespace ModuleCounts {
void AddActivity();
void RemoveActivity();
LONG Activity();
void LockServer(bool lock);
LONG ServerLocks();
}  // namespace ModuleCounts
