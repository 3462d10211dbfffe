// The mix document: the current form round trip, hand-made documents of the older forms, a walk
// of a saved document with winmm's own RIFF reader, damaged documents, and saves that must fail
// without touching the file they would replace.
#include <gtest/gtest.h>

#include <windows.h>
#include <mmsystem.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "engine/core/mix/MixDocument.h"
#include "engine/core/mix/MixManager.h"
#include "engine/core/mix/TrackListOrder.h"
#include "engine/core/server/InnerPtr.h"
#include "engine/core/track/Segment.h"
#include "engine/core/track/StoredTimes.h"
#include "tests/engine/core/mix/DocumentFiles.h"
#include "tests/engine/core/mix/SampleMix.h"
#include "tests/engine/core/mix/OlderDocuments.h"
#include "tests/support/TempDir.h"

namespace {

using namespace mixtest;

constexpr CFVR_RECORD kCurrentRecord = {12, 0, 0x50001, 0x40000};

BOOL Save(const std::wstring& path, const CTrackInfoContainer& tracks, const CMixGlobals& globals,
          IVideoClipList* video = nullptr)
{
    CFVR_RECORD record = kCurrentRecord;
    return WriteMixFile(video, &record, path.c_str(), tracks, globals, FALSE);
}

struct LOADED {
    BOOL ok = FALSE;
    CFVR_RECORD record{};
    DWORD version = 0;
};

LOADED Load(const std::wstring& path, CTrackInfoContainer& tracks, CMixGlobals& globals,
            IVideoClipList* video = nullptr)
{
    LOADED loaded;
    loaded.ok = ReadMixFile(&loaded.record, path.c_str(), tracks, globals, video, &loaded.version);
    return loaded;
}

// Every marker and segment of a track's first layer as {class, type, start, end}.
std::vector<std::vector<LONGLONG>> FirstLayer(const CTrackInfo& track)
{
    std::vector<std::vector<LONGLONG>> out;
    const CTrackObjContainer& objects = track.MainObjects();
    for (int i = 0; i < objects.GetCount(); ++i) {
        CTrackObj* o = objects.GetAt(i);
        out.push_back({o->GetClass(), o->GetType(), o->GetStart(), o->GetEnd()});
    }
    return out;
}

TEST(MixDocument, CurrentFormRoundTripsAndASecondSaveIsByteIdentical)
{
    fixtures::TempDir dir(L"mixdoc");
    Mix mix;
    CMixGlobals globals;
    BuildSampleMix(mix, globals);
    CFakeVideoList video;
    video.clips = 0xC11B5;
    const std::wstring first = dir.File(L"first.cfp");
    ASSERT_TRUE(Save(first, mix.tracks, globals, &video));
    EXPECT_EQ(video.tracksWritten.size(), static_cast<size_t>(mix.tracks.GetCount()));

    CTrackInfoContainer back;
    CMixGlobals backGlobals;
    CFakeVideoList backVideo;
    const LOADED loaded = Load(first, back, backGlobals, &backVideo);
    ASSERT_TRUE(loaded.ok);
    EXPECT_EQ(loaded.version, 0x50001u);
    EXPECT_EQ(loaded.record.size, 12);
    EXPECT_EQ(loaded.record.version2, 0x40000u);
    ExpectSameTracks(mix.tracks, back);
    ExpectSameGlobals(globals, backGlobals);
    EXPECT_EQ(backVideo.clips, 0xC11B5u);
    ASSERT_EQ(backVideo.tracksRead.size(), static_cast<size_t>(back.GetCount()));
    for (int i = 0; i < back.GetCount(); ++i) {
        LONG runtimeId = 0;
        back.GetAt(i)->GetRuntimeId3(&runtimeId);
        EXPECT_EQ(runtimeId, backVideo.tracksRead[static_cast<size_t>(i)]);
        if (i > 0) {
            EXPECT_EQ(backVideo.tracksRead[static_cast<size_t>(i)], backVideo.tracksRead[i - 1u] + 1);
        }
    }

    const std::wstring second = dir.File(L"second.cfp");
    ASSERT_TRUE(Save(second, back, backGlobals, &backVideo));
    EXPECT_EQ(ReadFileBytes(second), ReadFileBytes(first));
    EXPECT_EQ(FolderNames(dir.Path()), (std::vector<std::wstring>{L"first.cfp", L"second.cfp"}));
}

TEST(MixDocument, OlderFormsLoadWithTheirTracksWorkedOutByHand)
{
    const Bytes trackArchives =
        Form("CFMP", {List("TRKL", {List("TRKI", {Chunk("TRKB", V4Blob(SmallBlob(4, L"C:\\a.mp3")))}),
                                    List("TRKI", {Chunk("TRKB", {4, 0, 0})}),  // truncated: left out
                                    List("TRKI", {Chunk("TRKB", V4Blob(SmallBlob(3, L"C:\\b.mp3")))})}),
                      GlobalsList(1, 2, 3)});
    Bytes path;
    PutWide(path, L"C:\\c.mp3", true);
    const Bytes flat =
        Form("CFMP", {List("TRKL", {List("TRKI", {Chunk("TRKH", TrkhBody(126500, -100, kTrackPrimary, 2)),
                                                  Chunk("TRKF", path), Chunk("TRKS", TrksPlain(0, 5000000, 250)),
                                                  Chunk("TRKM", TrkmPlain(kMarkerStart, 0)),
                                                  Chunk("TRKM", TrkmPlain(kMarkerEnd, 5000000))})}),
                      GlobalsList(4, 5, 6)});
    const Bytes recordFile = RecordFile({V4Blob(SmallBlob(3, L"C:\\d.mp3")), V4Blob(SmallBlob(4, L"C:\\e.mp3"))});

    using Layer = std::vector<std::vector<LONGLONG>>;
    const Layer v4 = {
        {2, 1, 0, 10000000}, {1, 1, 1000000, 1000000}, {1, 2, 9000000, 9000000}, {1, kMarkerLabel, 2000000, 2000000}};
    const Layer v3 = {{2, 1, 0, 10000000}, {1, 1, 1000000, 1000000}, {1, 2, 9000000, 9000000}};
    const Layer flatLayer = {{2, 1, 0, 5000000}, {1, 1, 0, 0}, {1, 2, 5000000, 5000000}};
    struct Row {
        const char* name;
        Bytes file;
        DWORD version;
        std::vector<const wchar_t*> paths;
        std::vector<Layer> layers;
        DWORD firstGlobal;
    } rows[] = {
        {"0x40000: one archive chunk per track", trackArchives, 0x40000, {L"C:\\a.mp3", L"C:\\b.mp3"}, {v4, v3}, 1},
        {"0x40005: objects directly in the track", flat, 0x40005, {L"C:\\c.mp3"}, {flatLayer}, 4},
        {"0x30000: record file of archives", recordFile, 0x30000, {L"C:\\d.mp3", L"C:\\e.mp3"}, {v3, v4}, 77},
    };
    fixtures::TempDir dir(L"mixdoc");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::wstring file = dir.File(L"old.cfp");
        WriteFileBytes(file, row.file);
        CTrackInfoContainer tracks;
        CMixGlobals globals;
        globals.SetValue(0, 77);
        const LOADED loaded = Load(file, tracks, globals);
        ASSERT_TRUE(loaded.ok);
        EXPECT_EQ(loaded.version, row.version);
        EXPECT_EQ(globals.GetValue(0), row.firstGlobal);
        ASSERT_EQ(tracks.GetCount(), static_cast<int>(row.paths.size()));
        for (int i = 0; i < tracks.GetCount(); ++i) {
            EXPECT_EQ(tracks.GetAt(i)->GetFilePath(), row.paths[static_cast<size_t>(i)]);
            EXPECT_EQ(tracks.GetAt(i)->Layers().GetCount(), 1);
            EXPECT_EQ(FirstLayer(*tracks.GetAt(i)), row.layers[static_cast<size_t>(i)]) << "track " << i;
        }
        EXPECT_EQ(ReadFileBytes(file), row.file) << "reading wrote to the file";
    }
}

