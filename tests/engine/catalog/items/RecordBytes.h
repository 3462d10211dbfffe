// A catalog.dat record written by hand, field by field, little-endian, as stored catalogs hold it.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace record_bytes {

using Bytes = std::vector<BYTE>;

template <class T>
void Put(Bytes& out, T value)
{
    for (size_t i = 0; i < sizeof(T); ++i)
        out.push_back(BYTE(static_cast<unsigned long long>(value) >> (8 * i)));
}

inline void PutFloat(Bytes& out, float value)
{
    DWORD bits = 0;
    memcpy(&bits, &value, 4);
    Put<DWORD>(out, bits);
}

// 0xFF, 0xFFFE, then a one-byte length and UTF-16LE characters.
inline void PutString(Bytes& out, const std::wstring& text)
{
    out.push_back(0xFF);
    Put<WORD>(out, 0xFFFE);
    out.push_back(BYTE(text.size()));
    for (wchar_t c : text)
        Put<WORD>(out, WORD(c));
}

struct Fields {
    WORD version = 5;
    WORD extension = 1;
    ULONGLONG idLow = 0x1122334455667788ULL;
    ULONGLONG idHigh = 0x99AABBCCDDEEFF01ULL;
    std::wstring texts[7] = {
        L"C:\\music\\caf\u00E9.mp3", L"Caf\u00E9", L"Artist", L"Album", L"House", L"2004", L"Party,Late"};
    int rate = 44100;
    ULONGLONG samples = 9261000;
    float bpm = 126.5f;
    int pending = 1;
    int beats = 430;
    int ignored = 0;
    std::vector<Bytes> thumbnails = {{1, 2, 3, 4, 5}};
    DWORD flags = 1;
    WORD date[8] = {2024, 3, 17, 0, 21, 45, 7, 250};
    WORD keyNote = 10;
    WORD keyMode = 1;
    DWORD extra = 0xCAFEF00D;
};

inline Bytes Record(const Fields& f)
{
    Bytes out;
    Put<WORD>(out, f.version);
    Put<WORD>(out, f.extension);
    Put<ULONGLONG>(out, f.idLow);
    Put<ULONGLONG>(out, f.idHigh);
    for (const std::wstring& text : f.texts)
        PutString(out, text);
    Put<int>(out, f.rate);
    Put<ULONGLONG>(out, f.samples);
    PutFloat(out, f.bpm);
    Put<int>(out, f.pending);
    Put<int>(out, f.beats);
    Put<int>(out, f.ignored);
    Put<DWORD>(out, DWORD(f.thumbnails.size()));
    for (const Bytes& blob : f.thumbnails) {
        Put<DWORD>(out, DWORD(blob.size()));
        out.insert(out.end(), blob.begin(), blob.end());
    }
    Put<DWORD>(out, f.flags);
    if (f.version > 4 && f.extension != 0) {
        for (WORD field : f.date)
            Put<WORD>(out, field);
        Put<WORD>(out, f.keyNote);
        Put<WORD>(out, f.keyMode);
        Put<DWORD>(out, f.extra);
    }
    return out;
}

}  // namespace record_bytes
