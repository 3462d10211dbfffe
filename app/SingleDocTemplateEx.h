// CSingleDocTemplateEx: the single-document template whose document string comes from a string
// id of its own rather than from the resource id of the frame.
#pragma once

#include "classlib/ui/DocTemplate.h"

class CSingleDocTemplateEx : public CSingleDocTemplate {
    DECLARE_DYNAMIC(CSingleDocTemplateEx)
public:
    CSingleDocTemplateEx(UINT docStringId, UINT resourceId, const CRuntimeClass* docClass,
                         const CRuntimeClass* frameClass, const CRuntimeClass* viewClass);
    void LoadTemplate() override;

    UINT m_nDocStringId;
};
