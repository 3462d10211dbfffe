#include "engine/playback/graph/PlayerInput.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

// A stage that counts its destructions.
class CountingStage : public CPlayerInput {
public:
    explicit CountingStage(int* destroyed) : m_destroyed(destroyed) {}
    ~CountingStage() override { ++*m_destroyed; }
    void SetActiveFlag(bool on) { m_active = on ? 1 : 0; }

private:
    int* m_destroyed;
};

TEST(PlayerInput, QueryInterfaceFailsForEveryIid)
{
    int destroyed = 0;
    auto* stage = new CountingStage(&destroyed);
    const IID* iids[] = {&IID_IUnknown, &IID_IClassFactory, &IID_IMarshal};
    for (const IID* iid : iids) {
        void* out = reinterpret_cast<void*>(0x1234);  // poisoned
        EXPECT_EQ(stage->QueryInterface(*iid, &out), E_NOINTERFACE);
        EXPECT_EQ(out, nullptr);
    }
    EXPECT_EQ(stage->QueryInterface(IID_IUnknown, nullptr), E_NOINTERFACE);
    stage->Release();
}

TEST(PlayerInput, BaseSlotsDoNothing)
{
    int destroyed = 0;
    auto* stage = new CountingStage(&destroyed);
    BYTE buffer[16];
    std::memset(buffer, 0xAB, sizeof(buffer));
    EXPECT_EQ(stage->Read(buffer, sizeof(buffer)), S_OK);
    for (BYTE b : buffer)
        EXPECT_EQ(b, 0xAB);
    WAVEFORMATEX format = {};
    LONGLONG length = 77;
    EXPECT_EQ(stage->GetFormat(&format), E_FAIL);
    EXPECT_EQ(stage->GetLength(&length), E_FAIL);
    EXPECT_EQ(length, 77);
    EXPECT_EQ(stage->Seek(100), E_FAIL);
    EXPECT_EQ(stage->IsFlagSet(), S_FALSE);
    EXPECT_EQ(stage->IsActive(), S_FALSE);
    EXPECT_EQ(stage->SetActive(TRUE), S_OK);
    EXPECT_EQ(stage->IsActive(), S_FALSE);  // the base leaves the flag alone
    stage->SetActiveFlag(true);
    EXPECT_EQ(stage->IsActive(), S_OK);
    EXPECT_EQ(stage->SetBufferedBytes(4096), S_OK);
    EXPECT_EQ(stage->OpenSource(), S_OK);
    EXPECT_EQ(stage->CloseSource(), S_OK);
    EXPECT_EQ(stage->IsDataReady(), S_OK);
    EXPECT_EQ(stage->Disconnect(), S_OK);
    EXPECT_EQ(stage->Rewind(), S_OK);
    EXPECT_EQ(stage->HasDiscontinuity(), 0);
    stage->EnableActivation(TRUE);
    stage->Release();
}

TEST(PlayerInput, LastReleaseDestroysExactlyOnce)
{
    int destroyed = 0;
    auto* stage = new CountingStage(&destroyed);
    EXPECT_EQ(stage->AddRef(), 2u);
    EXPECT_EQ(stage->AddRef(), 3u);
    EXPECT_EQ(stage->Release(), 2u);
    EXPECT_EQ(stage->Release(), 1u);
    EXPECT_EQ(destroyed, 0);
    EXPECT_EQ(stage->Release(), 0u);
    EXPECT_EQ(destroyed, 1);
}

TEST(PlayerInput, DeleteThisWithoutFreeRunsOnlyTheDestructor)
{
    int destroyed = 0;
    alignas(CountingStage) unsigned char storage[sizeof(CountingStage)];
    auto* stage = new (storage) CountingStage(&destroyed);
    stage->DeleteThis(0);
    EXPECT_EQ(destroyed, 1);
}

}  // namespace
