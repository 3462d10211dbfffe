#include "app/BrennockDoc.h"

#include "app/BstrResult.h"
#include "app/EngineBinding.h"
#include "app/MainFrame.h"
#include "app/UiUpdateHint.h"
#include "app/resource.h"
#include "classlib/com/UniqueBstr.h"
#include "classlib/ui/CmdUI.h"
#include "classlib/ui/DocTemplate.h"
#include "classlib/ui/View.h"
#include "classlib/ui/WindowedApp.h"
#include "interfaces/EngineIids.h"
#include "interfaces/ICatDisplayItemMgr.h"
#include "interfaces/IMixManager.h"
#include "interfaces/IUiUpdateQueue.h"

#include <algorithm>
#include <cwchar>

#include <commdlg.h>
#include <shlwapi.h>

IMPLEMENT_DYNCREATE(CBrennockDoc, CDocument)

BEGIN_MESSAGE_MAP(CBrennockDoc, CDocument)
ON_COMMAND(ID_FILE_OPEN, &CBrennockDoc::OnFileOpen)
ON_COMMAND(ID_FILE_APPEND_PLAYLIST, &CBrennockDoc::OnFileAppend)
ON_COMMAND(ID_FILE_CLOSE, &CBrennockDoc::OnFileClose)
ON_COMMAND(ID_FILE_SAVE, &CBrennockDoc::OnFileSave)
ON_COMMAND(ID_FILE_SAVE_AS, &CBrennockDoc::OnFileSaveAs)
ON_COMMAND(ID_EDIT_UNDO, &CBrennockDoc::OnEditUndo)
ON_COMMAND(ID_EDIT_REDO, &CBrennockDoc::OnEditRedo)
ON_UPDATE_COMMAND_UI(ID_EDIT_UNDO, &CBrennockDoc::OnUpdateEditUndo)
ON_UPDATE_COMMAND_UI(ID_EDIT_REDO, &CBrennockDoc::OnUpdateEditRedo)
ON_COMMAND(ID_VIEW_ALT_DISPLAY, &CBrennockDoc::OnAltDisplay)
ON_UPDATE_COMMAND_UI(ID_VIEW_ALT_DISPLAY, &CBrennockDoc::OnUpdateAltDisplay)
END_MESSAGE_MAP()

namespace {

constexpr wchar_t kSettings[] = L"Settings";
constexpr wchar_t kMostRecentPlayList[] = L"Most Recent PlayList";
constexpr int kFileBufferChars = 260;
constexpr WORD kAttributeTitle = 1;
constexpr WORD kAttributeArtist = 4;
// Update codes the document acts on after the views have seen them.
constexpr uint32_t kUpdateModified = 9;
constexpr uint32_t kUpdateOutputChanged = 18;
constexpr uint32_t kUpdateAnalysisComplete = 19;
constexpr uint32_t kUpdateTracksFromCatalogItem = 21;
constexpr uint32_t kUpdateScanningFile = 22;
constexpr uint32_t kUpdateCatalogUpdateComplete = 23;
constexpr uint32_t kUpdateAnalysisProgressFirst = 1000;  // + percent done
constexpr uint32_t kUpdateAnalysisProgressLast = 1100;

CString LoadText(UINT id)
{
    CString text;
    text.LoadString(id);
    return text;
}

// Copies an attribute text of the item into the caller's buffer of `size` characters.
BOOL CopyCatalogItemText(ICatDisplayItem* item, WORD attribute, wchar_t* buffer, int size)
{
    if (!buffer || size <= 0)
        return FALSE;
    BstrResult text;
    if (FAILED(item->GetAttribute(attribute, text.put())))
        return FALSE;
    // At most size - 1 characters, so that the terminator always fits.
    const int length = std::min(text.length(), size - 1);
    if (length > 0)
        wmemcpy(buffer, text.text(), static_cast<size_t>(length));
    buffer[length] = L'\0';
    return TRUE;
}

// The playlist file dialog of the open and append commands; an empty string when cancelled.
CString AskPlaylistPath(UINT titleId)
{
    CString title;
    title.LoadString(titleId);
    CString filter;
    filter.LoadString(IDS_PLAYLIST_FILTER);
    filter.Replace(L'|', L'\0');
    wchar_t file[kFileBufferChars] = L"";
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof(ofn);
    CWnd* main = AfxGetMainWnd();
    ofn.hwndOwner = main ? main->m_hWnd : nullptr;
    ofn.lpstrFilter = filter;
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file;
    ofn.nMaxFile = kFileBufferChars;
    ofn.lpstrTitle = title;
    ofn.lpstrDefExt = L"cfp";
    ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY;
    if (!GetOpenFileNameW(&ofn))
        return CString();
    return CString(file);
}

CWindowedApp* App()
{
    return AfxGetWindowedApp();
}

}  // namespace

