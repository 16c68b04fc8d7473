// The registry dump against Wine's real registry. Every test plants its keys
// under the suite's own key paths in the throwaway prefix and removes them
// again, also when it fails.

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include "app/RegistryDump.h"
#include "framework/Exceptions.h"
#include "platform/UniqueResource.h"

namespace tarvo {
namespace {

using TLines = std::vector<std::string>;

const char kZvk[] = "Software\\ZVK";
const char kPardex[] = "Software\\VB and VBA Program Settings\\Pardex";

// Deletes a key and everything below it. Links are never followed here: the
// test that makes one removes it first.
void DeleteTree(HKEY root, const std::string& path) {
  {
    TUniqueHKey key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return;
    char name[256];
    for (;;) {
      DWORD length = sizeof name;
      if (RegEnumKeyExA(key.get(), 0, name, &length, nullptr, nullptr, nullptr, nullptr) !=
          ERROR_SUCCESS) {
        break;
      }
      const std::string child = path + "\\" + name;
      DeleteTree(root, child);
      TUniqueHKey still;
      if (RegOpenKeyExA(root, child.c_str(), 0, KEY_READ, still.put()) == ERROR_SUCCESS) break;
    }
  }
  RegDeleteKeyA(root, path.c_str());
}

// A key of the test's own, gone again when the guard goes.
class TPlantedKey {
public:
  TPlantedKey(HKEY root, std::string path) : root_(root), path_(std::move(path)) {
    DeleteTree(root_, path_);
    key_ = Create(path_);
  }
  ~TPlantedKey() {
    key_.reset();
    DeleteTree(root_, path_);
  }
  HKEY get() const { return key_.get(); }
  const std::string& path() const { return path_; }

  TUniqueHKey Create(const std::string& path) const {
    TUniqueHKey key;
    LONG rc = RegCreateKeyExA(root_, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              key.put(), nullptr);
    EXPECT_EQ(ERROR_SUCCESS, rc) << path;
    return key;
  }
  TUniqueHKey Sub(const std::string& relative) const { return Create(path_ + "\\" + relative); }

private:
  HKEY root_;
  std::string path_;
  TUniqueHKey key_;
};

void SetRaw(HKEY key, const char* name, DWORD type, const void* data, DWORD size) {
  ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size))
      << name;
}
void SetString(HKEY key, const char* name, const std::string& text) {
  SetRaw(key, name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
}
void SetNumber(HKEY key, const char* name, DWORD number) {
  SetRaw(key, name, REG_DWORD, &number, sizeof number);
}

TLines Dump(HKEY root, const std::string& path) {
  TLines lines;
  DumpRegistryKey(root, path, [&lines](const std::string& l) { lines.push_back(l); });
  return lines;
}

TLines Sorted(TLines lines) {
  std::sort(lines.begin(), lines.end());
  return lines;
}

std::string ErrorOf(HKEY root, const std::string& path, TLines& lines) {
  try {
    DumpRegistryKey(root, path, [&lines](const std::string& l) { lines.push_back(l); });
  } catch (const ERegistryException& e) {
    return e.what();
  }
  return "";
}

TEST(RegistryDump, KeyListIsTheSuitesSixKeysInOrder) {
  const auto& list = RegistryKeyList();
  ASSERT_EQ(6u, list.size());
  EXPECT_EQ(HKEY_LOCAL_MACHINE, list[0].root);
  EXPECT_STREQ("Software\\ZVK", list[0].keyPath);
  const char* const user[] = {"ZVK", "Pardex", "Pardex2", "Pardex3", "Pardex4"};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(HKEY_CURRENT_USER, list[i + 1].root);
    EXPECT_EQ(std::string("Software\\VB and VBA Program Settings\\") + user[i],
              list[i + 1].keyPath);
  }
}

TEST(RegistryDump, MissingAndEmptyKeysGiveNothing) {
  for (const auto& entry : RegistryKeyList()) DeleteTree(entry.root, entry.keyPath);
  for (const auto& entry : RegistryKeyList()) {
    EXPECT_TRUE(Dump(entry.root, entry.keyPath).empty()) << entry.keyPath;
  }
  TPlantedKey zvk(HKEY_LOCAL_MACHINE, kZvk);
  EXPECT_TRUE(Dump(HKEY_LOCAL_MACHINE, kZvk).empty());
}

