#include "engine/core/track/V4TrackArchive.h"

#include <cmath>
#include <new>

#include "classlib/core/Archive.h"
#include "engine/core/track/Marker.h"
#include "engine/core/track/Segment.h"
#include "engine/core/track/StoredTimes.h"
#include "engine/core/track/TrackInfo.h"
#include "engine/core/track/TrackObjContainer.h"

namespace {

constexpr wchar_t kPausePath[] = L"PAUSE TRACK";

// The stored marker type index and the marker type it stands for.
constexpr DWORD kMarkerTypes[] = {
    0,      0x1,      0x2,      0x10,     0x20,     0x40, 0x200, 0x400,   0x800,   0x1000,
    0x8000, 0x100000, 0x200000, 0x400000, 0x800000, 0,    0,     0x10000, 0x40000, 0x4000000,
};

// A malformed blob: the archive's own fault, so that one handler covers both.
[[noreturn]] void Malformed()
{
    throw CArchiveException(CArchiveException::badIndex);
}

// What one conversion needs: the rate (a stored 0 counts as 1).
struct V4_CONTEXT {
    DWORD rate;
};

// A position or length in samples as a track time; one past the bound of stored track times
// is as malformed as one that does not fit.
LONGLONG ToMicroseconds(LONGLONG samples, const V4_CONTEXT& context)
{
    const __int128 us = static_cast<__int128>(samples) * 1000000 / context.rate;
    if (us > kMaxStoredTrackTime || us < -kMaxStoredTrackTime)
        Malformed();
    return static_cast<LONGLONG>(us);
}

// A list's count, refused when even its smallest elements could not fit in what is left.
DWORD ReadListCount(CArchive& archive, ULONGLONG elementSize)
{
    DWORD count = 0;
    archive >> count;
    archive.RequireAvailable(count * elementSize);
    return count;
}

struct CV4Segment {
    static constexpr ULONGLONG kSize = 24;
    LONGLONG start = 0;
    LONGLONG end = 0;
    LONGLONG source = 0;

    void Load(CArchive& archive) { archive >> start >> end >> source; }

    CSegment* MakeSegment(const V4_CONTEXT& context) const
    {
        CSegment* segment = new CSegment(kSegmentPlain, ToMicroseconds(start, context), ToMicroseconds(end, context),
                                         ToMicroseconds(source, context));
        return segment;
    }
};

struct CV4SlaveSegment : CV4Segment {
    static constexpr ULONGLONG kSize = CV4Segment::kSize + 2 * 6 + 4 * 8 + 4;
    // Beat values 9, 10, 6 and 7, in the order stored.
    LONGLONG beat9 = 0;
    LONGLONG beat10 = 0;
    LONGLONG beat6 = 0;
    LONGLONG beat7 = 0;

    void Load(CArchive& archive)
    {
        CV4Segment::Load(archive);
        DWORD measure = 0;
        WORD subCount = 0;
        DWORD unused = 0;
        archive >> measure >> subCount >> measure >> subCount;
        archive >> beat9 >> beat10 >> beat6 >> beat7 >> unused;
    }

    CSegment* MakeSegment(const V4_CONTEXT& context) const
    {
        // The parent's start and end and the length are track times (the mix times are laid
        // again from them).
        LONGLONG beat8 = 0;
        if (__builtin_sub_overflow(beat10, beat9, &beat8) || !IsStoredTrackTimeAccepted(beat8) ||
            !IsStoredTrackTimeAccepted(beat6) || !IsStoredTrackTimeAccepted(beat7))
            Malformed();
        CSegment* segment = CV4Segment::MakeSegment(context);
        segment->SetType(kSegmentBeat);
        segment->SetTime(6, beat6);
        segment->SetTime(7, beat7);
        segment->SetTime(8, beat8);
        segment->SetTime(9, beat9);
        segment->SetTime(10, beat10);
        return segment;
    }
};

struct CV4Marker {
    static constexpr ULONGLONG kSize = 16;
    DWORD userAdjusted = 0;
    LONGLONG position = 0;
    DWORD typeIndex = 0;

    void Load(CArchive& archive)
    {
        archive >> userAdjusted >> position >> typeIndex;
        if (typeIndex >= std::size(kMarkerTypes))
            Malformed();
    }

    CMarker* MakeMarker(const V4_CONTEXT& context) const
    {
        CMarker* marker = new CMarker(kMarkerTypes[typeIndex], ToMicroseconds(position, context));
        if (userAdjusted)
            marker->SetUserAdjusted(TRUE);
        return marker;
    }
};

struct CV4VolMarker : CV4Marker {
    static constexpr ULONGLONG kSize = CV4Marker::kSize + 4 + 4 + 8;
    LONG level = 0;

    void Load(CArchive& archive)
    {
        CV4Marker::Load(archive);
        DWORD unused4 = 0;
        LONGLONG unused8 = 0;
        archive >> level >> unused4 >> unused8;
    }

