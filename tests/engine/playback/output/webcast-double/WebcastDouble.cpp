// A stand-in for the webcast library outside the system: its output answers IPlayerOutput and the
// control interface, offers two formats, and hands out an address that names the port and format
// it was given, "http://webcast.test:<port>/<format id>", once it is open.
#include "tests/engine/playback/output/webcast-double/WebcastDouble.h"

#include <string>

#include "classlib/com/ComPtr.h"
#include "tests/support/ClassFactoryDouble.h"
#include "tests/support/CountedDouble.h"
#include "interfaces/IPlayerOutput.h"
#include "interfaces/IWebcastControl.h"

namespace {

WEBCASTDOUBLE_STATE g_state{};

class WebcastOutput : public IPlayerOutput, public IWebcastControl, private CountedDouble {
public:
    WebcastOutput()
    {
        InterlockedIncrement(&g_state.created);
        InterlockedIncrement(&g_state.live);
    }
    virtual ~WebcastOutput()
    {
        InterlockedDecrement(&g_state.live);
        if (g_state.input == m_input.get())
            g_state.input = nullptr;
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (!object)
            return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IPlayerOutput))
            *object = static_cast<IPlayerOutput*>(this);
        else if (IsEqualIID(iid, IID_IWebcastControl))
            *object = static_cast<IWebcastControl*>(this);
        else {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return Add(); }
    ULONG STDMETHODCALLTYPE Release() override { return Drop(); }

    HRESULT STDMETHODCALLTYPE IsOpen() override { return m_open ? S_OK : S_FALSE; }
    HRESULT STDMETHODCALLTYPE IsRunning() override { return m_running ? S_OK : S_FALSE; }
    HRESULT STDMETHODCALLTYPE SetBufferSize(unsigned) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Open() override
    {
        if (!m_input || m_formatId < 0)
            return E_FAIL;
        m_open = true;
        g_state.open = 1;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetFormat(int formatId) override
    {
        m_formatId = formatId;
        g_state.formatId = formatId;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE AddTrackInfo(LONGLONG, LPCWSTR, LPCWSTR, LPCWSTR) override { return S_FALSE; }
    HRESULT STDMETHODCALLTYPE Start() override
    {
        m_running = true;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetFormatInfo(int index, int* formatId, BSTR* name, int* bitRate) override
    {
        if (index < 0 || index >= static_cast<int>(std::size(kWebcastDoubleFormatIds)))
            return E_FAIL;
        *formatId = kWebcastDoubleFormatIds[index];
        *name = SysAllocString(kWebcastDoubleFormatNames[index]);
        *bitRate = 32000 * (index + 1);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE StartFile(LPCWSTR, int) override { return E_FAIL; }
    HRESULT STDMETHODCALLTYPE Stop() override
    {
        m_running = false;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE AttachInput(IPlayerInput* input, int) override
    {
        m_input = ComPtr<IPlayerInput>::copy(input);
        g_state.input = input;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DetachInput(IPlayerInput* input) override
    {
        if (input == m_input.get()) {
            m_input.reset();
            if (g_state.input == input)
                g_state.input = nullptr;
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetProgressStatus(IProgressStatus*) override { return E_FAIL; }
    HRESULT STDMETHODCALLTYPE Close() override
    {
        m_open = false;
        m_running = false;
        g_state.open = 0;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE GetUrl(BSTR* url) override
    {
        const std::wstring text =
            m_open ? L"http://webcast.test:" + std::to_wstring(m_port) + L"/" + std::to_wstring(m_formatId)
                   : std::wstring();
        *url = SysAllocString(text.c_str());
        return *url ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT STDMETHODCALLTYPE GetDefaultPort(int* port) override
    {
        *port = kWebcastDoubleDefaultPort;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetPort(int port) override
    {
        m_port = port;
        g_state.port = port;
        return S_OK;
    }

private:
    ComPtr<IPlayerInput> m_input;
    int m_formatId = -1;
    int m_port = 0;
    bool m_open = false;
    bool m_running = false;
};

}  // namespace

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID, REFIID iid, void** object)
{
    return ClassFactoryDouble<WebcastOutput>::GetClassObject(iid, object);
}

extern "C" void __cdecl WebcastDoubleState(WEBCASTDOUBLE_STATE* state)
{
    *state = g_state;
}
