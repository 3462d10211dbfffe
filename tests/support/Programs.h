// The build's output folder and Windows programs of the prefix (regsvr32, reg) run from a test,
// with their output.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// The folder of the test program (the build's bin folder), ending in a backslash.
std::wstring BinFolder();
// Runs commandLine (a program of the prefix or the bin folder) and waits for it; its exit code,
// or -1 when it could not be started. Its standard output and error go to *output when given.
int RunProgram(const std::wstring& commandLine, std::string* output = nullptr, DWORD timeoutMs = 60000);
// A REG_BINARY value under HKEY_CURRENT_USER\<key> as Wine's reg.exe shows it, an independent
// reader of what the code wrote; empty when it is missing.
std::vector<BYTE> QueryRegistryBinary(const std::wstring& key, const std::wstring& value);