    CMarker* MakeMarker(const V4_CONTEXT& context) const
    {
        CMarker* marker = CV4Marker::MakeMarker(context);
        marker->SetMainValue(level);
        return marker;
    }
};

struct CV4TempoMarker : CV4Marker {
    static constexpr ULONGLONG kSize = CV4Marker::kSize + 4;
    float tempo = 0.0f;

    void Load(CArchive& archive)
    {
        CV4Marker::Load(archive);
        archive >> tempo;
        // BPM x 1000 must be a finite 32-bit value.
        if (!std::isfinite(tempo) || std::fabs(static_cast<double>(tempo)) * 1000.0 >= 2147483647.0)
            Malformed();
    }

    CMarker* MakeMarker(const V4_CONTEXT& context) const
    {
        CMarker* marker = CV4Marker::MakeMarker(context);
        marker->SetMainValue(static_cast<LONG>(static_cast<double>(tempo) * 1000.0));
        return marker;
    }
};

struct CV4LabelMarker : CV4Marker {
    // The smallest archived string is one length byte.
    static constexpr ULONGLONG kSize = CV4Marker::kSize + 1;
    CString label;

    void Load(CArchive& archive)
    {
        CV4Marker::Load(archive);
        archive >> label;
    }

    CMarker* MakeMarker(const V4_CONTEXT& context) const
    {
        CMarker* marker = CV4Marker::MakeMarker(context);
        marker->SetLabelText(label);
        return marker;
    }
};

// Reads a list of records of one class and appends what each becomes; answers the count.
template <typename Record>
DWORD LoadList(CArchive& archive, const V4_CONTEXT& context, CTrackObjContainer* objects)
{
    const DWORD count = ReadListCount(archive, Record::kSize);
    for (DWORD i = 0; i < count; ++i) {
        Record record;
        record.Load(archive);
        if constexpr (requires { record.MakeSegment(context); }) {
            if (objects)
                objects->Append(record.MakeSegment(context));
        } else if (objects) {
            objects->Append(record.MakeMarker(context));
        }
    }
    return count;
}

}  // namespace

BOOL LoadV4TrackArchive(CArchive& archive, CTrackInfo& track)
{
    if (archive.IsStoring())
        return TRUE;
    track.Layers().RemoveObjects(kAllMask, kAllMask);
    try {
        WORD version = 0;
        WORD second = 0;
        archive >> version >> second;
        if (version != 3 && version != 4)
            return TRUE;
        CString path;
        LONG linkId = 0;
        LONG trackId = 0;
        LONG catalogItemId = 0;
        LONGLONG fileIdLow = 0;
        LONGLONG fileIdHigh = 0;
        DWORD rate = 0;
        LONGLONG samples = 0;
        float tempo = 0.0f;
        DWORD unused = 0;
        archive >> path >> linkId >> trackId >> catalogItemId >> fileIdLow >> fileIdHigh >> rate >> samples >> tempo >>
            unused;
        if (!std::isfinite(tempo))
            Malformed();
        const DWORD skipped = ReadListCount(archive, 24);
        for (DWORD i = 0; i < skipped; ++i) {
            BYTE record[24];
            archive.ReadExactly(record, sizeof(record));
        }
        const V4_CONTEXT context{rate == 0 ? 1 : rate};
        track.SetFilePath(path.GetString());
        track.SetLinkId(linkId);
        track.SetTrackId(trackId);
        track.SetCatalogItemId(catalogItemId);
        CMusicFileId fileId;
        fileId.SetId(fileIdLow, fileIdHigh);
        track.SetMusicFileId(fileId);
        track.SetSampleInfo(context.rate, samples);
        track.m_tempo = CTrackInfo::IsStoredTempoAccepted(tempo) ? tempo : 0.0f;

        CTrackObjContainer& objects = track.MainObjects();
        LoadList<CV4Segment>(archive, context, &objects);
        LoadList<CV4Marker>(archive, context, &objects);
        archive >> unused;
        LoadList<CV4VolMarker>(archive, context, &objects);
        LONG volumeOffset = 0;
        archive >> unused >> volumeOffset;
        track.SetVolumeOffset(volumeOffset);
        LoadList<CV4TempoMarker>(archive, context, &objects);
        LoadList<CV4Marker>(archive, context, nullptr);
        const DWORD slaves = LoadList<CV4SlaveSegment>(archive, context, &objects);

        track.SetMixingKind(objects.CountObjects(kTrackObjMarker, kMarkerStart) > 1 ? kMixingBeat : kMixingStandard);
        if (slaves > 0) {
            track.SetFlags(kTrackOverlay);
            track.SetMixingKind(kMixingStandard);
        } else {
            track.SetFlags(kTrackPrimary);
        }
        if (path == kPausePath)
            track.MakePauseTrack();

        for (int envelope = 0; envelope < 2; ++envelope) {
            LoadList<CV4VolMarker>(archive, context, &objects);
            archive >> unused >> unused;
        }
        if (version == 4)
            LoadList<CV4LabelMarker>(archive, context, &objects);
    } catch (const CException&) {
        return FALSE;
    } catch (const std::bad_alloc&) {
        return FALSE;
    }
    return TRUE;
}
