// What every gallery program's main does: it takes the folder from the command line, runs its
// scenes in the classic and then the XP look (the toolkit's colours loaded for each), writes the
// pictures there as BMP files (tools/gallery turns them into PNGs) and says how many it wrote.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

class GalleryShots {
public:
    explicit GalleryShots(std::wstring folder) : m_folder(std::move(folder)) {}

    // "classic" or "xp", for the pictures' names.
    const wchar_t* Look() const;
    // Writes the screen rectangle to `name` in the folder; a failure is reported on stderr.
    bool Save(const std::wstring& name, const RECT& rect);
    int Written() const { return m_written; }

private:
    std::wstring m_folder;
    int m_written = 0;
};

using GalleryScene = std::function<void(GalleryShots&)>;

// Runs every scene in each look and prints "<program>: N pictures"; exit code 1 when none was
// written.
int RunGallery(const char* program, const std::vector<GalleryScene>& scenes);

// Dispatches the thread's messages for `ms` milliseconds, so that windows paint and settle.
void GalleryPump(DWORD ms);
