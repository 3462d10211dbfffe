#include <windows.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include "app/PathList.h"
#include "tests/app/transfer/SingleInterfaceChecks.h"

namespace {

TEST(PathListTest, AnswersAsAPathListToTheEngine)
{
    int deleted = 0;
    auto* list = new DeletionCounted<CPathList>(&deleted);
    IPathList* engineSide = list;
    BSTR first = SysAllocString(L"C:\\music\\one.mp3");
    EXPECT_EQ(S_OK, engineSide->Add(first));
    SysFreeString(first);
    EXPECT_EQ(S_OK, engineSide->Add(nullptr));
    list->m_paths.Add(L"Z:\\tmp\\with blank.wav");

    struct Case {
        int index;
        HRESULT result;
        const wchar_t* path;
    };
    const Case cases[] = {{-1, S_FALSE, nullptr},
                          {0, S_OK, L"C:\\music\\one.mp3"},
                          {1, S_OK, L""},
                          {2, S_OK, L"Z:\\tmp\\with blank.wav"},
                          {3, S_FALSE, nullptr}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.index);
        BSTR text = reinterpret_cast<BSTR>(0x1234);
        EXPECT_EQ(c.result, engineSide->GetAt(c.index, &text));
        CString owned;
        if (c.path) {
            EXPECT_STREQ(c.path, text);
            EXPECT_TRUE(list->GetString(c.index, owned));
            EXPECT_STREQ(c.path, owned.GetString());
            SysFreeString(text);
        } else {
            EXPECT_EQ(reinterpret_cast<BSTR>(0x1234), text);
            EXPECT_FALSE(list->GetString(c.index, owned));
        }
    }

    ExpectNoInterfaceAndExactCount(engineSide, deleted);
}

}  // namespace
