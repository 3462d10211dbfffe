// The program's one application object and its entry point.
#include "app/CarrowfoldApp.h"

CCarrowfoldApp theApp;

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR commandLine, int showCommand)
{
    return AfxWinMain(instance, commandLine, showCommand);
}