TEST(RegistryDump, StringAndNumberLines) {
  TPlantedKey zvk(HKEY_LOCAL_MACHINE, kZvk);
  SetString(zvk.get(), "", "abc");
  SetString(zvk.get(), "(Default)", "literal");
  SetNumber(zvk.get(), "Ten", 10);
  SetNumber(zvk.get(), "Zero", 0);
  SetNumber(zvk.get(), "Minus", 0xFFFFFFFF);
  SetNumber(zvk.get(), "Lowest", 0x80000000);
  SetRaw(zvk.get(), "Embedded", REG_SZ, "ab\0cd", 6);
  SetString(zvk.get(), "Lines", "one\r\ntwo");
  // Stored without a terminating NUL: nothing beyond the three bytes may show.
  SetRaw(zvk.get(), "Bare", REG_SZ, "xyz", 3);
  const unsigned char shortNumber[] = {0x34, 0x12};
  SetRaw(zvk.get(), "Short", REG_DWORD, shortNumber, sizeof shortNumber);
  // A leading backslash is dropped for opening, kept nowhere in the lines.
  EXPECT_EQ(Dump(HKEY_LOCAL_MACHINE, kZvk), Dump(HKEY_LOCAL_MACHINE, "\\Software\\ZVK"));

  EXPECT_EQ(Sorted({
                "HKLM\\Software\\ZVK\\(Default) = abc",
                "HKLM\\Software\\ZVK\\(Default) = literal",
                "HKLM\\Software\\ZVK\\Bare = xyz",
                "HKLM\\Software\\ZVK\\Embedded = ab",
                "HKLM\\Software\\ZVK\\Lines = one\r\ntwo",
                "HKLM\\Software\\ZVK\\Lowest = -2147483648, 0x80000000",
                "HKLM\\Software\\ZVK\\Minus = -1, 0xFFFFFFFF",
                "HKLM\\Software\\ZVK\\Short = 4660, 0x00001234",
                "HKLM\\Software\\ZVK\\Ten = 10, 0x0000000A",
                "HKLM\\Software\\ZVK\\Zero = 0, 0x00000000",
            }),
            Sorted(Dump(HKEY_LOCAL_MACHINE, kZvk)));

  TPlantedKey pardex(HKEY_CURRENT_USER, kPardex);
  SetString(pardex.get(), "Path", "");
  SetRaw(pardex.get(), "NoData", REG_SZ, nullptr, 0);
  EXPECT_EQ(Sorted({"HKCU\\Software\\VB and VBA Program Settings\\Pardex\\NoData = ",
                    "HKCU\\Software\\VB and VBA Program Settings\\Pardex\\Path = "}),
            Sorted(Dump(HKEY_CURRENT_USER, kPardex)));
}

TEST(RegistryDump, OtherTypesGiveNoLineDefaultValueIncluded) {
  TPlantedKey zvk(HKEY_LOCAL_MACHINE, kZvk);
  SetRaw(zvk.get(), "", REG_EXPAND_SZ, "%PATH%", 7);
  SetRaw(zvk.get(), "Binary", REG_BINARY, "\1\2\3\4", 4);
  SetRaw(zvk.get(), "Multi", REG_MULTI_SZ, "a\0b\0", 5);
  SetRaw(zvk.get(), "Big", REG_DWORD_BIG_ENDIAN, "\0\0\0\1", 4);
  SetRaw(zvk.get(), "None", REG_NONE, nullptr, 0);
  SetString(zvk.get(), "Kept", "yes");
  EXPECT_EQ(TLines{"HKLM\\Software\\ZVK\\Kept = yes"}, Dump(HKEY_LOCAL_MACHINE, kZvk));
}

