// CCatImporter: brings music files into the catalog on a worker thread: paths handed over one by
// one, or a whole folder tree, optionally into a category. The caller follows the import through
// the returned progress status and may cancel it there. The catalog owns the importer.
//
// Threads: AddFile and the starts come from the user-interface thread; the worker runs one import
// at a time. The pending list is shared with the worker, so it is guarded by the importer's lock,
// and a start while a worker runs is refused: a second worker would walk the same list.
#pragma once

#include <windows.h>

#include <vector>

#include "classlib/com/ComPtr.h"
#include "classlib/com/UniqueHandle.h"
#include "classlib/core/String.h"
#include "engine/catalog/files/FolderWalk.h"
#include "engine/core/server/ProgressStatus.h"
#include "engine/core/server/SingleThreadLock.h"
#include "engine/core/server/Unknown.h"

class CCatalog;

class CCatImporter : public CUnknown {
public:
    // Engine strings of the progress texts.
    static constexpr UINT kImportingStringId = 13;
    static constexpr UINT kFileFoundStringId = 14;
    // Posted to the engine's queue when a text-list import ended.
    static constexpr int kTextListImportedCode = 3;

    // outer: the engine main object, through which the worker reaches the catalog, the file
    // mapper, the category manager and the display lists.
    explicit CCatImporter(IUnknown* outer);
    // Waits for a running worker after asking it to stop.
    ~CCatImporter() override;

    // Appends to the pending list and forgets a folder set before. E_FAIL while an import runs.
    HRESULT AddFile(const wchar_t* path);
    // Imports the pending files (with expandFolders, also the supported files in the trees of
    // listed folders) into category (NULL or empty for none). E_FAIL while an import runs.
    HRESULT StartFiles(const wchar_t* category, BOOL expandFolders, IProgressStatus** status);
    HRESULT StartDirectory(const wchar_t* folder, const wchar_t* category, IProgressStatus** status);
    // Imports the files of a catalog text file with the attributes and categories it lists.
    // E_FAIL while an import runs.
    HRESULT StartTextList(const wchar_t* path, IProgressStatus** status);
    // Reads a record file of stored tracks (opened only for reading: a damaged file is skipped
    // over, never repaired) into the saved mix settings, under each track's stored identity and,
    // where it differs, under its music file's present identity. E_FAIL when the file cannot be
    // opened.
    HRESULT ImportDefaultTrackSettings(const wchar_t* path);
    // Asks a running worker to stop and waits for it.
    void Stop();

private:
    static DWORD WINAPI FilesWorkerProc(void* parameter);
    static DWORD WINAPI TextListWorkerProc(void* parameter);
    void RunFiles();
    void RunTextList();
    // Lets go of the pending list and completes the status.
    void Finish();
    void ScanFolder(CCatalog* catalog, const CString& folder);
    HRESULT StartWorker(LPTHREAD_START_ROUTINE proc, IProgressStatus** status);
    CString Text(UINT id, const wchar_t* fallback, const CString& path);
    // Under the lock.
    bool IsRunning() const { return m_running; }

    std::vector<CString> m_pending;
    ComPtr<CProgressStatus> m_status;
    CString m_textList;
    CString m_folder;
    CString m_category;
    CSingleThreadToken m_lock;
    UniqueKernelHandle m_worker;
    // Set from a start until the worker has let go of the pending list.
    bool m_running = false;
};
