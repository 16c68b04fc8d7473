#pragma once
// The main window and the run. Each stage of a run is an operation of the
// main window, implemented in a file of its own:
//   Main.cpp         construction, the run, run control, the report log
//   MainOsLine.cpp   the operating-system line
//   MainRegistry.cpp the registry dump
//   MainScan.cpp     the module scan
//   MainRemoval.cpp  the removal offer for misplaced libraries

#include <windows.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "platform/ComRef.h"
#include "platform/UniqueResource.h"

namespace tarvo {

using TStrings = std::vector<std::string>;

class TfrmMain {
public:
  // Builds the form, obtains the desktop folder, fills the watched lists,
  // computes the system directory and recreates the log. Throws the OLE
  // error or the file-creation error.
  TfrmMain();
  ~TfrmMain();
  TfrmMain(const TfrmMain&) = delete;
  TfrmMain& operator=(const TfrmMain&) = delete;

  HWND Handle() const noexcept { return window_.get(); }
  void Show();

  // The run and its stages.
  void PerformRun();
  void StopAction();
  void ReportLine(const std::string& text);
  void ReportOSVersionLine();
  void DumpRegistryKey(HKEY root, const std::string& keyPath);
  void ScanFolder(LPCITEMIDLIST list);
  void OfferRemoval();

  // Event handlers.
  void Form_OnActivate();
  void btnStart_OnClick();
  void btnStop_OnClick();
  bool Form_OnCloseQuery();
  void mnuExit_OnClick();
  void mnuAbout_OnClick();

  // State the stages share (read by tests as well).
  bool StopFlag() const noexcept { return stopFlag_; }
  const TStrings& WatchedLibraries() const noexcept { return watchedLibraries_; }
  const TStrings& WatchedPrograms() const noexcept { return watchedPrograms_; }
  TStrings& Misplaced() noexcept { return misplaced_; }
  const std::string& SystemDirectory() const noexcept { return systemDirectory_; }
  IShellFolder* DesktopFolder() const noexcept { return desktopFolder_.get(); }
  const std::string& LogPath() const noexcept { return logPath_; }

  HWND mmoStatus() const noexcept { return mmoStatus_; }
  HWND StatusBar() const noexcept { return statusBar_; }
  HWND btnStart() const noexcept { return btnStart_; }
  HWND btnStop() const noexcept { return btnStop_; }
  HWND btnExit() const noexcept { return btnExit_; }

private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
  void CreateForm();
  void CreateControls();
  void LayoutControls();
  void OnCommand(int id);
  void SetRunningButtons(bool running);
  void OpenLog();
  void ReportDateTime();
  void ClearMemo();
  void Close();

  int memoLines_ = 0;
  int exitRightGap_ = 0;

  TUniqueWindow window_;
  HWND panel_ = nullptr;
  HWND mmoStatus_ = nullptr;
  HWND statusBar_ = nullptr;
  HWND btnStart_ = nullptr;
  HWND btnStop_ = nullptr;
  HWND btnExit_ = nullptr;
  HMENU mainMenu_ = nullptr;
  HACCEL accelerators_ = nullptr;
  TUniqueGdiObject font_;
  TUniqueGdiObject boldFont_;
  bool activated_ = false;
  // Set while the removal offer runs (its prompt, then the shell's removal):
  // the offer is not entered a second time meanwhile.
  bool offerRunning_ = false;

  TComRef<IShellFolder> desktopFolder_;
  bool stopFlag_ = false;
  TUniqueFile logStream_;
  std::string logPath_;
  TStrings watchedLibraries_;
  TStrings watchedPrograms_;
  TStrings misplaced_;
  std::string systemDirectory_;
  std::string wow64SystemDirectory_;
};

// Builds the watched lists, in the order the report relies on.
TStrings WatchedLibraryNames();
TStrings WatchedProgramNames();
// The Windows system directory, upper-cased, without a trailing backslash.
std::string SystemDirectoryForScan();
// The same for the WoW64 system directory when this is a 32-bit program on
// 64-bit Windows; empty otherwise (32-bit Windows, a 64-bit program, systems
// before XP that lack the calls).
std::string Wow64SystemDirectoryForScan();

}  // namespace tarvo
