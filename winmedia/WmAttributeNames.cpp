#include "winmedia/WmAttributeNames.h"

#include <cwchar>

namespace WmAttribute {

const wchar_t* NameOfCatalogId(DWORD id)
{
    switch (id) {
    case 1:
        return kTitle;
    case 2:
        return kAlbumTitle;
    case 4:
        return kAuthor;
    case 16:
        return L"WM/Year";
    case 32:
        return L"WM/Genre";
    case 256:
        return L"Kx/BPM";
    default:
        return nullptr;
    }
}

std::wstring SubItemName(SubItem kind, unsigned index)
{
    const wchar_t* format = L"Kx/SubItemTrackEnd:%.3u";
    switch (kind) {
    case SubItem::TrackEnd:
        break;
    case SubItem::Title:
        format = L"Kx/SubItemTitle:%.3u";
        break;
    case SubItem::Author:
        format = L"Kx/SubItemAuthor:%.3u";
        break;
    case SubItem::AlbumTitle:
        format = L"Kx/SubItemAlbumTitle:%.3u";
        break;
    }
    wchar_t name[64] = {};
    std::swprintf(name, std::size(name), format, index);
    return name;
}

}  // namespace WmAttribute
