// The fixture of the catalog object's tests: a catalog in folders of its own, music files made
// for the test, adding them, id lists, and running the analysis queue as the service thread
// does; and tracks with saved mix settings, as stored or embedded in music files.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <string>
#include <vector>

#include "classlib/core/Archive.h"
#include "classlib/core/MemFile.h"
#include "engine/catalog/ids/ItemIdList.h"
#include "engine/core/storage/RiffFile.h"
#include "engine/core/track/Segment.h"
#include "engine/core/track/TrackInfo.h"
#include "tests/engine/catalog/CatalogTestSupport.h"

namespace catalog_test {

class CatalogTest : public testing::Test {
protected:
    std::wstring MakeWav(const std::wstring& name, double frequency = 440, double seconds = 0.3)
    {
        const std::wstring path = m_music.File(name);
        EXPECT_TRUE(fixtures::WriteWav16(path, fixtures::Tone(frequency, seconds, 44100, 2), 44100, 2));
        return path;
    }
    CCatItem* Add(const std::wstring& path)
    {
        CCatItem* item = nullptr;
        EXPECT_TRUE(m_fixture.Catalog()->AddItemFromFile(path.c_str(), &item, FALSE))
            << std::string(path.begin(), path.end());
        return item;
    }
    ComPtr<CItemIdList> Ids(std::initializer_list<DWORD> ids)
    {
        ComPtr<CItemIdList> list = ComPtr<CItemIdList>::attach(new CItemIdList());
        for (DWORD id : ids)
            list->Add(id);
        return list;
    }
    // Ticks the catalog as the service thread does until the queue has run empty and reported it.
    bool RunAnalysis(int maxTicks = 6000)
    {
        for (int tick = 0; tick < maxTicks; ++tick) {
            m_fixture.Catalog()->ProcessProfileQueue();
            const auto posts = m_fixture.engine.QueuePosts();
            if (std::count(posts.begin(), posts.end(), std::pair<int, int>{19, 0}) > 0)
                return true;
            Sleep(10);
        }
        return false;
    }

    fixtures::TempDir m_music{L"catalog music"};
    CatalogFixture m_fixture;
};

// A track with settings of its own (a segment on a non-primary track).
inline ComPtr<CTrackInfo> CustomTrack(const CMusicFileId& id)
{
    ComPtr<CTrackInfo> track = ComPtr<CTrackInfo>::attach(new CTrackInfo());
    track->SetMusicFileId(id);
    track->SetSampleInfo(44100, 441000);
    track->ResetToDefaults();
    track->SetPrimary(FALSE);
    track->MainObjects().Append(new CSegment(kSegmentPlain, 0, 400000, 0));
    return track;
}

// The bytes of a saved-mix image ("CFDM" holding the track), as a music file embeds them.
inline std::vector<BYTE> MixImage(CTrackInfo* track)
{
    CRiffFile image;
    FOURCC form = mmioFOURCC('C', 'F', 'D', 'M');
    EXPECT_TRUE(image.CreateInMemory(&form));
    EXPECT_TRUE(image.CreateList(mmioFOURCC('T', 'R', 'K', 'I')));
    EXPECT_TRUE(track->WriteChunks(&image, FALSE));
    EXPECT_TRUE(image.Ascend());
    EXPECT_TRUE(image.Ascend());
    CMemFile file;
    {
        CArchive archive(&file, CArchive::store);
        EXPECT_TRUE(image.WriteImageTo(archive));
        archive.Close();
    }
    return std::vector<BYTE>(file.GetData(), file.GetData() + file.GetLength());
}

}  // namespace catalog_test
