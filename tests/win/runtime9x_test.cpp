// The program and its C++ runtime as Windows 95, 98 and ME run them. Their
// kernel32 exports the wide-character calls the program imports (the
// baseline marks them "95 stub") but only fails them with
// ERROR_CALL_NOT_IMPLEMENTED; Wine implements them. So this program starts
// at its own entry point, points its import address table at stand-ins that
// fail the same way before the C runtime starts, and then does what every
// run does with the runtime (throws and catches the program's own errors
// through its own code, unwinds frames with destructors, initialises
// function-local statics) and calls the program's long-path helpers, which
// must fall back to the ANSI calls.

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "TestEnv.h"
#include "app/RegistryDump.h"
#include "framework/Application.h"
#include "framework/Exceptions.h"
#include "platform/UniqueResource.h"
#include "support/LongPath.h"

extern "C" int mainCRTStartup();

namespace {

// What the stand-ins saw. Plain globals: they are written before the C
// runtime has run any constructor.
enum {
  kCreateSemaphoreW,
  kGetModuleHandleW,
  kLoadLibraryW,
  kCreateFileW,
  kGetFileAttributesW,
  kGetShortPathNameW,
  kStandInCount
};
LONG calls[kStandInCount];
bool replaced[kStandInCount];

void Failed(int which) {
  InterlockedIncrement(&calls[which]);
  SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
}

HANDLE WINAPI FailCreateSemaphoreW(LPSECURITY_ATTRIBUTES, LONG, LONG, LPCWSTR) {
  Failed(kCreateSemaphoreW);
  return nullptr;
}

HMODULE WINAPI FailGetModuleHandleW(LPCWSTR) {
  Failed(kGetModuleHandleW);
  return nullptr;
}

HMODULE WINAPI FailLoadLibraryW(LPCWSTR) {
  Failed(kLoadLibraryW);
  return nullptr;
}

HANDLE WINAPI FailCreateFileW(LPCWSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE) {
  Failed(kCreateFileW);
  return INVALID_HANDLE_VALUE;
}

DWORD WINAPI FailGetFileAttributesW(LPCWSTR) {
  Failed(kGetFileAttributesW);
  return INVALID_FILE_ATTRIBUTES;
}

DWORD WINAPI FailGetShortPathNameW(LPCWSTR, LPWSTR, DWORD) {
  Failed(kGetShortPathNameW);
  return 0;
}

struct TStandIn {
  const char* name;
  void* function;
};
const TStandIn kStandIns[kStandInCount] = {
    {"CreateSemaphoreW", reinterpret_cast<void*>(&FailCreateSemaphoreW)},
    {"GetModuleHandleW", reinterpret_cast<void*>(&FailGetModuleHandleW)},
    {"LoadLibraryW", reinterpret_cast<void*>(&FailLoadLibraryW)},
    {"CreateFileW", reinterpret_cast<void*>(&FailCreateFileW)},
    {"GetFileAttributesW", reinterpret_cast<void*>(&FailGetFileAttributesW)},
    {"GetShortPathNameW", reinterpret_cast<void*>(&FailGetShortPathNameW)},
};

// Rewrites this image's kernel32 import slots; Win32 calls only, no runtime.
void ReplaceImports() {
  auto* base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  for (auto* d = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress);
       d->Name; ++d) {
    if (lstrcmpiA(reinterpret_cast<const char*>(base + d->Name), "kernel32.dll") != 0) continue;
    auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + d->OriginalFirstThunk);
    auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk);
    for (; names->u1.AddressOfData; ++names, ++slots) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      const char* name =
          reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData)->Name;
      for (int i = 0; i < kStandInCount; ++i) {
        if (lstrcmpA(name, kStandIns[i].name) != 0) continue;
        DWORD old = 0;
        VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &old);
        slots->u1.Function = reinterpret_cast<ULONG_PTR>(kStandIns[i].function);
        VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, old, &old);
        replaced[i] = true;
      }
    }
  }
}

}  // namespace

// The linker enters here (see tests/win/CMakeLists.txt).
extern "C" int Tarvo9xEntry() {
  ReplaceImports();
  return mainCRTStartup();
}

