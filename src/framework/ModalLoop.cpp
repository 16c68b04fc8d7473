#include "framework/ModalLoop.h"

#include "framework/Application.h"

namespace tarvo {

TThreadWindowsDisabled::TThreadWindowsDisabled(HWND keep) : keep_(keep) {
  EnumThreadWindows(GetCurrentThreadId(), DisableOne, reinterpret_cast<LPARAM>(this));
}

BOOL CALLBACK TThreadWindowsDisabled::DisableOne(HWND window, LPARAM param) {
  auto* self = reinterpret_cast<TThreadWindowsDisabled*>(param);
  if (window != self->keep_ && IsWindowEnabled(window)) {
    // Noted before it is disabled: should the note fail for want of memory,
    // the window stays live rather than disabled for good, and no exception
    // crosses the system's enumeration.
    try {
      self->disabled_.push_back(window);
    } catch (...) {
      return TRUE;
    }
    EnableWindow(window, FALSE);
  }
  return TRUE;
}

void TThreadWindowsDisabled::Restore() {
  for (auto it = disabled_.rbegin(); it != disabled_.rend(); ++it) {
    if (IsWindow(*it)) EnableWindow(*it, TRUE);
  }
  disabled_.clear();
}

TModalLoop::TModalLoop(HWND dialog) : dialog_(dialog), disabled_(dialog) {}

TModalLoop::~TModalLoop() {
  disabled_.Restore();
  // Hide first so that the system hands activation back to our owner.
  if (IsWindow(dialog_)) {
    SetWindowPos(dialog_, nullptr, 0, 0, 0, 0,
                 SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

bool TModalLoop::Run(const bool& done) {
  ShowWindow(dialog_, SW_SHOW);
  SetForegroundWindow(dialog_);
  while (!done) {
    MSG msg;
    BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    if (got == 0 || got == -1) {
      // The application is closing: end this dialog and let the outer loop
      // see the quit message too.
      Application.NoteQuit();
      PostQuitMessage(got == 0 ? static_cast<int>(msg.wParam) : 0);
      return false;
    }
    if (!IsDialogMessageA(dialog_, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
  return true;
}

void CenterOnScreen(HWND window) {
  RECT work = {};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  RECT r = {};
  GetWindowRect(window, &r);
  int w = r.right - r.left;
  int h = r.bottom - r.top;
  int x = work.left + ((work.right - work.left) - w) / 2;
  int y = work.top + ((work.bottom - work.top) - h) / 2;
  SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace tarvo
