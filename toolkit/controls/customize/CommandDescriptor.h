// CUVCommandDescriptor: one toolbar button or menu item as the Customize dialog hands it to a
// bar: its caption (only the part before the first "\n" is shown), its style (1: not listed in
// the Commands page), its command (0 for a popup), the popup's own text, its icons (normal, hot,
// selected; any may be empty) and, for a drop-down or popup, its 40-byte custom record. The
// icons stay the descriptor's owner's: a bar that takes them copies them into its image lists.
#pragma once

#include "classlib/core/String.h"
#include "toolkit/bars/toolbar/ToolBarButtonInfo.h"

#include <windows.h>

#include <optional>

struct CUVCommandDescriptor {
    CString text;
    int style = 0;
    UINT command = 0;
    CString popupText;
    HICON normalIcon = nullptr;
    HICON hotIcon = nullptr;
    HICON selectedIcon = nullptr;
    std::optional<CUVToolBarButtonInfo> record;

    // The caption as shown: the text before the first "\n".
    CString ShownText() const
    {
        const int newline = text.Find(L'\n');
        return newline < 0 ? text : text.Left(newline);
    }
};
