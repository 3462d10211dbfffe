// IBrennock: the engine main object as the main program holds it. The main program loads
// "BrennockDemo.DLL" by file name, asks its class factory for CLSID_BrennockMain and calls these
// on its user-interface thread.
#pragma once

#include <windows.h>
#include <unknwn.h>
#include <oleauto.h>

struct ICatDisplayItemMgr;

struct IBrennock : public IUnknown {
    // Creates the engine's service objects and starts the service thread; S_FALSE when already
    // initialized. value1/value2: the engine library's product version, high and low word.
    virtual HRESULT STDMETHODCALLTYPE Initialize(HWND mainWindow, IUnknown* attached, DWORD value1, DWORD value2) = 0;
    // Stops the service thread and the engine's workers; members live until the last Release.
    virtual HRESULT STDMETHODCALLTYPE Shutdown() = 0;
    virtual HRESULT STDMETHODCALLTYPE LoadPlaylist(BSTR path, BOOL append) = 0;
    virtual HRESULT STDMETHODCALLTYPE SavePlaylist(BSTR path) = 0;
    virtual HRESULT STDMETHODCALLTYPE NewMix() = 0;
    // Posts {code, value} to the engine's own queue, which the service thread drains.
    virtual HRESULT STDMETHODCALLTYPE PostUiUpdate(int code, int value) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetFileMapperCallback(IUnknown* locator) = 0;
    virtual HRESULT STDMETHODCALLTYPE ClearFileMapperCallback() = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateCatDisplayItemMgr(ICatDisplayItemMgr** out) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetInitValues(DWORD* value1, DWORD* value2) = 0;
};

__CRT_UUID_DECL(IBrennock, 0x79E9B62F, 0x645F, 0x4541, 0x83, 0x6A, 0x51, 0x1D, 0xF5, 0xDA, 0x4A, 0xE7)
inline constexpr IID IID_IBrennock = {0x79E9B62F, 0x645F, 0x4541, {0x83, 0x6A, 0x51, 0x1D, 0xF5, 0xDA, 0x4A, 0xE7}};

// The engine main object's class, the only one the engine library's factory creates.
inline constexpr CLSID CLSID_BrennockMain = {
    0xFD3D4D08, 0x7181, 0x4547, {0x9C, 0x08, 0x8F, 0x20, 0x44, 0xAA, 0xC8, 0x94}};
