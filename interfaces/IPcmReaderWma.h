// IPcmReaderWma: the Windows Media library's reader beside IPcmReader: the file's header
// attributes. Attribute ids of the strings are the catalog's attribute flags (1 title, 2 album,
// 4 artist, 16 year, 32 genre, 256 BPM).
#pragma once

#include <windows.h>
#include <oleauto.h>
#include <unknwn.h>

struct IPcmReaderWma : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetMetaDataString(DWORD dwCatItemId, BSTR* pbstrData) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetMetaDataString(DWORD dwCatItemId, BSTR bstrData) = 0;
    virtual HRESULT STDMETHODCALLTYPE MetaEditOpen(BSTR bstrFileName) = 0;
    // A NULL buffer gives the size; a buffer smaller than the attribute gives E_FAIL.
    virtual HRESULT STDMETHODCALLTYPE GetMetaDataBin(BSTR bstrAttribName, BYTE* pbData, unsigned long* puSize) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetMetaDataBin(BSTR bstrAttribName, BYTE* pbData, unsigned long uSize) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetSubItemStrings(LONGLONG llFileTime, BSTR* pbstrSubTitle, BSTR* pbstrSubArtist,
                                                        BSTR* pbstrSubAlbum) = 0;
};

__CRT_UUID_DECL(IPcmReaderWma, 0x60B5A344, 0xA30E, 0x4DB7, 0x84, 0x7B, 0x51, 0xAF, 0x48, 0xCA, 0xDD, 0x50)
inline constexpr IID IID_IPcmReaderWma = {0x60B5A344, 0xA30E, 0x4DB7, {0x84, 0x7B, 0x51, 0xAF, 0x48, 0xCA, 0xDD, 0x50}};
