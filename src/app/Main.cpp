#include "app/Main.h"

#include <commctrl.h>

#include "app/About.h"
#include "app/RegistryDump.h"
#include "app/Removal.h"
#include "app/resource.h"
#include "framework/Application.h"
#include "framework/Controls.h"
#include "framework/Exceptions.h"
#include "framework/ModalLoop.h"
#include "framework/TextRules.h"
#include "platform/UniquePidl.h"

namespace tarvo {

namespace {

const char kFormClass[] = "TfrmMain";
const char kCaption[] = "Tarvo";
constexpr int kFormWidth = 483;
constexpr int kFormHeight = 332;
constexpr int kPanelHeight = 40;
constexpr int kButtonWidth = 88;
constexpr int kButtonHeight = 33;
constexpr int kButtonTop = 3;
constexpr int kExitLeft = 380;
// Posted on the first activation: the first run starts once the activation
// itself is over.
constexpr UINT WM_FIRSTACTIVATE = WM_APP + 1;

HFONT MakeFont(int weight) {
  return CreateFontA(-11, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                     CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                     "MS Sans Serif");
}

}  // namespace

TStrings WatchedLibraryNames() {
  return {"VARNOKE32.DLL", "TELMIRA32.DLL", "QOZEL32.DLL",   "PRUDAN32.DLL",
          "LUNDRAVE.DLL",  "KESTRAL32.DLL", "MOLTAQ32.DLL",  "FENDRO32.DLL",
          "GRAVUNE32.DLL", "HOSKEN32.DLL",  "VQ32W.DLL"};
}

TStrings WatchedProgramNames() {
  return {"PARDEX.EXE", "TORVALIN.EXE", "MARQUELL.EXE", "DELFANOR.EXE", "NOLVER.EXE"};
}

namespace {

std::string FolderForComparison(const char* buffer) {
  std::string dir(buffer);
  if (!dir.empty()) CharUpperBuffA(&dir[0], static_cast<DWORD>(dir.size()));
  if (!dir.empty() && dir.back() == '\\') dir.pop_back();
  return dir;
}

}  // namespace

std::string SystemDirectoryForScan() {
  char buffer[MAX_PATH] = {};
  // The result is not examined: a failure leaves the text empty.
  GetSystemDirectoryA(buffer, MAX_PATH);
  return FolderForComparison(buffer);
}

std::string Wow64SystemDirectoryForScan() {
  // Both calls exist from XP on; looked up so the program still starts on
  // Windows 95 to 2000, where there is no WoW64.
  using TIsWow64Process = BOOL(WINAPI*)(HANDLE, PBOOL);
  using TGetSystemWow64Directory = UINT(WINAPI*)(LPSTR, UINT);
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  if (!kernel) return std::string();
  auto isWow64Process = reinterpret_cast<TIsWow64Process>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "IsWow64Process")));
  auto getWow64Directory = reinterpret_cast<TGetSystemWow64Directory>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "GetSystemWow64DirectoryA")));
  BOOL wow64 = FALSE;
  if (!isWow64Process || !getWow64Directory) return std::string();
  if (!isWow64Process(GetCurrentProcess(), &wow64) || !wow64) return std::string();
  char buffer[MAX_PATH] = {};
  const UINT length = getWow64Directory(buffer, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return std::string();
  return FolderForComparison(buffer);
}

TfrmMain::TfrmMain() {
  CreateForm();
  OleCheck(SHGetDesktopFolder(desktopFolder_.put()));
  stopFlag_ = false;
  watchedLibraries_ = WatchedLibraryNames();
  watchedPrograms_ = WatchedProgramNames();
  misplaced_.clear();
  systemDirectory_ = SystemDirectoryForScan();
  wow64SystemDirectory_ = Wow64SystemDirectoryForScan();
  OpenLog();
}

TfrmMain::~TfrmMain() {
  logStream_.reset();
  systemDirectory_.clear();
  misplaced_.clear();
  watchedPrograms_.clear();
  watchedLibraries_.clear();
  window_.reset();  // takes its menu and controls with it
}

// ---------------------------------------------------------------- the form

void TfrmMain::CreateForm() {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  RegisterControlClasses(instance);
  WNDCLASSA wc = {};
  if (!GetClassInfoA(instance, kFormClass, &wc)) {
    wc = {};
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_TARVO));
    if (!wc.hIcon) wc.hIcon = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kFormClass;
    RegisterClassA(&wc);
  }
  mainMenu_ = LoadMenuA(instance, MAKEINTRESOURCEA(IDR_MAINMENU));
  accelerators_ = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDR_ACCELERATORS));
  font_.reset(MakeFont(FW_NORMAL));
  boldFont_.reset(MakeFont(FW_BOLD));

  // Created hidden; Show() centres and shows it.
  HWND hwnd = CreateWindowExA(WS_EX_APPWINDOW, kFormClass, kCaption,
                              WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT, CW_USEDEFAULT,
                              kFormWidth, kFormHeight, nullptr, mainMenu_, instance, this);
  if (!hwnd) throw EError("Cannot create the main window");
  window_.reset(hwnd);
  CreateControls();
  LayoutControls();
  Application.SetMainForm(hwnd, accelerators_);
}

