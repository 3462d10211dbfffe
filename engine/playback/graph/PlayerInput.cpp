#include "engine/playback/graph/PlayerInput.h"

HRESULT STDMETHODCALLTYPE CPlayerInput::QueryInterface(REFIID, void** object)
{
    if (object)
        *object = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE CPlayerInput::AddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&m_refCount));
}

ULONG STDMETHODCALLTYPE CPlayerInput::Release()
{
    LONG count = InterlockedDecrement(&m_refCount);
    if (count == 0)
        DeleteThis(1);
    return static_cast<ULONG>(count);
}

HRESULT STDMETHODCALLTYPE CPlayerInput::GetFormat(WAVEFORMATEX*)
{
    return E_FAIL;
}
HRESULT STDMETHODCALLTYPE CPlayerInput::Read(BYTE*, unsigned)
{
    return S_OK;
}
HRESULT STDMETHODCALLTYPE CPlayerInput::SetBufferedBytes(LONGLONG)
{
    return S_OK;
}
HRESULT STDMETHODCALLTYPE CPlayerInput::SetActive(BOOL)
{
    return S_OK;
}
HRESULT STDMETHODCALLTYPE CPlayerInput::IsActive()
{
    return m_active ? S_OK : S_FALSE;
}
HRESULT STDMETHODCALLTYPE CPlayerInput::OpenSource()
{
    return S_OK;
}
HRESULT STDMETHODCALLTYPE CPlayerInput::CloseSource()
{
    return S_OK;
}
HRESULT STDMETHODCALLTYPE CPlayerInput::GetLength(LONGLONG*)
{
    return E_FAIL;
}
HRESULT STDMETHODCALLTYPE CPlayerInput::IsDataReady()
{
    return S_OK;
}
HRESULT STDMETHODCALLTYPE CPlayerInput::Disconnect()
{
    return S_OK;
}
HRESULT STDMETHODCALLTYPE CPlayerInput::Rewind()
{
    return S_OK;
}
HRESULT STDMETHODCALLTYPE CPlayerInput::IsFlagSet()
{
    return m_reservedFlag ? S_OK : S_FALSE;
}
HRESULT STDMETHODCALLTYPE CPlayerInput::Seek(LONGLONG)
{
    return E_FAIL;
}
int STDMETHODCALLTYPE CPlayerInput::HasDiscontinuity()
{
    return 0;
}

void STDMETHODCALLTYPE CPlayerInput::DeleteThis(unsigned flags)
{
    if (flags & 1)
        delete this;
    else
        this->~CPlayerInput();
}

void STDMETHODCALLTYPE CPlayerInput::EnableActivation(BOOL) {}
