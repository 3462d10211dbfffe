#include <gtest/gtest.h>

#include <string>

#include "engine/core/server/ProgressStatus.h"

namespace {

TEST(ProgressStatus, FlagsTextAndReset)
{
    CProgressStatus* status = new CProgressStatus;
    BSTR text = nullptr;
    ASSERT_EQ(status->GetText(&text), S_OK);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(SysStringLen(text), 0u);
    SysFreeString(text);

    EXPECT_EQ(status->GetCompletion(), S_FALSE);
    EXPECT_EQ(status->IsCancelRequested(), S_FALSE);
    EXPECT_EQ(status->RequestCancel(), S_OK);
    EXPECT_EQ(status->IsCancelRequested(), S_OK);

    status->SetProgress(0.5f);
    status->SetText(L"Import: a.mp3");
    float progress = 0;
    status->GetProgress(&progress);
    EXPECT_EQ(progress, 0.5f);
    status->GetText(&text);
    EXPECT_STREQ(text, L"Import: a.mp3");
    SysFreeString(text);

    status->SetComplete();
    EXPECT_EQ(status->GetCompletion(), S_OK);
    status->SetError(E_ACCESSDENIED);
    EXPECT_EQ(status->GetCompletion(), E_FAIL);
    HRESULT code = S_OK;
    status->GetError(&code);
    EXPECT_EQ(code, E_ACCESSDENIED);

    status->Reset();
    EXPECT_EQ(status->GetCompletion(), S_FALSE);
    EXPECT_EQ(status->IsCancelRequested(), S_FALSE);
    status->GetError(&code);
    EXPECT_EQ(code, S_OK);
    status->GetProgress(&progress);
    EXPECT_EQ(progress, 0.0f);

    void* poisoned = reinterpret_cast<void*>(0x1234);
    EXPECT_EQ(status->QueryInterface(IID_IUnknown, &poisoned), E_NOINTERFACE);
    EXPECT_EQ(poisoned, nullptr);
    EXPECT_EQ(status->Release(), 0u);
}

// A counting fake owner that answers IUnknown for the objects it is delegate of.
struct CountingOwner : IUnknown {
    LONG refs = 1;
    int queries = 0;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        ++queries;
        if (iid != IID_IUnknown) {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        *object = this;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--refs); }
};

TEST(ProgressStatus, AnswersOnlyThroughADelegate)
{
    CountingOwner owner;
    CProgressStatus* status = new CProgressStatus;
    status->SetDelegate(&owner);
    EXPECT_EQ(owner.refs, 2);
    void* object = nullptr;
    EXPECT_EQ(status->QueryInterface(IID_IUnknown, &object), S_OK);
    EXPECT_EQ(object, static_cast<IUnknown*>(&owner));
    EXPECT_EQ(owner.refs, 3);
    owner.Release();
    object = reinterpret_cast<void*>(0x1234);
    EXPECT_EQ(status->QueryInterface(IID_IClassFactory, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(owner.queries, 2);
    EXPECT_EQ(status->Release(), 0u);
    EXPECT_EQ(owner.refs, 1);
}

TEST(ProgressStatus, WriterAndReaderThreadsShareTheObject)
{
    CProgressStatus* status = new CProgressStatus;
    struct Shared {
        CProgressStatus* status;
    } shared{status};
    HANDLE writer = CreateThread(
        nullptr, 0,
        [](void* p) -> DWORD {
            auto* s = static_cast<Shared*>(p)->status;
            for (int i = 0; i <= 2000 && s->IsCancelRequested() == S_FALSE; ++i) {
                s->SetProgress(i / 2000.0f);
                s->SetText(i % 2 ? L"odd step" : L"even");
            }
            s->SetComplete();
            return 0;
        },
        &shared, 0, nullptr);
    ASSERT_NE(writer, nullptr);
    while (status->GetCompletion() == S_FALSE) {
        BSTR text = nullptr;
        status->GetText(&text);
        const std::wstring seen(text, SysStringLen(text));
        EXPECT_TRUE(seen.empty() || seen == L"odd step" || seen == L"even");
        SysFreeString(text);
    }
    WaitForSingleObject(writer, INFINITE);
    CloseHandle(writer);
    float progress = 0;
    status->GetProgress(&progress);
    EXPECT_EQ(progress, 1.0f);
    status->Release();
}

}  // namespace
