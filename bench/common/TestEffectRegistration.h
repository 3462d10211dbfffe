// The test effect DMO registered in the benchmark's prefix for the life of the object (the test
// suite's fixture does it for the tests), loaded from the bin folder's "test_effect" subfolder.
#pragma once

#include <windows.h>

#include <string>

#include "classlib/com/UniqueHandle.h"

namespace bench {

class TestEffectRegistration {
public:
    TestEffectRegistration()
    {
        wchar_t path[MAX_PATH] = {};
        GetModuleFileNameW(nullptr, path, MAX_PATH);
        std::wstring dll(path);
        dll.erase(dll.find_last_of(L'\\') + 1);
        dll += L"test_effect\\TestEffectDmo.dll";
        m_module.reset(LoadLibraryW(dll.c_str()));
        m_ok = Call("DllRegisterServer");
    }
    ~TestEffectRegistration() { Call("DllUnregisterServer"); }
    TestEffectRegistration(const TestEffectRegistration&) = delete;
    TestEffectRegistration& operator=(const TestEffectRegistration&) = delete;
    bool ok() const { return m_ok; }

private:
    bool Call(const char* name)
    {
        using Entry = HRESULT(WINAPI*)();
        auto entry = reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(m_module.get(), name)));
        return entry && SUCCEEDED(entry());
    }
    UniqueModule m_module;
    bool m_ok = false;
};

}  // namespace bench