TEST(MixDocument, TheVersionRecordTakesAtMostTwelveBytes)
{
    const Bytes flatTrack = List("TRKI", {Chunk("TRKS", TrksPlain(0, 1000, 0))});
    Bytes longRecord;
    Put16(longRecord, 12);
    Put16(longRecord, 0);
    Put32(longRecord, 0x40005);
    Put32(longRecord, 0x1234);
    Put32(longRecord, 0xFFFFFFFF);
    const Bytes shortRecord(longRecord.begin(), longRecord.begin() + 6);
    struct Row {
        const char* name;
        Bytes file;
        CFVR_RECORD record;
        DWORD version;
    } rows[] = {
        {"longer record",
         Form("CFMP", {VersionChunk(longRecord), List("TRKL", {flatTrack}), GlobalsList(0, 0, 0)}),
         {12, 0, 0x40005, 0x1234},
         0x40005},
        {"shorter record",
         Form("CFMP", {List("TRKL", {flatTrack}), GlobalsList(0, 0, 0), VersionChunk(shortRecord)}),
         {12, 0, 0x0005, 0},
         0x0005},
        {"a later record replaces an earlier one",
         Form("CFMP",
              {VersionChunk(longRecord), List("TRKL", {flatTrack}), GlobalsList(0, 0, 0), VersionChunk(shortRecord)}),
         {12, 0, 0x0005, 0},
         0x0005},
        {"no record: the form is told by the first track",
         Form("CFMP", {List("TRKL", {flatTrack}), GlobalsList(0, 0, 0)}),
         {0, 0, 0x40005, 0},
         0x40005},
    };
    fixtures::TempDir dir(L"mixdoc");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        WriteFileBytes(dir.File(L"v.cfp"), row.file);
        CTrackInfoContainer tracks;
        CMixGlobals globals;
        const LOADED loaded = Load(dir.File(L"v.cfp"), tracks, globals);
        ASSERT_TRUE(loaded.ok);
        EXPECT_EQ(loaded.record.size, row.record.size);
        EXPECT_EQ(loaded.record.version1, row.record.version1);
        EXPECT_EQ(loaded.record.version2, row.record.version2);
        EXPECT_EQ(loaded.version, row.version);
        EXPECT_EQ(tracks.GetCount(), 1);
    }
}

