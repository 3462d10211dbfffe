#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "classlib/core/String.h"
#include "engine/catalog/IdArray.h"
#include "engine/catalog/ItemIdList.h"
#include "engine/core/ProgressStatus.h"
#include "engine/core/ShellSort.h"

namespace {

std::vector<DWORD> Keys(const CIdArray<DWORD, DWORD>& ids)
{
    std::vector<DWORD> keys;
    DWORD key = 0;
    for (INT_PTR i = 0; ids.GetAt(i, nullptr, &key); ++i)
        keys.push_back(key);
    return keys;
}

TEST(IdArray, InsertKeepsKeysAscendingWithDuplicates)
{
    CIdArray<DWORD, DWORD> ids;
    for (DWORD k : {5u, 1u, 3u, 3u, 9u})
        ids.InsertSorted(k * 10, k);
    EXPECT_EQ(Keys(ids), (std::vector<DWORD>{1, 3, 3, 5, 9}));
    DWORD value = 0, key = 0;
    ASSERT_TRUE(ids.GetAt(3, &value, &key));
    EXPECT_EQ(value, 50u);
    EXPECT_FALSE(ids.GetAt(5, &value, &key));
}

TEST(IdArray, FindAndRemove)
{
    CIdArray<DWORD, DWORD> ids;
    INT_PTR index = -1;
    EXPECT_FALSE(ids.Find(1, &index));
    for (DWORD k : {1u, 3u, 5u})
        ids.InsertSorted(k, k);
    ASSERT_TRUE(ids.Find(1, &index));
    EXPECT_EQ(index, 0);
    ASSERT_TRUE(ids.Find(5, &index));
    EXPECT_EQ(index, 2);
    EXPECT_FALSE(ids.Find(4, &index));
    EXPECT_FALSE(ids.Find(0, &index));
    EXPECT_FALSE(ids.Find(6, &index));
    ids.Remove(3);
    EXPECT_EQ(Keys(ids), (std::vector<DWORD>{1, 5}));
    ids.Remove(4);
    EXPECT_EQ(ids.GetCount(), 2);
    ids.RemoveAll();
    EXPECT_EQ(ids.GetCount(), 0);
}

TEST(IdArray, RandomInsertionsMatchASortAndAreAllFound)
{
    std::mt19937 random(1234);
    CIdArray<DWORD, DWORD> ids;
    std::vector<DWORD> reference;
    for (int i = 0; i < 2000; ++i) {
        const DWORD k = random() % 500;
        ids.InsertSorted(k, k);
        reference.push_back(k);
    }
    std::sort(reference.begin(), reference.end());
    EXPECT_EQ(Keys(ids), reference);
    for (DWORD k : reference) {
        INT_PTR index = -1;
        ASSERT_TRUE(ids.Find(k, &index));
        DWORD key = 0;
        ids.GetAt(index, nullptr, &key);
        EXPECT_EQ(key, k);
    }
}

TEST(IdArray, StringKeysUseOrdinalOrder)
{
    CIdArray<int, CString> names;
    names.InsertSorted(1, L"techno");
    names.InsertSorted(2, L"ambient");
    names.InsertSorted(3, L"Zouk");
    CString key;
    names.GetAt(0, nullptr, &key);
    EXPECT_EQ(key, L"Zouk");
    INT_PTR index = -1;
    EXPECT_TRUE(names.Find(CString(L"techno"), &index));
    EXPECT_EQ(index, 2);
}

TEST(ItemIdList, GetAtAndReferenceCounting)
{
    CItemIdList* list = new CItemIdList;
    for (DWORD id : {7u, 8u, 9u})
        list->Add(id);
    DWORD id = 0;
    EXPECT_EQ(list->GetAt(2, &id), S_OK);
    EXPECT_EQ(id, 9u);
    id = 0xDEAD;
    EXPECT_EQ(list->GetAt(3, &id), S_FALSE);
    EXPECT_EQ(id, 0xDEADu);
    EXPECT_EQ(list->GetAt(-1, &id), S_FALSE);

    void* poisoned = reinterpret_cast<void*>(0x1234);
    EXPECT_EQ(list->QueryInterface(IID_IUnknown, &poisoned), E_NOINTERFACE);
    EXPECT_EQ(poisoned, nullptr);
    EXPECT_EQ(list->AddRef(), 2u);
    EXPECT_EQ(list->Release(), 1u);
    EXPECT_EQ(list->Release(), 0u);
}

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

TEST(ShellSort, SortsEverySizeAgainstTheStandardSort)
{
    std::mt19937_64 random(99);
    for (int count : {1, 2, 13, 14, 15, 40, 41, 1000, 29524, 29525, 40000}) {
        SCOPED_TRACE(count);
        CArray<LONGLONG> values;
        std::vector<LONGLONG> reference;
        for (int i = 0; i < count; ++i) {
            const LONGLONG v = static_cast<LONGLONG>(random() % 100000) - 50000;
            values.Add(v);
            reference.push_back(v);
        }
        ASSERT_TRUE(ShellSortInt64Array(values));
        std::sort(reference.begin(), reference.end());
        EXPECT_TRUE(std::equal(reference.begin(), reference.end(), values.GetData()));
    }
    CArray<LONGLONG> empty;
    EXPECT_FALSE(ShellSortInt64Array(empty));
}

}  // namespace
