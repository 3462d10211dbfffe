// CIdArray<T, K>: values of type T kept with keys of type K in two parallel class-library arrays,
// the keys in ascending order (K's own operator<, equality by operator==). Equal keys may occur;
// a new one is placed among them. Used for category members, the category name index, display
// positions and the per-music-file stores' indexes. Not locked: the owner serialises access.
#pragma once

#include <windows.h>

#include "classlib/core/Array.h"

template <class T, class K>
class CIdArray {
public:
    INT_PTR GetCount() const { return m_keys.GetSize(); }

    void RemoveAll()
    {
        m_values.RemoveAll();
        m_keys.RemoveAll();
    }

    // The position of a key equal to key.
    bool Find(const K& key, INT_PTR* index) const
    {
        if (m_keys.IsEmpty())
            return false;
        INT_PTR lo = 0;
        INT_PTR hi = 0;
        Bisect(key, &lo, &hi);
        if (m_keys[hi] == key) {
            *index = hi;
            return true;
        }
        if (m_keys[lo] == key) {
            *index = lo;
            return true;
        }
        return false;
    }

    void InsertSorted(const T& value, const K& key)
    {
        if (m_keys.IsEmpty()) {
            m_values.Add(value);
            m_keys.Add(key);
            return;
        }
        INT_PTR lo = 0;
        INT_PTR hi = 0;
        Bisect(key, &lo, &hi);
        INT_PTR at = hi;
        if (lo == 0 && key < m_keys[0])
            at = 0;
        else if (hi == m_keys.GetSize() - 1 && m_keys[hi] < key)
            at = m_keys.GetSize();
        m_values.InsertAt(at, value);
        m_keys.InsertAt(at, key);
    }

    void Remove(const K& key)
    {
        INT_PTR index = 0;
        if (!Find(key, &index))
            return;
        m_values.RemoveAt(index);
        m_keys.RemoveAt(index);
    }

    void RemoveAt(INT_PTR index)
    {
        m_values.RemoveAt(index);
        m_keys.RemoveAt(index);
    }

    bool GetAt(INT_PTR index, T* value, K* key) const
    {
        if (index < 0 || index >= m_keys.GetSize())
            return false;
        if (value)
            *value = m_values[index];
        if (key)
            *key = m_keys[index];
        return true;
    }

private:
    void Bisect(const K& key, INT_PTR* lo, INT_PTR* hi) const
    {
        INT_PTR low = 0;
        INT_PTR high = m_keys.GetSize() - 1;
        while (high - low > 1) {
            const INT_PTR mid = (low + high) / 2;
            if (m_keys[mid] < key)
                low = mid;
            else
                high = mid;
        }
        *lo = low;
        *hi = high;
    }

    CArray<T> m_values;
    CArray<K> m_keys;
};
