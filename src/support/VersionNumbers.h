#pragma once
// The version numbers of a file and their text, worked out from the raw
// values the version service hands back; no Windows header needed.

#include <cstddef>
#include <cstdint>
#include <string>

namespace tarvo {

struct TVersionNumbers {
  uint32_t major = 0;
  uint32_t minor = 0;
  uint32_t release = 0;
  uint32_t build = 0;
};

// Splits the two 32-bit file-version words of a fixed part into four numbers.
TVersionNumbers VersionNumbersFromWords(uint32_t versionMS, uint32_t versionLS);

// "major.minor.release.build" in decimal.
std::string FormatVersionNumbers(const TVersionNumbers& numbers);

// The first entry of a Translation value (language first, then code page,
// each a little-endian 16-bit number) as language << 16 | code page. False
// when the value is too short to hold one entry; nothing past length is read.
bool TranslationFromValue(const void* value, size_t length, uint32_t& translation);

}  // namespace tarvo
