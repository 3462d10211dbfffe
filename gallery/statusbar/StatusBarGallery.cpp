// Pictures of the toolkit status bar and splitter for a person to look at, each scene in the
// classic and the XP look, written as BMP files into the folder given as the first argument
// (tools/gallery turns them into PNGs): a frame with a status bar whose last pane holds a
// progress control, and a frame whose client is a splitter with another splitter in one pane.
#include "gallery/common/GalleryFrame.h"
#include "gallery/common/GalleryRunner.h"
#include "classlib/ui/FrameWnd.h"
#include "classlib/ui/View.h"
#include "toolkit/bars/look/GlobalData.h"
#include "toolkit/bars/splitter/SplitterWnd.h"
#include "toolkit/bars/status/StatusBar.h"

#include <string>

namespace {

constexpr UINT ID_TIME = 2301;
constexpr UINT ID_VOLUME = 2302;

void Save(GalleryShots& shots, const std::wstring& name, const RECT& rect)
{
    GalleryPump(300);
    shots.Save(L"statusbar_" + name + L"_" + shots.Look() + L".bmp", rect);
}

// A view that names its pane, so that the picture says which is which.
class CNamedView : public CView {
    DECLARE_DYNCREATE(CNamedView)
protected:
    void OnDraw(CDC* dc) override
    {
        RECT client;
        GetClientRect(&client);
        dc->FillSolidRect(&client, RGB(255, 255, 255));
        CString name;
        name.Format(L"pane %d", GetDlgCtrlID() - static_cast<int>(AFX_IDW_PANE_FIRST));
        dc->SetBkMode(TRANSPARENT);
        CSelectedObject font(*dc, uvAfxData.m_fonts[CUVGlobalData::fontMenu]);
        dc->DrawText(name, &client, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
};
IMPLEMENT_DYNCREATE(CNamedView, CView)

void StatusBarWithControl(GalleryShots& shots)
{
    CFrameWnd* frame = CreateGalleryFrame(new CFrameWnd, RECT{40, 40, 640, 240});
    auto* bar = new CUVStatusBar;
    bar->m_bAutoDelete = TRUE;
    bar->CreateEx(frame, SBARS_SIZEGRIP);
    const UINT indicators[] = {ID_SEPARATOR, ID_TIME, ID_VOLUME};
    bar->SetIndicators(indicators, 3);
    bar->SetWindowText(L"Ready");
    auto* progress = new CWnd;
    progress->CreateEx(0, PROGRESS_CLASSW, nullptr, WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, bar->m_hWnd, nullptr);
    progress->SendMessage(PBM_SETPOS, 60);
    bar->AddPaneControl(progress, ID_VOLUME, TRUE);
    frame->RecalcLayout();
    frame->ShowWindow(SW_SHOW);
    Save(shots, L"control", RECT{30, 30, 650, 250});
    frame->DestroyWindow();
    GalleryPump(50);
}

// A frame whose client is a 1 x 2 splitter; its right pane is a 2 x 1 splitter.
class CNestedFrame : public CFrameWnd {
protected:
    BOOL OnCreateClient(LPCREATESTRUCT, CCreateContext* context) override
    {
        if (!m_outer.CreateStatic(this, 1, 2))
            return FALSE;
        m_outer.CreateView(0, 0, RUNTIME_CLASS(CNamedView), SIZE{180, 0}, context);
        if (!m_inner.CreateStatic(&m_outer, 2, 1, WS_CHILD | WS_VISIBLE, m_outer.IdFromRowCol(0, 1)))
            return FALSE;
        m_inner.CreateView(0, 0, RUNTIME_CLASS(CNamedView), SIZE{0, 150}, context);
        m_inner.CreateView(1, 0, RUNTIME_CLASS(CNamedView), SIZE{0, 0}, context);
        m_outer.SetColumnInfo(1, 300, 0);
        return TRUE;
    }
    CUVSplitterWnd m_outer;
    CUVSplitterWnd m_inner;
};

void NestedSplitters(GalleryShots& shots)
{
    auto* frame = new CNestedFrame;
    frame->Create(nullptr, L"gallery", WS_POPUP | WS_CLIPCHILDREN, RECT{40, 40, 560, 400}, nullptr, nullptr, 0,
                  nullptr);
    frame->ShowWindow(SW_SHOW);
    Save(shots, L"nested_splitters", RECT{30, 30, 570, 410});
    frame->DestroyWindow();
    GalleryPump(50);
}

}  // namespace

int main()
{
    return RunGallery("gallery_statusbar", {StatusBarWithControl, NestedSplitters});
}
