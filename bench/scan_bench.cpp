// The scan benchmark. On the trees that make_trees.py generates on the
// prefix's D: drive it measures, in one process and interleaved round by
// round:
//   floor  the shell calls the scan cannot do without: per folder a bind from
//          the desktop and an enumerator, per item one Next, the parsing name
//          converted to ANSI text and one attribute query;
//   scan   the main window's own ScanFolder, in the real window with its
//          status bar, messages processed per folder as in a run;
//   walk   a plain recursive FindFirstFileExA walk, for reference.
// It prints the medians, their ratios, the cost per item, the private bytes
// across three scans, the longest stretch without message processing, and
// the same scan on a tree four times the size.
//
//   tarvo_bench [rounds] [scale rounds] [wide]
// "wide" measures the wide tree alone, a quick look while working.
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>
#include <shlobj.h>
#include <winternl.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/Main.h"
#include "app/ModuleScan.h"
#include "framework/Application.h"
#include "platform/ComRef.h"
#include "support/PathSplit.h"
#include "support/Pidlhelp.h"
#include "support/ShortenPath.h"
#include "support/UniquePidl.h"
#include "support/VersionInfo.h"

using namespace tarvo;

namespace {

const char* const TreeRoot = "D:\\.tarvo-bench\\";
constexpr ULONG AskedAttributes = SFGAO_FILESYSANCESTOR | SFGAO_FOLDER | SFGAO_FILESYSTEM;

struct TCounts {
  long folders = 0;
  long items = 0;
};

// The parsing name as the floor takes it: converted into a fixed buffer,
// with nothing of the scan's own handling.
void FloorParsingName(IShellFolder* folder, LPCITEMIDLIST item, char (&text)[1024]) {
  STRRET name;
  name.uType = STRRET_CSTR;
  text[0] = '\0';
  if (folder->GetDisplayNameOf(item, SHGDN_FORPARSING, &name) != S_OK) return;
  if (name.uType == STRRET_WSTR) {
    WideCharToMultiByte(CP_ACP, 0, name.pOleStr, -1, text, sizeof text, nullptr, nullptr);
    CoTaskMemFree(name.pOleStr);
  } else if (name.uType == STRRET_CSTR) {
    std::memcpy(text, name.cStr, sizeof name.cStr);
  }
}

// The floor: exactly the shell calls the scan makes, and nothing of its own.
void Floor(IShellFolder* desktop, HWND owner, LPCITEMIDLIST list, TCounts& counts) {
  TComRef<IShellFolder> folder;
  if (FAILED(desktop->BindToObject(list, nullptr, IID_IShellFolder, folder.put_void()))) return;
  TComRef<IEnumIDList> enumerator;
  if (FAILED(folder->EnumObjects(owner, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS, enumerator.put())) ||
      !enumerator)
    return;
  ++counts.folders;
  for (;;) {
    TUniquePidl item;
    ULONG fetched = 0;
    if (enumerator->Next(1, item.put(), &fetched) != S_OK) break;
    ++counts.items;
    LPCITEMIDLIST child = item.get();
    char text[1024];
    FloorParsingName(folder.get(), child, text);
    ULONG attributes = AskedAttributes;
    folder->GetAttributesOf(1, &child, &attributes);
    if ((attributes & AskedAttributes) == AskedAttributes) {
      TUniquePidl absolute(ConcatPIDLs(list, child));
      Floor(desktop, owner, absolute.get(), counts);
    }
  }
}

void Walk(const std::string& folder, TCounts& counts) {
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileExA((folder + "\\*").c_str(), FindExInfoBasic, &data,
                                 FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
  if (find == INVALID_HANDLE_VALUE) return;
  ++counts.folders;
  do {
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (std::strcmp(data.cFileName, ".") == 0 || std::strcmp(data.cFileName, "..") == 0) continue;
      ++counts.items;
      Walk(folder + "\\" + data.cFileName, counts);
    } else {
      ++counts.items;
    }
  } while (FindNextFileA(find, &data));
  FindClose(find);
}

// Private bytes; Wine leaves PrivateUsage at 0 but fills the page-file
// usage, which is the same private commit charge.
SIZE_T PrivateBytes() {
  PROCESS_MEMORY_COUNTERS_EX counters{};
  counters.cb = sizeof counters;
  GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                       sizeof counters);
  return counters.PrivateUsage ? counters.PrivateUsage : counters.PagefileUsage;
}

