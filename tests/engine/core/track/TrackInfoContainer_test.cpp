// The track list: navigation over primary and pause tracks, object collection and pasting, and
// the clipboard form, copied in one process and pasted in another.
#include <gtest/gtest.h>

#include <ole2.h>

#include <string>
#include <vector>

#include "classlib/core/MemFile.h"
#include "engine/core/track/Marker.h"
#include "engine/core/track/Segment.h"
#include "classlib/ole/OleDataSource.h"
#include "engine/core/track/TrackInfoContainer.h"
#include "TrackModelBytes.h"

namespace {

CTrackInfo* NewTrack(LONG id, DWORD flags)
{
    CTrackInfo* track = new CTrackInfo();
    track->SetTrackId(id);
    track->SetFlags(flags);
    return track;
}

// Appends tracks of the given kinds with ids 0, 1, ...
void Fill(CTrackInfoContainer& list, const std::vector<DWORD>& kinds)
{
    for (size_t i = 0; i < kinds.size(); ++i) {
        CTrackInfo* track = NewTrack(static_cast<LONG>(i), kinds[i]);
        list.AppendReference(track);
        track->Release();
    }
}

// A list of two tracks with layers, markers, segments and text, as a user's mix would hold.
void FillRich(CTrackInfoContainer& list)
{
    for (LONG id : {11, 12}) {
        CTrackInfo* track = NewTrack(id, id == 11 ? kTrackPrimary : kTrackOverlay);
        track->SetFilePath(id == 11 ? L"C:\\Music\\Ünïcode – track.mp3" : L"D:\\b.wma");
        track->SetSampleInfo(44100, 44100 * 200);
        track->SetBpm(120.0f + static_cast<float>(id));
        track->ResetToDefaults();
        CMarker* label = new CMarker(kMarkerLabel, 5000);
        label->SetLabelText(L"Drop here");
        track->MainObjects().Append(label);
        CTrackLayer* layer = nullptr;
        track->Layers().AddLayer(&layer);
        layer->Objects().Append(new CSegment(kSegmentBeat, 100, 200, 300));
        layer->TimeMap().InsertPoint(0, 0, 1.0);
        layer->TimeMap().InsertPoint(1000, 1000, 1.25);
        list.AppendReference(track);
        track->Release();
    }
}

Bytes ArchiveOf(CTrackInfoContainer& list)
{
    return StoreArchive([&](CArchive& a) { list.Serialize(a); });
}

std::wstring TempPath(const wchar_t* name)
{
    wchar_t folder[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    return std::wstring(folder) + name + std::to_wstring(GetCurrentProcessId());
}

std::wstring HelperPath()
{
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path(self);
    return path.substr(0, path.find_last_of(L'\\') + 1) + L"track_clipboard_helper.exe";
}

// Runs the helper and pumps this thread's messages meanwhile: the clipboard renders this
// process's data through the copying thread's clipboard window.
DWORD RunHelper(const std::wstring& arguments)
{
    std::wstring commandLine = L"\"" + HelperPath() + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return 0xFFFFFFFF;
    CloseHandle(process.hThread);
    const DWORD deadline = GetTickCount() + 60000;
    for (;;) {
        const DWORD now = GetTickCount();
        const DWORD wait =
            MsgWaitForMultipleObjects(1, &process.hProcess, FALSE, deadline > now ? deadline - now : 0, QS_ALLINPUT);
        if (wait != WAIT_OBJECT_0 + 1)
            break;
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
    }
    DWORD code = 0xFFFFFFFE;
    if (WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0)
        GetExitCodeProcess(process.hProcess, &code);
    else
        TerminateProcess(process.hProcess, 0xFFFFFFFD);
    CloseHandle(process.hProcess);
    return code;
}

Bytes ReadFileBytes(const std::wstring& path)
{
    Bytes bytes;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return bytes;
    BYTE buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof(buffer), &got, nullptr) && got > 0)
        bytes.insert(bytes.end(), buffer, buffer + got);
    CloseHandle(file);
    return bytes;
}

void WriteFileBytes(const std::wstring& path, const Bytes& bytes)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

class OleThread : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr))); }
    void TearDown() override
    {
        OleSetClipboard(nullptr);
        OleUninitialize();
    }
};

}  // namespace

