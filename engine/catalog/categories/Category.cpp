#include "engine/catalog/categories/Category.h"

#include "classlib/core/Archive.h"

namespace {

constexpr WORD kRecordVersion = 5;

}  // namespace

void CCategory::Serialize(CArchive& archive)
{
    if (archive.IsStoring()) {
        archive << kRecordVersion << static_cast<WORD>(0) << name << number;
        return;
    }
    WORD version = 0;
    WORD extension = 0;
    archive >> version >> extension >> name >> number;
}
