// The build's output folder and Windows programs of the prefix (regsvr32, reg) run from a test,
// with their output.
#pragma once

#include <windows.h>

#include <string>

// The folder of the test program (the build's bin folder), ending in a backslash.
std::wstring BinFolder();
// Runs commandLine (a program of the prefix or the bin folder) and waits for it; its exit code,
// or -1 when it could not be started. Its standard output and error go to *output when given.
int RunProgram(const std::wstring& commandLine, std::string* output = nullptr, DWORD timeoutMs = 60000);