TEST(MixDocument, WinmmWalksASavedDocument)
{
    fixtures::TempDir dir(L"mixdoc");
    Mix mix;
    CMixGlobals globals;
    BuildSampleMix(mix, globals);
    CFakeVideoList video;
    const std::wstring path = dir.File(L"walk.cfp");
    ASSERT_TRUE(Save(path, mix.tracks, globals, &video));

    HMMIO file = mmioOpenW(const_cast<LPWSTR>(path.c_str()), nullptr, MMIO_READ);
    ASSERT_NE(file, nullptr);
    MMCKINFO form{};
    form.fccType = mmioFOURCC('C', 'F', 'M', 'P');
    ASSERT_EQ(mmioDescend(file, &form, nullptr, MMIO_FINDRIFF), MMSYSERR_NOERROR);
    std::vector<std::string> order;
    int tracks = 0;
    MMCKINFO child{};
    while (mmioDescend(file, &child, &form, 0) == MMSYSERR_NOERROR) {
        const FOURCC id = child.ckid == FOURCC_LIST ? child.fccType : child.ckid;
        order.emplace_back(reinterpret_cast<const char*>(&id), 4);
        if (child.ckid == mmioFOURCC('C', 'F', 'V', 'R')) {
            EXPECT_EQ(child.cksize, 12u);
            CFVR_RECORD record{};
            EXPECT_EQ(mmioRead(file, reinterpret_cast<HPSTR>(&record), 12), 12);
            EXPECT_EQ(record.size, 12);
            EXPECT_EQ(record.zero, 0);
            EXPECT_EQ(record.version1, 0x50001u);
            EXPECT_EQ(record.version2, 0x40000u);
        } else if (child.ckid == FOURCC_LIST && child.fccType == mmioFOURCC('T', 'R', 'K', 'L')) {
            MMCKINFO track{};
            while (mmioDescend(file, &track, &child, 0) == MMSYSERR_NOERROR) {
                EXPECT_EQ(track.fccType, mmioFOURCC('T', 'R', 'K', 'I'));
                MMCKINFO header{};
                EXPECT_EQ(mmioDescend(file, &header, &track, 0), MMSYSERR_NOERROR);
                EXPECT_EQ(header.ckid, mmioFOURCC('T', 'R', 'K', 'H'));
                EXPECT_EQ(header.cksize, 40u);
                mmioAscend(file, &header, 0);
                mmioAscend(file, &track, 0);
                ++tracks;
            }
        }
        mmioAscend(file, &child, 0);
    }
    mmioClose(file, 0);
    EXPECT_EQ(order, (std::vector<std::string>{"TRKL", "GLBL", "CFVR", "VIDL"}));
    EXPECT_EQ(tracks, mix.tracks.GetCount());
}

