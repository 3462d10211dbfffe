// CEfxClip: an effect clip (class 4): a stretch of a track layer over which the clip's own effect
// chain (its CEfxManager, which has no owner) processes the track, faded in and out and mixed
// with the dry signal at a level (the share of the processed signal, 1.0 by default). Start and
// end are inclusive track times in microseconds; the fade lengths are time kinds 3 and 4.
//
// Chunk form: list "TREL" holding chunk "TRKE" (48 bytes: size 48, object kind 4, start, end,
// fade-in length, fade-out length, level, 0) and one "EFXI" chunk per effect of the clip.
// Everything runs under the global mix lock.
#pragma once

#include <windows.h>
#include <mmsystem.h>

#include "engine/core/track/TrackObj.h"
#include "interfaces/ITrackRange.h"

class CEfxManager;
class CEfxInfoCntr;
struct IArchive;

enum : int {
    kEfxClipFadeInTime = 3,
    kEfxClipFadeOutTime = 4,
    kEfxClipLevelValue = 4,
};

// The one object type of effect clips: filters select objects by type too.
inline constexpr DWORD kEfxClipType = 1;

class CEfxClip : public CTrackObj, public ITrackRange {
public:
    static constexpr FOURCC kListId = mmioFOURCC('T', 'R', 'E', 'L');
    static constexpr FOURCC kChunkId = mmioFOURCC('T', 'R', 'K', 'E');

    // A new clip with one reference for the caller; NULL when memory fails.
    static CEfxClip* Create(LONGLONG start = 0, LONGLONG end = 0);
    ~CEfxClip() override;

    DECLARE_STANDALONE_UNKNOWN

    // ITrackRange
    HRESULT STDMETHODCALLTYPE GetStart(LONGLONG* time) override;
    HRESULT STDMETHODCALLTYPE GetEnd(LONGLONG* time) override;
    HRESULT STDMETHODCALLTYPE SetStart(LONGLONG time) override;
    HRESULT STDMETHODCALLTYPE SetEnd(LONGLONG time) override;
    HRESULT STDMETHODCALLTYPE GetType(DWORD* type) override;
    HRESULT STDMETHODCALLTYPE IsModified() override;
    HRESULT STDMETHODCALLTYPE GetTime(int kind, LONGLONG* time) override;
    HRESULT STDMETHODCALLTYPE SetTime(int kind, LONGLONG time) override;
    HRESULT STDMETHODCALLTYPE GetMusicTime(int kind, IMusicTime* target) override;
    HRESULT STDMETHODCALLTYPE SetMusicTime(int kind, IMusicTime* source) override;
    // Kind 4: the level x 10000, truncated.
    HRESULT STDMETHODCALLTYPE GetValue(int kind, LONG* value) override;
    HRESULT STDMETHODCALLTYPE SetValue(int kind, LONG value) override;
    HRESULT STDMETHODCALLTYPE GetLabel(int kind, BSTR* text) override;
    HRESULT STDMETHODCALLTYPE SetLabel(int kind, LPCWSTR text) override;
    HRESULT STDMETHODCALLTYPE GetId(LONG* id) override;
    HRESULT STDMETHODCALLTYPE GetTag(DWORD* tag) override;
    HRESULT STDMETHODCALLTYPE SetTag(DWORD tag) override;
    HRESULT STDMETHODCALLTYPE GetFlags(DWORD* flags) override;
    HRESULT STDMETHODCALLTYPE SetFlags(DWORD flags) override;

    // CTrackObj. The clip answers IEfxManager with its own manager.
    HRESULT LookupInterface(REFIID iid, void** object) override;
    LONGLONG GetStart() const override { return m_start; }
    LONGLONG GetEnd() const override { return m_end; }
    BOOL Move(LONGLONG delta) override;
    BOOL CloneRange(LONGLONG from, LONGLONG to, CTrackObj** clone) const override;
    BOOL GetRangeInterface(ITrackRange** range) override;
    void Serialize(CArchive& archive) override;
    BOOL WriteChunk(IRiffStream* stream) const override;
    BOOL Clone(CTrackObj** clone) const override;
    BOOL IsEqual(const CTrackObj& other) const override;

    // Reads the children of a "TREL" list that is the stream's current level; FALSE when it has
    // no readable "TRKE" chunk.
    BOOL ReadChunks(IRiffStream* stream);

    using CTrackObj::GetTag;
    using CTrackObj::GetType;
    using CTrackObj::SetTag;
    LONGLONG GetFadeIn() const { return m_fadeIn; }
    LONGLONG GetFadeOut() const { return m_fadeOut; }
    float GetLevel() const { return m_level; }
    LONG GetEffectIndex() const { return m_effectIndex; }
    void SetEffectIndex(LONG index) { m_effectIndex = index; }
    CEfxManager& Manager() const { return *m_manager; }

private:
    CEfxClip(LONGLONG start, LONGLONG end, CEfxManager* manager);

    LONGLONG m_start;
    LONGLONG m_end;
    LONGLONG m_fadeIn = 0;
    LONGLONG m_fadeOut = 0;
    float m_level = 1.0f;
    LONG m_effectIndex = -2;
    // Holds the manager's own count (it has no owner).
    CEfxManager* m_manager;
};
