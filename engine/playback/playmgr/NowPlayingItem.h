// INowPlayingItem: what the now-playing writer needs of the catalog item of the track that plays.
// The catalog item answers it (asked through the play item's catalog item by IID); tests answer
// it with items of their own. Called on the service thread under the global mix lock.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include "classlib/core/String.h"

struct INowPlayingItem : public IUnknown {
    // The item's own title, artist and album (empty where it has none).
    virtual void STDMETHODCALLTYPE GetNowPlayingStrings(CString* title, CString* artist, CString* album) = 0;
    // The title, artist and album of the part of a mixed file that plays at `fileTime`
    // (microseconds into the file); a failure HRESULT for a file without such parts.
    virtual HRESULT STDMETHODCALLTYPE GetSubItemStrings(LONGLONG fileTime, CString* title, CString* artist,
                                                        CString* album) = 0;
};

inline constexpr IID IID_INowPlayingItem = {
    0xF47DA485, 0xA1F0, 0x4F68, {0xBD, 0x4A, 0xE0, 0xF1, 0x5A, 0xE7, 0xB2, 0xEA}};
