// CLocalCoCreate: creates the COM objects of the engine's plug-in libraries without the registry.
// One table maps each known CLSID to a library file name; the library is loaded by that name (the
// standard library search order applies), its exported DllGetClassObject gives a class factory,
// and the factory creates the object. Every load is recorded, and all recorded loads are undone
// when the engine library unloads.
//
// Threads: CreateInstance is called from the UI thread, the service thread, analysis threads and
// catalog worker threads. The list lock covers the table lookup with the library load and each
// change of the list; the plug-in's factory runs outside it.
#pragma once

#include "engine/core/server/SingleThreadLock.h"

#include <windows.h>
#include <unknwn.h>
#include <vector>

// The CLSIDs of the table, in the order it is searched.
namespace PluginClsid {
// MP3 decoder (IPcmReader), "Morvenna.DLL".
inline constexpr CLSID Mp3Decoder = {0x34649628, 0x9E4F, 0x4F98, {0x8B, 0xDF, 0x3C, 0x9B, 0xEA, 0xF9, 0x79, 0x10}};
// Windows Media writer, "Quenby.DLL".
inline constexpr CLSID WmWriteFile = {0x2A87B0D2, 0x649D, 0x4ED1, {0x9D, 0xB1, 0x53, 0x18, 0xA8, 0xF6, 0x5D, 0x2F}};
// Windows Media reader, "Quenby.DLL".
inline constexpr CLSID PcmReaderWma = {0xA9F41E2D, 0xC8C7, 0x456F, {0xBB, 0x11, 0xBA, 0x12, 0xC5, 0x28, 0x93, 0xAB}};
// Webcast output, "Kestrow.DLL".
inline constexpr CLSID Webcast = {0xD26AD83C, 0xC3E2, 0x42EC, {0x99, 0x6A, 0x1A, 0xAE, 0xD4, 0x91, 0xBE, 0xF6}};
// Effects plug-in host, "Ostrel.DLL".
inline constexpr CLSID Ostrel = {0x0B5D9802, 0x8E47, 0x4AAE, {0x93, 0x96, 0xF0, 0xD0, 0x0C, 0x04, 0xEC, 0x93}};
// CD recording, "Wendlecote.DLL".
inline constexpr CLSID CdRecorder = {0x8CB5CE73, 0x543E, 0x425E, {0xAA, 0x21, 0x14, 0xE1, 0x22, 0x2E, 0xC0, 0xC5}};
// Video montage, "Saltcombe.DLL".
inline constexpr CLSID VideoMontage = {0xFC5C75BC, 0xD14E, 0x48DB, {0x9E, 0x6C, 0x15, 0x6C, 0xF7, 0x98, 0xC3, 0x4E}};
// Audio renderer filter, "Ellisford.AX".
inline constexpr CLSID AudioRendererFilter = {
    0xD1C62078, 0x79FA, 0x40CF, {0x87, 0x55, 0xA3, 0xBB, 0x1D, 0xF5, 0x1E, 0x6D}};
}  // namespace PluginClsid

// One loaded library: its handle, how often it was loaded, and two fields kept at -1.
struct LOCOCR_DLLREF {
    HMODULE module;
    LONG loadCount;
    LONG reserved1;
    LONG reserved2;
};

class CLocalCoCreate {
public:
    CLocalCoCreate() = default;
    CLocalCoCreate(const CLocalCoCreate&) = delete;
    CLocalCoCreate& operator=(const CLocalCoCreate&) = delete;
    // Frees every recorded library (FreeAllModules).
    ~CLocalCoCreate();

    // Creates the object of clsid from its library, recording the load in binder.
    // E_FAIL for a CLSID outside the table, a library that does not load or one without
    // DllGetClassObject; otherwise the plug-in's own result.
    static HRESULT CreateInstance(REFCLSID clsid, CLocalCoCreate* binder, REFIID iid, void** object);

    // Counts one more load of module (a new module is appended with count 1).
    void AddModuleRef(HMODULE module);
    // Asks each library's DllCanUnloadNow (when exported; the answer is not used), frees it once
    // per recorded load, and empties the list.
    void FreeAllModules();
    // The recorded load count of module; 0 when it is not listed.
    LONG LoadCount(HMODULE module);

private:
    // Looks clsid up and loads its library, under the list lock. NULL when the CLSID is not in
    // the table (the file system is not touched) or the library does not load.
    HMODULE LoadLibraryFor(REFCLSID clsid);

    CSingleThreadToken m_lock;
    std::vector<LOCOCR_DLLREF> m_modules;
};

// The engine's one binder; its destructor runs when the engine library unloads.
extern CLocalCoCreate g_localCoCreate;
