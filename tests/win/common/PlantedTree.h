#pragma once
// Planting files for the scan and removal tests on the prefix's drives, and
// removing them again: all Wine-side tests share one prefix.

#include <windows.h>

#include <cstdlib>
#include <stdexcept>
#include <string>

#include "ChildProcess.h"
#include "TestEnv.h"
#include "platform/UniqueResource.h"

namespace tarvo::test {

// Runs a Unix command line through /bin/sh and gives its exit status. Wine
// starts Unix programs given as \\?\unix paths but hands back a handle that
// neither waits for them nor knows their status, so the script leaves its
// status in a marker file that is polled for. The marker lives in the
// prefix's own folder: Wine numbers processes per prefix, so two test runs
// in two prefixes (both builds, two work trees) would share /tmp names and
// read each other's markers.
inline int RunUnix(const std::string& script) {
  static int serial = 0;
  const char* root = std::getenv("TARVO_WINE_ROOT");
  if (!root) throw std::runtime_error("TARVO_WINE_ROOT not set");
  const std::string marker = std::string(root) + "/tarvo-test-" +
                             std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++serial);
  std::string markerWin = "\\\\?\\unix" + marker;
  for (char& c : markerWin)
    if (c == '/') c = '\\';
  // Left by a run of this tree that was killed: never an answer to this call.
  DeleteFileA(markerWin.c_str());
  std::string command = "\\\\?\\unix\\bin\\sh -c \"" + script + "\n echo $? > '" + marker +
                        ".part' && mv '" + marker + ".part' '" + marker + "'\"";
  TChildProcess shell(command);
  if (!shell.Started()) throw std::runtime_error("cannot start /bin/sh");
  for (int waited = 0; waited < 120000; waited += 20) {
    TUniqueFile status(CreateFileA(markerWin.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                   OPEN_EXISTING, 0, nullptr));
    if (status) {
      char text[16] = {};
      DWORD read = 0;
      ReadFile(status.get(), text, sizeof text - 1, &read, nullptr);
      status.reset();
      DeleteFileA(markerWin.c_str());
      return std::atoi(text);
    }
    Sleep(20);
  }
  throw std::runtime_error("no answer from: " + script);
}

// The Unix folder behind a prefix drive letter (c, d, e, f, n, r).
inline std::string DriveUnixRoot(char letter) {
  const char* root = std::getenv("TARVO_WINE_ROOT");
  if (!root) throw std::runtime_error("TARVO_WINE_ROOT not set");
  if (letter == 'c') return std::string(root) + "/prefix/drive_c";
  return std::string(root) + "/drives/" + letter;
}

// A folder planted on a drive, removed with everything in it (links and
// unreadable folders included) when the object goes.
class TPlantedTree {
public:
  TPlantedTree(char drive, const std::string& name)
      : unix_(DriveUnixRoot(drive) + "/" + name),
        windows_(std::string(1, static_cast<char>(drive - 'a' + 'A')) + ":\\" + name) {
    Remove();
    Sh("mkdir -p '" + unix_ + "'");
  }
  ~TPlantedTree() { Remove(); }
  TPlantedTree(const TPlantedTree&) = delete;
  TPlantedTree& operator=(const TPlantedTree&) = delete;

  const std::string& Unix() const { return unix_; }
  const std::string& Windows() const { return windows_; }
  std::string Win(const std::string& relative) const { return windows_ + "\\" + relative; }
  std::string Nix(const std::string& relative) const { return unix_ + "/" + relative; }

  // Runs a shell command inside the tree.
  void Sh(const std::string& script) const {
    if (RunUnix(script) != 0) throw std::runtime_error("failed: " + script);
  }
  void Folder(const std::string& relative) const { Sh("mkdir -p '" + Nix(relative) + "'"); }
  // Copies a built fixture to `relative` (backslashes), under any name.
  void Plant(const std::string& fixture, const std::string& relative) const {
    std::string target = Win(relative);
    if (!CopyFileA(FixturePath(fixture).c_str(), target.c_str(), FALSE))
      throw std::runtime_error("cannot plant " + target);
  }

private:
  void Remove() const {
    RunUnix("chmod -R u+rwx '" + unix_ + "' 2>/dev/null; rm -rf '" + unix_ + "'");
  }

  std::string unix_;
  std::string windows_;
};

}  // namespace tarvo::test
