// The display list's Shell sort against std::stable_sort with the same comparison of keys, and
// its gap sequence.
#include "engine/catalog/display/CatDisplaySort.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

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

}  // namespace
