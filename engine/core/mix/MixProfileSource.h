// IMixProfileSource: where the mix builder finds a music file's analysis results. The catalog
// answers it in the engine; tests hand results in directly. Called under the global mix lock.
#pragma once

#include <windows.h>

class CMusicFileId;
class CProfileResults;

struct IMixProfileSource {
    // FALSE when the file has no analysis results.
    virtual BOOL GetProfileResults(const CMusicFileId& id, CProfileResults* results) = 0;

protected:
    ~IMixProfileSource() = default;
};
