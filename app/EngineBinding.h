// The one place that knows the engine library's file: creating objects of the program's local
// classes straight from their libraries (no registry), and reading the engine's version.
#pragma once

#include <windows.h>
#include <unknwn.h>

inline constexpr wchar_t kEngineLibrary[] = L"BrennockDemo.DLL";
inline constexpr CLSID CLSID_SaltcombeMontage = {
    0xFC5C75BC, 0xD14E, 0x48DB, {0x9E, 0x6C, 0x15, 0x6C, 0xF7, 0x98, 0xC3, 0x4E}};

// Loads the library of `clsid` by file name, takes its class factory and creates the object
// without aggregation; E_FAIL for a CLSID of no local class, a library that does not load or
// lacks DllGetClassObject; otherwise the factory's result. The caller owns *ppv.
HRESULT CreateLocalInstance(const CLSID& clsid, const IID& iid, void** ppv);
// The engine library's product version words; E_FAIL (outputs untouched) without a version record.
HRESULT GetEngineVersion(DWORD* versionMS, DWORD* versionLS);
BOOL IsEqualClassId(const GUID& a, const GUID& b);
