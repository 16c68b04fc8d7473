#include "support/ShortenPath.h"

namespace tarvo {

std::string ShortenPath(const std::string& path, HDC dc, int maxWidth) {
  // A text that cannot be measured counts as fitting: the path is shown as
  // it is rather than cut for no reason.
  auto width = [dc](const std::string& text) {
    SIZE size = {0, 0};
    if (!GetTextExtentPoint32A(dc, text.data(), static_cast<int>(text.size()), &size)) return 0;
    return static_cast<int>(size.cx);
  };
  return ShortenPath(path, width, maxWidth, AnsiLeadBytePredicate());
}

}  // namespace tarvo
