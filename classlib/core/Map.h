// CMap<KEY, ARG_KEY, VALUE, ARG_VALUE>: the class library's hash map, and its fixed instances
// CMapStringToPtr, CMapPtrToPtr and CMapWordToPtr.
//
// As in the framework the table has a fixed number of buckets (17 unless InitHashTable sets
// another; callers pick a prime a little above the number of entries they expect) and each
// bucket chains its entries. Keys are hashed with HashKey: strings by their characters (a
// NULL string is the empty string), everything else through std::hash; a key type of one's
// own gets a HashKey overload found by argument-dependent lookup. Keys compare with ==.
//
// Iteration (GetStartPosition, then GetNextAssoc until the position is NULL) visits every
// entry once, bucket by bucket; removing the entry just returned is safe, other changes
// during an iteration are not. A NULL position leaves GetNextAssoc's outputs untouched.
//
// Not copyable, like the framework's map.
#pragma once

#include "classlib/core/Position.h"
#include "classlib/core/String.h"

#include <windows.h>

#include <functional>
#include <string_view>
#include <vector>

inline UINT HashKey(const wchar_t* key)
{
    return static_cast<UINT>(std::hash<std::wstring_view>{}(key ? key : L""));
}

inline UINT HashKey(const CString& key)
{
    return HashKey(key.GetString());
}

template <class KEY>
UINT HashKey(const KEY& key)
{
    return static_cast<UINT>(std::hash<KEY>{}(key));
}

template <class KEY, class ARG_KEY, class VALUE, class ARG_VALUE>
class CMap {
public:
    static constexpr UINT kDefaultHashTableSize = 17;

    CMap() = default;
    CMap(const CMap&) = delete;
    CMap& operator=(const CMap&) = delete;
    virtual ~CMap() { RemoveAll(); }

    INT_PTR GetCount() const { return m_count; }
    INT_PTR GetSize() const { return m_count; }
    BOOL IsEmpty() const { return m_count == 0; }
    UINT GetHashTableSize() const { return m_tableSize; }

    // Sets the number of buckets (at least 1). Meant for an empty map; entries already
    // present are moved to their new buckets.
    void InitHashTable(UINT hashSize)
    {
        std::vector<Node*> old;
        old.swap(m_buckets);
        m_tableSize = hashSize > 0 ? hashSize : 1;
        m_buckets.assign(m_tableSize, nullptr);
        for (Node* chain : old) {
            while (chain) {
                Node* next = chain->next;
                Node*& head = m_buckets[chain->hash % m_tableSize];
                chain->next = head;
                head = chain;
                chain = next;
            }
        }
    }

    BOOL Lookup(ARG_KEY key, VALUE& value) const
    {
        const Node* node = Find(key, HashKey(key));
        if (!node)
            return FALSE;
        value = node->value;
        return TRUE;
    }

    // The value of key, a new default-valued (zero) entry when the key was missing.
    VALUE& operator[](ARG_KEY key)
    {
        const UINT hash = HashKey(key);
        if (Node* node = Find(key, hash))
            return node->value;
        if (m_buckets.empty())
            m_buckets.assign(m_tableSize, nullptr);
        Node*& head = m_buckets[hash % m_tableSize];
        head = new Node{head, hash, KEY(key), VALUE{}};
        ++m_count;
        return head->value;
    }

    void SetAt(ARG_KEY key, ARG_VALUE value) { (*this)[key] = value; }

    // FALSE when the key was not there.
    BOOL RemoveKey(ARG_KEY key)
    {
        if (m_buckets.empty())
            return FALSE;
        const UINT hash = HashKey(key);
        for (Node** link = &m_buckets[hash % m_tableSize]; *link; link = &(*link)->next) {
            Node* node = *link;
            if (node->hash == hash && node->key == key) {
                *link = node->next;
                delete node;
                --m_count;
                return TRUE;
            }
        }
        return FALSE;
    }

    // Empties the map; the number of buckets stays.
    void RemoveAll()
    {
        for (Node*& chain : m_buckets) {
            while (chain) {
                Node* next = chain->next;
                delete chain;
                chain = next;
            }
        }
        m_count = 0;
    }

    // NULL when the map is empty.
    POSITION GetStartPosition() const { return ToPosition(FirstFrom(0)); }

    // The entry at pos; pos moves to the next entry (NULL after the last).
    void GetNextAssoc(POSITION& pos, KEY& key, VALUE& value) const
    {
        const Node* node = reinterpret_cast<const Node*>(pos);
        if (!node)
            return;
        key = node->key;
        value = node->value;
        pos = ToPosition(node->next ? node->next : FirstFrom(node->hash % m_tableSize + 1));
    }

private:
    struct Node {
        Node* next;
        UINT hash;
        KEY key;
        VALUE value;
    };

    static POSITION ToPosition(const Node* node) { return reinterpret_cast<POSITION>(const_cast<Node*>(node)); }

    Node* Find(ARG_KEY key, UINT hash) const
    {
        if (m_buckets.empty())
            return nullptr;
        for (Node* node = m_buckets[hash % m_tableSize]; node; node = node->next) {
            if (node->hash == hash && node->key == key)
                return node;
        }
        return nullptr;
    }

    // The first entry of the first non-empty bucket at or after `bucket`.
    const Node* FirstFrom(size_t bucket) const
    {
        for (; bucket < m_buckets.size(); ++bucket) {
            if (m_buckets[bucket])
                return m_buckets[bucket];
        }
        return nullptr;
    }

    std::vector<Node*> m_buckets;  // allocated at the first insertion
    UINT m_tableSize = kDefaultHashTableSize;
    INT_PTR m_count = 0;
};

class CMapStringToPtr : public CMap<CString, const wchar_t*, void*, void*> {};
class CMapPtrToPtr : public CMap<void*, void*, void*, void*> {};
class CMapWordToPtr : public CMap<WORD, WORD, void*, void*> {};
