#include "classlib/ui/CommandLineInfo.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(CommandLineInfo, PlainParameterOpensAFileAndComFlagsHideTheSplash)
{
    struct Param {
        const wchar_t* text;
        BOOL flag;
    };
    struct Case {
        const char* name;
        std::vector<Param> params;
        int command;
        const wchar_t* file;
        BOOL splash;
        BOOL embedded;
        BOOL automated;
    } cases[] = {
        {"nothing: a new document with splash", {}, CCommandLineInfo::FileNew, L"", TRUE, FALSE, FALSE},
        {"a playlist", {{L"C:\\mix.cfp", FALSE}}, CCommandLineInfo::FileOpen, L"C:\\mix.cfp", TRUE, FALSE, FALSE},
        {"only the first file counts",
         {{L"a.cfp", FALSE}, {L"b.cfp", FALSE}},
         CCommandLineInfo::FileOpen,
         L"a.cfp",
         TRUE,
         FALSE,
         FALSE},
        {"started by COM", {{L"Embedding", TRUE}}, CCommandLineInfo::FileNew, L"", FALSE, TRUE, FALSE},
        {"automation, any case", {{L"AUTOMATION", TRUE}}, CCommandLineInfo::FileNew, L"", FALSE, FALSE, TRUE},
        {"unknown flag ignored", {{L"x", TRUE}}, CCommandLineInfo::FileNew, L"", TRUE, FALSE, FALSE},
    };
    for (const auto& c : cases) {
        CCommandLineInfo info;
        for (size_t i = 0; i < c.params.size(); ++i)
            info.ParseParam(c.params[i].text, c.params[i].flag, i + 1 == c.params.size());
        EXPECT_EQ(info.m_nShellCommand, c.command) << c.name;
        EXPECT_STREQ(info.m_strFileName, c.file) << c.name;
        EXPECT_EQ(info.m_bShowSplash, c.splash) << c.name;
        EXPECT_EQ(info.m_bRunEmbedded, c.embedded) << c.name;
        EXPECT_EQ(info.m_bRunAutomated, c.automated) << c.name;
    }
}

}  // namespace
