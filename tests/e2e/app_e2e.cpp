// The real Tarvo.exe, started in a folder of its own and driven through its
// windows from this process: the start-up run, the log beside the program,
// START, STOP and closing in the middle of a run, a START queued behind STOP,
// the About dialog, the ways to close the window and the end of the session,
// a log that cannot be created, and a program name in a double-byte code page.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/Driver.h"
#include "scan_tree.h"

using namespace tarvo::e2e;
using tarvo::test::FixturePath;
using tarvo::test::RunUnix;
using tarvo::test::TPlantedTree;

namespace {

constexpr int kStart = 1101;
constexpr int kStop = 1102;
constexpr int kExit = 1103;
constexpr int kMenuExit = 1001;
constexpr int kMenuAbout = 1002;

using TLines = std::vector<std::string>;

TLines SplitCrLf(const std::string& text) {
  TLines lines;
  size_t at = 0;
  for (size_t end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2)
    lines.push_back(text.substr(at, end - at));
  if (at < text.size()) lines.push_back(text.substr(at));
  return lines;
}

int Count(const TLines& lines, const std::string& line) {
  int n = 0;
  for (const auto& l : lines) n += (l == line);
  return n;
}

size_t IndexOf(const TLines& lines, const std::string& line, size_t from = 0) {
  for (size_t i = from; i < lines.size(); ++i)
    if (lines[i] == line) return i;
  return std::string::npos;
}

bool Contains(const TLines& lines, const std::string& line) {
  return IndexOf(lines, line) != std::string::npos;
}

std::string ShortDate(int daysBack) {
  SYSTEMTIME now;
  GetLocalTime(&now);
  FILETIME ft;
  SystemTimeToFileTime(&now, &ft);
  ULARGE_INTEGER t{{ft.dwLowDateTime, ft.dwHighDateTime}};
  t.QuadPart -= static_cast<ULONGLONG>(daysBack) * 24 * 3600 * 10000000ULL;
  ft = {t.LowPart, t.HighPart};
  FileTimeToSystemTime(&ft, &now);
  char text[128] = {};
  GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &now, nullptr, text, sizeof text);
  return text;
}

// A run's first line: today's short date in the user's format (yesterday's
// when the run straddled midnight), then the time.
bool IsTimestampLine(const std::string& line) {
  for (int back : {0, 1}) {
    std::string date = ShortDate(back);
    if (line.compare(0, date.size(), date) == 0) return true;
  }
  return false;
}

// The texts of every static control of a dialog.
TLines StaticTexts(HWND dialog) {
  TLines texts;
  HWND label = nullptr;
  while ((label = FindWindowExA(dialog, label, "Static", nullptr)) != nullptr) {
    std::string text = WindowText(label);
    if (!text.empty()) texts.push_back(text);
  }
  return texts;
}

// What a click on a dialog's push button sends its dialog.
void Press(HWND dialog, int id) {
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void Command(HWND window, int id) { PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, 0), 0); }

TLines MemoLines(TTarvoProcess& app) { return SplitCrLf(app.MemoText()); }

bool MemoHas(TTarvoProcess& app, const std::string& line,
             milliseconds timeout = milliseconds(120000)) {
  return WaitFor([&] { return Contains(MemoLines(app), line); }, timeout);
}

bool RunEnded(TTarvoProcess& app, milliseconds timeout = milliseconds(120000)) {
  return WaitFor(
      [&] {
        TLines lines = MemoLines(app);
        return !lines.empty() && lines.back() == "Finished";
      },
      timeout);
}

// The log, read after the program has ended (while it runs, nobody may open it).
TLines LogLines(TTarvoProcess& app, std::string* raw = nullptr) {
  bool ok = false;
  std::string bytes = ReadFileBytes(app.LogPath(), &ok);
  EXPECT_TRUE(ok) << app.LogPath();
  if (raw) *raw = bytes;
  return SplitCrLf(bytes);
}

