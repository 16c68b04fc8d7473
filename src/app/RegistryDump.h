#pragma once
// The registry dump: every string and 32-bit number value under a key and
// all its subkeys, one line each, depth first in pre-order. Read-only.

#include <windows.h>

#include <array>
#include <functional>
#include <string>

namespace tarvo {

struct TRegistryKeyEntry {
  HKEY root;
  const char* keyPath;
};

// The suite's six keys, in the order the run dumps them.
const std::array<TRegistryKeyEntry, 6>& RegistryKeyList();

// Deepest level the walk descends to by default. The registry itself allows no deeper real tree; a
// registry link pointing back at an ancestor would otherwise make the walk recurse without end.
constexpr int kMaxRegistryDepth = 512;

// Reports one line per REG_SZ and REG_DWORD value of `keyPath` under `root`
// and of all its subkeys. A key that cannot be opened yields nothing. A read
// that fails after its type query succeeded raises ERegistryException.
// `maxDepth` is the deepest level descended to, the dumped key being level 1.
void DumpRegistryKey(HKEY root, const std::string& keyPath,
                     const std::function<void(const std::string&)>& report,
                     int maxDepth = kMaxRegistryDepth);

}  // namespace tarvo
