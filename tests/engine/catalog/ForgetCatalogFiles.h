// Tests that make music files of their own leave the catalog as they found it: the files' items,
// their default mixes and their stored analysis go. The analysis is kept by file identity, which
// generated files share from run to run and from one test program to another: left behind, a
// later test would take over an analysis made of another file or by an older build.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/catalog/catalog/Catalog.h"
#include "engine/catalog/ids/ItemIdList.h"
#include "engine/catalog/items/CatItem.h"
#include "engine/core/storage/MusicFileIdObjStore.h"

namespace catalogtest {

inline void ForgetCatalogFiles(CCatalog* catalog, const std::vector<std::wstring>& paths)
{
    auto* ids = new CItemIdList();
    for (const std::wstring& path : paths) {
        CCatItem* item = nullptr;
        if (catalog->FindItemByPath(path.c_str(), &item)) {
            catalog->DeleteDefaultMix(item->GetMusicFileId());
            if (CMusicFileIdObjStore* profiles = catalog->GetProfileStore())
                profiles->RemoveObject(item->GetMusicFileId());
            ids->Add(item->GetItemId());
            item->Release();
        }
    }
    if (ids->GetCount() > 0) {
        EXPECT_EQ(catalog->DeleteItems(ids, FALSE), S_OK);
    }
    ids->Release();
}

}  // namespace catalogtest
