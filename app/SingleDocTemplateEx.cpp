#include "app/SingleDocTemplateEx.h"

IMPLEMENT_DYNAMIC(CSingleDocTemplateEx, CSingleDocTemplate)

CSingleDocTemplateEx::CSingleDocTemplateEx(UINT docStringId, UINT resourceId, const CRuntimeClass* docClass,
                                           const CRuntimeClass* frameClass, const CRuntimeClass* viewClass)
    : CSingleDocTemplate(resourceId, docClass, frameClass, viewClass), m_nDocStringId(docStringId)
{
    m_strDocStrings.LoadString(m_nDocStringId);
}

void CSingleDocTemplateEx::LoadTemplate()
{
    m_strDocStrings.LoadString(m_nDocStringId);
    CSingleDocTemplate::LoadTemplate();
}
