// The registered clipboard formats under which id lists travel, one per kind of id. Each name is
// registered by every list built with it; the number is the same for the whole session.
#pragma once

inline constexpr wchar_t kCatalogItemIdsFormat[] = L"Carrowfold Catalog Item Ids";
inline constexpr wchar_t kTrackIdsFormat[] = L"Carrowfold Track Ids";
inline constexpr wchar_t kEditTrackIdsFormat[] = L"Carrowfold Edit Track Ids";
inline constexpr wchar_t kTrackObjectIdsFormat[] = L"Carrowfold Track Object Ids";
inline constexpr wchar_t kVideoClipIdsFormat[] = L"Carrowfold Video Clip Ids";
