// A music file's identity: 16 bytes from its audio data, seen as two unsigned 64-bit halves (low
// half first). All zero means no identity. Identities order by their bytes (memcmp).
#pragma once

#include <windows.h>

#include "interfaces/IMusicFileId.h"

class CArchive;

class CMusicFileId : public IMusicFileId {
public:
    static constexpr int kSize = 16;

    CMusicFileId() = default;
    CMusicFileId(const CMusicFileId& other) { SetBytes(other.m_bytes); }
    CMusicFileId& operator=(const CMusicFileId& other)
    {
        SetBytes(other.m_bytes);
        return *this;
    }
    virtual ~CMusicFileId() = default;

    HRESULT STDMETHODCALLTYPE GetId(LONGLONG* low, LONGLONG* high) override;
    HRESULT STDMETHODCALLTYPE SetId(LONGLONG low, LONGLONG high) override;

    BOOL IsValid() const;
    void SetBytes(const BYTE bytes[kSize]);
    const BYTE* GetBytes() const { return m_bytes; }
    void CopyTo(CMusicFileId& target) const { target = *this; }
    void AssignTo(IMusicFileId* target) const;
    BOOL IsEqual(const CMusicFileId& other) const { return EqualsBytes(other.m_bytes); }
    BOOL EqualsBytes(const BYTE bytes[kSize]) const;
    // TRUE when b's bytes sort before a's.
    static BOOL SortsAfter(const CMusicFileId& a, const CMusicFileId& b);

    bool operator==(const CMusicFileId& other) const { return IsEqual(other) != FALSE; }
    bool operator<(const CMusicFileId& other) const { return SortsAfter(other, *this) != FALSE; }

    // Low half, then high half, 64 bits each.
    void Serialize(CArchive& archive);

private:
    BYTE m_bytes[kSize] = {};
};
