#include "app/OsLine.h"

#include <windows.h>

#include <cstring>

namespace tarvo {

static_assert(sizeof(OSVERSIONINFOEXA) == 156, "extended version record");
static_assert(sizeof(OSVERSIONINFOA) == 148, "basic version record");

TOSVersion QueryOSVersion() {
  // Zeroed first: if both queries fail, the line is built from zeros.
  OSVERSIONINFOEXA info;
  std::memset(&info, 0, sizeof info);
  auto* basic = reinterpret_cast<OSVERSIONINFOA*>(&info);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOEXA);
  const bool extended = GetVersionExA(basic) != FALSE;
  if (!extended) {
    // Systems before NT 4.0 SP6 know only the basic record; its result is
    // not examined.
    info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
    GetVersionExA(basic);
  }
#pragma GCC diagnostic pop
  TOSVersion v;
  v.extendedValid = extended;
  v.majorVersion = info.dwMajorVersion;
  v.minorVersion = info.dwMinorVersion;
  v.buildNumber = info.dwBuildNumber;
  v.platformId = info.dwPlatformId;
  v.csdVersion.assign(info.szCSDVersion, strnlen(info.szCSDVersion, sizeof info.szCSDVersion));
  v.servicePackMajor = info.wServicePackMajor;
  v.servicePackMinor = info.wServicePackMinor;
  v.suiteMask = info.wSuiteMask;
  v.productType = info.wProductType;
  return v;
}

}  // namespace tarvo
