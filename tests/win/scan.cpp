#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <psapi.h>

#include "app/Main.h"
#include "app/ModuleScan.h"
#include "framework/Exceptions.h"
#include "platform/ComRef.h"
#include "platform/UniquePidl.h"
#include "scan_tree.h"
#include "support/Pidlhelp.h"
#include "support/ShortenPath.h"
#include "support/VersionInfo.h"

using namespace tarvo;
using namespace tarvo::test;

namespace {

class TShellEnvironment : public ::testing::Environment {
public:
  void SetUp() override {
    CoInitialize(nullptr);
    PidlhelpInitialize();
    InitCommonControls();
  }
  void TearDown() override {
    PidlhelpFinalize();
    CoUninitialize();
  }
};
const auto* const shellEnvironment = ::testing::AddGlobalTestEnvironment(new TShellEnvironment);

using TLines = std::vector<std::string>;

TLines Sorted(TLines lines) {
  std::sort(lines.begin(), lines.end());
  return lines;
}

// One scan as the main window would run it, without the window.
struct TScanRun {
  TComRef<IShellFolder> desktop;
  TStrings libraries = WatchedLibraryNames();
  TStrings programs = WatchedProgramNames();
  TLines lines;
  TStrings misplaced;
  int foldersEntered = 0;
  TScanContext context;

  explicit TScanRun(const std::string& systemDirectory = SystemDirectoryForScan()) {
    EXPECT_EQ(SHGetDesktopFolder(desktop.put()), S_OK);
    context.desktopFolder = desktop.get();
    context.watchedLibraries = &libraries;
    context.watchedPrograms = &programs;
    context.systemDirectory = systemDirectory;
    context.misplaced = &misplaced;
    context.stopRequested = [] { return false; };
    context.processMessages = [this] { ++foldersEntered; };
    context.report = [this](const std::string& line) { lines.push_back(line); };
  }

  void ScanList(LPCITEMIDLIST list) { TModuleScan(context).ScanFolder(list); }

