#include "engine/catalog/tags/TagReader.h"

#include <cstring>

#include "classlib/com/UniqueHandle.h"
#include "engine/catalog/items/CatItem.h"
#include "engine/catalog/tags/ID3Tag.h"

namespace {

constexpr DWORD kV1Size = 128;
constexpr DWORD kV1FieldSize = 30;
constexpr DWORD kV1YearSize = 4;
constexpr DWORD kTrailerSignatureSize = 48;
constexpr DWORD kTrailerStart = 7936;
constexpr WORD kMaxTrailerEntry = 256;

CString FromAnsi(const char* text)
{
    CString out;
    const int length = static_cast<int>(std::strlen(text));
    if (length == 0)
        return out;
    const int chars = MultiByteToWideChar(CP_ACP, 0, text, length, nullptr, 0);
    if (chars > 0)
        MultiByteToWideChar(CP_ACP, 0, text, length, out.GetBufferSetLength(chars), chars);
    return out;
}

// A field copied into a zeroed buffer with its trailing blanks removed: from the end, zero bytes
// are passed over, blanks become zero, and any other byte stops.
CString V1Field(const BYTE* field, DWORD size)
{
    char buffer[32] = {};
    std::memcpy(buffer, field, size);
    for (int i = static_cast<int>(size) - 1; i >= 0; --i) {
        if (buffer[i] == 0)
            continue;
        if (buffer[i] != ' ')
            break;
        buffer[i] = 0;
    }
    return FromAnsi(buffer);
}

bool ReadAt(HANDLE file, LONGLONG offset, void* buffer, DWORD count)
{
    LARGE_INTEGER position;
    position.QuadPart = offset;
    DWORD got = 0;
    return SetFilePointerEx(file, position, nullptr, FILE_BEGIN) && ReadFile(file, buffer, count, &got, nullptr) &&
           got == count;
}

BOOL ReadId3v2(const wchar_t* path, CCatItem* item)
{
    CID3Tag tag;
    if (tag.Read(path) != S_OK)
        return FALSE;
    constexpr struct {
        char id[5];
        WORD attribute;
    } kFrames[] = {{"TIT2", CatAttribute::Title},
                   {"TALB", CatAttribute::Album},
                   {"TPE1", CatAttribute::Artist},
                   {"TYER", CatAttribute::Year},
                   {"TCON", CatAttribute::Genre}};
    BOOL named = FALSE;
    for (const auto& frame : kFrames) {
        CString text;
        if (FAILED(tag.GetText(frame.id, &text)))
            continue;
        item->SetAttributeText(frame.attribute, text);
        if (!text.IsEmpty() && (frame.attribute == CatAttribute::Title || frame.attribute == CatAttribute::Artist))
            named = TRUE;
    }
    return named;
}

BOOL ReadId3v1(HANDLE file, LONGLONG size, CCatItem* item)
{
    BYTE tag[kV1Size];
    if (size <= kV1Size || !ReadAt(file, size - kV1Size, tag, kV1Size) || std::memcmp(tag, "TAG", 3) != 0)
        return FALSE;
    const CString title = V1Field(tag + 3, kV1FieldSize);
    const CString artist = V1Field(tag + 33, kV1FieldSize);
    const CString album = V1Field(tag + 63, kV1FieldSize);
    item->SetAttributeText(CatAttribute::Title, title);
    item->SetAttributeText(CatAttribute::Artist, artist);
    item->SetAttributeText(CatAttribute::Album, album);
    item->SetAttributeText(CatAttribute::Year, V1Field(tag + 93, kV1YearSize));
    return !title.IsEmpty() || !album.IsEmpty() || !artist.IsEmpty();
}

BOOL ReadTrailer(HANDLE file, LONGLONG size, CCatItem* item)
{
    char signature[5];
    // A block that would start before the file does is no block.
    if (size <= kTrailerSignatureSize || size < kTrailerStart ||
        !ReadAt(file, size - kTrailerSignatureSize, signature, sizeof(signature)) ||
        std::memcmp(signature, "Zered", 5) != 0)
        return FALSE;
    constexpr WORD kAttributes[] = {CatAttribute::Title, CatAttribute::Album, CatAttribute::Artist};
    LONGLONG offset = size - kTrailerStart;
    BOOL any = FALSE;
    for (WORD attribute : kAttributes) {
        BYTE lengthBytes[2];
        if (!ReadAt(file, offset, lengthBytes, 2))
            return FALSE;
        const WORD length = static_cast<WORD>(lengthBytes[0] | (lengthBytes[1] << 8));
        if (length > kMaxTrailerEntry)
            return FALSE;
        char text[kMaxTrailerEntry + 1] = {};
        if (length > 0 && !ReadAt(file, offset + 2, text, length))
            return FALSE;
        const CString value = FromAnsi(text);
        item->SetAttributeText(attribute, value);
        any |= !value.IsEmpty();
        offset += 2 + length;
    }
    return any;
}

}  // namespace

BOOL ReadTagsFromFile(const wchar_t* path, CCatItem* item)
{
    if (ReadId3v2(path, item))
        return TRUE;
    UniqueFile file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    if (!file || !GetFileSizeEx(file.get(), &size))
        return FALSE;
    if (ReadId3v1(file.get(), size.QuadPart, item))
        return TRUE;
    return ReadTrailer(file.get(), size.QuadPart, item);
}
