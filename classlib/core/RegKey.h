// RegKey: an owned registry key handle, closed when the owner goes.
#pragma once

#include <windows.h>

class RegKey {
public:
    explicit RegKey(HKEY key = nullptr) : m_key(key) {}
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;
    RegKey(RegKey&& other) noexcept : m_key(other.release()) {}
    ~RegKey() { reset(); }

    HKEY get() const { return m_key; }
    HKEY* put()
    {
        reset();
        return &m_key;
    }
    HKEY release()
    {
        HKEY key = m_key;
        m_key = nullptr;
        return key;
    }
    void reset(HKEY key = nullptr)
    {
        if (m_key)
            RegCloseKey(m_key);
        m_key = key;
    }
    explicit operator bool() const { return m_key != nullptr; }

private:
    HKEY m_key;
};
