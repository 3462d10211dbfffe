// What the stand-in "Quenby.DLL" of the catalog's tests exports beside its class factory: the
// file attributes and the decoded audio its runtime double answers for every file it opens. The
// decoded audio is 16-bit stereo at 44100 Hz.
#pragma once

#include <windows.h>

#include <cstdint>

extern "C" {
void QuenbyDoubleReset();
void QuenbyDoubleSetString(WORD stream, const wchar_t* name, const wchar_t* text);
void QuenbyDoubleSetQword(WORD stream, const wchar_t* name, ULONGLONG value);
void QuenbyDoubleSetBinary(WORD stream, const wchar_t* name, const BYTE* data, DWORD size);
void QuenbyDoubleSetDecoded(const int16_t* samples, DWORD count);
// A part of a mixed file: its end in microseconds and its strings (NULL: not set).
void QuenbyDoubleSetSubItem(unsigned index, ULONGLONG end, const wchar_t* title, const wchar_t* author,
                            const wchar_t* album);
}