  void ScanPath(const std::string& path) {
    TUniquePidl list;
    ULONG eaten = 0;
    std::wstring wide(path.begin(), path.end());
    ASSERT_EQ(desktop->ParseDisplayName(nullptr, nullptr, &wide[0], &eaten, list.put(), nullptr),
              S_OK)
        << path;
    ScanList(list.get());
  }
};

TEST(ModuleScan, WatchedNamesVersionsAndMisplacedPaths) {
  TPlantedTree tree('d', "scan-names");
  tree.Folder("app/sub");
  tree.Folder(".hidden");
  tree.Plant("VQ32W.DLL", "app\\VQ32W.DLL");
  tree.Plant("VQ32W.DLL", "app\\sub\\vq32w.dll");
  tree.Plant("HOSKEN32.DLL", "app\\HOSKEN32.DLL");
  tree.Plant("PARDEX.EXE", "app\\sub\\Pardex.exe");
  tree.Plant("VQ32W.DLL.BAK", "app\\VQ32W.DLL.BAK");
  tree.Plant("VQ32W.DL", "app\\VQ32W.DL");
  tree.Plant("VQ32W.EXE", "app\\VQ32W.EXE");
  tree.Plant("VARNOKE32.DLL", "app\\PARDEX.DLL");
  tree.Plant("VARNOKE32.DLL", ".hidden\\VARNOKE32.DLL");
  tree.Plant("VARNOKE32.DLL", "app\\sub\\VARNOKE32.DLL");
  ASSERT_TRUE(
      SetFileAttributesA(tree.Win("app\\sub\\VARNOKE32.DLL").c_str(), FILE_ATTRIBUTE_HIDDEN));

  TScanRun run;
  run.ScanPath(tree.Windows());

  const std::string app = tree.Win("app\\");
  EXPECT_EQ(Sorted(run.lines),
            Sorted({app + "VQ32W.DLL - 5.1.2600.0", app + "sub\\vq32w.dll - 5.1.2600.0",
                    app + "HOSKEN32.DLL - 0.0.0.0", app + "sub\\Pardex.exe - 3.0.1.7"}));
  // Libraries only, each exactly as reported; the program never.
  EXPECT_EQ(Sorted(run.misplaced),
            Sorted({app + "VQ32W.DLL", app + "sub\\vq32w.dll", app + "HOSKEN32.DLL"}));
}

TEST(ModuleScan, SystemDirectoryRuleIsExactFolderComparison) {
  TPlantedTree tree('d', "scan-system");
  tree.Folder("Sys/sub");
  tree.Plant("VQ32W.DLL", "Sys\\vq32w.dll");
  tree.Plant("VQ32W.DLL", "Sys\\sub\\VQ32W.DLL");
  tree.Plant("PARDEX.EXE", "Sys\\PARDEX.EXE");

  // The system directory as the main window holds it: upper case, no backslash.
  std::string system = tree.Win("SYS");
  CharUpperBuffA(&system[0], static_cast<DWORD>(system.size()));
  TScanRun run(system);
  run.ScanPath(tree.Windows());

  EXPECT_EQ(run.lines.size(), 3u);
  EXPECT_EQ(run.misplaced, TStrings{tree.Win("Sys\\sub\\VQ32W.DLL")});
}

TEST(ModuleScan, RealSystemDirectoryCopyIsNotMisplaced) {
  char system[MAX_PATH] = {};
  GetSystemDirectoryA(system, MAX_PATH);
  std::string planted = std::string(system) + "\\vq32w.dll";
  ASSERT_TRUE(CopyFileA(FixturePath("VQ32W.DLL").c_str(), planted.c_str(), TRUE));
  struct TRemove {
    std::string path;
    ~TRemove() { DeleteFileA(path.c_str()); }
  } remove{planted};

  TScanRun run;
  run.ScanPath(system);
  bool reported = std::any_of(run.lines.begin(), run.lines.end(), [](const std::string& line) {
    return line.find("vq32w.dll - 5.1.2600.0") != std::string::npos;
  });
  EXPECT_TRUE(reported);
  EXPECT_TRUE(run.misplaced.empty());
}

// A copy planted in the physical 32-bit system directory (SYSWOW64), with
// one in a subfolder of it, removed again afterwards.
struct TWow64Plant {
  std::string physical;  // the SYSWOW64 folder as the system names it
  std::string sub;
  explicit TWow64Plant(const std::string& folder) : physical(folder), sub(folder + "\\tarvo-sub") {
    CreateDirectoryA(sub.c_str(), nullptr);
    ok = CopyFileA(FixturePath("VQ32W.DLL").c_str(), (physical + "\\vq32w.dll").c_str(), TRUE) &&
         CopyFileA(FixturePath("VQ32W.DLL").c_str(), (sub + "\\VQ32W.DLL").c_str(), TRUE);
  }
  ~TWow64Plant() {
    DeleteFileA((sub + "\\VQ32W.DLL").c_str());
    RemoveDirectoryA(sub.c_str());
    DeleteFileA((physical + "\\vq32w.dll").c_str());
  }
  bool ok = false;
};

TLines WithVersion(const TLines& paths) {
  TLines lines;
  for (const std::string& path : paths) lines.push_back(path + " - 5.1.2600.0");
  return lines;
}

TLines Containing(const TLines& lines, const std::string& part) {
  TLines found;
  for (const std::string& line : lines)
    if (line.find(part) != std::string::npos) found.push_back(line);
  return Sorted(found);
}

// On 64-bit Windows the 32-bit program's system directory is SYSWOW64 under
// the name SYSTEM32, and the shell lists its files under both names: one
// file, two routes, both where the library belongs. The 64-bit build sees
// the real SYSTEM32, so for it a copy in SYSWOW64 is as misplaced as any.
TEST(ModuleScan, Wow64SystemDirectoryCopyIsReportedUnderBothNamesMisplacedUnderNeither) {
  char wow64[MAX_PATH] = {};
  ASSERT_GT(GetSystemWow64DirectoryA(wow64, MAX_PATH), 0u) << "the prefix is not a WoW64 prefix";
  char system[MAX_PATH] = {};
  ASSERT_GT(GetSystemDirectoryA(system, MAX_PATH), 0u);
  TWow64Plant plant(wow64);
  ASSERT_TRUE(plant.ok) << GetLastError();

  TScanRun run;
  run.context.wow64SystemDirectory = Wow64SystemDirectoryForScan();
  run.ScanPath(system);
  run.ScanPath(wow64);
  const std::string sys(system), phys(wow64);
#if defined(_WIN64)
  EXPECT_EQ(run.context.wow64SystemDirectory, "");
  EXPECT_EQ(Containing(run.lines, "vq32w.dll"), WithVersion({phys + "\\vq32w.dll"}));
  EXPECT_EQ(Sorted(run.misplaced), Sorted({phys + "\\vq32w.dll", phys + "\\tarvo-sub\\VQ32W.DLL"}));
#else
  std::string upper = phys;
  CharUpperBuffA(&upper[0], static_cast<DWORD>(upper.size()));
  EXPECT_EQ(run.context.wow64SystemDirectory, upper);
  EXPECT_EQ(Containing(run.lines, "vq32w.dll"),
            Sorted(WithVersion({sys + "\\vq32w.dll", phys + "\\vq32w.dll"})));
  // A subfolder of either name is not the system directory.
  EXPECT_EQ(Sorted(run.misplaced),
            Sorted({sys + "\\tarvo-sub\\VQ32W.DLL", phys + "\\tarvo-sub\\VQ32W.DLL"}));
#endif
}

TEST(ModuleScan, LinksThatLoopAreNotFollowedOtherRoutesAre) {
  TPlantedTree tree('d', "scan-links");
  tree.Folder("top/x/y");
  tree.Folder("lib");
  tree.Plant("VQ32W.DLL", "top\\x\\VQ32W.DLL");
  tree.Plant("VARNOKE32.DLL", "lib\\VARNOKE32.DLL");
  tree.Sh("cd '" + tree.Nix("top/x") +
          "' && ln -s . self && ln -s ../.. y/up && ln -s nowhere dangling"
          " && ln -s ../../lib other");

  TScanRun run;
  run.ScanPath(tree.Windows());

  // x\self and x\y\up lead back onto the descent path; x\other is a second,
  // loop-free route to lib and is scanned like any folder.
  EXPECT_EQ(Sorted(run.lines), Sorted({tree.Win("top\\x\\VQ32W.DLL - 5.1.2600.0"),
                                       tree.Win("lib\\VARNOKE32.DLL - 2.1.0.14"),
                                       tree.Win("top\\x\\other\\VARNOKE32.DLL - 2.1.0.14")}));
  EXPECT_EQ(run.misplaced.size(), 3u);
}

TEST(ModuleScan, UnreadableBrokenAndDeepInputsAreSurvived) {
  TPlantedTree tree('d', "scan-bad");
  tree.Folder("locked");
  tree.Plant("VQ32W.DLL", "locked\\VQ32W.DLL");
  tree.Sh("chmod 000 '" + tree.Nix("locked") + "'");
  tree.Folder("odd");
  tree.Sh("cd '" + tree.Nix("odd") + "' && : > VQ32W.DLL && echo 'not a module' > TELMIRA32.DLL");
  tree.Plant("PARDEX.EXE", "odd\\PARDEX.EXE");
  // A held-open file with share mode 0 still gets its line.
  TUniqueFile held(CreateFileA(tree.Win("odd\\PARDEX.EXE").c_str(), GENERIC_READ, 0, nullptr,
                               OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(held);
  // A watched library whose full path is 250 characters long.
  std::string deep = "deep";
  while (tree.Win(deep).size() + 11 < 238) deep += "\\abcdefghij";
  deep += "\\" + std::string(239 - tree.Win(deep).size(), 'q');
  std::string nixDeep = deep;
  std::replace(nixDeep.begin(), nixDeep.end(), '\\', '/');
  tree.Folder(nixDeep);
  const std::string deepFile = deep + "\\VQ32W.DLL";
  ASSERT_EQ(tree.Win(deepFile).size(), 250u);
  tree.Plant("VQ32W.DLL", deepFile);

  TScanRun run;
  run.ScanPath(tree.Windows());

  TLines expected{tree.Win("odd\\VQ32W.DLL - 0.0.0.0"), tree.Win("odd\\TELMIRA32.DLL - 0.0.0.0"),
                  tree.Win("odd\\PARDEX.EXE - 0.0.0.0"), tree.Win(deepFile) + " - 5.1.2600.0"};
  // Mode 000 does not stop a superuser; the folder then reads like any other.
  if (RunUnix("test -r '" + tree.Nix("locked") + "'") == 0)
    expected.push_back(tree.Win("locked\\VQ32W.DLL - 5.1.2600.0"));
  EXPECT_EQ(Sorted(run.lines), Sorted(expected));
}

// Private bytes of this process; 0 without the query, 1 when it fails.
size_t PrivateBytes() {
  using TQuery = BOOL(WINAPI*)(HANDLE, PROCESS_MEMORY_COUNTERS*, DWORD);
  auto query = reinterpret_cast<TQuery>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("kernel32.dll"), "K32GetProcessMemoryInfo")));
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  if (!query) return 0;
  if (!query(GetCurrentProcess(), &counters, sizeof counters)) return 1;
  return counters.PagefileUsage;
}

