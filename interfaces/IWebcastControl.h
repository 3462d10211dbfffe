// IWebcastControl: the control side of the webcast library's output ("Kestrow.DLL", outside the
// system), asked of its IPlayerOutput. The player reads the library's default port, hands back the
// port the user chose, and after opening the output reads the address at which the webcast can be
// heard.
#pragma once

#include <windows.h>
#include <oleauto.h>
#include <unknwn.h>

struct IWebcastControl : public IUnknown {
    // A new BSTR with the address of the running webcast; empty before the output is open.
    virtual HRESULT STDMETHODCALLTYPE GetUrl(BSTR* url) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDefaultPort(int* port) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetPort(int port) = 0;
};

__CRT_UUID_DECL(IWebcastControl, 0x9F86B32E, 0x1BEC, 0x4480, 0x94, 0xB2, 0x85, 0xA8, 0x34, 0x2B, 0x10, 0x11)
inline constexpr IID IID_IWebcastControl = {
    0x9F86B32E, 0x1BEC, 0x4480, {0x94, 0xB2, 0x85, 0xA8, 0x34, 0x2B, 0x10, 0x11}};