// The processor time this process spent (user and kernel), in seconds. The
// wall-clock time also holds what wineserver and the X server do for the
// process, and whatever else the machine runs.
double ProcessSeconds() {
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  auto seconds = [](const FILETIME& t) {
    return ((static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7;
  };
  return seconds(kernel) + seconds(user);
}

double LastProcessSeconds = 0;  // of the last action timed with Seconds()

template <typename F>
double Seconds(F&& action) {
  const double cpu = ProcessSeconds();
  auto start = std::chrono::steady_clock::now();
  action();
  const double wall =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  LastProcessSeconds = ProcessSeconds() - cpu;
  return wall;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Measures how long the window goes without processing messages: a second
// thread posts a message whenever the last one has been handled, and the
// window procedure notes how long each waited in the queue. The wait is the
// stretch between two message-processing points, to the thread's 1 ms
// granularity.
class TResponseProbe {
public:
  TResponseProbe() {
    WNDCLASSA wc{};
    wc.lpfnWndProc = &TResponseProbe::Proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "TarvoBenchProbe";
    RegisterClassA(&wc);
    window_ = CreateWindowExA(0, wc.lpszClassName, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                              wc.hInstance, nullptr);
    SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
  ~TResponseProbe() {
    Stop();
    DestroyWindow(window_);
  }
  void Start() {
    longest_ = 0;
    running_ = true;
    // CreateThread: the shipped runtime's thread model has no std::thread.
    thread_ = CreateThread(nullptr, 0, &TResponseProbe::Post, this, 0, nullptr);
  }
  void Stop() {
    if (!thread_) return;
    running_ = false;
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
    thread_ = nullptr;
  }
  double Longest() const { return longest_; }

private:
  static DWORD WINAPI Post(LPVOID self) {
    auto* probe = static_cast<TResponseProbe*>(self);
    while (probe->running_) {
      if (!probe->pending_.exchange(true)) {
        probe->posted_ = Now();
        PostMessageA(probe->window_, WM_APP, 0, 0);
      }
      Sleep(1);
    }
    return 0;
  }
  static double Now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
  }
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_APP) {
      auto* probe = reinterpret_cast<TResponseProbe*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
      const double waited = Now() - probe->posted_;
      if (probe->running_) probe->longest_ = std::max(probe->longest_, waited);
      probe->pending_ = false;
      return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
  }

  HWND window_ = nullptr;
  HANDLE thread_ = nullptr;
  std::atomic<bool> running_{false};
  std::atomic<bool> pending_{false};
  std::atomic<double> posted_{0};
  double longest_ = 0;
};

// The visual style the windows are drawn with. Under Wine a style's
// drawing goes through the display driver's checks on every blit, which
// makes each repaint of a themed control many times dearer than a plain
// one: the figures are labelled with it.
std::string ActiveTheme() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager", 0,
                    KEY_READ, &key) != ERROR_SUCCESS)
    return "none";
  auto value = [&](const char* name) {
    char text[MAX_PATH] = {};
    DWORD size = sizeof text - 1;
    if (RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size) !=
        ERROR_SUCCESS)
      return std::string();
    return std::string(text);
  };
  const std::string active = value("ThemeActive"), file = value("DllName");
  RegCloseKey(key);
  return active == "1" && !file.empty() ? file : "none";
}

struct TTree {
  std::string name;
  std::string path;
  TUniquePidl list;
  TCounts shell, files;
  std::vector<double> floor, scan, walk;
  std::vector<double> floorCpu, scanCpu;
};

