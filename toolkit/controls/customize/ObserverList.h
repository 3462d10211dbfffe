// CUVObserverList: (callback, context) pairs through which bars, the customise core and its
// pages tell each other what happens. A context removes itself when it goes (RemoveContext),
// so a list never calls an object that is gone. UI thread only.
#pragma once

#include <windows.h>

#include <memory>

// Called as callback(context, argument); lists raised without an argument pass 0.
using UVObserverFn = void (*)(void* context, LPARAM argument);

struct UVObserver {
    UVObserverFn callback = nullptr;
    void* context = nullptr;
};

class CUVObserverList {
public:
    CUVObserverList() = default;
    CUVObserverList(const CUVObserverList&) = delete;
    CUVObserverList& operator=(const CUVObserverList&) = delete;

    // Resizes to `count` pairs; new pairs are zeroed. When the storage must grow it grows by
    // `growth`, or, unset (0), by count / 8 clamped to 4..1024.
    void SetSize(int count, int growth = 0);
    int GetSize() const { return m_size; }
    int GetCapacity() const { return m_capacity; }
    const UVObserver& GetAt(int index) const { return m_pairs[index]; }

    void Add(UVObserverFn callback, void* context);
    // Removes every pair of `context`, scanning from the end; frees the storage when empty.
    void RemoveContext(const void* context);
    // Calls every pair; the number of pairs called. A callback may remove its own pair.
    int CallAll();
    int CallAllWithArg(LPARAM argument);

private:
    std::unique_ptr<UVObserver[]> m_pairs;
    int m_size = 0;
    int m_capacity = 0;
};
