#include "classlib/core/String.h"
#include "tests/classlib/core/TestStrings.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

std::string Narrow(const CString& text)
{
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, text.GetString(), text.GetLength(), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.GetString(), text.GetLength(), out.data(), bytes, nullptr, nullptr);
    return out;
}

// Shows the wide strings readably when a comparison fails.
#define EXPECT_CSTR_EQ(expected, actual) EXPECT_EQ(Narrow(CString(expected)), Narrow(actual))

const wchar_t kUnicode[] = L"Caf\u00e9 \u00dcn\u00efc\u00f8d\u00e9 \u2014 \u65e5\u672c\u8a9e \u266b";

TEST(CStringFind, TableOfStartsAndTargets)
{
    const CString text(L"abcabc");
    struct Row {
        const char* name;
        std::function<int()> find;
        int expected;
    };
    const Row rows[] = {
        {"char from 0", [&] { return text.Find(L'b'); }, 1},
        {"char from past first", [&] { return text.Find(L'b', 2); }, 4},
        {"char at start position", [&] { return text.Find(L'c', 5); }, 5},
        {"char absent", [&] { return text.Find(L'z'); }, -1},
        {"char start at length", [&] { return text.Find(L'a', 6); }, -1},
        {"char start past length", [&] { return text.Find(L'a', 100); }, -1},
        {"char negative start is past the end", [&] { return text.Find(L'a', -1); }, -1},
        {"sub from 0", [&] { return text.Find(L"ca"); }, 2},
        {"sub from after first", [&] { return text.Find(L"abc", 1); }, 3},
        {"sub at the very end", [&] { return text.Find(L"bc", 4); }, 4},
        {"sub running past the end", [&] { return text.Find(L"cab", 4); }, -1},
        {"empty sub finds the start", [&] { return text.Find(L"", 3); }, 3},
        {"empty sub at length", [&] { return text.Find(L"", 6); }, 6},
        {"sub start past length", [&] { return text.Find(L"a", 7); }, -1},
        {"sub negative start is past the end", [&] { return text.Find(L"a", -2); }, -1},
        {"null sub", [&] { return text.Find(static_cast<const wchar_t*>(nullptr)); }, -1},
        {"in empty string", [] { return CString().Find(L'a'); }, -1},
        {"non-ASCII char", [] { return CString(kUnicode).Find(L'\u65e5'); }, 15},
        {"reverse find", [&] { return text.ReverseFind(L'a'); }, 3},
        {"reverse find absent", [&] { return text.ReverseFind(L'z'); }, -1},
        {"find one of", [&] { return text.FindOneOf(L"xc"); }, 2},
        {"find one of empty set", [&] { return text.FindOneOf(L""); }, -1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.find(), row.expected);
    }
}

