// CMixInputSpares: mix inputs made ahead for one mix output, so that giving a play item its input
// starts no thread and creates no event on the caller's thread.
//
// Under Wine each event, each buffer taken with VirtualAlloc and the thread start of a mix input
// is a round trip to the wine server (2 to 3 ms per input), and the play manager's tick gives
// items their inputs under the global mix lock. A maker thread keeps up to kSpareCount spares
// ready, making them one at a time outside every lock; each spare's render thread waits, unbound,
// at the lowest priority. A spare holds no reference on the mix output (the output owns it), is
// bound to one play item only and ends with it like any other input: it never plays a second item,
// so nothing of an earlier item can reach the blocks through it.
//
// Threads: Take on the owner's thread; Replenish from the render thread of an input just bound;
// the maker thread makes the spares. The spare lock is innermost: nothing is called under it.
#pragma once

#include <windows.h>

#include <vector>

#include "classlib/com/UniqueHandle.h"
#include "engine/core/server/SingleThreadLock.h"

class CMixInput;
class CMixOutput;

class CMixInputSpares {
public:
    static constexpr int kSpareCount = 4;

    explicit CMixInputSpares(CMixOutput* output);
    CMixInputSpares(const CMixInputSpares&) = delete;
    CMixInputSpares& operator=(const CMixInputSpares&) = delete;
    // Stops the maker (waiting for it) and tells every spare to quit; their threads end on their own.
    ~CMixInputSpares();

    // A spare ready to be bound (the caller's reference), or nullptr when none is: the caller then
    // makes an input itself. The first call starts the maker.
    CMixInput* Take();
    // Has the maker make up for spares taken.
    void Replenish();
    // Spares ready now.
    int GetReadyCount();

private:
    static DWORD WINAPI MakerMain(void* self);
    void MakeSpares();
    void StartMaker();

    CMixOutput* const m_output;
    CSingleThreadToken m_lock;
    std::vector<CMixInput*> m_spares;
    bool m_makerStarted = false;
    UniqueKernelHandle m_wake;
    UniqueKernelHandle m_stop;
    UniqueKernelHandle m_maker;
};
