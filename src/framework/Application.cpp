#include "framework/Application.h"

#include <objbase.h>

#include "framework/Exceptions.h"
#include "framework/ModalLoop.h"
#include "framework/TextRules.h"

namespace tarvo {

TApplication Application;

namespace {

const char kAppWindowClass[] = "TarvoApplication";

// The locale's lower-casing, as the scan's upper-casing: letters beyond
// ASCII are lowered too, double-byte characters are treated whole.
void LowerCaseAnsi(char* text, std::size_t length) {
  CharLowerBuffA(text, static_cast<DWORD>(length));
}

LRESULT CALLBACK AppWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

}  // namespace

TApplication::TApplication() = default;

TApplication::~TApplication() {
  if (handle_) DestroyWindow(handle_);
  if (comInitialized_) CoUninitialize();
}

void TApplication::Initialize(HINSTANCE instance) {
  instance_ = instance;
  // S_FALSE (already initialised on this thread) still needs its matching
  // CoUninitialize; only a failure does not.
  comInitialized_ = SUCCEEDED(CoInitialize(nullptr));

  char path[MAX_PATH + 1] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  title_ = ApplicationTitleFromPath(path, &LowerCaseAnsi, &IsAnsiLeadByte);

  WNDCLASSA wc = {};
  wc.lpfnWndProc = AppWindowProc;
  wc.hInstance = instance;
  wc.lpszClassName = kAppWindowClass;
  RegisterClassA(&wc);
  // A hidden, unowned top-level window: owner of the error box and of the
  // windows the shell shows during enumeration.
  handle_ = CreateWindowExA(WS_EX_TOOLWINDOW, kAppWindowClass, title_.c_str(), WS_POPUP, 0, 0, 0,
                            0, nullptr, nullptr, instance, nullptr);
}

void TApplication::SetMainForm(HWND form, HACCEL accelerators) {
  if (!mainForm_) {
    mainForm_ = form;
    accelerators_ = accelerators;
  }
}

bool TApplication::TranslateAndDispatch(MSG& msg) {
  if (msg.message == WM_QUIT) {
    terminated_ = true;
    return false;
  }
  if (accelerators_ && mainForm_ &&
      (msg.hwnd == mainForm_ || IsChild(mainForm_, msg.hwnd)) &&
      TranslateAcceleratorA(mainForm_, accelerators_, &msg)) {
    return true;
  }
  TranslateMessage(&msg);
  DispatchMessageA(&msg);
  return true;
}

void TApplication::ProcessMessages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (!TranslateAndDispatch(msg)) break;
  }
}

void TApplication::HandleMessage() {
  MSG msg;
  BOOL got = GetMessageA(&msg, nullptr, 0, 0);
  if (got == -1) {
    terminated_ = true;
    return;
  }
  if (got == 0) {
    terminated_ = true;
    return;
  }
  TranslateAndDispatch(msg);
}

void TApplication::Run() {
  while (!terminated_) HandleMessage();
}

void TApplication::Terminate() { PostQuitMessage(0); }

void TApplication::ShowException(const std::exception& e) {
  std::string text = ErrorBoxText(e.what());
  // The box disables only its owner, the hidden application window; the
  // program's other windows must take no input either while it is up (a
  // STOP or close during an error box would run the removal offer or end
  // the program underneath it).
  HWND active = GetActiveWindow();
  TThreadWindowsDisabled others(handle_);
  MessageBoxA(handle_, text.c_str(), title_.c_str(), MB_OK | MB_ICONERROR);
  others.Restore();
  if (active && IsWindow(active) && IsWindowVisible(active)) SetActiveWindow(active);
}

void OleCheck(HRESULT hr) {
  if (hr >= 0) return;
  char* text = nullptr;
  DWORD len = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(hr), 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string message;
  if (len && text) {
    message.assign(text, len);
    // The system's texts end in a line break and often a full stop; the error
    // box adds its own full stop where one is missing.
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                                message.back() == ' ' || message.back() == '.'))
      message.pop_back();
  }
  if (text) LocalFree(text);
  if (message.empty()) message = EOleError::FallbackText(hr);
  throw EOleError(hr, message);
}

}  // namespace tarvo
