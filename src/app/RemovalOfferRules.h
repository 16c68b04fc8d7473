#pragma once
// The removal offer's texts and the shell's source list; no platform calls,
// so the host tests exercise them directly.

#include <string>
#include <vector>

namespace tarvo {

extern const char* const RemovalQuestion;
extern const char* const RemovalCaption;
extern const char* const RemovalDeclinedLine;
extern const char* const RemovedFilesLine;

// The shell's source list: each path followed by one zero byte, and one more
// zero byte after the last. Empty paths and paths with "?" or "*" are left
// out; the list is empty when no path is left.
std::string BuildPathBuffer(const std::vector<std::string>& paths);

}  // namespace tarvo
