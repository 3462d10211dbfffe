// CDocument: the data behind one or more views: title, path, modified flag, views, and the
// new/open/save/close life cycle that the document template and the file commands drive.
// Reading and writing is left to the derived class (OnOpenDocument / OnSaveDocument); this base
// keeps no file format of its own.
#pragma once

#include "classlib/core/Position.h"
#include "classlib/core/String.h"
#include "classlib/ui/CmdTarget.h"

#include <vector>

class CDocTemplate;
class CFrameWnd;
class CView;

class CDocument : public CCmdTarget {
    DECLARE_DYNAMIC(CDocument)
public:
    ~CDocument() override;

    const CString& GetTitle() const { return m_strTitle; }
    // Sets the title and updates the titles of the frames that show the document.
    virtual void SetTitle(const wchar_t* title);
    const CString& GetPathName() const { return m_strPathName; }
    // Sets the path and makes the file title the document title; with addToMru the path joins
    // the application's recent-file list.
    virtual void SetPathName(const wchar_t* path, BOOL addToMru = TRUE);
    CDocTemplate* GetDocTemplate() const { return m_pDocTemplate; }

    // The framework's overridable operations, in its order.
    virtual BOOL IsModified();
    virtual void SetModifiedFlag(BOOL modified = TRUE);
    virtual BOOL OnNewDocument();
    virtual BOOL OnOpenDocument(const wchar_t* path);
    virtual BOOL OnSaveDocument(const wchar_t* path);
    // Asks whether to save a modified document; FALSE when the user cancels.
    virtual BOOL SaveModified();
    virtual void OnCloseDocument();
    virtual void DeleteContents() {}
    virtual BOOL CanCloseFrame(CFrameWnd* frame);
    // Saves under `path` (asking for one when empty); with replace the path becomes the
    // document's. FALSE when the save failed or was cancelled.
    virtual BOOL DoSave(const wchar_t* path, BOOL replace = TRUE);
    BOOL DoFileSave();

    void AddView(CView* view);
    void RemoveView(CView* view);
    // Calls OnUpdate of every view except `sender`.
    void UpdateAllViews(CView* sender, LPARAM hint = 0, CObject* hintObject = nullptr);
    POSITION GetFirstViewPosition() const;
    CView* GetNextView(POSITION& position) const;
    void UpdateFrameCounts();

    BOOL OnCmdMsg(UINT id, int code, void* extra, AFX_CMDHANDLERINFO* info) override;

    BOOL m_bAutoDelete = TRUE;
    BOOL m_bModified = FALSE;

protected:
    CDocument() = default;
    friend class CDocTemplate;

    CString m_strTitle;
    CString m_strPathName;
    CDocTemplate* m_pDocTemplate = nullptr;
    std::vector<CView*> m_viewList;
};