// A deep tree on D:, scanned after everything on C:, so that a run that just
// reported a file on C: is still some seconds from its end: 40 folders of 40
// empty folders, with a watched program in the tree's root and in each of
// the 40.
class TSlowDrive {
public:
  TSlowDrive() : tree_('d', "e2e-slow") {
    // One shell call per 40 folders; the script runs inside double quotes.
    tree_.Sh("cd '" + tree_.Unix() +
             "' && for a in $(seq 1 40); do mkdir -p $(seq -f $a/%g 1 40); done");
    tree_.Plant("PARDEX.EXE", "PARDEX.EXE");
    for (int a = 1; a <= 40; ++a) tree_.Plant("PARDEX.EXE", std::to_string(a) + "\\PARDEX.EXE");
  }
  const std::string& Root() const { return tree_.Windows(); }
  // The report line of the watched program in a folder of the tree ("" for its root).
  std::string Line(const std::string& folder) const {
    return (folder.empty() ? Root() : tree_.Win(folder)) + "\\PARDEX.EXE - 3.0.1.7";
  }

private:
  TPlantedTree tree_;
};

// A program folder on C: with a misplaced copy of a watched library in it.
struct TStrayInstall {
  explicit TStrayInstall(const std::string& folder) : app(folder) {
    CreateDirectoryA((folder + "\\stray").c_str(), nullptr);
    stray = folder + "\\stray\\VQ32W.DLL";
    EXPECT_TRUE(CopyFileA(FixturePath("VQ32W.DLL").c_str(), stray.c_str(), FALSE));
  }
  ~TStrayInstall() {
    app.Kill();
    RemoveTree(app.Folder());
  }
  TTarvoProcess app;
  std::string stray;
};

bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

struct TDialogCount {
  DWORD pid;
  const char* caption;
  int n;
};

BOOL CALLBACK CountDialog(HWND window, LPARAM param) {
  auto* c = reinterpret_cast<TDialogCount*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  char cls[64] = {}, text[256] = {};
  GetClassNameA(window, cls, sizeof cls);
  GetWindowTextA(window, text, sizeof text);
  c->n += pid == c->pid && IsWindowVisible(window) && lstrcmpA(cls, "#32770") == 0 &&
          lstrcmpA(text, c->caption) == 0;
  return TRUE;
}

// How many dialogs with this caption the program shows now.
int DialogCount(TTarvoProcess& app, const char* caption) {
  TDialogCount count{app.ProcessId(), caption, 0};
  EnumWindows(CountDialog, reinterpret_cast<LPARAM>(&count));
  return count.n;
}

std::wstring WideText(HWND window) {
  wchar_t text[256] = {};
  GetWindowTextW(window, text, 256);
  return text;
}

