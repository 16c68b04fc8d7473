#include "support/LeadByte.h"

#include <cstring>

namespace tarvo {

std::size_t FindLastDelimiter(const std::string& text, const char* delimiters,
                              TLeadBytePredicate isLeadByte) {
  if (!isLeadByte) return text.find_last_of(delimiters);
  std::size_t found = std::string::npos;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (isLeadByte(c)) {
      ++i;  // the trail byte may equal a delimiter
      continue;
    }
    if (c != 0 && std::strchr(delimiters, c) != nullptr) found = i;
  }
  return found;
}

}  // namespace tarvo
