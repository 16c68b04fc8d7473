#pragma once
// Operations on shell item ID lists: measuring, building, joining, copying,
// splitting and comparing them with the shell's allocator, naming items and
// asking for their icons. Every list made here belongs to the caller, who
// releases it with FreePIDL (or holds it in a TUniquePidl).

#include <windows.h>
#include <shlobj.h>

#include <string>

namespace tarvo {

// The shell's allocator, held from PidlhelpInitialize to PidlhelpFinalize.
extern IMalloc* ShellMalloc;

void PidlhelpInitialize();
void PidlhelpFinalize();

enum class TDisplayNameType { dntNormal, dntInFolder, dntForParsing };

// The flag GetDisplayName hands the shell for each kind of name.
constexpr DWORD DisplayNameFlag(TDisplayNameType type) {
  return type == TDisplayNameType::dntInFolder     ? SHGDN_INFOLDER
         : type == TDisplayNameType::dntForParsing ? SHGDN_FORPARSING
                                                   : SHGDN_NORMAL;
}

UINT GetPidlSize(LPCITEMIDLIST list);
LPITEMIDLIST NextPIDL(LPCITEMIDLIST item);
int PIDLCount(LPCITEMIDLIST list);
LPITEMIDLIST CreatePIDL(UINT size);
void FreePIDL(LPITEMIDLIST& list);
LPITEMIDLIST CopyPIDL(LPCITEMIDLIST list);
LPITEMIDLIST ConcatPIDLs(LPCITEMIDLIST first, LPCITEMIDLIST second);
LPITEMIDLIST CopyFirstID(LPCITEMIDLIST list);
LPITEMIDLIST CopyLastID(LPCITEMIDLIST list);
LPITEMIDLIST CopyParentPIDL(LPCITEMIDLIST list);
LPITEMIDLIST StripLastID(LPITEMIDLIST list);
bool ComparePIDLs(LPCITEMIDLIST a, LPCITEMIDLIST b);

std::string GetDisplayName(IShellFolder* folder, LPCITEMIDLIST item, TDisplayNameType type);
// The shell's name of an item for any SHGDN_ flags as wide text, before the
// conversion to the code page loses what it cannot hold; empty when the
// shell gives no name.
std::wstring GetWideDisplayName(IShellFolder* folder, LPCITEMIDLIST item, DWORD flags);
bool GetPIDLFromPath(HWND owner, IShellFolder* folder, const std::string& path, LPITEMIDLIST& list);
std::string GetPathFromPIDL(LPITEMIDLIST& list);
int GetIconIndex(LPCITEMIDLIST list, UINT flags);
void GetNormalAndSelectedIcons(LPCITEMIDLIST list, int& normal, int& selected);

}  // namespace tarvo
