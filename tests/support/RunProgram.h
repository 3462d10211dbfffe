// Runs a Windows program of the prefix or the bin folder (regsvr32, reg) from a test, with its output.
#pragma once

#include <windows.h>

#include <string>

// Runs commandLine and waits for it; its exit code, or -1 when it could not be started or did not
// end in time. Its standard output and error go to *output when given.
int RunProgram(const std::wstring& commandLine, std::string* output = nullptr, DWORD timeoutMs = 60000);
