// InnerPtr<T>: an owner's reference to an aggregated engine object, held on the object's own
// (non-delegating) IUnknown and released through it.
#pragma once

#include "engine/core/server/Unknown.h"

template <typename T = INondelegatingUnknown>
class InnerPtr {
public:
    InnerPtr() = default;
    InnerPtr(const InnerPtr&) = delete;
    InnerPtr& operator=(const InnerPtr&) = delete;
    InnerPtr(InnerPtr&& other) noexcept : m_ptr(other.m_ptr) { other.m_ptr = nullptr; }
    ~InnerPtr() { reset(); }

    T* get() const { return m_ptr; }
    T* operator->() const { return m_ptr; }
    explicit operator bool() const { return m_ptr != nullptr; }
    // Takes over the creation reference of a new object (or NULL).
    void reset(T* ptr = nullptr)
    {
        T* old = m_ptr;
        m_ptr = ptr;
        if (old)
            old->NonDelegatingRelease();
    }

private:
    T* m_ptr = nullptr;
};
