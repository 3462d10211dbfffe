// IPlayer: the engine's sound output as the main program sees it: export types and formats,
// output devices and webcast formats, the output configuration and the webcast address. Names
// come back as new BSTRs freed by the caller.
#pragma once

#include "interfaces/EngineIids.h"

#include <windows.h>
#include <oleauto.h>
#include <unknwn.h>

// The output configuration record: seven 32-bit fields, 28 bytes.
struct PLAYER_OUTPUTCONFIG {
    DWORD size;           // 28
    DWORD outputMode;     // 1 both streams on the main device; 3 the live stream goes to the webcast
    DWORD deviceKind;     // 1 DirectSound, 2 wave-out
    DWORD webcastFormat;  // index into the webcast format list
    DWORD bufferBytes;    // device buffer in bytes
    DWORD mainDevice;     // DirectSound list index or wave-out device id
    DWORD previewDevice;  // the same, for the other streams when the output mode is not 1
};
static_assert(sizeof(PLAYER_OUTPUTCONFIG) == 28, "PLAYER_OUTPUTCONFIG is 28 bytes");

struct IPlayer : public IUnknown {
    // E_FAIL outside the list.
    virtual HRESULT STDMETHODCALLTYPE GetExportType(int index, int* typeId, BSTR* name, BSTR* extension) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetExportFormat(int typeId, int index, int* formatId, BSTR* name,
                                                      int* bitRate) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetOutputDevice(int index, int* deviceId, BSTR* name) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetWebcastFormat(int index, int* formatId, BSTR* name) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetOutputConfig(PLAYER_OUTPUTCONFIG* config) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetOutputConfig(const PLAYER_OUTPUTCONFIG* config) = 0;
    // The address at which the webcast can be heard; empty while the output is local.
    virtual HRESULT STDMETHODCALLTYPE GetWebcastUrl(BSTR* url) = 0;
};

// The main program asks for the player by {D7CD8BC4-9163-4635-98D1-F7597E3D65E3}; the engine's
// own IID is {AD14C6DF-5D0A-45E1-98AF-AF5C197DF86F}. (EngineIids.h keeps them under the names
// PlayerInternal and Player respectively.)
__CRT_UUID_DECL(IPlayer, 0xD7CD8BC4, 0x9163, 0x4635, 0x98, 0xD1, 0xF7, 0x59, 0x7E, 0x3D, 0x65, 0xE3)
inline constexpr IID IID_IPlayer = EngineIid::PlayerInternal;
