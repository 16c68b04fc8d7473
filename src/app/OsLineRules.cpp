#include "app/OsLineRules.h"

#include <cstdio>

namespace tarvo {

namespace {

constexpr std::uint32_t kPlatformWindows = 1;  // the 9x family
constexpr std::uint32_t kPlatformNT = 2;
constexpr std::uint8_t kWorkstation = 1;
constexpr std::uint8_t kServer = 3;
constexpr std::uint16_t kSuiteEnterprise = 0x0002;
constexpr std::uint16_t kSuiteDatacenter = 0x0080;
constexpr std::uint16_t kSuitePersonal = 0x0200;
constexpr std::uint16_t kSuiteBlade = 0x0400;

// The 9x releases mark OSR2 and SE by the second character of the
// service-pack text; a text shorter than two characters marks nothing.
char SecondCharacter(const std::string& csd) { return csd.size() > 1 ? csd[1] : '\0'; }

std::string Windows9xName(std::uint32_t major, std::uint32_t minor, const std::string& csd) {
  if (major == 4 && minor == 0) {
    char c = SecondCharacter(csd);
    return (c == 'C' || c == 'B') ? "Windows 95 OSR2" : "Windows 95";
  }
  if (major == 4 && minor == 10) {
    return SecondCharacter(csd) == 'A' ? "Windows 98 SE" : "Windows 98";
  }
  if (major == 4 && minor == 90) return "Windows ME";
  return "";
}

const char* NTName(std::uint32_t major, std::uint32_t minor) {
  if (major == 5 && minor == 2) return "Windows Server 2003";
  if (major == 5 && minor == 1) return "Windows XP";
  if (major == 5 && minor == 0) return "Windows 2000";
  if (major <= 4) return "Windows NT";
  return "";
}

const char* NTEdition(std::uint32_t major, std::uint32_t minor, std::uint16_t suite,
                      std::uint8_t productType) {
  if (productType == kWorkstation) {
    if (major == 4) return " Workstation 4.0";
    return (suite & kSuitePersonal) ? " Home Edition" : " Professional";
  }
  if (productType != kServer) return "";
  if (major == 5 && minor == 2) {
    if (suite & kSuiteDatacenter) return " Datacenter Edition ";
    if (suite & kSuiteEnterprise) return " Enterprise Edition ";
    // The whole mask, not the bit: a blade server with any other suite is
    // reported as Standard Edition.
    if (suite == kSuiteBlade) return " Web Edition";
    return " Standard Edition";
  }
  if (major == 5 && minor == 0) {
    if (suite & kSuiteDatacenter) return " Datacenter Server";
    if (suite & kSuiteEnterprise) return " Advanced Server";
    return " Server";
  }
  return "";
}

std::string VersionPiece(std::uint32_t major, std::uint32_t minor, std::uint32_t build,
                         const std::string& csd) {
  // %d prints the numbers signed, as the line always has.
  int n = std::snprintf(nullptr, 0, " Version %d.%d %s (Build %d)", static_cast<int>(major),
                        static_cast<int>(minor), csd.c_str(), static_cast<int>(build & 0xFFFF));
  std::string out(static_cast<std::size_t>(n) + 1, '\0');
  std::snprintf(&out[0], out.size(), " Version %d.%d %s (Build %d)", static_cast<int>(major),
                static_cast<int>(minor), csd.c_str(), static_cast<int>(build & 0xFFFF));
  out.resize(static_cast<std::size_t>(n));
  return out;
}

}  // namespace

std::string FormatOSVersionLine(bool extendedValid, std::uint32_t majorVersion,
                                std::uint32_t minorVersion, std::uint32_t buildNumber,
                                std::uint32_t platformId, const std::string& csdVersion,
                                std::uint16_t suiteMask, std::uint8_t productType) {
  // Only the text up to a NUL is the service-pack text.
  const std::string csd = csdVersion.substr(0, csdVersion.find('\0'));
  std::string line;
  if (platformId == kPlatformWindows) {
    line = Windows9xName(majorVersion, minorVersion, csd);
  } else if (platformId == kPlatformNT) {
    line = NTName(majorVersion, minorVersion);
    if (extendedValid) line += NTEdition(majorVersion, minorVersion, suiteMask, productType);
  }
  return line + VersionPiece(majorVersion, minorVersion, buildNumber, csd);
}

std::string FormatOSVersionLine(const TOSVersion& v) {
  return FormatOSVersionLine(v.extendedValid, v.majorVersion, v.minorVersion, v.buildNumber,
                             v.platformId, v.csdVersion, v.suiteMask, v.productType);
}

}  // namespace tarvo
