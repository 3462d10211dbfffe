#include "engine/core/server/Unknown.h"

#include <gtest/gtest.h>

namespace {

int g_finalReleases = 0;
int g_destructions = 0;

// Takes itself apart the way service objects do: AddRef/Release pairs during FinalRelease.
class SelfReleasingObject : public CUnknown {
public:
    SelfReleasingObject() : CUnknown(nullptr) {}
    ~SelfReleasingObject() override { ++g_destructions; }
    void FinalRelease() override
    {
        ++g_finalReleases;
        CUnknown::FinalRelease();
        NonDelegatingAddRef();
        NonDelegatingRelease();
        NonDelegatingAddRef();
        NonDelegatingRelease();
    }
};

TEST(Unknown, LastReleaseRunsFinalReleaseOnceAndDestroysOnce)
{
    g_finalReleases = 0;
    g_destructions = 0;
    auto* object = new SelfReleasingObject;
    EXPECT_EQ(object->NonDelegatingAddRef(), 2u);
    EXPECT_EQ(object->NonDelegatingRelease(), 1u);
    EXPECT_EQ(object->NonDelegatingRelease(), 0u);
    EXPECT_EQ(g_finalReleases, 1);
    EXPECT_EQ(g_destructions, 1);
}

TEST(Unknown, BaseAnswersOnlyIUnknownAndNullsThePointerOtherwise)
{
    auto* object = new SelfReleasingObject;
    void* out = reinterpret_cast<void*>(0xDEADBEEF);
    EXPECT_EQ(object->NonDelegatingQueryInterface(IID_IClassFactory, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(object->NonDelegatingQueryInterface(IID_IUnknown, &out), S_OK);
    EXPECT_EQ(out, object->GetInner());
    EXPECT_EQ(object->RefCount(), 2);
    static_cast<IUnknown*>(out)->Release();
    EXPECT_EQ(object->NonDelegatingRelease(), 0u);
}

}  // namespace