TEST(ModuleScan, HundredThousandFilesInOneFolderLeaveMemoryFlat) {
  TPlantedTree tree('d', "scan-wide");
  tree.Sh("cd '" + tree.Unix() + "' && seq -f 'f%06g.txt' 1 100000 | xargs touch");
  tree.Plant("VQ32W.DLL", "VQ32W.DLL");
  // Two scans settle the heap (a bare walk of the shell grows as much on its
  // second round); a third must not grow it.
  TScanRun run;
  run.ScanPath(tree.Windows());
  run.ScanPath(tree.Windows());
  const size_t settled = PrivateBytes();
  ASSERT_GT(settled, 1u);
  run.ScanPath(tree.Windows());
  const size_t after = PrivateBytes();
  EXPECT_EQ(run.lines, TLines(3, tree.Win("VQ32W.DLL - 5.1.2600.0")));
  EXPECT_LT(after, settled + (256u << 10)) << settled << " -> " << after;
  std::printf("private bytes after two scans %zu, after three %zu\n", settled, after);
}

TEST(ModuleScan, StatusBarShowsLastFolderShortened) {
  TPlantedTree tree('d', "scan-status");
  const std::string chain = "a-rather-long-folder-name/another-long-folder-name/last";
  tree.Folder(chain);
  TUniqueWindow bar(CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_POPUP, 0, 0, 160, 20, nullptr,
                                    nullptr, GetModuleHandleA(nullptr), nullptr));
  ASSERT_TRUE(bar);
  SendMessageA(bar.get(), SB_SIMPLE, TRUE, 0);

  TScanRun run;
  run.context.statusBar = bar.get();
  run.ScanPath(tree.Windows());

  char text[512] = {};
  // In simple mode the bar answers for its simple text as part 0.
  SendMessageA(bar.get(), SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(text));
  RECT client{};
  GetClientRect(bar.get(), &client);
  HDC dc = GetDC(bar.get());
  HGDIOBJ old =
      SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(bar.get(), WM_GETFONT, 0, 0)));
  std::string expected = ShortenPath(
      tree.Win("a-rather-long-folder-name\\another-long-folder-name\\last"), dc, client.right - 20);
  SIZE extent{};
  GetTextExtentPoint32A(dc, text, static_cast<int>(strlen(text)), &extent);
  SelectObject(dc, old);
  ReleaseDC(bar.get(), dc);
  EXPECT_EQ(std::string(text), expected);
  EXPECT_NE(std::string(text).find("last"), std::string::npos);
  EXPECT_LE(extent.cx, client.right - 20);
}

