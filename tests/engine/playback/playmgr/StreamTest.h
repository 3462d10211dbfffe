// The set-up the play manager's tests share: a live stream over generated tracks, opened in a
// folder of the test's own, and the mix rendered offline for comparison with what it plays.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "LiveStream.h"
#include "tests/support/TempDir.h"

namespace playmgrtest {

class StreamTest : public ::testing::Test {
protected:
    // Opens the live stream over `files` (`measures` each) on `device`; the test stops when the
    // stream is not ready, so call it through ASSERT_NO_FATAL_FAILURE.
    void Open(Device device, const std::vector<rendertest::TrackFile>& files = kThreeTracks, int measures = kMeasures)
    {
        m_stream = std::make_unique<LiveStream>(m_folder.Path(), files, measures, device);
        ASSERT_TRUE(m_stream->Ready()) << m_stream->Failure();
    }
    LiveStream& Stream() { return *m_stream; }
    CPlayManager& Manager() { return m_stream->Manager(); }
    const fixtures::TempDir& Folder() const { return m_folder; }

private:
    // The stream goes before its folder.
    fixtures::TempDir m_folder{L"playmgr"};
    std::unique_ptr<LiveStream> m_stream;
};

}  // namespace playmgrtest
