// CList<TYPE, ARG_TYPE>: the class library's doubly linked list, walked by POSITION, and its
// fixed instances CPtrList and CStringList.
//
// A POSITION names one element and stays valid until that element is removed (other
// insertions and removals leave it alone); a POSITION from another list, or of a removed
// element, must not be used. A NULL POSITION is safe everywhere: GetNext and GetAt give a
// default element (through a scratch element of the list when non-const, so a write through
// it is harmless and lost) and leave the position NULL; RemoveAt ignores it.
//
// Not copyable, like the framework's list.
#pragma once

#include "classlib/core/Position.h"
#include "classlib/core/String.h"

#include <windows.h>

template <class TYPE, class ARG_TYPE = const TYPE&>
class CList {
public:
    CList() = default;
    CList(const CList&) = delete;
    CList& operator=(const CList&) = delete;
    virtual ~CList() { RemoveAll(); }

    INT_PTR GetCount() const { return m_count; }
    INT_PTR GetSize() const { return m_count; }
    BOOL IsEmpty() const { return m_count == 0; }

    POSITION AddHead(ARG_TYPE element)
    {
        Node* node = new Node{nullptr, m_head, TYPE(element)};
        if (m_head)
            m_head->prev = node;
        else
            m_tail = node;
        m_head = node;
        ++m_count;
        return ToPosition(node);
    }

    POSITION AddTail(ARG_TYPE element)
    {
        Node* node = new Node{m_tail, nullptr, TYPE(element)};
        if (m_tail)
            m_tail->next = node;
        else
            m_head = node;
        m_tail = node;
        ++m_count;
        return ToPosition(node);
    }

    POSITION GetHeadPosition() const { return ToPosition(m_head); }

    // The element at pos; pos moves to the next element (NULL after the last).
    TYPE& GetNext(POSITION& pos)
    {
        Node* node = FromPosition(pos);
        if (!node)
            return Scratch();
        pos = ToPosition(node->next);
        return node->data;
    }

    const TYPE& GetNext(POSITION& pos) const
    {
        const Node* node = FromPosition(pos);
        if (!node)
            return Outside();
        pos = ToPosition(node->next);
        return node->data;
    }

    TYPE& GetAt(POSITION pos)
    {
        Node* node = FromPosition(pos);
        return node ? node->data : Scratch();
    }

    const TYPE& GetAt(POSITION pos) const
    {
        const Node* node = FromPosition(pos);
        return node ? node->data : Outside();
    }

    void RemoveAt(POSITION pos)
    {
        Node* node = FromPosition(pos);
        if (!node)
            return;
        (node->prev ? node->prev->next : m_head) = node->next;
        (node->next ? node->next->prev : m_tail) = node->prev;
        delete node;
        --m_count;
    }

    // The first element equal to value (operator==) after startAfter, or from the head when
    // startAfter is NULL; NULL when there is none.
    POSITION Find(ARG_TYPE value, POSITION startAfter = nullptr) const
    {
        const Node* node = startAfter ? FromPosition(startAfter)->next : m_head;
        for (; node; node = node->next) {
            if (node->data == value)
                return ToPosition(node);
        }
        return nullptr;
    }

    void RemoveAll()
    {
        while (m_head) {
            Node* next = m_head->next;
            delete m_head;
            m_head = next;
        }
        m_tail = nullptr;
        m_count = 0;
    }

private:
    struct Node {
        Node* prev;
        Node* next;
        TYPE data;
    };

    static POSITION ToPosition(const Node* node) { return reinterpret_cast<POSITION>(const_cast<Node*>(node)); }
    static Node* FromPosition(POSITION pos) { return reinterpret_cast<Node*>(pos); }

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

    Node* m_head = nullptr;
    Node* m_tail = nullptr;
    INT_PTR m_count = 0;
    TYPE m_scratch{};
};

class CPtrList : public CList<void*, void*> {};
class CStringList : public CList<CString, const CString&> {};