// On a shown bar the scan holds some repaints, never a text: at every
// message-processing point the bar holds the folder just entered, and once
// the scan is over the last one is on the screen.
TEST(ModuleScan, ShownStatusBarHoldsEachFolderTextAndEndsPainted) {
  TPlantedTree tree('d', "scan-shown");
  tree.Sh("cd '" + tree.Unix() + "' && for i in $(seq 1 40); do mkdir -p f$i/g$i; done");
  TUniqueWindow bar(CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_POPUP | WS_VISIBLE, 0, 0, 400, 22,
                                    nullptr, nullptr, GetModuleHandleA(nullptr), nullptr));
  ASSERT_TRUE(bar);
  SendMessageA(bar.get(), SB_SIMPLE, TRUE, 0);
  auto barText = [&] {
    char text[512] = {};
    SendMessageA(bar.get(), SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(text));
    return std::string(text);
  };
  HDC dc = GetDC(bar.get());
  RECT client{};
  GetClientRect(bar.get(), &client);
  std::vector<std::string> folders;
  for (int i = 1; i <= 40; ++i) {
    const std::string f = "f" + std::to_string(i);
    folders.push_back(ShortenPath(tree.Win(f), dc, client.right - 20));
    folders.push_back(ShortenPath(tree.Win(f + "\\g" + std::to_string(i)), dc, client.right - 20));
  }
  ReleaseDC(bar.get(), dc);

  TScanRun run;
  run.context.statusBar = bar.get();
  // Every text after the first is set with its repaint held.
  run.context.folderTextRepaintMs = 1000000;
  TLines seen;
  run.context.processMessages = [&] {
    seen.push_back(barText());
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  };
  run.ScanPath(tree.Windows());

  // The first processing point is the scanned folder's own, before any text.
  ASSERT_EQ(seen.size(), folders.size() + 1);
  seen.erase(seen.begin());
  EXPECT_EQ(Sorted(seen), Sorted(folders));
  EXPECT_EQ(barText(), seen.back());
  // What the bar shows is what a full repaint of its last text draws.
  auto pixels = [&] {
    HDC screen = GetDC(bar.get());
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, client.right, client.bottom);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, client.right, client.bottom, screen, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = client.right;
    info.bmiHeader.biHeight = client.bottom;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    std::vector<DWORD> bits(static_cast<size_t>(client.right) * client.bottom);
    GetDIBits(memory, bitmap, 0, client.bottom, bits.data(), &info, DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(bar.get(), screen);
    return bits;
  };
  const std::vector<DWORD> shown = pixels();
  InvalidateRect(bar.get(), nullptr, TRUE);
  UpdateWindow(bar.get());
  EXPECT_TRUE(shown == pixels());
}