// A mix that a failed load must leave as it was.
struct Sentinel {
    CTrackInfoContainer tracks;
    CMixGlobals globals;
    CTrackInfo* track = nullptr;
    DWORD version = 0xAAAA;

    Sentinel()
    {
        track = new CTrackInfo();
        track->SetFilePath(L"C:\\kept.mp3");
        tracks.AppendReference(track);
        track->ReleaseFromOwner();
        globals.SetValue(1, 0x5E17);
    }
    void ExpectUnchanged(const char* name) const
    {
        ASSERT_EQ(tracks.GetCount(), 1) << name;
        EXPECT_EQ(tracks.GetAt(0), track) << name;
        EXPECT_EQ(globals.GetValue(1), 0x5E17u) << name;
        EXPECT_EQ(version, 0xAAAAu) << name;
    }
};

TEST(MixDocument, FailedLoadsChangeNeitherMixNorFile)
{
    Bytes wave = Form("WAVE", {Chunk("fmt ", Bytes(16, 1)), Chunk("data", Bytes(100, 0))});
    struct Row {
        const char* name;
        bool exists;
        Bytes file;
    } rows[] = {
        {"missing file", false, {}},
        {"empty file", true, {}},
        {"a WAV named .cfp", true, wave},
        {"no globals", true, Form("CFMP", {List("TRKL", {})})},
        {"no track list", true, Form("CFMP", {GlobalsList(1, 2, 3)})},
        {"text", true, Bytes{'h', 'e', 'l', 'l', 'o', '\n'}},
        {"record file with a damaged record", true,
         [] {
             Bytes file = RecordFile({Bytes(40, 7)});
             file[30] ^= 1;
             return file;
         }()},
    };
    fixtures::TempDir dir(L"mixdoc");
    for (const Row& row : rows) {
        const std::wstring path = dir.File(L"bad.cfp");
        DeleteFileW(path.c_str());
        if (row.exists)
            WriteFileBytes(path, row.file);
        Sentinel mix;
        CFVR_RECORD record{};
        EXPECT_FALSE(ReadMixFile(&record, path.c_str(), mix.tracks, mix.globals, nullptr, &mix.version)) << row.name;
        mix.ExpectUnchanged(row.name);
        EXPECT_EQ(FileExists(path), row.exists) << row.name;
        if (row.exists) {
            EXPECT_EQ(ReadFileBytes(path), row.file) << row.name;
        }
    }
}

// The mix manager, with no engine around it, laying out what a document held as opening it does.
class LayOut {
public:
    LayOut()
    {
        m_manager.reset(new CMixManager(nullptr));
        m_manager->Initialize(m_folder.File(L"defaultplaylist.cfp").c_str());
    }
    // Lays the tracks out; the mix's tracks after it.
    const CTrackInfoContainer& Replace(CTrackInfoContainer& tracks, const CMixGlobals& globals, DWORD version)
    {
        m_manager->ConvertLoadedTracks(tracks, version);
        tracks.ClearTrackIds();
        m_manager->ReplaceMix(&tracks, &globals, nullptr, FALSE);
        return m_manager->Tracks();
    }

private:
    fixtures::TempDir m_folder{L"mixdoc-layout"};
    InnerPtr<CMixManager> m_manager;
};

// A laid-out mix whose stored times were bounded: no object lies beyond a day of track time, and
// the mix ends within a day per track (at the fastest rate a tempo match gives, 25 times).
void ExpectBoundedLayout(const CTrackInfoContainer& tracks, const std::string& name)
{
    LONGLONG mixEnd = 0;
    for (int i = 0; i < tracks.GetCount(); ++i) {
        CTrackInfo* track = tracks.GetAt(i);
        for (int l = 0; l < track->Layers().GetCount(); ++l) {
            CTrackLayer* layer = nullptr;
            if (!track->Layers().GetLayer(l, &layer))
                continue;
            for (int k = 0; k < layer->Objects().GetCount(); ++k) {
                const CTrackObj* object = layer->Objects().GetAt(k);
                EXPECT_LE(std::llabs(object->GetStart()), kMaxStoredTrackTime) << name << ", track " << i;
                EXPECT_LE(std::llabs(object->GetEnd()), kMaxStoredTrackTime) << name << ", track " << i;
            }
        }
        LONGLONG end = 0;
        if (SUCCEEDED(track->GetEndTime(&end)))
            mixEnd = std::max(mixEnd, end);
    }
    EXPECT_LE(mixEnd, 25 * kMaxStoredTrackTime * tracks.GetCount()) << name;
}

