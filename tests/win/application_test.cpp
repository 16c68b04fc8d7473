// The application object's helpers that need no window.
#include <windows.h>

#include <gtest/gtest.h>

#include "framework/Application.h"
#include "framework/Exceptions.h"

TEST(OleError, SystemTextOrFallback) {
  try {
    tarvo::OleCheck(E_NOINTERFACE);
    FAIL() << "no error raised";
  } catch (const tarvo::EOleError& e) {
    EXPECT_EQ(E_NOINTERFACE, e.Code());
    EXPECT_STRNE("", e.what());
  }
  EXPECT_NO_THROW(tarvo::OleCheck(S_FALSE));
  EXPECT_EQ("OLE error 8badf00d", tarvo::EOleError::FallbackText(static_cast<int32_t>(0x8BADF00D)));
}
