#include "toolkit/controls/customize/ObserverList.h"

#include <algorithm>

void CUVObserverList::SetSize(int count, int growth)
{
    if (count < 0)
        return;
    if (count > m_capacity) {
        const int step = growth > 0 ? growth : std::clamp(count / 8, 4, 1024);
        const int capacity = std::max(count, m_capacity + step);
        auto pairs = std::make_unique<UVObserver[]>(capacity);
        std::copy(m_pairs.get(), m_pairs.get() + m_size, pairs.get());
        m_pairs = std::move(pairs);
        m_capacity = capacity;
    }
    for (int i = m_size; i < count; ++i)
        m_pairs[i] = UVObserver{};
    m_size = count;
}

void CUVObserverList::Add(UVObserverFn callback, void* context)
{
    SetSize(m_size + 1);
    m_pairs[m_size - 1] = UVObserver{callback, context};
}

void CUVObserverList::RemoveContext(const void* context)
{
    for (int i = m_size - 1; i >= 0; --i) {
        if (m_pairs[i].context == context) {
            std::copy(m_pairs.get() + i + 1, m_pairs.get() + m_size, m_pairs.get() + i);
            --m_size;
        }
    }
    if (m_size == 0) {
        m_pairs.reset();
        m_capacity = 0;
    }
}

int CUVObserverList::CallAll()
{
    return CallAllWithArg(0);
}

int CUVObserverList::CallAllWithArg(LPARAM argument)
{
    // A copy: a callback may add or remove pairs while the list is being called.
    const int count = m_size;
    auto pairs = std::make_unique<UVObserver[]>(count);
    std::copy(m_pairs.get(), m_pairs.get() + count, pairs.get());
    int called = 0;
    for (int i = 0; i < count; ++i) {
        if (pairs[i].callback) {
            pairs[i].callback(pairs[i].context, argument);
            ++called;
        }
    }
    return called;
}
