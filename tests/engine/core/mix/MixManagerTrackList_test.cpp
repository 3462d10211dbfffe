// The track list operations of the mix manager: each edit is one undo step that gives back
// exactly the mix before it, and redo the one after; positions and clipboard data from outside
// are untrusted.
#include <gtest/gtest.h>

#include <ole2.h>

#include <algorithm>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "classlib/core/Archive.h"
#include "classlib/core/File.h"
#include "classlib/core/MemFile.h"
#include "engine/core/track/EfxClip.h"
#include "engine/core/track/Marker.h"
#include "engine/core/track/Segment.h"
#include "engine/core/track/StoredTimes.h"
#include "tests/engine/core/mix/MixManagerFixture.h"
#include "tests/engine/core/mix/SampleMix.h"
#include "tests/support/Programs.h"

namespace {

using mixtest::IdList;
using mixtest::MixManagerTest;

class TrackListTest : public MixManagerTest {
protected:
    void SetUp() override
    {
        MixManagerTest::SetUp();
        // Ids 1 to 4, tempos out of order.
        Insert({NewTrack(126), NewTrack(100), NewTrack(120), NewTrack(110)}, 0);
    }
    int UndoCount() { return Manager().GetUndoStore()->GetUndoCount(); }
    int RedoCount() { return Manager().GetUndoStore()->GetRedoCount(); }
};

TEST_F(TrackListTest, EachEditIsOneUndoStepThatUndoAndRedoGiveBackExactly)
{
    struct Case {
        const char* name;
        std::function<HRESULT(IMixManager&)> edit;
        std::vector<LONG> ids;  // empty: any order of the four
    };
    const std::vector<Case> cases = {
        {"move two to the front",
         [](IMixManager& m) {
             return m.MoveTracks(IdList({3, 4}).get(), 0);
         },
         {3, 4, 1, 2}},
        {"move into the middle", [](IMixManager& m) { return m.MoveTracks(IdList({1}).get(), 3); }, {2, 3, 1, 4}},
        {"a position past the end moves to the end",
         [](IMixManager& m) { return m.MoveTracks(IdList({1}).get(), 99); },
         {2, 3, 4, 1}},
        {"a negative position moves to the end",
         [](IMixManager& m) { return m.MoveTracks(IdList({2}).get(), -3); },
         {1, 3, 4, 2}},
        {"remove",
         [](IMixManager& m) {
             return m.RemoveTracks(IdList({2, 3, 77}).get());
         },
         {1, 4}},
        {"sort the mix by ascending tempo",
         [](IMixManager& m) { return m.SortTracksByBpm(TRUE, nullptr); },
         {2, 4, 3, 1}},
        {"sort the mix by descending tempo",
         [](IMixManager& m) { return m.SortTracksByBpm(FALSE, nullptr); },
         {1, 3, 4, 2}},
        {"sort listed tracks where the first of them stands",
         [](IMixManager& m) {
             return m.SortTracksByBpm(FALSE, IdList({2, 3}).get());
         },
         {1, 3, 2, 4}},
        {"sort listed tracks that stand apart",
         [](IMixManager& m) {
             return m.SortTracksByBpm(TRUE, IdList({3, 1}).get());
         },
         {2, 3, 1, 4}},
        {"shuffle the mix", [](IMixManager& m) { return m.ShuffleTracks(nullptr); }, {}},
        {"shuffle listed tracks",
         [](IMixManager& m) {
             return m.ShuffleTracks(IdList({4, 2}).get());
         },
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<ComPtr<ITrackEditItem>> before = CopyMix();
        const std::vector<LONG> idsBefore = Ids();
        const int undo = UndoCount();
        ASSERT_EQ(c.edit(Manager()), S_OK);
        if (c.ids.empty()) {
            std::vector<LONG> sorted = Ids();
            std::sort(sorted.begin(), sorted.end());
            EXPECT_EQ(sorted, (std::vector<LONG>{1, 2, 3, 4}));
        } else {
            EXPECT_EQ(Ids(), c.ids);
        }
        EXPECT_EQ(UndoCount(), undo + 1);
        EXPECT_TRUE(Manager().IsModified());
        const std::vector<ComPtr<ITrackEditItem>> after = CopyMix();

        ASSERT_EQ(Manager().CanUndo(), S_OK);
        TakePosts();
        ASSERT_EQ(Manager().Undo(), S_OK);
        EXPECT_EQ(Ids(), idsBefore);
        ExpectMixEquals(before);
        EXPECT_EQ(UndoCount(), undo);
        EXPECT_EQ(RedoCount(), 1);
        EXPECT_TRUE(Manager().IsModified()) << "undo keeps the flag";
        const std::vector<mixtest::Post> posts = TakePosts();
        EXPECT_NE(std::find(posts.begin(), posts.end(), mixtest::Post{9, 1}), posts.end());

        ASSERT_EQ(Manager().CanRedo(), S_OK);
        ASSERT_EQ(Manager().Redo(), S_OK);
        ExpectMixEquals(after);
        EXPECT_EQ(UndoCount(), undo + 1);
        EXPECT_EQ(Manager().CanRedo(), S_FALSE);
        // Back to the start for the next case, through undo again.
        ASSERT_EQ(Manager().Undo(), S_OK);
        ExpectMixEquals(before);
    }
}

TEST_F(TrackListTest, WhatChangesNothingWritesNoUndoStep)
{
    struct Case {
        const char* name;
        std::function<HRESULT(IMixManager&)> call;
        HRESULT result;
    };
    const std::vector<Case> cases = {
        {"remove an empty list", [](IMixManager& m) { return m.RemoveTracks(IdList({}).get()); }, S_FALSE},
        {"remove tracks not in the mix",
         [](IMixManager& m) {
             return m.RemoveTracks(IdList({9, 10}).get());
         },
         S_FALSE},
        {"move tracks not in the mix", [](IMixManager& m) { return m.MoveTracks(IdList({9}).get(), 0); }, S_FALSE},
        {"move no list", [](IMixManager& m) { return m.MoveTracks(nullptr, 0); }, S_FALSE},
        {"sort a list whose first track is not in the mix",
         [](IMixManager& m) {
             return m.SortTracksByBpm(TRUE, IdList({9, 1, 2}).get());
         },
         S_OK},
        {"shuffle an empty list", [](IMixManager& m) { return m.ShuffleTracks(IdList({}).get()); }, S_OK},
        {"copy tracks not in the mix", [](IMixManager& m) { return m.CopyTracks(IdList({9}).get()); }, S_FALSE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<LONG> ids = Ids();
        const int undo = UndoCount();
        EXPECT_EQ(c.call(Manager()), c.result);
        EXPECT_EQ(Ids(), ids);
        EXPECT_EQ(UndoCount(), undo);
    }
}

TEST_F(TrackListTest, EnableTests)
{
    IMixManager& mix = Manager();
    EXPECT_EQ(mix.CanSortTracks(nullptr), S_OK);
    EXPECT_EQ(mix.CanSortTracks(IdList({2}).get()), S_FALSE) << "a list of one";
    EXPECT_EQ(mix.CanSortTracks(IdList({2, 3}).get()), S_OK);
    EXPECT_EQ(mix.CanShuffleTracks(IdList({}).get()), S_FALSE);
    EXPECT_EQ(mix.CanShuffleTracks(nullptr), S_OK);
    EXPECT_EQ(mix.CanUndo(), S_FALSE) << "one snapshot is the current state";
    EXPECT_EQ(mix.CanRedo(), S_FALSE);
    EXPECT_EQ(mix.Undo(), S_FALSE);
    EXPECT_EQ(mix.Redo(), S_FALSE);
    EXPECT_EQ(UndoCount(), 1) << "a refused undo moves nothing";
    ASSERT_EQ(mix.RemoveTracks(IdList({1, 2, 3}).get()), S_OK);
    EXPECT_EQ(mix.CanSortTracks(nullptr), S_FALSE) << "a mix of one";
    EXPECT_EQ(mix.CanShuffleTracks(nullptr), S_FALSE);
    EXPECT_EQ(mix.CanUndo(), S_OK);
}

TEST_F(TrackListTest, AnUnreadableSnapshotLeavesMixStacksAndFlagAsTheyWere)
{
    ASSERT_EQ(Manager().RemoveTracks(IdList({1}).get()), S_OK);
    ASSERT_EQ(Manager().MoveTracks(IdList({4}).get(), 0), S_OK);
    ASSERT_EQ(UndoCount(), 3);
    const std::wstring earlier = static_cast<const wchar_t*>(Manager().GetUndoStore()->GetUndoPath(1));
    const std::vector<BYTE> earlierBytes = mixtest::ReadFileBytes(earlier);
    struct Case {
        const char* name;
        std::vector<BYTE> bytes;  // empty: the file is deleted
    };
    const std::vector<Case> cases = {
        {"deleted", {}},
        {"damaged", std::vector<BYTE>(earlierBytes.begin(), earlierBytes.begin() + earlierBytes.size() / 3)},
        {"garbage", std::vector<BYTE>(64, 0xEE)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.bytes.empty())
            DeleteFileW(earlier.c_str());
        else
            mixtest::WriteFileBytes(earlier, c.bytes);
        const std::vector<ComPtr<ITrackEditItem>> before = CopyMix();
        TakePosts();
        EXPECT_EQ(Manager().Undo(), S_FALSE);
        ExpectMixEquals(before);
        EXPECT_EQ(UndoCount(), 3);
        EXPECT_EQ(RedoCount(), 0);
        EXPECT_TRUE(Manager().IsModified());
        EXPECT_TRUE(TakePosts().empty()) << "no rebuild";
    }
    mixtest::WriteFileBytes(earlier, earlierBytes);
    EXPECT_EQ(Manager().Undo(), S_OK) << "the snapshot is whole again";
    EXPECT_EQ(Ids(), (std::vector<LONG>{2, 3, 4}));
}

TEST_F(TrackListTest, ARebuildOfARebuiltMixChangesNothing)
{
    // What an undo rebuilds from its snapshot must come out as the mix the snapshot was taken of.
    const std::vector<ComPtr<ITrackEditItem>> before = CopyMix();
    Manager().UpdateMix(FALSE);
    ExpectMixEquals(before);
}

class TrackClipboardTest : public TrackListTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
        TrackListTest::SetUp();
    }
    void TearDown() override
    {
        TrackListTest::TearDown();
        OleUninitialize();
    }
    // The clipboard test helper: a second process that pastes or copies a track list.
    static int RunHelper(const std::wstring& verb, const std::wstring& file)
    {
        return RunProgram(L"\"" + BinFolder() + L"track_clipboard_helper.exe\" " + verb +
                          L" \"Carrowfold TrackInfo Container\" \"" + file + L"\"");
    }
    // Puts bytes on the clipboard under the format, as any process could.
    static void PutOnClipboard(const std::vector<BYTE>& bytes, const wchar_t* format = kTrackClipboardFormat)
    {
        ASSERT_TRUE(OpenClipboard(nullptr));
        EmptyClipboard();
        HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, std::max<size_t>(bytes.size(), 1));
        ASSERT_NE(memory, nullptr);
        std::copy(bytes.begin(), bytes.end(), static_cast<BYTE*>(GlobalLock(memory)));
        GlobalUnlock(memory);
        EXPECT_NE(SetClipboardData(RegisterClipboardFormatW(format), memory), nullptr);
        CloseClipboard();
    }
};