TEST(RegistryDump, PreOrderWalkValuesBeforeSubkeys) {
  TPlantedKey zvk(HKEY_LOCAL_MACHINE, kZvk);
  SetString(zvk.get(), "a", "1");
  SetString(zvk.get(), "b", "2");
  SetString(zvk.Sub("S1").get(), "c", "3");
  SetString(zvk.Sub("S2\\T").get(), "d", "4");
  SetNumber(zvk.Sub("S2\\U").get(), "e", 5);
  EXPECT_EQ((TLines{"HKLM\\Software\\ZVK\\a = 1", "HKLM\\Software\\ZVK\\b = 2",
                    "HKLM\\Software\\ZVK\\S1\\c = 3", "HKLM\\Software\\ZVK\\S2\\T\\d = 4",
                    "HKLM\\Software\\ZVK\\S2\\U\\e = 5, 0x00000005"}),
            Dump(HKEY_LOCAL_MACHINE, kZvk));
}

TEST(RegistryDump, LongNamesLargeDataAndDeepTrees) {
  TPlantedKey zvk(HKEY_LOCAL_MACHINE, kZvk);
  const std::string longName(16383, 'n');
  SetString(zvk.get(), longName.c_str(), "long");
  const std::string big(1 << 20, 'B');
  SetString(zvk.get(), "Big", big);
  std::string path = kZvk;
  for (int level = 1; level <= 40; ++level) path += "\\L";
  SetNumber(zvk.Create(path).get(), "deep", 40);

  const TLines lines = Dump(HKEY_LOCAL_MACHINE, kZvk);
  EXPECT_EQ(
      Sorted({"HKLM\\" + path + "\\deep = 40, 0x00000028", "HKLM\\Software\\ZVK\\Big = " + big,
              "HKLM\\Software\\ZVK\\" + longName + " = long"}),
      Sorted(lines));
}

// A read that fails after its type query ends the whole dump with the
// registry error; the lines before it stay reported, nothing after it comes.
TEST(RegistryDump, EightByteNumberRaisesFailedToGetData) {
  TPlantedKey zvk(HKEY_LOCAL_MACHINE, kZvk);
  SetString(zvk.get(), "a", "before");
  const unsigned char eight[8] = {1, 0, 0, 0, 0, 0, 0, 0};
  SetRaw(zvk.get(), "b", REG_DWORD, eight, sizeof eight);
  SetString(zvk.get(), "c", "after");
  SetString(zvk.Sub("S").get(), "d", "below");
  TLines lines;
  EXPECT_EQ("Failed to get data for 'b'", ErrorOf(HKEY_LOCAL_MACHINE, kZvk, lines));
  EXPECT_EQ(TLines{"HKLM\\Software\\ZVK\\a = before"}, lines);
}

// Wine's handle count is always 0, but its handle table hands out the lowest
// free slot: the next handle value the process gets changes when a handle
// has been left open.
HKEY NextHandle() {
  TUniqueHKey probe;
  RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software", 0, KEY_READ, probe.put());
  return probe.get();
}

TEST(RegistryDump, EveryKeyHandleIsClosedAlsoWhenTheErrorPassesThrough) {
  TPlantedKey zvk(HKEY_LOCAL_MACHINE, kZvk);
  std::string path = kZvk;
  for (int level = 1; level <= 10; ++level) {
    path += "\\L";
    SetString(zvk.Create(path).get(), "v", "x");
  }
  const HKEY before = NextHandle();
  ASSERT_NE(nullptr, before);
  {
    // The probe does see a handle left open.
    TUniqueHKey held;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, kZvk, 0, KEY_READ, held.put()));
    ASSERT_NE(before, NextHandle());
  }
  EXPECT_EQ(10u, Dump(HKEY_LOCAL_MACHINE, kZvk).size());
  EXPECT_EQ(before, NextHandle());

  const unsigned char eight[8] = {};
  SetRaw(zvk.Create(path).get(), "w", REG_DWORD, eight, sizeof eight);
  TLines lines;
  EXPECT_EQ("Failed to get data for 'w'", ErrorOf(HKEY_LOCAL_MACHINE, kZvk, lines));
  EXPECT_EQ(before, NextHandle());
}

