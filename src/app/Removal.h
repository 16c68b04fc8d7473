#pragma once
// Text logic of the removal offer and the path splitting the scan uses;
// no platform calls, so the host tests exercise it directly.

#include <string>
#include <vector>

#include "support/LeadByte.h"

namespace tarvo {

extern const char* const RemovalQuestion;
extern const char* const RemovalCaption;
extern const char* const RemovalDeclinedLine;
extern const char* const RemovedFilesLine;

// The shell's source list: each path followed by one zero byte, and one more
// zero byte after the last. Empty paths and paths with "?" or "*" are left
// out; the list is empty when no path is left.
std::string BuildPathBuffer(const std::vector<std::string>& paths);

// The root a path's Recycle Bin belongs to: "C:\" for "C:\x\y.dll",
// "\\server\share\" for a UNC path; empty when the path has no root.
std::string PathRoot(const std::string& path);

// Path splitting on "\" and ":", never on the second byte of a double-byte
// character when `isLeadByte` is given.
std::string ExtractFileName(const std::string& path, TLeadBytePredicate isLeadByte = nullptr);
std::string ExtractFilePath(const std::string& path, TLeadBytePredicate isLeadByte = nullptr);
std::string ExtractFileExt(const std::string& path, TLeadBytePredicate isLeadByte = nullptr);
std::string ExcludeTrailingBackslash(const std::string& text);
// True when `text` is a drive root of the form "?:\".
bool IsDriveRootName(const std::string& text);

}  // namespace tarvo
