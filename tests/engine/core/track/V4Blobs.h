// Hand-made blobs of the older track format (versions 3 and 4), written field by field, for the
// tests of the loader and of the mix documents that hold such blobs.
#pragma once

#include <string>
#include <vector>

#include "TrackModelBytes.h"

struct V4_MARKER {
    unsigned userAdjusted = 0;
    long long position = 0;
    unsigned typeIndex = 0;
    long long value = 0;  // level, tempo or nothing, by the list
    std::wstring label;
};

struct V4_SEGMENT {
    long long start = 0;
    long long end = 0;
    long long source = 0;
    long long beat9 = 0, beat10 = 0, beat6 = 0, beat7 = 0;  // slave segments only
};

struct V4_BLOB {
    unsigned version = 4;
    std::wstring path = L"C:\\Music\\a.mp3";
    unsigned rate = 44100;
    long long samples = 441000 * 3;
    float tempo = 120.0f;
    int volumeOffset = 0;
    std::vector<V4_SEGMENT> segments;
    std::vector<V4_MARKER> markers;
    std::vector<V4_MARKER> volume;
    std::vector<V4_MARKER> tempos;
    std::vector<V4_MARKER> unused;
    std::vector<V4_SEGMENT> slaves;
    std::vector<V4_MARKER> treble;
    std::vector<V4_MARKER> bass;
    std::vector<V4_MARKER> labels;
};

inline void PutV4Marker(Bytes& out, const V4_MARKER& m)
{
    Put32(out, m.userAdjusted);
    Put64(out, m.position);
    Put32(out, m.typeIndex);
}

inline void PutV4Volume(Bytes& out, const std::vector<V4_MARKER>& list)
{
    Put32(out, list.size());
    for (const V4_MARKER& m : list) {
        PutV4Marker(out, m);
        Put32(out, static_cast<unsigned>(m.value));
        PutZeros(out, 12);
    }
}

inline Bytes V4Blob(const V4_BLOB& b)
{
    Bytes out;
    Put16(out, b.version);
    Put16(out, 0);
    PutArchivedString(out, b.path);
    Put32(out, 7);  // link id
    Put32(out, 8);  // track id
    Put32(out, 9);  // catalog item id
    Put64(out, 0x1111);
    Put64(out, 0x2222);
    Put32(out, b.rate);
    Put64(out, b.samples);
    PutFloat(out, b.tempo);
    Put32(out, 0);
    Put32(out, 2);  // two skipped 24-byte records
    PutZeros(out, 48);
    Put32(out, b.segments.size());
    for (const V4_SEGMENT& s : b.segments) {
        Put64(out, s.start);
        Put64(out, s.end);
        Put64(out, s.source);
    }
    Put32(out, b.markers.size());
    for (const V4_MARKER& m : b.markers)
        PutV4Marker(out, m);
    Put32(out, 0);
    PutV4Volume(out, b.volume);
    Put32(out, 0);
    Put32(out, static_cast<unsigned>(b.volumeOffset));
    Put32(out, b.tempos.size());
    for (const V4_MARKER& m : b.tempos) {
        PutV4Marker(out, m);
        PutFloat(out, static_cast<float>(m.value) / 1000.0f);
    }
    Put32(out, b.unused.size());
    for (const V4_MARKER& m : b.unused)
        PutV4Marker(out, m);
    Put32(out, b.slaves.size());
    for (const V4_SEGMENT& s : b.slaves) {
        Put64(out, s.start);
        Put64(out, s.end);
        Put64(out, s.source);
        Put32(out, 3);  // musical positions, not used
        Put16(out, 1);
        Put32(out, 5);
        Put16(out, 0);
        Put64(out, s.beat9);
        Put64(out, s.beat10);
        Put64(out, s.beat6);
        Put64(out, s.beat7);
        Put32(out, 0);
    }
    for (const auto* envelope : {&b.treble, &b.bass}) {
        PutV4Volume(out, *envelope);
        Put32(out, 0);
        Put32(out, 0);
    }
    if (b.version == 4) {
        Put32(out, b.labels.size());
        for (const V4_MARKER& m : b.labels) {
            PutV4Marker(out, m);
            PutArchivedString(out, m.label);
        }
    }
    return out;
}
