#pragma once
// The operating-system line: the fields of the platform's version record that
// the line uses, and the pure formatter from those fields to the line.

#include <cstdint>
#include <string>

namespace tarvo {

struct TOSVersion {
  // True when the query with the extended record succeeded; the suite mask
  // and the product type are meaningful only then.
  bool extendedValid = false;
  std::uint32_t majorVersion = 0;
  std::uint32_t minorVersion = 0;
  std::uint32_t buildNumber = 0;
  std::uint32_t platformId = 0;
  // The service-pack text up to its NUL.
  std::string csdVersion;
  std::uint16_t servicePackMajor = 0;
  std::uint16_t servicePackMinor = 0;
  std::uint16_t suiteMask = 0;
  std::uint8_t productType = 0;
};

std::string FormatOSVersionLine(bool extendedValid, std::uint32_t majorVersion,
                                std::uint32_t minorVersion, std::uint32_t buildNumber,
                                std::uint32_t platformId, const std::string& csdVersion,
                                std::uint16_t suiteMask, std::uint8_t productType);

std::string FormatOSVersionLine(const TOSVersion& v);

}  // namespace tarvo
