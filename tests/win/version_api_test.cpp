#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "TestEnv.h"
#include "support/VersionApi.h"
#include "support/VersionInfo.h"

using namespace tarvo;
using tarvo::test::FixturePath;

namespace {

std::string ModulePath(HMODULE module) {
  char path[MAX_PATH] = {};
  DWORD length = GetModuleFileNameA(module, path, MAX_PATH);
  return std::string(path, length);
}

std::string Upper(std::string text) {
  CharUpperBuffA(&text[0], static_cast<DWORD>(text.size()));
  return text;
}

bool PlantedWasLoaded() {
  char value[16] = {};
  return GetEnvironmentVariableA("TARVO_PLANTED_VERSION_DLL", value, sizeof value) > 0;
}

// The test's own version.dll beside the test program, removed however the test ends.
struct TPlantedLibrary {
  explicit TPlantedLibrary(const std::string& target) : path(target) {
    planted = CopyFileA(FixturePath("planted-version.dll").c_str(), path.c_str(), FALSE) != 0;
  }
  ~TPlantedLibrary() { DeleteFileA(path.c_str()); }
  std::string path;
  bool planted = false;
};

}  // namespace

// This program runs its only test in a fresh process: the service is loaded
// once, on first use, and the library has to be planted before that.
//
// Wine maps its own version.dll into every process at start-up (this program
// does not import it), so under Wine the ordinary search returns that copy
// too and the planted one is never loaded either way; the test still shows
// that the program's copy comes from the system directory and that nothing
// of the planted library ran. On Windows the control load takes the planted
// copy, which the test then reports.
TEST(VersionApi, LibraryBesideTheProgramIsNotUsed) {
  const HMODULE preloaded = GetModuleHandleA("version.dll");
  const std::string program = ModulePath(nullptr);
  TPlantedLibrary planted(program.substr(0, program.rfind('\\')) + "\\version.dll");
  ASSERT_TRUE(planted.planted) << GetLastError();

  const TVersionApi& api = VersionApi();
  ASSERT_TRUE(api.Available());
  char system[MAX_PATH] = {};
  ASSERT_GT(GetSystemDirectoryA(system, MAX_PATH), 0u);
  EXPECT_EQ(Upper(std::string(system) + "\\version.dll"), Upper(ModulePath(api.module)));
  EXPECT_FALSE(PlantedWasLoaded());
  EXPECT_EQ("5.1.2600.0", TVersionInfo(FixturePath("v5126000.dll")).GetVersionString());

  HMODULE ordinary = LoadLibraryA("version.dll");
  ASSERT_NE(nullptr, ordinary);
  std::printf("version.dll mapped before the first use: %s; ordinary search gives %s%s\n",
              preloaded ? ModulePath(preloaded).c_str() : "no", ModulePath(ordinary).c_str(),
              PlantedWasLoaded() ? " (the planted copy)" : "");
  FreeLibrary(ordinary);
}
