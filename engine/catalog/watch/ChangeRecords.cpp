#include "engine/catalog/watch/ChangeRecords.h"

#include <cstring>

namespace {

// NextEntryOffset, Action and FileNameLength, then the name (UTF-16, not terminated).
constexpr DWORD kHeaderBytes = 3 * sizeof(DWORD);

DWORD ReadDword(const BYTE* at)
{
    DWORD value = 0;
    std::memcpy(&value, at, sizeof value);
    return value;
}

}  // namespace

std::vector<CString> ReadChangeRecordNames(const BYTE* buffer, DWORD bytes)
{
    std::vector<CString> names;
    DWORD offset = 0;
    while (buffer && bytes >= kHeaderBytes && offset <= bytes - kHeaderBytes) {
        const BYTE* record = buffer + offset;
        const DWORD next = ReadDword(record);
        const DWORD nameBytes = ReadDword(record + 2 * sizeof(DWORD));
        if (nameBytes > bytes - offset - kHeaderBytes)
            break;
        std::vector<wchar_t> name(nameBytes / sizeof(wchar_t) + 1, L'\0');
        std::memcpy(name.data(), record + kHeaderBytes, nameBytes / sizeof(wchar_t) * sizeof(wchar_t));
        names.emplace_back(name.data());
        if (next == 0 || next > bytes - offset)
            break;
        offset += next;
    }
    return names;
}
