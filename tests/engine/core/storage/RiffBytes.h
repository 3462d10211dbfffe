#pragma once

// Builders of RIFF bytes by hand, independent of the code under test.

#include <windows.h>

#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

using Bytes = std::vector<BYTE>;

inline void PutDword(Bytes& out, DWORD value)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<BYTE>(value >> (8 * i)));
}

inline void PutId(Bytes& out, const char* id)
{
    out.insert(out.end(), id, id + 4);
}

// A chunk with its pad byte; sizeField overrides the size written in the header.
inline Bytes Chunk(const char* id, const Bytes& data, long long sizeField = -1)
{
    Bytes out;
    PutId(out, id);
    PutDword(out, sizeField >= 0 ? static_cast<DWORD>(sizeField) : static_cast<DWORD>(data.size()));
    out.insert(out.end(), data.begin(), data.end());
    if (data.size() & 1)
        out.push_back(0);
    return out;
}

inline Bytes ListOf(const char* kind, const char* type, std::initializer_list<Bytes> children)
{
    Bytes body;
    PutId(body, type);
    for (const Bytes& c : children)
        body.insert(body.end(), c.begin(), c.end());
    Bytes out;
    PutId(out, kind);
    PutDword(out, static_cast<DWORD>(body.size()));
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

inline Bytes List(const char* type, std::initializer_list<Bytes> children)
{
    return ListOf("LIST", type, children);
}

inline Bytes Form(const char* type, std::initializer_list<Bytes> children)
{
    return ListOf("RIFF", type, children);
}

inline Bytes Text(const char* text)
{
    return Bytes(text, text + std::strlen(text));
}

inline std::string FourCCText(DWORD id)
{
    return std::string(reinterpret_cast<const char*>(&id), 4);
}

inline Bytes Concat(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}
