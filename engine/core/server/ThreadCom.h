// CThreadCom: COM for an engine thread, in the multithreaded apartment, for the life of the
// object. Every engine thread that can reach a COM object holds one: the service thread (it binds
// streams to DirectSound devices and makes effect-clip hosts), the render threads (readers and
// clip chains) and the device threads (effects chains, writers). The program's user-interface
// thread is a single-threaded apartment of its own; these threads have no message loop, so they
// join the multithreaded one rather than making apartments that nobody pumps.
#pragma once

#include <objbase.h>

class CThreadCom {
public:
    CThreadCom() : m_result(CoInitializeEx(nullptr, COINIT_MULTITHREADED)) {}
    ~CThreadCom()
    {
        if (SUCCEEDED(m_result))
            CoUninitialize();
    }
    CThreadCom(const CThreadCom&) = delete;
    CThreadCom& operator=(const CThreadCom&) = delete;

private:
    HRESULT m_result;
};
