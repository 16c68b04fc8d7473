#include "app/ModuleScan.h"

#include <commctrl.h>

#include "app/Removal.h"
#include "framework/Application.h"
#include "platform/ComRef.h"
#include "platform/UniquePidl.h"
#include "platform/UniqueResource.h"
#include "support/LongPath.h"
#include "support/Pidlhelp.h"
#include "support/ShortenPath.h"
#include "support/VersionInfo.h"

namespace tarvo {

namespace {

constexpr DWORD EnumFlags = SHCONTF_FOLDERS | SHCONTF_NONFOLDERS;
constexpr ULONG AskedAttributes = SFGAO_FILESYSANCESTOR | SFGAO_FOLDER | SFGAO_FILESYSTEM;
// Room the status bar keeps beside its text, in pixels.
constexpr int FolderTextMargin = 20;
// Shells cut parsing names at this length (Wine every name, older shells
// their ANSI names); a name this long may name another item or none.
constexpr size_t CutNameLength = MAX_PATH - 1;

std::string UpperCase(std::string text) {
  if (!text.empty()) CharUpperBuffA(&text[0], static_cast<DWORD>(text.size()));
  return text;
}

bool IsExcludedDrive(const std::string& name) {
  if (!IsDriveRootName(name)) return false;
  UINT type = GetDriveTypeA(name.c_str());
  return type == DRIVE_REMOVABLE || type == DRIVE_REMOTE || type == DRIVE_CDROM;
}

// A window DC with the window's font selected, restored and released on exit.
class TWindowDC {
public:
  explicit TWindowDC(HWND window) : window_(window), dc_(GetDC(window)) {
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0));
    if (dc_ && font) oldFont_ = SelectObject(dc_, font);
  }
  ~TWindowDC() {
    if (oldFont_) SelectObject(dc_, oldFont_);
    if (dc_) ReleaseDC(window_, dc_);
  }
  TWindowDC(const TWindowDC&) = delete;
  TWindowDC& operator=(const TWindowDC&) = delete;
  HDC get() const { return dc_; }

private:
  HWND window_;
  HDC dc_;
  HGDIOBJ oldFont_ = nullptr;
};

// A name that may have been cut names the item only when it ends in the
// item's own in-folder name and the file system holds an item of the same
// kind there. A cut that ends in a parent folder of the same name as the
// item, when both are folders, passes: such a folder is too deep for the
// shell to list anyway.
bool NamesTheItem(IShellFolder* folder, LPCITEMIDLIST item, const std::wstring& name,
                  bool isFolder) {
  const std::wstring own = GetWideDisplayName(folder, item, SHGDN_INFOLDER | SHGDN_FORPARSING);
  if (own.empty() || name.size() <= own.size()) return false;
  const size_t start = name.size() - own.size();
  if (name[start - 1] != L'\\' || name.compare(start, own.size(), own) != 0) return false;
  const DWORD attributes = PathAttributes(name);
  return attributes != INVALID_FILE_ATTRIBUTES &&
         ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) == isFolder;
}

bool IdentityOf(HANDLE handle, TFolderIdentity& identity) {
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(handle, &info)) return false;
  identity.volume = info.dwVolumeSerialNumber;
  identity.indexHigh = info.nFileIndexHigh;
  identity.indexLow = info.nFileIndexLow;
  return true;
}

}  // namespace

int IndexOfText(const std::vector<std::string>& list, const std::string& name) {
  for (size_t i = 0; i < list.size(); ++i) {
    if (CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, list[i].data(),
                       static_cast<int>(list[i].size()), name.data(),
                       static_cast<int>(name.size())) == CSTR_EQUAL)
      return static_cast<int>(i);
  }
  return -1;
}

