#include "app/Main.h"

#include <commctrl.h>

#include "app/About.h"
#include "app/ModuleScan.h"
#include "app/OsLine.h"
#include "app/RegistryDump.h"
#include "app/RemovalOffer.h"
#include "app/resource.h"
#include "framework/Application.h"
#include "framework/Controls.h"
#include "framework/Exceptions.h"
#include "framework/ModalLoop.h"
#include "framework/WindowProcedure.h"
#include "framework/TextRules.h"
#include "platform/ModuleFunction.h"
#include "support/PathSplit.h"
#include "support/UniquePidl.h"

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
  return ExcludeTrailingBackslash(dir);
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
  const auto isWow64Process = ModuleFunction<TIsWow64Process>(kernel, "IsWow64Process");
  const auto getWow64Directory =
      ModuleFunction<TGetSystemWow64Directory>(kernel, "GetSystemWow64DirectoryA");
  if (!isWow64Process || !getWow64Directory) return std::string();
  BOOL wow64 = FALSE;
  if (!isWow64Process(GetCurrentProcess(), &wow64) || !wow64) return std::string();
  char buffer[MAX_PATH] = {};
  const UINT length = getWow64Directory(buffer, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return std::string();
  return FolderForComparison(buffer);
}

TfrmMain::TfrmMain() {
  CreateForm();
  OleCheck(SHGetDesktopFolder(desktopFolder_.put()));
  watchedLibraries_ = WatchedLibraryNames();
  watchedPrograms_ = WatchedProgramNames();
  systemDirectory_ = SystemDirectoryForScan();
  wow64SystemDirectory_ = Wow64SystemDirectoryForScan();
  OpenLog();
}

// ---------------------------------------------------------------- the form

void TfrmMain::CreateForm() {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  RegisterControlClasses(instance);
  WNDCLASSA wc = {};
  if (!GetClassInfoA(instance, kFormClass, &wc)) {
    wc = {};
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = WindowProcedure<TfrmMain>;
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
  font_ = CreateFormFont(-11);
  boldFont_ = CreateFormFont(-11, FW_BOLD);

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
  // Status bar and memo take their places in LayoutControls.
  TControlArgs bar;
  bar.parent = hwnd;
  bar.className = STATUSCLASSNAMEA;
  bar.style = SBARS_SIZEGRIP;
  bar.font = font_.get();
  statusBar_ = CreateControl(bar);
  // One text, no panels: the bar runs in simple mode; its text is set with
  // SB_SETTEXTA and index 255.
  SendMessageA(statusBar_, SB_SIMPLE, TRUE, 0);

  TControlArgs memo;
  memo.parent = hwnd;
  memo.className = "EDIT";
  memo.style = WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL |
               ES_AUTOHSCROLL | ES_NOHIDESEL;
  memo.font = font_.get();
  mmoStatus_ = CreateControl(memo);
  // No limit beyond the system's own: a long run must not stop the memo.
  SendMessageA(mmoStatus_, EM_SETLIMITTEXT, 0, 0);

  RECT client;
  GetClientRect(hwnd, &client);
  // EXIT keeps the distance from the right edge that it has at first size.
  exitRightGap_ = client.right - kExitLeft - kButtonWidth;
  TControlArgs panel;
  panel.parent = hwnd;
  panel_ = CreatePanel(panel.At(0, 0, client.right, kPanelHeight));

  auto button = [this](int id, const char* caption, TGlyphKind glyph, int left) {
    TControlArgs args;
    args.parent = panel_;
    args.id = id;
    args.text = caption;
    args.font = boldFont_.get();
    return CreateSpeedButton(args.At(left, kButtonTop, kButtonWidth, kButtonHeight), glyph);
  };
  // One row a button, in the order they are made: id, caption, glyph, left edge.
  btnStop_ = button(IDC_STOP, "STOP", TGlyphKind::gkStop, 98);
  btnStart_ = button(IDC_START, "START", TGlyphKind::gkStart, 5);
  btnExit_ = button(IDC_EXIT, "EXIT", TGlyphKind::gkExit, kExitLeft);
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

LRESULT TfrmMain::HandleMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  // Until CreateWindowExA has returned, and while the window is destroyed,
  // the form has no controls: the system's defaults answer.
  if (!window_) return DefWindowProcA(hwnd, msg, wParam, lParam);
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

// ------------------------------------------------------------ the stages

void TfrmMain::ReportOSVersionLine() { ReportLine(FormatOSVersionLine(QueryOSVersion())); }

void TfrmMain::DumpRegistryKey(HKEY root, const std::string& keyPath) {
  tarvo::DumpRegistryKey(root, keyPath, [this](const std::string& line) { ReportLine(line); });
}

void TfrmMain::ScanFolder(LPCITEMIDLIST list) {
  TScanContext context;
  context.desktopFolder = desktopFolder_.get();
  context.owner = Application.Handle();
  context.statusBar = statusBar_;
  context.watchedLibraries = &watchedLibraries_;
  context.watchedPrograms = &watchedPrograms_;
  context.systemDirectory = systemDirectory_;
  context.wow64SystemDirectory = wow64SystemDirectory_;
  context.misplaced = &misplaced_;
  context.stopRequested = [this] { return stopFlag_; };
  context.processMessages = [] { Application.ProcessMessages(); };
  context.report = [this](const std::string& line) { ReportLine(line); };
  TModuleScan(context).ScanFolder(list);
}

void TfrmMain::OfferRemoval() {
  // The prompt and the shell's removal both process messages; the system's
  // end-of-session query, or a close sent to the disabled window, arriving
  // there must not open a second prompt for the same list over the first.
  if (offerRunning_) return;
  struct TRunning {
    bool& flag;
    explicit TRunning(bool& f) : flag(f) { flag = true; }
    ~TRunning() { flag = false; }
  } running(offerRunning_);
  OfferRemovalOf(misplaced_, Handle(), [this](const std::string& line) { ReportLine(line); });
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
