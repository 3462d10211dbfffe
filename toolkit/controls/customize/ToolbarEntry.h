// CUVToolbarEntry: what a toolbar reports of itself to the Customize dialog's Toolbars page:
// whether the page may show and hide it, whether it is a user toolbar, its window and the
// rename, delete and reset it offers (a page enables a button only when both halves of its
// delegate are set). The session's "enumerate toolbars" list is raised with a
// UVToolbarEnumerator; every toolbar calls it once with its entry.
#pragma once

#include <windows.h>

struct CUVToolbarEntry {
    template <class Function>
    struct Delegate {
        Function function = nullptr;
        void* object = nullptr;
        bool IsSet() const { return function && object; }
    };

    BYTE hideable = 0;
    BYTE userToolbar = 0;
    HWND window = nullptr;
    Delegate<BOOL (*)(void* object, const wchar_t* name)> rename;
    Delegate<void (*)(void* object)> remove;
    Delegate<void (*)(void* object)> reset;
};

// What "enumerate toolbars" is raised with (as its argument): called once per toolbar.
struct UVToolbarEnumerator {
    void (*function)(void* object, const CUVToolbarEntry& entry) = nullptr;
    void* object = nullptr;
};
