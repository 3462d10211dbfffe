#include "classlib/ui/Document.h"

#include "classlib/ui/DocTemplate.h"
#include "classlib/ui/FrameWnd.h"
#include "classlib/ui/View.h"
#include "classlib/ui/WindowedApp.h"

#include <algorithm>
#include <shlwapi.h>

IMPLEMENT_DYNAMIC(CDocument, CCmdTarget)

CDocument::~CDocument()
{
    for (CView* view : m_viewList)
        view->m_pDocument = nullptr;
    if (m_pDocTemplate)
        m_pDocTemplate->RemoveDocument(this);
}

void CDocument::SetTitle(const wchar_t* title)
{
    m_strTitle = title;
    UpdateFrameCounts();
}

void CDocument::SetPathName(const wchar_t* path, BOOL addToMru)
{
    m_strPathName = path;
    CString fileTitle;
    wchar_t* buffer = fileTitle.GetBuffer(MAX_PATH);
    if (GetFileTitleW(path, buffer, MAX_PATH) != 0)
        buffer[0] = L'\0';
    fileTitle.ReleaseBuffer();
    SetTitle(fileTitle.IsEmpty() ? CString(path) : fileTitle);
    if (addToMru) {
        if (CWindowedApp* app = AfxGetWindowedApp())
            app->AddToRecentFileList(path);
    }
}

BOOL CDocument::IsModified()
{
    return m_bModified;
}

void CDocument::SetModifiedFlag(BOOL modified)
{
    m_bModified = modified;
}

BOOL CDocument::OnNewDocument()
{
    DeleteContents();
    m_strPathName.Empty();
    SetModifiedFlag(FALSE);
    return TRUE;
}

BOOL CDocument::OnOpenDocument(const wchar_t*)
{
    return FALSE;
}

BOOL CDocument::OnSaveDocument(const wchar_t*)
{
    return FALSE;
}

BOOL CDocument::SaveModified()
{
    if (!IsModified())
        return TRUE;
    const CString name = m_strPathName.IsEmpty() ? m_strTitle : m_strPathName;
    switch (AfxMessageBox(CString(L"Save changes to ") + name + L"?", MB_YESNOCANCEL, 0)) {
    case IDCANCEL:
        return FALSE;
    case IDYES:
        return DoFileSave();
    default:
        return TRUE;
    }
}

BOOL CDocument::CanCloseFrame(CFrameWnd*)
{
    return SaveModified();
}

BOOL CDocument::DoSave(const wchar_t* path, BOOL replace)
{
    CString target = path ? path : L"";
    if (target.IsEmpty()) {
        CString filter;
        CString ext;
        if (m_pDocTemplate) {
            m_pDocTemplate->GetDocString(filter, CDocTemplate::filterName);
            m_pDocTemplate->GetDocString(ext, CDocTemplate::filterExt);
        }
        CString filterSpec = filter + L'\0' + L'*' + ext + L'\0' + L'\0';
        wchar_t file[MAX_PATH] = L"";
        OPENFILENAMEW ofn{};
        ofn.lStructSize = sizeof(ofn);
        ofn.hwndOwner = AfxGetMainWnd() ? AfxGetMainWnd()->m_hWnd : nullptr;
        ofn.lpstrFilter = filter.IsEmpty() ? nullptr : filterSpec.GetString();
        ofn.lpstrFile = file;
        ofn.nMaxFile = MAX_PATH;
        ofn.lpstrDefExt = ext.IsEmpty() ? nullptr : ext.GetString() + (ext[0] == L'.' ? 1 : 0);
        ofn.Flags = OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST;
        if (!GetSaveFileNameW(&ofn))
            return FALSE;
        target = file;
    }
    if (!OnSaveDocument(target))
        return FALSE;
    if (replace)
        SetPathName(target);
    return TRUE;
}

BOOL CDocument::DoFileSave()
{
    return DoSave(m_strPathName);
}

void CDocument::OnCloseDocument()
{
    // Destroying a frame destroys its views, which leave this document as they go.
    const BOOL autoDelete = m_bAutoDelete;
    m_bAutoDelete = FALSE;
    while (!m_viewList.empty()) {
        CView* view = m_viewList.front();
        CFrameWnd* frame = view->GetParentFrame();
        if (frame)
            frame->DestroyWindow();
        else
            view->DestroyWindow();
        if (!m_viewList.empty() && m_viewList.front() == view)
            RemoveView(view);
    }
    m_bAutoDelete = autoDelete;
    DeleteContents();
    if (m_bAutoDelete)
        delete this;
}

void CDocument::AddView(CView* view)
{
    m_viewList.push_back(view);
    view->m_pDocument = this;
}

void CDocument::RemoveView(CView* view)
{
    m_viewList.erase(std::remove(m_viewList.begin(), m_viewList.end(), view), m_viewList.end());
    view->m_pDocument = nullptr;
}

void CDocument::UpdateAllViews(CView* sender, LPARAM hint, CObject* hintObject)
{
    // A copy: a view's update may add or remove views.
    const std::vector<CView*> views = m_viewList;
    for (CView* view : views) {
        if (view != sender)
            view->OnUpdate(sender, hint, hintObject);
    }
}

POSITION CDocument::GetFirstViewPosition() const
{
    return m_viewList.empty() ? nullptr : reinterpret_cast<POSITION>(static_cast<UINT_PTR>(1));
}

CView* CDocument::GetNextView(POSITION& position) const
{
    const auto index = reinterpret_cast<UINT_PTR>(position) - 1;
    CView* view = index < m_viewList.size() ? m_viewList[index] : nullptr;
    position = index + 1 < m_viewList.size() ? reinterpret_cast<POSITION>(index + 2) : nullptr;
    return view;
}

void CDocument::UpdateFrameCounts()
{
    for (CView* view : m_viewList) {
        if (CFrameWnd* frame = view->GetParentFrame())
            frame->OnUpdateFrameTitle(TRUE);
    }
}

BOOL CDocument::OnCmdMsg(UINT id, int code, void* extra, AFX_CMDHANDLERINFO* info)
{
    if (CCmdTarget::OnCmdMsg(id, code, extra, info))
        return TRUE;
    return m_pDocTemplate && m_pDocTemplate->OnCmdMsg(id, code, extra, info);
}