TEST(CStringExtract, MidLeftRightClampToTheString)
{
    const CString text(L"Hello");
    struct Row {
        const char* name;
        std::function<CString()> extract;
        const wchar_t* expected;
    };
    const Row rows[] = {
        {"Mid(1)", [&] { return text.Mid(1); }, L"ello"},
        {"Mid(0)", [&] { return text.Mid(0); }, L"Hello"},
        {"Mid(5)", [&] { return text.Mid(5); }, L""},
        {"Mid(9)", [&] { return text.Mid(9); }, L""},
        {"Mid(-2)", [&] { return text.Mid(-2); }, L"Hello"},
        {"Mid(1, 3)", [&] { return text.Mid(1, 3); }, L"ell"},
        {"Mid(1, 99)", [&] { return text.Mid(1, 99); }, L"ello"},
        {"Mid(1, 0)", [&] { return text.Mid(1, 0); }, L""},
        {"Mid(1, -1)", [&] { return text.Mid(1, -1); }, L""},
        {"Mid(-2, 3)", [&] { return text.Mid(-2, 3); }, L"Hel"},
        {"Mid(7, 2)", [&] { return text.Mid(7, 2); }, L""},
        {"Mid(4, huge)", [&] { return text.Mid(4, 0x7fffffff); }, L"o"},
        {"Left(2)", [&] { return text.Left(2); }, L"He"},
        {"Left(0)", [&] { return text.Left(0); }, L""},
        {"Left(-1)", [&] { return text.Left(-1); }, L""},
        {"Left(99)", [&] { return text.Left(99); }, L"Hello"},
        {"Right(2)", [&] { return text.Right(2); }, L"lo"},
        {"Right(0)", [&] { return text.Right(0); }, L""},
        {"Right(-3)", [&] { return text.Right(-3); }, L""},
        {"Right(99)", [&] { return text.Right(99); }, L"Hello"},
        {"Left of empty", [] { return CString().Left(3); }, L""},
        {"Right of non-ASCII", [] { return CString(kUnicode).Right(5); }, L"\u65e5\u672c\u8a9e \u266b"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_CSTR_EQ(row.expected, row.extract());
    }
}

TEST(CStringFormat, PlatformWideConventions)
{
    struct Row {
        const char* name;
        std::function<CString()> format;
        const wchar_t* expected;
    };
    const CString held(L"held \u00e9");
    const Row rows[] = {
        {"%s is wide",
         [] {
             CString s;
             s.Format(L"[%s]", L"abc");
             return s;
         },
         L"[abc]"},
        {"%s non-ASCII",
         [] {
             CString s;
             s.Format(L"%s!", kUnicode);
             return s;
         },
         L"Caf\u00e9 \u00dcn\u00efc\u00f8d\u00e9 \u2014 \u65e5\u672c\u8a9e \u266b!"},
        {"%s of a CString",
         [&] {
             CString s;
             s.Format(L"<%s>", held);
             return s;
         },
         L"<held \u00e9>"},
        {"%s of itself",
         [] {
             CString s(L"me");
             s.Format(L"%s+%s", s, s);
             return s;
         },
         L"me+me"},
        {"%d widths",
         [] {
             CString s;
             s.Format(L"%d|%5d|%-3d|", -42, 7, 1);
             return s;
         },
         L"-42|    7|1  |"},
        {"%u of -1",
         [] {
             CString s;
             s.Format(L"%u", static_cast<unsigned>(-1));
             return s;
         },
         L"4294967295"},
        {"%I64d",
         [] {
             CString s;
             s.Format(L"%I64d", static_cast<__int64>(-9007199254740993LL));
             return s;
         },
         L"-9007199254740993"},
        {"%I64u max",
         [] {
             CString s;
             s.Format(L"%I64u", ~0ULL);
             return s;
         },
         L"18446744073709551615"},
        {"%I64d then %d",
         [] {
             CString s;
             s.Format(L"%I64d %d", static_cast<__int64>(1) << 40, 5);
             return s;
         },
         L"1099511627776 5"},
        {"%.2f",
         [] {
             CString s;
             s.Format(L"%.2f", 1234.5678);
             return s;
         },
         L"1234.57"},
        {"%.2f small negative",
         [] {
             CString s;
             s.Format(L"%.2f", -0.004);
             return s;
         },
         L"-0.00"},
        {"%.2f of a float",
         [] {
             CString s;
             s.Format(L"%.2f", 0.5f);
             return s;
         },
         L"0.50"},
        {"%c non-ASCII",
         [] {
             CString s;
             s.Format(L"%c", L'\u266b');
             return s;
         },
         L"\u266b"},
        {"%x and %08X",
         [] {
             CString s;
             s.Format(L"%x %08X", 255, 0xBEEFu);
             return s;
         },
         L"ff 0000BEEF"},
        {"%%",
         [] {
             CString s;
             s.Format(L"100%%");
             return s;
         },
         L"100%"},
        {"empty result",
         [] {
             CString s(L"old");
             s.Format(L"%s", L"");
             return s;
         },
         L""},
        {"long result",
         [] {
             CString s;
             s.Format(L"%0500d", 7);
             return s.Right(3);
         },
         L"007"},
        {"AppendFormat",
         [] {
             CString s(L"n=");
             s.AppendFormat(L"%d/%s", 3, L"x");
             return s;
         },
         L"n=3/x"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_CSTR_EQ(row.expected, row.format());
    }
}

TEST(CStringLoadString, ReadsTheModulesStringTable)
{
    struct Row {
        const char* name;
        UINT id;
        BOOL found;
        CString expected;
    };
    const Row rows[] = {
        {"ASCII", IDS_TEST_PLAIN, TRUE, L"Carrowfold Technology"},
        {"non-ASCII", IDS_TEST_UNICODE, TRUE, kUnicode},
        {"last of a block", IDS_TEST_BLOCK_EDGE, TRUE, L"last of its block"},
        {"first of a block", IDS_TEST_OTHER_BLOCK, TRUE, L"first of the next block"},
        {"missing in a present block", IDS_TEST_MISSING, FALSE, L"unchanged"},
        {"missing block", 5000, FALSE, L"unchanged"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CString text(L"unchanged");
        EXPECT_EQ(text.LoadString(row.id), row.found);
        EXPECT_CSTR_EQ(row.expected, text);
        CString explicitModule(L"unchanged");
        EXPECT_EQ(explicitModule.LoadString(GetModuleHandleW(nullptr), row.id), row.found);
        EXPECT_CSTR_EQ(row.expected, explicitModule);
    }
}

TEST(CStringLoadString, LongStringIsWhole)
{
    CString text;
    ASSERT_TRUE(text.LoadString(IDS_TEST_LONG));
    ASSERT_EQ(text.GetLength(), 600);
    EXPECT_CSTR_EQ(L"000:abcdefghij;", text.Left(15));
    EXPECT_CSTR_EQ(L"039:abcdefghij;", text.Right(15));
    // The independent reader: the platform call into a buffer of our own.
    wchar_t buffer[1024] = {};
    ASSERT_EQ(LoadStringW(GetModuleHandleW(nullptr), IDS_TEST_LONG, buffer, 1024), 600);
    EXPECT_CSTR_EQ(buffer, text);
}

TEST(CStringLoadString, LoadedTextServesAsFormat)
{
    CString format;
    ASSERT_TRUE(format.LoadString(IDS_TEST_FORMAT));
    CString text;
    text.Format(format, L"Mix", 12);
    EXPECT_CSTR_EQ(L"Mix has 12 tracks", text);
}

TEST(CStringCompare, CompareAndCompareNoCase)
{
    struct Row {
        const char* name;
        const wchar_t* left;
        const wchar_t* right;
        int sign;
        int signNoCase;
    };
    const Row rows[] = {
        {"equal", L"track", L"track", 0, 0},
        {"case differs", L"Track.MP3", L"track.mp3", -1, 0},
        {"shorter first", L"abc", L"abcd", -1, -1},
        {"longer first", L"abcd", L"ABC", 1, 1},
        {"letters fold to lower case", L"_", L"A", 1, -1},
        {"empty against text", L"", L"a", -1, -1},
        {"ordinal above ASCII", L"\u00e9", L"z", 1, 1},
        {"only ASCII letters fold", L"\u00c9", L"\u00e9", -1, -1},
        {"null is empty", L"", nullptr, 0, 0},
    };
    auto sign = [](int v) { return (v > 0) - (v < 0); };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const CString left(row.left);
        EXPECT_EQ(sign(left.Compare(row.right)), row.sign);
        EXPECT_EQ(sign(left.CompareNoCase(row.right)), row.signNoCase);
    }
}

TEST(CStringCase, MakeLowerAndUpperCoverUnicode)
{
    struct Row {
        const char* name;
        const wchar_t* text;
        const wchar_t* lower;
        const wchar_t* upper;
    };
    const Row rows[] = {
        {"ASCII", L"Track 01.MP3", L"track 01.mp3", L"TRACK 01.MP3"},
        {"Latin-1", L"\u00c9t\u00c9 \u00dcber", L"\u00e9t\u00e9 \u00fcber", L"\u00c9T\u00c9 \u00dcBER"},
        {"Greek and Cyrillic", L"\u03a3\u03bf\u0424\u0444", L"\u03c3\u03bf\u0444\u0444", L"\u03a3\u039f\u0424\u0424"},
        {"no case", L"\u65e5\u672c 123", L"\u65e5\u672c 123", L"\u65e5\u672c 123"},
        {"empty", L"", L"", L""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CString lower(row.text);
        EXPECT_CSTR_EQ(row.lower, lower.MakeLower());
        CString upper(row.text);
        EXPECT_CSTR_EQ(row.upper, upper.MakeUpper());
    }
}

TEST(CStringEdit, ReplaceDeleteInsertTrim)
{
    struct Row {
        const char* name;
        std::function<CString()> edit;
        const wchar_t* expected;
    };
    const Row rows[] = {
        {"Replace all, longer",
         [] {
             CString s(L"a-b-c");
             s.Replace(L"-", L"--");
             return s;
         },
         L"a--b--c"},
        {"Replace with empty",
         [] {
             CString s(L"a-b-c");
             s.Replace(L"-", L"");
             return s;
         },
         L"abc"},
        {"Replace overlapping pattern",
         [] {
             CString s(L"aaa");
             s.Replace(L"aa", L"b");
             return s;
         },
         L"ba"},
        {"Replace pattern from itself",
         [] {
             CString s(L"xyx");
             s.Replace(s.GetString() + 2, L"z");
             return s;
         },
         L"zyz"},
        {"Replace char",
         [] {
             CString s(L"a\\b\\c");
             s.Replace(L'\\', L'/');
             return s;
         },
         L"a/b/c"},
        {"Delete middle",
         [] {
             CString s(L"abcdef");
             s.Delete(2, 2);
             return s;
         },
         L"abef"},
        {"Delete past end",
         [] {
             CString s(L"abcdef");
             s.Delete(4, 10);
             return s;
         },
         L"abcd"},
        {"Delete negative index clamps",
         [] {
             CString s(L"abcdef");
             s.Delete(-3, 2);
             return s;
         },
         L"cdef"},
        {"Delete at length",
         [] {
             CString s(L"abc");
             s.Delete(3);
             return s;
         },
         L"abc"},
        {"Insert past end appends",
         [] {
             CString s(L"ab");
             s.Insert(9, L"cd");
             return s;
         },
         L"abcd"},
        {"Insert negative prepends",
         [] {
             CString s(L"ab");
             s.Insert(-1, L"x");
             return s;
         },
         L"xab"},
        {"Trim",
         [] {
             CString s(L" \t a b \r\n");
             s.Trim();
             return s;
         },
         L"a b"},
        {"TrimLeft",
         [] {
             CString s(L"  ab  ");
             s.TrimLeft();
             return s;
         },
         L"ab  "},
        {"TrimRight",
         [] {
             CString s(L"  ab  ");
             s.TrimRight();
             return s;
         },
         L"  ab"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_CSTR_EQ(row.expected, row.edit());
    }
}

TEST(CStringAccess, GetAtPastEitherEndIsNul)
{
    CString text(L"ab");
    EXPECT_EQ(text.GetAt(0), L'a');
    EXPECT_EQ(text.GetAt(2), L'\0');
    EXPECT_EQ(text.GetAt(-1), L'\0');
    EXPECT_EQ(text[1], L'b');
    text.SetAt(-1, L'x');
    text.SetAt(2, L'x');
    text.SetAt(1, L'c');
    EXPECT_CSTR_EQ(L"ac", text);
}

TEST(CStringBuffer, GetBufferAndReleaseBuffer)
{
    CString text(L"keep");
    wchar_t* buffer = text.GetBuffer(MAX_PATH);
    EXPECT_EQ(wcscmp(buffer, L"keep"), 0);
    ASSERT_GT(GetWindowsDirectoryW(buffer, MAX_PATH), 0u);
    text.ReleaseBuffer();
    wchar_t expected[MAX_PATH];
    GetWindowsDirectoryW(expected, MAX_PATH);
    EXPECT_CSTR_EQ(expected, text);

    CString cut(L"abcdef");
    cut.GetBuffer(0);
    cut.ReleaseBuffer(3);
    EXPECT_CSTR_EQ(L"abc", cut);

    CString sized;
    wcscpy(sized.GetBufferSetLength(3), L"xyz");
    sized.ReleaseBuffer();
    EXPECT_CSTR_EQ(L"xyz", sized);
}

TEST(CStringConversion, AnsiConstructorAndSysString)
{
    EXPECT_CSTR_EQ(L"plain", CString("plain"));
    EXPECT_TRUE(CString(static_cast<const char*>(nullptr)).IsEmpty());

    const CString text(kUnicode);
    BSTR bstr = text.AllocSysString();
    ASSERT_NE(bstr, nullptr);
    EXPECT_EQ(SysStringLen(bstr), static_cast<UINT>(text.GetLength()));
    EXPECT_EQ(wcscmp(bstr, kUnicode), 0);
    SysFreeString(bstr);
}

}  // namespace
