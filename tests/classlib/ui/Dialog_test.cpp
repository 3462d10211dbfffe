#include "classlib/ui/Dialog.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr UINT IDD_TEST = 100;
constexpr int IDC_TEXT = 1001;
constexpr UINT WM_TEST_PRESS = WM_APP + 10;

class CTestDialog : public CDialog {
public:
    CTestDialog(UINT button, CWnd* parent) : CDialog(IDD_TEST, parent), m_button(button) {}
    std::wstring textAtOk;
    bool okCalled = false;
    bool ownerDisabledWhileUp = false;
    HWND owner = nullptr;

protected:
    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        GetDlgItem(IDC_TEXT)->SetWindowText(L"typed");
        PostMessage(WM_TEST_PRESS);
        return TRUE;
    }
    LRESULT OnPress(WPARAM, LPARAM)
    {
        ownerDisabledWhileUp = owner && !::IsWindowEnabled(owner);
        // As the button's click arrives: WM_COMMAND with the button's id and window.
        SendMessage(WM_COMMAND, MAKEWPARAM(m_button, BN_CLICKED),
                    reinterpret_cast<LPARAM>(::GetDlgItem(m_hWnd, static_cast<int>(m_button))));
        return 0;
    }
    void OnOK() override
    {
        okCalled = true;
        CString text;
        GetDlgItem(IDC_TEXT)->GetWindowText(text);
        textAtOk = text.str();
        CDialog::OnOK();
    }

    UINT m_button;
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CTestDialog, CDialog)
ON_MESSAGE(WM_TEST_PRESS, &CTestDialog::OnPress)
END_MESSAGE_MAP()

TEST(Dialog, ModalDialogRunsItsMessageMapAndEndsWithTheButtonsResult)
{
    CWnd owner;
    ASSERT_TRUE(owner.CreateEx(0, nullptr, L"owner", WS_OVERLAPPED, 0, 0, 50, 50, nullptr, nullptr));
    struct Case {
        const char* name;
        UINT button;
        INT_PTR result;
        bool ok;
    } cases[] = {
        {"OK", IDOK, IDOK, true},
        {"Cancel", IDCANCEL, IDCANCEL, false},
    };
    for (const auto& c : cases) {
        CTestDialog dialog(c.button, &owner);
        dialog.owner = owner.m_hWnd;
        EXPECT_EQ(dialog.DoModal(), c.result) << c.name;
        EXPECT_EQ(dialog.okCalled, c.ok) << c.name;
        EXPECT_TRUE(dialog.ownerDisabledWhileUp) << c.name << ": owner disabled while the dialog is up";
        if (c.ok) {
            EXPECT_EQ(dialog.textAtOk, L"typed") << c.name;
        }
        EXPECT_EQ(dialog.m_hWnd, nullptr) << c.name << ": detached when destroyed";
        EXPECT_TRUE(owner.IsWindowEnabled()) << c.name << ": owner enabled again";
    }
    owner.DestroyWindow();
}

TEST(Dialog, MissingTemplateGivesMinusOne)
{
    CDialog dialog(4242);
    EXPECT_EQ(dialog.DoModal(), -1);
}

}  // namespace
