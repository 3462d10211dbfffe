// Fills a catalog item's title, artist, album, year and genre from an MP3 file's tags: the ID3v2
// tag when it names a title or an artist, else the ID3v1 tag at the end, else a trailer block
// signed "Zered". Tags are only read.
#pragma once

#include <windows.h>

class CCatItem;

// TRUE when one of the tags gave text.
BOOL ReadTagsFromFile(const wchar_t* path, CCatItem* item);
