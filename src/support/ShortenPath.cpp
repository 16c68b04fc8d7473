#include "support/ShortenPath.h"

namespace tarvo {

namespace {

// Position of the first (or last) separator, never the second byte of a
// double-byte character; npos when there is none.
size_t FindSeparator(const std::string& text, bool last, bool alsoColon,
                     TLeadBytePredicate isLeadByte) {
  size_t found = std::string::npos;
  for (size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (isLeadByte && isLeadByte(c)) {
      ++i;  // skip the trail byte, which may equal '\'
      continue;
    }
    if (c == '\\' || (alsoColon && c == ':')) {
      found = i;
      if (!last) break;
    }
  }
  return found;
}

}  // namespace

void DropFirstFolder(std::string& folderPart, TLeadBytePredicate isLeadByte) {
  if (folderPart == "\\") {
    folderPart.clear();
    return;
  }
  const bool rooted = !folderPart.empty() && folderPart[0] == '\\';
  if (rooted) folderPart.erase(0, 1);
  if (!folderPart.empty() && folderPart[0] == '.') folderPart.erase(0, 4);
  const size_t separator = FindSeparator(folderPart, false, false, isLeadByte);
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
  const size_t separator = FindSeparator(path, true, true, isLeadByte);
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