// A track of the oldest form whose segment runs on to a start marker 7.9e13 samples in (57
// years): laying it out went measure by measure to that marker.
V4_BLOB FarStartMarkerBlob()
{
    V4_BLOB blob = SmallBlob(3, L"C:\\far.mp3");
    blob.segments = {{0, 79000000000001LL, 0}};
    blob.markers.push_back({0, 79000000000000LL, 1, 0, L""});
    return blob;
}

TEST(MixDocument, DamagedDocumentsNeverCrashAndAFailedLoadChangesNothing)
{
    fixtures::TempDir dir(L"mixdoc");
    Mix mix;
    CMixGlobals globals;
    BuildSampleMix(mix, globals);
    const std::wstring saved = dir.File(L"saved.cfp");
    ASSERT_TRUE(Save(saved, mix.tracks, globals));
    const Bytes farMarker = RecordFile({V4Blob(SmallBlob(4, L"C:\\e.mp3")), V4Blob(FarStartMarkerBlob())});
    const std::vector<Bytes> bases = {
        ReadFileBytes(saved),
        Form("CFMP",
             {List("TRKL", {List("TRKI", {Chunk("TRKB", V4Blob(SmallBlob(4, L"C:\\a.mp3")))})}), GlobalsList(1, 2, 3)}),
        RecordFile({V4Blob(SmallBlob(3, L"C:\\d.mp3")), V4Blob(SmallBlob(4, L"C:\\e.mp3"))}),
    };
    LayOut layout;
    const std::wstring path = dir.File(L"damaged.cfp");
    // Every document that loads is laid out too, as opening it does.
    auto loadAndLayOut = [&](const Bytes& damaged, const std::string& name) {
        WriteFileBytes(path, damaged);
        Sentinel kept;
        CFVR_RECORD record{};
        const BOOL loaded = ReadMixFile(&record, path.c_str(), kept.tracks, kept.globals, nullptr, &kept.version);
        if (!loaded)
            kept.ExpectUnchanged(name.c_str());
        else
            ExpectBoundedLayout(layout.Replace(kept.tracks, kept.globals, kept.version), name);
        EXPECT_EQ(ReadFileBytes(path), damaged) << name;
        return loaded;
    };
    // The far-off marker is a damaged track: the sound track beside it is laid out.
    ASSERT_TRUE(loadAndLayOut(farMarker, "far-off start marker"));
    std::mt19937 random(20261210);
    int failed = 0;
    for (int i = 0; i < 2000; ++i) {
        if (!loadAndLayOut(Damaged(bases[static_cast<size_t>(i) % bases.size()], random), "case " + std::to_string(i)))
            ++failed;
        if (::testing::Test::HasFailure())
            break;
    }
    EXPECT_GT(failed, 100);
    EXPECT_EQ(FolderNames(dir.Path()), (std::vector<std::wstring>{L"damaged.cfp", L"saved.cfp"}));
}