TEST(ModuleScan, StopIsReadOnEntryOnly) {
  TPlantedTree tree('d', "scan-stop");
  tree.Folder("a/b");
  tree.Plant("VQ32W.DLL", "a\\VQ32W.DLL");
  tree.Plant("VQ32W.DLL", "a\\b\\VQ32W.DLL");
  TScanRun run;
  bool stop = false;
  run.context.stopRequested = [&] { return stop; };
  // The stop arrives while the first level processes its messages: that
  // level still finishes its own items, but no folder is entered any more.
  run.context.processMessages = [&] {
    ++run.foldersEntered;
    stop = true;
  };
  run.ScanPath(tree.Win("a"));
  EXPECT_EQ(run.foldersEntered, 1);
  EXPECT_EQ(run.lines, TLines{tree.Win("a\\VQ32W.DLL - 5.1.2600.0")});
}

TEST(ModuleScan, ExcludedDriveTypesAreNotEntered) {
  // Roots of D: fixed, E: CD-ROM, F: removable, N: network, R: RAM disk.
  EXPECT_EQ(GetDriveTypeA("E:\\"), UINT(DRIVE_CDROM));
  EXPECT_EQ(GetDriveTypeA("F:\\"), UINT(DRIVE_REMOVABLE));
  EXPECT_EQ(GetDriveTypeA("N:\\"), UINT(DRIVE_REMOTE));
  std::vector<std::unique_ptr<TPlantedTree>> trees;
  for (char drive : std::string("defnr")) {
    trees.push_back(std::make_unique<TPlantedTree>(drive, "scan-drive"));
    trees.back()->Plant("VQ32W.DLL", "VQ32W.DLL");
  }
  // My Computer, C: included; only the planted copies are looked at.
  TScanRun run;
  TUniquePidl drives;
  ASSERT_EQ(SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, drives.put()), S_OK);
  run.ScanList(drives.get());
  TLines planted;
  for (const std::string& line : run.lines)
    if (line.find("\\scan-drive\\") != std::string::npos) planted.push_back(line);
  EXPECT_EQ(Sorted(planted), Sorted({"D:\\scan-drive\\VQ32W.DLL - 5.1.2600.0",
                                     "R:\\scan-drive\\VQ32W.DLL - 5.1.2600.0"}));
}

