// The display list's Shell sort against std::stable_sort with the same comparison of keys, and
// its gap sequence.
#include "engine/catalog/display/CatDisplaySort.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <random>
#include <string>

namespace {

// Rows with mixed case, non-ASCII letters and many equal keys, in list order.
std::vector<CCatDisplaySortItem> RandomRows(size_t count, unsigned seed)
{
    static const wchar_t* const kWords[] = {
        L"alpha", L"Alpha", L"ALPHA", L"beta", L"Zulu", L"zulu", L"\u00e9t\u00e9", L"\u00c9t\u00e9", L"\u00fcber",
        L"Ober",  L"",      L"10",    L"9",    L"a b",  L"a-b"};
    std::mt19937 random(seed);
    std::vector<CCatDisplaySortItem> rows(count);
    for (size_t i = 0; i < count; ++i) {
        rows[i].id = static_cast<DWORD>(random());
        rows[i].position = static_cast<DWORD>(i);
        rows[i].text = kWords[random() % std::size(kWords)];
        rows[i].text += kWords[random() % std::size(kWords)];
        rows[i].number = random() % 300;
    }
    return rows;
}

TEST(CatDisplaySort, MatchesStableSortOnFiftyThousandRows)
{
    for (bool byText : {true, false}) {
        for (bool ascending : {true, false}) {
            std::vector<CCatDisplaySortItem> rows = RandomRows(50000, byText ? 7 : 11);
            std::vector<CCatDisplaySortItem> expected = rows;
            std::stable_sort(expected.begin(), expected.end(), [&](const auto& a, const auto& b) {
                return CatDisplaySortBefore(a, b, byText, ascending);
            });
            std::vector<size_t> gaps;
            ShellSortDisplayItems(rows, byText, ascending, &gaps);
            EXPECT_EQ(gaps.front(), 3280u);
            ASSERT_EQ(rows.size(), expected.size());
            size_t mismatches = 0;
            for (size_t i = 0; i < rows.size(); ++i)
                mismatches += rows[i].id != expected[i].id || rows[i].position != expected[i].position;
            EXPECT_EQ(mismatches, 0u) << (byText ? "text" : "number") << (ascending ? " ascending" : " descending");
        }
    }
}

// Puts the C runtime's locale back when a test changed it.
class LocaleScope {
public:
    LocaleScope() : m_saved(_wsetlocale(LC_ALL, nullptr)) {}
    ~LocaleScope() { _wsetlocale(LC_ALL, m_saved.c_str()); }
    LocaleScope(const LocaleScope&) = delete;
    LocaleScope& operator=(const LocaleScope&) = delete;

private:
    std::wstring m_saved;
};

// The sort folds titles before it compares them: under each locale its order must be the order of
// _wcsicmp itself. The words hold the code units between the two cases of ASCII letters (they sort
// after "Z" only once "Z" is folded), letters that only a full locale folds (Latin-1, Greek,
// Cyrillic, fullwidth), letters without a one-unit fold, and surrogate pairs.
TEST(CatDisplaySort, FoldedTitlesSortAsWcsicmpOrdersThemUnderEachLocale)
{
    static const wchar_t* const kWords[] = {L"Zebra",
                                            L"zebra",
                                            L"_under",
                                            L"[bracket",
                                            L"`tick",
                                            L"\u00c9t\u00e9",
                                            L"\u00e9t\u00e9",
                                            L"\u00dcber",
                                            L"\u00fcber",
                                            L"\u00df",
                                            L"\u00ff",
                                            L"\u0178",
                                            L"\u03a3\u03bf",
                                            L"\u03c3\u03bf",
                                            L"\u03c2",
                                            L"\u0414\u0430",
                                            L"\u0434\u0430",
                                            L"\u0130",
                                            L"\u0131",
                                            L"\uff21",
                                            L"\uff41",
                                            L"\U00010400",
                                            L"\U00010428",
                                            L"",
                                            L"a",
                                            L"A"};
    const struct {
        const wchar_t* locale;
        bool foldsAccents;
    } cases[] = {
        {L"C", false},
        {L"French_France.1252", true},
    };
    for (const auto& row : cases) {
        LocaleScope restore;
        ASSERT_NE(_wsetlocale(LC_ALL, row.locale), nullptr) << row.locale;
        EXPECT_EQ(_wcsicmp(L"\u00c9", L"\u00e9") == 0, row.foldsAccents) << row.locale;
        std::mt19937 random(23);
        std::vector<CCatDisplaySortItem> rows(20000);
        for (size_t i = 0; i < rows.size(); ++i) {
            rows[i].id = static_cast<DWORD>(i);
            rows[i].position = static_cast<DWORD>(i);
            for (int w = 0; w < 3; ++w)
                rows[i].text += kWords[random() % std::size(kWords)];
        }
        for (bool ascending : {true, false}) {
            std::vector<CCatDisplaySortItem> sorted = rows;
            std::vector<CCatDisplaySortItem> expected = rows;
            std::stable_sort(expected.begin(), expected.end(),
                             [&](const auto& a, const auto& b) { return CatDisplaySortBefore(a, b, true, ascending); });
            ShellSortDisplayItems(sorted, true, ascending);
            size_t mismatches = 0;
            for (size_t i = 0; i < sorted.size(); ++i)
                mismatches += sorted[i].id != expected[i].id;
            EXPECT_EQ(mismatches, 0u) << row.locale << (ascending ? " ascending" : " descending");
        }
    }
}

TEST(CatDisplaySort, GapSequences)
{
    const struct {
        size_t rows;
        std::vector<size_t> gaps;
    } cases[] = {
        {0, {1}},
        {13, {1}},
        {14, {4, 1}},
        {100, {13, 4, 1}},
        {29524, {3280, 1093, 364, 121, 40, 13, 4, 1}},
        {29525, {3280, 1093, 364, 121, 40, 13, 4, 1}},
        {40000, {3280, 1093, 364, 121, 40, 13, 4, 1}},
    };
    for (const auto& row : cases) {
        std::vector<CCatDisplaySortItem> items(row.rows);
        std::vector<size_t> gaps;
        ShellSortDisplayItems(items, false, true, &gaps);
        EXPECT_EQ(gaps, row.gaps) << row.rows << " rows";
    }
}

TEST(CatDisplaySort, EqualTitlesKeepTheirOrderAscendingAndAreReversedDescending)
{
    std::vector<CCatDisplaySortItem> rows(3);
    const wchar_t* titles[] = {L"same", L"Other", L"SAME"};
    for (DWORD i = 0; i < 3; ++i) {
        rows[i].id = i;
        rows[i].position = i;
        rows[i].text = titles[i];
    }
    std::vector<CCatDisplaySortItem> up = rows;
    ShellSortDisplayItems(up, true, true);
    EXPECT_EQ((std::vector<DWORD>{up[0].id, up[1].id, up[2].id}), (std::vector<DWORD>{1, 0, 2}));
    ShellSortDisplayItems(rows, true, false);
    EXPECT_EQ((std::vector<DWORD>{rows[0].id, rows[1].id, rows[2].id}), (std::vector<DWORD>{2, 0, 1}));
}

// Orders written out by hand from the rule: titles compared with their letters folded to lower
// case (so "_" and "[" come before every letter, which they would not with upper case), code
// unit by code unit (so "10" before "9", the empty title first); equal titles and equal numbers
// by their position before the sort; numbers as unsigned values; descending the exact reverse.
TEST(CatDisplaySort, KnownOrders)
{
    const wchar_t* titles[] = {L"beta", L"Alpha", L"_under", L"alpha", L"10", L"9", L"", L"Zebra", L"[x"};
    const DWORD numbers[] = {300, 12000, 0, 12000, 0xFFFFFFFF, 9};
    const struct {
        const char* name;
        bool byText;
        bool ascending;
        std::vector<DWORD> positions;
    } rows[] = {
        {"titles ascending", true, true, {6, 4, 5, 8, 2, 1, 3, 0, 7}},
        {"titles descending", true, false, {7, 0, 3, 1, 2, 8, 5, 4, 6}},
        {"numbers ascending", false, true, {2, 5, 0, 1, 3, 4}},
        {"numbers descending", false, false, {4, 3, 1, 0, 5, 2}},
    };
    for (const auto& row : rows) {
        std::vector<CCatDisplaySortItem> items(row.byText ? std::size(titles) : std::size(numbers));
        for (DWORD i = 0; i < items.size(); ++i) {
            items[i].id = 100 + i;
            items[i].position = i;
            if (row.byText)
                items[i].text = titles[i];
            else
                items[i].number = numbers[i];
        }
        ShellSortDisplayItems(items, row.byText, row.ascending);
        std::vector<DWORD> positions;
        for (const CCatDisplaySortItem& item : items)
            positions.push_back(item.position);
        EXPECT_EQ(positions, row.positions) << row.name;
    }
}

}  // namespace
