#include "engine/catalog/import/TextListReader.h"

#include "engine/catalog/categories/CategoryManager.h"
#include "engine/catalog/items/CatItem.h"

namespace {

constexpr char kTab = '\t';

// The attribute of each column after the path.
constexpr WORD kColumnAttributes[TextListReader::kColumnCount] = {
    CatAttribute::Path, CatAttribute::Title, CatAttribute::Artist, CatAttribute::Album, CatAttribute::Bpm,
    CatAttribute::Year, CatAttribute::Genre, CatAttribute::Length, CatAttribute::Key,   CatAttribute::Categories};

// Position of the first CR LF in bytes[0, count), or -1.
int FindLineEnd(const char* bytes, DWORD count)
{
    for (DWORD i = 0; i + 1 < count; ++i)
        if (bytes[i] == '\r' && bytes[i + 1] == '\n')
            return static_cast<int>(i);
    return -1;
}

bool ReadAt(HANDLE file, ULONGLONG offset, char* buffer, DWORD* count)
{
    LARGE_INTEGER to;
    to.QuadPart = static_cast<LONGLONG>(offset);
    return SetFilePointerEx(file, to, nullptr, FILE_BEGIN) &&
           ReadFile(file, buffer, TextListReader::kMaxLineBytes, count, nullptr);
}

}  // namespace

BOOL TextListReader::Open(const wchar_t* path)
{
    m_lineStarts.clear();
    m_line.clear();
    m_file.reset(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!m_file)
        return FALSE;
    char buffer[kMaxLineBytes + 1];
    for (ULONGLONG offset = 0;;) {
        DWORD count = 0;
        if (!ReadAt(m_file.get(), offset, buffer, &count) || count == 0)
            break;
        const int end = FindLineEnd(buffer, count);
        if (end < 0)
            break;
        m_lineStarts.push_back(offset);
        offset += static_cast<ULONGLONG>(end) + 2;
    }
    return TRUE;
}

BOOL TextListReader::ReadLine(int index)
{
    m_line.clear();
    if (index < 0 || index >= GetLineCount())
        return FALSE;
    char buffer[kMaxLineBytes + 1];
    DWORD count = 0;
    if (!ReadAt(m_file.get(), m_lineStarts[static_cast<size_t>(index)], buffer, &count))
        return FALSE;
    const int end = FindLineEnd(buffer, count);
    if (end < 0)
        return FALSE;
    m_line.assign(buffer, buffer + end);
    return TRUE;
}

BOOL TextListReader::GetField(int index, CString* text) const
{
    size_t start = 0;
    for (int field = 0; field < index; ++field) {
        while (start < m_line.size() && m_line[start] != kTab)
            ++start;
        if (start >= m_line.size())
            return FALSE;
        ++start;
    }
    size_t end = start;
    while (end < m_line.size() && m_line[end] != kTab)
        ++end;
    if (end == start)
        return FALSE;
    const int bytes = static_cast<int>(end - start);
    const int length = MultiByteToWideChar(CP_ACP, 0, &m_line[start], bytes, nullptr, 0);
    std::vector<wchar_t> wide(static_cast<size_t>(length > 0 ? length : 0));
    if (length <= 0 || MultiByteToWideChar(CP_ACP, 0, &m_line[start], bytes, wide.data(), length) != length)
        return FALSE;
    *text = CString(wide.data(), length);
    return TRUE;
}

void TextListReader::ApplyLine(CCatItem* item, CCategoryManager* categories) const
{
    for (int column = 1; column < kColumnCount; ++column) {
        CString text;
        const bool has = GetField(column, &text) != FALSE;
        const WORD attribute = kColumnAttributes[column];
        if (attribute == CatAttribute::Categories && has) {
            if (categories)
                categories->SetItemCategories(item, text);
        } else {
            item->SetAttributeText(attribute, text);
        }
    }
}

CString TextListReader::StripQuotes(const CString& path)
{
    if (path.GetLength() > 1 && path[0] == L'"' && path[path.GetLength() - 1] == L'"')
        return path.Mid(1, path.GetLength() - 2);
    return path;
}