bool GetFolderIdentity(const std::string& path, TFolderIdentity& identity) {
  // A path with "?" is a lossy conversion and names no folder.
  if (path.empty() || HasWildcard(path)) return false;
  // Deep paths go the wide way, which has no length limit.
  if (path.size() >= MAX_PATH - 12) return GetFolderIdentity(AnsiToWide(path), identity);
  TUniqueFile folder(CreateFileA(path.c_str(), 0,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  return folder && IdentityOf(folder.get(), identity);
}

bool GetFolderIdentity(const std::wstring& path, TFolderIdentity& identity) {
  TUniqueFile folder(OpenForQuery(path));
  return folder && IdentityOf(folder.get(), identity);
}

void TModuleScan::ScanFolder(LPCITEMIDLIST list) {
  if (context_.stopRequested && context_.stopRequested()) return;
  if (context_.processMessages) context_.processMessages();

  // The desktop folder itself stands for the empty list and is not ours to
  // release. An absent list is no empty list: it is bound like any other, and
  // the shell's refusal is the run's error (scanning the desktop instead would
  // walk the network places, which are no drive and never excluded).
  TComRef<IShellFolder> bound;
  IShellFolder* folder = context_.desktopFolder;
  if (!list || list->mkid.cb != 0) {
    OleCheck(
        context_.desktopFolder->BindToObject(list, nullptr, IID_IShellFolder, bound.put_void()));
    folder = bound.get();
  }

  TComRef<IEnumIDList> enumerator;
  OleCheck(folder->EnumObjects(context_.owner, EnumFlags, enumerator.put()));
  // S_FALSE without an enumerator: a folder with nothing to list.
  if (!enumerator) return;

  for (;;) {
    TUniquePidl item;
    ULONG fetched = 0;
    if (enumerator->Next(1, item.put(), &fetched) != S_OK) break;
    ExamineItem(folder, list, item.get());
  }
}

void TModuleScan::ExamineItem(IShellFolder* folder, LPCITEMIDLIST list, LPCITEMIDLIST item) {
  std::string name = GetDisplayName(folder, item, TDisplayNameType::dntForParsing);
  ULONG attributes = AskedAttributes;
  folder->GetAttributesOf(1, &item, &attributes);
  const bool isFolder = (attributes & SFGAO_FOLDER) != 0;
  const bool isAncestor = (attributes & SFGAO_FILESYSANCESTOR) != 0;
  const bool isFileSystem = (attributes & SFGAO_FILESYSTEM) != 0;

  // Only names the ANSI text cannot be trusted with are asked for again in
  // wide characters: one the code page could not hold ("?"), and one long
  // enough to have been cut. A cut name is treated as no name at all.
  std::wstring wideName;
  if (name.size() >= CutNameLength || HasWildcard(name)) {
    wideName = GetWideDisplayName(folder, item, SHGDN_FORPARSING);
    if ((name.size() >= CutNameLength || wideName.size() >= CutNameLength) &&
        !NamesTheItem(folder, item, wideName, isFolder)) {
      name.clear();
      wideName.clear();
    }
  }
  if (IsExcludedDrive(name)) return;

  if (isFolder && isAncestor && isFileSystem) {
    EnterFolder(list, item, name, wideName);
  } else if (!isFolder && isFileSystem) {
    ExamineFile(name, wideName);
  }
}

void TModuleScan::EnterFolder(LPCITEMIDLIST list, LPCITEMIDLIST item, const std::string& name,
                              const std::wstring& wideName) {
  TUniquePidl child(ConcatPIDLs(list, item));
  // Without memory for the child's list there is nothing to descend with.
  if (!child) return;
  SetFolderText(name);

  // A link back to a folder on the current descent path would recurse without end.
  TFolderIdentity identity;
  const bool known =
      wideName.empty() ? GetFolderIdentity(name, identity) : GetFolderIdentity(wideName, identity);
  if (known) {
    for (const TFolderIdentity& open : descent_)
      if (open == identity) return;
    descent_.push_back(identity);
  }
  try {
    ScanFolder(child.get());
  } catch (...) {
    if (known) descent_.pop_back();
    throw;
  }
  if (known) descent_.pop_back();
}

void TModuleScan::ExamineFile(const std::string& name, const std::wstring& wideName) {
  const std::string fileName = UpperCase(ExtractFileName(name, &IsAnsiLeadByte));
  // The name holds no folder any more: its extension is the file's.
  const std::string extension = ExtractFileExt(fileName, &IsAnsiLeadByte);
  if (extension == ".DLL" && context_.watchedLibraries &&
      IndexOfText(*context_.watchedLibraries, fileName) >= 0) {
    ReportWatchedFile(name, wideName);
    const std::string folder =
        ExcludeTrailingBackslash(UpperCase(ExtractFilePath(name, &IsAnsiLeadByte)));
    // Under WoW64 the shell lists the 32-bit system directory's files a
    // second time under their physical folder: they are where they belong.
    const bool inSystemDirectory =
        folder == context_.systemDirectory ||
        (!context_.wow64SystemDirectory.empty() && folder == context_.wow64SystemDirectory);
    // A name with "?" does not name the file, and to the shell's removal it
    // is a wildcard that could match others: reported, never offered.
    if (!inSystemDirectory && context_.misplaced && !HasWildcard(name))
      context_.misplaced->push_back(name);
  } else if (extension == ".EXE" && context_.watchedPrograms &&
             IndexOfText(*context_.watchedPrograms, fileName) >= 0) {
    ReportWatchedFile(name, wideName);
  }
}

void TModuleScan::ReportWatchedFile(const std::string& name, const std::wstring& wideName) {
  // A file whose name the code page cannot hold is read through a form of
  // its path that the ANSI calls can open, where there is one.
  TVersionInfo version(HasWildcard(name) ? ReachableAnsiPath(wideName) : name);
  if (context_.report) context_.report(name + " - " + version.GetVersionString());
}

void TModuleScan::SetFolderText(const std::string& name) {
  if (!context_.statusBar) return;
  RECT bounds{};
  GetClientRect(context_.statusBar, &bounds);
  std::string text;
  {
    TWindowDC dc(context_.statusBar);
    text = ShortenPath(name, dc.get(), (bounds.right - bounds.left) - FolderTextMargin);
  }
  SendMessageA(context_.statusBar, SB_SETTEXTA, SB_SIMPLEID,
               reinterpret_cast<LPARAM>(text.c_str()));
}

}  // namespace tarvo
