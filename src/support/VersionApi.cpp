#include "support/VersionApi.h"

#include <string>

#include "platform/ModuleFunction.h"
#include "platform/UniqueResource.h"

#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#endif

namespace tarvo {

namespace {

// LOAD_LIBRARY_SEARCH_SYSTEM32 is understood exactly where AddDllDirectory
// exists; older systems reject the flag, so they get the full path instead.
bool SystemSearchFlagSupported() {
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  return kernel && GetProcAddress(kernel, "AddDllDirectory");
}

HMODULE LoadFromSystemDirectory() {
  if (SystemSearchFlagSupported()) {
    if (HMODULE module = LoadLibraryExA("version.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32))
      return module;
  }
  char directory[MAX_PATH] = {};
  UINT length = GetSystemDirectoryA(directory, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return nullptr;
  std::string path(directory, length);
  if (path.back() != '\\') path += '\\';
  path += "version.dll";
  return LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

template <typename F>
void Resolve(HMODULE module, const char* name, F& function) {
  function = ModuleFunction<F>(module, name);
}

TVersionApi LoadVersionApi(TUniqueModule& holder) {
  TVersionApi api;
  holder.reset(LoadFromSystemDirectory());
  if (!holder) return api;
  api.module = holder.get();
  Resolve(api.module, "GetFileVersionInfoSizeA", api.GetFileVersionInfoSize);
  Resolve(api.module, "GetFileVersionInfoA", api.GetFileVersionInfo);
  Resolve(api.module, "VerQueryValueA", api.VerQueryValue);
  return api;
}

}  // namespace

const TVersionApi& VersionApi() {
  static TUniqueModule module;
  static const TVersionApi api = LoadVersionApi(module);
  return api;
}

}  // namespace tarvo
