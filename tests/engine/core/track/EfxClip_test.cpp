// Effect clips on track layers: the "TREL" list and archive class 4 against hand-made bytes,
// tracks holding clips round-trip, the clip's range interface, and damaged lists.
#include <gtest/gtest.h>

#include "engine/core/track/EfxClip.h"
#include "engine/core/track/TrackInfo.h"
#include "engine/core/track/TrackObjContainer.h"
#include "engine/playback/effects/EfxManager.h"
#include "interfaces/IEfxManager.h"
#include "TrackModelBytes.h"

namespace {

const CLSID kPlugIn = {0xA1A2A3A4, 0xB1B2, 0xC1C2, {0xD1, 0xD2, 0xD3, 0xD4, 0xD5, 0xD6, 0xD7, 0xD8}};

Bytes TrkeData(long long start, long long end, long long fadeIn, long long fadeOut, float level)
{
    Bytes b;
    Put32(b, 48);
    Put32(b, 4);
    Put64(b, start);
    Put64(b, end);
    Put64(b, fadeIn);
    Put64(b, fadeOut);
    PutFloat(b, level);
    Put32(b, 0);
    return b;
}

Bytes EfxiData(const Bytes& settings, const std::wstring& name)
{
    Bytes b;
    Put32(b, 28);
    const BYTE* clsid = reinterpret_cast<const BYTE*>(&kPlugIn);
    b.insert(b.end(), clsid, clsid + 16);
    Put32(b, settings.size());
    Put32(b, name.size() + 1);
    b.insert(b.end(), settings.begin(), settings.end());
    PutWide(b, name, true);
    return b;
}

// A clip over [start, end] with fades, level and one effect {3 settings bytes, "Flanger"}.
CEfxClip* MakeClip(LONGLONG start, LONGLONG end)
{
    CEfxClip* clip = CEfxClip::Create(start, end);
    clip->SetTime(kEfxClipFadeInTime, 100);
    clip->SetTime(kEfxClipFadeOutTime, 200);
    clip->SetValue(kEfxClipLevelValue, 7500);
    CEfxInfoCntr list;
    CEfxInfo* info = CEfxInfo::Create();
    info->Set(kPlugIn, L"Flanger", kEfxNotInserted);
    ULONG written = 0;
    info->Write("\x01\x02\x03", 3, &written);
    list.Append(info);
    clip->Manager().SetEffectList(list);
    return clip;
}

TEST(EfxClip, TrelListMatchesTheLayoutAndReadsBack)
{
    CTrackObjContainer objects;
    objects.Append(MakeClip(1000, 5000));
    const Bytes expected = Form("TEST", {List("TREL", {Chunk("TRKE", TrkeData(1000, 5000, 100, 200, 0.75f)),
                                                       Chunk("EFXI", EfxiData({1, 2, 3}, L"Flanger"))})});
    EXPECT_EQ(WriteForm("TEST", [&](IRiffStream* s) { objects.WriteChunks(s); }), expected);

    CTrackObjContainer back;
    CRiffFile riff;
    ASSERT_TRUE(riff.OpenFromMemory(expected.data(), static_cast<int>(expected.size())));
    back.ReadChunks(&riff);
    ASSERT_EQ(back.GetCount(), 1);
    EXPECT_TRUE(back.IsEqualTo(objects));
    const auto* clip = static_cast<const CEfxClip*>(back.GetAt(0));
    EXPECT_EQ(clip->GetClass(), static_cast<DWORD>(kTrackObjEffectClip));
    EXPECT_EQ(clip->GetLevel(), 0.75f);
    ASSERT_EQ(clip->Manager().EffectList().GetCount(), 1);
    EXPECT_STREQ(clip->Manager().EffectList().GetAt(0)->GetName(), L"Flanger");

    // A "TREL" without a readable "TRKE" is no clip; a short "TRKE" neither.
    const Bytes noRecord = Form("TEST", {List("TREL", {Chunk("EFXI", EfxiData({}, L"X"))})});
    Bytes cut = TrkeData(1, 2, 3, 4, 1.0f);
    cut.resize(40);
    const Bytes shortRecord = Form("TEST", {List("TREL", {Chunk("TRKE", cut)})});
    for (const Bytes* form : {&noRecord, &shortRecord}) {
        CRiffFile bad;
        ASSERT_TRUE(bad.OpenFromMemory(form->data(), static_cast<int>(form->size())));
        back.ReadChunks(&bad);
        EXPECT_EQ(back.GetCount(), 0);
    }
}

TEST(EfxClip, ArchiveClassFourRoundTrips)
{
    CTrackObjContainer objects;
    CEfxClip* clip = MakeClip(-10, 90);
    clip->SetId(7);
    clip->SetEffectIndex(3);
    objects.Append(clip);
    Bytes expected;
    Put32(expected, 1);
    Put32(expected, 4);
    Put32(expected, 4);
    Put32(expected, kEfxClipType);
    Put32(expected, 7);
    Put32(expected, kTrackObjDefaultTag);
    for (long long v : {-10LL, 90LL, 100LL, 200LL})
        Put64(expected, v);
    PutFloat(expected, 0.75f);
    Put32(expected, 3);
    Put32(expected, 1);
    Put32(expected, 3);
    expected.insert(expected.end(), {1, 2, 3});
    PutArchivedString(expected, L"Flanger");
    Put32(expected, 16);
    const BYTE* id = reinterpret_cast<const BYTE*>(&kPlugIn);
    expected.insert(expected.end(), id, id + 16);
    EXPECT_EQ(StoreArchive([&](CArchive& a) { objects.Serialize(a); }), expected);

    CTrackObjContainer back;
    LoadArchive(expected, [&](CArchive& a) { back.Serialize(a); });
    EXPECT_TRUE(back.IsEqualTo(objects));
    for (size_t cut = 0; cut < expected.size(); cut += 7) {
        CTrackObjContainer partial;
        const Bytes part(expected.begin(), expected.begin() + static_cast<ptrdiff_t>(cut));
        EXPECT_THROW(LoadArchive(part, [&](CArchive& a) { partial.Serialize(a); }), CArchiveException) << cut;
    }
}

TEST(EfxClip, TracksWithClipsRoundTripInBothForms)
{
    CTrackInfo* track = new CTrackInfo();
    track->SetFilePath(L"C:\\music\\a.wav");
    ASSERT_TRUE(track->AddEffectClip(12, 3000, 9000));
    track->MainObjects().Append(MakeClip(100, 400));
    const Bytes chunks = WriteForm("TRKI", [&](IRiffStream* s) { track->WriteChunks(s, FALSE); });
    CTrackInfo* fromChunks = new CTrackInfo();
    {
        CRiffFile riff;
        ASSERT_TRUE(riff.OpenFromMemory(chunks.data(), static_cast<int>(chunks.size())));
        ASSERT_TRUE(fromChunks->ReadChunks(&riff, 0));
    }
    const Bytes archived = StoreArchive([&](CArchive& a) { track->Serialize(a); });
    CTrackInfo* fromArchive = new CTrackInfo();
    LoadArchive(archived, [&](CArchive& a) { fromArchive->Serialize(a); });
    for (CTrackInfo* back : {fromChunks, fromArchive}) {
        const CTrackObjContainer& objects = back->MainObjects();
        ASSERT_EQ(objects.CountObjects(kTrackObjEffectClip, kAllMask), 2);
        // The chunk form keeps no effect index; the archive form does.
        EXPECT_EQ(objects.GetAt(0)->GetStart(), 3000);
        EXPECT_EQ(objects.GetAt(1)->GetEnd(), 400);
        EXPECT_EQ(static_cast<const CEfxClip*>(objects.GetAt(1))->Manager().EffectList().GetCount(), 1);
    }
    EXPECT_EQ(static_cast<const CEfxClip*>(fromArchive->MainObjects().GetAt(0))->GetEffectIndex(), 12);
    EXPECT_EQ(StoreArchive([&](CArchive& a) { fromArchive->Serialize(a); }), archived);
    EXPECT_EQ(WriteForm("TRKI", [&](IRiffStream* s) { fromChunks->WriteChunks(s, FALSE); }), chunks);
    for (CTrackInfo* t : {track, fromChunks, fromArchive})
        t->ReleaseFromOwner();
}

TEST(EfxClip, RangeInterfaceAndEditing)
{
    CEfxClip* clip = MakeClip(1000, 2000);
    ITrackRange* range = nullptr;
    ASSERT_TRUE(clip->GetRangeInterface(&range));
    LONG value = 0;
    ASSERT_EQ(range->SetValue(kEfxClipLevelValue, 5000), S_OK);
    EXPECT_EQ(range->GetValue(kEfxClipLevelValue, &value), S_OK);
    EXPECT_EQ(value, 5000);
    EXPECT_EQ(range->SetValue(kEfxClipLevelValue, 2500), S_OK);
    EXPECT_EQ(clip->GetLevel(), 0.25f);
    const struct {
        const char* name;
        HRESULT result;
    } calls[] = {
        {"value kind 1", range->GetValue(1, &value)},
        {"time kind 1", range->SetTime(1, 5)},
        {"music time", range->GetMusicTime(1, nullptr)},
        {"label", range->SetLabel(0, L"x")},
        {"flags", range->SetFlags(1)},
        {"modified", range->IsModified()},
    };
    const HRESULT expected[] = {E_FAIL, E_FAIL, E_NOTIMPL, E_FAIL, E_NOTIMPL, S_FALSE};
    for (size_t i = 0; i < std::size(calls); ++i)
        EXPECT_EQ(calls[i].result, expected[i]) << calls[i].name;
    LONGLONG fade = 0;
    EXPECT_EQ(range->GetTime(kEfxClipFadeOutTime, &fade), S_OK);
    EXPECT_EQ(fade, 200);

    // The clip hands out its own effects manager.
    IEfxManager* manager = nullptr;
    ASSERT_EQ(clip->QueryInterface(IID_IEfxManager, reinterpret_cast<void**>(&manager)), S_OK);
    EXPECT_EQ(static_cast<IEfxManager*>(&clip->Manager()), manager);
    manager->Release();

    CTrackObj* piece = nullptr;
    ASSERT_TRUE(clip->CloneRange(1500, 5000, &piece));
    EXPECT_EQ(piece->GetStart(), 1500);
    EXPECT_EQ(piece->GetEnd(), 2000);
    EXPECT_FALSE(piece->IsEqual(*clip));
    piece->Move(-500);
    EXPECT_EQ(piece->GetStart(), 1000);
    piece->ReleaseObj();
    CTrackObj* copy = nullptr;
    ASSERT_TRUE(clip->Clone(&copy));
    EXPECT_TRUE(copy->IsEqual(*clip));
    copy->ReleaseObj();
    clip->ReleaseObj();
}

TEST(EfxClip, FuzzedTrelListsNeverCrashTheReader)
{
    CTrackObjContainer objects;
    objects.Append(MakeClip(10, 20));
    objects.Append(MakeClip(30, 40));
    const Bytes base = WriteForm("TEST", [&](IRiffStream* s) { objects.WriteChunks(s); });
    std::mt19937 random(99);
    for (int round = 0; round < 3000; ++round) {
        const Bytes data = Damaged(base, random);
        CRiffFile riff;
        if (!riff.OpenFromMemory(data.data(), static_cast<int>(data.size())))
            continue;
        CTrackObjContainer read;
        read.ReadChunks(&riff);
        EXPECT_LE(read.GetCount(), 2) << round;
    }
}

}  // namespace
