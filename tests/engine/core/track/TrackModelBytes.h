// Hand-made bytes of the track model's stored forms, written field by field independently of the
// code under test, and small helpers to run chunk writers and readers over memory RIFF forms.
#pragma once

#include <windows.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "classlib/core/Archive.h"
#include "classlib/core/MemFile.h"
#include "engine/core/storage/RiffFile.h"

using Bytes = std::vector<BYTE>;

inline void Put16(Bytes& out, unsigned value)
{
    out.push_back(static_cast<BYTE>(value));
    out.push_back(static_cast<BYTE>(value >> 8));
}

inline void Put32(Bytes& out, unsigned long long value)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<BYTE>(value >> (8 * i)));
}

inline void Put64(Bytes& out, long long value)
{
    for (int i = 0; i < 8; ++i)
        out.push_back(static_cast<BYTE>(static_cast<unsigned long long>(value) >> (8 * i)));
}

inline void PutFloat(Bytes& out, float value)
{
    unsigned bits = 0;
    std::memcpy(&bits, &value, 4);
    Put32(out, bits);
}

inline void PutZeros(Bytes& out, size_t count)
{
    out.insert(out.end(), count, 0);
}

inline void PutWide(Bytes& out, const std::wstring& text, bool terminator)
{
    for (wchar_t c : text)
        Put16(out, static_cast<unsigned>(c));
    if (terminator)
        Put16(out, 0);
}

inline void PutId(Bytes& out, const char* id)
{
    out.insert(out.end(), id, id + 4);
}

inline Bytes Chunk(const char* id, const Bytes& data)
{
    Bytes out;
    PutId(out, id);
    Put32(out, data.size());
    out.insert(out.end(), data.begin(), data.end());
    if (data.size() & 1)
        out.push_back(0);
    return out;
}

inline Bytes ListOf(const char* kind, const char* type, const std::vector<Bytes>& children)
{
    Bytes body;
    PutId(body, type);
    for (const Bytes& c : children)
        body.insert(body.end(), c.begin(), c.end());
    Bytes out;
    PutId(out, kind);
    Put32(out, body.size());
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

inline Bytes List(const char* type, const std::vector<Bytes>& children)
{
    return ListOf("LIST", type, children);
}

inline Bytes Form(const char* type, const std::vector<Bytes>& children)
{
    return ListOf("RIFF", type, children);
}

inline constexpr BYTE kFileId[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};

// A track header "TRKH" (40 bytes) with the file id kFileId.
inline Bytes TrkhBody(long tempoMilli, long volume, DWORD flags, DWORD mixing)
{
    Bytes b;
    Put32(b, 40);
    Put32(b, 0);
    b.insert(b.end(), kFileId, kFileId + 16);
    Put32(b, static_cast<DWORD>(tempoMilli));
    Put32(b, static_cast<DWORD>(volume));
    Put32(b, flags);
    Put32(b, mixing);
    return b;
}

// A plain segment's "TRKS" chunk data (no beat record).
inline Bytes TrksPlain(long long start, long long end, long long source)
{
    Bytes b;
    Put16(b, 32);
    Put16(b, 0);
    Put32(b, 1);
    Put64(b, start);
    Put64(b, end);
    Put64(b, source);
    return b;
}

// A marker's "TRKM" chunk data without value or label.
inline Bytes TrkmPlain(DWORD type, long long position)
{
    Bytes b;
    Put16(b, 32);
    Put16(b, 0);
    Put32(b, type);
    Put64(b, position);
    Put32(b, 0);
    Put32(b, 0);
    PutZeros(b, 8);
    return b;
}

// The archived string of the framework: 0xFF, 0xFFFE, then a byte length below 0xFF (longer
// strings are not needed by these fixtures), then UTF-16LE characters.
inline void PutArchivedString(Bytes& out, const std::wstring& text)
{
    out.push_back(0xFF);
    Put16(out, 0xFFFE);
    out.push_back(static_cast<BYTE>(text.size()));
    PutWide(out, text, false);
}

// A damaged copy of base, from a fixed-seed generator: cut short half of the time, and up to
// five bits flipped.
inline Bytes Damaged(const Bytes& base, std::mt19937& random)
{
    Bytes data = base;
    if (random() % 2)
        data.resize(random() % (data.size() + 1));
    for (int flips = random() % 6; flips > 0 && !data.empty(); --flips)
        data[random() % data.size()] ^= static_cast<BYTE>(1u << (random() % 8));
    return data;
}

inline FOURCC Fourcc(const char* id)
{
    return mmioFOURCC(id[0], id[1], id[2], id[3]);
}

// Runs writer(stream) inside a memory form of the given type and returns the form's bytes.
template <typename Writer>
Bytes WriteForm(const char* type, Writer writer)
{
    CRiffFile riff;
    FOURCC form = Fourcc(type);
    if (!riff.CreateInMemory(&form))
        return {};
    writer(static_cast<IRiffStream*>(&riff));
    riff.Ascend();
    CMemFile store;
    {
        CArchive archive(&store, CArchive::store);
        riff.WriteImageTo(archive);
        archive.Close();
    }
    return Bytes(store.GetData(), store.GetData() + store.GetLength());
}

// Stores through serializer(archive) and returns the bytes.
template <typename Serializer>
Bytes StoreArchive(Serializer serializer)
{
    CMemFile store;
    {
        CArchive archive(&store, CArchive::store);
        serializer(archive);
        archive.Close();
    }
    return Bytes(store.GetData(), store.GetData() + store.GetLength());
}

// Loads bytes through loader(archive).
template <typename Loader>
void LoadArchive(const Bytes& bytes, Loader loader)
{
    CMemFile store;
    store.Write(bytes.data(), static_cast<UINT>(bytes.size()));
    store.SeekToBegin();
    CArchive archive(&store, CArchive::load);
    loader(archive);
}
