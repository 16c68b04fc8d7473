#include "support/Pidlhelp.h"

#include <cstring>
#include <cwchar>
#include <memory>

#include "platform/ComRef.h"
#include "support/LongPath.h"

#if !defined(_WIN64)
// Records the shell fills in for the 32-bit program: their sizes are the
// system's, whatever the compiler's packing.
static_assert(sizeof(SHFILEINFOA) == 352, "file-information record");
static_assert(sizeof(STRRET) == 264, "display-name record");
#endif

namespace tarvo {

IMalloc* ShellMalloc = nullptr;

namespace {

TComRef<IMalloc>& MallocHolder() {
  static TComRef<IMalloc> holder;
  return holder;
}

const BYTE* Bytes(LPCITEMIDLIST list) { return reinterpret_cast<const BYTE*>(list); }

// Item size fields need not be aligned inside a list, so they are read bytewise.
USHORT ItemSize(const BYTE* item) {
  USHORT size;
  std::memcpy(&size, item, sizeof size);
  return size;
}

// The last item whose size field is not 0; for an empty list the terminator.
const BYTE* LastItem(LPCITEMIDLIST list) {
  const BYTE* last = Bytes(list);
  for (const BYTE* item = last; ItemSize(item) != 0; item += ItemSize(item)) last = item;
  return last;
}

struct TCoTaskMemDeleter {
  void operator()(void* p) const noexcept { CoTaskMemFree(p); }
};

}  // namespace

void PidlhelpInitialize() {
  // The result is not examined: without an allocator every list operation
  // gives an absent list rather than crashing.
  SHGetMalloc(MallocHolder().put());
  ShellMalloc = MallocHolder().get();
}

void PidlhelpFinalize() {
  ShellMalloc = nullptr;
  MallocHolder().reset();
}

UINT GetPidlSize(LPCITEMIDLIST list) {
  if (!list) return 0;
  UINT size = 2;
  for (const BYTE* item = Bytes(list); ItemSize(item) != 0; item += ItemSize(item))
    size += ItemSize(item);
  return size;
}

LPITEMIDLIST NextPIDL(LPCITEMIDLIST item) {
  USHORT size = ItemSize(Bytes(item));
  if (size == 0) return nullptr;
  return reinterpret_cast<LPITEMIDLIST>(const_cast<BYTE*>(Bytes(item) + size));
}

int PIDLCount(LPCITEMIDLIST list) {
  int count = 0;
  for (LPCITEMIDLIST item = list; item && ItemSize(Bytes(item)) != 0; item = NextPIDL(item))
    ++count;
  return count;
}

LPITEMIDLIST CreatePIDL(UINT size) {
  if (!ShellMalloc) return nullptr;
  void* block = ShellMalloc->Alloc(size);
  if (block) std::memset(block, 0, size);
  return static_cast<LPITEMIDLIST>(block);
}

void FreePIDL(LPITEMIDLIST& list) {
  if (!list) return;
  if (ShellMalloc) ShellMalloc->Free(list);
  list = nullptr;
}

// An allocator that gives nothing makes the copy absent, as for CreatePIDL.
LPITEMIDLIST CopyPIDL(LPCITEMIDLIST list) {
  UINT size = GetPidlSize(list);
  if (size == 0) return nullptr;
  LPITEMIDLIST copy = CreatePIDL(size);
  if (copy) std::memcpy(copy, list, size);
  return copy;
}

// An absent second list is taken as an empty one: the result is then a copy
// of the first list's items with a terminator.
LPITEMIDLIST ConcatPIDLs(LPCITEMIDLIST first, LPCITEMIDLIST second) {
  UINT firstSize = first ? GetPidlSize(first) - 2 : 0;
  UINT secondSize = second ? GetPidlSize(second) : 2;
  LPITEMIDLIST joined = CreatePIDL(firstSize + secondSize);
  if (!joined) return nullptr;
  BYTE* out = reinterpret_cast<BYTE*>(joined);
  if (first) std::memcpy(out, first, firstSize);
  if (second) std::memcpy(out + firstSize, second, secondSize);
  return joined;
}

LPITEMIDLIST CopyFirstID(LPCITEMIDLIST list) {
  USHORT itemSize = ItemSize(Bytes(list));
  LPITEMIDLIST copy = CreatePIDL(itemSize + 2u);
  if (copy) std::memcpy(copy, list, itemSize);
  return copy;
}

LPITEMIDLIST CopyLastID(LPCITEMIDLIST list) {
  if (!list) return nullptr;
  return CopyPIDL(reinterpret_cast<LPCITEMIDLIST>(LastItem(list)));
}

// Like CopyPIDL, an allocator that gives nothing makes the result absent.
LPITEMIDLIST CopyParentPIDL(LPCITEMIDLIST list) {
  if (!list) return nullptr;
  UINT size = GetPidlSize(list) - ItemSize(LastItem(list));
  LPITEMIDLIST parent = CreatePIDL(size);
  if (parent) std::memcpy(parent, list, size - 2);
  return parent;
}

LPITEMIDLIST StripLastID(LPITEMIDLIST list) {
  if (!list) return nullptr;
  BYTE* last = const_cast<BYTE*>(LastItem(list));
  last[0] = 0;
  last[1] = 0;
  return reinterpret_cast<LPITEMIDLIST>(last);
}

bool ComparePIDLs(LPCITEMIDLIST a, LPCITEMIDLIST b) {
  if (!a || !b) return !a && !b;
  UINT size = GetPidlSize(a);
  return size == GetPidlSize(b) && std::memcmp(a, b, size) == 0;
}

std::string GetDisplayName(IShellFolder* folder, LPCITEMIDLIST item, TDisplayNameType type) {
  STRRET name;
  std::memset(&name, 0, sizeof name);
  if (folder->GetDisplayNameOf(item, DisplayNameFlag(type), &name) != S_OK) return std::string();
  switch (name.uType) {
    case STRRET_WSTR: {
      // The shell hands over the wide string; it is released here on every path.
      std::unique_ptr<wchar_t, TCoTaskMemDeleter> wide(name.pOleStr);
      return wide ? WideToAnsi(wide.get(), std::wcslen(wide.get())) : std::string();
    }
    case STRRET_OFFSET:
      return std::string(reinterpret_cast<const char*>(Bytes(item) + name.uOffset));
    case STRRET_CSTR:
      return std::string(name.cStr, strnlen(name.cStr, sizeof name.cStr));
    default:
      return std::string();
  }
}

std::wstring GetWideDisplayName(IShellFolder* folder, LPCITEMIDLIST item, DWORD flags) {
  STRRET name;
  std::memset(&name, 0, sizeof name);
  if (folder->GetDisplayNameOf(item, flags, &name) != S_OK) return std::wstring();
  switch (name.uType) {
    case STRRET_WSTR: {
      std::unique_ptr<wchar_t, TCoTaskMemDeleter> wide(name.pOleStr);
      return wide ? std::wstring(wide.get()) : std::wstring();
    }
    case STRRET_OFFSET:
      return AnsiToWide(reinterpret_cast<const char*>(Bytes(item) + name.uOffset));
    case STRRET_CSTR:
      return AnsiToWide(std::string(name.cStr, strnlen(name.cStr, sizeof name.cStr)));
    default:
      return std::wstring();
  }
}

bool GetPIDLFromPath(HWND owner, IShellFolder* folder, const std::string& path,
                     LPITEMIDLIST& list) {
  try {
    wchar_t wide[MAX_PATH] = {};
    int length = path.empty()
                     ? 0
                     : MultiByteToWideChar(CP_ACP, 0, path.data(), static_cast<int>(path.size()),
                                           wide, MAX_PATH - 1);
    // A path too long for the buffer converts to nothing; the shell would
    // read an empty text as the folder itself, so that is a failure here.
    if (length <= 0 && !path.empty()) return false;
    wide[length] = L'\0';
    ULONG eaten = 0;
    ULONG attributes = 0;
    return SUCCEEDED(folder->ParseDisplayName(owner, nullptr, wide, &eaten, &list, &attributes));
  } catch (...) {
    return false;
  }
}

// When the shell cannot give a path the text is empty, whatever it left in
// the buffer.
std::string GetPathFromPIDL(LPITEMIDLIST& list) {
  char buffer[MAX_PATH + 4] = {};
  if (!SHGetPathFromIDListA(list, buffer)) return std::string();
  return std::string(buffer, strnlen(buffer, MAX_PATH + 1));
}

// SHGFI_PIDL is always added: without it the shell would read the list as
// a path string.
int GetIconIndex(LPCITEMIDLIST list, UINT flags) {
  SHFILEINFOA info;
  std::memset(&info, 0, sizeof info);
  if (!SHGetFileInfoA(reinterpret_cast<LPCSTR>(list), 0, &info, sizeof info, flags | SHGFI_PIDL))
    return -1;
  return info.iIcon;
}

void GetNormalAndSelectedIcons(LPCITEMIDLIST list, int& normal, int& selected) {
  normal = GetIconIndex(list, SHGFI_SYSICONINDEX | SHGFI_PIDL | SHGFI_SMALLICON);
  selected = GetIconIndex(list, SHGFI_SYSICONINDEX | SHGFI_PIDL | SHGFI_SMALLICON | SHGFI_OPENICON);
}

}  // namespace tarvo
