#include "ProgramCatalog.h"

#include <gtest/gtest.h>

#include "classlib/com/ComPtr.h"
#include "engine/catalog/catalog/Catalog.h"
#include "engine/catalog/ids/ItemIdList.h"
#include "engine/catalog/items/CatItem.h"
#include "engine/core/mix/MixDocument.h"
#include "engine/core/storage/MusicFileIdObjStore.h"
#include "engine/core/server/Factory.h"
#include "interfaces/EngineIids.h"
#include "interfaces/IBrennock.h"

namespace {

class InProcessEngine {
public:
    InProcessEngine()
    {
        ComPtr<IClassFactory> factory;
        if (FAILED(CFactory::GetClassObject(CLSID_BrennockMain, IID_IClassFactory, factory.put_void())) ||
            FAILED(factory->CreateInstance(nullptr, IID_IBrennock, m_engine.put_void())) ||
            FAILED(m_engine->Initialize(nullptr, nullptr, kMixVersionCurrent, 0x40000))) {
            m_engine.reset();
            return;
        }
        ComPtr<ICatalog> answer;
        if (SUCCEEDED(m_engine->QueryInterface(EngineIid::CatalogInternal, answer.put_void())) && answer)
            m_catalog = static_cast<CCatalog*>(answer.get());
    }
    ~InProcessEngine()
    {
        if (m_engine)
            m_engine->Shutdown();
    }
    InProcessEngine(const InProcessEngine&) = delete;
    InProcessEngine& operator=(const InProcessEngine&) = delete;

    CCatalog* Catalog() const { return m_catalog; }

private:
    ComPtr<IBrennock> m_engine;
    // Held through the engine, which answers for it while it lives.
    CCatalog* m_catalog = nullptr;
};

}  // namespace

void ForgetCatalogFiles(const std::vector<std::wstring>& paths)
{
    InProcessEngine engine;
    if (!engine.Catalog())
        return;
    auto* ids = new CItemIdList();
    for (const std::wstring& path : paths) {
        CCatItem* item = nullptr;
        if (engine.Catalog()->FindItemByPath(path.c_str(), &item)) {
            engine.Catalog()->DeleteDefaultMix(item->GetMusicFileId());
            // The analysis is kept by file identity, which generated files share from run to run:
            // without this a later run would take over an analysis an older build made.
            if (CMusicFileIdObjStore* profiles = engine.Catalog()->GetProfileStore())
                profiles->RemoveObject(item->GetMusicFileId());
            ids->Add(item->GetItemId());
            item->Release();
        }
    }
    if (ids->GetCount() > 0) {
        EXPECT_EQ(engine.Catalog()->DeleteItems(ids, FALSE), S_OK);
    }
    ids->Release();
}
