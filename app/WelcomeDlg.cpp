#include "app/WelcomeDlg.h"

#include "app/look/TransparentBitmap.h"
#include "classlib/ui/Gdi.h"

namespace {

// The pictures' background, drawn as pure red (0x0000FF as a COLORREF).
constexpr COLORREF kPictureTransparent = RGB(255, 0, 0);

}  // namespace

BEGIN_MESSAGE_MAP(CWelcomeDlg, CDialog)
ON_COMMAND_RANGE(IDC_WELCOME_YES, IDC_WELCOME_YES, &CWelcomeDlg::OnChoice)
ON_COMMAND_RANGE(IDC_WELCOME_NO, IDC_WELCOME_NO, &CWelcomeDlg::OnChoice)
ON_COMMAND(IDC_WELCOME_DONT_SHOW, &CWelcomeDlg::OnShowAgain)
ON_WM_DRAWITEM()
END_MESSAGE_MAP()

BOOL CWelcomeDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    CheckDlgButton(m_hWnd, IDC_WELCOME_YES, BST_CHECKED);
    m_nChoice = IDC_WELCOME_YES;
    m_bShowAgain = TRUE;
    return TRUE;
}

void CWelcomeDlg::OnChoice(UINT id)
{
    m_nChoice = id;
}

void CWelcomeDlg::OnShowAgain()
{
    m_bShowAgain = IsDlgButtonChecked(m_hWnd, IDC_WELCOME_DONT_SHOW) != BST_CHECKED;
}

void CWelcomeDlg::OnDrawItem(int id, LPDRAWITEMSTRUCT draw)
{
    UINT picture = 0;
    if (id == IDC_WELCOME_PICTURE1)
        picture = IDB_WELCOME_NEW;
    else if (id == IDC_WELCOME_PICTURE2)
        picture = IDB_WELCOME_DEMO;
    if (!picture) {
        Default();
        return;
    }
    CBitmap bitmap;
    if (!bitmap.LoadBitmap(picture))
        return;
    CDC dc;
    dc.Attach(draw->hDC);
    DrawTransparentBitmap(&dc, bitmap, draw->rcItem.left, draw->rcItem.top, kPictureTransparent);
    dc.Detach();
}
