#include "classlib/ui/Dialog.h"

#include "classlib/core/WinApp.h"

IMPLEMENT_DYNAMIC(CDialog, CWnd)

BEGIN_MESSAGE_MAP(CDialog, CWnd)
ON_COMMAND(IDOK, &CDialog::OnOK)
ON_COMMAND(IDCANCEL, &CDialog::OnCancel)
END_MESSAGE_MAP()

INT_PTR CALLBACK AfxDlgProc(HWND hwnd, UINT message, WPARAM, LPARAM lParam)
{
    if (message != WM_INITDIALOG)
        return FALSE;
    auto* dialog = reinterpret_cast<CDialog*>(lParam);
    // From here on the dialog's messages pass its message map first (see CWnd).
    dialog->SubclassWindow(hwnd);
    try {
        return dialog->OnInitDialog();
    } catch (...) {
        dialog->EndDialog(-1);
        return FALSE;
    }
}

INT_PTR CDialog::DoModal()
{
    HWND owner = GetSafeOwner_(m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr, nullptr);
    return DialogBoxParamW(AfxGetResourceHandle(), MAKEINTRESOURCEW(m_nIDHelp), owner, &AfxDlgProc,
                           reinterpret_cast<LPARAM>(this));
}

BOOL CDialog::OnInitDialog()
{
    return TRUE;
}

void CDialog::OnOK()
{
    EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}
