// The real program: a run over My Computer finds a planted stray library and
// offers its removal at the end of the run and again on closing.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "DialogAnswerer.h"
#include "PlantedTree.h"

using namespace tarvo::test;

namespace {

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

int Count(const std::string& text, const std::string& part) {
  int count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

TEST(ScanRun, DeclineAtTheEndThenCloseAsksAgain) {
  TPlantedTree tree('d', "scan-run");
  tree.Folder("bin");
  tree.Folder("stray");
  tree.Plant("VQ32W.DLL", "stray\\VQ32W.DLL");
  // The program runs from the tree so its log lands there and goes with it.
  const std::string exe = tree.Win("bin\\Tarvo.exe");
  ASSERT_TRUE(CopyFileA(UnixPathFromEnv("TARVO_EXE").c_str(), exe.c_str(), FALSE));

  TDialogAnswerer answerer(TAnswer::No);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  std::string command = "\"" + exe + "\"";
  ASSERT_TRUE(CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr,
                             tree.Win("bin").c_str(), &startup, &process));
  tarvo::TUniqueHandle thread(process.hThread), handle(process.hProcess);

  // The run ends with its offer, declined; then the window is closed.
  for (int waited = 0; answerer.Shown() < 1 && waited < 120000; waited += 100) Sleep(100);
  ASSERT_EQ(answerer.Shown(), 1);
  HWND window = nullptr;
  for (int waited = 0; waited < 30000; waited += 100) {
    window = FindWindowA("TfrmMain", nullptr);
    if (window && IsWindowEnabled(window)) break;
    Sleep(100);
  }
  ASSERT_TRUE(window);
  PostMessageA(window, WM_CLOSE, 0, 0);
  ASSERT_EQ(WaitForSingleObject(handle.get(), 60000), WAIT_OBJECT_0);
  EXPECT_EQ(answerer.Shown(), 2);

  const std::string log = ReadAll(tree.Win("bin\\Tarvo.log"));
  EXPECT_NE(log.find(tree.Win("stray\\VQ32W.DLL") + " - 5.1.2600.0"), std::string::npos) << log;
  EXPECT_EQ(Count(log, "Misplaced DLLs not removed"), 2) << log;
  EXPECT_TRUE(GetFileAttributesA(tree.Win("stray\\VQ32W.DLL").c_str()) != INVALID_FILE_ATTRIBUTES);
}

}  // namespace