// Wine enforces key security: a subkey whose DACL grants nothing cannot be
// opened, so its lines and its subtree are missing and the walk goes on.
TEST(RegistryDump, UnreadableSubkeyIsLeftOutAndTheWalkGoesOn) {
  TPlantedKey zvk(HKEY_LOCAL_MACHINE, kZvk);
  SetString(zvk.get(), "a", "1");
  SetString(zvk.Sub("S1\\Below").get(), "hidden", "2");
  SetString(zvk.Sub("S2").get(), "seen", "3");
  {
    // This handle keeps its granted access after the DACL changes; it is the
    // one that gives the key back its access before the guard deletes it.
    TUniqueHKey locked;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, (zvk.path() + "\\S1").c_str(), 0,
                                           KEY_ALL_ACCESS | WRITE_DAC, locked.put()));
    SECURITY_DESCRIPTOR denyAll;
    ACL emptyAcl;
    ASSERT_TRUE(InitializeSecurityDescriptor(&denyAll, SECURITY_DESCRIPTOR_REVISION));
    ASSERT_TRUE(InitializeAcl(&emptyAcl, sizeof emptyAcl, ACL_REVISION));
    ASSERT_TRUE(SetSecurityDescriptorDacl(&denyAll, TRUE, &emptyAcl, FALSE));
    ASSERT_EQ(ERROR_SUCCESS, RegSetKeySecurity(locked.get(), DACL_SECURITY_INFORMATION, &denyAll));
    struct TRestore {
      HKEY key;
      ~TRestore() {
        SECURITY_DESCRIPTOR open;
        InitializeSecurityDescriptor(&open, SECURITY_DESCRIPTOR_REVISION);
        SetSecurityDescriptorDacl(&open, TRUE, nullptr, FALSE);
        RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &open);
      }
    } restore{locked.get()};

    TUniqueHKey probe;
    ASSERT_EQ(ERROR_ACCESS_DENIED, RegOpenKeyExA(HKEY_LOCAL_MACHINE, (zvk.path() + "\\S1").c_str(),
                                                 0, KEY_READ, probe.put()));
    EXPECT_EQ((TLines{"HKLM\\Software\\ZVK\\a = 1", "HKLM\\Software\\ZVK\\S2\\seen = 3"}),
              Dump(HKEY_LOCAL_MACHINE, kZvk));
  }
}

// Changes made while the walk runs, from inside the walk: the report of one
// line deletes what the walk has listed but not reached yet.
TEST(RegistryDump, KeysAndValuesDeletedDuringTheWalkAreSkipped) {
  TPlantedKey zvk(HKEY_LOCAL_MACHINE, kZvk);
  SetString(zvk.get(), "a", "1");
  SetString(zvk.get(), "b", "gone before its turn");
  SetString(zvk.get(), "c", "3");
  SetString(zvk.Sub("S1").get(), "x", "4");
  SetString(zvk.Sub("S2").get(), "y", "gone");
  SetString(zvk.Sub("S3").get(), "z", "6");
  TLines lines;
  DumpRegistryKey(HKEY_LOCAL_MACHINE, kZvk, [&](const std::string& line) {
    lines.push_back(line);
    if (line == "HKLM\\Software\\ZVK\\a = 1") RegDeleteValueA(zvk.get(), "b");
    if (line == "HKLM\\Software\\ZVK\\S1\\x = 4")
      DeleteTree(HKEY_LOCAL_MACHINE, zvk.path() + "\\S2");
  });
  EXPECT_EQ((TLines{"HKLM\\Software\\ZVK\\a = 1", "HKLM\\Software\\ZVK\\c = 3",
                    "HKLM\\Software\\ZVK\\S1\\x = 4", "HKLM\\Software\\ZVK\\S3\\z = 6"}),
            lines);
}

