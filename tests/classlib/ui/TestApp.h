// The test binary's application object: the end of command routing, and the owner of the
// templates that the routing tests make.
#pragma once

#include "classlib/ui/WindowedApp.h"

#include <string>
#include <vector>

class CTestApp : public CWindowedApp {
public:
    CTestApp() : CWindowedApp(L"Classlib Test") {}
    std::vector<std::wstring> log;

protected:
    void OnAppCommand() { log.push_back(L"app"); }
    void OnSharedCommand() { log.push_back(L"app"); }
    DECLARE_MESSAGE_MAP()
};

CTestApp& TheTestApp();
