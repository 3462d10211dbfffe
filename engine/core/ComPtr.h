// ComPtr<T>: an owned COM interface reference, released when the owner goes.
#pragma once

#include <windows.h>
#include <unknwn.h>

template <typename T>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr(ComPtr&& other) noexcept : m_ptr(other.detach()) {}
    ComPtr& operator=(ComPtr&& other) noexcept { reset(other.detach()); return *this; }
    ~ComPtr() { reset(); }

    T* get() const { return m_ptr; }
    T* operator->() const { return m_ptr; }
    explicit operator bool() const { return m_ptr != nullptr; }
    // The address to receive a new reference; drops the current one first.
    T** put() { reset(); return &m_ptr; }
    void** put_void() { return reinterpret_cast<void**>(put()); }
    T* detach() { T* ptr = m_ptr; m_ptr = nullptr; return ptr; }
    // Takes over a reference the caller already owns.
    void reset(T* ptr = nullptr)
    {
        T* old = m_ptr;
        m_ptr = ptr;
        if (old)
            old->Release();
    }
    // Hands out a new reference (NULL stays NULL).
    void copy_to(T** out) const
    {
        if (m_ptr)
            m_ptr->AddRef();
        *out = m_ptr;
    }
    template <typename U>
    HRESULT query(REFIID iid, ComPtr<U>& out) const
    {
        return m_ptr ? m_ptr->QueryInterface(iid, out.put_void()) : E_POINTER;
    }

private:
    T* m_ptr = nullptr;
};
