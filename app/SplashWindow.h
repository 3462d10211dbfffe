// CSplashWindow: the picture shown over the main frame while the program starts. The frame shows
// it at the end of its creation (unless a playlist was named on the command line); it goes by
// itself after 750 ms, or at the first key press or mouse click, which it swallows so that the
// program does not act on a key meant only to dismiss the picture. At most one exists; it deletes
// itself when its window is destroyed. UI thread only.
#pragma once

#include "classlib/ui/Gdi.h"
#include "classlib/ui/Wnd.h"

// Whether the frame shows the splash window (set by the application's start-up).
extern BOOL g_bShowSplash;

class CSplashWindow : public CWnd {
public:
    // Shows the splash over `parent`, which owns it; does nothing unless g_bShowSplash is set and
    // no splash exists, or when its bitmap does not load.
    static void ShowSplash(CWnd* parent);
    // Offered every message of the application's loop: while a splash exists, a key press or a
    // mouse click hides it and is swallowed (TRUE).
    static BOOL PreTranslateAppMessage(MSG* msg);
    // The splash that shows now, or null.
    static CSplashWindow* Current() { return s_splash; }

    // Destroys the window (the object goes with it) and repaints the main window at once.
    void HideSplash();

protected:
    CSplashWindow() = default;
    ~CSplashWindow() override;
    // Makes the window of the loaded bitmap's size, owned by `parent`.
    BOOL Create(CWnd* parent);
    void PostNcDestroy() override;

    int OnCreate(LPCREATESTRUCT cs);
    void OnPaint();
    void OnTimer(UINT_PTR id);

    CBitmap m_bitmap;

    static CSplashWindow* s_splash;

    DECLARE_MESSAGE_MAP()
};
