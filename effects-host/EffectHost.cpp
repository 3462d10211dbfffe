#include "effects-host/EffectHost.h"

#include "effects-host/FeederPin.h"
#include "effects-host/ReceiverPin.h"
#include "effects-host/SampleFilter.h"
#include "effects-host/SampleMediaTypes.h"
#include "effects-host/SehGuard.h"

#include <dsound.h>

#include <algorithm>
#include <new>

namespace {

// Effect ids come from one counter of the library, so they stay unique while it is loaded.
volatile LONG g_lastEffectId = 0;

// The standard compressor takes 16-bit PCM only: a chain holding it runs on 16-bit samples.
constexpr CLSID kStandardCompressor = {0xEF011F79, 0x4000, 0x406D, {0x87, 0xAF, 0xBF, 0xFB, 0x3F, 0xC3, 0x9D, 0x57}};

}  // namespace

CEffectHost* CEffectHost::Create()
{
    auto* host = new (std::nothrow) CEffectHost;
    if (!host)
        return nullptr;
    host->m_feeder = ComPtr<CSampleFilter>::attach(CSampleFilter::CreateFeeder());
    host->m_receiver = ComPtr<CSampleFilter>::attach(CSampleFilter::CreateReceiver());
    if (!host->m_feeder || !host->m_receiver) {
        delete host;
        return nullptr;
    }
    return host;
}

CEffectHost::~CEffectHost()
{
    if (m_control)
        m_control->Stop();
    if (m_graph) {
        Unlink();
        for (InsertedEffect& effect : m_inserted)
            m_graph->RemoveFilter(effect.instance.filter.get());
        m_graph->RemoveFilter(m_feeder.get());
        m_graph->RemoveFilter(m_receiver.get());
    }
}

HRESULT CEffectHost::BuildGraph()
{
    ComPtr<IGraphBuilder> graph;
    HRESULT hr =
        CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder, graph.put_void());
    if (FAILED(hr))
        return hr;
    hr = graph->AddFilter(m_feeder.get(), L"Carrowfold Sample Feeder");
    if (SUCCEEDED(hr))
        hr = graph->AddFilter(m_receiver.get(), L"Carrowfold Sample Receiver");
    ComPtr<IMediaControl> control;
    if (SUCCEEDED(hr))
        hr = graph.query(IID_IMediaControl, control);
    if (FAILED(hr)) {
        graph->RemoveFilter(m_feeder.get());
        graph->RemoveFilter(m_receiver.get());
        return hr;
    }
    m_graph = graph;
    m_control = control;
    m_initialized = true;
    return S_OK;
}

HRESULT CEffectHost::Initialize()
{
    if (!m_initialized) {
        const HRESULT hr = BuildGraph();
        if (FAILED(hr))
            return hr;
    }
    if (m_listed)
        return S_FALSE;
    m_listed = true;
    return ListAvailableEffects(m_available);
}

HRESULT CEffectHost::GetAvailableEffect(int index, CLSID* clsid, WCHAR* name) const
{
    if (!clsid || !name)
        return E_POINTER;
    if (index < 0 || static_cast<size_t>(index) >= m_available.size())
        return S_FALSE;
    const AvailableEffect& effect = m_available[static_cast<size_t>(index)];
    *clsid = effect.clsid;
    CopyEffectName(effect.name, name);
    return S_OK;
}

std::vector<CEffectHost::InsertedEffect>::iterator CEffectHost::FindInserted(LONG id)
{
    return std::find_if(m_inserted.begin(), m_inserted.end(), [id](const InsertedEffect& e) { return e.id == id; });
}

size_t CEffectHost::InsertionIndex(LONG beforeId) const
{
    auto found = std::find_if(m_inserted.begin(), m_inserted.end(),
                              [beforeId](const InsertedEffect& e) { return e.id == beforeId; });
    return static_cast<size_t>(found - m_inserted.begin());
}

HRESULT CEffectHost::InsertEffect(const CLSID& clsid, LONG beforeId, IStream* state, LONG* id)
{
    if (!id)
        return E_POINTER;
    if (!m_initialized)
        return E_FAIL;
    HRESULT hr = TestEffectAcceptance(clsid);
    if (FAILED(hr))
        return E_FAIL;
    EffectInstance instance;
    hr = InstantiateEffect(clsid, state, instance);
    if (FAILED(hr))
        return hr;
    hr = m_graph->AddFilter(instance.filter.get(), L"PlugIn");
    if (FAILED(hr))
        return hr;
    const LONG newId = InterlockedIncrement(&g_lastEffectId);
    const size_t at = InsertionIndex(beforeId);
    m_inserted.insert(m_inserted.begin() + static_cast<ptrdiff_t>(at), InsertedEffect{clsid, newId, instance});
    hr = RelinkOrUndo([&] {
        m_inserted.erase(m_inserted.begin() + static_cast<ptrdiff_t>(at));
        m_graph->RemoveFilter(instance.filter.get());
    });
    if (FAILED(hr))
        return hr;
    *id = newId;
    return S_OK;
}

HRESULT CEffectHost::RemoveEffect(LONG id)
{
    if (!m_initialized)
        return E_FAIL;
    auto found = FindInserted(id);
    if (found == m_inserted.end())
        return E_FAIL;
    Unlink();
    const auto at = found - m_inserted.begin();
    InsertedEffect removed = std::move(*found);
    m_inserted.erase(found);
    m_graph->RemoveFilter(removed.instance.filter.get());
    return RelinkOrUndo([&] {
        m_graph->AddFilter(removed.instance.filter.get(), L"PlugIn");
        m_inserted.insert(m_inserted.begin() + at, std::move(removed));
    });
}

