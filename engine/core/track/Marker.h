// CMarker: a point on a track's timeline carrying a typed value (class 1). Envelope levels are
// hundredths of dB (-10000 silent), tempo values BPM x 1000. Chunk form "TRKM"; the second time
// and second value live only in the archive form.
#pragma once

#include "classlib/core/String.h"
#include "engine/core/track/TrackObj.h"
#include "interfaces/ITrackMarker.h"

struct IArchive;

// Marker type bits and masks.
enum : DWORD {
    kMarkerStart = 0x1,
    kMarkerEnd = 0x2,
    kMarkerStartEndMask = 0x3,
    kMarkerVolumeMask = 0xFFF0,
    kMarkerTrebleMask = 0x30000,
    kMarkerBassMask = 0xC0000,
    kMarkerTempoStart = 0x100000,
    kMarkerTempoEnd = 0x200000,
    kMarkerTempoMask = 0x300000,
    kMarkerMixPointMask = 0x1F00000,
    kMarkerLabel = 0x4000000,
    kMarkerObject = 0x10000000,
};

class CMarker : public CTrackObj, public ITrackMarker {
public:
    static constexpr FOURCC kChunkId = mmioFOURCC('T', 'R', 'K', 'M');

    explicit CMarker(DWORD type = 0, LONGLONG position = 0);

    DECLARE_STANDALONE_UNKNOWN

    // ITrackMarker
    HRESULT STDMETHODCALLTYPE GetPosition(LONGLONG* time) override;
    HRESULT STDMETHODCALLTYPE SetPosition(LONGLONG time) override;
    HRESULT STDMETHODCALLTYPE GetType(DWORD* type) override;
    HRESULT STDMETHODCALLTYPE IsModified() override;
    HRESULT STDMETHODCALLTYPE GetTime(int kind, LONGLONG* time) override;
    HRESULT STDMETHODCALLTYPE SetTime(int kind, LONGLONG time) override;
    HRESULT STDMETHODCALLTYPE GetId(LONG* id) override;
    HRESULT STDMETHODCALLTYPE GetValue(int kind, LONG* value) override;
    HRESULT STDMETHODCALLTYPE SetValue(int kind, LONG value) override;
    HRESULT STDMETHODCALLTYPE GetLabel(int kind, BSTR* text) override;
    HRESULT STDMETHODCALLTYPE SetLabel(int kind, LPCWSTR text) override;

    // CTrackObj
    LONGLONG GetStart() const override { return m_position; }
    LONGLONG GetEnd() const override { return m_position; }
    BOOL Move(LONGLONG delta) override;
    BOOL CloneRange(LONGLONG from, LONGLONG to, CTrackObj** clone) const override;
    BOOL GetMarkerInterface(ITrackMarker** marker) override;
    void Serialize(CArchive& archive) override;
    BOOL WriteChunk(IRiffStream* stream) const override;
    BOOL Clone(CTrackObj** clone) const override;
    BOOL IsEqual(const CTrackObj& other) const override;

    // Reads a "TRKM" chunk of size bytes; FALSE when it is too short for what it announces.
    BOOL ReadChunk(IArchive* archive, DWORD size);

    using CTrackObj::GetType;
    LONGLONG GetPositionValue() const { return m_position; }
    LONG GetMainValue() const { return m_value; }
    void SetMainValue(LONG value) { m_value = value; }
    BOOL IsUserAdjusted() const { return m_userAdjusted != 0; }
    void SetUserAdjusted(BOOL on) { m_userAdjusted = on ? 1 : 0; }
    const CString& GetLabelText() const { return m_label; }
    void SetLabelText(const CString& text) { m_label = text; }

private:
    LONGLONG m_position = 0;
    DWORD m_userAdjusted = 0;
    LONGLONG m_secondTime = 0;
    LONG m_secondValue = 0;
    LONG m_value = 0;
    CString m_label;
};
