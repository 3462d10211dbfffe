// CWelcomeDlg: the dialog of the first start, which offers the sample mix. It keeps the answer
// chosen (the id of the radio button clicked) and whether it should show again; the main frame
// acts on both when it ends with OK. The "yes" radio button has the id of the Open Playlist
// command: the dialog takes its clicks itself, so that they never reach the document as that
// command. Its two pictures are owner-drawn with their pure red parts left transparent; every
// other owner-drawn item is left to the dialog's default handling.
#pragma once

#include "app/resource.h"
#include "classlib/ui/Dialog.h"

class CWelcomeDlg : public CDialog {
public:
    explicit CWelcomeDlg(CWnd* parent = nullptr) : CDialog(IDD_WELCOME, parent) {}

    BOOL OnInitDialog() override;

    UINT m_nChoice = IDC_WELCOME_YES;  // the radio button chosen
    BOOL m_bShowAgain = TRUE;

protected:
    void OnChoice(UINT id);
    void OnShowAgain();
    void OnDrawItem(int id, LPDRAWITEMSTRUCT draw);

    DECLARE_MESSAGE_MAP()
};
