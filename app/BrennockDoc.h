// CBrennockDoc: the program's one document. It owns the engine object, turns new, open, save and
// close into engine calls, carries undo and redo to the mix manager, answers the views' questions
// about the mix and the catalog, keeps the modified mark in the title and the last playlist in the
// profile, and pumps the engine's update messages to the views and the frame (every 25 ms, from
// the main frame's timer). UI thread only.
#pragma once

#include "classlib/com/ComPtr.h"
#include "classlib/ui/Document.h"
#include "interfaces/IBrennock.h"

#include <cstdint>

class CMainFrame;

class CBrennockDoc : public CDocument {
    DECLARE_DYNCREATE(CBrennockDoc)
public:
    CBrennockDoc() = default;

    BOOL IsModified() override;
    void SetModifiedFlag(BOOL modified = TRUE) override;
    BOOL OnNewDocument() override;
    // Only an engine answer of S_OK opens; anything else is reported and the open fails.
    BOOL OnOpenDocument(const wchar_t* path) override;
    // A mix opened from a playlist of file names (anything but a mix document) takes the list's
    // title but not its path: no save is ever aimed at the list, the first one asks for a mix
    // document's name.
    void SetPathName(const wchar_t* path, BOOL addToMru = TRUE) override;
    // Saves the mix; FALSE when the engine failed (reported) or the path is a text export, which
    // never becomes the document's path. A saved mix clears the modified flag.
    BOOL OnSaveDocument(const wchar_t* path) override;
    BOOL SaveModified() override;

    // Binds and initialises the engine with the main window; once, from the frame's start-up.
    BOOL CreateEngine(BOOL reopenLastPlaylist, HWND mainWindow);
    void PumpUiUpdates();
    // Asks about unsaved changes before the frame closes; FALSE when the user cancelled or the
    // save failed.
    BOOL ConfirmSaveOnClose();
    BOOL GetMainFrame(CMainFrame** out);

    // Questions the views ask of the engine: each queries its service, makes its call and lets
    // it go; 0 or FALSE when the engine or the service is missing. Texts are cut to fit `size`
    // characters including the terminator.
    int GetTrackCount();
    int GetCatalogItemCount();
    BOOL GetCatalogItemTextAt(int index, WORD attribute, wchar_t* buffer, int size);
    BOOL GetCatalogItemText(DWORD id, WORD attribute, wchar_t* buffer, int size);
    BOOL FindCatalogItemIndex(DWORD id, int* index);
    BOOL FindTrackIndexByCatalogItem(DWORD catalogItemId, int* index);
    BOOL FindTrackIndexByTrackId(DWORD trackId, int* index);
    BOOL SortCatalogItems(WORD column, BOOL order);
    BOOL GetCatalogItemDuration(DWORD id, LONGLONG* duration);
    // "\"title\" by artist" of a catalog item, "unknown" for an empty artist.
    BOOL FormatCatalogItemTitle(DWORD id, CString* text);
    BOOL FormatMixTrackTitle(DWORD trackId, CString* text);

    IBrennock* GetEngine() const { return m_pEngine.get(); }
    BOOL IsEngineReady() const { return m_bEngineReady; }
    BOOL IsAltDisplay() const { return m_bAltDisplay; }

protected:
    // One reference to the engine's service `T` (asked by `iid`), empty without engine or service.
    template <class T>
    ComPtr<T> QueryEngine(REFIID iid);
    // The engine's answer for the visible tracks, walked from the first until it fails: the
    // position of the first track whose catalog item id (or track id) is `id`.
    BOOL FindTrackIndex(DWORD id, BOOL byCatalogItem, int* index);
    // What the document does with one update after the views: the modified flag, the tracks of
    // a refreshed catalog item, the progress texts in the frame's status bar.
    void ActOnUiUpdate(uint32_t code, uint32_t value);

    // Makes the document a new one without a file: no path, the default title.
    void ForgetPath();
    void OnFileOpen();
    void OnFileAppend();
    void OnFileClose();
    void OnFileSave();
    void OnFileSaveAs();
    void OnEditUndo();
    void OnEditRedo();
    void OnUpdateEditUndo(CCmdUI* cmdUI);
    void OnUpdateEditRedo(CCmdUI* cmdUI);
    void OnAltDisplay();
    void OnUpdateAltDisplay(CCmdUI* cmdUI);

    ComPtr<IBrennock> m_pEngine;
    ComPtr<IUnknown> m_pOuterObject;
    BOOL m_bEngineReady = FALSE;
    BOOL m_bAltDisplay = FALSE;
    CString m_strPendingPath;

    DECLARE_MESSAGE_MAP()
};

// The file title of a path: its name without folder and extension.
CString PathFileTitle(const wchar_t* path);
