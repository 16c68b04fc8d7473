#pragma once
// Shortening a file-system path to a width in pixels for a narrow place such
// as the status bar: leading folders give way to "...\" one at a time, then
// the drive, until only the last name is left.

#include <functional>
#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

#include "support/LeadByte.h"

namespace tarvo {

// width gives the width in pixels of a text; a result of exactly maxWidth fits.
std::string ShortenPath(const std::string& path,
                        const std::function<int(const std::string&)>& width, int maxWidth,
                        TLeadBytePredicate isLeadByte = nullptr);

// Replaces the first folder of a folder part with "...\", in place.
void DropFirstFolder(std::string& folderPart, TLeadBytePredicate isLeadByte = nullptr);

#ifdef _WIN32
// Measures with GetTextExtentPoint32A on the device context's current font,
// in the system's ANSI code page.
std::string ShortenPath(const std::string& path, HDC dc, int maxWidth);
#endif

}  // namespace tarvo
