#include "engine/catalog/files/MusicFileIdentity.h"

#include <cstring>

#include "classlib/com/UniqueHandle.h"
#include "engine/catalog/tags/ID3Tag.h"

namespace {

constexpr DWORD kSampleBytes = 800;
constexpr ULONGLONG kFirstSampleOffset = 4000;

// Folds a complete sample into the two halves: even 64-bit words into a, odd into b.
bool FoldSample(HANDLE file, ULONGLONG offset, ULONGLONG& a, ULONGLONG& b)
{
    LARGE_INTEGER position;
    position.QuadPart = static_cast<LONGLONG>(offset);
    BYTE sample[kSampleBytes];
    DWORD got = 0;
    if (!SetFilePointerEx(file, position, nullptr, FILE_BEGIN) ||
        !ReadFile(file, sample, kSampleBytes, &got, nullptr) || got != kSampleBytes)
        return false;
    for (DWORD word = 0; word < kSampleBytes / 8; ++word) {
        ULONGLONG value = 0;
        std::memcpy(&value, sample + word * 8, 8);
        (word % 2 == 0 ? a : b) ^= value;
    }
    return true;
}

}  // namespace

BOOL ComputeMusicFileId(const wchar_t* path, CMusicFileId* id)
{
    UniqueFile file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return FALSE;
    BYTE header[CID3Tag::kHeaderSize];
    DWORD got = 0;
    DWORD skip = 0;
    if (!ReadFile(file.get(), header, sizeof(header), &got, nullptr))
        return FALSE;
    if (got != sizeof(header) || !CID3Tag::ParseHeader(header, &skip))
        skip = 0;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size))
        return FALSE;
    const DWORD length = static_cast<DWORD>(size.QuadPart);
    ULONGLONG a = 0;
    ULONGLONG b = 0;
    bool folded = FoldSample(file.get(), ULONGLONG(skip) + kFirstSampleOffset, a, b);
    // Unsigned 32-bit arithmetic as stored identities were made with; a tag that claims more
    // than the file holds wraps around to a position past the end, which reads nothing.
    folded |= FoldSample(file.get(), static_cast<DWORD>(length - skip) / 2, a, b);
    if (!folded)
        return FALSE;
    BYTE bytes[CMusicFileId::kSize];
    std::memcpy(bytes, &a, 8);
    std::memcpy(bytes + 8, &b, 8);
    id->SetBytes(bytes);
    return TRUE;
}