CString PathFileTitle(const wchar_t* path)
{
    CString name = PathFindFileNameW(path ? path : L"");
    const int dot = name.ReverseFind(L'.');
    return dot > 0 ? name.Left(dot) : name;
}

BOOL CBrennockDoc::IsModified()
{
    return m_bModified;
}

void CBrennockDoc::SetModifiedFlag(BOOL modified)
{
    CString title = GetTitle();
    if (modified) {
        if (CWindowedApp* app = App())
            app->WriteProfileString(kSettings, kMostRecentPlayList, nullptr);
        if (!title.IsEmpty() && title.Right(1) != L"*")
            SetTitle(title + L" *");
    } else if (title.Right(1) == L"*") {
        SetTitle(title.Left(title.GetLength() - 2));
    }
    m_bModified = modified;
}

BOOL CBrennockDoc::OnNewDocument()
{
    const BOOL result = CDocument::OnNewDocument();
    if (result && m_pEngine)
        m_pEngine->NewMix();
    return result;
}

BOOL CBrennockDoc::OnOpenDocument(const wchar_t* path)
{
    if (!m_bEngineReady) {
        // The command line is processed before the frame has made the engine.
        m_strPendingPath = path;
        return TRUE;
    }
    BeginWaitCursor();
    const HRESULT hr = m_pEngine->LoadPlaylist(UniqueBstr(path).get(), FALSE);
    EndWaitCursor();
    // S_FALSE means the file could not be read or held no track: opening it would leave an
    // empty mix under the file's name, which the next save would write over the file.
    if (hr != S_OK) {
        AfxMessageBox(AFX_IDP_FAILED_TO_OPEN_DOC, MB_OK);
        return FALSE;
    }
    return TRUE;
}

void CBrennockDoc::SetPathName(const wchar_t* path, BOOL addToMru)
{
    const CString name = path ? path : L"";
    if (name.GetLength() >= 4 && name.Right(4).CompareNoCase(L".cfp") == 0) {
        CDocument::SetPathName(path, addToMru);
        return;
    }
    m_strPathName.Empty();
    SetTitle(PathFileTitle(name));
    if (CWindowedApp* app = addToMru ? AfxGetWindowedApp() : nullptr)
        app->AddToRecentFileList(name);
}

BOOL CBrennockDoc::OnSaveDocument(const wchar_t* path)
{
    if (!m_pEngine)
        return TRUE;
    const HRESULT hr = m_pEngine->SavePlaylist(UniqueBstr(path).get());
    if (FAILED(hr)) {
        AfxMessageBox(AFX_IDP_FAILED_TO_SAVE_DOC, MB_OK);
        return FALSE;
    }
    // A text export writes the file but does not save the document.
    const CString target = path;
    if (target.Right(3) == L"txt")
        return FALSE;
    SetModifiedFlag(FALSE);
    return TRUE;
}

BOOL CBrennockDoc::SaveModified()
{
    return TRUE;
}

BOOL CBrennockDoc::CreateEngine(BOOL reopenLastPlaylist, HWND mainWindow)
{
    HRESULT hr = CreateLocalInstance(CLSID_BrennockMain, IID_IBrennock, m_pEngine.put_void());
    DWORD versionMS = 0;
    DWORD versionLS = 0;
    GetEngineVersion(&versionMS, &versionLS);
    if (FAILED(hr) || !m_pEngine) {
        m_pEngine.reset();
        AfxMessageBox(IDS_ENGINE_LOAD_FAILED, MB_OK);
        return FALSE;
    }
    hr = m_pEngine->Initialize(mainWindow, m_pOuterObject.get(), versionMS, versionLS);
    if (FAILED(hr)) {
        AfxMessageBox(IDS_ENGINE_INIT_FAILED, MB_OK);
        return FALSE;
    }
    m_bEngineReady = TRUE;
    UpdateAllViews(nullptr, HINT_ENGINE_READY, nullptr);
    if (reopenLastPlaylist) {
        CString path = App() ? App()->GetProfileString(kSettings, kMostRecentPlayList) : CString();
        if (!m_strPendingPath.IsEmpty())
            path = m_strPendingPath;
        // Nothing remembered is nothing to open (and no failure to report). An open that
        // succeeds (S_OK) has brought at least one track.
        if (!path.IsEmpty() && OnOpenDocument(path)) {
            SetPathName(path, TRUE);
            const CString title = PathFileTitle(path);
            if (!title.IsEmpty())
                SetTitle(title);
            m_strPendingPath.Empty();
            return TRUE;
        }
    }
    // A playlist named on the command line has already given the document its name; when it
    // was not opened, the mix is empty and must not be saved under that name.
    if (!m_strPendingPath.IsEmpty()) {
        m_strPendingPath.Empty();
        ForgetPath();
    }
    return TRUE;
}