TEST(MixDocument, AFailedSaveLeavesTheOldFileAndNoTemporaryFile)
{
    Mix mix;
    CMixGlobals globals;
    BuildSampleMix(mix, globals);
    const Bytes old = {'o', 'l', 'd', ' ', 'm', 'i', 'x'};
    enum Kind { readOnly, heldOpen, trackWriteFails, videoListFails, notMixPath, notMixPathNew };
    struct Row {
        const char* name;
        Kind kind;
        const wchar_t* file;
    } rows[] = {
        {"read-only target", readOnly, L"mix.cfp"},
        {"target held open", heldOpen, L"mix.cfp"},
        {"video handler refuses a track", trackWriteFails, L"mix.cfp"},
        {"video handler refuses its list", videoListFails, L"mix.cfp"},
        {"a playlist of file names", notMixPath, L"list.m3u"},
        {"a path that is no mix document", notMixPathNew, L"mix.wav"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        fixtures::TempDir dir(L"mixdoc");
        const std::wstring path = dir.File(row.file);
        if (row.kind != notMixPathNew)
            WriteFileBytes(path, old);
        CFakeVideoList video;
        video.failTrackWritten = row.kind == trackWriteFails;
        video.failWriteList = row.kind == videoListFails;
        if (row.kind == readOnly)
            SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY);
        HANDLE held = INVALID_HANDLE_VALUE;
        if (row.kind == heldOpen)
            held = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);

        EXPECT_FALSE(Save(path, mix.tracks, globals, &video));

        if (held != INVALID_HANDLE_VALUE)
            CloseHandle(held);
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (row.kind == notMixPathNew) {
            EXPECT_TRUE(FolderNames(dir.Path()).empty());
        } else {
            EXPECT_EQ(ReadFileBytes(path), old);
            EXPECT_EQ(FolderNames(dir.Path()), std::vector<std::wstring>{row.file});
        }
    }
}

TEST(MixDocument, OnlyPathsEndingInCfpAreMixDocuments)
{
    EXPECT_TRUE(IsMixDocumentPath(L"C:\\a\\mix.cfp"));
    EXPECT_TRUE(IsMixDocumentPath(L"C:\\a\\MIX.CFP"));
    EXPECT_TRUE(IsMixDocumentPath(L"cfp"));
    EXPECT_FALSE(IsMixDocumentPath(L"C:\\a\\list.m3u"));
    EXPECT_FALSE(IsMixDocumentPath(L"fp"));
    EXPECT_FALSE(IsMixDocumentPath(L"C:\\a\\mix.cfp.bak"));
    EXPECT_FALSE(IsMixDocumentPath(nullptr));
}

CTrackInfo* TempoTrack(CTrackInfoContainer& tracks, float bpm, std::vector<LONG> markerTempos)
{
    auto* track = new CTrackInfo();
    track->SetBpm(bpm);
    for (LONG value : markerTempos) {
        auto* marker = new CMarker(kMarkerTempoStart, 0);
        marker->SetMainValue(value);
        track->MainObjects().Append(marker);
    }
    tracks.AppendReference(track);
    track->ReleaseFromOwner();
    return track;
}

TEST(TrackListOrder, SortsByTheTempoAveragedOverTheMarkers)
{
    CTrackInfoContainer tracks;
    CTrackInfo* a = TempoTrack(tracks, 120.0f, {});
    CTrackInfo* b = TempoTrack(tracks, 90.0f, {100000, 140000});  // 120 averaged
    CTrackInfo* c = TempoTrack(tracks, 130.0f, {95000});
    CTrackInfo* d = TempoTrack(tracks, 110.0f, {});
    SortTrackListByTempo(tracks, TRUE);
    EXPECT_EQ(tracks.GetAt(0), c);
    EXPECT_EQ(tracks.GetAt(1), d);
    EXPECT_EQ(tracks.GetAt(2), a);  // equal tempos keep their order
    EXPECT_EQ(tracks.GetAt(3), b);
    SortTrackListByTempo(tracks, FALSE);
    EXPECT_EQ(tracks.GetAt(2), d);
    EXPECT_EQ(tracks.GetAt(3), c);
}

TEST(TrackListOrder, ShuffleKeepsEveryTrackAndOneTrackStays)
{
    CTrackInfoContainer one;
    CTrackInfo* only = TempoTrack(one, 120.0f, {});
    ShuffleTrackList(one);
    ASSERT_EQ(one.GetCount(), 1);
    EXPECT_EQ(one.GetAt(0), only);

    CTrackInfoContainer many;
    std::vector<CTrackInfo*> before;
    for (int i = 0; i < 20; ++i)
        before.push_back(TempoTrack(many, 100.0f + static_cast<float>(i), {}));
    std::srand(7);
    ShuffleTrackList(many);
    std::vector<CTrackInfo*> after;
    for (int i = 0; i < many.GetCount(); ++i)
        after.push_back(many.GetAt(i));
    EXPECT_NE(after, before);
    std::sort(after.begin(), after.end());
    std::sort(before.begin(), before.end());
    EXPECT_EQ(after, before);
}

}  // namespace
