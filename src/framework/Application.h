#pragma once
// The application object: the hidden application window (owner of the error
// box, of the shell's enumeration windows and of the never-shown About
// dialog), the title, the message loop, "process pending messages",
// terminate and the error box.

#include <windows.h>

#include <exception>
#include <stdexcept>
#include <string>

#include "platform/ComRef.h"
#include "platform/UniqueResource.h"

namespace tarvo {

class TApplication {
public:
  TApplication() = default;
  TApplication(const TApplication&) = delete;
  TApplication& operator=(const TApplication&) = delete;

  // Initialises COM and creates the hidden application window.
  void Initialize(HINSTANCE instance);

  HINSTANCE Instance() const noexcept { return instance_; }
  HWND Handle() const noexcept { return handle_.get(); }
  const std::string& Title() const noexcept { return title_; }

  // The first main form created becomes the main form; its accelerators are
  // translated by every message loop of the application.
  void SetMainForm(HWND form, HACCEL accelerators);
  HWND MainForm() const noexcept { return mainForm_; }

  // Runs the loop until a quit message has been seen.
  void Run();
  // Dispatches every message queued now, then returns. A quit message seen
  // here marks the application as terminating; it is not dispatched.
  void ProcessMessages();
  // Retrieves and dispatches one message, waiting for one if none is queued.
  void HandleMessage();
  // Posts the quit message; the loop ends once control returns to it.
  void Terminate();
  bool Terminated() const noexcept { return terminated_; }
  // Marks the application terminating after a modal loop consumed the quit
  // message (the loop posts it again for the outer loop).
  void NoteQuit() noexcept { terminated_ = true; }

  // The error box: system message box owned by the application window,
  // error icon, the title as caption.
  void ShowException(const std::exception& e);

private:
  bool TranslateAndDispatch(MSG& msg);

  HINSTANCE instance_ = nullptr;
  // Declared first, so that COM is undone after the window is gone.
  TComInitialization com_;
  TUniqueWindow handle_;
  HWND mainForm_ = nullptr;
  HACCEL accelerators_ = nullptr;
  std::string title_;
  bool terminated_ = false;
};

extern TApplication Application;

// Runs a handler with the program's exception boundary: a C++ exception never
// unwinds through system code; it is shown in the error box and the program
// goes on.
template <typename F>
void GuardedCall(F&& handler) noexcept {
  try {
    handler();
  } catch (const std::exception& e) {
    Application.ShowException(e);
  } catch (...) {
    Application.ShowException(std::runtime_error("Unexpected error"));
  }
}

// Raises the framework's OLE error for a failing (negative) result code.
void OleCheck(HRESULT hr);

}  // namespace tarvo
