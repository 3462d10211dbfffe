// A library of the video montage library's file name that exports nothing: binding a class
// from it must fail cleanly.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID)
{
    return TRUE;
}
