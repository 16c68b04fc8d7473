#include "support/ShortenPath.h"

namespace tarvo {

namespace {

// The ANSI code page is fixed for the life of the process, so its lead bytes
// are asked for once; path splitting asks for every byte of every name.
struct TLeadByteTable {
  bool lead[256];
  TLeadByteTable() {
    for (int byte = 0; byte < 256; ++byte)
      lead[byte] = IsDBCSLeadByte(static_cast<BYTE>(byte)) != FALSE;
  }
};

}  // namespace

bool IsAnsiLeadByte(unsigned char byte) {
  static const TLeadByteTable table;
  return table.lead[byte];
}

std::string ShortenPath(const std::string& path, HDC dc, int maxWidth) {
  // A text that cannot be measured counts as fitting: the path is shown as
  // it is rather than cut for no reason.
  auto width = [dc](const std::string& text) {
    SIZE size = {0, 0};
    if (!GetTextExtentPoint32A(dc, text.data(), static_cast<int>(text.size()), &size)) return 0;
    return static_cast<int>(size.cx);
  };
  return ShortenPath(path, width, maxWidth, &IsAnsiLeadByte);
}

}  // namespace tarvo
