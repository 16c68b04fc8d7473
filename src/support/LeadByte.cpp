#include "support/LeadByte.h"

#include <cstring>

namespace tarvo {

namespace {

std::size_t FindDelimiter(const std::string& text, const char* delimiters,
                          TLeadBytePredicate isLeadByte, bool last) {
  std::size_t found = std::string::npos;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (isLeadByte && isLeadByte(c)) {
      ++i;  // the trail byte may equal a delimiter
      continue;
    }
    if (c != 0 && std::strchr(delimiters, c) != nullptr) {
      found = i;
      if (!last) break;
    }
  }
  return found;
}

}  // namespace

std::size_t FindLastDelimiter(const std::string& text, const char* delimiters,
                              TLeadBytePredicate isLeadByte) {
  if (!isLeadByte) return text.find_last_of(delimiters);
  return FindDelimiter(text, delimiters, isLeadByte, true);
}

std::size_t FindFirstDelimiter(const std::string& text, const char* delimiters,
                               TLeadBytePredicate isLeadByte) {
  return FindDelimiter(text, delimiters, isLeadByte, false);
}

}  // namespace tarvo