HRESULT CEffectHost::MoveEffect(LONG id, LONG beforeId)
{
    if (!m_initialized || beforeId == -2)
        return E_FAIL;
    auto found = FindInserted(id);
    if (found == m_inserted.end())
        return E_FAIL;
    const size_t from = static_cast<size_t>(found - m_inserted.begin());
    InsertedEffect moved = std::move(*found);
    m_inserted.erase(found);
    const size_t to = InsertionIndex(beforeId);
    m_inserted.insert(m_inserted.begin() + static_cast<ptrdiff_t>(to), std::move(moved));
    return RelinkOrUndo([&] {
        InsertedEffect back = std::move(m_inserted[to]);
        m_inserted.erase(m_inserted.begin() + static_cast<ptrdiff_t>(to));
        m_inserted.insert(m_inserted.begin() + static_cast<ptrdiff_t>(from), std::move(back));
    });
}

template <typename Undo>
HRESULT CEffectHost::RelinkOrUndo(Undo undo)
{
    const HRESULT hr = Relink();
    if (SUCCEEDED(hr))
        return hr;
    undo();
    if (FAILED(Relink()))
        LeaveOutUnlinkable();
    return hr;
}

void CEffectHost::LeaveOutUnlinkable()
{
    std::vector<InsertedEffect> wanted = std::move(m_inserted);
    m_inserted.clear();
    for (InsertedEffect& effect : wanted) {
        m_inserted.push_back(std::move(effect));
        if (FAILED(Relink())) {
            m_graph->RemoveFilter(m_inserted.back().instance.filter.get());
            m_inserted.pop_back();
        }
    }
    if (SUCCEEDED(Relink()))
        return;
    // Not even the effects that linked one by one link together again: the chain is emptied, so
    // that the audio passes unprocessed rather than not at all.
    Unlink();
    for (InsertedEffect& effect : m_inserted)
        m_graph->RemoveFilter(effect.instance.filter.get());
    m_inserted.clear();
}

HRESULT CEffectHost::GetEffectById(LONG id, IUnknown** filter) const
{
    if (!filter)
        return E_POINTER;
    *filter = nullptr;
    if (!m_initialized)
        return E_FAIL;
    auto found =
        std::find_if(m_inserted.begin(), m_inserted.end(), [id](const InsertedEffect& e) { return e.id == id; });
    if (found == m_inserted.end())
        return E_FAIL;
    *filter = found->instance.filter.get();
    (*filter)->AddRef();
    return S_OK;
}

HRESULT CEffectHost::GetInsertedEffect(int index, CLSID* clsid, WCHAR* name, LONG* id) const
{
    if (!clsid || !name || !id)
        return E_POINTER;
    if (index < 0 || static_cast<size_t>(index) >= m_inserted.size())
        return S_FALSE;
    const InsertedEffect& effect = m_inserted[static_cast<size_t>(index)];
    *clsid = effect.clsid;
    *id = effect.id;
    auto named = std::find_if(m_available.begin(), m_available.end(),
                              [&](const AvailableEffect& a) { return IsEqualGUID(a.clsid, effect.clsid) != 0; });
    CopyEffectName(named != m_available.end() ? named->name : std::wstring(), name);
    return S_OK;
}

void CEffectHost::Unlink()
{
    m_control->Stop();
    m_graph->Disconnect(&m_feeder->Pin());
    m_graph->Disconnect(&m_receiver->Pin());
    for (InsertedEffect& effect : m_inserted) {
        m_graph->Disconnect(effect.instance.input.get());
        m_graph->Disconnect(effect.instance.output.get());
    }
}

HRESULT CEffectHost::Relink()
{
    // Linking calls into every plug-in of the chain (types set, streaming resources taken); one
    // that faults ends the relink with E_FAIL, and the caller puts the previous chain back.
    return CallGuarded([this] { return LinkChain(); });
}

HRESULT CEffectHost::LinkChain()
{
    Unlink();
    if (m_inserted.empty())
        return S_OK;
    const bool pcm16 = std::any_of(m_inserted.begin(), m_inserted.end(),
                                   [](const InsertedEffect& e) { return IsEqualGUID(e.clsid, kStandardCompressor); });
    m_feeder->Pin().SetFirstType(pcm16 ? kSampleTypePcm16 : kSampleTypeFloat);
    IPin* upstream = &m_feeder->Pin();
    for (InsertedEffect& effect : m_inserted) {
        HRESULT hr = m_graph->ConnectDirect(upstream, effect.instance.input.get(), nullptr);
        if (FAILED(hr))
            return hr;
        upstream = effect.instance.output.get();
    }
    HRESULT hr = m_graph->ConnectDirect(upstream, &m_receiver->Pin(), nullptr);
    if (FAILED(hr))
        return hr;
    hr = m_control->Run();
    return FAILED(hr) ? hr : S_OK;
}

HRESULT CEffectHost::GetInputBuffer(BOOL discontinuity, BYTE** data, DWORD* bytes)
{
    if (!m_initialized)
        return E_FAIL;
    if (m_inserted.empty())
        return S_FALSE;
    return m_feeder->Feeder().GetInputBuffer(discontinuity, data, bytes);
}

HRESULT CEffectHost::DeliverInputBuffer()
{
    if (!m_initialized)
        return E_FAIL;
    return m_feeder->Feeder().DeliverInputBuffer();
}

HRESULT CEffectHost::GetOutputBuffer(BYTE** data, DWORD* bytes, LONGLONG* handle)
{
    if (!m_initialized)
        return E_FAIL;
    return m_receiver->Receiver().GetOutputBuffer(data, bytes, handle);
}

HRESULT CEffectHost::ReleaseOutputBuffer(LONGLONG handle)
{
    if (!m_initialized)
        return E_FAIL;
    return m_receiver->Receiver().ReleaseOutputBuffer(handle);
}
