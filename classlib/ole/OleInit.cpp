#include "classlib/ole/OleInit.h"

#include <ole2.h>

namespace {

// Uninitialises at process end, after the message loop and ExitInstance, on the same thread
// that initialised (the program's main thread runs static destruction).
struct OleSession {
    bool active = false;
    ~OleSession()
    {
        if (active)
            OleUninitialize();
    }
};

OleSession g_ole;

}  // namespace

BOOL AfxOleInit()
{
    if (g_ole.active)
        return TRUE;
    if (FAILED(OleInitialize(nullptr)))
        return FALSE;
    g_ole.active = true;
    return TRUE;
}
