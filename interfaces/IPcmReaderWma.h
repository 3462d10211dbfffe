// The header attributes of a Windows Media audio file, beside its PCM (IPcmReader) on the
// Windows Media library's reader. A reader object is opened either for decoding (IPcmReader::Open:
// attributes readable) or for editing (MetaEditOpen: attributes writable), not both.
//
// Attribute ids are the catalog's attribute flags: 1 title, 2 album, 4 artist, 16 year,
// 32 genre, 256 tempo. Strings come back as new BSTRs freed by the caller.
//
// Threads: one caller at a time per reader, as for IPcmReader.
#pragma once

#include <windows.h>
#include <oleauto.h>
#include <unknwn.h>

struct IPcmReaderWma : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetMetaDataString(DWORD dwCatItemId, BSTR* pbstrData) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetMetaDataString(DWORD dwCatItemId, BSTR bstrData) = 0;
    virtual HRESULT STDMETHODCALLTYPE MetaEditOpen(BSTR bstrFileName) = 0;
    // With pbData NULL the attribute's size goes to puSize.
    virtual HRESULT STDMETHODCALLTYPE GetMetaDataBin(BSTR bstrAttribName, unsigned char* pbData,
                                                     unsigned long* puSize) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetMetaDataBin(BSTR bstrAttribName, unsigned char* pbData,
                                                     unsigned long uSize) = 0;
    // Title, artist and album of the track of a mixed file that plays at llFileTime (microseconds).
    virtual HRESULT STDMETHODCALLTYPE GetSubItemStrings(LONGLONG llFileTime, BSTR* pbstrSubTitle, BSTR* pbstrSubArtist,
                                                        BSTR* pbstrSubAlbum) = 0;
};

__CRT_UUID_DECL(IPcmReaderWma, 0x60B5A344, 0xA30E, 0x4DB7, 0x84, 0x7B, 0x51, 0xAF, 0x48, 0xCA, 0xDD, 0x50)
inline constexpr IID IID_IPcmReaderWma = {0x60B5A344, 0xA30E, 0x4DB7, {0x84, 0x7B, 0x51, 0xAF, 0x48, 0xCA, 0xDD, 0x50}};
