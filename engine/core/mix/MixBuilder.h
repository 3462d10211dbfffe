// CMixBuilder: turns the ordered track list of a mix into a playable timeline. It owns no state;
// the mix manager calls it on its track list after every change, the performance commands on the
// playing mix. It writes every track's first-layer time map (consecutive primary tracks overlap
// and, with intro and outro markers, meet beat to beat), the tempo markers that mirror the rates
// it lays, the pause and lead spans, and the default volume envelopes with the links that keep
// envelope markers attached to the intro and outro. Markers the user adjusted are kept and win
// over defaults. Everything runs under the global mix lock. Times are microseconds: track time is
// the axis of one track's objects, mix time the axis of the whole mix.
#pragma once

#include <windows.h>

#include <utility>
#include <vector>

class CMasterBeatMap;
class CTimeMap;
class CTrackInfo;
class CTrackInfoContainer;
class CTrackLayer;
struct IMixProfileSource;

// One link point of a beat-mixed overlay segment, kept during one call.
struct MIXBUILDER_LINKPOINT {
    LONGLONG mixTime;
    LONGLONG trackTime;
    double rate;
};

// Tempo marker types; the main value is BPM x 1000.
enum : DWORD {
    kTempoMarkerStart = 0x100000,
    kTempoMarkerBodyEnd = 0x200000,
    kTempoMarkerOutroStart = 0x400000,
    kTempoMarkerOutroEnd = 0x800000,
    kTempoMarkerMask = 0xF00000,
};

// Volume marker types of the default transitions; levels are hundredths of dB.
enum : DWORD {
    kFadeInStart = 0x10,
    kFadeInIntroStart = 0x20,
    kFadeInIntroEnd = 0x40,
    kFadeOutStart = 0x200,
    kFadeOutBeatMiddle = 0x400,
    kFadeOutStandardMiddle = 0x800,
    kFadeOutEnd = 0x1000,
    kFadeInFamily = 0x1F0,
    kFadeOutFamily = 0x5E00,
};

// Link kinds of a volume marker (second value) with its offset (second time).
enum : LONG {
    kLinkBeforeIntro = 1,
    kLinkInIntro = 2,
    kLinkBody = 3,
    kLinkInOutro = 4,
    kLinkAfterOutro = 5,
};

class CMixBuilder {
public:
    // Link points and beat alignment.
    static BOOL BuildMix(CTrackInfoContainer& tracks);
    static void AlignPrimaryTracks(CTrackInfoContainer& tracks);
    static BOOL LinkBeatSpans(CTrackInfo& outgoing, CTrackInfo& incoming);
    static BOOL LinkSpan(CTrackInfo& outgoing, CTrackInfo& incoming, LONGLONG a0, LONGLONG a1, LONGLONG b0,
                         LONGLONG b1);
    static void PlacePauseTracks(CTrackInfoContainer& tracks);
    static void SetLeadSpans(CTrackInfoContainer& tracks);
    // Overlay tracks and the further layers of primary tracks on the musical grid, then the
    // default transitions with relinking. Runs after the master beat map rebuilt.
    static BOOL LinkOverlayTracks(IMixProfileSource* source, CMasterBeatMap& beatMap, CTrackInfoContainer& tracks);
    static void PlaceOverlayTracks(CMasterBeatMap& beatMap, CTrackInfoContainer& tracks);
    static void LinkSegmentPoints(const MIXBUILDER_LINKPOINT& a, const MIXBUILDER_LINKPOINT& b, BOOL first,
                                  CTimeMap& map);

    // Tempo and rate markers.
    static BOOL FindTempoMarker(CTrackInfo& track, DWORD type, LONGLONG* position, double* bpm);
    static BOOL AddTempoMarker(CTrackInfo& track, DWORD type, LONGLONG position, double bpm);
    static void MoveMarkerOfType(CTrackInfo& track, DWORD type, LONGLONG position);
    // Removes the tempo markers the builder laid (not the user's) and answers the object id each
    // had, by type, so that the ones laid again in their place keep it (a second rebuild of a
    // rebuilt mix then changes nothing, and an undo gives back exactly the earlier mix).
    static std::vector<std::pair<DWORD, LONG>> RemoveDefaultTempoMarkers(CTrackInfo& track);
    // Gives each tempo marker laid since the removal (id -1) the id its type had before.
    static void KeepTempoMarkerIds(CTrackInfo& track, std::vector<std::pair<DWORD, LONG>> ids);
    static double GetUserStartTempo(CTrackInfo& track);
    static BOOL ComputeOutroTargetRate(CTrackInfo* incoming, CTrackInfo& outgoing, double* rate);
    static BOOL LayOutroTempoRamp(CTrackInfo* incoming, CTrackInfo& outgoing, LONGLONG rampStart);

    // Default transitions and envelope links. The source may be null: the profile-shaped
    // fade-out then falls back to the standard one.
    static void ApplyDefaultTransitions(IMixProfileSource* source, CTrackInfoContainer& tracks, BOOL relink);
    static BOOL SetVolumeMarker(CTrackInfo& track, DWORD type, LONGLONG position, LONG level);
    static void RemoveMarkersOfType(CTrackInfo& track, DWORD mask);
    static BOOL AreFadeInMarkersDefault(const CTrackInfo& track);
    static BOOL AreFadeOutMarkersDefault(const CTrackInfo& track);
    static void RelinkVolumeMarkers(CTrackInfo& track);
    static void PlaceLinkedVolumeMarkers(CTrackInfo& track);
    static BOOL PlaceStandardFadeOut(CTrackInfo& track);
    static BOOL PlaceBeatFadeOut(CTrackInfo& track);
    static BOOL PlaceProfileFadeOut(IMixProfileSource* source, CTrackInfo& outgoing, CTrackInfo& incoming);
    static void NormalizeTrackMarkers(CTrackInfo* committed, CTrackInfo& edit);
    static void ExtendFirstSegmentTo(CTrackInfo& track, LONGLONG time);
    static void ExtendLastSegmentTo(CTrackInfo& track, LONGLONG time);
    static void SpaceMarkers(CTrackLayer& layer, DWORD mask);
};
