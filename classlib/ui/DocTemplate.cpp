#include "classlib/ui/DocTemplate.h"

#include "classlib/ui/Document.h"
#include "classlib/ui/FrameWnd.h"
#include "classlib/ui/View.h"
#include "classlib/ui/WindowedApp.h"

IMPLEMENT_DYNAMIC(CDocTemplate, CCmdTarget)
IMPLEMENT_DYNAMIC(CSingleDocTemplate, CDocTemplate)

CDocTemplate::CDocTemplate(UINT resourceId, const CRuntimeClass* docClass, const CRuntimeClass* frameClass,
                           const CRuntimeClass* viewClass)
    : m_nIDResource(resourceId), m_pDocClass(docClass), m_pFrameClass(frameClass), m_pViewClass(viewClass)
{}

void CDocTemplate::LoadTemplate()
{
    if (m_strDocStrings.IsEmpty())
        m_strDocStrings.LoadString(m_nIDResource);
}

BOOL CDocTemplate::GetDocString(CString& text, DocStringIndex index) const
{
    text.Empty();
    int start = 0;
    for (int field = 0; field < index; ++field) {
        start = m_strDocStrings.Find(L'\n', start);
        if (start < 0)
            return FALSE;
        ++start;
    }
    const int end = m_strDocStrings.Find(L'\n', start);
    text = end < 0 ? m_strDocStrings.Mid(start) : m_strDocStrings.Mid(start, end - start);
    return TRUE;
}

void CDocTemplate::AddDocument(CDocument* doc)
{
    doc->m_pDocTemplate = this;
}

void CDocTemplate::RemoveDocument(CDocument* doc)
{
    doc->m_pDocTemplate = nullptr;
}

void CDocTemplate::CloseAllDocuments(BOOL)
{
    POSITION position = GetFirstDocPosition();
    while (position) {
        CDocument* doc = GetNextDoc(position);
        doc->OnCloseDocument();
    }
}

BOOL CDocTemplate::SaveAllModified()
{
    POSITION position = GetFirstDocPosition();
    while (position) {
        if (!GetNextDoc(position)->SaveModified())
            return FALSE;
    }
    return TRUE;
}

CDocument* CDocTemplate::CreateNewDocument()
{
    CObject* object = m_pDocClass ? m_pDocClass->CreateObject() : nullptr;
    auto* doc = dynamic_cast<CDocument*>(object);
    if (!doc) {
        delete object;
        return nullptr;
    }
    AddDocument(doc);
    return doc;
}

CFrameWnd* CDocTemplate::CreateNewFrame(CDocument* doc, CFrameWnd* other)
{
    CCreateContext context;
    context.m_pCurrentFrame = other;
    context.m_pCurrentDoc = doc;
    context.m_pNewViewClass = m_pViewClass;
    context.m_pNewDocTemplate = this;
    CObject* object = m_pFrameClass ? m_pFrameClass->CreateObject() : nullptr;
    auto* frame = dynamic_cast<CFrameWnd*>(object);
    if (!frame) {
        delete object;
        return nullptr;
    }
    // A frame that fails to load has deleted itself in PostNcDestroy.
    if (!frame->LoadFrame(m_nIDResource, WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE, nullptr, &context))
        return nullptr;
    return frame;
}

void CDocTemplate::InitialUpdateFrame(CFrameWnd* frame, CDocument* doc, BOOL makeVisible)
{
    frame->InitialUpdateFrame(doc, makeVisible);
}

void CDocTemplate::SetDefaultTitle(CDocument* doc)
{
    CString title;
    if (!GetDocString(title, docName) || title.IsEmpty())
        title = L"Untitled";
    doc->SetTitle(title);
}

CSingleDocTemplate::CSingleDocTemplate(UINT resourceId, const CRuntimeClass* docClass, const CRuntimeClass* frameClass,
                                       const CRuntimeClass* viewClass)
    : CDocTemplate(resourceId, docClass, frameClass, viewClass)
{
    LoadTemplate();
}

CSingleDocTemplate::~CSingleDocTemplate()
{
    if (m_pOnlyDoc) {
        CDocument* doc = m_pOnlyDoc;
        RemoveDocument(doc);
        delete doc;
    }
}

void CSingleDocTemplate::AddDocument(CDocument* doc)
{
    CDocTemplate::AddDocument(doc);
    m_pOnlyDoc = doc;
}

void CSingleDocTemplate::RemoveDocument(CDocument* doc)
{
    CDocTemplate::RemoveDocument(doc);
    if (m_pOnlyDoc == doc)
        m_pOnlyDoc = nullptr;
}

POSITION CSingleDocTemplate::GetFirstDocPosition() const
{
    return m_pOnlyDoc ? reinterpret_cast<POSITION>(static_cast<UINT_PTR>(1)) : nullptr;
}

CDocument* CSingleDocTemplate::GetNextDoc(POSITION& position) const
{
    CDocument* doc = position ? m_pOnlyDoc : nullptr;
    position = nullptr;
    return doc;
}

CDocument* CSingleDocTemplate::OpenDocumentFile(const wchar_t* path, BOOL makeVisible)
{
    CDocument* doc = m_pOnlyDoc;
    bool createdDoc = false;
    if (doc) {
        if (!doc->SaveModified())
            return nullptr;
    } else {
        doc = CreateNewDocument();
        if (!doc)
            return nullptr;
        createdDoc = true;
    }
    CFrameWnd* frame = nullptr;
    bool createdFrame = false;
    if (POSITION position = doc->GetFirstViewPosition()) {
        CView* view = doc->GetNextView(position);
        frame = view->GetParentFrame();
    } else {
        // The new frame must not take the document with it if it fails.
        const BOOL autoDelete = doc->m_bAutoDelete;
        doc->m_bAutoDelete = FALSE;
        frame = CreateNewFrame(doc, nullptr);
        doc->m_bAutoDelete = autoDelete;
        if (!frame) {
            if (createdDoc)
                delete doc;
            return nullptr;
        }
        createdFrame = true;
    }
    if (!path)
        SetDefaultTitle(doc);
    if (!(path ? doc->OnOpenDocument(path) : doc->OnNewDocument())) {
        if (createdFrame)
            frame->DestroyWindow();
        if (createdDoc)
            delete doc;
        return nullptr;
    }
    if (path)
        doc->SetPathName(path);
    CWindowedApp* app = AfxGetWindowedApp();
    if (createdFrame && app && !app->m_pMainWnd)
        app->m_pMainWnd = frame;
    InitialUpdateFrame(frame, doc, makeVisible);
    return doc;
}