TEST(App, StartUpRunsAndLogsAboutDoesNotRunStartRunsAgainCtrlQCloses) {
  TTarvoProcess app("C:\\e2e-main");
  // What an earlier start left behind is gone after this start.
  {
    HANDLE old =
        CreateFileA(app.LogPath().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(old, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(old, "earlier start\r\n", 15, &written, nullptr);
    CloseHandle(old);
  }
  ASSERT_TRUE(app.Start());
  HWND main = app.MainWindow();
  ASSERT_TRUE(main);
  EXPECT_EQ(WindowText(main), "Tarvo");

  // The first run starts by itself and ends with both buttons back to idle.
  ASSERT_TRUE(RunEnded(app)) << app.MemoText();
  TLines first = MemoLines(app);
  ASSERT_GE(first.size(), 3u);
  EXPECT_FALSE(IsTimestampLine(first[0])) << "the memo is cleared after the timestamp line";
  EXPECT_EQ(first[1], "Registry Entries:");
  EXPECT_TRUE(IsWindowEnabled(app.Button(kStart)));
  EXPECT_FALSE(IsWindowEnabled(app.Button(kStop)));
  EXPECT_TRUE(IsWindowEnabled(app.Button(kExit)));

  // Nobody else may open the log while the program runs.
  HANDLE probe =
      CreateFileA(app.LogPath().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                  OPEN_EXISTING, 0, nullptr);
  EXPECT_EQ(probe, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  if (probe != INVALID_HANDLE_VALUE) CloseHandle(probe);

  // About! shows the About dialog; closing it starts no run.
  Command(main, kMenuAbout);
  HWND about = app.WaitForDialog("About");
  ASSERT_TRUE(about);
  TLines aboutTexts = StaticTexts(about);
  EXPECT_TRUE(Contains(aboutTexts, "Tarvo"));
  EXPECT_TRUE(Contains(aboutTexts, "1.1"));
  EXPECT_FALSE(IsWindowEnabled(main)) << "the About dialog is modal";
  Press(about, IDOK);
  ASSERT_TRUE(WaitFor([&] { return !IsWindow(about) || !IsWindowVisible(about); }));
  Sleep(1500);
  EXPECT_EQ(MemoLines(app), first);

  // START: a second run; the memo holds only that run.
  Click(app.Button(kStart));
  ASSERT_TRUE(WaitFor([&] { return MemoLines(app) != first; }));
  ASSERT_TRUE(RunEnded(app)) << app.MemoText();
  TLines second = MemoLines(app);
  EXPECT_EQ(Count(second, "Registry Entries:"), 1);
  EXPECT_EQ(Count(second, "Finished"), 1);

  // Ctrl+Q closes the window, typed as a user would.
  SetForegroundWindow(main);
  ASSERT_TRUE(WaitFor([&] { return GetForegroundWindow() == main; }, milliseconds(5000)));
  INPUT keys[4] = {};
  for (INPUT& k : keys) k.type = INPUT_KEYBOARD;
  keys[0].ki.wVk = VK_CONTROL;
  keys[1].ki.wVk = 'Q';
  keys[2].ki.wVk = 'Q';
  keys[2].ki.dwFlags = KEYEVENTF_KEYUP;
  keys[3].ki.wVk = VK_CONTROL;
  keys[3].ki.dwFlags = KEYEVENTF_KEYUP;
  ASSERT_EQ(SendInput(4, keys, sizeof(INPUT)), 4u);
  ASSERT_TRUE(app.WaitForExit());

  // The log: both runs, each from its timestamp line to "Finished", every
  // line closed by CR LF, nothing of the earlier start.
  std::string raw;
  TLines log = LogLines(app, &raw);
  const std::string ending = "Finished\r\n";
  ASSERT_GE(raw.size(), ending.size());
  EXPECT_EQ(raw.substr(raw.size() - ending.size()), ending);
  EXPECT_EQ(raw.find("earlier start"), std::string::npos);
  size_t bareLf = 0;
  for (size_t i = 0; i < raw.size(); ++i)
    bareLf += raw[i] == '\n' && (i == 0 || raw[i - 1] != '\r');
  EXPECT_EQ(bareLf, 0u);
  ASSERT_EQ(Count(log, "Finished"), 2);
  size_t end1 = IndexOf(log, "Finished");
  ASSERT_TRUE(IsTimestampLine(log[0])) << log[0];
  ASSERT_TRUE(IsTimestampLine(log[end1 + 1])) << log[end1 + 1];
  EXPECT_EQ(TLines(log.begin() + 1, log.begin() + end1 + 1), first);
  EXPECT_EQ(TLines(log.begin() + end1 + 2, log.end()), second);
}

TEST(App, LogThatCannotBeCreatedEndsTheProgramWithoutItsWindow) {
  TTarvoProcess app("C:\\e2e-locked");
  // Another program holds the log open and shares it with nobody.
  HANDLE held = CreateFileA(app.LogPath().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                            CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  ASSERT_TRUE(app.Start());
  HWND box = app.WaitForDialog("Tarvo");
  ASSERT_TRUE(box);
  EXPECT_TRUE(Contains(StaticTexts(box), "Cannot create file C:\\e2e-locked\\Tarvo.log."))
      << testing::PrintToString(StaticTexts(box));
  EXPECT_FALSE(FindTopWindow(app.ProcessId(), "TfrmMain", nullptr)) << "the window is never shown";
  Press(box, IDOK);
  EXPECT_TRUE(app.WaitForExit());
  CloseHandle(held);
  RemoveTree(app.Folder());
}

TEST(App, StopDuringTheScanOffersAtOnceAndTheRunStillEnds) {
  TSlowDrive slow;
  TStrayInstall install("C:\\e2e-stop");
  TTarvoProcess& app = install.app;
  const std::string found = install.stray + " - 5.1.2600.0";
  ASSERT_TRUE(app.Start());
  const std::string slowRoot = slow.Root() + "\\";
  ASSERT_TRUE(WaitFor([&] { return app.StatusText().compare(0, slowRoot.size(), slowRoot) == 0; },
                      milliseconds(120000)))
      << app.StatusText();

  // STOP: the offer comes while the scan is suspended, buttons already idle.
  Click(app.Button(kStop));
  HWND offer = app.WaitForDialog("Error");
  ASSERT_TRUE(offer);
  EXPECT_TRUE(IsWindowEnabled(app.Button(kStart)));
  EXPECT_FALSE(IsWindowEnabled(app.Button(kStop)));
  const TLines atStop = MemoLines(app);
  EXPECT_TRUE(Contains(atStop, found));
  EXPECT_FALSE(Contains(atStop, "Finished"));
  // The folder the scan stopped in, and the one of the 40 it lies in: their
  // files not yet reported are what the unwinding scan still reports, the
  // inner folder first as it climbs back.
  const std::string stoppedIn = app.StatusText();
  ASSERT_EQ(stoppedIn.compare(0, slowRoot.size(), slowRoot), 0) << stoppedIn;
  const std::string inner = stoppedIn.substr(slowRoot.size());
  TLines expected;
  for (const std::string& folder : {inner.substr(0, inner.find('\\')), std::string()})
    if (!Contains(atStop, slow.Line(folder))) expected.push_back(slow.Line(folder));
  Press(offer, IDNO);
  ASSERT_TRUE(MemoHas(app, "Misplaced DLLs not removed"));
  ASSERT_TRUE(WaitFor([&] { return !IsWindow(offer); }));

  // The run winds down and offers the same path again; Yes moves it to the trash.
  HWND again = app.WaitForDialog("Error", milliseconds(120000));
  ASSERT_TRUE(again);
  Press(again, IDYES);
  ASSERT_TRUE(RunEnded(app)) << app.MemoText();
  TLines memo = MemoLines(app);
  size_t declined = IndexOf(memo, "Misplaced DLLs not removed");
  size_t removed = IndexOf(memo, "Removed Files:");
  ASSERT_NE(removed, std::string::npos) << app.MemoText();
  ASSERT_LT(declined, removed);
  EXPECT_EQ(TLines(memo.begin(), memo.begin() + declined), atStop);
  // Nothing from a folder the scan had not entered by then.
  EXPECT_EQ(TLines(memo.begin() + declined + 1, memo.begin() + removed), expected) << stoppedIn;
  EXPECT_EQ(TLines(memo.begin() + removed, memo.end()),
            (TLines{"Removed Files:", install.stray, "Finished"}));
  EXPECT_FALSE(Exists(install.stray));
  const char* root = std::getenv("TARVO_WINE_ROOT");
  ASSERT_TRUE(root);
  const std::string trash = std::string(root) + "/home/.local/share/Trash";
  EXPECT_EQ(RunUnix("test -f '" + trash + "/files/VQ32W.DLL'"), 0);

  // Nothing is left to offer: File > Exit closes without a question.
  Command(app.MainWindow(), kMenuExit);
  ASSERT_TRUE(app.WaitForExit());
  TLines log = LogLines(app);
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(TLines(log.begin() + 1, log.end()), memo);
  RunUnix("rm -f '" + trash + "/files/VQ32W.DLL' '" + trash + "/info/VQ32W.DLL.trashinfo'");
}

TEST(App, ClosingDuringTheRunOffersThenFinishesBeforeTheProgramEnds) {
  TSlowDrive slow;
  TStrayInstall install("C:\\e2e-close");
  TTarvoProcess& app = install.app;
  ASSERT_TRUE(app.Start());
  ASSERT_TRUE(MemoHas(app, install.stray + " - 5.1.2600.0")) << app.MemoText();

  // EXIT in the middle of the scan: the offer first, declined.
  Click(app.Button(kExit));
  HWND offer = app.WaitForDialog("Error");
  ASSERT_TRUE(offer);
  Press(offer, IDNO);
  // The interrupted run's own offer closes by itself: the program is ending.
  ASSERT_TRUE(app.WaitForExit(milliseconds(120000)));
  std::string raw;
  TLines log = LogLines(app, &raw);
  EXPECT_EQ(Count(log, "Misplaced DLLs not removed"), 2) << raw;
  ASSERT_GE(log.size(), 2u);
  EXPECT_EQ(log[log.size() - 2], "Misplaced DLLs not removed");
  EXPECT_EQ(log.back(), "Finished");
  EXPECT_TRUE(Exists(install.stray));
}

TEST(App, EndOfSessionNeverOpensASecondPromptIdleQueryAndCloseAskAgain) {
  TStrayInstall install("C:\\e2e-idle");
  TTarvoProcess& app = install.app;
  ASSERT_TRUE(app.Start());
  HWND offer = app.WaitForDialog("Error", milliseconds(120000));
  ASSERT_TRUE(offer);
  // Log-off asked while the run's own prompt is up: the end is allowed at
  // once, and no second prompt for the same path opens over the first.
  DWORD_PTR allowed = FALSE;
  ASSERT_TRUE(SendMessageTimeoutA(app.MainWindow(), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF,
                                  SMTO_NORMAL, 10000, &allowed))
      << "the query did not return while the prompt was up";
  EXPECT_EQ(allowed, static_cast<DWORD_PTR>(TRUE));
  EXPECT_EQ(DialogCount(app, "Error"), 1);
  Press(offer, IDNO);
  ASSERT_TRUE(RunEnded(app)) << app.MemoText();
  ASSERT_TRUE(WaitFor([&] { return !IsWindow(offer); }));

  // Idle, the same query makes the offer as every close does, declined; the
  // window stays until the session really ends.
  PostMessageA(app.MainWindow(), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF);
  HWND asked = app.WaitForDialog("Error");
  ASSERT_TRUE(asked);
  Press(asked, IDNO);
  ASSERT_TRUE(WaitFor([&] { return !IsWindow(asked); }));
  EXPECT_TRUE(app.MainWindow(milliseconds(0)));

  // The close box: the same question for the same path, declined again.
  PostMessageA(app.MainWindow(), WM_SYSCOMMAND, SC_CLOSE, 0);
  HWND again = app.WaitForDialog("Error");
  ASSERT_TRUE(again);
  Press(again, IDNO);
  ASSERT_TRUE(app.WaitForExit());
  TLines log = LogLines(app);
  ASSERT_GE(log.size(), 4u);
  EXPECT_EQ(TLines(log.end() - 4, log.end()),
            (TLines{"Misplaced DLLs not removed", "Finished", "Misplaced DLLs not removed",
                    "Misplaced DLLs not removed"}));
  EXPECT_TRUE(Exists(install.stray));
}

TEST(App, StartQueuedBehindStopRunsANestedRunThenTheInterruptedScanCarriesOn) {
  TSlowDrive slow;
  TTarvoProcess app("C:\\e2e-nested");
  ASSERT_TRUE(app.Start());
  const std::string slowRoot = slow.Root() + "\\";
  ASSERT_TRUE(WaitFor([&] { return app.StatusText().compare(0, slowRoot.size(), slowRoot) == 0; },
                      milliseconds(120000)))
      << app.StatusText();
  // STOP, and START behind it, both waiting when the scan next looks.
  ASSERT_TRUE(app.Suspend());
  Click(app.Button(kStop));
  Click(app.Button(kStart));
  ASSERT_TRUE(app.Resume());
  ASSERT_TRUE(WaitFor([&] { return Count(MemoLines(app), "Finished") == 2; }, milliseconds(300000)))
      << app.MemoText();
  const TLines memo = MemoLines(app);
  Command(app.MainWindow(), kMenuExit);
  ASSERT_TRUE(app.WaitForExit());

  // The log: the interrupted run up to the stop; the nested run whole, from
  // its timestamp to its "Finished"; then the interrupted run's scan going on
  // where it was, to its own "Finished".
  const TLines log = LogLines(app);
  ASSERT_FALSE(log.empty());
  ASSERT_TRUE(IsTimestampLine(log[0])) << log[0];
  size_t nested = 1;
  while (nested < log.size() && !IsTimestampLine(log[nested])) ++nested;
  ASSERT_LT(nested, log.size()) << "no second run";
  const size_t finished = IndexOf(log, "Finished");
  ASSERT_LT(nested, finished);
  EXPECT_EQ(Count(log, "Finished"), 2);
  EXPECT_EQ(log.back(), "Finished");
  EXPECT_EQ(Count(log, "Registry Entries:"), 2);
  EXPECT_EQ(IndexOf(log, "Registry Entries:", nested), nested + 2);
  EXPECT_EQ(TLines(log.begin() + nested + 1, log.end()), memo) << "the memo is the nested run's";

  const TLines before(log.begin() + 1, log.begin() + nested);
  const TLines inner(log.begin() + nested + 1, log.begin() + finished + 1);
  const TLines after(log.begin() + finished + 1, log.end() - 1);
  int carriedOn = 0;
  std::vector<std::string> folders{std::string()};
  for (int a = 1; a <= 40; ++a) folders.push_back(std::to_string(a));
  for (const std::string& folder : folders) {
    const std::string line = slow.Line(folder);
    EXPECT_EQ(Count(inner, line), 1) << line;
    // Every file once in the interrupted run: before the stop or after the nested run.
    EXPECT_EQ(Count(before, line) + Count(after, line), 1) << line;
    carriedOn += Count(after, line);
  }
  EXPECT_GT(carriedOn, 0) << "the interrupted scan did not go on";
  EXPECT_FALSE(Contains(after, "Registry Entries:"));
}

}  // namespace

namespace {

// A small file system of its own, mounted at D:\<name>, that can be filled to
// the last block or made read-only once the program is in place.
class TMountedDrive {
public:
  explicit TMountedDrive(const std::string& name)
      : unix_(tarvo::test::DriveUnixRoot('d') + "/" + name) {
    RunUnix("umount -l '" + unix_ + "' 2>/dev/null; rm -rf '" + unix_ + "'; mkdir -p '" + unix_ +
            "'");
    mounted_ = RunUnix("mount -t tmpfs -o size=8m tmpfs '" + unix_ + "'") == 0;
  }
  ~TMountedDrive() { RunUnix("umount -l '" + unix_ + "' 2>/dev/null; rmdir '" + unix_ + "'"); }
  bool Mounted() const { return mounted_; }
  bool Fill() const {
    RunUnix("dd if=/dev/zero of='" + unix_ + "/fill' bs=4096 2>/dev/null");
    return RunUnix("test $(df --output=avail '" + unix_ + "' | tail -1) -eq 0") == 0;
  }
  // Read-only for every process, root's included.
  bool MakeReadOnly() const {
    return RunUnix("mount -o remount,ro '" + unix_ + "' && ! touch '" + unix_ +
                   "/probe' 2>/dev/null") == 0;
  }

private:
  std::string unix_;
  bool mounted_ = false;
};

TEST(App, LogOnAFullFileSystemLosesNothingFromTheWindow) {
  TMountedDrive drive("e2e-full");
  if (!drive.Mounted()) GTEST_SKIP() << "mounting a tmpfs needs root; this machine refused it";
  {
    TTarvoProcess app("D:\\e2e-full");
    ASSERT_TRUE(drive.Fill());
    ASSERT_TRUE(app.Start());
    ASSERT_TRUE(app.MainWindow());
    // The run goes on past every failed write and shows every line.
    ASSERT_TRUE(RunEnded(app)) << app.MemoText();
    TLines memo = MemoLines(app);
    ASSERT_GE(memo.size(), 3u);
    EXPECT_EQ(memo[1], "Registry Entries:");
    EXPECT_TRUE(IsWindowEnabled(app.Button(kStart)));
    Command(app.MainWindow(), kMenuExit);
    ASSERT_TRUE(app.WaitForExit());
    EXPECT_EQ(app.ExitCode(), 0u);
    bool ok = false;
    EXPECT_EQ(ReadFileBytes(app.LogPath(), &ok), "") << "the file system had no room";
    EXPECT_TRUE(ok);
  }
}

}  // namespace

namespace {

TEST(App, ReadOnlyProgramFolderShowsTheFileCreationErrorAndNoWindow) {
  TMountedDrive drive("e2e-ro");
  if (!drive.Mounted()) GTEST_SKIP() << "mounting a tmpfs needs root; this machine refused it";
  // The title is lower-cased with the locale: the \xC4 of TÄRVO becomes \xE4.
  TTarvoProcess app("D:\\e2e-ro", L"T\u00C4RVO.EXE");
  ASSERT_TRUE(drive.MakeReadOnly());
  ASSERT_TRUE(app.Start());
  HWND box = app.WaitForDialog(nullptr);
  ASSERT_TRUE(box);
  EXPECT_EQ(WideText(box), L"T\u00E4rvo");
  EXPECT_TRUE(Contains(StaticTexts(box), "Cannot create file D:\\e2e-ro\\Tarvo.log."))
      << testing::PrintToString(StaticTexts(box));
  EXPECT_FALSE(FindTopWindow(app.ProcessId(), "TfrmMain", nullptr)) << "the window is never shown";
  Press(box, IDOK);
  EXPECT_TRUE(app.WaitForExit());
}

// Wine takes a program's ANSI code page from the Unix locale it is started
// in (a program started by another Wine program gets that one's). A Japanese
// locale (code page 932), compiled into the prefix's folder when missing;
// empty when this machine cannot make one.
std::string JapaneseLocaleFolder() {
  const char* root = std::getenv("TARVO_WINE_ROOT");
  if (!root) return {};
  const std::string folder = std::string(root) + "/locale";
  RunUnix("test -d '" + folder + "/ja_JP.UTF-8' || { mkdir -p '" + folder +
          "' && localedef -i ja_JP -f UTF-8 '" + folder + "/ja_JP.UTF-8' >/dev/null 2>&1; }");
  return RunUnix("test -d '" + folder + "/ja_JP.UTF-8'") == 0 ? folder : std::string();
}

// Starts the one program in a folder on C: from a Unix shell in that locale.
bool StartInJapaneseLocale(TTarvoProcess& app, const std::string& locale) {
  const std::string folder = app.Folder().substr(3);  // below C:\, no blanks
  RunUnix("cd $WINEPREFIX/drive_c/" + folder + " && LC_ALL=ja_JP.UTF-8 LOCPATH='" + locale +
          "' wine $(ls *.EXE) </dev/null >/dev/null 2>&1 &");
  HWND window = nullptr;
  if (!WaitFor([&] { return (window = FindTopWindow(0, "TfrmMain", nullptr)) != nullptr; }))
    return false;
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  return app.Adopt(pid);
}

// The file names in a folder.
std::vector<std::wstring> FolderNames(const std::string& folder) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW data;
  std::wstring pattern(folder.begin(), folder.end());
  HANDLE find = FindFirstFileW((pattern + L"\\*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    std::wstring name = data.cFileName;
    if (name != L"." && name != L"..") names.push_back(name);
  } while (FindNextFileW(find, &data));
  FindClose(find);
  std::sort(names.begin(), names.end());
  return names;
}

TEST(App, DoubleByteProgramNameKeepsTheLogInItsFolderAndTheTitleWhole) {
  const std::string locale = JapaneseLocaleFolder();
  if (locale.empty()) GTEST_SKIP() << "no Japanese locale and none could be made (localedef)";
  // U+8868 is 0x95 0x5C in code page 932, U+30A2 is 0x83 0x41: a "\" and an
  // "A" as second bytes.
  const std::wstring exe = L"\u8868\u30A2RVO.EXE";
  TTarvoProcess app("C:\\e2e-dbcs", exe);
  ASSERT_TRUE(StartInJapaneseLocale(app, locale));
  ASSERT_TRUE(app.MainWindow());
  // The title shows both that the program runs in code page 932 and that
  // its lower-casing took "\x83\x41" for one character.
  ASSERT_EQ(app.ApplicationTitle(), L"\u8868\u30A2rvo");
  ASSERT_TRUE(RunEnded(app)) << app.MemoText();
  Command(app.MainWindow(), kMenuExit);
  ASSERT_TRUE(app.WaitForExit());
  EXPECT_EQ(FolderNames(app.Folder()), (std::vector<std::wstring>{L"Tarvo.log", exe}));
  TLines log = LogLines(app);
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.back(), "Finished");
  RemoveTree(app.Folder());
}

}  // namespace
