// The fill count of a looping DirectSound buffer over a buffer whose cursors the test moves: the
// device plays on while the thread that feeds it is held up, for less than one turn of the buffer
// or for more than a whole one.
#include <gtest/gtest.h>

#include <windows.h>
#include <dsound.h>

#include "engine/playback/output/DirectSoundDevice.h"

namespace {

constexpr DWORD kBufferBytes = 88200;
constexpr DWORD kBytesPerSecond = 176400;
constexpr DWORD kBlockAlign = 4;

// A secondary buffer that answers only its cursors, as the test sets them.
class CursorBuffer : public IDirectSoundBuffer {
public:
    virtual ~CursorBuffer() = default;
    STDMETHOD(QueryInterface)(REFIID, void** object) override
    {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHOD_(ULONG, AddRef)() override { return 2; }
    STDMETHOD_(ULONG, Release)() override { return 1; }
    STDMETHOD(GetCaps)(LPDSBCAPS) override { return E_NOTIMPL; }
    STDMETHOD(GetCurrentPosition)(LPDWORD playCursor, LPDWORD writeCursor) override
    {
        *playCursor = play;
        *writeCursor = write;
        return S_OK;
    }
    STDMETHOD(GetFormat)(LPWAVEFORMATEX, DWORD, LPDWORD) override { return E_NOTIMPL; }
    STDMETHOD(GetVolume)(LPLONG) override { return E_NOTIMPL; }
    STDMETHOD(GetPan)(LPLONG) override { return E_NOTIMPL; }
    STDMETHOD(GetFrequency)(LPDWORD) override { return E_NOTIMPL; }
    STDMETHOD(GetStatus)(LPDWORD) override { return E_NOTIMPL; }
    STDMETHOD(Initialize)(LPDIRECTSOUND, LPCDSBUFFERDESC) override { return E_NOTIMPL; }
    STDMETHOD(Lock)(DWORD, DWORD, LPVOID*, LPDWORD, LPVOID*, LPDWORD, DWORD) override { return E_NOTIMPL; }
    STDMETHOD(Play)(DWORD, DWORD, DWORD) override { return E_NOTIMPL; }
    STDMETHOD(SetCurrentPosition)(DWORD) override { return E_NOTIMPL; }
    STDMETHOD(SetFormat)(LPCWAVEFORMATEX) override { return E_NOTIMPL; }
    STDMETHOD(SetVolume)(LONG) override { return E_NOTIMPL; }
    STDMETHOD(SetPan)(LONG) override { return E_NOTIMPL; }
    STDMETHOD(SetFrequency)(DWORD) override { return E_NOTIMPL; }
    STDMETHOD(Stop)() override { return E_NOTIMPL; }
    STDMETHOD(Unlock)(LPVOID, DWORD, LPVOID, DWORD) override { return E_NOTIMPL; }
    STDMETHOD(Restore)() override { return E_NOTIMPL; }

    DWORD play = 0;
    DWORD write = 0;
};

TEST(DirectSoundFill, AStallOfMoreThanAWholeBufferIsSeenAndWritingResumesAtTheWriteCursor)
{
    struct Case {
        const char* name;
        DWORD heldMs;
        // Where the cursors stand after the hold (the play cursor 20 ms on from the start).
        DWORD play;
        DWORD write;
        DWORD expectedQueued;
        DWORD expectedWriteOffset;
    };
    constexpr DWORD kFull = kBufferBytes - kBlockAlign;
    constexpr DWORD kTwentyMs = kBytesPerSecond / 50;
    constexpr DWORD kWriteAhead = 7056;
    const Case cases[] = {
        // One pass: what the cursor shows is what was played.
        {"a pass of 20 ms", 20, kTwentyMs, kTwentyMs + kWriteAhead, kFull - kTwentyMs, kFull},
        // The player went round the whole buffer once and on by 20 ms: it ran dry, so writing
        // resumes at the write cursor with only what lies before it still to be heard.
        {"a stall of 1.3 buffers", 650, kTwentyMs, kTwentyMs + kWriteAhead, kWriteAhead, kTwentyMs + kWriteAhead},
    };
    for (const Case& c : cases) {
        CursorBuffer buffer;
        CDSoundFill fill;
        fill.Reset(kBufferBytes, kBlockAlign);
        fill.SetBytesPerSecond(kBytesPerSecond);
        DWORD free = 0;
        ASSERT_TRUE(fill.Update(&buffer, &free)) << c.name;
        ASSERT_EQ(free, kFull) << c.name;
        fill.Advance(free);
        Sleep(c.heldMs);
        buffer.play = c.play;
        buffer.write = c.write;
        ASSERT_TRUE(fill.Update(&buffer, &free)) << c.name;
        EXPECT_EQ(fill.Queued(), c.expectedQueued) << c.name;
        EXPECT_EQ(fill.WriteOffset(), c.expectedWriteOffset) << c.name;
    }
}

}  // namespace
