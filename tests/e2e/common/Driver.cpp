#include "Driver.h"

#include <commctrl.h>

#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <vector>

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

std::wstring Wide(const std::string& text) {
  std::wstring wide(text.size(), L'\0');
  wide.resize(
      static_cast<size_t>(MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                              &wide[0], static_cast<int>(wide.size()))));
  return wide;
}

std::string ExeFromEnvironment() {
  const char* value = std::getenv("TARVO_EXE");
  if (!value || !*value) throw std::runtime_error("TARVO_EXE is not set");
  std::string path = "\\\\?\\unix";
  for (const char* p = value; *p; ++p) path += (*p == '/') ? '\\' : *p;
  return path;
}

}  // namespace

namespace {

// Wide, so that names outside this process's code page go too.
void RemoveTreeW(const std::wstring& folder) {
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = data.cFileName;
      if (name == L"." || name == L"..") continue;
      std::wstring path = folder + L"\\" + name;
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTreeW(path);
      } else {
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(path.c_str());
      }
    } while (FindNextFileW(find, &data));
    FindClose(find);
  }
  RemoveDirectoryW(folder.c_str());
}

}  // namespace

void RemoveTree(const std::string& folder) { RemoveTreeW(Wide(folder)); }

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

std::string ReadFileBytes(const std::string& path, bool* ok) {
  if (ok) *ok = false;
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return {};
  std::string bytes;
  char buffer[65536];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
  CloseHandle(file);
  if (ok) *ok = true;
  return bytes;
}

TTarvoProcess::TTarvoProcess(const std::string& folder, const std::wstring& exeName)
    : folder_(folder), exeName_(exeName) {
  RemoveTree(folder_);
  CreateDirectoryA(folder_.c_str(), nullptr);
  const std::wstring target = Wide(folder_) + L"\\" + exeName_;
  if (!CopyFileW(Wide(ExeFromEnvironment()).c_str(), target.c_str(), FALSE))
    throw std::runtime_error("cannot copy Tarvo.exe to " + folder_);
}

TTarvoProcess::~TTarvoProcess() {
  if (pi_.hProcess) {
    Kill();
    CloseHandle(pi_.hProcess);
    if (pi_.hThread) CloseHandle(pi_.hThread);
  }
}

bool TTarvoProcess::Start() {
  const std::wstring exe = Wide(folder_) + L"\\" + exeName_;
  std::wstring cmd = L"\"" + exe + L"\"";
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  return CreateProcessW(exe.c_str(), &cmd[0], nullptr, nullptr, FALSE, 0, nullptr,
                        Wide(folder_).c_str(), &si, &pi_) != FALSE;
}

bool TTarvoProcess::Adopt(DWORD processId) {
  pi_.hProcess = OpenProcess(PROCESS_ALL_ACCESS, FALSE, processId);
  if (!pi_.hProcess) return false;
  pi_.dwProcessId = processId;
  return true;
}

bool TTarvoProcess::Suspend() { return SuspendThread(pi_.hThread) != static_cast<DWORD>(-1); }

bool TTarvoProcess::Resume() { return ResumeThread(pi_.hThread) != static_cast<DWORD>(-1); }

std::wstring TTarvoProcess::ApplicationTitle() {
  HWND window = nullptr;
  while ((window = FindWindowExW(nullptr, window, L"TarvoApplication", nullptr)) != nullptr) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != pi_.dwProcessId) continue;
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    return text;
  }
  return {};
}

HWND TTarvoProcess::MainWindow(milliseconds timeout) {
  HWND found = nullptr;
  WaitFor([&] { return (found = FindTopWindow(pi_.dwProcessId, "TfrmMain", nullptr)) != nullptr; },
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
  void* remote = VirtualAllocEx(pi_.hProcess, nullptr, length + 1, MEM_COMMIT, PAGE_READWRITE);
  if (!remote) return {};
  std::string text(length + 1, '\0');
  SIZE_T got = 0;
  SendMessageA(bar, SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(remote));
  if (!ReadProcessMemory(pi_.hProcess, remote, &text[0], text.size(), &got)) got = 0;
  VirtualFreeEx(pi_.hProcess, remote, 0, MEM_RELEASE);
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
  WaitFor([&] { return (found = FindTopWindow(pi_.dwProcessId, "#32770", caption)) != nullptr; },
          timeout);
  return found;
}

bool TTarvoProcess::WaitForExit(milliseconds timeout) {
  return WaitForSingleObject(pi_.hProcess, static_cast<DWORD>(timeout.count())) == WAIT_OBJECT_0;
}

DWORD TTarvoProcess::ExitCode() {
  DWORD code = STILL_ACTIVE;
  GetExitCodeProcess(pi_.hProcess, &code);
  return code;
}

void TTarvoProcess::Kill() {
  if (pi_.hProcess && WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT) {
    TerminateProcess(pi_.hProcess, 1);
    WaitForSingleObject(pi_.hProcess, 5000);
  }
}

}  // namespace tarvo::e2e
