// tarvo:portable
#include "app/Removal.h"

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

std::string PathRoot(const std::string& path) {
  if (path.size() >= 3 && path[1] == ':' && path[2] == '\\') return path.substr(0, 3);
  if (path.size() > 2 && path[0] == '\\' && path[1] == '\\') {
    size_t server = path.find('\\', 2);
    if (server == std::string::npos || server == 2) return std::string();
    size_t share = path.find('\\', server + 1);
    if (share == server + 1) return std::string();
    if (share == std::string::npos) return path + '\\';
    return path.substr(0, share + 1);
  }
  return std::string();
}

std::string ExtractFileName(const std::string& path, TLeadBytePredicate isLeadByte) {
  size_t cut = FindLastDelimiter(path, "\\:", isLeadByte);
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::string ExtractFilePath(const std::string& path, TLeadBytePredicate isLeadByte) {
  size_t cut = FindLastDelimiter(path, "\\:", isLeadByte);
  return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

std::string ExtractFileExt(const std::string& path, TLeadBytePredicate isLeadByte) {
  size_t dot = FindLastDelimiter(path, ".\\:", isLeadByte);
  if (dot == std::string::npos || path[dot] != '.') return std::string();
  return path.substr(dot);
}

std::string ExcludeTrailingBackslash(const std::string& text) {
  if (!text.empty() && text.back() == '\\') return text.substr(0, text.size() - 1);
  return text;
}

bool IsDriveRootName(const std::string& text) {
  return text.size() == 3 && text[1] == ':' && text[2] == '\\';
}

}  // namespace tarvo