namespace tarvo {
namespace {

// Every call the baseline marks as a failing stub on 9x has its stand-in,
// and the runtime did reach the one it calls while starting.
TEST(Runtime9x, EveryStubOf9xIsStoodIn) {
  std::ifstream baseline(test::UnixPathFromEnv("TARVO_IMPORTS_BASELINE"));
  ASSERT_TRUE(baseline.good());
  std::set<std::string> stubs;
  for (std::string line; std::getline(baseline, line);) {
    std::vector<std::string> f;
    std::stringstream split(line);
    for (std::string field; std::getline(split, field, '\t');) f.push_back(field);
    if (f.size() == 4 && f[2] == "95 stub") stubs.insert(f[0] + "!" + f[1]);
  }
  ASSERT_FALSE(stubs.empty());
  for (const std::string& stub : stubs) {
    bool covered = false;
    for (int i = 0; i < kStandInCount; ++i) {
      if (stub == std::string("kernel32.dll!") + kStandIns[i].name) {
        covered = true;
        EXPECT_TRUE(replaced[i]) << stub << " is not imported by this test program";
      }
    }
    EXPECT_TRUE(covered) << stub << " fails on 9x and has no stand-in here";
  }
  EXPECT_GE(calls[0], 1) << "the runtime's locks were made through the stand-in";
  for (int i = 0; i < kStandInCount; ++i)
    std::printf("%s: %ld calls\n", kStandIns[i].name, calls[i]);
}

struct TCounted {
  explicit TCounted(int& n) : n_(n) { ++n_; }
  ~TCounted() { --n_; }
  int& n_;
};

void ThrowFromDepth(int depth, int& alive) {
  TCounted c(alive);
  if (depth == 0) {
    OleCheck(E_ACCESSDENIED);
    return;
  }
  ThrowFromDepth(depth - 1, alive);
}

// The program's OLE error, raised by its own check, through frames whose
// destructors must all run, caught by the base class and rethrown.
TEST(Runtime9x, OleErrorUnwindsAndIsCaught) {
  int alive = 0;
  std::string text;
  try {
    try {
      ThrowFromDepth(40, alive);
    } catch (const EError&) {
      EXPECT_EQ(0, alive);
      throw;
    }
  } catch (const EOleError& e) {
    EXPECT_EQ(static_cast<std::int32_t>(E_ACCESSDENIED), e.Code());
    text = e.what();
  }
  EXPECT_FALSE(text.empty());
  EXPECT_THROW(OleCheck(static_cast<HRESULT>(0x8badf00d)), EOleError);
}

// The program's registry error, raised inside its recursive dump with the
// report callback and the open key handles on the stack.
TEST(Runtime9x, RegistryErrorFromTheDumpIsCaught) {
  const char path[] = "Software\\TarvoRuntime9x";
  TUniqueHKey key;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_ALL_ACCESS,
                                           nullptr, key.put(), nullptr));
  TUniqueHKey sub;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(key.get(), "deeper", 0, nullptr, 0, KEY_ALL_ACCESS,
                                           nullptr, sub.put(), nullptr));
  const unsigned char eight[8] = {1};
  RegSetValueExA(sub.get(), "n", 0, REG_DWORD, eight, sizeof eight);
  std::vector<std::string> lines;
  bool caught = false;
  try {
    DumpRegistryKey(HKEY_CURRENT_USER, path, [&](const std::string& l) { lines.push_back(l); });
  } catch (const ERegistryException& e) {
    caught = std::string(e.what()).find("'n'") != std::string::npos;
  }
  RegDeleteKeyA(key.get(), "deeper");
  RegDeleteKeyA(HKEY_CURRENT_USER, path);
  EXPECT_TRUE(caught);
}

int Counter() {
  static int calls = 0;
  return ++calls;
}

const std::string& OnceOnly() {
  static const std::string value = std::to_string(Counter());
  return value;
}

// Guarded statics are made once; an exception thrown while one is being made
// leaves it to be made again on the next call.
TEST(Runtime9x, FunctionLocalStatics) {
  EXPECT_EQ(OnceOnly(), OnceOnly());
  static int attempts = 0;
  auto make = [] {
    static const int value = ++attempts < 2 ? throw std::runtime_error("first") : attempts;
    return value;
  };
  EXPECT_THROW(make(), std::runtime_error);
  EXPECT_EQ(2, make());
  EXPECT_EQ(2, make());
}

// An exception thrown and caught inside a destructor that runs during the
// unwinding of another: two exceptions in flight at once.
TEST(Runtime9x, ExceptionCaughtWhileAnotherUnwinds) {
  struct TCleanup {
    bool& inner;
    ~TCleanup() {
      try {
        throw EError("inner");
      } catch (const EError&) {
        inner = true;
      }
    }
  };
  bool inner = false;
  EXPECT_THROW(
      {
        TCleanup c{inner};
        throw std::logic_error("outer");
      },
      std::logic_error);
  EXPECT_TRUE(inner);
}

// The long-path calls fall back to the ANSI calls when the wide ones fail
// as on 9x, and still find, open and name the file.
TEST(Runtime9x, LongPathCallsFallBackToTheAnsiCalls) {
  char folder[MAX_PATH] = {};
  ASSERT_GT(GetTempPathA(MAX_PATH, folder), 0u);
  const std::string file = std::string(folder) + "tarvo-runtime9x.txt";
  {
    TUniqueFile made(
        CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(made);
  }
  const std::wstring wide = AnsiToWide(file);
  const LONG before[] = {calls[kGetFileAttributesW], calls[kCreateFileW],
                         calls[kGetShortPathNameW]};

  EXPECT_NE(INVALID_FILE_ATTRIBUTES, PathAttributes(wide));
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, PathAttributes(wide + L".missing"));
  HANDLE handle = OpenForQuery(wide);
  EXPECT_NE(INVALID_HANDLE_VALUE, handle);
  if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  EXPECT_EQ(file, ReachableAnsiPath(wide));

  EXPECT_EQ(before[0] + 2, calls[kGetFileAttributesW]);
  EXPECT_EQ(before[1] + 1, calls[kCreateFileW]);
  EXPECT_GT(calls[kGetShortPathNameW], before[2]);
  DeleteFileA(file.c_str());
}

}  // namespace
}  // namespace tarvo