TEST_F(TrackClipboardTest, TracksCopiedHereArePastedInAnotherProcess)
{
    ASSERT_EQ(Manager().CopyTracks(IdList({3, 2}).get()), S_OK);
    EXPECT_EQ(Manager().CanPasteTracks(), S_OK);
    // The data must outlive a clipboard owner that does not pump messages while the other side reads.
    ASSERT_TRUE(SUCCEEDED(OleFlushClipboard()));
    const std::wstring pasted = m_folder.File(L"pasted.bin");
    ASSERT_EQ(RunHelper(L"paste", pasted), 0);

    CTrackInfoContainer read;
    CFile file;
    ASSERT_TRUE(file.Open(pasted.c_str(), CFile::modeRead));
    CArchive archive(&file, CArchive::load);
    read.Serialize(archive);
    CTrackInfoContainer expected;
    expected.AppendCopy(*Manager().Tracks().GetAt(2));
    expected.AppendCopy(*Manager().Tracks().GetAt(1));
    mixtest::ExpectSameTracks(expected, read);
}

TEST_F(TrackClipboardTest, TracksCopiedInAnotherProcessArePastedWithNewIdsEachTime)
{
    CTrackInfoContainer source;
    source.AppendCopy(*Manager().Tracks().GetAt(0));
    source.AppendCopy(*Manager().Tracks().GetAt(3));
    const std::wstring input = m_folder.File(L"tocopy.bin");
    {
        CFile file;
        ASSERT_TRUE(file.Open(input.c_str(), CFile::modeCreate | CFile::modeWrite));
        CArchive archive(&file, CArchive::store);
        source.Serialize(archive);
        archive.Close();
    }
    ASSERT_EQ(RunHelper(L"copy", input), 0);
    ASSERT_EQ(Manager().CanPasteTracks(), S_OK);
    const int undo = UndoCount();
    ASSERT_EQ(Manager().PasteTracks(1), S_OK);
    ASSERT_EQ(Manager().PasteTracks(99), S_OK) << "past the end: at the end";
    EXPECT_EQ(Ids(), (std::vector<LONG>{1, 5, 6, 2, 3, 4, 7, 8}));
    EXPECT_EQ(UndoCount(), undo + 2);
    // The pasted tracks are the copied ones; the rebuild lays their transitions for their new
    // neighbours.
    for (int i = 0; i < 2; ++i) {
        const CTrackInfo& pasted = *Manager().Tracks().GetAt(1 + i);
        EXPECT_EQ(pasted.GetMusicFileId(), source.GetAt(i)->GetMusicFileId()) << i;
        EXPECT_EQ(pasted.GetBpm(), source.GetAt(i)->GetBpm()) << i;
        EXPECT_EQ(pasted.GetMixingKind(), source.GetAt(i)->GetMixingKind()) << i;
    }
    ASSERT_EQ(Manager().Undo(), S_OK);
    EXPECT_EQ(Ids(), (std::vector<LONG>{1, 5, 6, 2, 3, 4}));
}

