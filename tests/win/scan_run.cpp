// The real program: a run over My Computer finds a planted stray library and
// offers its removal at the end of the run and again on closing.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "removal_answer.h"
#include "scan_tree.h"

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

// Starts the program from the tree's folder `bin` (so its log lands there and
// goes with the tree), waits for the offer at the end of its run, then closes
// the window and waits for the program to end.
void RunAndCloseAfterTheOffer(const TPlantedTree& tree, TDialogAnswerer& answerer) {
  tree.Folder("bin");
  const std::string exe = tree.Win("bin\\Tarvo.exe");
  ASSERT_TRUE(CopyFileA(UnixPathFromEnv("TARVO_EXE").c_str(), exe.c_str(), FALSE));
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  std::string command = "\"" + exe + "\"";
  ASSERT_TRUE(CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr,
                             tree.Win("bin").c_str(), &startup, &process));
  tarvo::TUniqueHandle thread(process.hThread), handle(process.hProcess);

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
}

TEST(ScanRun, DeclineAtTheEndThenCloseAsksAgain) {
  TPlantedTree tree('d', "scan-run");
  tree.Folder("stray");
  tree.Plant("VQ32W.DLL", "stray\\VQ32W.DLL");

  // The run ends with its offer, declined; closing asks again.
  TDialogAnswerer answerer(TAnswer::No);
  ASSERT_NO_FATAL_FAILURE(RunAndCloseAfterTheOffer(tree, answerer));
  EXPECT_EQ(answerer.Shown(), 2);

  const std::string log = ReadAll(tree.Win("bin\\Tarvo.log"));
  EXPECT_NE(log.find(tree.Win("stray\\VQ32W.DLL") + " - 5.1.2600.0"), std::string::npos) << log;
  EXPECT_EQ(Count(log, "Misplaced DLLs not removed"), 2) << log;
  EXPECT_TRUE(GetFileAttributesA(tree.Win("stray\\VQ32W.DLL").c_str()) != INVALID_FILE_ATTRIBUTES);
}

// Yes removes the stray copy and nothing else. The system directory's copy
// stays, also under the second name the shell lists it by when the 32-bit
// program runs on 64-bit Windows (SYSWOW64), which must never be offered.
TEST(ScanRun, YesRemovesTheStrayCopyAndKeepsTheSystemDirectoryCopy) {
  TPlantedTree tree('d', "scan-run-yes");
  tree.Folder("stray");
  tree.Plant("VQ32W.DLL", "stray\\VQ32W.DLL");
  char system[MAX_PATH] = {};
  ASSERT_GT(GetSystemDirectoryA(system, MAX_PATH), 0u);
  const std::string installed = std::string(system) + "\\vq32w.dll";
  ASSERT_TRUE(CopyFileA(FixturePath("VQ32W.DLL").c_str(), installed.c_str(), TRUE));
  struct TCleanup {
    std::string installed;
    ~TCleanup() {
      DeleteFileA(installed.c_str());
      const char* root = std::getenv("TARVO_WINE_ROOT");
      if (root)
        RunUnix(std::string("rm -rf '") + root + "/home/.local/share/Trash/files/'VQ32W* '" + root +
                "/home/.local/share/Trash/info/'VQ32W*");
    }
  } cleanup{installed};

  TDialogAnswerer answerer(TAnswer::Yes);
  ASSERT_NO_FATAL_FAILURE(RunAndCloseAfterTheOffer(tree, answerer));
  // Nothing is left to offer on closing.
  EXPECT_EQ(answerer.Shown(), 1);

  const std::string log = ReadAll(tree.Win("bin\\Tarvo.log"));
  const std::string stray = tree.Win("stray\\VQ32W.DLL");
  EXPECT_NE(log.find(installed + " - 5.1.2600.0\r\n"), std::string::npos) << log;
#if !defined(_WIN64)
  char wow64[MAX_PATH] = {};
  ASSERT_GT(GetSystemWow64DirectoryA(wow64, MAX_PATH), 0u);
  EXPECT_NE(log.find(std::string(wow64) + "\\vq32w.dll - 5.1.2600.0\r\n"), std::string::npos)
      << log;
#endif
  EXPECT_NE(log.find("Removed Files:\r\n" + stray + "\r\nFinished\r\n"), std::string::npos) << log;
  EXPECT_EQ(GetFileAttributesA(stray.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_NE(GetFileAttributesA(installed.c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
