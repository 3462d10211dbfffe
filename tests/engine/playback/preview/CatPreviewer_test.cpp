// The catalog previewer playing catalog items on the preview device (wave-out into the sound sink),
// its refusals while the mix is performed, and video items handed to the video montage library's
// preview player.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>

#include "engine/catalog/ids/ItemIdList.h"
#include "tests/engine/playback/playmgr/LiveStream.h"
#include "tests/engine/playback/preview/PreviewFixture.h"
#include "tests/support/Signals.h"
#include "tests/support/UnixTools.h"
#include "tests/support/WavWriter.h"

namespace {

using namespace previewtest;

constexpr LONGLONG kFrameBytes = 4;
// An underrun: the device thread held up past what the sink had queued, and Wine played silence.
constexpr size_t kGapFrames = kRate / 100;
// What ALSA's file sink holds back and drops when the device is reset.
constexpr size_t kSinkBufferFrames = kRate / 10;
// Above the silence DirectSound plays before a buffer starts; the fixtures start louder.
constexpr float kAudible = 1.0f / 1024;

// The wave-out capture as the 16-bit samples it holds.
std::vector<int16_t> Capture()
{
    return playmgrtest::WaveOutSamples(outputtest::ReadSink(false));
}

// A run of at least kGapFrames silent frames in the capture before frame `frames` (from frame
// `from` on): the fixtures hold no such run, so it can only be a gap the loaded machine left.
bool HasGap(const std::vector<int16_t>& capture, size_t frames, size_t from = 0)
{
    size_t run = 0;
    for (size_t f = from; f < frames && f * 2 + 1 < capture.size(); ++f) {
        run = (capture[f * 2] == 0 && capture[f * 2 + 1] == 0) ? run + 1 : 0;
        if (run >= kGapFrames)
            return true;
    }
    return false;
}

// The first frame from which the capture differs from `reference` at `offset` frames, or `frames`.
size_t FirstDifference(const std::vector<int16_t>& capture, const std::vector<int16_t>& reference, size_t offset,
                       size_t frames)
{
    for (size_t i = 0; i < frames * 2; ++i)
        if (i >= capture.size() || offset * 2 + i >= reference.size() || capture[i] != reference[offset * 2 + i])
            return i / 2;
    return frames;
}

// Plays the preview, runs `during` once `atBytes` of sound reached the sink, and stops it when
// `bytes` have; the sink is emptied first, so the capture is this run's sound only.
std::vector<int16_t> PlayAndCapture(ICatPreviewer& previewer, LONGLONG bytes, LONGLONG atBytes = 0,
                                    const std::function<void()>& during = {})
{
    DeleteFileW(outputtest::SinkPath().c_str());
    EXPECT_EQ(previewer.Play(), S_OK);
    if (during) {
        EXPECT_TRUE(outputtest::WaitForSinkBytes(atBytes));
        during();
    }
    EXPECT_TRUE(outputtest::WaitForSinkBytes(bytes));
    EXPECT_EQ(previewer.Stop(), S_OK);
    return Capture();
}

TEST_F(PreviewTest, ItemsComeAndGoWithCodeSevenAndNothingPlaysWithoutOne)
{
    const std::wstring path = m_folder.File(L"short.wav");
    ASSERT_TRUE(fixtures::WriteWav16(path, fixtures::MusicLike(1, kRate, 2), kRate, 2));
    const DWORD id = AddItem(path);
    ASSERT_NE(id, CCatPreviewer::kNoItem);
    const int value = static_cast<int>(id);

    DWORD got = 0;
    float fraction = 1.0f;
    EXPECT_EQ(Previewer().GetItem(&got), S_FALSE);
    EXPECT_EQ(got, CCatPreviewer::kNoItem);
    EXPECT_EQ(Previewer().CanPreview(), S_FALSE);
    EXPECT_EQ(Previewer().Play(), E_FAIL);
    EXPECT_EQ(Previewer().SeekAhead(), E_FAIL);
    EXPECT_EQ(Previewer().IsPlaying(), S_FALSE);
    EXPECT_EQ(Previewer().GetPosition(&fraction), S_FALSE);
    EXPECT_EQ(fraction, 0.0f);
    EXPECT_EQ(Previewer().NotImplemented10(1, 2), E_NOTIMPL);
    TakePreviewPosts();

    const struct {
        const char* name;
        std::function<HRESULT()> call;
        HRESULT result;
        std::vector<int> posts;
        DWORD item;
    } steps[] = {
        {"set an item", [&] { return Previewer().SetItem(id); }, S_OK, {-1, value}, id},
        {"the same item again", [&] { return Previewer().SetItem(id); }, S_FALSE, {}, id},
        {"stop without playing", [&] { return Previewer().Stop(); }, S_OK, {value}, id},
        {"an id the catalog does not have",
         [&] { return Previewer().SetItem(id + 100); },
         E_FAIL,
         {-1},
         CCatPreviewer::kNoItem},
        {"set it again", [&] { return Previewer().SetItem(id); }, S_OK, {-1, value}, id},
        {"clear", [&] { return Previewer().Clear(); }, S_OK, {-1}, CCatPreviewer::kNoItem},
    };
    for (const auto& step : steps) {
        EXPECT_EQ(step.call(), step.result) << step.name;
        EXPECT_EQ(TakePreviewPosts(), step.posts) << step.name;
        Previewer().GetItem(&got);
        EXPECT_EQ(got, step.item) << step.name;
    }
}

struct CaptureCase {
    const char* name;
    const wchar_t* file;
    bool mp3;
};

// The preview plays the item's file from its start. The capture is read as 16-bit stereo at
// 44100 Hz: a WAV item's samples come back bit for bit in that format (alignment 0 frames, no
// error at all), which a capture in any other format could not. An MP3 item is compared with
// ffmpeg's decoding of the same file: measured here at lag 0 and 72 dB (the two decoders round to
// 16 bits differently). Asking for the item being previewed again changes nothing: the capture
// runs on without a restart.
TEST_F(PreviewTest, PlaysTheFileFromItsStartOnThePreviewDevice)
{
    if (!fixtures::HaveUnixTools())
        GTEST_SKIP() << "lame and ffmpeg are not reachable from this process";
    const std::vector<int16_t> music = fixtures::MusicLike(8, kRate, 2);
    const std::wstring wav = m_folder.File(L"music.wav");
    const std::wstring mp3 = m_folder.File(L"music.mp3");
    const std::wstring decoded = m_folder.File(L"ffmpeg.wav");
    ASSERT_TRUE(fixtures::WriteWav16(wav, music, kRate, 2));
    ASSERT_EQ(fixtures::RunUnixTool("lame", {"--quiet", "-b", "192", fixtures::UnixPath(wav), fixtures::UnixPath(mp3)}),
              0);
    ASSERT_EQ(fixtures::RunUnixTool("ffmpeg", {"-v", "error", "-y", "-i", fixtures::UnixPath(mp3), "-c:a", "pcm_s16le",
                                               fixtures::UnixPath(decoded)}),
              0);
    std::vector<int16_t> mp3Reference;
    uint32_t rate = 0;
    uint16_t channels = 0;
    ASSERT_TRUE(fixtures::ReadWav16(decoded, mp3Reference, rate, channels));
    ASSERT_EQ(rate, kRate);
    ASSERT_EQ(channels, 2);

    constexpr size_t kFrames = kRate * 3;
    const CaptureCase cases[] = {{"WAV", L"music.wav", false}, {"MP3", L"music.mp3", true}};
    for (const CaptureCase& c : cases) {
        SCOPED_TRACE(c.name);
        const DWORD id = AddItem(m_folder.File(c.file));
        ASSERT_NE(id, CCatPreviewer::kNoItem);
        ASSERT_EQ(Previewer().SetItem(id), S_OK);
        const std::vector<int16_t>& reference = c.mp3 ? mp3Reference : music;
        std::vector<int16_t> capture;
        bool gap = true;
        for (int attempt = 0; attempt < 3 && gap; ++attempt) {
            capture =
                PlayAndCapture(Previewer(), kFrames * kFrameBytes + kSinkBytesPerSecond, kSinkBytesPerSecond, [&] {
                    EXPECT_EQ(Previewer().SetItem(id), S_FALSE);
                    EXPECT_EQ(Previewer().IsPlaying(), S_OK);
                });
            gap = HasGap(capture, kFrames);
        }
        if (gap)
            GTEST_SKIP() << "the device thread fell behind the sink in every attempt (machine too loaded)";
        ASSERT_GE(capture.size(), kFrames * 2);
        if (!c.mp3) {
            EXPECT_EQ(FirstDifference(capture, reference, 0, kFrames), kFrames) << "the capture leaves the file there";
            continue;
        }
        std::vector<double> ref(kFrames * 2);
        std::vector<double> got(kFrames * 2);
        for (size_t i = 0; i < kFrames * 2; ++i) {
            ref[i] = reference[i];
            got[i] = capture[i];
        }
        const std::vector<double> refHead(ref.begin(), ref.begin() + 40000);
        const std::vector<double> gotHead(got.begin(), got.begin() + 40000);
        EXPECT_EQ(fixtures::BestLag(refHead, gotHead, 2400), 0) << "the preview does not start at the file's start";
        const double snr = fixtures::SnrDb(ref, got);
        std::cout << "[ measured ] MP3 preview capture against ffmpeg: SNR " << snr << " dB\n";
        EXPECT_GT(snr, 65.0);
    }
}

// On DirectSound the sink receives Wine's mixer format: the capture is read as 32-bit float stereo
// at 48000 Hz (every value a finite sample within -1..1) and compared with sox's resampling of the
// file, aligned to a fraction of a frame; the two resamplers differ, so the SNR is measured
// (above 40 dB) rather than exact. The capture starts with the file: the lag is the few frames
// DirectSound plays before the buffer's first write lands.
TEST_F(PreviewTest, PlaysTheFileFromItsStartOnDirectSound)
{
    if (!fixtures::HaveUnixTools())
        GTEST_SKIP() << "sox is not reachable from this process";
    const PLAYER_OUTPUTCONFIG directSound{
        sizeof(PLAYER_OUTPUTCONFIG), 2, CPlayer::kDirectSound, 0, CPlayer::kMaxBufferBytes, 0, 0};
    ASSERT_EQ(m_engine.player->SetOutputConfig(&directSound), S_OK);
    const std::vector<int16_t> music = fixtures::MusicLike(6, kRate, 2);
    const std::wstring path = m_folder.File(L"directsound.wav");
    ASSERT_TRUE(fixtures::WriteWav16(path, music, kRate, 2));
    constexpr LONGLONG kMixerRate = 48000;
    constexpr LONGLONG kCompared = kMixerRate * 3;
    std::vector<float> reference = playmgrtest::ResampleTo48k(m_folder.Path(), music);
    ASSERT_GE(static_cast<LONGLONG>(reference.size()), kCompared * 2);
    reference.resize(static_cast<size_t>(kCompared) * 2);
    ASSERT_EQ(Previewer().SetItem(AddItem(path)), S_OK);

    // DirectSound's device plays (silence) from its opening on: the file starts where the capture
    // first sounds. Each attempt takes the preview off the player first, so that Play opens the
    // device anew, which starts the sink file again.
    std::vector<float> capture;
    LONGLONG lead = -1;
    bool gap = true;
    for (int attempt = 0; attempt < 3 && gap; ++attempt) {
        ASSERT_EQ(Previewer().Detach(), S_OK);
        ASSERT_EQ(Previewer().Play(), S_OK);
        ASSERT_TRUE(outputtest::WaitForSinkBytes((kCompared + kMixerRate) * 8));
        EXPECT_EQ(Previewer().Stop(), S_OK);
        capture = outputtest::ReadSink(true);
        const auto loud = std::find_if(capture.begin(), capture.end(), [](float v) { return std::fabs(v) > kAudible; });
        lead = loud == capture.end() ? -1 : static_cast<LONGLONG>(loud - capture.begin()) / 2;
        gap = lead < 0 || HasGap(playmgrtest::WaveOutSamples(capture), static_cast<size_t>(lead + kCompared),
                                 static_cast<size_t>(lead));
    }
    if (gap)
        GTEST_SKIP() << "the device thread fell behind the sink in every attempt (machine too loaded)";
    ASSERT_GE(static_cast<LONGLONG>(capture.size()), (lead + kCompared) * 2);
    EXPECT_TRUE(std::all_of(capture.begin(), capture.end(), [](float v) {
        return std::isfinite(v) && std::fabs(v) <= 1.0f;
    })) << "the capture is not 32-bit float samples";
    EXPECT_LT(lead, kMixerRate / 2) << "the file was heard late";

    const double snr = playmgrtest::SnrAgainstRender(capture, reference, lead);
    std::cout << "[ measured ] DirectSound preview capture: the file starts " << lead
              << " frames (48 kHz) after the device opened; SNR against sox " << snr << " dB\n";
    EXPECT_GT(snr, 40.0);
}

// SeekAhead on a stopped preview starts it from the beginning; while it plays, the capture after
// the jump is the file 30 seconds after what was heard when it was asked.
TEST_F(PreviewTest, SeekAheadJumpsThirtySecondsAndStartsAStoppedPreviewFromTheBeginning)
{
    const std::vector<int16_t> music = fixtures::MusicLike(40, kRate, 2);
    const std::wstring path = m_folder.File(L"long.wav");
    ASSERT_TRUE(fixtures::WriteWav16(path, music, kRate, 2));
    const DWORD id = AddItem(path);
    ASSERT_EQ(Previewer().SetItem(id), S_OK);
    const LONGLONG count = static_cast<LONGLONG>(music.size() / 2);

    bool clean = false;
    for (int attempt = 0; attempt < 3 && !clean; ++attempt) {
        DeleteFileW(outputtest::SinkPath().c_str());
        ASSERT_EQ(Previewer().SeekAhead(), S_OK);
        ASSERT_TRUE(outputtest::WaitForSinkBytes(kSinkBytesPerSecond * 2));
        const std::vector<int16_t> start = Capture();
        if (HasGap(start, kRate)) {
            Previewer().Stop();
            continue;
        }
        ASSERT_EQ(FirstDifference(start, music, 0, kRate), static_cast<size_t>(kRate))
            << "a stopped preview did not start at the beginning";

        float fraction = 0.0f;
        ASSERT_EQ(Previewer().GetPosition(&fraction), S_OK);
        const LONGLONG heard = std::llround(static_cast<double>(fraction) * static_cast<double>(count));
        const LONGLONG before = outputtest::SinkBytes();
        ASSERT_EQ(Previewer().SeekAhead(), S_OK);
        // Wave-out opens its device anew for the restart, which starts the sink file again.
        for (int i = 0; i < 1000 && outputtest::SinkBytes() >= before; ++i)
            Sleep(5);
        ASSERT_LT(outputtest::SinkBytes(), before) << "the preview was not restarted at a new place";
        ASSERT_TRUE(outputtest::WaitForSinkBytes(kSinkBytesPerSecond * 2));
        EXPECT_EQ(Previewer().Stop(), S_OK);
        const std::vector<int16_t> jumped = Capture();
        if (HasGap(jumped, kRate))
            continue;
        clean = true;

        // Where in the file the capture starts: it must match there for a whole second.
        LONGLONG landed = -1;
        for (LONGLONG at = heard + 30 * kRate - kRate; at < heard + 30 * kRate + 3 * kRate && at < count; ++at)
            if (FirstDifference(jumped, music, static_cast<size_t>(at), kRate) == kRate) {
                landed = at;
                break;
            }
        ASSERT_GE(landed, 0) << "the capture after the jump is nowhere near 30 s ahead";
        const LONGLONG jump = landed - heard;
        std::cout << "[ measured ] the jump landed " << jump - 30 * kRate << " frames after 30 s from the sample read "
                  << "before the call\n";
        EXPECT_GE(jump, 30 * kRate) << "the jump is shorter than 30 s";
        EXPECT_LE(jump, 32 * kRate) << "the jump is longer than the play time between asking and seeking";
    }
    if (!clean)
        GTEST_SKIP() << "the device thread fell behind the sink in every attempt (machine too loaded)";
}

// At the end of the file the preview stops by itself (the service tick sees the audible sample past
// the last), tells the user interface with code 7 and goes back to the start.
TEST_F(PreviewTest, StopsByItselfAtTheEndOfTheFile)
{
    const std::vector<int16_t> music = fixtures::MusicLike(2, kRate, 2);
    const std::wstring path = m_folder.File(L"end.wav");
    ASSERT_TRUE(fixtures::WriteWav16(path, music, kRate, 2));
    const DWORD id = AddItem(path);
    ASSERT_EQ(Previewer().SetItem(id), S_OK);
    TakePreviewPosts();
    DeleteFileW(outputtest::SinkPath().c_str());
    ASSERT_EQ(Previewer().Play(), S_OK);
    ASSERT_TRUE(WaitPlaying(true));
    ASSERT_TRUE(WaitPlaying(false)) << "the preview did not stop at the end of its file";
    const std::vector<int> posts = TakePreviewPosts();
    ASSERT_FALSE(posts.empty());
    EXPECT_TRUE(std::all_of(posts.begin(), posts.end(), [&](int v) { return v == static_cast<int>(id); }));
    float fraction = 1.0f;
    EXPECT_EQ(Previewer().GetPosition(&fraction), S_OK);
    EXPECT_EQ(fraction, 0.0f) << "a preview that ended is back at its start";
    // The stop resets the device, and ALSA's file sink drops what it had taken but not yet written
    // out (up to its buffer), although the device had played it.
    const std::vector<int16_t> capture = Capture();
    const size_t heard = std::min(capture.size(), music.size()) / 2;
    if (HasGap(capture, heard))
        GTEST_SKIP() << "the device thread fell behind the sink (machine too loaded)";
    EXPECT_GE(heard + kSinkBufferFrames, music.size() / 2) << "the preview stopped before the end of its file";
    EXPECT_EQ(FirstDifference(capture, music, 0, heard), heard) << "the capture is not the file";
    EXPECT_EQ(Previewer().Play(), S_OK) << "an ended preview plays again";
    EXPECT_TRUE(WaitPlaying(true));
}

// Deleting the previewed item from the catalog clears the previewer first; deleting another item
// leaves the preview alone.
TEST_F(PreviewTest, DeletingThePreviewedItemClearsThePreviewer)
{
    const std::wstring kept = m_folder.File(L"kept.wav");
    const std::wstring deleted = m_folder.File(L"deleted.wav");
    ASSERT_TRUE(fixtures::WriteWav16(kept, fixtures::MusicLike(10, kRate, 2), kRate, 2));
    ASSERT_TRUE(fixtures::WriteWav16(deleted, fixtures::MusicLike(1, kRate, 2), kRate, 2));
    const DWORD keptId = AddItem(kept);
    const DWORD deletedId = AddItem(deleted);
    ASSERT_EQ(Previewer().SetItem(keptId), S_OK);
    ASSERT_EQ(Previewer().Play(), S_OK);
    ASSERT_TRUE(WaitPlaying(true));

    const auto remove = [&](DWORD id) {
        auto list = ComPtr<CItemIdList>::attach(new CItemIdList);
        list->Add(id);
        return m_catalog->DeleteItems(list.get(), FALSE);
    };
    ASSERT_EQ(remove(deletedId), S_OK);
    DWORD item = 0;
    EXPECT_EQ(Previewer().GetItem(&item), S_OK);
    EXPECT_EQ(item, keptId);
    EXPECT_EQ(Previewer().IsPlaying(), S_OK) << "another item's deletion stopped the preview";

    TakePreviewPosts();
    ASSERT_EQ(remove(keptId), S_OK);
    EXPECT_EQ(Previewer().GetItem(&item), S_FALSE);
    EXPECT_EQ(Previewer().IsPlaying(), S_FALSE);
    const std::vector<int> posts = TakePreviewPosts();
    ASSERT_FALSE(posts.empty());
    EXPECT_EQ(posts.back(), -1);
}

// While the play manager that the engine hands out performs the mix, nothing is previewed.
TEST_F(PreviewTest, RefusedWhileThePlayManagerPerforms)
{
    const std::wstring path = m_folder.File(L"refused.wav");
    ASSERT_TRUE(fixtures::WriteWav16(path, fixtures::MusicLike(2, kRate, 2), kRate, 2));
    const DWORD id = AddItem(path);
    ASSERT_EQ(Previewer().SetItem(id), S_OK);
    fixtures::TempDir mixFolder{L"preview mix"};
    playmgrtest::LiveStream live(mixFolder.Path(), {{120, playmgrtest::kLow, 44100, false}}, 4,
                                 playmgrtest::Device::WaveOut);
    ASSERT_TRUE(live.Ready()) << live.Failure();
    m_engine.playManager = &live.Manager();
    EXPECT_EQ(Previewer().CanPreview(), S_OK) << "a play manager that is not performing";

    ASSERT_EQ(live.Manager().StartPerformance(), S_OK);
    for (int i = 0; i < 2000 && live.Manager().IsPerforming() != S_OK; ++i)
        Sleep(10);
    ASSERT_EQ(live.Manager().IsPerforming(), S_OK);
    EXPECT_EQ(Previewer().CanPreview(), S_FALSE);
    EXPECT_EQ(Previewer().Play(), E_FAIL);
    EXPECT_EQ(Previewer().SeekAhead(), E_FAIL);
    EXPECT_EQ(Previewer().IsPlaying(), S_FALSE);

    EXPECT_EQ(live.Manager().StopPerformance(), S_OK);
    EXPECT_EQ(Previewer().CanPreview(), S_OK);
    m_engine.playManager = nullptr;
}

// A video item (the video montage library plays its file) is previewed by the library's own
// preview player, made once for the item's path and the preview device's name.
TEST_F(PreviewTest, VideoItemPlaysInTheVideoLibrarysPreviewPlayer)
{
    const std::wstring path = m_folder.File(L"clip.vid");
    {
        std::ofstream file(std::filesystem::path(path), std::ios::binary);
        for (int i = 0; i < 8192; ++i)
            file.put(static_cast<char>(i * 7 + i / 256));
    }
    const DWORD id = AddItem(path);
    ASSERT_NE(id, CCatPreviewer::kNoItem);
    ComPtr<CCatItem> item;
    ASSERT_TRUE(m_catalog->GetItemById(id, item.put()));
    EXPECT_EQ(item->GetFlagWord(), CCatItem::kFlagHostMedia) << "the item is a video item";
    WAVEOUTCAPSW caps{};
    ASSERT_EQ(waveOutGetDevCapsW(0, &caps, sizeof(caps)), MMSYSERR_NOERROR);
    const std::wstring created = L"CreateVideoPreview " + path + L" | " + caps.szPname;
    VideoPlayerDouble& player = m_host.player;

    ASSERT_EQ(Previewer().SetItem(id), S_OK);
    EXPECT_EQ(Previewer().IsPlaying(), S_FALSE);
    EXPECT_EQ(Previewer().SeekAhead(), S_OK) << "a stopped preview starts from the beginning";
    EXPECT_EQ(m_host.Take(), std::vector<std::wstring>{created});
    EXPECT_EQ(player.Take(), (std::vector<std::string>{"Seek 0", "Play"}));
    EXPECT_EQ(Previewer().IsPlaying(), S_OK);

    player.position = kVideoDuration / 4;
    float fraction = 0.0f;
    EXPECT_EQ(Previewer().GetPosition(&fraction), S_OK);
    EXPECT_FLOAT_EQ(fraction, 0.25f);
    EXPECT_EQ(Previewer().SeekAhead(), S_OK);
    EXPECT_EQ(player.Take(), std::vector<std::string>{"Seek " + std::to_string(kVideoDuration / 4 + 30000000)});

    TakePreviewPosts();
    EXPECT_EQ(Previewer().Stop(), S_OK);
    EXPECT_EQ(player.Take(), (std::vector<std::string>{"Stop", "Seek 0"}));
    EXPECT_EQ(TakePreviewPosts(), std::vector<int>{static_cast<int>(id)});
    EXPECT_EQ(Previewer().Play(), S_OK);
    EXPECT_TRUE(m_host.Take().empty()) << "the video player is made once";
    EXPECT_EQ(player.Take(), (std::vector<std::string>{"Seek 0", "Play"}));

    EXPECT_EQ(Previewer().Clear(), S_OK);
    EXPECT_EQ(player.Take(), (std::vector<std::string>{"Stop", "Seek 0"}));
    EXPECT_EQ(player.refs, 1) << "the previewer kept the video player";
}

}  // namespace
