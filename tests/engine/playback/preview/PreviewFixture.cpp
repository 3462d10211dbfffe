#include "tests/engine/playback/preview/PreviewFixture.h"

#include <cwctype>

#include "engine/core/server/ThreadCom.h"

namespace previewtest {

HRESULT VideoPlayerDouble::QueryInterface(REFIID iid, void** object)
{
    *object = nullptr;
    if (!IsEqualIID(iid, IID_IUnknown))
        return E_NOINTERFACE;
    *object = static_cast<IUnknown*>(this);
    AddRef();
    return S_OK;
}

HRESULT VideoPlayerDouble::Seek(LONGLONG to)
{
    CSingleThreadLock lock(&m_lock);
    m_calls.push_back("Seek " + std::to_string(to));
    position = to;
    return S_OK;
}

HRESULT VideoPlayerDouble::Play()
{
    CSingleThreadLock lock(&m_lock);
    m_calls.push_back("Play");
    m_playing = true;
    return S_OK;
}

HRESULT VideoPlayerDouble::Stop()
{
    CSingleThreadLock lock(&m_lock);
    m_calls.push_back("Stop");
    m_playing = false;
    return S_OK;
}

HRESULT VideoPlayerDouble::GetPosition(LONGLONG* at)
{
    CSingleThreadLock lock(&m_lock);
    *at = position;
    return S_OK;
}

HRESULT VideoPlayerDouble::IsPlaying()
{
    CSingleThreadLock lock(&m_lock);
    return m_playing ? S_OK : S_FALSE;
}

std::vector<std::string> VideoPlayerDouble::Take()
{
    CSingleThreadLock lock(&m_lock);
    return std::exchange(m_calls, {});
}

HRESULT HostMediaDouble::QueryInterface(REFIID iid, void** object)
{
    *object = nullptr;
    if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IHostMedia))
        return E_NOINTERFACE;
    *object = static_cast<IHostMedia*>(this);
    return S_OK;
}

HRESULT HostMediaDouble::GetExtensions(BSTR* list)
{
    *list = SysAllocString((std::wstring(kVideoExtension) + L";").c_str());
    return S_OK;
}

HRESULT HostMediaDouble::GetMediaInfo(BSTR path, LONGLONG* samples, int* rate)
{
    std::wstring name(path);
    for (wchar_t& c : name)
        c = static_cast<wchar_t>(std::towlower(c));
    if (!name.ends_with(std::wstring(L".") + kVideoExtension))
        return E_FAIL;
    *samples = kVideoDuration * kRate / 1000000;
    *rate = static_cast<int>(kRate);
    return S_OK;
}

HRESULT HostMediaDouble::CreateVideoPreview(BSTR path, BSTR deviceName, IVideoPreviewPlayer** out)
{
    CSingleThreadLock lock(&m_lock);
    m_calls.push_back(L"CreateVideoPreview " + std::wstring(path ? path : L"") + L" | " +
                      std::wstring(deviceName ? deviceName : L""));
    player.AddRef();
    *out = &player;
    return S_OK;
}

std::vector<std::wstring> HostMediaDouble::Take()
{
    CSingleThreadLock lock(&m_lock);
    return std::exchange(m_calls, {});
}

HRESULT PreviewEngine::QueryInterface(REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    if ((IsEqualIID(iid, EngineIid::Player) || IsEqualIID(iid, EngineIid::PlayerInternal)) && player)
        return player->NonDelegatingQueryInterface(iid, object);
    if (IsEqualIID(iid, IID_IPlayManager)) {
        *object = playManager;
        if (!playManager)
            return E_NOINTERFACE;
        playManager->AddRef();
        return S_OK;
    }
    if (IsEqualIID(iid, IID_ICatPreviewer) && previewer)
        return previewer->NonDelegatingQueryInterface(iid, object);
    return TestEngine::QueryInterface(iid, object);
}

void PreviewTest::SetUp()
{
    m_app.App().WriteProfileString(L"Settings", L"Profile Cache Directory", (m_data.Path() + L"\\").c_str());
    IUnknown* outer = static_cast<IBrennock*>(&m_engine);
    m_engine.hostMedia = &m_host;
    m_window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    auto* player = new CPlayer(outer);
    m_player.reset(player);
    m_engine.player = player;
    player->Setup(m_window);
    // The preview on a device of its own; wave-out hands the sink our samples as they are.
    const PLAYER_OUTPUTCONFIG config{
        sizeof(PLAYER_OUTPUTCONFIG), 2, CPlayer::kWaveOut, 0, CPlayer::kMaxBufferBytes, 0, 0};
    ASSERT_EQ(player->SetOutputConfig(&config), S_OK);
    m_catalog.reset(new CCatalog(outer));
    m_engine.catalog = m_catalog.get();
    ASSERT_TRUE(m_catalog->Init((m_data.Path() + L"\\").c_str()));
    m_previewer.reset(new CCatPreviewer(outer));
    m_engine.previewer = m_previewer.get();
    m_ticker.reset(CreateThread(nullptr, 0, TickerMain, this, 0, nullptr));
    ASSERT_TRUE(m_ticker);
}

void PreviewTest::TearDown()
{
    m_tickerRun = 0;
    if (m_ticker)
        WaitForSingleObject(m_ticker.get(), INFINITE);
    if (m_previewer)
        m_previewer->Clear();
    m_engine.previewer = nullptr;
    m_previewer.reset();
    if (m_catalog)
        m_catalog->StopWorkers();
    m_engine.catalog = nullptr;
    m_catalog.reset();
    m_engine.player = nullptr;
    m_player.reset();
    if (m_window)
        DestroyWindow(m_window);
}

DWORD WINAPI PreviewTest::TickerMain(void* self)
{
    auto* test = static_cast<PreviewTest*>(self);
    // COM as the service thread has it.
    const CThreadCom com;
    while (test->m_tickerRun.load()) {
        Sleep(50);
        test->m_previewer->Tick();
    }
    return 0;
}

DWORD PreviewTest::AddItem(const std::wstring& path)
{
    CCatItem* item = nullptr;
    if (!m_catalog->AddItemFromFile(path.c_str(), &item, TRUE) || !item)
        return CCatPreviewer::kNoItem;
    const DWORD id = item->GetItemId();
    item->Release();
    return id;
}

std::vector<int> PreviewTest::TakePreviewPosts()
{
    const std::vector<profiler_test::FakeEngine::Message> posts = m_engine.QueuePosts();
    std::vector<int> values;
    for (size_t i = m_postsSeen; i < posts.size(); ++i)
        if (posts[i].first == CCatPreviewer::kPreviewChangedCode)
            values.push_back(posts[i].second);
    m_postsSeen = posts.size();
    return values;
}

bool PreviewTest::WaitPlaying(bool playing, DWORD timeoutMs)
{
    const HRESULT wanted = playing ? S_OK : S_FALSE;
    for (DWORD waited = 0; waited < timeoutMs; waited += 10) {
        if (m_previewer->IsPlaying() == wanted)
            return true;
        Sleep(10);
    }
    return m_previewer->IsPlaying() == wanted;
}

}  // namespace previewtest
