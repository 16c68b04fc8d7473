// Measures the module scan against a plain recursive FindFirstFileExA walk of
// the same generated tree, and the process's private bytes across scans.
#include <windows.h>
#include <psapi.h>
#include <shlobj.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <cstdio>
#include <string>
#include <vector>

#include "app/Main.h"
#include "app/ModuleScan.h"
#include "platform/ComRef.h"
#include "support/Pidlhelp.h"
#include "support/UniquePidl.h"

#include "Files.h"

using namespace tarvo;

namespace {

constexpr int TopFolders = 20;
constexpr int SubFolders = 25;  // per top folder: 500 folders in all
constexpr int FilesPerFolder = 100;

void MakeFile(const std::string& path) {
  TUniqueFile file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) std::fprintf(stderr, "cannot create %s\n", path.c_str());
}

int Generate(const std::string& root) {
  CreateDirectoryA(root.c_str(), nullptr);
  int files = 0;
  const char* watched[] = {"VQ32W.DLL", "PARDEX.EXE", "HOSKEN32.DLL"};
  for (int top = 0; top < TopFolders; ++top) {
    std::string topPath = root + "\\top" + std::to_string(top);
    CreateDirectoryA(topPath.c_str(), nullptr);
    for (int sub = 0; sub < SubFolders; ++sub) {
      std::string folder = topPath + "\\folder" + std::to_string(sub);
      CreateDirectoryA(folder.c_str(), nullptr);
      for (int i = 0; i < FilesPerFolder; ++i) {
        std::string name = "file" + std::to_string(i) + (i % 3 ? ".dll" : ".txt");
        // A few watched names, spread over the tree.
        if (i == 0 && sub % 10 == 0) name = watched[(top + sub) % 3];
        MakeFile(folder + "\\" + name);
        ++files;
      }
    }
  }
  return files;
}

void Walk(const std::string& folder, long& files) {
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileExA((folder + "\\*").c_str(), FindExInfoBasic, &data,
                                 FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (std::strcmp(data.cFileName, ".") != 0 && std::strcmp(data.cFileName, "..") != 0)
        Walk(folder + "\\" + data.cFileName, files);
    } else {
      ++files;
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

// The shell's own floor: every item fetched through the same binds and
// enumerators as the scan, asked nothing.
void EnumerateOnly(IShellFolder* desktop, LPCITEMIDLIST list, long& items) {
  TComRef<IShellFolder> folder;
  if (FAILED(desktop->BindToObject(list, nullptr, IID_IShellFolder, folder.put_void()))) return;
  TComRef<IEnumIDList> enumerator;
  if (folder->EnumObjects(nullptr, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS, enumerator.put()) !=
          S_OK ||
      !enumerator)
    return;
  for (;;) {
    TUniquePidl item;
    if (enumerator->Next(1, item.put(), nullptr) != S_OK) break;
    ++items;
    LPCITEMIDLIST child = item.get();
    ULONG attributes = SFGAO_FOLDER;
    folder->GetAttributesOf(1, &child, &attributes);
    if (attributes & SFGAO_FOLDER) {
      TUniquePidl absolute(ConcatPIDLs(list, child));
      EnumerateOnly(desktop, absolute.get(), items);
    }
  }
}

template <typename F>
double Seconds(F&& action) {
  auto start = std::chrono::steady_clock::now();
  action();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  const std::string root = argc > 1 ? argv[1] : "D:\\tarvo-bench";
  CoInitialize(nullptr);
  PidlhelpInitialize();
  int code = 0;
  {
    std::printf("generating %d files in %d folders under %s\n",
                TopFolders * SubFolders * FilesPerFolder, TopFolders * SubFolders, root.c_str());
    int files = 0;
    double made = Seconds([&] { files = Generate(root); });
    std::printf("generated %d files in %.1f s\n", files, made);

    TComRef<IShellFolder> desktop;
    SHGetDesktopFolder(desktop.put());
    TUniquePidl list;
    ULONG eaten = 0;
    std::wstring wide(root.begin(), root.end());
    if (FAILED(
            desktop->ParseDisplayName(nullptr, nullptr, &wide[0], &eaten, list.put(), nullptr))) {
      std::fprintf(stderr, "cannot parse %s\n", root.c_str());
      return 1;
    }
    TStrings libraries = WatchedLibraryNames(), programs = WatchedProgramNames(), misplaced;
    long lines = 0;
    TScanContext context;
    context.desktopFolder = desktop.get();
    context.watchedLibraries = &libraries;
    context.watchedPrograms = &programs;
    context.systemDirectory = SystemDirectoryForScan();
    context.misplaced = &misplaced;
    context.stopRequested = [] { return false; };
    context.processMessages = [] {
      MSG msg;
      while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    };
    context.report = [&](const std::string&) { ++lines; };

    long walked = 0;
    // One of each first, so both measured runs find the tree in the cache.
    Walk(root, walked);
    TModuleScan(context).ScanFolder(list.get());
    walked = 0;
    double walk = Seconds([&] { Walk(root, walked); });
    long enumerated = 0;
    double shell = Seconds([&] { EnumerateOnly(desktop.get(), list.get(), enumerated); });
    const SIZE_T before = PrivateBytes();
    double scans[3];
    for (double& scan : scans) {
      lines = 0;
      misplaced.clear();
      scan = Seconds([&] { TModuleScan(context).ScanFolder(list.get()); });
    }
    const SIZE_T after = PrivateBytes();
    double best = std::min(scans[0], std::min(scans[1], scans[2]));
    std::printf("plain walk: %ld files in %.3f s\n", walked, walk);
    std::printf("scan: %ld report lines, %zu misplaced; %.3f s, %.3f s, %.3f s\n", lines,
                misplaced.size(), scans[0], scans[1], scans[2]);
    std::printf("shell enumeration with folder test only: %ld items in %.3f s\n", enumerated,
                shell);
    std::printf("ratio scan/walk (best scan): %.2f\n", best / walk);
    std::printf("ratio scan/shell enumeration: %.2f\n", best / shell);
    std::printf("private bytes before three scans: %zu, after: %zu (%+lld)\n",
                static_cast<size_t>(before), static_cast<size_t>(after),
                static_cast<long long>(after) - static_cast<long long>(before));
  }
  if (!(argc > 2 && std::string(argv[2]) == "--keep")) tarvo::test::RemoveTree(root);
  PidlhelpFinalize();
  CoUninitialize();
  return code;
}
