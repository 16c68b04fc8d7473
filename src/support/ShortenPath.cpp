#include "support/ShortenPath.h"

namespace tarvo {

void DropFirstFolder(std::string& folderPart, TLeadBytePredicate isLeadByte) {
  if (folderPart == "\\") {
    folderPart.clear();
    return;
  }
  const bool rooted = !folderPart.empty() && folderPart[0] == '\\';
  if (rooted) folderPart.erase(0, 1);
  if (!folderPart.empty() && folderPart[0] == '.') folderPart.erase(0, 4);
  const size_t separator = FindFirstDelimiter(folderPart, "\\", isLeadByte);
  if (separator == std::string::npos)
    folderPart.clear();
  else
    folderPart = "...\\" + folderPart.substr(separator + 1);
  if (rooted) folderPart.insert(0, 1, '\\');
}

std::string ShortenPath(const std::string& path,
                        const std::function<int(const std::string&)>& width, int maxWidth,
                        TLeadBytePredicate isLeadByte) {
  std::string result = path;
  // The split, like the folder search, skips trail bytes, so a double-byte
  // name is never cut in half.
  const size_t separator = FindLastDelimiter(path, "\\:", isLeadByte);
  std::string folder =
      separator == std::string::npos ? std::string() : path.substr(0, separator + 1);
  const std::string name = path.substr(folder.size());
  std::string drive;
  if (folder.size() >= 2 && folder[1] == ':') {
    drive = folder.substr(0, 2);
    folder.erase(0, 2);
  }
  while ((!folder.empty() || !drive.empty()) && width(result) > maxWidth) {
    if (folder == "\\...\\") {
      drive.clear();
      folder = "...\\";
    } else if (folder.empty()) {
      drive.clear();
    } else {
      DropFirstFolder(folder, isLeadByte);
    }
    result = drive + folder + name;
  }
  return result;
}

}  // namespace tarvo
