// The document, the main frame and a view in this process, with an engine stand-in that hands
// out UI updates: the frame's 25 ms timer pumps them to every view as hint 0, then the document
// acts on the codes it knows. The stand-in's mix manager, catalog list and live play manager
// answer undo and redo, the document's questions and the performance state; its player the
// webcast address.
#include "app/BrennockDoc.h"
#include "app/CarrowfoldApp.h"
#include "app/MainFrame.h"
#include "app/PlayListView.h"
#include "app/SingleDocTemplateEx.h"
#include "app/UiUpdateHint.h"
#include "app/resource.h"
#include "classlib/ui/DocTemplate.h"
#include "classlib/ui/CmdUI.h"
#include "classlib/ui/RecentFileList.h"
#include "interfaces/EngineIids.h"
#include "interfaces/IUiUpdateQueue.h"
#include "tests/app/double/CatalogDouble.h"
#include "tests/app/double/MixManagerDouble.h"
#include "tests/app/double/PlayManagerDouble.h"
#include "tests/app/double/PlayerDouble.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <cwchar>
#include <deque>
#include <string>
#include <utility>
#include <vector>

CCarrowfoldApp theTestApp;

namespace {

class CFakeEngine : public IBrennock, public IUiUpdateQueue {
public:
    CFakeEngine() { catalog.engine = static_cast<IBrennock*>(this); }
    virtual ~CFakeEngine() = default;
    MixManagerDouble mix;
    CatalogDouble catalog;
    PlayManagerDouble live;
    PlayerDouble player;
    std::deque<std::pair<int, int>> queue;
    std::vector<std::wstring> calls;
    HRESULT loadResult = S_OK;
    HRESULT saveResult = S_OK;
    LONG refs = 1;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        *out = nullptr;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IBrennock))
            *out = static_cast<IBrennock*>(this);
        else if (IsEqualIID(iid, IID_IUiUpdateQueue))
            *out = static_cast<IUiUpdateQueue*>(this);
        else if (IsEqualIID(iid, IID_ICatDisplayItemMgr))
            return catalog.QueryInterface(iid, out);
        else if (IsEqualIID(iid, IID_IMixManager))
            *out = static_cast<IMixManager*>(&mix);
        else if (IsEqualIID(iid, IID_IPlayManagerLive))
            *out = static_cast<IPlayManager*>(&live);
        else if (IsEqualIID(iid, IID_IPlayer))
            *out = static_cast<IPlayer*>(&player);
        if (!*out)
            return E_NOINTERFACE;
        static_cast<IUnknown*>(*out)->AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--refs); }
    HRESULT STDMETHODCALLTYPE Initialize(HWND, IUnknown*, DWORD, DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Shutdown() override
    {
        calls.push_back(L"Shutdown");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE LoadPlaylist(BSTR path, BOOL) override
    {
        calls.push_back(std::wstring(L"Load ") + path);
        return loadResult;
    }
    HRESULT STDMETHODCALLTYPE SavePlaylist(BSTR path) override
    {
        calls.push_back(std::wstring(L"Save ") + path);
        return saveResult;
    }
    HRESULT STDMETHODCALLTYPE NewMix() override
    {
        calls.push_back(L"NewMix");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE PostUiUpdate(int code, int value) override { return PostUpdate(code, value, FALSE); }
    HRESULT STDMETHODCALLTYPE SetFileMapperCallback(IUnknown*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE ClearFileMapperCallback() override
    {
        calls.push_back(L"Clear");
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE CreateCatDisplayItemMgr(ICatDisplayItemMgr**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetInitValues(DWORD*, DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE PopUpdate(int* code, int* value) override
    {
        if (queue.empty())
            return S_FALSE;
        *code = queue.front().first;
        *value = queue.front().second;
        queue.pop_front();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE PostUpdate(int code, int value, BOOL) override
    {
        queue.emplace_back(code, value);
        return S_OK;
    }
};

// The document with the stand-in engine in place of the one CreateEngine would load.
class CTestDoc : public CBrennockDoc {
    DECLARE_DYNCREATE(CTestDoc)
public:
    void UseEngine(CFakeEngine* engine)
    {
        m_pEngine = ComPtr<IBrennock>::copy(engine);
        m_bEngineReady = TRUE;
    }
};
IMPLEMENT_DYNCREATE(CTestDoc, CBrennockDoc)

struct SeenHint {
    LPARAM hint;
    uint32_t code;
    uint32_t value;
};

class CRecordingView : public CPlayListView {
    DECLARE_DYNCREATE(CRecordingView)
public:
    std::vector<SeenHint> seen;

protected:
    void OnUpdate(CView* sender, LPARAM hint, CObject* hintObject) override
    {
        SeenHint s{hint, 0, 0};
        if (hint == HINT_UI_UPDATE && hintObject && hintObject->IsKindOf(RUNTIME_CLASS(CUiUpdateHint))) {
            s.code = static_cast<CUiUpdateHint*>(hintObject)->code;
            s.value = static_cast<CUiUpdateHint*>(hintObject)->value;
        }
        seen.push_back(s);
        CPlayListView::OnUpdate(sender, hint, hintObject);
    }
};
IMPLEMENT_DYNCREATE(CRecordingView, CPlayListView)

std::wstring WindowTitleOf(CWnd* wnd)
{
    CString text;
    wnd->GetWindowText(text);
    return text.str();
}

void PumpMessagesFor(DWORD ms)
{
    const DWORD end = GetTickCount() + ms;
    MSG msg;
    while (static_cast<LONG>(end - GetTickCount()) > 0) {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(5);
    }
}

class Pump : public ::testing::Test {
protected:
    // Pumps until the views have seen `count` updates (the frame acts on a code in the same timer
    // tick that hands it to the views), or for at most five seconds on a loaded machine.
    void PumpUntilViewsSee(size_t count)
    {
        const DWORD start = GetTickCount();
        while (view->seen.size() < count && GetTickCount() - start < 5000)
            PumpMessagesFor(10);
    }

    void SetUp() override
    {
        theTestApp.SetAppName(L"Carrowfold Express 5 Test");
        theTestApp.SetRegistryKey(L"Carrowfold Test");
        theTestApp.m_nCmdShow = SW_HIDE;
        theTestApp.AddDocTemplate(new CSingleDocTemplateEx(IDS_DOC_STRING, IDR_MAINFRAME, RUNTIME_CLASS(CTestDoc),
                                                           RUNTIME_CLASS(CMainFrame), RUNTIME_CLASS(CRecordingView)));
        doc = static_cast<CTestDoc*>(theTestApp.OpenDocumentFile(nullptr));
        ASSERT_NE(doc, nullptr);
        frame = static_cast<CMainFrame*>(theTestApp.m_pMainWnd);
        ASSERT_NE(frame, nullptr);
        view = static_cast<CRecordingView*>(frame->GetActiveView());
        ASSERT_NE(view, nullptr);
        engine = new CFakeEngine;
        doc->UseEngine(engine);
        view->seen.clear();
    }
    void TearDown() override
    {
        if (theTestApp.m_pMainWnd)
            theTestApp.m_pMainWnd->SendMessage(WM_CLOSE);
        EXPECT_EQ(theTestApp.m_pMainWnd, nullptr);
        EXPECT_EQ(engine->refs, 1) << "the document released the engine";
        EXPECT_EQ(engine->mix.refs, 1) << "every mix manager reference was released";
        EXPECT_EQ(engine->catalog.refs, 1) << "every catalog reference was released";
        EXPECT_EQ(engine->live.refs, 1) << "every play manager reference was released";
        EXPECT_EQ(engine->player.refs, 1) << "every player reference was released";
        delete engine;
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        }
        theTestApp.ExitInstance();
        HKEY software = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, KEY_ALL_ACCESS, &software) == ERROR_SUCCESS) {
            RegDeleteTreeW(software, L"Carrowfold Test");
            RegCloseKey(software);
        }
    }

    CTestDoc* doc = nullptr;
    CMainFrame* frame = nullptr;
    CRecordingView* view = nullptr;
    CFakeEngine* engine = nullptr;
};

TEST_F(Pump, TimerCarriesEveryUpdateToTheViewsAsHintZeroAndCodeNineMarksTheTitle)
{
    // A second view of the same document: every view sees every message.
    CCreateContext context;
    context.m_pNewViewClass = RUNTIME_CLASS(CRecordingView);
    context.m_pCurrentDoc = doc;
    auto* second = static_cast<CRecordingView*>(frame->CreateView(&context, AFX_IDW_PANE_FIRST + 1));
    ASSERT_NE(second, nullptr);

    engine->PostUpdate(8, 0, FALSE);
    engine->PostUpdate(9, 1, FALSE);
    engine->PostUpdate(1000, 42, FALSE);
    frame->SetTimer(kUiUpdateTimer, kUiUpdateIntervalMs);
    PumpMessagesFor(200);
    const uint32_t codes[] = {8, 9, 1000};
    for (CRecordingView* v : {view, second}) {
        ASSERT_EQ(v->seen.size(), 3u);
        for (size_t i = 0; i < 3; ++i) {
            EXPECT_EQ(v->seen[i].hint, HINT_UI_UPDATE) << i;
            EXPECT_EQ(v->seen[i].code, codes[i]) << i;
        }
        EXPECT_EQ(v->seen[2].value, 42u);
    }
    EXPECT_TRUE(doc->IsModified());
    EXPECT_EQ(WindowTitleOf(frame), L"Untitled * - Deckwright");

    engine->PostUpdate(9, 0, FALSE);
    PumpMessagesFor(100);
    EXPECT_FALSE(doc->IsModified());
    EXPECT_EQ(WindowTitleOf(frame), L"Untitled - Deckwright");
}

TEST_F(Pump, ModifiedMarkIsAddedOnceAndRemovedExactly)
{
    doc->SetModifiedFlag(TRUE);
    doc->SetModifiedFlag(TRUE);
    EXPECT_STREQ(doc->GetTitle(), L"Untitled *");
    doc->SetModifiedFlag(FALSE);
    EXPECT_STREQ(doc->GetTitle(), L"Untitled");
}

TEST_F(Pump, OnlyAnEngineAnswerOfOkOpensAPlaylist)
{
    struct Case {
        const wchar_t* name;
        HRESULT engineResult;
        BOOL opened;
    } cases[] = {
        {L"S_OK opens", S_OK, TRUE},
        {L"S_FALSE (unreadable or no track) does not", S_FALSE, FALSE},
        {L"E_FAIL does not", E_FAIL, FALSE},
    };
    // The failure is reported in a message box; a hook closes it at once.
    HHOOK hook = SetWindowsHookExW(
        WH_CBT,
        [](int code, WPARAM wParam, LPARAM lParam) -> LRESULT {
            if (code == HCBT_ACTIVATE)
                PostMessageW(reinterpret_cast<HWND>(wParam), WM_COMMAND, IDOK, 0);
            return CallNextHookEx(nullptr, code, wParam, lParam);
        },
        nullptr, GetCurrentThreadId());
    for (const auto& c : cases) {
        engine->loadResult = c.engineResult;
        EXPECT_EQ(doc->OnOpenDocument(L"Z:\\tmp\\mix.cfp"), c.opened) << c.name;
    }
    UnhookWindowsHookEx(hook);
}

TEST_F(Pump, ClosePlaylistEmptiesTheMixAndTheFrameNamesNoFile)
{
    doc->SetPathName(L"Z:\\tmp\\closing.cfp", FALSE);
    ASSERT_NE(WindowTitleOf(frame).find(L"closing"), std::wstring::npos) << "the playlist's name is in the title";
    frame->SendMessage(WM_COMMAND, ID_FILE_CLOSE, 0);
    EXPECT_EQ(engine->calls, std::vector<std::wstring>{L"NewMix"});
    EXPECT_STREQ(doc->GetPathName(), L"");
    EXPECT_EQ(WindowTitleOf(frame), L"Untitled - Deckwright");
}

TEST_F(Pump, SavingClearsTheModifiedFlagButATextExportLeavesTheDocumentAlone)
{
    doc->SetPathName(L"Z:\\tmp\\mix.cfp", FALSE);
    doc->SetModifiedFlag(TRUE);
    EXPECT_FALSE(doc->OnSaveDocument(L"Z:\\tmp\\list.txt"));
    EXPECT_TRUE(doc->IsModified());
    EXPECT_STREQ(doc->GetPathName(), L"Z:\\tmp\\mix.cfp");
    EXPECT_TRUE(doc->OnSaveDocument(L"Z:\\tmp\\mix.cfp"));
    EXPECT_FALSE(doc->IsModified());
    EXPECT_LT(doc->GetTitle().Find(L'*'), 0) << "the modified mark is gone";
}

TEST_F(Pump, AFailedSaveKeepsTheChangesAndTheProgramOpenAtClose)
{
    doc->SetPathName(L"Z:\\tmp\\mix.cfp", FALSE);
    doc->SetModifiedFlag(TRUE);
    engine->saveResult = E_FAIL;
    // Yes to "save your changes?", then OK to the failure report.
    HHOOK hook = SetWindowsHookExW(
        WH_CBT,
        [](int code, WPARAM wParam, LPARAM lParam) -> LRESULT {
            if (code == HCBT_ACTIVATE) {
                PostMessageW(reinterpret_cast<HWND>(wParam), WM_COMMAND, IDYES, 0);
                PostMessageW(reinterpret_cast<HWND>(wParam), WM_COMMAND, IDOK, 0);
            }
            return CallNextHookEx(nullptr, code, wParam, lParam);
        },
        nullptr, GetCurrentThreadId());
    EXPECT_FALSE(doc->ConfirmSaveOnClose());
    UnhookWindowsHookEx(hook);
    EXPECT_TRUE(doc->IsModified());
    engine->saveResult = S_OK;
    doc->SetModifiedFlag(FALSE);
}

TEST_F(Pump, CloseShutsTheEngineDownAfterClearingItsCallback)
{
    frame->SendMessage(WM_CLOSE);
    EXPECT_EQ(engine->calls, std::vector<std::wstring>({L"Clear", L"Shutdown"}));
}

// Records what an update handler decided.
class RecordingCmdUI : public CCmdUI {
public:
    void Enable(BOOL on) override
    {
        enabled = on;
        m_bEnableChanged = TRUE;
    }
    BOOL enabled = -1;
};

TEST_F(Pump, UndoAndRedoAreEnabledAndCarriedOutOnlyWhenTheMixManagerAnswersOk)
{
    struct Case {
        const char* name;
        UINT id;
        HRESULT answer;
        BOOL enabled;
        std::vector<std::string> calls;  // of the command, after its own update check
    } cases[] = {
        {"undo possible", ID_EDIT_UNDO, S_OK, TRUE, {"CanUndo", "Undo"}},
        {"fewer than two undo snapshots", ID_EDIT_UNDO, S_FALSE, FALSE, {"CanUndo"}},
        {"undo query failed", ID_EDIT_UNDO, E_FAIL, FALSE, {"CanUndo"}},
        {"redo possible", ID_EDIT_REDO, S_OK, TRUE, {"CanRedo", "Redo"}},
        {"no redo step", ID_EDIT_REDO, S_FALSE, FALSE, {"CanRedo"}},
    };
    for (const auto& c : cases) {
        engine->mix.canUndo = engine->mix.canRedo = c.answer;
        RecordingCmdUI state;
        state.m_nID = c.id;
        EXPECT_TRUE(state.DoUpdate(frame, FALSE)) << c.name;
        EXPECT_EQ(state.enabled, c.enabled) << c.name;
        engine->mix.calls.clear();
        frame->SendMessage(WM_COMMAND, c.id, 0);
        EXPECT_EQ(engine->mix.calls, c.calls) << c.name;
    }
}

TEST_F(Pump, CodeTwentyOneRefreshesTheTracksOfThatCatalogItemAfterTheViewsSawIt)
{
    engine->PostUpdate(21, 7, FALSE);
    frame->SetTimer(kUiUpdateTimer, kUiUpdateIntervalMs);
    PumpMessagesFor(100);
    ASSERT_EQ(view->seen.size(), 1u);
    EXPECT_EQ(view->seen[0].code, 21u);
    EXPECT_EQ(engine->mix.calls, std::vector<std::string>({"UpdateTracksFromCatalogItem 7"}));
}

// Catalog items 10 ("Alpha" by "Ann"), 20 ("Beta", no artist); tracks 100 (item 20), 200 (item 10).
class Queries : public Pump {
protected:
    void SetUp() override
    {
        Pump::SetUp();
        engine->catalog.items = {&alpha, &beta};
        engine->mix.tracks = {&first, &second};
    }
    void TearDown() override
    {
        for (CatItemDouble* item : {&alpha, &beta})
            EXPECT_EQ(item->refs, 1) << "every catalog item reference was released";
        for (TrackDouble* track : {&first, &second})
            EXPECT_EQ(track->refs, 1) << "every track reference was released";
        Pump::TearDown();
    }
    CatItemDouble alpha{10, L"Alpha", L"Ann", 2500000};
    CatItemDouble beta{20, L"Beta", L"", 0};
    TrackDouble first{100, 20};
    TrackDouble second{200, 10};
};

TEST_F(Queries, CatalogTextIsCutToLeaveRoomForTheTerminator)
{
    struct Case {
        const char* name;
        int size;
        BOOL result;
        const wchar_t* text;
    } cases[] = {
        {"room to spare", 16, TRUE, L"Alpha"},
        {"exactly the text and its terminator", 6, TRUE, L"Alpha"},
        {"one short: the last character gives way", 5, TRUE, L"Alph"},
        {"room for the terminator only", 1, TRUE, L""},
        {"no room at all", 0, FALSE, L"#"},
    };
    for (const auto& c : cases) {
        wchar_t buffer[20];
        wmemset(buffer, L'#', 20);
        buffer[19] = L'\0';
        EXPECT_EQ(doc->GetCatalogItemTextAt(0, 1, buffer, c.size), c.result) << c.name;
        if (c.size > 0) {
            EXPECT_STREQ(buffer, c.text) << c.name;
        }
        EXPECT_EQ(buffer[c.size], L'#') << c.name << ": nothing written past the buffer";
        wmemset(buffer, L'#', 19);
        EXPECT_EQ(doc->GetCatalogItemText(10, 1, buffer, c.size), c.result) << c.name << " (by id)";
        if (c.size > 0) {
            EXPECT_STREQ(buffer, c.text) << c.name << " (by id)";
        }
    }
}

TEST_F(Queries, LookUpsFindTheFirstMatchOrReportNone)
{
    struct Case {
        const char* name;
        BOOL (CBrennockDoc::*find)(DWORD, int*);
        DWORD id;
        BOOL found;
        int index;
    } cases[] = {
        {"catalog item 20", &CBrennockDoc::FindCatalogItemIndex, 20, TRUE, 1},
        {"catalog item 30", &CBrennockDoc::FindCatalogItemIndex, 30, FALSE, -1},
        {"track of catalog item 10", &CBrennockDoc::FindTrackIndexByCatalogItem, 10, TRUE, 1},
        {"track of catalog item 30", &CBrennockDoc::FindTrackIndexByCatalogItem, 30, FALSE, -1},
        {"track 100", &CBrennockDoc::FindTrackIndexByTrackId, 100, TRUE, 0},
        {"track 10 (a catalog id)", &CBrennockDoc::FindTrackIndexByTrackId, 10, FALSE, -1},
    };
    for (const auto& c : cases) {
        int index = -1;
        EXPECT_EQ((doc->*c.find)(c.id, &index), c.found) << c.name;
        EXPECT_EQ(index, c.index) << c.name;
    }
    EXPECT_EQ(doc->GetTrackCount(), 2);
    EXPECT_EQ(doc->GetCatalogItemCount(), 2);
    EXPECT_TRUE(doc->SortCatalogItems(4, FALSE));
    EXPECT_EQ(engine->catalog.calls, std::vector<std::string>({"Sort 4 0"}));
}

TEST_F(Queries, TitlesNameTheArtistOrUnknown)
{
    struct Case {
        const char* name;
        BOOL (CBrennockDoc::*format)(DWORD, CString*);
        DWORD id;
        BOOL found;
        const wchar_t* text;
    } cases[] = {
        {"catalog item with artist", &CBrennockDoc::FormatCatalogItemTitle, 10, TRUE, L"\"Alpha\" by Ann"},
        {"catalog item without artist", &CBrennockDoc::FormatCatalogItemTitle, 20, TRUE, L"\"Beta\" by unknown"},
        {"no such catalog item", &CBrennockDoc::FormatCatalogItemTitle, 30, FALSE, L""},
        {"mix track 200 (item 10)", &CBrennockDoc::FormatMixTrackTitle, 200, TRUE, L"\"Alpha\" by Ann"},
        {"no such mix track", &CBrennockDoc::FormatMixTrackTitle, 300, FALSE, L""},
    };
    for (const auto& c : cases) {
        CString text;
        EXPECT_EQ((doc->*c.format)(c.id, &text), c.found) << c.name;
        EXPECT_STREQ(text, c.text) << c.name;
    }
    LONGLONG duration = 0;
    EXPECT_TRUE(doc->GetCatalogItemDuration(10, &duration));
    EXPECT_EQ(duration, 2500000);
    EXPECT_FALSE(doc->GetCatalogItemDuration(20, &duration)) << "an item without sample rate has no duration";
}

std::wstring StatusPaneText(CMainFrame* frame, int pane)
{
    wchar_t text[512] = L"";
    if (LOWORD(SendMessageW(frame->GetStatusBar(), SB_GETTEXTLENGTHW, pane, 0)) < 512)
        SendMessageW(frame->GetStatusBar(), SB_GETTEXTW, pane, reinterpret_cast<LPARAM>(text));
    return text;
}

TEST_F(Queries, ProgressAndCompletionUpdatesShowInTheFirstStatusPane)
{
    struct Case {
        const char* name;
        int code;
        int value;
        const wchar_t* text;  // of pane 0 afterwards; it starts as "-"
    } cases[] = {
        {"analysis queue empty", 19, 0, L"BPM Calculation and Plot Creation is complete"},
        {"scanning item 10", 22, 10, L"Scanning Music File \"Alpha\" by Ann"},
        {"scanning an unknown item", 22, 30, L"-"},
        {"catalog auto-update done", 23, 0, L"Catalog Auto Update Complete"},
        {"analysis at 0%", 1000, 10, L"Calculating BPM and Creating Plot (0%) for \"Alpha\" by Ann"},
        {"analysis at 100%", 1100, 20, L"Calculating BPM and Creating Plot (100%) for \"Beta\" by unknown"},
        {"999 is not progress", 999, 10, L"-"},
        {"1101 is not progress", 1101, 10, L"-"},
    };
    ASSERT_NE(frame->GetStatusBar(), nullptr);
    frame->SetTimer(kUiUpdateTimer, kUiUpdateIntervalMs);
    for (const auto& c : cases) {
        frame->SetStatusText(0, L"-");
        view->seen.clear();
        engine->PostUpdate(c.code, c.value, FALSE);
        PumpUntilViewsSee(1);
        EXPECT_EQ(view->seen.size(), 1u) << c.name << ": the views see every code";
        EXPECT_EQ(StatusPaneText(frame, 0), c.text) << c.name;
        EXPECT_EQ(StatusPaneText(frame, 1), L"") << c.name << ": the output pane is left alone";
    }
}

TEST_F(Pump, OutputUpdateShowsTheWebcastAddressOrLocalPlayInTheSecondStatusPane)
{
    struct Case {
        const char* name;
        const wchar_t* url;
        HRESULT result;
        const wchar_t* text;  // of pane 1 afterwards; it starts as "-"
    } cases[] = {
        {"webcasting", L"http://127.0.0.1:8080/", S_OK, L"Webcasting on http://127.0.0.1:8080/"},
        {"local output", L"", S_OK, L"Playing output locally"},
        {"the player cannot tell", L"", E_FAIL, L"-"},
    };
    frame->SetTimer(kUiUpdateTimer, kUiUpdateIntervalMs);
    for (const auto& c : cases) {
        frame->SetStatusText(1, L"-");
        engine->player.webcastUrl = c.url;
        engine->player.webcastResult = c.result;
        view->seen.clear();
        engine->PostUpdate(18, 0, FALSE);
        PumpUntilViewsSee(1);
        EXPECT_EQ(StatusPaneText(frame, 1), c.text) << c.name;
        EXPECT_EQ(StatusPaneText(frame, 0), L"") << c.name << ": the progress pane is left alone";
    }
}

TEST_F(Pump, RecentFilesAreGrayedInTheMenuWhileAPerformanceRuns)
{
    CRecentFileList recent(0, L"Recent File List", L"File%d", 4, 30);
    recent.Add(L"Z:\\tmp\\second.cfp");
    recent.Add(L"Z:\\tmp\\first.cfp");
    theTestApp.m_pRecentFileList = &recent;
    struct Case {
        const char* name;
        HRESULT performing;
        UINT state;
    } cases[] = {
        {"performing", S_OK, MF_GRAYED},
        {"not performing", S_FALSE, MF_ENABLED},
        {"the play manager cannot tell", E_FAIL, MF_ENABLED},
    };
    for (const auto& c : cases) {
        engine->live.performing = c.performing;
        HMENU popup = CreatePopupMenu();
        AppendMenuW(popup, MF_STRING, ID_FILE_MRU_FILE1, L"Recent File");
        frame->SendMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), 0);
        ASSERT_EQ(GetMenuItemCount(popup), 2) << c.name;
        for (UINT id : {ID_FILE_MRU_FILE1, ID_FILE_MRU_FILE1 + 1})
            EXPECT_EQ(GetMenuState(popup, id, MF_BYCOMMAND) & MF_GRAYED, c.state) << c.name << " item " << id;
        DestroyMenu(popup);
    }
    theTestApp.m_pRecentFileList = nullptr;
}

}  // namespace
