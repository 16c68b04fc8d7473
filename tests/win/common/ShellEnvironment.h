#pragma once
// What the program holds from start-up on, held for a whole test program:
// COM, the shell's allocator for item ID lists, the common controls. A test
// program registers it once:
//   const auto* const shell = ::testing::AddGlobalTestEnvironment(new TShellEnvironment);

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "support/Pidlhelp.h"

namespace tarvo::test {

class TShellEnvironment : public ::testing::Environment {
public:
  void SetUp() override {
    CoInitialize(nullptr);
    PidlhelpInitialize();
    InitCommonControls();
  }
  void TearDown() override {
    PidlhelpFinalize();
    CoUninitialize();
  }
};

}  // namespace tarvo::test
