// The mix document (extension "cfp", RIFF form "CFMP"): the tracks of the mix with their layers,
// segments, markers and effect clips, the mix globals, a 12-byte version record "CFVR" and the
// video list of the optional video handler. Four forms are read: 0x30000 (a record file of
// older track archives), 0x40000 (one "TRKB" archive per track), 0x40005 (one layer of objects
// directly in each "TRKI") and the current form (layers in "TKLY" lists), which alone is
// written.
//
// Reading never writes: the file is opened for reading only, and a failed read hands nothing
// back. Writing goes to a new file beside the target, which replaces the target only when every
// step succeeded.
#pragma once

#include <windows.h>
#include <mmsystem.h>

class CMixGlobals;
class CTrackInfoContainer;
struct IVideoClipList;

#pragma pack(push, 1)
struct CFVR_RECORD {
    WORD size;
    WORD zero;
    DWORD version1;  // the document's format version
    DWORD version2;
};
#pragma pack(pop)
static_assert(sizeof(CFVR_RECORD) == 12, "CFVR is 12 bytes");

inline constexpr FOURCC kMixDocumentFormId = mmioFOURCC('C', 'F', 'M', 'P');
inline constexpr DWORD kMixVersionRecordFile = 0x30000;
inline constexpr DWORD kMixVersionTrackArchives = 0x40000;
inline constexpr DWORD kMixVersionFlat = 0x40005;
inline constexpr DWORD kMixVersionCurrent = 0x50001;

// Whether the path names a mix document: its last three characters are "cfp" in any case. Every
// other path is read as a list of file names, so a mix is written only to such a path.
BOOL IsMixDocumentPath(LPCWSTR path);

// Writes the current form to path (flat: every layer's objects in one run, as the oldest
// readers expect). TRUE only when the new file is complete and in place; on any failure the
// file at path is as it was. A path that is not a mix document path fails before anything is
// written.
BOOL WriteMixFile(IVideoClipList* video, CFVR_RECORD* record, LPCWSTR path, const CTrackInfoContainer& tracks,
                  const CMixGlobals& globals, BOOL flat);

// Reads a document of any form. On success tracks holds its tracks (a track that cannot be
// read is left out), globals its globals, record the stored version record (zero when there is
// none) and *version the form read. On failure tracks, globals and *version are unchanged (the
// video handler may have seen tracks go by).
BOOL ReadMixFile(CFVR_RECORD* record, LPCWSTR path, CTrackInfoContainer& tracks, CMixGlobals& globals,
                 IVideoClipList* video, DWORD* version);
