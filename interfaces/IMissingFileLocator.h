// IMissingFileLocator: the main program's object that asks the user for a music file the engine
// cannot find. Handed to the engine through IBrennock::SetFileMapperCallback as a plain IUnknown
// (it answers no IID of its own); the engine's file mapper keeps one reference until
// ClearFileMapperCallback. Called on the user-interface thread.
#pragma once

#include <windows.h>
#include <oleauto.h>
#include <unknwn.h>

struct IMissingFileLocator : public IUnknown {
    // S_OK with a new path that the caller frees; any other result when no file was chosen.
    // reserved: the engine passes 0.
    virtual HRESULT STDMETHODCALLTYPE LocateFile(BSTR missingPath, int reserved, BSTR* newPath) = 0;
    // Forgets a choice kept for the run; the engine calls it at the start of every resolving pass.
    virtual HRESULT STDMETHODCALLTYPE ResetAnswer() = 0;
};
