// The catalog that the program's engine keeps in the engine data folder, which the engine tests
// share: files a test made catalog items of leave it again between runs of the program.
#pragma once

#include <string>
#include <vector>

// Removes the catalog items of the files (their analysis and saved track settings with them).
// Runs the engine in this process: never while the program runs (the engine's mutex lets one
// process at a time hold it).
void ForgetCatalogFiles(const std::vector<std::wstring>& paths);