void TfrmMain::CreateControls() {
  HWND hwnd = window_.get();
  HINSTANCE instance = GetModuleHandleA(nullptr);
  HFONT bold = static_cast<HFONT>(boldFont_.get());
  statusBar_ = CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0,
                               0, 0, 0, hwnd, nullptr, instance, nullptr);
  // One text, no panels: the bar runs in simple mode; its text is set with
  // SB_SETTEXTA and index 255.
  SendMessageA(statusBar_, SB_SIMPLE, TRUE, 0);
  SendMessageA(statusBar_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);

  mmoStatus_ = CreateWindowExA(
      0, "EDIT", "",
      WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_READONLY |
          ES_AUTOVSCROLL | ES_AUTOHSCROLL | ES_NOHIDESEL,
      0, 0, 0, 0, hwnd, nullptr, instance, nullptr);
  SendMessageA(mmoStatus_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
  // No limit beyond the system's own: a long run must not stop the memo.
  SendMessageA(mmoStatus_, EM_SETLIMITTEXT, 0, 0);

  RECT client;
  GetClientRect(hwnd, &client);
  // EXIT keeps the distance from the right edge that it has at first size.
  exitRightGap_ = client.right - kExitLeft - kButtonWidth;
  panel_ = CreatePanel(hwnd, RECT{0, 0, client.right, kPanelHeight});
  auto at = [](int left) {
    return RECT{left, kButtonTop, left + kButtonWidth, kButtonTop + kButtonHeight};
  };
  btnStop_ = CreateSpeedButton(panel_, IDC_STOP, "STOP", TGlyphKind::gkStop, at(98), bold);
  btnStart_ = CreateSpeedButton(panel_, IDC_START, "START", TGlyphKind::gkStart, at(5), bold);
  btnExit_ = CreateSpeedButton(panel_, IDC_EXIT, "EXIT", TGlyphKind::gkExit, at(kExitLeft), bold);
}

void TfrmMain::LayoutControls() {
  RECT client;
  GetClientRect(window_.get(), &client);
  int width = client.right;
  SendMessageA(statusBar_, WM_SIZE, 0, 0);
  RECT bar;
  GetWindowRect(statusBar_, &bar);
  int barHeight = bar.bottom - bar.top;
  MoveWindow(panel_, 0, 0, width, kPanelHeight, TRUE);
  MoveWindow(btnExit_, width - exitRightGap_ - kButtonWidth, kButtonTop, kButtonWidth,
             kButtonHeight, TRUE);
  int memoHeight = client.bottom - kPanelHeight - barHeight;
  MoveWindow(mmoStatus_, 0, kPanelHeight, width, memoHeight > 0 ? memoHeight : 0, TRUE);
}

void TfrmMain::Show() {
  CenterOnScreen(window_.get());
  ShowWindow(window_.get(), SW_SHOWNORMAL);
  UpdateWindow(window_.get());
  SetFocus(mmoStatus_);
}

void TfrmMain::Close() {
  if (!Form_OnCloseQuery()) return;
  // The window stays on screen until the loop sees the quit message; a run
  // still unwinding finishes first.
  if (Application.MainForm() == window_.get()) {
    Application.Terminate();
  } else {
    ShowWindow(window_.get(), SW_HIDE);
  }
}

LRESULT CALLBACK TfrmMain::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCCREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCTA*>(lParam);
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
  }
  auto* form = reinterpret_cast<TfrmMain*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (msg == WM_NCDESTROY) SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
  if (!form || !form->window_) return DefWindowProcA(hwnd, msg, wParam, lParam);
  LRESULT result = 0;
  bool handled = false;
  GuardedCall([&] {
    result = form->HandleMessage(msg, wParam, lParam);
    handled = true;
  });
  return handled ? result : 0;
}