// A desktop that fails where the real shell would only fail on a broken
// machine: binding, or enumerating without giving an enumerator.
class TFailingDesktop : public IShellFolder {
public:
  HRESULT bindResult = E_ACCESSDENIED;
  HRESULT enumResult = S_FALSE;
  int binds = 0;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE ParseDisplayName(HWND, LPBC, LPOLESTR, ULONG*, LPITEMIDLIST*,
                                             ULONG*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE EnumObjects(HWND, SHCONTF, IEnumIDList** out) override {
    *out = nullptr;
    return enumResult;
  }
  HRESULT STDMETHODCALLTYPE BindToObject(LPCITEMIDLIST, LPBC, REFIID, void** out) override {
    ++binds;
    *out = bindResult == S_OK ? static_cast<IShellFolder*>(this) : nullptr;
    return bindResult;
  }
  HRESULT STDMETHODCALLTYPE BindToStorage(LPCITEMIDLIST, LPBC, REFIID, void**) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE CompareIDs(LPARAM, LPCITEMIDLIST, LPCITEMIDLIST) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE CreateViewObject(HWND, REFIID, void**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetAttributesOf(UINT, LPCITEMIDLIST*, SFGAOF*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetUIObjectOf(HWND, UINT, LPCITEMIDLIST*, REFIID, UINT*,
                                          void**) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetDisplayNameOf(LPCITEMIDLIST, SHGDNF, STRRET*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE SetNameOf(HWND, LPCITEMIDLIST, LPCOLESTR, SHGDNF,
                                      LPITEMIDLIST*) override {
    return E_NOTIMPL;
  }
};

TEST(ModuleScan, FailingBindOrEnumerationRaisesTheOleErrorNoEnumeratorIsEmpty) {
  TScanRun run;
  TFailingDesktop desktop;
  run.context.desktopFolder = &desktop;
  TUniquePidl drives;
  ASSERT_EQ(SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, drives.put()), S_OK);
  try {
    run.ScanList(drives.get());
    ADD_FAILURE() << "no error";
  } catch (const EOleError& e) {
    EXPECT_EQ(e.Code(), E_ACCESSDENIED);
  }

  desktop.bindResult = S_OK;
  run.ScanList(drives.get());
  EXPECT_TRUE(run.lines.empty());

  desktop.enumResult = E_OUTOFMEMORY;
  EXPECT_THROW(run.ScanList(drives.get()), EOleError);
}

// A run whose My Computer list could not be had scans with no list at all: the
// shell's real desktop refuses to bind it, and nothing of the desktop (nor of
// the network places under it) is walked.
TEST(ModuleScan, AbsentListIsBoundAndFailsInsteadOfScanningTheDesktop) {
  TPlantedTree tree('d', "scan-absent");
  tree.Plant("VQ32W.DLL", "VQ32W.DLL");
  TScanRun run;
  EXPECT_THROW(run.ScanList(nullptr), EOleError);
  EXPECT_TRUE(run.lines.empty());
  EXPECT_TRUE(run.misplaced.empty());
  EXPECT_EQ(run.foldersEntered, 1);
}

}  // namespace

namespace {

TEST(ModuleScan, FolderDeletedWhileScanning) {
  TPlantedTree tree('d', "scan-vanish");
  tree.Folder("a/inner");
  tree.Folder("b/inner");
  tree.Plant("VQ32W.DLL", "a\\inner\\VQ32W.DLL");
  tree.Plant("VQ32W.DLL", "b\\inner\\VQ32W.DLL");
  TScanRun run;
  // On entering the first subfolder a second process removes both of them.
  int entries = 0;
  run.context.processMessages = [&] {
    if (++entries == 2) tree.Sh("rm -rf '" + tree.Nix("a") + "' '" + tree.Nix("b") + "'");
  };
  run.ScanPath(tree.Windows());
  EXPECT_TRUE(run.lines.empty());
}

}  // namespace

namespace {

std::string Slashed(std::string path) {
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

// A folder below `tree` whose full path is `length` characters long, built
// of hundred-letter folders; `letter` keeps the chains of one test apart.
std::string DeepFolder(const TPlantedTree& tree, size_t length, char letter) {
  std::string relative;
  size_t need = length - tree.Windows().size() - 1;
  while (need > 101) {
    relative += std::string(100, letter) + "\\";
    need -= 101;
  }
  relative += std::string(need, letter);
  tree.Folder(Slashed(relative));
  EXPECT_EQ(tree.Win(relative).size(), length);
  return relative;
}

// The shell names an item by at most 259 characters and cuts longer names
// there. A cut name may name another file or none: it must never be reported
// or offered. What is deeper than the shell can name is lost to the scan.
TEST(ModuleScan, DeepTreeReportsWhatTheShellCanNameAndNoCutName) {
  TPlantedTree tree('d', "scan-deep");
  std::vector<std::string> at;  // folders by the length of their watched library's path
  for (size_t length : {258, 259, 260, 262, 300})
    at.push_back(DeepFolder(tree, length - 10, static_cast<char>('a' + at.size())));
  for (const std::string& folder : at) tree.Plant("VQ32W.DLL", folder + "\\VQ32W.DLL");
  // The first 259 characters of these paths end in "\VQ32W.DLL": beside the
  // real 259-character file, and alone.
  tree.Plant("PARDEX.EXE", at[1] + "\\VQ32W.DLLX");
  const std::string alone = DeepFolder(tree, 249, 'p');
  tree.Plant("PARDEX.EXE", alone + "\\VQ32W.DLLX");
  // Folders whose own path reaches the limit, each with a library inside.
  for (size_t length : {258, 259, 262}) {
    const std::string folder = DeepFolder(tree, length, static_cast<char>('q' + length - 258));
    tree.Sh("cp '" + std::string(std::getenv("TARVO_FIXTURE_DIR")) + "/VQ32W.DLL' '" +
            tree.Nix(Slashed(folder)) + "/'");
  }

  TScanRun run;
  run.ScanPath(tree.Windows());

  const TLines reached{tree.Win(at[0] + "\\VQ32W.DLL"), tree.Win(at[1] + "\\VQ32W.DLL")};
  EXPECT_EQ(Sorted(run.lines),
            Sorted({reached[0] + " - 5.1.2600.0", reached[1] + " - 5.1.2600.0"}));
  EXPECT_EQ(Sorted(run.misplaced), Sorted(reached));
}

// Where the shell does give a deep name, the program's own calls reach the
// file: its version, and the identity of a deep folder.
TEST(ModuleScan, DeepFilesAndFoldersAreReachedBeyondTheAnsiLimit) {
  TPlantedTree tree('d', "scan-deeper");
  for (size_t length : {257, 300, 600}) {
    const std::string folder = DeepFolder(tree, length, 'c');
    tree.Sh("cp '" + std::string(std::getenv("TARVO_FIXTURE_DIR")) + "/VQ32W.DLL' '" +
            tree.Nix(Slashed(folder)) + "/' && rm -f '" + tree.Nix("link") + "' && ln -s '" +
            tree.Nix(Slashed(folder)) + "' '" + tree.Nix("link") + "'");
    EXPECT_EQ(TVersionInfo(tree.Win(folder + "\\VQ32W.DLL")).GetVersionString(), "5.1.2600.0")
        << length;
    TFolderIdentity deep, viaLink;
    EXPECT_TRUE(GetFolderIdentity(tree.Win(folder), deep)) << length;
    ASSERT_TRUE(GetFolderIdentity(tree.Win("link"), viaLink));
    EXPECT_TRUE(deep == viaLink) << length;
    tree.Sh("rm -rf '" + tree.Nix(Slashed(folder)) + "'/*");
  }
}

// Characters the ANSI code page lacks come out of the conversion as "?",
// never as a look-alike ("L" for the Polish letter with stroke): such a copy
// is reported with its real version, read through its short path, and never
// offered for removal, since "?" is a wildcard to the shell.
TEST(ModuleScan, NamesTheCodePageCannotHoldAreReportedNotOffered) {
  ASSERT_EQ(GetACP(), 1252u);
  TPlantedTree tree('d', "scan-cp");
  const std::wstring root = L"D:\\scan-cp\\";
  const std::string fixture = FixturePath("VQ32W.DLL");
  const std::wstring wideFixture(fixture.begin(), fixture.end());
  for (const wchar_t* folder : {L"\u0436\u0443\u0440\u043d\u0430\u043b32", L"\u0141ib"}) {
    ASSERT_TRUE(CreateDirectoryW((root + folder).c_str(), nullptr));
    ASSERT_TRUE(CopyFileW(wideFixture.c_str(), (root + folder + L"\\VQ32W.DLL").c_str(), TRUE));
  }
  // A link back to the folder above must be recognised there as well.
  tree.Sh("cd '" + tree.Unix() + "' && cd *32 && ln -s . self");
  tree.Folder("Lib");
  tree.Plant("VARNOKE32.DLL", "Lib\\VQ32W.DLL");

  TScanRun run;
  run.ScanPath(tree.Windows());

  EXPECT_EQ(Sorted(run.lines), Sorted({tree.Win("??????32\\VQ32W.DLL - 5.1.2600.0"),
                                       tree.Win("?ib\\VQ32W.DLL - 5.1.2600.0"),
                                       tree.Win("Lib\\VQ32W.DLL - 2.1.0.14")}));
  EXPECT_EQ(run.misplaced, TStrings{tree.Win("Lib\\VQ32W.DLL")});
}

}  // namespace
