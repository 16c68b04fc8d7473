// The real Tarvo.exe, started in a folder of its own on C: and driven through
// its windows from this process: the start-up run, the log beside the program,
// START, STOP and closing in the middle of a run, the About dialog, the ways
// to close the window, and a log that cannot be created.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/resource.h"
#include "common/Driver.h"

#include "PlantedTree.h"

using namespace tarvo::e2e;
using tarvo::test::FixturePath;
using tarvo::test::RunUnix;
using tarvo::test::TPlantedTree;

namespace {

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

// Starts the program and waits for the end of the run it starts by itself;
// gives the main window, or null (and a failure) when there was none.
HWND StartAndAwaitTheFirstRun(TTarvoProcess& app) {
  EXPECT_TRUE(app.Start());
  HWND main = app.MainWindow();
  EXPECT_TRUE(main);
  EXPECT_TRUE(RunEnded(app)) << app.MemoText();
  return main;
}

// Ctrl+Q, typed as a user would; true when the program has ended.
bool TypeCtrlQ(TTarvoProcess& app, HWND main) {
  SetForegroundWindow(main);
  if (!WaitFor([&] { return GetForegroundWindow() == main; }, milliseconds(5000))) return false;
  INPUT keys[4] = {};
  for (INPUT& k : keys) k.type = INPUT_KEYBOARD;
  keys[0].ki.wVk = VK_CONTROL;
  keys[1].ki.wVk = 'Q';
  keys[2].ki.wVk = 'Q';
  keys[2].ki.dwFlags = KEYEVENTF_KEYUP;
  keys[3].ki.wVk = VK_CONTROL;
  keys[3].ki.dwFlags = KEYEVENTF_KEYUP;
  return SendInput(4, keys, sizeof(INPUT)) == 4u && app.WaitForExit();
}

// Every line of the log closed by CR LF, the last one "Finished".
void ExpectWholeLinesEndingFinished(const std::string& raw) {
  const std::string ending = "Finished\r\n";
  ASSERT_GE(raw.size(), ending.size());
  EXPECT_EQ(raw.substr(raw.size() - ending.size()), ending);
  size_t bareLf = 0;
  for (size_t i = 0; i < raw.size(); ++i)
    bareLf += raw[i] == '\n' && (i == 0 || raw[i - 1] != '\r');
  EXPECT_EQ(bareLf, 0u);
}

TEST(App, StartUpRunIsShownAndLoggedBesideTheProgramInsteadOfTheOldLog) {
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
  HWND main = StartAndAwaitTheFirstRun(app);
  ASSERT_TRUE(main);
  EXPECT_EQ(WindowText(main), "Tarvo");

  // The run ends with both buttons back to idle.
  TLines shown = MemoLines(app);
  ASSERT_GE(shown.size(), 3u);
  EXPECT_FALSE(IsTimestampLine(shown[0])) << "the memo is cleared after the timestamp line";
  EXPECT_EQ(shown[1], "Registry Entries:");
  EXPECT_TRUE(IsWindowEnabled(app.Button(IDC_START)));
  EXPECT_FALSE(IsWindowEnabled(app.Button(IDC_STOP)));
  EXPECT_TRUE(IsWindowEnabled(app.Button(IDC_EXIT)));

  // Nobody else may open the log while the program runs.
  HANDLE probe =
      CreateFileA(app.LogPath().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                  OPEN_EXISTING, 0, nullptr);
  EXPECT_EQ(probe, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  if (probe != INVALID_HANDLE_VALUE) CloseHandle(probe);

  // Ctrl+Q closes the window. The log: the run from its timestamp line to
  // "Finished", as the memo showed it, and nothing of the earlier start.
  ASSERT_TRUE(TypeCtrlQ(app, main));
  std::string raw;
  TLines log = LogLines(app, &raw);
  ExpectWholeLinesEndingFinished(raw);
  EXPECT_EQ(raw.find("earlier start"), std::string::npos);
  ASSERT_FALSE(log.empty());
  EXPECT_TRUE(IsTimestampLine(log[0])) << log[0];
  EXPECT_EQ(TLines(log.begin() + 1, log.end()), shown);
}

TEST(App, AboutShowsItsModalDialogAndClosingItStartsNoRun) {
  TTarvoProcess app("C:\\e2e-about");
  HWND main = StartAndAwaitTheFirstRun(app);
  ASSERT_TRUE(main);
  const TLines first = MemoLines(app);

  Command(main, IDM_ABOUT);
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
}

TEST(App, StartRunsAgainWithAFreshMemoAndTheLogKeepsBothRuns) {
  TTarvoProcess app("C:\\e2e-start");
  HWND main = StartAndAwaitTheFirstRun(app);
  ASSERT_TRUE(main);
  const TLines first = MemoLines(app);

  // START: a second run; the memo holds only that run.
  Click(app.Button(IDC_START));
  ASSERT_TRUE(WaitFor([&] { return MemoLines(app) != first; }));
  ASSERT_TRUE(RunEnded(app)) << app.MemoText();
  TLines second = MemoLines(app);
  EXPECT_EQ(Count(second, "Registry Entries:"), 1);
  EXPECT_EQ(Count(second, "Finished"), 1);

  // The log: both runs, each from its timestamp line to "Finished".
  ASSERT_TRUE(TypeCtrlQ(app, main));
  std::string raw;
  TLines log = LogLines(app, &raw);
  ExpectWholeLinesEndingFinished(raw);
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
  Click(app.Button(IDC_STOP));
  HWND offer = app.WaitForDialog("Error");
  ASSERT_TRUE(offer);
  EXPECT_TRUE(IsWindowEnabled(app.Button(IDC_START)));
  EXPECT_FALSE(IsWindowEnabled(app.Button(IDC_STOP)));
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
  Command(app.MainWindow(), IDM_EXIT);
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
  Click(app.Button(IDC_EXIT));
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

TEST(App, IdleCloseAfterADeclinedOfferAsksAgain) {
  TStrayInstall install("C:\\e2e-idle");
  TTarvoProcess& app = install.app;
  ASSERT_TRUE(app.Start());
  HWND offer = app.WaitForDialog("Error", milliseconds(120000));
  ASSERT_TRUE(offer);
  Press(offer, IDNO);
  ASSERT_TRUE(RunEnded(app)) << app.MemoText();
  ASSERT_TRUE(WaitFor([&] { return !IsWindow(offer); }));

  // The close box: the same question for the same path, declined again.
  PostMessageA(app.MainWindow(), WM_SYSCOMMAND, SC_CLOSE, 0);
  HWND again = app.WaitForDialog("Error");
  ASSERT_TRUE(again);
  Press(again, IDNO);
  ASSERT_TRUE(app.WaitForExit());
  TLines log = LogLines(app);
  ASSERT_GE(log.size(), 3u);
  EXPECT_EQ(TLines(log.end() - 3, log.end()),
            (TLines{"Misplaced DLLs not removed", "Finished", "Misplaced DLLs not removed"}));
  EXPECT_TRUE(Exists(install.stray));
}

}  // namespace

namespace {

// A small file system of its own, mounted at D:\e2e-full, that is filled to
// the last block once the program is in place.
class TFullDrive {
public:
  TFullDrive() : unix_(tarvo::test::DriveUnixRoot('d') + "/e2e-full") {
    RunUnix("umount -l '" + unix_ + "' 2>/dev/null; rm -rf '" + unix_ + "'; mkdir -p '" + unix_ +
            "'");
    mounted_ = RunUnix("mount -t tmpfs -o size=8m tmpfs '" + unix_ + "'") == 0;
  }
  ~TFullDrive() { RunUnix("umount -l '" + unix_ + "' 2>/dev/null; rmdir '" + unix_ + "'"); }
  bool Mounted() const { return mounted_; }
  bool Fill() const {
    RunUnix("dd if=/dev/zero of='" + unix_ + "/fill' bs=4096 2>/dev/null");
    return RunUnix("test $(df --output=avail '" + unix_ + "' | tail -1) -eq 0") == 0;
  }

private:
  std::string unix_;
  bool mounted_ = false;
};

TEST(App, LogOnAFullFileSystemLosesNothingFromTheWindow) {
  TFullDrive drive;
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
    EXPECT_TRUE(IsWindowEnabled(app.Button(IDC_START)));
    Command(app.MainWindow(), IDM_EXIT);
    ASSERT_TRUE(app.WaitForExit());
    EXPECT_EQ(app.ExitCode(), 0u);
    bool ok = false;
    EXPECT_EQ(ReadFileBytes(app.LogPath(), &ok), "") << "the file system had no room";
    EXPECT_TRUE(ok);
  }
}

}  // namespace
