#include "engine/catalog/display/CatDisplaySort.h"

#include <cwchar>
#include <cwctype>
#include <string>
#include <utility>

namespace {

constexpr size_t kSmallListRows = 14;
constexpr size_t kLargeListRows = 29524;
constexpr size_t kLargeListStartGap = 3280;

int ComparePositions(DWORD a, DWORD b)
{
    if (a == b)
        return 0;
    return a < b ? -1 : 1;
}

int CompareKeys(const CCatDisplaySortItem& a, const CCatDisplaySortItem& b, bool byText)
{
    if (byText) {
        const int order = _wcsicmp(a.text, b.text);
        if (order != 0)
            return order;
    } else if (a.number != b.number) {
        return a.number < b.number ? -1 : 1;
    }
    return ComparePositions(a.position, b.position);
}

// The Shell sort itself, over any entry type: every caller walks the same gaps in the same way,
// so equal comparisons give equal orders.
template <typename Entry, typename Before>
void ShellSort(std::vector<Entry>& entries, Before before, std::vector<size_t>* gaps)
{
    const size_t n = entries.size();
    for (size_t h = GetShellSortStartGap(n); h > 0; h /= 3) {
        if (gaps)
            gaps->push_back(h);
        for (size_t i = h; i < n; ++i) {
            Entry moving = std::move(entries[i]);
            size_t j = i;
            while (j >= h && before(moving, entries[j - h])) {
                entries[j] = std::move(entries[j - h]);
                j -= h;
            }
            entries[j] = std::move(moving);
        }
    }
}

// _wcsicmp folds each character on its own with the C runtime's towlower (under the current
// locale) and stops at the first terminator. Folding each title once the same way, then comparing
// the folded code units as _wcsicmp compares its folded ones, gives the same sign for every pair:
// a sort of 50,000 titles makes about a million comparisons, and folding in each of them was most
// of its time.
std::wstring FoldLikeWcsicmp(const wchar_t* text)
{
    std::wstring folded(text);
    for (wchar_t& c : folded)
        c = static_cast<wchar_t>(towlower(c));
    return folded;
}

int CompareFolded(const wchar_t* a, const wchar_t* b)
{
    while (*a != 0 && *a == *b) {
        ++a;
        ++b;
    }
    return static_cast<int>(*a) - static_cast<int>(*b);
}

// A row as the text sort moves it: its folded title, its position before the sort and its index
// in the caller's list.
struct FoldedRow {
    const wchar_t* folded;
    DWORD position;
    size_t row;
};

void ShellSortByText(std::vector<CCatDisplaySortItem>& items, bool ascending, std::vector<size_t>* gaps)
{
    std::vector<std::wstring> folded;
    folded.reserve(items.size());
    for (const CCatDisplaySortItem& item : items)
        folded.push_back(FoldLikeWcsicmp(item.text));
    // The rows point into the folded titles, which no longer move.
    std::vector<FoldedRow> rows;
    rows.reserve(items.size());
    for (size_t i = 0; i < items.size(); ++i)
        rows.push_back({folded[i].c_str(), items[i].position, i});
    ShellSort(
        rows,
        [ascending](const FoldedRow& a, const FoldedRow& b) {
            int order = CompareFolded(a.folded, b.folded);
            if (order == 0)
                order = ComparePositions(a.position, b.position);
            return ascending ? order < 0 : order > 0;
        },
        gaps);
    std::vector<CCatDisplaySortItem> sorted;
    sorted.reserve(items.size());
    for (const FoldedRow& row : rows)
        sorted.push_back(std::move(items[row.row]));
    items = std::move(sorted);
}

}  // namespace

size_t GetShellSortStartGap(size_t count)
{
    if (count < kSmallListRows)
        return 1;
    if (count > kLargeListRows)
        return kLargeListStartGap;
    size_t h = 1;
    while (h < count)
        h = 3 * h + 1;
    return h / 9;
}

bool CatDisplaySortBefore(const CCatDisplaySortItem& a, const CCatDisplaySortItem& b, bool byText, bool ascending)
{
    const int order = CompareKeys(a, b, byText);
    return ascending ? order < 0 : order > 0;
}

void ShellSortDisplayItems(std::vector<CCatDisplaySortItem>& items, bool byText, bool ascending,
                           std::vector<size_t>* gaps)
{
    if (byText) {
        ShellSortByText(items, ascending, gaps);
        return;
    }
    ShellSort(
        items,
        [ascending](const CCatDisplaySortItem& a, const CCatDisplaySortItem& b) {
            return CatDisplaySortBefore(a, b, false, ascending);
        },
        gaps);
}