TEST(TrackList, NavigationTable)
{
    const DWORD P = kTrackPrimary;
    const DWORD O = kTrackOverlay;
    const DWORD Z = kTrackPause;
    CTrackInfoContainer list;
    Fill(list, {O, P, Z, O, P, O, Z});
    EXPECT_EQ(list.FirstPrimaryIndex(), 1);
    EXPECT_EQ(list.LastPrimaryIndex(), 4);
    struct Row {
        int index;
        int nextPrimary;
        LONG previousPrimaryId;
        BOOL pauseBefore;
        BOOL pauseAfter;
    };
    const Row rows[] = {
        {-1, 1, -2, FALSE, FALSE}, {0, 1, -2, FALSE, FALSE}, {1, 4, -2, TRUE, FALSE}, {2, 4, 1, FALSE, FALSE},
        {3, 4, 1, FALSE, TRUE},    {4, -1, 1, TRUE, TRUE},   {5, -1, 4, TRUE, FALSE}, {6, -1, 4, FALSE, FALSE},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.index);
        EXPECT_EQ(list.NextPrimaryIndexAfter(row.index), row.nextPrimary);
        const CTrackInfo* previous = list.PreviousPrimaryBefore(row.index);
        EXPECT_EQ(previous ? previous->GetTrackIdValue() : -2, row.previousPrimaryId);
        EXPECT_EQ(list.HasPauseBeforeNextPrimary(row.index), row.pauseBefore);
        EXPECT_EQ(list.HasPauseAfterPreviousPrimary(row.index), row.pauseAfter);
    }
    LONG id = -5;
    EXPECT_FALSE(list.GetTrackIdAt(-1, &id));
    EXPECT_FALSE(list.GetTrackIdAt(7, &id));
    EXPECT_EQ(id, -5);
    CTrackInfo* found = nullptr;
    EXPECT_FALSE(list.FindById(42, &found));
    EXPECT_EQ(found, nullptr);
    ASSERT_TRUE(list.FindById(3, &found));
    EXPECT_EQ(list.NextPrimary(found), list.GetAt(4));
    EXPECT_EQ(list.PreviousPrimary(found), list.GetAt(1));
    EXPECT_EQ(list.GetNext(list.GetLast()), nullptr);
    EXPECT_TRUE(list.ContainsIdFrom(3, 6));
    EXPECT_FALSE(list.ContainsIdFrom(4, 3));
    list.RemoveById(3);
    EXPECT_EQ(list.GetCount(), 6);
}

TEST(TrackList, CollectAndPasteObjects)
{
    CTrackInfoContainer mix;
    FillRich(mix);
    LONG counter = 0;
    for (int i = 0; i < mix.GetCount(); ++i)
        mix.GetAt(i)->NumberObjects(&counter);
    // The beat segment of track 12's second layer.
    CTrackInfoContainer clip;
    const LONG segmentId = counter - 1;
    clip.CollectObject(segmentId, mix);
    ASSERT_EQ(clip.GetCount(), 1);
    EXPECT_EQ(clip.GetAt(0)->GetTrackIdValue(), 12);
    ASSERT_EQ(clip.GetAt(0)->Layers().GetCount(), 2);
    EXPECT_EQ(clip.GetAt(0)->MainObjects().GetCount(), 0);
    clip.NormalizeObjectTimes();
    CTrackLayer* layer = nullptr;
    clip.GetAt(0)->Layers().GetLayer(1, &layer);
    EXPECT_EQ(layer->Objects().GetAt(0)->GetStart(), 0);

    CTrackInfo* target = nullptr;
    ASSERT_TRUE(mix.FindById(12, &target));
    CTrackLayer* first = nullptr;
    target->Layers().GetLayer(0, &first);
    first->TimeMap().InsertPoint(1000000, 0, 1.0);
    first->TimeMap().InsertPoint(2000000, 1000000, 1.0);
    const int before = target->Layers().GetCount();
    mix.PasteObjectsAt(clip, 1500000);
    ASSERT_EQ(target->Layers().GetCount(), before + 2);
    target->Layers().GetLayer(before + 1, &layer);
    EXPECT_EQ(layer->Objects().GetAt(0)->GetStart(), 500000);

    // A clip track whose id is not in the list adds nothing.
    clip.GetAt(0)->SetTrackId(99);
    mix.PasteObjectsAt(clip, 1500000);
    EXPECT_EQ(target->Layers().GetCount(), before + 2);
}

TEST(TrackList, ArchiveRoundTripAndDamage)
{
    CTrackInfoContainer list;
    FillRich(list);
    const Bytes stored = ArchiveOf(list);
    EXPECT_EQ(stored[0], 2);
    CTrackInfoContainer back;
    LoadArchive(stored, [&](CArchive& a) { back.Serialize(a); });
    ASSERT_EQ(back.GetCount(), 2);
    EXPECT_TRUE(back.GetAt(0)->IsEqual(*list.GetAt(0)));
    EXPECT_TRUE(back.GetAt(1)->IsEqual(*list.GetAt(1)));
    EXPECT_EQ(ArchiveOf(back), stored);

    Bytes lying = stored;
    lying[3] = 0x40;  // a count of about a billion tracks
    CTrackInfoContainer none;
    EXPECT_THROW(LoadArchive(lying, [&](CArchive& a) { none.Serialize(a); }), CArchiveException);
    EXPECT_EQ(none.GetCount(), 0);
}