bool IsWow64() {
  BOOL wow64 = FALSE;
  return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

// A link's target is a path in the registry's own namespace, which knows no
// views: a 32-bit program on 64-bit Windows finds HKLM\Software under
// Wow6432Node there.
std::string NativeMachinePath(const std::string& path) {
  const std::string software = "Software\\";
  if (IsWow64() && path.compare(0, software.size(), software) == 0)
    return software + "Wow6432Node\\" + path.substr(software.size());
  return path;
}

// A registry link back to an ancestor: without a depth bound the walk would
// recurse until the stack is gone. The walk stops descending at level 512.
class TLoopLink {
public:
  explicit TLoopLink(const std::string& parentPath) : path_(parentPath + "\\Loop") {
    std::wstring wide(path_.begin(), path_.end());
    LONG rc = RegCreateKeyExW(HKEY_LOCAL_MACHINE, wide.c_str(), 0, nullptr, REG_OPTION_CREATE_LINK,
                              KEY_ALL_ACCESS | KEY_CREATE_LINK, nullptr, link_.put(), nullptr);
    if (rc != ERROR_SUCCESS) return;
    const std::string native = NativeMachinePath(parentPath);
    const std::wstring target =
        L"\\Registry\\Machine\\" + std::wstring(native.begin(), native.end());
    rc = RegSetValueExW(link_.get(), L"SymbolicLinkValue", 0, REG_LINK,
                        reinterpret_cast<const BYTE*>(target.c_str()),
                        static_cast<DWORD>(target.size() * sizeof(wchar_t)));
    made_ = rc == ERROR_SUCCESS;
  }
  // Deleted through a handle on the link itself: deleting by name would
  // follow the link to its target.
  ~TLoopLink() {
    using TNtDeleteKey = LONG(WINAPI*)(HANDLE);
    auto ntDeleteKey = reinterpret_cast<TNtDeleteKey>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtDeleteKey")));
    if (link_ && ntDeleteKey) ntDeleteKey(link_.get());
  }
  bool Made() const { return made_; }

private:
  std::string path_;
  TUniqueHKey link_;
  bool made_ = false;
};

TEST(RegistryDump, LinkToAnAncestorStopsAtTheDepthBound) {
  TPlantedKey zvk(HKEY_LOCAL_MACHINE, kZvk);
  SetString(zvk.get(), "v", "x");
  TLoopLink loop(kZvk);
  if (!loop.Made()) GTEST_SKIP() << "Wine could not create a registry link";
  // The link is followed by an ordinary open.
  TUniqueHKey through;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\ZVK\\Loop\\Loop", 0,
                                         KEY_READ, through.put()));
  through.reset();

  // Wine's ANSI calls end the path at 260 characters, level 50 here, before
  // the bound; the walk ends either way, with one line per level.
  const TLines lines = Dump(HKEY_LOCAL_MACHINE, kZvk);
  ASSERT_GE(lines.size(), 2u);
  ASSERT_LE(lines.size(), static_cast<size_t>(kMaxRegistryDepth));
  std::string path = "HKLM\\Software\\ZVK";
  for (size_t level = 1; level < lines.size(); ++level) path += "\\Loop";
  EXPECT_EQ(path + "\\v = x", lines.back());

  TLines bounded;
  DumpRegistryKey(
      HKEY_LOCAL_MACHINE, kZvk, [&bounded](const std::string& l) { bounded.push_back(l); }, 3);
  EXPECT_EQ((TLines{"HKLM\\Software\\ZVK\\v = x", "HKLM\\Software\\ZVK\\Loop\\v = x",
                    "HKLM\\Software\\ZVK\\Loop\\Loop\\v = x"}),
            bounded);
}

// Wine's ANSI registry calls take key paths of at most 260 characters, so
// the walk cannot reach level 512 here; the same bound, set lower, shows
// where the walk stops.
TEST(RegistryDump, DescentStopsAtTheGivenDepth) {
  TPlantedKey zvk(HKEY_LOCAL_MACHINE, kZvk);
  std::string path = kZvk;
  for (int level = 1; level <= 8; ++level) {
    SetNumber(zvk.Create(path).get(), "level", level);
    path += "\\L";
  }
  TLines lines;
  DumpRegistryKey(
      HKEY_LOCAL_MACHINE, kZvk, [&lines](const std::string& l) { lines.push_back(l); }, 5);
  ASSERT_EQ(5u, lines.size());
  EXPECT_EQ("HKLM\\Software\\ZVK\\L\\L\\L\\L\\level = 5, 0x00000005", lines.back());
  EXPECT_EQ(8u, Dump(HKEY_LOCAL_MACHINE, kZvk).size());
}

// A second process rewrites one value as fast as it can while this one dumps
// it; the dump must give one of the outcomes the value's states allow, and
// the change between the size query and the read must raise the error.
const char kRaceFlag[] = " --race-child ";

