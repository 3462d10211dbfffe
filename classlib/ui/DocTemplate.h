// CDocTemplate / CSingleDocTemplate: the recipe that joins a document class, a frame class and a
// view class under one resource id, and creates them by their runtime classes. The document
// string (loaded from the resource id) holds seven fields separated by '\n'.
// The single-document template keeps one document and reuses it for every new or opened file.
#pragma once

#include "classlib/core/Position.h"
#include "classlib/core/String.h"
#include "classlib/ui/CmdTarget.h"

class CDocument;
class CFrameWnd;

class CDocTemplate : public CCmdTarget {
    DECLARE_DYNAMIC(CDocTemplate)
public:
    enum DocStringIndex { windowTitle, docName, fileNewName, filterName, filterExt, regFileTypeId, regFileTypeName };

    ~CDocTemplate() override = default;

    // Loads the document string from the resource id when it is still empty.
    virtual void LoadTemplate();
    BOOL GetDocString(CString& text, DocStringIndex index) const;

    virtual CDocument* OpenDocumentFile(const wchar_t* path, BOOL makeVisible = TRUE) = 0;
    virtual void AddDocument(CDocument* doc);
    virtual void RemoveDocument(CDocument* doc);
    virtual POSITION GetFirstDocPosition() const = 0;
    virtual CDocument* GetNextDoc(POSITION& position) const = 0;
    virtual void CloseAllDocuments(BOOL endSession);
    virtual BOOL SaveAllModified();

    virtual CDocument* CreateNewDocument();
    virtual CFrameWnd* CreateNewFrame(CDocument* doc, CFrameWnd* other);
    virtual void InitialUpdateFrame(CFrameWnd* frame, CDocument* doc, BOOL makeVisible = TRUE);
    // The title of a new document: the document-name field, "Untitled" when it is empty.
    virtual void SetDefaultTitle(CDocument* doc);

    UINT m_nIDResource;
    const CRuntimeClass* m_pDocClass;
    const CRuntimeClass* m_pFrameClass;
    const CRuntimeClass* m_pViewClass;
    CString m_strDocStrings;

protected:
    CDocTemplate(UINT resourceId, const CRuntimeClass* docClass, const CRuntimeClass* frameClass,
                 const CRuntimeClass* viewClass);
};

class CSingleDocTemplate : public CDocTemplate {
    DECLARE_DYNAMIC(CSingleDocTemplate)
public:
    CSingleDocTemplate(UINT resourceId, const CRuntimeClass* docClass, const CRuntimeClass* frameClass,
                       const CRuntimeClass* viewClass);
    ~CSingleDocTemplate() override;

    // Makes (or reuses) the one document and its frame; a null path makes a new document. NULL
    // when creation, the new document or the open failed.
    CDocument* OpenDocumentFile(const wchar_t* path, BOOL makeVisible = TRUE) override;
    void AddDocument(CDocument* doc) override;
    void RemoveDocument(CDocument* doc) override;
    POSITION GetFirstDocPosition() const override;
    CDocument* GetNextDoc(POSITION& position) const override;

protected:
    CDocument* m_pOnlyDoc = nullptr;
};
