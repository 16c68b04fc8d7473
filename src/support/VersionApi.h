#pragma once
// The version service, taken from the system directory only. A version.dll
// beside the program is not a library Windows protects, so the program does
// not import it: the three calls are looked up at run time in the copy the
// system directory holds.

#include <windows.h>

namespace tarvo {

struct TVersionApi {
  decltype(&GetFileVersionInfoSizeA) GetFileVersionInfoSize = nullptr;
  decltype(&GetFileVersionInfoA) GetFileVersionInfo = nullptr;
  decltype(&VerQueryValueA) VerQueryValue = nullptr;
  HMODULE module = nullptr;  // the library the calls came from

  bool Available() const { return GetFileVersionInfoSize && GetFileVersionInfo && VerQueryValue; }
};

// Loaded on first use and kept for the program's life. When the service
// cannot be loaded, Available() is false and every file reads as having no
// version information.
const TVersionApi& VersionApi();

}  // namespace tarvo
