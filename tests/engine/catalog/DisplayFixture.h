// A catalog with its category manager and main display-item manager, all aggregated with the
// test engine as the engine main object aggregates them, over WAV files made for the test.
#pragma once

#include <string>
#include <vector>

#include "engine/catalog/categories/CategoryManager.h"
#include "engine/catalog/display/CatDisplayItemMgr.h"
#include "engine/catalog/ids/ItemIdList.h"
#include "tests/engine/catalog/CatalogTestSupport.h"

namespace catalog_test {

class DisplayFixture {
public:
    DisplayFixture() { OpenManagers(); }
    ~DisplayFixture() { CloseManagers(); }
    DisplayFixture(const DisplayFixture&) = delete;
    DisplayFixture& operator=(const DisplayFixture&) = delete;

    void OpenManagers()
    {
        categories = new CCategoryManager(catalog.Outer());
        catalog.engine.categoryManager = categories;
        manager = new CCatDisplayItemMgr(catalog.Outer());
        catalog.engine.displayItemMgr = manager;
        categories->Load((dataFolder() + L"\\").c_str());
    }
    void CloseManagers()
    {
        catalog.engine.displayItemMgr = nullptr;
        catalog.engine.categoryManager = nullptr;
        if (manager)
            manager->NonDelegatingRelease();
        if (categories)
            categories->NonDelegatingRelease();
        manager = nullptr;
        categories = nullptr;
    }
    // A restart of the program: managers and catalog closed and opened on the same files.
    void Restart()
    {
        CloseManagers();
        catalog.Reopen();
        OpenManagers();
    }
    std::wstring dataFolder() const
    {
        const std::wstring file = catalog.DataFile(L"x");
        return file.substr(0, file.size() - 2);
    }

    // A short WAV file made an item, with the title given; its id.
    DWORD AddWav(const std::wstring& name, const std::wstring& title = L"")
    {
        const std::wstring path = music.File(name);
        fixtures::WriteWav16(path, fixtures::Tone(440, 0.05, 44100, 1), 44100, 1);
        CCatItem* item = nullptr;
        if (!catalog.Catalog()->AddItemFromFile(path.c_str(), &item, FALSE))
            return CCatItem::kNotInCatalog;
        if (!title.empty()) {
            item->SetAttributeText(CatAttribute::Title, title.c_str());
            item->Save(FALSE);
        }
        const DWORD id = item->GetItemId();
        item->Release();
        return id;
    }

    // The ids the manager lists, in order.
    std::vector<DWORD> Listed(ICatDisplayItemMgr* from = nullptr)
    {
        ICatDisplayItemMgr* source = from ? from : manager;
        std::vector<DWORD> ids;
        int count = 0;
        source->GetCount(&count);
        for (int i = 0; i < count; ++i) {
            ComPtr<ICatDisplayItem> item;
            DWORD id = CCatItem::kNotInCatalog;
            if (source->GetItemAt(i, item.put()) == S_OK)
                item->GetId(&id);
            ids.push_back(id);
        }
        return ids;
    }

    // Everything in a queue, oldest first.
    static std::vector<std::pair<int, int>> Drain(IUiUpdateQueue* queue)
    {
        std::vector<std::pair<int, int>> messages;
        int code = 0;
        int value = 0;
        while (queue->PopUpdate(&code, &value) == S_OK)
            messages.push_back({code, value});
        return messages;
    }

    fixtures::TempDir music{L"display music"};
    CatalogFixture catalog;
    CCategoryManager* categories = nullptr;
    CCatDisplayItemMgr* manager = nullptr;
};

inline ComPtr<CItemIdList> IdList(const std::vector<DWORD>& ids)
{
    ComPtr<CItemIdList> list = ComPtr<CItemIdList>::attach(new CItemIdList());
    for (DWORD id : ids)
        list->Add(id);
    return list;
}

}  // namespace catalog_test
