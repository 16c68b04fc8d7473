#include "app/RegistryDump.h"

#include <vector>

#include "app/OsLine.h"
#include "app/RegistryDumpRules.h"
#include "framework/Exceptions.h"
#include "platform/UniqueResource.h"

namespace tarvo {

namespace {

using TReport = std::function<void(const std::string&)>;
using TNames = std::vector<std::string>;

TRegistryRoot RootOf(HKEY root) {
  if (root == HKEY_CURRENT_USER) return TRegistryRoot::CurrentUser;
  if (root == HKEY_LOCAL_MACHINE) return TRegistryRoot::LocalMachine;
  return TRegistryRoot::Other;
}

// Read once per process: on NT with double-byte support a name of n
// characters may need 2n bytes in the ANSI code page.
bool DoubleByteOnNT() {
  static const bool value =
      QueryOSVersion().platformId == VER_PLATFORM_WIN32_NT && GetSystemMetrics(SM_DBCSENABLED) != 0;
  return value;
}

struct TKeyInfo {
  DWORD subkeys = 0;
  DWORD longestSubkey = 0;
  DWORD values = 0;
  DWORD longestValueName = 0;
};

bool QueryInfo(HKEY key, TKeyInfo& info) {
  DWORD longestData = 0;
  FILETIME lastWrite;
  return RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &info.subkeys, &info.longestSubkey,
                          nullptr, &info.values, &info.longestValueName, &longestData, nullptr,
                          &lastWrite) == ERROR_SUCCESS;
}

// Lists names by index. An index whose enumeration fails (the key changed
// since its information was queried) is left out rather than listed as an
// empty or stale name: an empty name would read the key's default value.
template <typename Enumerate>
TNames CollectNames(DWORD count, DWORD longest, Enumerate enumerate) {
  TNames names;
  std::vector<char> buffer(NameBufferLength(longest, DoubleByteOnNT()));
  for (DWORD index = 0; index < count; ++index) {
    DWORD length = static_cast<DWORD>(buffer.size());
    if (enumerate(index, buffer.data(), &length) != ERROR_SUCCESS) continue;
    names.push_back(TextUpToNul(buffer.data(), buffer.size()));
  }
  return names;
}

TNames ValueNames(HKEY key) {
  TKeyInfo info;
  if (!QueryInfo(key, info)) return {};
  return CollectNames(info.values, info.longestValueName, [key](DWORD i, char* b, DWORD* n) {
    return RegEnumValueA(key, i, b, n, nullptr, nullptr, nullptr, nullptr);
  });
}

TNames SubkeyNames(HKEY key) {
  TKeyInfo info;
  if (!QueryInfo(key, info) || info.subkeys == 0) return {};
  return CollectNames(info.subkeys, info.longestSubkey, [key](DWORD i, char* b, DWORD* n) {
    return RegEnumKeyExA(key, i, b, n, nullptr, nullptr, nullptr, nullptr);
  });
}

std::string ReadString(HKEY key, const std::string& name) {
  DWORD size = 0;
  if (RegQueryValueExA(key, name.c_str(), nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS ||
      size == 0) {
    return "";
  }
  // One byte more than the data, zeroed: the registry may hand back string
  // data without a terminating NUL.
  std::vector<char> data(static_cast<std::size_t>(size) + 1, '\0');
  DWORD type = REG_NONE;
  DWORD got = size;
  if (RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                       &got) != ERROR_SUCCESS) {
    throw ERegistryException::FailedToGetData(name);
  }
  if (type != REG_SZ && type != REG_EXPAND_SZ) throw ERegistryException::InvalidDataType(name);
  return TextUpToNul(data.data(), got < size ? got : size);
}

// A REG_DWORD of fewer than four bytes is read with its missing high bytes
// as zero; one of more than four bytes fails the read.
std::uint32_t ReadNumber(HKEY key, const std::string& name) {
  unsigned char data[4] = {};
  DWORD type = REG_NONE;
  DWORD got = sizeof data;
  if (RegQueryValueExA(key, name.c_str(), nullptr, &type, data, &got) != ERROR_SUCCESS) {
    throw ERegistryException::FailedToGetData(name);
  }
  if (type != REG_DWORD) throw ERegistryException::InvalidDataType(name);
  return NumberFromBytes(data, got);
}

void DumpValues(HKEY key, TRegistryRoot root, const std::string& keyPath, const TReport& report) {
  for (const std::string& name : ValueNames(key)) {
    DWORD type = REG_NONE;
    if (RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, nullptr) != ERROR_SUCCESS) {
      continue;
    }
    if (type == REG_SZ) {
      report(StringLine(root, keyPath, name, ReadString(key, name)));
    } else if (type == REG_DWORD) {
      report(NumberLine(root, keyPath, name, ReadNumber(key, name)));
    }
  }
}

void DumpKey(HKEY root, const std::string& keyPath, int level, int maxDepth,
             const TReport& report) {
  TUniqueHKey key;
  if (RegOpenKeyExA(root, keyPath.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) {
    return;
  }
  DumpValues(key.get(), RootOf(root), keyPath, report);
  if (level >= maxDepth) return;
  // Each subkey is opened afresh from the root by its full path, while this
  // key stays open.
  for (const std::string& subkey : SubkeyNames(key.get())) {
    DumpKey(root, SubkeyPath(keyPath, subkey), level + 1, maxDepth, report);
  }
}

}  // namespace

const std::array<TRegistryKeyEntry, 6>& RegistryKeyList() {
  static const std::array<TRegistryKeyEntry, 6> list = {{
      {HKEY_LOCAL_MACHINE, "Software\\ZVK"},
      {HKEY_CURRENT_USER, "Software\\VB and VBA Program Settings\\ZVK"},
      {HKEY_CURRENT_USER, "Software\\VB and VBA Program Settings\\Pardex"},
      {HKEY_CURRENT_USER, "Software\\VB and VBA Program Settings\\Pardex2"},
      {HKEY_CURRENT_USER, "Software\\VB and VBA Program Settings\\Pardex3"},
      {HKEY_CURRENT_USER, "Software\\VB and VBA Program Settings\\Pardex4"},
  }};
  return list;
}

void DumpRegistryKey(HKEY root, const std::string& keyPath, const TReport& report, int maxDepth) {
  // The lines show the path as it was opened, without a leading backslash.
  DumpKey(root, OpenablePath(keyPath), 1, maxDepth, report);
}

}  // namespace tarvo
