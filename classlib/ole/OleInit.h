// OLE for the program's UI thread: AfxOleInit initialises it once (clipboard, drag and drop and
// in-process objects need it); it is uninitialised when the program ends.
#pragma once

#include <windows.h>

// TRUE when OLE is initialised for this thread (also when it already was).
BOOL AfxOleInit();
