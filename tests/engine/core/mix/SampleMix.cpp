#include "tests/engine/core/mix/SampleMix.h"

#include <gtest/gtest.h>

#include "engine/core/track/EfxClip.h"
#include "engine/core/track/Segment.h"
#include "engine/core/track/TrackLayer.h"
#include "engine/playback/effects/EfxInfo.h"

namespace mixtest {

namespace {

constexpr CLSID kEffectClsid = {0x12345678, 0x1234, 0x5678, {1, 2, 3, 4, 5, 6, 7, 8}};

void AddBeatSegment(CTrackObjContainer& objects, LONGLONG start, LONGLONG end, LONGLONG beats)
{
    auto* segment = new CSegment(kSegmentBeat, start, end, start / 2);
    for (int kind = 6; kind <= 10; ++kind)
        segment->SetTime(kind, beats * kind);
    objects.Append(segment);
}

// What the document stores of each object: its kind and span; a marker's value, flag and label;
// a segment's source, flags and beat values. (A marker's second coordinate and an effect clip's
// run-time effect index are the mix builder's and the effects manager's, made again on rebuild.)
void ExpectSameObjects(const CTrackObjContainer& expected, const CTrackObjContainer& actual)
{
    ASSERT_EQ(actual.GetCount(), expected.GetCount());
    for (int k = 0; k < expected.GetCount(); ++k) {
        SCOPED_TRACE(testing::Message() << "object " << k);
        const CTrackObj* e = expected.GetAt(k);
        const CTrackObj* a = actual.GetAt(k);
        ASSERT_EQ(a->GetClass(), e->GetClass());
        EXPECT_EQ(a->GetType(), e->GetType());
        EXPECT_EQ(a->GetStart(), e->GetStart());
        EXPECT_EQ(a->GetEnd(), e->GetEnd());
        if (e->GetClass() == kTrackObjMarker) {
            const auto* em = static_cast<const CMarker*>(e);
            const auto* am = static_cast<const CMarker*>(a);
            EXPECT_EQ(am->GetMainValue(), em->GetMainValue());
            EXPECT_EQ(am->IsUserAdjusted(), em->IsUserAdjusted());
            EXPECT_EQ(am->GetLabelText(), em->GetLabelText());
        } else if (e->GetClass() == kTrackObjSegment) {
            const auto* es = static_cast<const CSegment*>(e);
            const auto* as = static_cast<const CSegment*>(a);
            EXPECT_EQ(as->GetSource(), es->GetSource());
            EXPECT_EQ(as->GetFlagsValue(), es->GetFlagsValue());
            ASSERT_EQ(as->GetBeatRecord() != nullptr, es->GetBeatRecord() != nullptr);
            if (es->GetBeatRecord()) {
                for (int v = 0; v < 5; ++v)
                    EXPECT_EQ(as->GetBeatRecord()->beatValues[v], es->GetBeatRecord()->beatValues[v]);
            }
        }
    }
}

}  // namespace

void BuildSampleMix(Mix& mix, CMixGlobals& globals)
{
    AddTrack(mix, {120.0f, 64, 4, 8, 52, 8, kMixingBeat});
    AddTrack(mix, {126.0f, 48, 2, 4, 40, 4, kMixingBeat});
    AddPause(mix, 3000000);
    AddTrack(mix, {100.0f, 40, 0, 4, 32, 4, kMixingStandard});
    Rebuild(mix);

    CTrackInfo* first = mix.tracks.GetAt(0);
    first->AddEffectClip(3, 1000000, 9000000);
    first->SetVolumeOffset(-250);
    first->SetFilePath(L"C:\\Music\\M\u00fcller - First.mp3");
    auto* label = new CMarker(kMarkerLabel, 2000000);
    label->SetLabelText(L"Drop \u266b");
    first->MainObjects().Append(label);

    auto* overlay = new CTrackInfo();
    overlay->SetTrackId(99);
    overlay->SetFilePath(L"C:\\Music\\overlay.wav");
    overlay->SetBpm(124.0f);
    overlay->SetFlags(kTrackOverlay);
    overlay->SetMixingKind(kMixingStandard);
    AddBeatSegment(overlay->MainObjects(), 0, 4000000, 1000);
    CTrackLayer* second = nullptr;
    overlay->Layers().AddLayer(&second);
    AddBeatSegment(second->Objects(), 8000000, 12000000, 2000);
    auto* volume = new CMarker(0x10, 9000000);
    volume->SetMainValue(-600);
    volume->SetUserAdjusted(TRUE);
    second->Objects().Append(volume);
    overlay->AddEffectClip(5, 8500000, 11000000);
    mix.tracks.AppendReference(overlay);
    overlay->ReleaseFromOwner();

    for (int i = 0; i < CMixGlobals::kValueCount; ++i)
        globals.SetValue(i, 0x100 + i);
    CEfxInfo* effect = CEfxInfo::Create();
    effect->Set(kEffectClsid, L"Echo", 1);
    globals.Effects().Append(effect);
}

void ExpectSameTracks(const CTrackInfoContainer& expected, const CTrackInfoContainer& actual)
{
    ASSERT_EQ(actual.GetCount(), expected.GetCount());
    for (int i = 0; i < expected.GetCount(); ++i) {
        SCOPED_TRACE(testing::Message() << "track " << i);
        const CTrackInfo& e = *expected.GetAt(i);
        const CTrackInfo& a = *actual.GetAt(i);
        EXPECT_EQ(a.GetFilePath(), e.GetFilePath());
        EXPECT_TRUE(a.GetMusicFileId() == e.GetMusicFileId());
        EXPECT_EQ(a.GetBpm(), e.GetBpm());
        LONG expectedOffset = 0;
        LONG actualOffset = 0;
        const_cast<CTrackInfo&>(e).GetVolumeOffset(&expectedOffset);
        const_cast<CTrackInfo&>(a).GetVolumeOffset(&actualOffset);
        EXPECT_EQ(actualOffset, expectedOffset);
        EXPECT_EQ(a.GetFlags(), e.GetFlags());
        EXPECT_EQ(a.GetMixingKind(), e.GetMixingKind());
        ASSERT_EQ(a.Layers().GetCount(), e.Layers().GetCount());
        for (int l = 0; l < e.Layers().GetCount(); ++l) {
            CTrackLayer* el = nullptr;
            CTrackLayer* al = nullptr;
            e.Layers().GetLayer(l, &el);
            a.Layers().GetLayer(l, &al);
            EXPECT_GT(el->Objects().GetCount(), 0) << "layer " << l;
            ExpectSameObjects(el->Objects(), al->Objects());
        }
    }
}

void ExpectSameGlobals(const CMixGlobals& expected, const CMixGlobals& actual)
{
    for (int i = 0; i < CMixGlobals::kValueCount; ++i)
        EXPECT_EQ(actual.GetValue(i), expected.GetValue(i)) << "value " << i;
    EXPECT_EQ(actual.Effects().GetCount(), expected.Effects().GetCount());
    EXPECT_TRUE(actual.Effects().IsEqual(expected.Effects()));
}

}  // namespace mixtest
