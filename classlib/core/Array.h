// CArray<TYPE, ARG_TYPE>: the class library's growable array, and its fixed instances
// CPtrArray, CDWordArray and CStringArray. Indexes are INT_PTR; new elements are
// value-initialised (0 for numbers and pointers), as the framework zero-fills them.
//
// Out-of-range indexes never touch memory outside the array; a negative index counts as past
// the end:
// - GetAt / operator[] on a const array give a default-constructed element;
// - GetAt / ElementAt / operator[] on a non-const array give a scratch element owned by the
//   array, reset to its default on every such access, so a write through it is harmless and lost;
// - SetAt and RemoveAt ignore indexes outside [0, size) (RemoveAt also clips its count);
// - SetAtGrow and InsertAt at or past the end grow the array; negative indexes are ignored;
// - SetSize with a negative size is ignored.
// SetSize's growth hint reserves room for that many more elements; growth beyond it is
// geometric, so Add is amortised constant time whatever the hint.
//
// Not copyable, like the framework's array: Copy and Append copy explicitly.
#pragma once

#include "classlib/core/String.h"

#include <windows.h>

#include <algorithm>
#include <type_traits>
#include <utility>
#include <vector>

template <class TYPE, class ARG_TYPE = const TYPE&>
class CArray {
    // std::vector<bool> hands out proxies, not references: use BOOL.
    static_assert(!std::is_same_v<TYPE, bool>, "CArray<bool> is not supported; use BOOL");

public:
    CArray() = default;
    CArray(const CArray&) = delete;
    CArray& operator=(const CArray&) = delete;
    virtual ~CArray() = default;

    INT_PTR GetSize() const { return static_cast<INT_PTR>(m_data.size()); }
    INT_PTR GetCount() const { return GetSize(); }
    BOOL IsEmpty() const { return m_data.empty(); }

    void SetSize(INT_PTR newSize, INT_PTR growBy = -1)
    {
        if (newSize < 0)
            return;
        if (growBy > 0)
            m_data.reserve(static_cast<size_t>(newSize + growBy));
        m_data.resize(static_cast<size_t>(newSize));
    }

    void RemoveAll() { m_data.clear(); }

    const TYPE& GetAt(INT_PTR index) const { return InRange(index) ? m_data[Slot(index)] : Outside(); }
    TYPE& GetAt(INT_PTR index) { return ElementAt(index); }
    TYPE& ElementAt(INT_PTR index) { return InRange(index) ? m_data[Slot(index)] : Scratch(); }
    const TYPE& operator[](INT_PTR index) const { return GetAt(index); }
    TYPE& operator[](INT_PTR index) { return ElementAt(index); }

    void SetAt(INT_PTR index, ARG_TYPE element)
    {
        if (InRange(index))
            m_data[Slot(index)] = element;
    }

    // NULL when the array is empty.
    const TYPE* GetData() const { return m_data.empty() ? nullptr : m_data.data(); }
    TYPE* GetData() { return m_data.empty() ? nullptr : m_data.data(); }

    void SetAtGrow(INT_PTR index, ARG_TYPE element)
    {
        if (index < 0)
            return;
        if (index >= GetSize()) {
            // The element may live in this array: copy it before the array moves.
            TYPE copy(element);
            m_data.resize(Slot(index) + 1);
            m_data[Slot(index)] = std::move(copy);
            return;
        }
        m_data[Slot(index)] = element;
    }

    // Returns the new element's index.
    INT_PTR Add(ARG_TYPE element)
    {
        m_data.push_back(element);
        return GetSize() - 1;
    }

    // Returns the index the first appended element got (the old size).
    INT_PTR Append(const CArray& source)
    {
        const INT_PTR oldSize = GetSize();
        // A copy first: the source may be this array, whose storage the insertion moves.
        const std::vector<TYPE> copy(source.m_data);
        m_data.insert(m_data.end(), copy.begin(), copy.end());
        return oldSize;
    }

    void Copy(const CArray& source)
    {
        if (&source != this)
            m_data = source.m_data;
    }

    // Inserts count copies of element before index; an index at or past the end first grows
    // the array to that index.
    void InsertAt(INT_PTR index, ARG_TYPE element, INT_PTR count = 1)
    {
        if (index < 0 || count <= 0)
            return;
        TYPE copy(element);
        if (index > GetSize())
            m_data.resize(Slot(index));
        m_data.insert(m_data.begin() + index, static_cast<size_t>(count), copy);
    }

    // Inserts all elements of source before index (growing the array as above).
    void InsertAt(INT_PTR index, const CArray* source)
    {
        if (index < 0 || !source || source->IsEmpty())
            return;
        const std::vector<TYPE> copy(source->m_data);
        if (index > GetSize())
            m_data.resize(Slot(index));
        m_data.insert(m_data.begin() + index, copy.begin(), copy.end());
    }

    void RemoveAt(INT_PTR index, INT_PTR count = 1)
    {
        if (!InRange(index) || count <= 0)
            return;
        const INT_PTR last = std::min(GetSize(), index + std::min(count, GetSize()));
        m_data.erase(m_data.begin() + index, m_data.begin() + last);
    }

private:
    bool InRange(INT_PTR index) const { return index >= 0 && index < GetSize(); }
    static size_t Slot(INT_PTR index) { return static_cast<size_t>(index); }

    static const TYPE& Outside()
    {
        static const TYPE empty{};
        return empty;
    }

    TYPE& Scratch()
    {
        m_scratch = TYPE{};
        return m_scratch;
    }

    std::vector<TYPE> m_data;
    TYPE m_scratch{};
};

class CPtrArray : public CArray<void*, void*> {};
class CDWordArray : public CArray<DWORD, DWORD> {};
class CStringArray : public CArray<CString, const CString&> {};
