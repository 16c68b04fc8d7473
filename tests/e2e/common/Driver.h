#pragma once
// Drives the real Tarvo.exe from outside, as a user would: starts it in a
// folder of its own, finds its windows, clicks, answers dialogs, and reads
// what it showed and wrote. Used by the end-to-end tests and by tarvoctl.

#include <windows.h>

#include <chrono>
#include <string>

namespace tarvo::e2e {

using std::chrono::milliseconds;

// Polls `done` until it holds or the time is up.
template <typename F>
bool WaitFor(F&& done, milliseconds timeout = milliseconds(30000)) {
  DWORD start = GetTickCount();
  for (;;) {
    if (done()) return true;
    if (GetTickCount() - start > static_cast<DWORD>(timeout.count())) return false;
    Sleep(20);
  }
}

// A top-level window of `processId` (0: of any process) with this class and
// caption (either may be null).
HWND FindTopWindow(DWORD processId, const char* className, const char* caption);

// The text of a window, read across processes.
std::string WindowText(HWND window);

// A child control by class and, optionally, by control ID (searched in depth).
HWND FindChild(HWND parent, const char* className, int id = -1);

// Clicks a button-like control of another process the way a user's click
// would end: BM_CLICK, posted so the caller does not wait for modal loops.
void Click(HWND control);

// Removes a folder with everything in it; what cannot go is left.
void RemoveTree(const std::string& folder);

// The bytes of a whole file, or an empty text with `ok` false.
std::string ReadFileBytes(const std::string& path, bool* ok = nullptr);

// One started Tarvo.exe: copied into a fresh folder on C:, started there,
// ended (if still running) when the object goes.
class TTarvoProcess {
public:
  // `folder` is made (emptied first) and Tarvo.exe copied into it from the
  // build (the TARVO_EXE environment variable), under the name `exeName`
  // (wide, so that it can hold characters of any code page).
  explicit TTarvoProcess(const std::string& folder, const std::wstring& exeName = L"Tarvo.exe");
  ~TTarvoProcess();
  TTarvoProcess(const TTarvoProcess&) = delete;
  TTarvoProcess& operator=(const TTarvoProcess&) = delete;

  const std::string& Folder() const { return folder_; }
  std::string LogPath() const { return folder_ + "\\Tarvo.log"; }

  bool Start();
  // Takes on a copy that something else started (the process's GUI thread
  // is then not known).
  bool Adopt(DWORD processId);
  DWORD ProcessId() const { return pi_.dwProcessId; }
  // Holds the program's GUI thread still, so that input sent meanwhile is
  // queued together, and lets it go on.
  bool Suspend();
  bool Resume();
  // The caption of the program's hidden application window: its title.
  std::wstring ApplicationTitle();
  // Waits for the main window; null when it never came.
  HWND MainWindow(milliseconds timeout = milliseconds(30000));
  HWND Memo();
  HWND Button(int id);
  std::string MemoText();
  // The status bar's simple text. The bar's own messages are not carried
  // across processes, so the text is fetched through a buffer in Tarvo's memory.
  std::string StatusText();
  // Waits until the memo's text ends with `line`.
  bool WaitForMemoEnding(const std::string& tail, milliseconds timeout = milliseconds(60000));
  // A dialog of the program with this caption (class #32770).
  HWND WaitForDialog(const char* caption, milliseconds timeout = milliseconds(30000));
  bool WaitForExit(milliseconds timeout = milliseconds(30000));
  DWORD ExitCode();
  void Kill();

private:
  std::string folder_;
  std::wstring exeName_;
  PROCESS_INFORMATION pi_ = {};
};

}  // namespace tarvo::e2e
