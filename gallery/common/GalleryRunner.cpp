#include "gallery/common/GalleryRunner.h"

#include "tests/toolkit/bars/menus/MenuDriver.h"
#include "toolkit/bars/look/GlobalData.h"
#include "toolkit/bars/look/UVColors.h"

#include <shellapi.h>

#include <cstdio>

const wchar_t* GalleryShots::Look() const
{
    return uvAfxData.m_bXPLook ? L"xp" : L"classic";
}

bool GalleryShots::Save(const std::wstring& name, const RECT& rect)
{
    const std::wstring path = m_folder + L"\\" + name;
    if (!SaveScreenBmp(rect, path)) {
        fwprintf(stderr, L"could not write %ls\n", path.c_str());
        return false;
    }
    ++m_written;
    return true;
}

int RunGallery(const char* program, const std::vector<GalleryScene>& scenes)
{
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    GalleryShots shots(argc > 1 ? argv[1] : L".");
    LocalFree(argv);
    for (BOOL xp : {FALSE, TRUE}) {
        uvAfxData.m_bXPLook = xp;
        uvAfxData.LoadColors();
        for (const GalleryScene& scene : scenes)
            scene(shots);
    }
    std::printf("%s: %d pictures\n", program, shots.Written());
    return shots.Written() > 0 ? 0 : 1;
}

void GalleryPump(DWORD ms)
{
    const DWORD until = GetTickCount() + ms;
    MSG msg;
    do {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
        Sleep(10);
    } while (GetTickCount() < until);
}
