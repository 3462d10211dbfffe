#include "engine/catalog/categories/CategoryText.h"

#include <vector>

namespace {

constexpr wchar_t kSeparator = L',';

std::vector<CString> SplitElements(const CString& text)
{
    std::vector<CString> elements;
    int start = 0;
    while (start <= text.GetLength()) {
        int end = text.Find(kSeparator, start);
        if (end < 0)
            end = text.GetLength();
        elements.push_back(text.Mid(start, end - start));
        start = end + 1;
    }
    return elements;
}

}  // namespace

bool HasCategoryName(const CString& text, const CString& name)
{
    if (text.IsEmpty())
        return false;
    for (const CString& element : SplitElements(text))
        if (element == name)
            return true;
    return false;
}

CString AppendCategoryName(const CString& text, const CString& name)
{
    if (text.IsEmpty())
        return name;
    return text + L"," + name;
}

CString RemoveCategoryName(const CString& text, const CString& name)
{
    CString rebuilt;
    bool first = true;
    for (const CString& element : SplitElements(text)) {
        if (element == name || element.IsEmpty())
            continue;
        if (!first)
            rebuilt += L",";
        rebuilt += element;
        first = false;
    }
    return rebuilt;
}

bool IsStorableCategoryName(const CString& name)
{
    return !name.IsEmpty() && name.Find(kSeparator) < 0;
}
