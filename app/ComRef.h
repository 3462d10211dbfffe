// ComRef<T>: one owned reference to a COM interface, released when the owner goes or takes
// another. The program's code never calls Release by hand.
#pragma once

#include <unknwn.h>

template <class T>
class ComRef {
public:
    ComRef() = default;
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    ~ComRef() { reset(); }

    T* get() const { return m_p; }
    T* operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }
    // Out-parameter slot of a call that hands over one reference.
    T** put() { reset(); return &m_p; }
    void** put_void() { return reinterpret_cast<void**>(put()); }
    // Takes a reference of its own to `p`.
    void copy_from(T* p)
    {
        if (p)
            p->AddRef();
        reset();
        m_p = p;
    }
    void reset()
    {
        T* p = m_p;
        m_p = nullptr;
        if (p)
            p->Release();
    }

private:
    T* m_p = nullptr;
};