void RunRaceChild(const std::string& mode) {
  TUniqueHKey key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kZvk, 0, KEY_ALL_ACCESS, key.put()) != ERROR_SUCCESS)
    return;
  TUniqueHandle stop(OpenEventA(SYNCHRONIZE, FALSE, "TarvoRegistryRaceStop"));
  const std::string grown(4000, 'G');
  const DWORD seven = 7;
  const DWORD deadline = GetTickCount() + 30000;
  while (stop && WaitForSingleObject(stop.get(), 0) == WAIT_TIMEOUT && GetTickCount() < deadline) {
    if (mode == "grow") {
      RegSetValueExA(key.get(), "v", 0, REG_SZ, reinterpret_cast<const BYTE*>("s"), 2);
      RegSetValueExA(key.get(), "v", 0, REG_SZ, reinterpret_cast<const BYTE*>(grown.c_str()),
                     static_cast<DWORD>(grown.size() + 1));
    } else if (mode == "delete") {
      RegSetValueExA(key.get(), "v", 0, REG_SZ, reinterpret_cast<const BYTE*>("present"), 8);
      RegDeleteValueA(key.get(), "v");
    } else if (mode == "churn") {
      for (char c = '0'; c <= '9'; ++c) {
        const char name[] = {'v', c, '\0'};
        RegSetValueExA(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>("x"), 2);
      }
      // Created first to last, deleted last to first: the list only grows
      // and shrinks at its end, so no name moves to another index.
      for (char c = '9'; c >= '0'; --c) {
        const char name[] = {'v', c, '\0'};
        RegDeleteValueA(key.get(), name);
      }
    } else if (mode == "type") {
      RegSetValueExA(key.get(), "v", 0, REG_SZ, reinterpret_cast<const BYTE*>("abcdefg"), 8);
      RegSetValueExA(key.get(), "v", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&seven), 4);
    }
  }
}

const bool kIsRaceChild = [] {
  const std::string command = GetCommandLineA();
  const size_t at = command.find(kRaceFlag);
  if (at == std::string::npos) return false;
  RunRaceChild(command.substr(at + sizeof kRaceFlag - 1));
  ExitProcess(0);
}();

