#include "engine/catalog/display/CatDisplaySort.h"

#include <cwchar>
#include <utility>

namespace {

constexpr size_t kSmallListRows = 14;
constexpr size_t kLargeListRows = 29524;
constexpr size_t kLargeListStartGap = 3280;

int CompareKeys(const CCatDisplaySortItem& a, const CCatDisplaySortItem& b, bool byText)
{
    if (byText) {
        const int order = _wcsicmp(a.text, b.text);
        if (order != 0)
            return order;
    } else if (a.number != b.number) {
        return a.number < b.number ? -1 : 1;
    }
    if (a.position == b.position)
        return 0;
    return a.position < b.position ? -1 : 1;
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
    const size_t n = items.size();
    for (size_t h = GetShellSortStartGap(n); h > 0; h /= 3) {
        if (gaps)
            gaps->push_back(h);
        for (size_t i = h; i < n; ++i) {
            CCatDisplaySortItem moving = std::move(items[i]);
            size_t j = i;
            while (j >= h && CatDisplaySortBefore(moving, items[j - h], byText, ascending)) {
                items[j] = std::move(items[j - h]);
                j -= h;
            }
            items[j] = std::move(moving);
        }
    }
}
