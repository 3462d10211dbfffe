// CCommandLineInfo: the parsed command line of a program. A plain parameter names the file to
// open; /Embedding and /Automation (also with '-') mark a start by COM and hide the splash
// screen; other flags are ignored.
#pragma once

#include "classlib/core/String.h"

class CCommandLineInfo {
public:
    enum { FileNew, FileOpen, FileNothing };

    virtual ~CCommandLineInfo() = default;
    // One parameter, without its leading '/' or '-' when `flag` is set.
    virtual void ParseParam(const wchar_t* param, BOOL flag, BOOL last);

    BOOL m_bShowSplash = TRUE;
    BOOL m_bRunEmbedded = FALSE;
    BOOL m_bRunAutomated = FALSE;
    int m_nShellCommand = FileNew;
    CString m_strFileName;
};