class TRacer {
public:
  explicit TRacer(const std::string& mode)
      : stop_(CreateEventA(nullptr, TRUE, FALSE, "TarvoRegistryRaceStop")) {
    char exe[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string command = std::string("\"") + exe + "\"" + kRaceFlag + mode;
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (CreateProcessA(exe, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
      process_.reset(pi.hProcess);
      TUniqueHandle thread(pi.hThread);
    }
  }
  ~TRacer() {
    SetEvent(stop_.get());
    if (process_) WaitForSingleObject(process_.get(), 30000);
  }
  bool Running() const { return static_cast<bool>(process_); }

private:
  TUniqueHandle stop_;
  TUniqueHandle process_;
};

// Dumps until `wanted` has been raised (at most twenty seconds), failing on any
// outcome not in `allowed`. Returns how often `wanted` was seen.
int RaceUntil(const std::string& mode, const std::vector<std::string>& allowed,
              const std::string& wanted) {
  TRacer racer(mode);
  EXPECT_TRUE(racer.Running());
  int seen = 0;
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < 200000 && seen < 3; ++i) {
    if (std::chrono::steady_clock::now() - start > std::chrono::seconds(20)) break;
    TLines lines;
    const std::string error = ErrorOf(HKEY_LOCAL_MACHINE, kZvk, lines);
    std::string outcome = error.empty() ? "" : "error: " + error;
    for (const auto& line : lines) outcome += (outcome.empty() ? "" : "|") + line;
    if (std::find(allowed.begin(), allowed.end(), outcome) == allowed.end()) {
      ADD_FAILURE() << mode << ": unexpected outcome [" << outcome.substr(0, 200) << "]";
      break;
    }
    if (outcome == "error: " + wanted) ++seen;
  }
  return seen;
}

TEST(RegistryDump, ValueGrowingBetweenSizeQueryAndReadRaisesFailedToGetData) {
  TPlantedKey zvk(HKEY_LOCAL_MACHINE, kZvk);
  SetString(zvk.get(), "v", "s");
  const std::string v = "HKLM\\Software\\ZVK\\v = ";
  EXPECT_GT(
      RaceUntil("grow", {v + "s", v + std::string(4000, 'G'), "error: Failed to get data for 'v'"},
                "Failed to get data for 'v'"),
      0);
}

TEST(RegistryDump, ValueDeletedBetweenSizeQueryAndReadRaisesFailedToGetData) {
  TPlantedKey zvk(HKEY_LOCAL_MACHINE, kZvk);
  const std::string v = "HKLM\\Software\\ZVK\\v = ";
  // Deleted before the type query: no line; before the size query: an empty
  // string; before the read: the error.
  EXPECT_GT(RaceUntil("delete", {"", v, v + "present", "error: Failed to get data for 'v'"},
                      "Failed to get data for 'v'"),
            0);
}

TEST(RegistryDump, ValueChangingTypeBeforeTheReadRaisesInvalidDataType) {
  TPlantedKey zvk(HKEY_LOCAL_MACHINE, kZvk);
  SetString(zvk.get(), "v", "abcdefg");
  const std::string v = "HKLM\\Software\\ZVK\\v = ";
  // A string turned number fits the string's buffer: the type is wrong. A
  // number turned eight-byte string does not fit the number's buffer.
  EXPECT_GT(RaceUntil("type",
                      {v + "abcdefg", v + "7, 0x00000007", "error: Invalid data type for 'v'",
                       "error: Failed to get data for 'v'"},
                      "Invalid data type for 'v'"),
            0);
}

// Values vanishing while their key is listed: an index whose enumeration
// fails is left out, so no name is listed twice and nothing is read for a
// name the key never had.
TEST(RegistryDump, ValuesVanishingDuringListingAreNotListedTwice) {
  TPlantedKey zvk(HKEY_LOCAL_MACHINE, kZvk);
  TRacer racer("churn");
  ASSERT_TRUE(racer.Running());
  const auto start = std::chrono::steady_clock::now();
  int dumps = 0;
  while (std::chrono::steady_clock::now() - start < std::chrono::seconds(3)) {
    TLines lines;
    // A value deleted between its size query and its read raises, as it must.
    const std::string error = ErrorOf(HKEY_LOCAL_MACHINE, kZvk, lines);
    ASSERT_TRUE(error.empty() || error.rfind("Failed to get data for 'v", 0) == 0) << error;
    ++dumps;
    for (const auto& line : lines) {
      ASSERT_EQ(0u, line.find("HKLM\\Software\\ZVK\\v")) << line;
    }
    const TLines sorted = Sorted(lines);
    ASSERT_EQ(sorted.end(), std::adjacent_find(sorted.begin(), sorted.end()))
        << "a line listed twice after " << dumps << " dumps";
  }
}

// The suite's 32-bit installer writes HKLM\Software\ZVK through the 32-bit
// view, which is what the 32-bit program reads on 64-bit Windows. Written
// here by the 32-bit regedit, as an installer would; the 64-bit test build
// reads the 64-bit view and must not see it.
TEST(RegistryDump, KeysWrittenThroughThe32BitViewAreTheOnesThe32BitProgramReads) {
  char wow64[MAX_PATH] = {};
  ASSERT_GT(GetSystemWow64DirectoryA(wow64, MAX_PATH), 0u) << "the prefix is not a WoW64 prefix";
  const std::string file = "C:\\tarvo-view32.reg";
  {
    TUniqueFile out(CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(out);
    const std::string text =
        "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\ZVK]\r\n\"View\"=\"32-bit\"\r\n";
    DWORD written = 0;
    ASSERT_TRUE(
        WriteFile(out.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr));
  }
  std::string command = std::string(wow64) + "\\regedit.exe /S " + file;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  ASSERT_TRUE(CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &startup, &process))
      << GetLastError();
  TUniqueHandle thread(process.hThread), handle(process.hProcess);
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(handle.get(), 60000));
  DeleteFileA(file.c_str());
  struct TRemove32 {
    ~TRemove32() { RegDeleteKeyExA(HKEY_LOCAL_MACHINE, kZvk, KEY_WOW64_32KEY, 0); }
  } remove;

  const TLines lines = Dump(HKEY_LOCAL_MACHINE, kZvk);
#if defined(_WIN64)
  EXPECT_EQ(TLines{}, lines);
#else
  EXPECT_EQ(TLines{"HKLM\\Software\\ZVK\\View = 32-bit"}, lines);
#endif
}

}  // namespace
}  // namespace tarvo
