// The launcher that runs the DirectX runtime set-up before the system is first used. It has no
// window and no user to tell: whatever the set-up reports, the exit code is 0, and a distributor's
// set-up reports its own failures.
#include "runprep/DirectXSetup.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int)
{
    DirectXSetup(nullptr, nullptr, DSETUP_DXCORE);
    return 0;
}
