// Names of the Windows Media header attributes this library reads and writes.
#pragma once

#include <windows.h>

#include <string>

namespace WmAttribute {

inline constexpr wchar_t kDuration[] = L"Duration";
inline constexpr wchar_t kTitle[] = L"Title";
inline constexpr wchar_t kAuthor[] = L"Author";
inline constexpr wchar_t kAlbumTitle[] = L"WM/AlbumTitle";
inline constexpr wchar_t kEncodingTime[] = L"WM/EncodingTime";

// The attribute of a catalog attribute flag (1 title, 2 album, 4 artist, 16 year, 32 genre,
// 256 tempo); NULL for any other id.
const wchar_t* NameOfCatalogId(DWORD id);

// Per-track attributes of a mixed file, numbered from 0 with at least three digits.
enum class SubItem { TrackEnd, Title, Author, AlbumTitle };
std::wstring SubItemName(SubItem kind, unsigned index);

}  // namespace WmAttribute