LRESULT TfrmMain::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  HWND hwnd = window_.get();
  switch (msg) {
    case WM_SIZE:
      LayoutControls();
      return 0;
    case WM_GETMINMAXINFO: {
      auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
      info->ptMinTrackSize.x = kFormWidth;
      info->ptMinTrackSize.y = kFormHeight;
      return 0;
    }
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE) {
        SetFocus(mmoStatus_);
        if (!activated_) {
          activated_ = true;
          PostMessageA(hwnd, WM_FIRSTACTIVATE, 0, 0);
        }
      }
      return 0;
    case WM_SETFOCUS:
      SetFocus(mmoStatus_);
      return 0;
    case WM_FIRSTACTIVATE:
      Form_OnActivate();
      return 0;
    case WM_COMMAND:
      OnCommand(LOWORD(wParam));
      return 0;
    case WM_CTLCOLORSTATIC:
      // The read-only memo keeps the window colour of an editable one.
      if (reinterpret_cast<HWND>(lParam) == mmoStatus_) {
        HDC dc = reinterpret_cast<HDC>(wParam);
        SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
        SetBkColor(dc, GetSysColor(COLOR_WINDOW));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
      }
      break;
    case WM_CLOSE:
      Close();
      return 0;
    case WM_QUERYENDSESSION:
      // The close query as for any close. Asked while the removal prompt is
      // up, it makes no second offer and allows the end: the prompt stays
      // unanswered until the system ends the program, so nothing is removed
      // and no line is written for it.
      return Form_OnCloseQuery() ? TRUE : FALSE;
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

void TfrmMain::OnCommand(int id) {
  switch (id) {
    case IDC_START:
      btnStart_OnClick();
      break;
    case IDC_STOP:
      btnStop_OnClick();
      break;
    case IDC_EXIT:
    case IDM_EXIT:
      mnuExit_OnClick();
      break;
    case IDM_ABOUT:
      mnuAbout_OnClick();
      break;
  }
}

// ------------------------------------------------------------ the handlers

void TfrmMain::Form_OnActivate() {
  Application.ProcessMessages();
  PerformRun();
}

void TfrmMain::btnStart_OnClick() { PerformRun(); }

void TfrmMain::btnStop_OnClick() { StopAction(); }

bool TfrmMain::Form_OnCloseQuery() {
  StopAction();
  return true;
}

void TfrmMain::mnuExit_OnClick() { Close(); }

void TfrmMain::mnuAbout_OnClick() {
  TAboutBox box(window_.get());
  AboutBox = &box;
  box.ShowModal();
  // The dialog is gone with `box`; the global must not keep pointing at it.
  AboutBox = nullptr;
}

// ----------------------------------------------------------------- the run

void TfrmMain::PerformRun() {
  ReportDateTime();
  ClearMemo();
  stopFlag_ = false;
  SetRunningButtons(true);
  misplaced_.clear();
  ReportOSVersionLine();
  ReportLine("Registry Entries:");
  for (const TRegistryKeyEntry& entry : RegistryKeyList()) {
    DumpRegistryKey(entry.root, entry.keyPath);
  }
  // The module scan of My Computer.
  {
    TUniquePidl drives;
    // The result is not examined: without a list the scan's bind fails and
    // the run ends with that error.
    SHGetSpecialFolderLocation(Application.Handle(), CSIDL_DRIVES, drives.put());
    ScanFolder(drives.get());
  }
  SetRunningButtons(false);
  OfferRemoval();
  ReportLine("Finished");
}

void TfrmMain::StopAction() {
  stopFlag_ = true;
  SetRunningButtons(false);
  OfferRemoval();
}

void TfrmMain::SetRunningButtons(bool running) {
  EnableWindow(btnStart_, running ? FALSE : TRUE);
  EnableWindow(btnStop_, running ? TRUE : FALSE);
}

void TfrmMain::ReportDateTime() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  // Asked afresh on every run, so a change of the user's settings shows at once.
  char date[256] = {};
  char time[256] = {};
  GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &now, nullptr, date, sizeof date);
  GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &now, nullptr, time, sizeof time);
  ReportLine(DateTimeLine(date, time, now.wHour, now.wMinute, now.wSecond));
}

// ------------------------------------------------------------- the report

void TfrmMain::OpenLog() {
  char exe[MAX_PATH + 1] = {};
  DWORD len = GetModuleFileNameA(nullptr, exe, MAX_PATH);
  // In a double-byte code page the second byte of a character in the
  // program's name may be 0x5C: only a real backslash ends the folder.
  logPath_ = ExtractFilePath(std::string(exe, len), &IsAnsiLeadByte) + "Tarvo.log";
  DeleteFileA(logPath_.c_str());
  logStream_.reset(CreateFileA(logPath_.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                               CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!logStream_) throw EFCreateError::ForFile(logPath_);
}

void TfrmMain::ClearMemo() {
  SetWindowTextA(mmoStatus_, "");
  memoLines_ = 0;
}

void TfrmMain::ReportLine(const std::string& text) {
  // The memo first; whatever it can or cannot take, the log gets the line.
  std::string shown = memoLines_ > 0 ? "\r\n" + text : text;
  int end = GetWindowTextLengthA(mmoStatus_);
  SendMessageA(mmoStatus_, EM_SETSEL, end, end);
  SendMessageA(mmoStatus_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(shown.c_str()));
  ++memoLines_;

  std::string line = text + "\r\n";
  DWORD written = 0;
  // A failed or short write is silent; the run goes on.
  WriteFile(logStream_.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

}  // namespace tarvo
