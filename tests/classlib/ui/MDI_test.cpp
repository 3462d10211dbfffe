// The MDI frame and child in a real frame: the shared menu of a child type shown while a child of
// that type is active and the frame's own menu after the last one, the window list the client
// keeps in the shown menu's window popup, the maximised child, and commands routed to the active
// child before the frame.
#include "TestApp.h"

#include "classlib/ui/AfxIds.h"
#include "classlib/ui/MDIChildWnd.h"
#include "classlib/ui/MDIFrameWnd.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr UINT kFrameMenu = 400;  // Dialog_test.rc
constexpr UINT kChildType = 401;
constexpr UINT kChildCommand = 5001;
constexpr UINT kSharedCommand = 5010;

std::vector<std::wstring> g_log;

class CLoggingChild : public CMDIChildWnd {
protected:
    void OnChildCommand() { g_log.push_back(L"child"); }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CLoggingChild, CMDIChildWnd)
ON_COMMAND(kChildCommand, &CLoggingChild::OnChildCommand)
END_MESSAGE_MAP()

class CLoggingFrame : public CMDIFrameWnd {
protected:
    void OnSharedCommand() { g_log.push_back(L"frame"); }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CLoggingFrame, CMDIFrameWnd)
ON_COMMAND(kSharedCommand, &CLoggingFrame::OnSharedCommand)
END_MESSAGE_MAP()

bool MenuHoldsId(HMENU menu, UINT id)
{
    for (int i = 0; i < ::GetMenuItemCount(menu); ++i) {
        if (::GetMenuItemID(menu, i) == id)
            return true;
    }
    return false;
}

class MDIFrame : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_log.clear();
        frame = new CLoggingFrame;
        ASSERT_TRUE(frame->LoadFrame(kFrameMenu, WS_OVERLAPPEDWINDOW | WS_VISIBLE));
        ASSERT_NE(nullptr, frame->m_hWndMDIClient);
    }
    void TearDown() override
    {
        if (frame)
            frame->DestroyWindow();
    }
    CLoggingChild* NewChild(DWORD extraStyle = 0)
    {
        auto* child = new CLoggingChild;
        EXPECT_TRUE(child->LoadFrame(kChildType, WS_CHILD | WS_VISIBLE | WS_OVERLAPPEDWINDOW | extraStyle, frame));
        return child;
    }
    CLoggingFrame* frame = nullptr;
};

TEST_F(MDIFrame, ShowsTheSharedMenuOfTheActiveChildTypeThenItsOwn)
{
    const HMENU own = ::GetMenu(*frame);
    EXPECT_EQ(own, frame->m_hMenuDefault);
    CLoggingChild* first = NewChild();
    CLoggingChild* second = NewChild();
    EXPECT_EQ(first->m_hMenuShared, second->m_hMenuShared);
    EXPECT_EQ(CMDIChildWnd::SharedMenu(kChildType), ::GetMenu(*frame));
    EXPECT_EQ(second, frame->MDIGetActive());
    second->DestroyWindow();
    EXPECT_EQ(first, frame->MDIGetActive());
    EXPECT_EQ(first->m_hMenuShared, ::GetMenu(*frame));
    first->DestroyWindow();
    EXPECT_EQ(nullptr, frame->MDIGetActive());
    EXPECT_EQ(own, ::GetMenu(*frame));
}

TEST_F(MDIFrame, ClientListsTheChildrenInTheShownWindowPopup)
{
    NewChild();
    NewChild();
    HMENU window = frame->GetWindowMenuPopup(::GetMenu(*frame));
    ASSERT_NE(nullptr, window);
    EXPECT_TRUE(MenuHoldsId(window, AFX_IDM_FIRST_MDICHILD));
    EXPECT_TRUE(MenuHoldsId(window, AFX_IDM_FIRST_MDICHILD + 1));
}

TEST_F(MDIFrame, ReportsTheMaximisedChild)
{
    CLoggingChild* child = NewChild();
    BOOL maximized = TRUE;
    EXPECT_EQ(child, frame->MDIGetActive(&maximized));
    EXPECT_FALSE(maximized);
    child->MDIMaximize();
    EXPECT_EQ(child, frame->MDIGetActive(&maximized));
    EXPECT_TRUE(maximized);
    EXPECT_TRUE(::IsZoomed(*child));
    child->MDIRestore();
    frame->MDIGetActive(&maximized);
    EXPECT_FALSE(maximized);
}

TEST_F(MDIFrame, RoutesCommandsToTheActiveChildFirst)
{
    frame->SendMessage(WM_COMMAND, kChildCommand);
    EXPECT_TRUE(g_log.empty());
    NewChild();
    frame->SendMessage(WM_COMMAND, kChildCommand);
    frame->SendMessage(WM_COMMAND, kSharedCommand);
    EXPECT_EQ((std::vector<std::wstring>{L"child", L"frame"}), g_log);
}

}  // namespace
