#pragma once
// Answers the removal question from a second thread, as a user would, and
// records what the dialog showed.

#include <windows.h>

#include <atomic>
#include <string>

#include "TestThread.h"

namespace tarvo::test {

enum class TAnswer { Yes, No, Escape, CloseBox };

class TDialogAnswerer {
public:
  // `nukeAnswer` answers the shell's question before it deletes for good
  // what it cannot recycle: Yes or No.
  explicit TDialogAnswerer(TAnswer answer, TAnswer nukeAnswer = TAnswer::No)
      : answer_(answer), nukeAnswer_(nukeAnswer), thread_([this] { Run(); }) {}
  ~TDialogAnswerer() {
    stop_ = true;
    thread_.Join();
  }
  TDialogAnswerer(const TDialogAnswerer&) = delete;
  TDialogAnswerer& operator=(const TDialogAnswerer&) = delete;

  int Shown() const { return shown_; }
  int NukeWarnings() const { return nukeWarnings_; }
  const std::string& Text() const { return text_; }

private:
  // The notification a click on the button sends; a synthetic mouse click
  // depends on which window holds the focus.
  static void Press(HWND dialog, const char* caption) {
    HWND button = FindWindowExA(dialog, nullptr, "Button", caption);
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED),
                 reinterpret_cast<LPARAM>(button));
  }

  void Run() {
    HWND last = nullptr;
    while (!stop_) {
      // Earlier dialogs may linger hidden; only a visible one is asking.
      HWND dialog = nullptr;
      while ((dialog = FindWindowExA(nullptr, dialog, "#32770", "Error")) != nullptr)
        if (IsWindowVisible(dialog)) break;
      HWND nuke = FindWindowA(nullptr, "Confirm file deletion");
      if (nuke && IsWindowVisible(nuke)) {
        ++nukeWarnings_;
        PostMessageA(nuke, WM_COMMAND, nukeAnswer_ == TAnswer::Yes ? IDYES : IDNO, 0);
        Sleep(200);
      }
      if (dialog && dialog != last) {
        last = dialog;
        ++shown_;
        HWND label = nullptr;
        while ((label = FindWindowExA(dialog, label, "Static", nullptr)) != nullptr) {
          char text[512] = {};
          GetWindowTextA(label, text, sizeof text);
          if (*text) text_ = text;
        }
        switch (answer_) {
          case TAnswer::Yes:
            Press(dialog, "&Yes");
            break;
          case TAnswer::No:
            Press(dialog, "&No");
            break;
          case TAnswer::Escape:
            // What the dialog manager makes of Esc.
            PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
            break;
          case TAnswer::CloseBox:
            PostMessageA(dialog, WM_CLOSE, 0, 0);
            break;
        }
      }
      Sleep(20);
    }
  }

  TAnswer answer_;
  TAnswer nukeAnswer_;
  std::atomic<bool> stop_{false};
  std::atomic<int> shown_{0};
  std::atomic<int> nukeWarnings_{0};
  std::string text_;
  TTestThread thread_;
};

}  // namespace tarvo::test
