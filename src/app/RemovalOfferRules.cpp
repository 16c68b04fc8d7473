#include "app/RemovalOfferRules.h"

namespace tarvo {

const char* const RemovalQuestion =
    "There are ZVK DLLs in incorrect folders. \nRemove to the Recycle Bin?";
const char* const RemovalCaption = "Error";
const char* const RemovalDeclinedLine = "Misplaced DLLs not removed";
const char* const RemovedFilesLine = "Removed Files:";

std::string BuildPathBuffer(const std::vector<std::string>& paths) {
  std::string buffer;
  for (const std::string& path : paths) {
    // "?" and "*" are wildcards to the shell, which could match files that
    // were never offered; no real file name holds them.
    if (path.empty() || path.find_first_of("?*") != std::string::npos) continue;
    buffer += path;
    buffer += '\0';
  }
  if (!buffer.empty()) buffer += '\0';
  return buffer;
}

}  // namespace tarvo
