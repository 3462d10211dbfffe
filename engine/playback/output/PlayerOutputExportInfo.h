// CPlayerOutputExportInfo: where the tracks of a mix lie, for an export's file markers and for the
// CD writer's track layout. The mix manager fills it (IMixManagerInternal::BuildExportTrackList)
// with one entry per track end or label marker; positions are microseconds of mix time.
#pragma once

#include <windows.h>

#include <vector>

#include "classlib/core/String.h"

struct CPlayerOutputExportInfoItem {
    LONGLONG position = 0;
    CString title;
    CString artist;
    CString album;
};

class CPlayerOutputExportInfo {
public:
    // What an export list marks: a primary track's outro start, its outro end, or each label
    // marker. In every mode the last primary track's entry lies at the end of the play list.
    enum Mode { kOutroStarts = 0, kTrackEnds = 1, kLabelMarkers = 2 };

    void AddItem(LONGLONG position, LPCWSTR title, LPCWSTR artist, LPCWSTR album);
    // False outside the list; any out pointer may be null.
    bool GetItem(int index, LONGLONG* position, CString* title, CString* artist, CString* album) const;
    int GetCount() const { return static_cast<int>(m_items.size()); }
    void RemoveAll() { m_items.clear(); }
    // Ascending by position: each index's item is exchanged with every later one that is strictly
    // smaller, so equal positions keep whatever order those exchanges leave.
    void SortByPosition();

private:
    std::vector<CPlayerOutputExportInfoItem> m_items;
};
