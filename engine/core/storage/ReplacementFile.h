// A file that is written in full beside its target and then renamed over it, so that a write that
// fails or is abandoned never destroys the version the user had: the mix documents and the
// exported mix are saved this way.
#pragma once

#include <windows.h>

#include "classlib/core/String.h"

// Creates an empty temporary file (name prefix: up to three characters) in the target's folder.
// A read-only target or a folder of that name is refused before anything is written (renaming
// over it would replace a read-only file under Wine): E_ACCESSDENIED; the platform's error when
// the file cannot be made.
HRESULT CreateReplacementFile(LPCWSTR target, LPCWSTR prefix, CString* tempPath);