void CBrennockDoc::PumpUiUpdates()
{
    if (!m_pEngine)
        return;
    ComPtr<IUnknown> displayItems;
    if (FAILED(m_pEngine->QueryInterface(EngineIid::CatDisplayItemMgr, displayItems.put_void())) || !displayItems)
        return;
    ComPtr<IUiUpdateQueue> queue;
    if (FAILED(displayItems->QueryInterface(IID_IUiUpdateQueue, queue.put_void())) || !queue)
        return;
    int code = 0;
    int value = 0;
    while (queue->PopUpdate(&code, &value) == S_OK) {
        CUiUpdateHint hint(static_cast<uint32_t>(code), static_cast<uint32_t>(value));
        UpdateAllViews(nullptr, HINT_UI_UPDATE, &hint);
        ActOnUiUpdate(hint.code, hint.value);
    }
}

void CBrennockDoc::ActOnUiUpdate(uint32_t code, uint32_t value)
{
    if (code == kUpdateModified) {
        SetModifiedFlag(value != 0);
        return;
    }
    if (code == kUpdateTracksFromCatalogItem) {
        const ComPtr<IMixManager> mix = QueryEngine<IMixManager>(IID_IMixManager);
        if (mix)
            mix->UpdateTracksFromCatalogItem(value);
        return;
    }
    CMainFrame* frame = nullptr;
    if (!GetMainFrame(&frame))
        return;
    if (code == kUpdateOutputChanged) {
        frame->ShowOutputStatus();
        return;
    }
    CString text;
    CString item;
    if (code == kUpdateAnalysisComplete) {
        text = LoadText(IDS_ANALYSIS_COMPLETE);
    } else if (code == kUpdateCatalogUpdateComplete) {
        text = LoadText(IDS_CATALOG_UPDATE_COMPLETE);
    } else if (code == kUpdateScanningFile) {
        if (!FormatCatalogItemTitle(value, &item))
            return;
        text.Format(LoadText(IDS_SCANNING_FILE), item.GetString());
    } else if (code >= kUpdateAnalysisProgressFirst && code <= kUpdateAnalysisProgressLast) {
        if (!FormatCatalogItemTitle(value, &item))
            return;
        text.Format(LoadText(IDS_ANALYSIS_PROGRESS), static_cast<int>(code - kUpdateAnalysisProgressFirst),
                    item.GetString());
    } else {
        return;
    }
    frame->SetStatusText(0, text);
}

BOOL CBrennockDoc::ConfirmSaveOnClose()
{
    CWindowedApp* app = App();
    if (GetPathName().IsEmpty()) {
        if (app)
            app->WriteProfileString(kSettings, kMostRecentPlayList, nullptr);
        SetModifiedFlag(FALSE);
        return TRUE;
    }
    if (IsModified()) {
        CString format;
        format.LoadString(IDS_ASK_SAVE_PLAYLIST);
        CString prompt;
        prompt.Format(format, PathFileTitle(GetPathName()).GetString());
        switch (AfxMessageBox(prompt, MB_YESNOCANCEL | MB_ICONQUESTION, 0)) {
        case IDCANCEL:
            return FALSE;
        case IDYES:
            // A failed save keeps the program open, with the changes still there.
            if (!DoFileSave())
                return FALSE;
            break;
        default:
            if (app)
                app->WriteProfileString(kSettings, kMostRecentPlayList, nullptr);
            SetModifiedFlag(FALSE);
            return TRUE;
        }
    }
    if (app)
        app->WriteProfileString(kSettings, kMostRecentPlayList, GetPathName());
    return TRUE;
}

BOOL CBrennockDoc::GetMainFrame(CMainFrame** out)
{
    *out = nullptr;
    POSITION position = GetFirstViewPosition();
    CView* view = position ? GetNextView(position) : nullptr;
    CFrameWnd* frame = view ? view->GetParentFrame() : nullptr;
    if (!frame || !frame->IsKindOf(RUNTIME_CLASS(CMainFrame)))
        return FALSE;
    *out = static_cast<CMainFrame*>(frame);
    return TRUE;
}

