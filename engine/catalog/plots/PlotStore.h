// CPlotStore: the loaded level plot of one catalog item, handed to the timeline as ITrackPlot.
// Until the plot cache's loader has filled it (or when its plot could not be loaded) it holds no
// bytes and every peak is 0.
//
// Threads: GetPeak runs on the user-interface thread while the loader fills the store; the
// store's lock guards its bytes and geometry. The use stamp belongs to the plot store manager
// and is changed only under the manager's lock.
#pragma once

#include <windows.h>

#include <vector>

#include "engine/core/server/SingleThreadLock.h"
#include "engine/core/server/Unknown.h"
#include "interfaces/ITrackPlot.h"

class CPlotStore : public ITrackPlot, public CUnknownStandAlone {
public:
    // rate and lengthMicroseconds: the item's, each left at 1 when 0.
    CPlotStore(DWORD itemId, DWORD sampleRate, LONGLONG lengthMicroseconds);

    DECLARE_STANDALONE_UNKNOWN
    HRESULT LookupInterface(REFIID iid, void** object) override;

    HRESULT STDMETHODCALLTYPE GetPeak(LONGLONG start, LONGLONG end, BOOL wrap, BYTE* peak, BOOL* crossesWrap) override;
    HRESULT STDMETHODCALLTYPE GetId(DWORD* id) override;

    DWORD GetItemId() const { return m_itemId; }
    // Takes the plot bytes; a block size of 0 keeps the current one.
    void Load(const std::vector<BYTE>& bytes, WORD blockSize);
    void Unload();
    bool IsLoaded();
    bool LoadFailed();
    void SetLoadFailed(bool failed);

    ULONGLONG GetUseStamp() const { return m_useStamp; }
    void SetUseStamp(ULONGLONG stamp) { m_useStamp = stamp; }

private:
    ULONGLONG m_useStamp = 0;
    const DWORD m_itemId;
    DWORD m_sampleRate = 1;
    LONGLONG m_lengthMicroseconds = 1;
    DWORD m_blockSize = 1;
    std::vector<BYTE> m_bytes;
    bool m_loaded = false;
    bool m_loadFailed = false;
    CSingleThreadToken m_lock;
};
