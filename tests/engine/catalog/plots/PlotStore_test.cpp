#include <gtest/gtest.h>

#include "engine/catalog/plots/PlotStore.h"

namespace {

// 25600 Hz with 256-frame blocks: 100 blocks per second, one block every 10,000 microseconds.
// Ten blocks of 10, 20, ... 100; the track is 100,000 microseconds long.
CPlotStore* MakeStore()
{
    CPlotStore* store = new CPlotStore(42, 25600, 100000);
    std::vector<BYTE> bytes;
    for (int i = 1; i <= 10; ++i)
        bytes.push_back(static_cast<BYTE>(10 * i));
    store->Load(bytes, 256);
    return store;
}

}  // namespace

TEST(PlotStore, PeakIsTheMeanOfTheBlocksTheSpanCovers)
{
    CPlotStore* store = MakeStore();
    struct Case {
        const char* name;
        LONGLONG start;
        LONGLONG end;
        BOOL wrap;
        BYTE peak;
        BOOL crosses;
    } cases[] = {
        {"inside block 1", 10000, 14000, FALSE, 20, FALSE},
        {"blocks 0 to 3", 0, 40000, FALSE, 25, FALSE},
        {"rounded to the nearest block", 4999, 25001, FALSE, 20, FALSE},
        {"end in the second half of the last block", 90000, 95001, FALSE, 0, FALSE},
        {"end in the first half of the last block", 90000, 94000, FALSE, 100, FALSE},
        {"reversed", 40000, 10000, FALSE, 0, FALSE},
        {"negative end", -20000, -1, FALSE, 0, FALSE},
        {"start past the end", 100001, 200000, FALSE, 0, FALSE},
        {"negative start reads from the first block", -20000, 20000, FALSE, 15, FALSE},
        {"wrap: second lap", 110000, 140000, TRUE, 30, FALSE},
        {"wrap: across the end", 90000, 110000, TRUE, 0, TRUE},
        {"wrap: negative start, positive end", -10000, 10000, TRUE, 0, TRUE},
        {"wrap: both negative in one lap", -90000, -60000, TRUE, 30, FALSE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BYTE peak = 99;
        BOOL crosses = 7;
        EXPECT_EQ(store->GetPeak(c.start, c.end, c.wrap, &peak, &crosses), S_OK);
        EXPECT_EQ(peak, c.peak);
        EXPECT_EQ(crosses, c.crosses);
    }
    store->Release();
}

TEST(PlotStore, UnloadedStoreGivesZero)
{
    CPlotStore* store = new CPlotStore(1, 0, 0);
    BYTE peak = 5;
    EXPECT_EQ(store->GetPeak(0, 0, FALSE, &peak, nullptr), S_OK);
    EXPECT_EQ(peak, 0);
    EXPECT_FALSE(store->IsLoaded());
    DWORD id = 0;
    EXPECT_EQ(store->GetId(&id), S_OK);
    EXPECT_EQ(id, 1u);
    store->Release();
}

TEST(PlotStore, QueryInterfaceAndCounts)
{
    CPlotStore* store = MakeStore();
    void* object = reinterpret_cast<void*>(0x1234);
    EXPECT_EQ(store->QueryInterface(IID_IDispatch, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    IUnknown* unknown = nullptr;
    ASSERT_EQ(store->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
    EXPECT_EQ(unknown, static_cast<IUnknown*>(static_cast<ITrackPlot*>(store)));
    EXPECT_EQ(store->RefCount(), 2);
    EXPECT_EQ(unknown->Release(), 1u);
    EXPECT_EQ(store->Release(), 0u);
}
