#include "support/VersionNumbers.h"

#include <cstdio>

namespace tarvo {

TVersionNumbers VersionNumbersFromWords(uint32_t versionMS, uint32_t versionLS) {
  TVersionNumbers numbers;
  numbers.major = versionMS >> 16;
  numbers.minor = versionMS & 0xFFFF;
  numbers.release = versionLS >> 16;
  numbers.build = versionLS & 0xFFFF;
  return numbers;
}

std::string FormatVersionNumbers(const TVersionNumbers& numbers) {
  // Each number fits 16 bits, so "%d" never shows a sign; the masks keep it so
  // for a record filled by hand.
  char text[4 * 11 + 4];
  std::snprintf(text, sizeof text, "%d.%d.%d.%d", static_cast<int>(numbers.major & 0xFFFF),
                static_cast<int>(numbers.minor & 0xFFFF),
                static_cast<int>(numbers.release & 0xFFFF),
                static_cast<int>(numbers.build & 0xFFFF));
  return text;
}

bool TranslationFromValue(const void* value, size_t length, uint32_t& translation) {
  // A value shorter than one entry counts as no Translation value at all.
  if (!value || length < 4) return false;
  const auto* bytes = static_cast<const unsigned char*>(value);
  const uint32_t language = bytes[0] | (bytes[1] << 8);
  const uint32_t codePage = bytes[2] | (bytes[3] << 8);
  translation = (language << 16) | codePage;
  return true;
}

}  // namespace tarvo
