// The mix manager inside an owner of the test's own: the owner answers the UI-update queue with a
// log and the video interface with a fake that records its calls; there is no player (the play
// managers have no graph), no catalog and no file mapper. Snapshots and the last-mix file go to a
// folder of the test's own.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "engine/core/mix/MixManager.h"
#include "engine/core/server/InnerPtr.h"
#include "interfaces/IUiUpdateQueue.h"
#include "interfaces/IVideoMontage.h"
#include "tests/engine/core/mix/DocumentFiles.h"
#include "tests/engine/core/mix/IdList.h"
#include "tests/engine/core/mix/MixFixture.h"
#include "tests/support/TempDir.h"

namespace mixtest {

struct Post {
    int code;
    int value;
    bool operator==(const Post&) const = default;
};

// The video montage: records each call; OnMixChanged can run a callback (a client that asks the
// manager for a snapshot from inside the rebuild).
class VideoFake : public IVideoMontage {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE Reserved3() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved4() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved5() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved6() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved7() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnMixChanged() override
    {
        calls.push_back("changed");
        if (onMixChanged)
            onMixChangedResult = onMixChanged->SaveUndoSnapshot(FALSE);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Reserved9() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved10() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved11() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved12() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetVideoState(IVideoClipList** state) override
    {
        calls.push_back("get");
        list.AddRef();
        *state = &list;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE PrepareVideoState(IVideoClipList* state) override
    {
        calls.push_back(state == &list ? "prepare" : "prepare other");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE RestoreVideoState(IVideoClipList* state) override
    {
        calls.push_back(state == &list ? "restore" : "restore other");
        return S_OK;
    }
    virtual ~VideoFake() = default;

    CFakeVideoList list;
    std::vector<std::string> calls;
    IMixManager* onMixChanged = nullptr;
    HRESULT onMixChangedResult = E_UNEXPECTED;
};

class UiLog : public IUiUpdateQueue {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE PopUpdate(int*, int*) override { return S_FALSE; }
    HRESULT STDMETHODCALLTYPE PostUpdate(int code, int value, BOOL) override
    {
        posts.push_back({code, value});
        return S_OK;
    }
    virtual ~UiLog() = default;
    std::vector<Post> posts;
};

// The engine main object as the manager's outer.
class Owner : public IUnknown {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        *object = nullptr;
        if (IsEqualIID(iid, IID_IUnknown))
            *object = static_cast<IUnknown*>(this);
        else if (IsEqualIID(iid, IID_IUiUpdateQueue))
            *object = static_cast<IUiUpdateQueue*>(&ui);
        else if (IsEqualIID(iid, IID_IVideoMontage) && withVideo)
            *object = static_cast<IVideoMontage*>(&video);
        else if (inner)
            return inner->NonDelegatingQueryInterface(iid, object);
        return *object ? S_OK : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    virtual ~Owner() = default;

    UiLog ui;
    VideoFake video;
    bool withVideo = true;
    INondelegatingUnknown* inner = nullptr;
};

class MixManagerTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_manager.reset(new CMixManager(&m_owner));
        m_owner.inner = m_manager.get();
        m_manager->Initialize(LastMixPath().c_str());
    }
    void TearDown() override
    {
        m_manager.reset();
        m_owner.inner = nullptr;
    }

    std::wstring LastMixPath() const { return m_folder.File(L"defaultplaylist.cfp"); }
    CMixManager& Manager() { return *m_manager.get(); }
    // A primary track of the synthetic mixes, without an id.
    static CTrackInfo* NewTrack(float bpm)
    {
        const mixtest::SyntheticTrack spec{bpm, 16, 0, 2, 12, 2, kMixingBeat};
        CTrackInfo* track = mixtest::MakeTrack(spec, mixtest::MakeResults(spec, static_cast<int>(bpm)), -1);
        return track;
    }
    void Insert(std::vector<CTrackInfo*> tracks, int index)
    {
        CTrackInfoContainer list;
        for (CTrackInfo* track : tracks) {
            list.AppendReference(track);
            track->ReleaseFromOwner();
        }
        Manager().InsertTracksAt(list, index);
    }
    std::vector<LONG> Ids()
    {
        std::vector<LONG> ids;
        for (int i = 0; i < Manager().Tracks().GetCount(); ++i)
            ids.push_back(Manager().Tracks().GetAt(i)->GetTrackIdValue());
        return ids;
    }
    std::vector<Post> TakePosts() { return std::exchange(m_owner.ui.posts, {}); }
    // Copies of the mix's tracks as they stand.
    std::vector<ComPtr<ITrackEditItem>> CopyMix()
    {
        std::vector<ComPtr<ITrackEditItem>> copies;
        for (int i = 0; i < Manager().Tracks().GetCount(); ++i) {
            copies.emplace_back();
            Manager().GetTrackCopy(i, copies.back().put());
        }
        return copies;
    }
    // Every track equal, field by field, to the copy taken at its place.
    void ExpectMixEquals(const std::vector<ComPtr<ITrackEditItem>>& copies)
    {
        ASSERT_EQ(Manager().Tracks().GetCount(), static_cast<int>(copies.size()));
        for (size_t i = 0; i < copies.size(); ++i)
            EXPECT_TRUE(
                Manager().Tracks().GetAt(static_cast<int>(i))->IsEqual(*static_cast<CTrackInfo*>(copies[i].get())))
                << "track " << i;
    }

    fixtures::TempDir m_folder{L"mixmgr"};
    Owner m_owner;
    InnerPtr<CMixManager> m_manager;
};

}  // namespace mixtest