void CBrennockDoc::OnFileOpen()
{
    const CString path = AskPlaylistPath(IDS_OPEN_PLAYLIST_TITLE);
    if (path.IsEmpty())
        return;
    OnNewDocument();
    if (OnOpenDocument(path))
        SetPathName(path);
    else
        ForgetPath();  // the mix was emptied for the open: a new document, under no file's name
}

void CBrennockDoc::ForgetPath()
{
    m_strPathName.Empty();
    if (CDocTemplate* docTemplate = GetDocTemplate())
        docTemplate->SetDefaultTitle(this);
}

void CBrennockDoc::OnFileAppend()
{
    const CString path = AskPlaylistPath(IDS_APPEND_PLAYLIST_TITLE);
    if (path.IsEmpty() || !m_bEngineReady)
        return;
    // A list that brought no track (unreadable, empty, every file missing) is reported as a failed
    // open is; the mix stays as it was.
    if (m_pEngine->LoadPlaylist(UniqueBstr(path).get(), TRUE) != S_OK)
        AfxMessageBox(AFX_IDP_FAILED_TO_OPEN_DOC, MB_OK);
}

void CBrennockDoc::OnFileClose()
{
    // The mix is emptied under no file's name: the frame must not go on showing the closed
    // playlist's title.
    OnNewDocument();
    ForgetPath();
}

void CBrennockDoc::OnFileSave()
{
    DoFileSave();
}

void CBrennockDoc::OnFileSaveAs()
{
    // The path changes only when the mix was really saved under it (not for a text export).
    DoSave(nullptr, TRUE);
}

void CBrennockDoc::OnAltDisplay()
{
    m_bAltDisplay = !m_bAltDisplay;
    UpdateAllViews(nullptr, HINT_ALT_DISPLAY, nullptr);
}

void CBrennockDoc::OnUpdateAltDisplay(CCmdUI* cmdUI)
{
    cmdUI->SetCheck(m_bAltDisplay ? 1 : 0);
}

void CBrennockDoc::OnEditUndo()
{
    const ComPtr<IMixManager> mix = QueryEngine<IMixManager>(IID_IMixManager);
    if (mix)
        mix->Undo();
}

void CBrennockDoc::OnEditRedo()
{
    const ComPtr<IMixManager> mix = QueryEngine<IMixManager>(IID_IMixManager);
    if (mix)
        mix->Redo();
}

void CBrennockDoc::OnUpdateEditUndo(CCmdUI* cmdUI)
{
    const ComPtr<IMixManager> mix = QueryEngine<IMixManager>(IID_IMixManager);
    cmdUI->Enable(mix && mix->CanUndo() == S_OK);
}

void CBrennockDoc::OnUpdateEditRedo(CCmdUI* cmdUI)
{
    const ComPtr<IMixManager> mix = QueryEngine<IMixManager>(IID_IMixManager);
    cmdUI->Enable(mix && mix->CanRedo() == S_OK);
}

template <class T>
ComPtr<T> CBrennockDoc::QueryEngine(REFIID iid)
{
    ComPtr<T> out;
    m_pEngine.query(iid, out);
    return out;
}

int CBrennockDoc::GetTrackCount()
{
    const ComPtr<IMixManager> mix = QueryEngine<IMixManager>(IID_IMixManager);
    int count = 0;
    if (!mix || FAILED(mix->GetTrackCount(&count)))
        return 0;
    return count;
}

int CBrennockDoc::GetCatalogItemCount()
{
    const ComPtr<ICatDisplayItemMgr> items = QueryEngine<ICatDisplayItemMgr>(IID_ICatDisplayItemMgr);
    int count = 0;
    if (!items || FAILED(items->GetCount(&count)))
        return 0;
    return count;
}

BOOL CBrennockDoc::GetCatalogItemTextAt(int index, WORD attribute, wchar_t* buffer, int size)
{
    const ComPtr<ICatDisplayItemMgr> items = QueryEngine<ICatDisplayItemMgr>(IID_ICatDisplayItemMgr);
    ComPtr<ICatDisplayItem> item;
    if (!items || FAILED(items->GetItemAt(index, item.put())) || !item)
        return FALSE;
    return CopyCatalogItemText(item.get(), attribute, buffer, size);
}

BOOL CBrennockDoc::GetCatalogItemText(DWORD id, WORD attribute, wchar_t* buffer, int size)
{
    const ComPtr<ICatDisplayItemMgr> items = QueryEngine<ICatDisplayItemMgr>(IID_ICatDisplayItemMgr);
    ComPtr<ICatDisplayItem> item;
    if (!items || FAILED(items->GetItemById(id, item.put())) || !item)
        return FALSE;
    return CopyCatalogItemText(item.get(), attribute, buffer, size);
}