bool ParseTree(IShellFolder* desktop, TTree& tree) {
  ULONG eaten = 0;
  std::wstring wide(tree.path.begin(), tree.path.end());
  if (FAILED(desktop->ParseDisplayName(nullptr, nullptr, &wide[0], &eaten, tree.list.put(),
                                       nullptr))) {
    std::fprintf(stderr, "cannot parse %s (run make_trees.py first)\n", tree.path.c_str());
    return false;
  }
  return true;
}

// The profile: the scan's own parts on one tree, each measured alone. The
// scan runs three times through the same TModuleScan with less and less
// left out (message processing, then the status bar); the floor's names
// feed the per-item and per-folder operations, timed over every name.
void Profile(TfrmMain& form, const std::string& name) {
  TTree tree;
  tree.name = name;
  tree.path = TreeRoot + name;
  IShellFolder* desktop = form.DesktopFolder();
  if (!ParseTree(desktop, tree)) return;
  Walk(tree.path, tree.files);
  TScanContext context;
  context.desktopFolder = desktop;
  context.owner = Application.Handle();
  context.watchedLibraries = &form.WatchedLibraries();
  context.watchedPrograms = &form.WatchedPrograms();
  context.systemDirectory = form.SystemDirectory();
  context.wow64SystemDirectory = Wow64SystemDirectoryForScan();
  TStrings misplaced;
  context.misplaced = &misplaced;
  context.stopRequested = [] { return false; };
  long lines = 0;
  context.report = [&](const std::string&) { ++lines; };
  TCounts counts;
  const double floor = Seconds([&] { Floor(desktop, context.owner, tree.list.get(), counts); });
  const double bare = Seconds([&] { TModuleScan(context).ScanFolder(tree.list.get()); });
  context.statusBar = form.StatusBar();
  const double text = Seconds([&] { TModuleScan(context).ScanFolder(tree.list.get()); });
  context.processMessages = [] { Application.ProcessMessages(); };
  const double full = Seconds([&] { TModuleScan(context).ScanFolder(tree.list.get()); });
  const double items = static_cast<double>(counts.items), folders = counts.folders;
  std::printf("profile %s: %ld folders, %ld items\n", name.c_str(), counts.folders, counts.items);
  std::printf("  floor %.3f s; scan without status bar or messages %.3f s (+%.1f us per item)\n",
              floor, bare, (bare - floor) * 1e6 / items);
  std::printf(
      "  + folder text %.3f s (+%.1f us per folder); + message processing %.3f s "
      "(+%.1f us per folder)\n",
      text, (text - bare) * 1e6 / folders, full, (full - text) * 1e6 / folders);

  // The names the scan works on, gathered once.
  std::vector<std::string> folderNames, fileNames;
  std::function<void(const std::string&)> gather = [&](const std::string& folder) {
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
      if (std::strcmp(data.cFileName, ".") == 0 || std::strcmp(data.cFileName, "..") == 0) continue;
      const std::string path = folder + "\\" + data.cFileName;
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        folderNames.push_back(path);
        gather(path);
      } else {
        fileNames.push_back(path);
      }
    } while (FindNextFileA(find, &data));
    FindClose(find);
  };
  gather(tree.path);
  auto perName = [](const std::vector<std::string>& names, auto&& action) {
    return Seconds([&] {
             for (const std::string& n : names) action(n);
           }) *
           1e6 / static_cast<double>(names.empty() ? 1 : names.size());
  };
  volatile long sink = 0;
  std::printf("  per folder: identity %.1f us", perName(folderNames, [&](const std::string& n) {
                TFolderIdentity identity;
                sink += GetFolderIdentity(n, identity);
              }));
  std::printf(
      ", opened for its file index %.1f us", perName(folderNames, [&](const std::string& n) {
        TUniqueFile folder(
            CreateFileA(n.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        FILE_INTERNAL_INFORMATION index{};
        IO_STATUS_BLOCK io{};
        sink += NtQueryInformationFile(folder.get(), &io, &index, sizeof index,
                                       FileInternalInformation);
      }));
  HWND bar = form.StatusBar();
  HDC measure = CreateCompatibleDC(nullptr);
  HGDIOBJ measureOld =
      SelectObject(measure, reinterpret_cast<HGDIOBJ>(SendMessageA(bar, WM_GETFONT, 0, 0)));
  std::printf(", shortened text measured %.1f us", perName(folderNames, [&](const std::string& n) {
                RECT bounds{};
                GetClientRect(bar, &bounds);
                SendMessageA(bar, WM_GETFONT, 0, 0);
                sink += static_cast<long>(ShortenPath(n, measure, bounds.right - 20).size());
              }));
  SelectObject(measure, measureOld);
  DeleteDC(measure);
  std::printf(", setting it %.1f us", perName(folderNames, [&](const std::string& n) {
                SendMessageA(bar, SB_SETTEXTA, SB_SIMPLEID, reinterpret_cast<LPARAM>(n.c_str()));
              }));
  // What the text alone would cost if the bar were not repainted each time.
  std::printf(", setting it with redraw held off %.1f us",
              perName(folderNames, [&](const std::string& n) {
                SendMessageA(bar, WM_SETREDRAW, FALSE, 0);
                SendMessageA(bar, SB_SETTEXTA, SB_SIMPLEID, reinterpret_cast<LPARAM>(n.c_str()));
                SendMessageA(bar, WM_SETREDRAW, TRUE, 0);
              }));
  InvalidateRect(bar, nullptr, TRUE);
  std::printf(", processing messages with none queued %.1f us",
              perName(folderNames, [&](const std::string&) { Application.ProcessMessages(); }));
  std::printf(", setting and painting it %.1f us\n",
              perName(folderNames, [&](const std::string& n) {
                SendMessageA(bar, SB_SETTEXTA, SB_SIMPLEID, reinterpret_cast<LPARAM>(n.c_str()));
                Application.ProcessMessages();
              }));
  // A report line as a run writes it: into the shown memo and the log, the
  // memo repainted at the next message processing. Version text included.
  {
    std::vector<std::string> watchedFiles;
    std::string kindName;
    for (const std::string& n : fileNames)
      if (ClassifyFile(n, kindName) != TWatchedKind::wkNone &&
          (IndexOfText(form.WatchedLibraries(), kindName) >= 0 ||
           IndexOfText(form.WatchedPrograms(), kindName) >= 0))
        watchedFiles.push_back(n);
    SetWindowTextA(form.mmoStatus(), "");
    std::printf("  per report line (%zu): version text %.1f us", watchedFiles.size(),
                perName(watchedFiles, [&](const std::string& n) {
                  sink += static_cast<long>(TVersionInfo(n).GetVersionString().size());
                }));
    std::printf(", into memo and log with messages processed %.1f us\n",
                perName(watchedFiles, [&](const std::string& n) {
                  form.ReportLine(n + " - 0.0.0.0");
                  Application.ProcessMessages();
                }));
    HWND memo = form.mmoStatus();
    std::printf("  per report line: into the memo with its drawing held %.1f us",
                perName(watchedFiles, [&](const std::string& n) {
                  const std::string line = "\r\n" + n + " - 0.0.0.0";
                  SendMessageA(memo, WM_SETREDRAW, FALSE, 0);
                  const int end = GetWindowTextLengthA(memo);
                  SendMessageA(memo, EM_SETSEL, end, end);
                  SendMessageA(memo, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(line.c_str()));
                  SendMessageA(memo, WM_SETREDRAW, TRUE, 0);
                }));
    std::printf(", the memo repainted whole %.1f us",
                perName(watchedFiles, [&](const std::string&) {
                  RedrawWindow(memo, nullptr, nullptr,
                               RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
                }));
    std::printf(", its client area alone %.1f us\n", perName(watchedFiles, [&](const std::string&) {
                  RedrawWindow(memo, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
                }));
    // How appending a line costs against the lines already in the memo.
    for (int lines : {10, 100, 400}) {
      std::string text;
      for (int i = 0; i < lines; ++i) text += "D:\\some\\folder\\VQ32W.DLL - 0.0.0.0\r\n";
      SetWindowTextA(memo, text.c_str());
      std::vector<std::string> twenty(20);
      int end = 0;
      const double length = perName(twenty, [&](const std::string&) {
        end = GetWindowTextLengthA(memo);
      });
      const double select = perName(twenty, [&](const std::string&) {
        SendMessageA(memo, EM_SETSEL, end, end);
      });
      const double replace = perName(twenty, [&](const std::string&) {
        SendMessageA(memo, EM_REPLACESEL, FALSE,
                     reinterpret_cast<LPARAM>("\r\nD:\\x\\VQ32W.DLL - 0.0.0.0"));
      });
      std::printf("  memo of %d lines: text length %.1f us, caret to the end %.1f us, line added %.1f us\n",
                  lines, length, select, replace);
    }
    SetWindowTextA(memo, "");
  }
  // The parsing name of every item of the tree's first folder that holds
  // files, taken as the floor takes it and as the scan does.
  {
    TComRef<IShellFolder> folder;
    TUniquePidl list;
    std::string first;
    for (const std::string& n : fileNames) {
      first = ExtractFilePath(n, &IsAnsiLeadByte);
      break;
    }
    ULONG eaten = 0;
    std::wstring wide(first.begin(), first.end());
    TComRef<IEnumIDList> enumerator;
    std::vector<TUniquePidl> items;
    if (!first.empty() &&
        SUCCEEDED(desktop->ParseDisplayName(nullptr, nullptr, &wide[0], &eaten, list.put(),
                                            nullptr)) &&
        SUCCEEDED(desktop->BindToObject(list.get(), nullptr, IID_IShellFolder,
                                        folder.put_void())) &&
        folder->EnumObjects(nullptr, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS, enumerator.put()) ==
            S_OK) {
      for (;;) {
        TUniquePidl item;
        ULONG fetched = 0;
        if (enumerator->Next(1, item.put(), &fetched) != S_OK) break;
        items.push_back(std::move(item));
      }
    }
    std::vector<std::string> repeat(50);
    const double asFloor = perName(repeat, [&](const std::string&) {
      for (const TUniquePidl& item : items) {
        char text[1024];
        FloorParsingName(folder.get(), item.get(), text);
        sink += text[0];
      }
    });
    const double asScan = perName(repeat, [&](const std::string&) {
      for (const TUniquePidl& item : items)
        sink += static_cast<long>(
            GetDisplayName(folder.get(), item.get(), TDisplayNameType::dntForParsing).size());
    });
    const double perItem = items.empty() ? 0 : 1.0 / static_cast<double>(items.size());
    std::printf("  per item (%zu): parsing name as the floor takes it %.2f us, as the scan %.2f us\n",
                items.size(), asFloor * perItem, asScan * perItem);
  }
  std::string upper;
  std::printf("  per file: name and extension, upper-cased %.2f us",
              perName(fileNames, [&](const std::string& n) {
                sink += static_cast<long>(ClassifyFile(n, upper));
              }));
  std::vector<std::string> candidates;
  for (const std::string& n : fileNames)
    if (ClassifyFile(n, upper) != TWatchedKind::wkNone) candidates.push_back(upper);
  std::printf("; list lookup for the %zu .DLL/.EXE names %.2f us each\n", candidates.size(),
              perName(candidates, [&](const std::string& n) {
                sink += IndexOfText(form.WatchedLibraries(), n) +
                        IndexOfText(form.WatchedPrograms(), n);
              }));
}

}  // namespace

int main(int argc, char** argv) {
  // "profile" instead of a number of rounds times the scan's parts instead.
  const bool profile = argc > 1 && std::strcmp(argv[1], "profile") == 0;
  const int rounds = profile ? -1 : argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  const int scaleRounds = argc > 2 ? std::max(0, std::atoi(argv[2])) : 1;
  Application.Initialize(GetModuleHandleA(nullptr));
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_BAR_CLASSES};
  InitCommonControlsEx(&controls);
  PidlhelpInitialize();
  int code = 0;
  {
    // The program's own main window, shown, with its status bar.
    TfrmMain form;
    form.Show();
    Application.ProcessMessages();
    if (rounds < 0) {
      // "profile NAME" profiles that tree alone.
      if (argc > 2) {
        Profile(form, argv[2]);
      } else {
        Profile(form, "wide");
        Profile(form, "realistic");
      }
      PidlhelpFinalize();
      return 0;
    }
    IShellFolder* desktop = form.DesktopFolder();
    const HWND owner = Application.Handle();
    TResponseProbe probe;
    std::printf("visual style: %s\n", ActiveTheme().c_str());
    DWORD_PTR processors = 0, all = 0;
    GetProcessAffinityMask(GetCurrentProcess(), &processors, &all);
    std::printf("processors: %#llx of %#llx\n", static_cast<unsigned long long>(processors),
                static_cast<unsigned long long>(all));

    const bool wideOnly = argc > 3 && std::strcmp(argv[3], "wide") == 0;
    std::vector<TTree> trees(wideOnly ? 1 : 2);
    trees[0].name = "wide";
    if (!wideOnly) trees[1].name = "realistic";
    for (TTree& tree : trees) {
      tree.path = TreeRoot + tree.name;
      if (!ParseTree(desktop, tree)) return 1;
      Walk(tree.path, tree.files);  // brings the tree into the caches
    }

    SIZE_T before = 0, after = 0;
    std::vector<SIZE_T> afterEach;
    int realisticScans = 0;
    double longestGap = 0;
    for (int round = 0; round < rounds; ++round) {
      for (TTree& tree : trees) {
        const bool realistic = tree.name == "realistic";
        // The first of the three goes first in turn, so that none of them
        // always follows the same one.
        for (int k = 0; k < 3; ++k) {
          switch ((round + k) % 3) {
            case 0:
              tree.shell = TCounts();
              tree.floor.push_back(
                  Seconds([&] { Floor(desktop, owner, tree.list.get(), tree.shell); }));
              tree.floorCpu.push_back(LastProcessSeconds);
              break;
            case 1: {
              // As at the start of a run: an empty memo and misplaced list.
              SetWindowTextA(form.mmoStatus(), "");
              form.Misplaced().clear();
              if (realistic && realisticScans == 0) before = PrivateBytes();
              if (realistic) probe.Start();
              tree.scan.push_back(Seconds([&] { form.ScanFolder(tree.list.get()); }));
              tree.scanCpu.push_back(LastProcessSeconds);
              if (realistic) {
                probe.Stop();
                longestGap = std::max(longestGap, probe.Longest());
                // After each scan, to tell a first scan's warming up from growth.
                afterEach.push_back(PrivateBytes());
                if (++realisticScans == 3) after = PrivateBytes();
              }
              break;
            }
            default:
              tree.files = TCounts();
              tree.walk.push_back(Seconds([&] { Walk(tree.path, tree.files); }));
          }
        }
      }
      std::printf("round %d:", round + 1);
      for (const TTree& tree : trees)
        std::printf(" %s floor %.3f scan %.3f walk %.3f s;", tree.name.c_str(), tree.floor.back(),
                    tree.scan.back(), tree.walk.back());
      std::printf("\n");
      std::fflush(stdout);
    }

    for (TTree& tree : trees) {
      const double floor = Median(tree.floor), scan = Median(tree.scan), walk = Median(tree.walk);
      std::printf("%s: %ld folders, %ld items (walk: %ld items); %zu misplaced per scan\n",
                  tree.name.c_str(), tree.shell.folders, tree.shell.items, tree.files.items,
                  form.Misplaced().size());
      std::printf("median of %d (%s): floor %.3f s, scan %.3f s, walk %.3f s\n", rounds,
                  tree.name.c_str(), floor, scan, walk);
      std::printf("processor time of this process (%s): floor %.3f s, scan %.3f s, ratio %.2f\n",
                  tree.name.c_str(), Median(tree.floorCpu), Median(tree.scanCpu),
                  Median(tree.scanCpu) / Median(tree.floorCpu));
      std::printf("cost per item (%s): floor %.2f us, scan %.2f us, walk %.2f us\n",
                  tree.name.c_str(), floor * 1e6 / tree.shell.items, scan * 1e6 / tree.shell.items,
                  walk * 1e6 / tree.files.items);
    }
    std::printf("ratio scan/floor (wide): %.2f\n", Median(trees[0].scan) / Median(trees[0].floor));
    if (wideOnly) {
      PidlhelpFinalize();
      return 0;
    }
    std::printf("ratio scan/floor (realistic): %.2f\n",
                Median(trees[1].scan) / Median(trees[1].floor));
    std::printf("ratio scan/walk (realistic): %.2f\n",
                Median(trees[1].scan) / Median(trees[1].walk));
    std::printf("private bytes before three scans: %zu, after: %zu (%+lld)\n",
                static_cast<size_t>(before), static_cast<size_t>(after),
                static_cast<long long>(after) - static_cast<long long>(before));
    std::printf("private bytes after each realistic scan:");
    for (size_t i = 0; i < afterEach.size(); ++i)
      std::printf(" %zu (%+lld)", static_cast<size_t>(afterEach[i]),
                  static_cast<long long>(afterEach[i]) -
                      static_cast<long long>(i ? afterEach[i - 1] : before));
    std::printf("\n");
    std::printf("longest gap between message processing (realistic): %.1f ms\n", longestGap * 1e3);

    if (scaleRounds > 0) {
      TTree large;
      large.name = "realistic4";
      large.path = TreeRoot + large.name;
      if (!ParseTree(desktop, large)) return 1;
      Walk(large.path, large.files);
      const SIZE_T largeBefore = PrivateBytes();
      for (int round = 0; round < scaleRounds; ++round) {
        SetWindowTextA(form.mmoStatus(), "");
        form.Misplaced().clear();
        large.scan.push_back(Seconds([&] { form.ScanFolder(large.list.get()); }));
      }
      const SIZE_T largeAfter = PrivateBytes();
      // Items as the shell lists them: the walk's count, since both see the
      // same folders and files of a tree without hidden items.
      const double small = Median(trees[1].scan) * 1e6 / trees[1].files.items;
      const double big = Median(large.scan) * 1e6 / large.files.items;
      std::printf(
          "scale: realistic x4: %ld items, scan %.3f s (median of %d), %.2f us per item, "
          "%.2f times the realistic tree's %.2f us\n",
          large.files.items, Median(large.scan), scaleRounds, big, big / small, small);
      // A scan that grows more than that is measured against the shell's
      // own floor on both sizes, to tell whose growth it is.
      if (big / small > 1.2) {
        large.floor.push_back(
            Seconds([&] { Floor(desktop, owner, large.list.get(), large.shell); }));
        const double smallFloor = Median(trees[1].floor) * 1e6 / trees[1].files.items;
        const double bigFloor = Median(large.floor) * 1e6 / large.files.items;
        std::printf(
            "scale: floor on the x4 tree %.2f us per item, %.2f times the realistic tree's; "
            "ratio scan/floor (realistic x4): %.2f\n",
            bigFloor, bigFloor / smallFloor, Median(large.scan) / Median(large.floor));
      }
      std::printf("private bytes across %d scans of the x4 tree: %zu before, %zu after (%+lld)\n",
                  scaleRounds, static_cast<size_t>(largeBefore), static_cast<size_t>(largeAfter),
                  static_cast<long long>(largeAfter) - static_cast<long long>(largeBefore));
    }
  }
  PidlhelpFinalize();
  return code;
}
