// The mix manager's export entries over a laid-out mix of four tracks (one of them an overlay) with
// label markers: in each mode the entries the mode asks for, sorted, the last primary track's at
// the mix end, each named from its track's catalog item.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "engine/catalog/analysis/ProfileSource.h"
#include "engine/core/mix/MixTrackSource.h"
#include "engine/core/track/Marker.h"
#include "engine/playback/output/PlayerOutputExportInfo.h"
#include "engine/playback/playmgr/PlayManager.h"
#include "interfaces/ICatDisplayItem.h"
#include "tests/engine/core/mix/MixManagerFixture.h"

namespace {

using mixtest::IdList;
using mixtest::MixManagerTest;

struct Names {
    std::wstring title;
    std::wstring artist;
    std::wstring album;
};

// A catalog item as the mix manager reaches it: the track's file source, which answers the
// display item's attributes (title 1, album 2, artist 4).
class NamedItem : public IProfileSource, public ICatDisplayItem {
public:
    explicit NamedItem(const Names& names) : m_names(names) {}
    virtual ~NamedItem() = default;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        *object = nullptr;
        if (IsEqualIID(iid, IID_ICatDisplayItem))
            *object = static_cast<ICatDisplayItem*>(this);
        else if (IsEqualIID(iid, IID_IUnknown))
            *object = static_cast<IProfileSource*>(this);
        else
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs)); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(InterlockedDecrement(&refs)); }
    DWORD STDMETHODCALLTYPE GetItemId() override { return 0; }
    HRESULT STDMETHODCALLTYPE OpenPcmReader(BOOL, IPcmReader**) override { return E_FAIL; }
    BOOL STDMETHODCALLTYPE ComputeMusicFileId(CMusicFileId*) override { return FALSE; }
    HRESULT STDMETHODCALLTYPE GetAttribute(WORD attribute, BSTR* text) override
    {
        const std::wstring* value = attribute == 1   ? &m_names.title
                                    : attribute == 2 ? &m_names.album
                                    : attribute == 4 ? &m_names.artist
                                                     : nullptr;
        if (!value || value->empty())
            return E_FAIL;
        *text = SysAllocString(value->c_str());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetAttribute(WORD, BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetId(DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Unused6() override { return S_FALSE; }
    HRESULT STDMETHODCALLTYPE GetDuration(LONGLONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetBlob(int, BYTE*, DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetFlags(DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetFileId(IMusicFileId*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetKey(WORD*, WORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetKey(WORD, WORD) override { return E_NOTIMPL; }
    volatile LONG refs = 1;

private:
    Names m_names;
};

// The catalog seam: each track's item by its catalog item id.
class NamedFiles : public IMixTrackSource {
public:
    BOOL GetTrackItem(CTrackInfo& track, IProfileSource** item) override
    {
        LONG id = -1;
        track.GetCatalogItemId(&id);
        const auto found = items.find(id);
        if (found == items.end())
            return FALSE;
        found->second->AddRef();
        *item = found->second;
        return TRUE;
    }
    BOOL GetTrackItemFlags(CTrackInfo&, int* flags) override
    {
        *flags = 1;
        return TRUE;
    }
    void TouchTrackPlot(CTrackInfo&) override {}
    std::map<LONG, NamedItem*> items;
};

class ExportListTest : public MixManagerTest {
protected:
    void SetUp() override
    {
        MixManagerTest::SetUp();
        for (LONG item = 11; item <= 14; ++item)
            m_items.emplace_back(Names{L"Title " + std::to_wstring(item), L"Artist " + std::to_wstring(item),
                                       item == 14 ? L"" : L"Album " + std::to_wstring(item)});
        for (size_t i = 0; i < m_items.size(); ++i)
            m_files.items[static_cast<LONG>(11 + i)] = &m_items[i];
        Manager().SetCatalogSources(&m_results, &m_files);
        // Ids 1 to 4, catalog items 11 to 14; track 3 becomes an overlay.
        Insert({Track(120, 11), Track(126, 12), Track(100, 13), Track(110, 14)}, 0);
        ASSERT_EQ(Manager().MakeOverlayTracks(IdList({3}).get()), S_OK);
        ASSERT_FALSE(At(3).IsPrimary());
    }
    void TearDown() override
    {
        Manager().SetCatalogSources(nullptr, nullptr);
        MixManagerTest::TearDown();
    }
    CTrackInfo* Track(float bpm, LONG item)
    {
        const mixtest::SyntheticTrack spec{bpm, 24, 0, 2, 18, 2, kMixingBeat};
        const CProfileResults results = mixtest::MakeResults(spec, static_cast<int>(bpm));
        m_results.Add(results);
        CTrackInfo* track = mixtest::MakeTrack(spec, results, -1);
        track->SetCatalogItemId(item);
        return track;
    }
    CTrackInfo& At(LONG id)
    {
        CTrackInfo* track = nullptr;
        Manager().Tracks().FindById(id, &track);
        return *track;
    }
    // The mix time of the track's first or last end marker, read from its markers one by one.
    LONGLONG OutroMixTime(LONG id, bool last)
    {
        CTrackObjContainer& objects = At(id).MainObjects();
        bool any = false;
        LONGLONG found = 0;
        for (int i = 0; i < objects.GetCount(); ++i) {
            const CTrackObj* o = objects.GetAt(i);
            if (o->Matches(kTrackObjMarker, kMarkerEnd) &&
                (!any || (last ? o->GetStart() > found : o->GetStart() < found))) {
                found = o->GetStart();
                any = true;
            }
        }
        LONGLONG mixTime = 0;
        EXPECT_TRUE(any && SUCCEEDED(At(id).TrackTimeToMixTime(found, &mixTime))) << "track " << id;
        return mixTime;
    }
    LONGLONG MixEnd() { return Manager().GetLivePlayManager()->GetPlayList().GetLatestEndTime(); }

    mixtest::CResultsTable m_results;
    std::vector<NamedItem> m_items;
    NamedFiles m_files;
};

struct Entry {
    LONGLONG position;
    std::wstring title;
    std::wstring artist;
    std::wstring album;
    // Positions agree within a microsecond: a label placed at a mix time is kept in track time,
    // and the way back rounds.
    bool operator==(const Entry& other) const
    {
        return std::abs(position - other.position) <= 1 && title == other.title && artist == other.artist &&
               album == other.album;
    }
};

std::ostream& operator<<(std::ostream& out, const Entry& e)
{
    return out << e.position << " \"" << std::string(e.title.begin(), e.title.end()) << "\"/\""
               << std::string(e.artist.begin(), e.artist.end()) << "\"/\""
               << std::string(e.album.begin(), e.album.end()) << "\"";
}

std::vector<Entry> Entries(const CPlayerOutputExportInfo& info)
{
    std::vector<Entry> entries;
    LONGLONG position = 0;
    CString title;
    CString artist;
    CString album;
    for (int i = 0; info.GetItem(i, &position, &title, &artist, &album); ++i)
        entries.push_back({position, title.GetString(), artist.GetString(), album.GetString()});
    return entries;
}

TEST_F(ExportListTest, EachModeListsItsPrimaryTrackEntriesSortedWithTheLastAtTheMixEnd)
{
    // Labels on the first primary track, the overlay and the last primary track, at known mix
    // times; the first primary track's label lies after the second track's start.
    LONGLONG secondStart = 0;
    ASSERT_EQ(At(2).GetStartTime(&secondStart), S_OK);
    LONGLONG lastStart = 0;
    ASSERT_EQ(At(4).GetStartTime(&lastStart), S_OK);
    LONGLONG firstEnd = 0;
    ASSERT_EQ(At(1).GetEndTime(&firstEnd), S_OK);
    ASSERT_LT(secondStart + 1000000, firstEnd) << "the first two tracks overlap";
    const LONGLONG firstLabel = secondStart + 1000000;
    const LONGLONG earlyLabel = 3000000;
    LONGLONG overlayStart = 0;
    ASSERT_EQ(At(3).GetStartTime(&overlayStart), S_OK);
    const LONGLONG overlayLabel = overlayStart + 2000000;
    const LONGLONG lastLabel = lastStart + 4000000;
    ASSERT_EQ(At(1).AddMarker(firstLabel, kMarkerLabel), S_OK);
    ASSERT_EQ(At(1).AddMarker(earlyLabel, kMarkerLabel), S_OK);
    ASSERT_EQ(At(3).AddMarker(overlayLabel, kMarkerLabel), S_OK);
    ASSERT_EQ(At(4).AddMarker(lastLabel, kMarkerLabel), S_OK);
    ASSERT_GT(MixEnd(), lastLabel);

    const auto entry = [](LONGLONG at, int item) {
        const std::wstring n = std::to_wstring(item);
        return Entry{at, L"Title " + n, L"Artist " + n, item == 14 ? L"" : L"Album " + n};
    };
    struct Case {
        const char* name;
        int mode;
        std::vector<Entry> expected;
    };
    const std::vector<Case> cases = {
        {"outro starts",
         CPlayerOutputExportInfo::kOutroStarts,
         {entry(OutroMixTime(1, false), 11), entry(OutroMixTime(2, false), 12), entry(MixEnd(), 14)}},
        {"track ends",
         CPlayerOutputExportInfo::kTrackEnds,
         {entry(OutroMixTime(1, true), 11), entry(OutroMixTime(2, true), 12), entry(MixEnd(), 14)}},
        {"label markers",
         CPlayerOutputExportInfo::kLabelMarkers,
         {entry(earlyLabel, 11), entry(firstLabel, 11), entry(lastLabel, 14), entry(MixEnd(), 14)}},
    };
    for (const Case& c : cases) {
        CPlayerOutputExportInfo info;
        info.AddItem(1, L"left over", L"", L"");
        ASSERT_EQ(Manager().BuildExportTrackList(c.mode, &info), S_OK) << c.name;
        EXPECT_EQ(Entries(info), c.expected) << c.name;
    }
    // The outro start lies before the outro end: the modes differ where it matters.
    EXPECT_LT(OutroMixTime(1, false), OutroMixTime(1, true));

    CPlayerOutputExportInfo info;
    EXPECT_EQ(Manager().BuildExportTrackList(3, &info), E_INVALIDARG);
    EXPECT_EQ(info.GetCount(), 0);
    EXPECT_EQ(Manager().BuildExportTrackList(1, nullptr), E_POINTER);
}

TEST_F(ExportListTest, TracksWithoutACatalogItemHaveEmptyTexts)
{
    m_files.items.erase(12);
    std::vector<LONG> refs;
    for (const NamedItem& item : m_items)
        refs.push_back(static_cast<LONG>(item.refs));
    CPlayerOutputExportInfo info;
    ASSERT_EQ(Manager().BuildExportTrackList(CPlayerOutputExportInfo::kTrackEnds, &info), S_OK);
    const std::vector<Entry> entries = Entries(info);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[1], (Entry{OutroMixTime(2, true), L"", L"", L""}));
    for (size_t i = 0; i < m_items.size(); ++i)
        EXPECT_EQ(m_items[i].refs, refs[i]) << "every item reference handed out was released";
}

}  // namespace
