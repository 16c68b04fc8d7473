// The registry dump inside the main window's run: lines reach Tarvo.log
// unchanged, and a read error ends the run where it happened.

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <atomic>
#include <memory>
#include <stdexcept>
#include <string>

#include "app/Main.h"
#include "framework/Application.h"
#include "framework/Exceptions.h"
#include "framework/TextRules.h"
#include "platform/UniqueResource.h"
#include "TestThread.h"

namespace tarvo {
namespace {

const char kZvk[] = "Software\\ZVK";

class RegistryRun : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    Application.Initialize(GetModuleHandleA(nullptr));
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
  }

  void SetUp() override {
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kZvk);
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, kZvk, 0, nullptr, 0,
                                             KEY_ALL_ACCESS, nullptr, key_.put(), nullptr));
  }
  void TearDown() override {
    key_.reset();
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kZvk);
  }

  void Set(const char* name, DWORD type, const void* data, DWORD size) {
    ASSERT_EQ(ERROR_SUCCESS,
              RegSetValueExA(key_.get(), name, 0, type, static_cast<const BYTE*>(data), size));
  }

  // The log is held without sharing while the form lives.
  static std::string Log(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  TUniqueHKey key_;
};

TEST_F(RegistryRun, LineBreaksInDataReachTheLogAsOneReportLine) {
  Set("Lines", REG_SZ, "one\r\ntwo", 9);
  std::string logPath;
  {
    TfrmMain form;
    logPath = form.LogPath();
    form.DumpRegistryKey(HKEY_LOCAL_MACHINE, kZvk);
  }
  EXPECT_EQ("HKLM\\Software\\ZVK\\Lines = one\r\ntwo\r\n", Log(logPath));
}

TEST_F(RegistryRun, MegabyteStringAndLoneNulReachMemoAndLogWhole) {
  const std::string big(1 << 20, 'M');
  Set("Big", REG_SZ, big.c_str(), static_cast<DWORD>(big.size() + 1));
  Set("Nul", REG_SZ, "", 1);
  std::string logPath;
  std::string memo;
  {
    TfrmMain form;
    logPath = form.LogPath();
    form.DumpRegistryKey(HKEY_LOCAL_MACHINE, kZvk);
    memo.resize(static_cast<size_t>(GetWindowTextLengthA(form.mmoStatus())) + 1);
    memo.resize(static_cast<size_t>(
        GetWindowTextA(form.mmoStatus(), &memo[0], static_cast<int>(memo.size()))));
  }
  const std::string bigLine = "HKLM\\Software\\ZVK\\Big = " + big;
  const std::string nulLine = "HKLM\\Software\\ZVK\\Nul = ";
  const std::string log = Log(logPath);
  // Enumeration order is the registry's; both orders are whole lines.
  EXPECT_TRUE(log == bigLine + "\r\n" + nulLine + "\r\n" ||
              log == nulLine + "\r\n" + bigLine + "\r\n")
      << log.size();
  EXPECT_TRUE(memo == bigLine + "\r\n" + nulLine || memo == nulLine + "\r\n" + bigLine)
      << memo.size();
}

TEST_F(RegistryRun, ReadErrorEndsTheRunAfterTheLinesBeforeIt) {
  Set("a", REG_SZ, "before", 7);
  const unsigned char eight[8] = {1};
  Set("b", REG_DWORD, eight, sizeof eight);
  std::string logPath;
  {
    TfrmMain form;
    logPath = form.LogPath();
    try {
      form.PerformRun();
      FAIL() << "the run did not raise the registry error";
    } catch (const ERegistryException& e) {
      // "'" sorts before ".": the error box adds no full stop.
      EXPECT_EQ("Failed to get data for 'b'", ErrorBoxText(e.what()));
    }
    // The run stopped before the buttons went back to idle.
    EXPECT_FALSE(IsWindowEnabled(form.btnStart()));
    EXPECT_TRUE(IsWindowEnabled(form.btnStop()));
  }
  const std::string log = Log(logPath);
  const std::string tail = "Registry Entries:\r\nHKLM\\Software\\ZVK\\a = before\r\n";
  ASSERT_GE(log.size(), tail.size());
  EXPECT_EQ(tail, log.substr(log.size() - tail.size())) << log;
  EXPECT_EQ(std::string::npos, log.find("Finished"));
}

TEST_F(RegistryRun, ErrorBoxTakesTheMainWindowOutOfInputUntilItCloses) {
  const unsigned char eight[8] = {1};
  Set("b", REG_DWORD, eight, sizeof eight);
  TfrmMain form;
  std::string message;
  try {
    form.PerformRun();
  } catch (const ERegistryException& e) {
    message = e.what();
  }
  ASSERT_FALSE(message.empty());
  // STOP stays live after the failed run; while the box is up, neither it nor
  // the window's close box may start the removal offer underneath.
  std::atomic<int> enabledWhileShown{-1};
  test::TTestThread user([&] {
    for (int i = 0; i < 400; ++i) {
      HWND box = FindWindowA("#32770", Application.Title().c_str());
      if (box && IsWindowVisible(box)) {
        enabledWhileShown = IsWindowEnabled(form.Handle()) ? 1 : 0;
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        return;
      }
      Sleep(25);
    }
  });
  Application.ShowException(std::runtime_error(message));
  user.Join();
  EXPECT_EQ(0, enabledWhileShown.load());
  EXPECT_TRUE(IsWindowEnabled(form.Handle()));
  EXPECT_TRUE(IsWindowEnabled(form.btnStop()));
  EXPECT_FALSE(IsWindowEnabled(form.btnStart()));
}

}  // namespace
}  // namespace tarvo
