#include "Driver.h"

#include <commctrl.h>

#include <cstring>
#include <stdexcept>
#include <vector>

#include "TestEnv.h"

namespace tarvo::e2e {

namespace {

struct TFindContext {
  DWORD processId;
  const char* className;
  const char* caption;
  HWND found;
};

bool Matches(HWND window, const TFindContext& ctx) {
  if (ctx.processId) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != ctx.processId) return false;
  }
  char buffer[256] = {};
  if (ctx.className) {
    GetClassNameA(window, buffer, sizeof buffer);
    if (lstrcmpiA(buffer, ctx.className) != 0) return false;
  }
  if (ctx.caption) {
    GetWindowTextA(window, buffer, sizeof buffer);
    if (lstrcmpA(buffer, ctx.caption) != 0) return false;
  }
  return true;
}

BOOL CALLBACK FindTop(HWND window, LPARAM param) {
  auto* ctx = reinterpret_cast<TFindContext*>(param);
  if (IsWindowVisible(window) && Matches(window, *ctx)) {
    ctx->found = window;
    return FALSE;
  }
  return TRUE;
}

struct TChildContext {
  const char* className;
  int id;
  HWND found;
};

BOOL CALLBACK FindChildProc(HWND window, LPARAM param) {
  auto* ctx = reinterpret_cast<TChildContext*>(param);
  char buffer[256] = {};
  GetClassNameA(window, buffer, sizeof buffer);
  if (lstrcmpiA(buffer, ctx->className) == 0 && (ctx->id < 0 || GetDlgCtrlID(window) == ctx->id)) {
    ctx->found = window;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

HWND FindTopWindow(DWORD processId, const char* className, const char* caption) {
  TFindContext ctx{processId, className, caption, nullptr};
  EnumWindows(FindTop, reinterpret_cast<LPARAM>(&ctx));
  return ctx.found;
}

std::string WindowText(HWND window) {
  LRESULT length = SendMessageA(window, WM_GETTEXTLENGTH, 0, 0);
  std::vector<char> buffer(static_cast<size_t>(length) + 2);
  LRESULT got =
      SendMessageA(window, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()));
  return std::string(buffer.data(), static_cast<size_t>(got));
}

HWND FindChild(HWND parent, const char* className, int id) {
  TChildContext ctx{className, id, nullptr};
  EnumChildWindows(parent, FindChildProc, reinterpret_cast<LPARAM>(&ctx));
  return ctx.found;
}

void Click(HWND control) { PostMessageA(control, BM_CLICK, 0, 0); }

TTarvoProcess::TTarvoProcess(const std::string& folder) : folder_(folder) {
  RemoveTree(folder_);
  CreateDirectoryA(folder_.c_str(), nullptr);
  std::string target = folder_ + "\\Tarvo.exe";
  if (!CopyFileA(test::UnixPathFromEnv("TARVO_EXE").c_str(), target.c_str(), FALSE))
    throw std::runtime_error("cannot copy Tarvo.exe to " + target);
}

TTarvoProcess::~TTarvoProcess() { Kill(); }

bool TTarvoProcess::Start() {
  process_ = std::make_unique<test::TChildProcess>("\"" + folder_ + "\\Tarvo.exe\"", folder_);
  return process_->Started();
}

DWORD TTarvoProcess::ProcessId() const { return process_ ? process_->Id() : 0; }

HWND TTarvoProcess::MainWindow(milliseconds timeout) {
  HWND found = nullptr;
  WaitFor([&] { return (found = FindTopWindow(ProcessId(), "TfrmMain", nullptr)) != nullptr; },
          timeout);
  return found;
}

HWND TTarvoProcess::Memo() { return FindChild(MainWindow(), "Edit"); }

HWND TTarvoProcess::Button(int id) { return FindChild(MainWindow(), "TarvoSpeedButton", id); }

std::string TTarvoProcess::MemoText() {
  HWND memo = Memo();
  return memo ? WindowText(memo) : std::string();
}

std::string TTarvoProcess::StatusText() {
  HWND bar = FindChild(MainWindow(), "msctls_statusbar32");
  if (!bar) return {};
  // In simple mode the bar answers for its simple text as part 0.
  const size_t length = LOWORD(SendMessageA(bar, SB_GETTEXTLENGTHA, 0, 0));
  if (!process_) return {};
  HANDLE process = process_->Handle();
  void* remote = VirtualAllocEx(process, nullptr, length + 1, MEM_COMMIT, PAGE_READWRITE);
  if (!remote) return {};
  std::string text(length + 1, '\0');
  SIZE_T got = 0;
  SendMessageA(bar, SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(remote));
  if (!ReadProcessMemory(process, remote, &text[0], text.size(), &got)) got = 0;
  VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  text.resize(got);
  text.resize(std::strlen(text.c_str()));
  return text;
}

bool TTarvoProcess::WaitForMemoEnding(const std::string& tail, milliseconds timeout) {
  return WaitFor(
      [&] {
        std::string text = MemoText();
        return text.size() >= tail.size() &&
               text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
      },
      timeout);
}

HWND TTarvoProcess::WaitForDialog(const char* caption, milliseconds timeout) {
  HWND found = nullptr;
  WaitFor([&] { return (found = FindTopWindow(ProcessId(), "#32770", caption)) != nullptr; },
          timeout);
  return found;
}

bool TTarvoProcess::WaitForExit(milliseconds timeout) {
  return process_ && process_->Wait(static_cast<DWORD>(timeout.count()));
}

DWORD TTarvoProcess::ExitCode() { return process_ ? process_->ExitCode() : STILL_ACTIVE; }

void TTarvoProcess::Kill() {
  if (process_) process_->Kill();
}

}  // namespace tarvo::e2e
