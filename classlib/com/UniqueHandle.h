// UniqueHandle: one owner of a platform handle, closed when the owner goes.
// One alias per handle kind, so no code closes a handle by hand.
#pragma once

#include <windows.h>
#include <mmsystem.h>

#include <utility>

// Traits: `static void Close(H)` and `static H Invalid()`.
template <typename H, typename Traits>
class UniqueHandle {
    static H Invalid() { return Traits::Invalid(); }

public:
    UniqueHandle() = default;
    explicit UniqueHandle(H handle) : m_handle(handle) {}
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : m_handle(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept
    {
        reset(other.release());
        return *this;
    }
    ~UniqueHandle() { reset(); }

    H get() const { return m_handle; }
    H release() { return std::exchange(m_handle, Invalid()); }
    void reset(H handle = Traits::Invalid())
    {
        H old = std::exchange(m_handle, handle);
        if (old != Invalid())
            Traits::Close(old);
    }
    explicit operator bool() const { return m_handle != Invalid(); }

private:
    H m_handle = Traits::Invalid();
};

namespace unique_handle_detail {
struct FileTraits {
    static void Close(HANDLE h) { CloseHandle(h); }
    static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
};
// Threads, mutexes, events: NULL means none.
struct KernelTraits {
    static void Close(HANDLE h) { CloseHandle(h); }
    static HANDLE Invalid() { return nullptr; }
};
struct MmioTraits {
    static void Close(HMMIO h) { mmioClose(h, 0); }
    static HMMIO Invalid() { return nullptr; }
};
struct FindTraits {
    static void Close(HANDLE h) { FindClose(h); }
    static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
};
struct ModuleTraits {
    static void Close(HMODULE h) { FreeLibrary(h); }
    static HMODULE Invalid() { return nullptr; }
};
struct GlobalTraits {
    static void Close(HGLOBAL h) { GlobalFree(h); }
    static HGLOBAL Invalid() { return nullptr; }
};
}  // namespace unique_handle_detail

using UniqueFile = UniqueHandle<HANDLE, unique_handle_detail::FileTraits>;
using UniqueKernelHandle = UniqueHandle<HANDLE, unique_handle_detail::KernelTraits>;
using UniqueMmio = UniqueHandle<HMMIO, unique_handle_detail::MmioTraits>;
using UniqueFind = UniqueHandle<HANDLE, unique_handle_detail::FindTraits>;
using UniqueModule = UniqueHandle<HMODULE, unique_handle_detail::ModuleTraits>;
using UniqueGlobal = UniqueHandle<HGLOBAL, unique_handle_detail::GlobalTraits>;
