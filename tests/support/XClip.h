// xclip on the test's display as an outside reader and writer of the clipboard. The calls pump
// the calling thread's messages while xclip runs: the OLE clipboard renders what it offers from
// the thread that set it, so a thread that just waited would never answer xclip.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace fixtures {

bool HaveXClip();
// The bytes that the clipboard offers under the X target (a registered format's name, or
// "text/uri-list" ...); nothing when xclip failed to get them.
std::optional<std::vector<BYTE>> XClipRead(const std::string& target);
// Makes xclip the clipboard's owner, offering the bytes under the target, and waits until Wine
// has taken the offer over; false when it failed.
// xclip serves them in the background until another program takes the clipboard.
bool XClipWrite(const std::string& target, const std::vector<BYTE>& bytes);

}  // namespace fixtures
