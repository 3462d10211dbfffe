// CDialog: a modal dialog from a dialog template. DoModal runs the system's modal loop with the
// dialog subclassed like every other CWnd, so its message map sees the dialog's messages first
// and the dialog manager's own handling runs for everything it leaves alone.
// Not here yet: modeless dialogs, dialog data exchange.
#pragma once

#include "classlib/ui/Wnd.h"

class CDialog : public CWnd {
    DECLARE_DYNAMIC(CDialog)
public:
    explicit CDialog(UINT templateId, CWnd* parent = nullptr) : m_nIDHelp(templateId), m_pParentWnd(parent) {}

    // The dialog's result (EndDialog's value), or -1 when it could not be made.
    virtual INT_PTR DoModal();
    // TRUE lets the dialog manager set the focus to the first control.
    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    void EndDialog(int result) { ::EndDialog(m_hWnd, result); }

    UINT m_nIDHelp;

protected:
    CWnd* m_pParentWnd;

    friend INT_PTR CALLBACK AfxDlgProc(HWND, UINT, WPARAM, LPARAM);

    DECLARE_MESSAGE_MAP()
};

INT_PTR CALLBACK AfxDlgProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