TEST_F(OleThread, EmptyListPutsACountOfZeroOnTheClipboard)
{
    CTrackInfoContainer empty;
    ASSERT_TRUE(empty.CopyToClipboard());
    EXPECT_TRUE(empty.CanPaste());
    IDataObject* data = nullptr;
    ASSERT_EQ(OleGetClipboard(&data), S_OK);
    FORMATETC format{static_cast<CLIPFORMAT>(empty.GetClipboardFormat()), nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium{};
    ASSERT_EQ(data->GetData(&format, &medium), S_OK);
    ASSERT_GE(GlobalSize(medium.hGlobal), 4u);
    const BYTE* bytes = static_cast<const BYTE*>(GlobalLock(medium.hGlobal));
    EXPECT_EQ(Bytes(bytes, bytes + 4), (Bytes{0, 0, 0, 0}));
    GlobalUnlock(medium.hGlobal);
    ReleaseStgMedium(&medium);
    data->Release();

    CTrackInfoContainer pasted;
    FillRich(pasted);
    ASSERT_TRUE(pasted.PasteFromClipboard());
    EXPECT_EQ(pasted.GetCount(), 0);

    // The other format is not there.
    CTrackInfoContainer objects;
    objects.SetClipboardFormatName(kTrackObjectsClipboardFormat);
    EXPECT_NE(objects.GetClipboardFormat(), empty.GetClipboardFormat());
    EXPECT_FALSE(objects.CanPaste());
    EXPECT_FALSE(objects.PasteFromClipboard());
}

TEST_F(OleThread, CopiedInOneProcessPastedInAnother)
{
    CTrackInfoContainer list;
    FillRich(list);
    ASSERT_TRUE(list.CopyToClipboard());
    const std::wstring out = TempPath(L"track-paste-");
    EXPECT_EQ(RunHelper(std::wstring(L"paste \"") + kTrackClipboardFormat + L"\" \"" + out + L"\""), 0u);
    EXPECT_EQ(ReadFileBytes(out), ArchiveOf(list));
    // The object format is not on the clipboard: the other process finds nothing to paste.
    EXPECT_EQ(RunHelper(std::wstring(L"paste \"") + kTrackObjectsClipboardFormat + L"\" \"" + out + L"\""), 2u);
    DeleteFileW(out.c_str());
}

TEST_F(OleThread, CopiedByAnotherProcessPastedHere)
{
    CTrackInfoContainer list;
    FillRich(list);
    const Bytes stored = ArchiveOf(list);
    const std::wstring in = TempPath(L"track-copy-");
    WriteFileBytes(in, stored);
    ASSERT_EQ(RunHelper(std::wstring(L"copy \"") + kTrackObjectsClipboardFormat + L"\" \"" + in + L"\""), 0u);
    DeleteFileW(in.c_str());

    CTrackInfoContainer objects;
    objects.SetClipboardFormatName(kTrackObjectsClipboardFormat);
    ASSERT_TRUE(objects.CanPaste());
    ASSERT_TRUE(objects.PasteFromClipboard());
    EXPECT_EQ(ArchiveOf(objects), stored);
    CTrackInfoContainer tracks;
    EXPECT_FALSE(tracks.CanPaste());
}

TEST_F(OleThread, DamagedClipboardDataIsAnArchiveError)
{
    auto* source = new COleDataSource();
    const BYTE damaged[] = {3, 0, 0, 0, 5, 0, 2, 0, 0xFF};
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, sizeof(damaged));
    std::memcpy(GlobalLock(block), damaged, sizeof(damaged));
    GlobalUnlock(block);
    CTrackInfoContainer list;
    source->CacheGlobalData(static_cast<CLIPFORMAT>(list.GetClipboardFormat()), block);
    ASSERT_EQ(source->SetClipboard(), S_OK);
    EXPECT_THROW(list.PasteFromClipboard(), CArchiveException);
    EXPECT_EQ(list.GetCount(), 0);
}

TEST(TrackList, DamagedArchivesLoadOrFailCleanly)
{
    CTrackInfoContainer list;
    FillRich(list);
    const Bytes stored = ArchiveOf(list);
    // Every byte in turn overwritten with values that make counts and lengths huge, negative
    // or zero; then every truncation. Each load either succeeds or ends in an archive error.
    int failures = 0;
    for (size_t i = 0; i < stored.size(); ++i)
        for (BYTE value : {BYTE{0xFF}, BYTE{0x7F}, BYTE{0x00}}) {
            Bytes damaged = stored;
            damaged[i] = value;
            CTrackInfoContainer back;
            try {
                LoadArchive(damaged, [&](CArchive& a) { back.Serialize(a); });
            } catch (const CArchiveException&) {
                ++failures;
            }
        }
    for (size_t cut = 0; cut < stored.size(); ++cut) {
        SCOPED_TRACE(cut);
        CTrackInfoContainer back;
        Bytes part(stored.begin(), stored.begin() + static_cast<long>(cut));
        EXPECT_THROW(LoadArchive(part, [&](CArchive& a) { back.Serialize(a); }), CArchiveException);
    }
    EXPECT_GT(failures, 0);
}
