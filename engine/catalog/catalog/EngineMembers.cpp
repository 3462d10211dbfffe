#include "engine/catalog/catalog/EngineMembers.h"

#include "engine/catalog/catalog/Catalog.h"
#include "engine/catalog/categories/CategoryManager.h"
#include "engine/catalog/display/CatDisplayItemMgr.h"
#include "interfaces/EngineIids.h"
#include "interfaces/IUiUpdateQueue.h"

namespace {

// Each engine IID answers the object's own interface table; the object behind it is the class.
template <typename Class, typename Interface>
Class* Reach(IUnknown* outer, REFIID iid, ComPtr<IUnknown>& hold)
{
    hold.reset();
    if (!outer || FAILED(outer->QueryInterface(iid, hold.put_void())) || !hold)
        return nullptr;
    return static_cast<Class*>(reinterpret_cast<Interface*>(hold.get()));
}

}  // namespace

CCatalog* ReachCatalog(IUnknown* outer, ComPtr<IUnknown>& hold)
{
    return Reach<CCatalog, ICatalog>(outer, EngineIid::CatalogInternal, hold);
}

CCategoryManager* ReachCategoryManager(IUnknown* outer, ComPtr<IUnknown>& hold)
{
    return Reach<CCategoryManager, ICategoryManager>(outer, EngineIid::CategoryManager, hold);
}

CCatDisplayItemMgr* ReachMainDisplayItemMgr(IUnknown* outer, ComPtr<IUnknown>& hold)
{
    return Reach<CCatDisplayItemMgr, ICatDisplayItemMgr>(outer, EngineIid::CatDisplayItemMgrInternal, hold);
}

void RefreshDisplayLists(IUnknown* outer)
{
    ComPtr<IUnknown> hold;
    if (CCatDisplayItemMgr* manager = ReachMainDisplayItemMgr(outer, hold))
        manager->Refresh();
}

void PostToQueueGroup(IUnknown* outer, int code, int value, BOOL coalesceByCode)
{
    ComPtr<IUiUpdateQueue> queue;
    if (outer && SUCCEEDED(outer->QueryInterface(IID_IUiUpdateQueue, queue.put_void())) && queue)
        queue->PostUpdate(code, value, coalesceByCode);
}