TEST_F(TrackClipboardTest, MalformedDataUnderTheTrackFormatPastesNothing)
{
    std::vector<BYTE> valid;
    {
        ASSERT_EQ(Manager().CopyTracks(IdList({1}).get()), S_OK);
        ASSERT_TRUE(SUCCEEDED(OleFlushClipboard()));
        ASSERT_TRUE(OpenClipboard(nullptr));
        HANDLE data = GetClipboardData(RegisterClipboardFormatW(kTrackClipboardFormat));
        ASSERT_NE(data, nullptr);
        const BYTE* bytes = static_cast<const BYTE*>(GlobalLock(data));
        valid.assign(bytes, bytes + GlobalSize(data));
        GlobalUnlock(data);
        CloseClipboard();
    }
    struct Case {
        const char* name;
        std::vector<BYTE> bytes;
    };
    const std::vector<Case> cases = {
        {"garbage", std::vector<BYTE>(300, 0xA5)},
        {"no tracks", {0, 0, 0, 0}},
        {"a count far beyond the data", {0xFF, 0xFF, 0xFF, 0x7F, 1, 2, 3}},
        {"a track cut short", std::vector<BYTE>(valid.begin(), valid.begin() + valid.size() / 2)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PutOnClipboard(c.bytes);
        const std::vector<LONG> ids = Ids();
        const int undo = UndoCount();
        EXPECT_EQ(Manager().CanPasteTracks(), S_OK);
        EXPECT_EQ(Manager().PasteTracks(0), S_FALSE);
        EXPECT_EQ(Ids(), ids);
        EXPECT_EQ(UndoCount(), undo);
    }
    PutOnClipboard(valid);
    EXPECT_EQ(Manager().PasteTracks(0), S_OK) << "the whole container pastes";
}

TEST_F(TrackClipboardTest, MalformedDataUnderTheObjectFormatPastesNothing)
{
    const std::vector<std::vector<BYTE>> cases = {
        std::vector<BYTE>(300, 0xA5), {0, 0, 0, 0}, {0xFF, 0xFF, 0xFF, 0x7F, 1, 2, 3}, {1, 0, 0, 0, 5, 0, 2}};
    for (size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(i);
        PutOnClipboard(cases[i], kTrackObjectsClipboardFormat);
        const std::vector<LONG> ids = Ids();
        const int undo = UndoCount();
        EXPECT_EQ(Manager().CanPasteTrackObjects(), S_OK);
        EXPECT_EQ(Manager().PasteTrackObjects(IdList({1}).get(), 1000000), S_FALSE);
        EXPECT_EQ(Ids(), ids);
        EXPECT_EQ(UndoCount(), undo);
    }
}

// The first object of the class in any layer of the track (as its C++ type), or null.
template <class T>
T* FirstObject(CTrackInfo& track, DWORD objectClass)
{
    for (int l = 0; l < track.Layers().GetCount(); ++l) {
        CTrackLayer* layer = nullptr;
        track.Layers().GetLayer(l, &layer);
        for (int i = 0; i < layer->Objects().GetCount(); ++i)
            if (CTrackObj* o = layer->Objects().GetAt(i); o->GetClass() == objectClass)
                return static_cast<T*>(o);
    }
    return nullptr;
}

// The bytes a copy of the tracks puts on the clipboard.
std::vector<BYTE> ClipboardBytes(CTrackInfoContainer& tracks)
{
    CMemFile file(1024);
    CArchive archive(&file, CArchive::store);
    tracks.Serialize(archive);
    archive.Close();
    return std::vector<BYTE>(file.GetData(), file.GetData() + file.GetLength());
}

TEST_F(TrackClipboardTest, TimesBeyondTheStoredBoundPasteNothing)
{
    // A time far past any music is damage as it is in a stored mix: laying it out would walk for
    // minutes under the mix lock.
    const LONGLONG past = kMaxStoredTrackTime + 1;
    const LONGLONG pastMeasures = (kMaxStoredMeasures + 1) * CMusicTime::kTicksPerMeasure;
    struct Case {
        const char* name;
        std::function<void(mixtest::Mix&)> damage;
    };
    const std::vector<Case> cases = {
        {"a marker",
         [&](mixtest::Mix& m) { mixtest::FindMarker(*m.tracks.GetAt(0), kMarkerLabel)->SetPosition(past); }},
        {"a marker before the start",
         [&](mixtest::Mix& m) { mixtest::FindMarker(*m.tracks.GetAt(0), kMarkerLabel)->SetPosition(-past); }},
        {"a segment's start",
         [&](mixtest::Mix& m) { FirstObject<CSegment>(*m.tracks.GetAt(1), kTrackObjSegment)->SetStart(past); }},
        {"a segment's file position",
         [&](mixtest::Mix& m) { FirstObject<CSegment>(*m.tracks.GetAt(1), kTrackObjSegment)->SetSource(past); }},
        {"an effect clip's end",
         [&](mixtest::Mix& m) { FirstObject<CEfxClip>(*m.tracks.GetAt(0), kTrackObjEffectClip)->SetEnd(past); }},
        {"an effect clip's fade",
         [&](mixtest::Mix& m) {
             FirstObject<CEfxClip>(*m.tracks.GetAt(0), kTrackObjEffectClip)->SetTime(kEfxClipFadeOutTime, past);
         }},
        {"an overlay's musical start",
         [&](mixtest::Mix& m) {
             CSegment* segment = FirstObject<CSegment>(*m.tracks.GetAt(4), kTrackObjSegment);
             segment->GetBeatRecord()->musicTimes[0].SetTicks(pastMeasures);
         }},
        {"an overlay's musical end before the start",
         [&](mixtest::Mix& m) {
             CSegment* segment = FirstObject<CSegment>(*m.tracks.GetAt(4), kTrackObjSegment);
             segment->GetBeatRecord()->musicTimes[1].SetTicks(-pastMeasures);
         }},
        {"an overlay's parent length",
         [&](mixtest::Mix& m) {
             FirstObject<CSegment>(*m.tracks.GetAt(4), kTrackObjSegment)->GetBeatRecord()->beatValues[2] = past;
         }},
    };
    const wchar_t* formats[] = {kTrackClipboardFormat, kTrackObjectsClipboardFormat};
    const auto paste = [&](const wchar_t* format) {
        return format == kTrackClipboardFormat ? Manager().PasteTracks(0)
                                               : Manager().PasteTrackObjects(IdList({1}).get(), 1000000);
    };
    for (const Case& c : cases) {
        mixtest::Mix mix;
        CMixGlobals globals;
        mixtest::BuildSampleMix(mix, globals);
        c.damage(mix);
        const std::vector<BYTE> bytes = ClipboardBytes(mix.tracks);
        for (const wchar_t* format : formats) {
            SCOPED_TRACE(testing::Message() << c.name << " under " << format);
            PutOnClipboard(bytes, format);
            const std::vector<LONG> ids = Ids();
            const int undo = UndoCount();
            EXPECT_EQ(paste(format), S_FALSE);
            EXPECT_EQ(Ids(), ids);
            EXPECT_EQ(UndoCount(), undo);
        }
    }
    // The same mix undamaged pastes under either format.
    mixtest::Mix mix;
    CMixGlobals globals;
    mixtest::BuildSampleMix(mix, globals);
    const std::vector<BYTE> sound = ClipboardBytes(mix.tracks);
    for (const wchar_t* format : formats) {
        SCOPED_TRACE(testing::Message() << "sound under " << format);
        PutOnClipboard(sound, format);
        const int undo = UndoCount();
        EXPECT_EQ(paste(format), S_OK);
        EXPECT_EQ(UndoCount(), undo + 1);
    }
    // And a copy of the mix's own tracks pastes back.
    ASSERT_EQ(Manager().CopyTracks(IdList({2, 3}).get()), S_OK);
    const size_t count = Ids().size();
    EXPECT_EQ(Manager().PasteTracks(0), S_OK);
    EXPECT_EQ(Ids().size(), count + 2);
}

TEST_F(TrackClipboardTest, ACopyThatCannotReachTheClipboardFails)
{
    // Another window holds the clipboard open while the copies are made.
    HANDLE opened = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::thread holder([&] {
        HWND window = CreateWindowW(L"STATIC", L"", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
        const BOOL open = OpenClipboard(window);
        SetEvent(opened);
        WaitForSingleObject(release, INFINITE);
        if (open)
            CloseClipboard();
        DestroyWindow(window);
    });
    WaitForSingleObject(opened, INFINITE);
    const LONG segment = Manager().Tracks().GetAt(0)->MainObjects().GetAt(0)->GetId();
    const HRESULT objects = Manager().CopyTrackObjects(IdList({static_cast<DWORD>(segment)}).get());
    const HRESULT range = Manager().CopyTrackRange(IdList({1}).get(), 0, 2000000);
    const HRESULT tracks = Manager().CopyTracks(IdList({1}).get());
    SetEvent(release);
    holder.join();
    CloseHandle(opened);
    CloseHandle(release);
    EXPECT_TRUE(FAILED(tracks)) << "the clipboard was not held";
    EXPECT_TRUE(FAILED(objects));
    EXPECT_TRUE(FAILED(range));
    // Free again, the same copies succeed.
    EXPECT_EQ(Manager().CopyTrackObjects(IdList({static_cast<DWORD>(segment)}).get()), S_OK);
    EXPECT_EQ(Manager().CanPasteTrackObjects(), S_OK);
    EXPECT_EQ(Manager().CopyTrackRange(IdList({1}).get(), 0, 2000000), S_OK);
}

}  // namespace
