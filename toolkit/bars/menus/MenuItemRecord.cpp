#include "toolkit/bars/menus/MenuItemRecord.h"

#include <unordered_set>

namespace {

std::unordered_set<const CUVMenuItemRecord*>& LiveRecords()
{
    static std::unordered_set<const CUVMenuItemRecord*> records;
    return records;
}

}  // namespace

CUVMenuItemRecord::CUVMenuItemRecord()
{
    LiveRecords().insert(this);
}

CUVMenuItemRecord::~CUVMenuItemRecord()
{
    LiveRecords().erase(this);
}

CUVMenuItemRecord* FindUVMenuItemRecord(ULONG_PTR data)
{
    auto* record = reinterpret_cast<CUVMenuItemRecord*>(data);
    if (!data || !LiveRecords().count(record) || record->marker != CUVMenuItemRecord::kMarker)
        return nullptr;
    return record;
}