BOOL CBrennockDoc::FindCatalogItemIndex(DWORD id, int* index)
{
    const ComPtr<ICatDisplayItemMgr> items = QueryEngine<ICatDisplayItemMgr>(IID_ICatDisplayItemMgr);
    if (!items)
        return FALSE;
    ComPtr<ICatDisplayItem> item;
    for (int i = 0; SUCCEEDED(items->GetItemAt(i, item.put())) && item; ++i) {
        DWORD itemId = 0;
        if (SUCCEEDED(item->GetId(&itemId)) && itemId == id) {
            *index = i;
            return TRUE;
        }
    }
    return FALSE;
}

BOOL CBrennockDoc::FindTrackIndex(DWORD id, BOOL byCatalogItem, int* index)
{
    const ComPtr<IMixManager> mix = QueryEngine<IMixManager>(IID_IMixManager);
    if (!mix)
        return FALSE;
    ComPtr<ITrackEditItem> track;
    for (int i = 0; SUCCEEDED(mix->GetVisibleTrack(i, track.put())) && track; ++i) {
        LONG trackValue = -1;
        const HRESULT hr = byCatalogItem ? track->GetCatalogItemId(&trackValue) : track->GetTrackId(&trackValue);
        if (SUCCEEDED(hr) && static_cast<DWORD>(trackValue) == id) {
            *index = i;
            return TRUE;
        }
    }
    return FALSE;
}

BOOL CBrennockDoc::FindTrackIndexByCatalogItem(DWORD catalogItemId, int* index)
{
    return FindTrackIndex(catalogItemId, TRUE, index);
}

BOOL CBrennockDoc::FindTrackIndexByTrackId(DWORD trackId, int* index)
{
    return FindTrackIndex(trackId, FALSE, index);
}

BOOL CBrennockDoc::SortCatalogItems(WORD column, BOOL order)
{
    const ComPtr<ICatDisplayItemMgr> items = QueryEngine<ICatDisplayItemMgr>(IID_ICatDisplayItemMgr);
    if (!items)
        return FALSE;
    items->Sort(column, order);
    return TRUE;
}

BOOL CBrennockDoc::GetCatalogItemDuration(DWORD id, LONGLONG* duration)
{
    const ComPtr<ICatDisplayItemMgr> items = QueryEngine<ICatDisplayItemMgr>(IID_ICatDisplayItemMgr);
    ComPtr<ICatDisplayItem> item;
    if (!items || FAILED(items->GetItemById(id, item.put())) || !item)
        return FALSE;
    return SUCCEEDED(item->GetDuration(duration));
}

BOOL CBrennockDoc::FormatCatalogItemTitle(DWORD id, CString* text)
{
    const ComPtr<ICatDisplayItemMgr> items = QueryEngine<ICatDisplayItemMgr>(IID_ICatDisplayItemMgr);
    ComPtr<ICatDisplayItem> item;
    if (!items || FAILED(items->GetItemById(id, item.put())) || !item)
        return FALSE;
    auto attributeText = [&item](WORD attribute) {
        BstrResult text;
        return SUCCEEDED(item->GetAttribute(attribute, text.put())) ? CString(text.text()) : CString();
    };
    const CString title = attributeText(kAttributeTitle);
    CString artist = attributeText(kAttributeArtist);
    if (artist.IsEmpty())
        artist.LoadString(IDS_UNKNOWN_ARTIST);
    CString format;
    format.LoadString(IDS_ITEM_BY_ARTIST);
    text->Format(format, title.GetString(), artist.GetString());
    return TRUE;
}

BOOL CBrennockDoc::FormatMixTrackTitle(DWORD trackId, CString* text)
{
    const ComPtr<IMixManager> mix = QueryEngine<IMixManager>(IID_IMixManager);
    if (!mix)
        return FALSE;
    ComPtr<ITrackEditItem> track;
    for (int i = 0; SUCCEEDED(mix->GetVisibleTrack(i, track.put())) && track; ++i) {
        LONG id = -1;
        if (FAILED(track->GetTrackId(&id)) || static_cast<DWORD>(id) != trackId)
            continue;
        LONG catalogItemId = -1;
        if (FAILED(track->GetCatalogItemId(&catalogItemId)))
            return FALSE;
        return FormatCatalogItemTitle(static_cast<DWORD>(catalogItemId), text);
    }
    return FALSE;
}
