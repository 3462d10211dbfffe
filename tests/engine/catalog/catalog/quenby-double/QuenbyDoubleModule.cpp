// A stand-in "Quenby.DLL" for the catalog's tests: the Windows Media library's own reader class
// over the recording double of the platform's runtime, so that the catalog's attribute paths
// (tags, saved mixes, sub-items) run end to end although Wine 8's runtime answers no attribute
// but "Duration". It lies in a folder of its own with a copy of the catalog's test binary, which
// loads it by name just as the engine loads the real library.
//
// Besides the class factory export, the test reaches the double's recording through the
// QuenbyDouble* exports (plain C, so that no container crosses the module boundary).
#include "classlib/com/ComServer.h"
#include "tests/engine/catalog/catalog/quenby-double/QuenbyDoubleExports.h"
#include "tests/winmedia/double/WmRuntimeDouble.h"
#include "winmedia/PcmReaderWma.h"
#include "winmedia/QuenbyIds.h"

namespace {

wmdouble::RuntimeDouble& Double()
{
    static wmdouble::RuntimeDouble runtime;
    return runtime;
}

HRESULT CreateReader(REFIID iid, void** object)
{
    auto* created = new (std::nothrow) CPcmReaderWma(Double().Runtime());
    if (!created)
        return E_OUTOFMEMORY;
    created->AddRef();
    const HRESULT hr = created->QueryInterface(iid, object);
    created->Release();
    return hr;
}

const ComClassEntry kClasses[] = {{&CLSID_PcmReaderWma, &CreateReader}};

}  // namespace

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* object)
{
    return ComGetClassObject(kClasses, std::size(kClasses), clsid, iid, object);
}

STDAPI DllCanUnloadNow()
{
    return ComCanUnloadNow();
}

extern "C" void QuenbyDoubleReset()
{
    Double().recording.fileAttributes.clear();
    Double().recording.decoded.clear();
}

extern "C" void QuenbyDoubleSetString(WORD stream, const wchar_t* name, const wchar_t* text)
{
    Double().SetFileString(stream, name, text);
}

extern "C" void QuenbyDoubleSetQword(WORD stream, const wchar_t* name, ULONGLONG value)
{
    Double().SetFileQword(stream, name, value);
}

extern "C" void QuenbyDoubleSetBinary(WORD stream, const wchar_t* name, const BYTE* data, DWORD size)
{
    Double().SetFileAttribute(stream, name, WMT_TYPE_BINARY, data, size);
}

extern "C" void QuenbyDoubleSetDecoded(const int16_t* samples, DWORD count)
{
    Double().recording.decoded.assign(samples, samples + count);
}

extern "C" void QuenbyDoubleSetSubItem(unsigned index, ULONGLONG end, const wchar_t* title, const wchar_t* author,
                                       const wchar_t* album)
{
    Double().SetFileSubItem(index, end, title, author, album);
}
