#include "classlib/ui/CommandLineInfo.h"

void CCommandLineInfo::ParseParam(const wchar_t* param, BOOL flag, BOOL)
{
    if (flag) {
        if (_wcsicmp(param, L"Embedding") == 0) {
            m_bRunEmbedded = TRUE;
            m_bShowSplash = FALSE;
        } else if (_wcsicmp(param, L"Automation") == 0) {
            m_bRunAutomated = TRUE;
            m_bShowSplash = FALSE;
        }
        return;
    }
    if (m_strFileName.IsEmpty()) {
        m_strFileName = param;
        m_nShellCommand = FileOpen;
    }
}
