// ComPtr<T>: owns one reference to a COM object and releases it when it goes. The one COM
// pointer of every deliverable (header only): nobody calls Release by hand.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include <utility>

template <typename T>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(const ComPtr& other) : m_ptr(other.m_ptr) { AddRefIfAny(); }
    ComPtr(ComPtr&& other) noexcept : m_ptr(std::exchange(other.m_ptr, nullptr)) {}
    ComPtr& operator=(ComPtr other) noexcept
    {
        std::swap(m_ptr, other.m_ptr);
        return *this;
    }
    ~ComPtr() { reset(); }

    // Takes over a reference that the caller already owns.
    static ComPtr attach(T* ptr)
    {
        ComPtr result;
        result.m_ptr = ptr;
        return result;
    }
    // Adds a reference of its own.
    static ComPtr copy(T* ptr)
    {
        ComPtr result;
        result.m_ptr = ptr;
        result.AddRefIfAny();
        return result;
    }

    T* get() const { return m_ptr; }
    T* operator->() const { return m_ptr; }
    explicit operator bool() const { return m_ptr != nullptr; }
    // For out-parameters: drops the current reference first.
    T** put()
    {
        reset();
        return &m_ptr;
    }
    void** put_void() { return reinterpret_cast<void**>(put()); }
    T* detach() { return std::exchange(m_ptr, nullptr); }
    // Takes over a reference that the caller already owns (NULL just releases).
    void reset(T* ptr = nullptr)
    {
        if (T* old = std::exchange(m_ptr, ptr))
            old->Release();
    }

    // Hands out a new reference through an out-pointer.
    HRESULT copy_to(T** out) const
    {
        if (!out)
            return E_POINTER;
        *out = m_ptr;
        AddRefIfAny();
        return S_OK;
    }

    template <typename U>
    HRESULT query(REFIID iid, ComPtr<U>& out) const
    {
        out.reset();
        if (!m_ptr)
            return E_POINTER;
        return m_ptr->QueryInterface(iid, out.put_void());
    }

private:
    void AddRefIfAny() const
    {
        if (m_ptr)
            m_ptr->AddRef();
    }

    T* m_ptr = nullptr;
};
