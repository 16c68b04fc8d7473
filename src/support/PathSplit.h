#pragma once
// Splitting paths on "\" and ":", never on the second byte of a double-byte
// character when `isLeadByte` is given; no platform calls, so the host tests
// exercise it directly.

#include <string>

#include "support/LeadByte.h"

namespace tarvo {

std::string ExtractFileName(const std::string& path, TLeadBytePredicate isLeadByte = nullptr);
std::string ExtractFilePath(const std::string& path, TLeadBytePredicate isLeadByte = nullptr);
std::string ExtractFileExt(const std::string& path, TLeadBytePredicate isLeadByte = nullptr);
std::string ExcludeTrailingBackslash(const std::string& text);
// True when `text` is a drive root of the form "?:\".
bool IsDriveRootName(const std::string& text);

// The root a path's Recycle Bin belongs to: "C:\" for "C:\x\y.dll",
// "\\server\share\" for a UNC path; empty when the path has no root.
std::string PathRoot(const std::string& path);

}  // namespace tarvo
