// The names in one packet of folder-change records (FILE_NOTIFY_INFORMATION, as
// ReadDirectoryChangesW writes them). Only the bytes the packet carries are read: every record
// header and every name must lie within them, and each record is taken once, following the
// next-entry offsets forward until an offset of 0. A packet of 0 bytes carries no records: the
// system's change buffer overflowed and the folder must be rescanned.
#pragma once

#include <windows.h>

#include <vector>

#include "classlib/core/String.h"

// The file names of the records, in order; a record whose name runs past `bytes` ends the walk.
std::vector<CString> ReadChangeRecordNames(const BYTE* buffer, DWORD bytes);
