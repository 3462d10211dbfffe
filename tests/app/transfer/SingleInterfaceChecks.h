// What every small object the program hands to the engine must do with its IUnknown part.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include <gtest/gtest.h>

#include <utility>

// Deriving from T, counts its deletions: the last Release, and only that one, deletes.
template <class T>
class DeletionCounted : public T {
public:
    template <typename... Args>
    explicit DeletionCounted(int* deleted, Args&&... args) : T(std::forward<Args>(args)...), m_deleted(deleted)
    {}
    ~DeletionCounted() override { ++*m_deleted; }

private:
    int* m_deleted;
};

// QueryInterface answers nothing (a poisoned out-pointer comes back NULL), and the count is exact
// from the owner's 1; the object is released to zero (deleted) at the end.
inline void ExpectNoInterfaceAndExactCount(IUnknown* object, const int& deleted)
{
    void* answer = reinterpret_cast<void*>(0x1234);
    EXPECT_EQ(E_NOINTERFACE, object->QueryInterface(IID_IUnknown, &answer));
    EXPECT_EQ(nullptr, answer);
    EXPECT_EQ(2u, object->AddRef());
    EXPECT_EQ(1u, object->Release());
    EXPECT_EQ(0, deleted);
    EXPECT_EQ(0u, object->Release());
    EXPECT_EQ(1, deleted);
}
