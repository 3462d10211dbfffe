// CUVCommandIconMap: command id -> three icons (normal, hot, disabled), owned by the map. A
// toolbar fills one from its image lists when a state is applied; the customise core's icon
// providers fill one with their commands' icons. UI thread only.
#pragma once

#include "toolkit/bars/look/Icon.h"

#include <windows.h>

#include <map>

class CUVCommandIconMap {
public:
    CUVCommandIconMap() = default;
    CUVCommandIconMap(const CUVCommandIconMap&) = delete;
    CUVCommandIconMap& operator=(const CUVCommandIconMap&) = delete;

    // Takes over the three icons (any may be NULL); the icons stored before for `id` are destroyed.
    void SetAt(UINT id, HICON normal, HICON hot, HICON disabled);
    // TRUE with the three icons (still owned by the map) when the command has icons.
    BOOL Lookup(UINT id, HICON* normal, HICON* hot, HICON* disabled) const;
    void RemoveAll() { m_icons.clear(); }
    int GetCount() const { return static_cast<int>(m_icons.size()); }

private:
    struct Icons {
        CUVIconHandle normal;
        CUVIconHandle hot;
        CUVIconHandle disabled;
    };
    std::map<UINT, Icons> m_icons;
};
