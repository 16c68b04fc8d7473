#pragma once
// The modal loop shared by the program's own dialogs (the About dialog and
// the message dialog): while a dialog is up, the thread's other windows take
// no input; a quit message ends the loop and is posted again for the outer
// loop.

#include <windows.h>

#include <vector>

namespace tarvo {

// Disables every enabled top-level window of this thread except `keep`, and
// enables them again on Restore or destruction.
class TThreadWindowsDisabled {
public:
  explicit TThreadWindowsDisabled(HWND keep);
  ~TThreadWindowsDisabled() { Restore(); }
  TThreadWindowsDisabled(const TThreadWindowsDisabled&) = delete;
  TThreadWindowsDisabled& operator=(const TThreadWindowsDisabled&) = delete;

  void Restore();

private:
  static BOOL CALLBACK DisableOne(HWND window, LPARAM param);

  HWND keep_;
  std::vector<HWND> disabled_;
};

class TModalLoop {
public:
  // Disables every enabled window of this thread except `dialog`.
  explicit TModalLoop(HWND dialog);
  // Re-enables them (before the dialog goes, so that activation returns to
  // the owner rather than to another application).
  ~TModalLoop();
  TModalLoop(const TModalLoop&) = delete;
  TModalLoop& operator=(const TModalLoop&) = delete;

  // Shows the dialog and dispatches messages until `done` turns true.
  // Returns false when a quit message ended the loop instead.
  bool Run(const bool& done);

private:
  HWND dialog_;
  TThreadWindowsDisabled disabled_;
};

// Centres a top-level window on the screen's work area.
void CenterOnScreen(HWND window);

}  // namespace tarvo
