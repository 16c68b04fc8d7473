#include "app/ModuleScan.h"

#include <commctrl.h>

#include "app/Removal.h"
#include "framework/Application.h"
#include "platform/ComRef.h"
#include "platform/UniquePidl.h"
#include "platform/UniqueResource.h"
#include "support/Pidlhelp.h"
#include "support/ShortenPath.h"
#include "support/VersionInfo.h"

namespace tarvo {

namespace {

constexpr DWORD EnumFlags = SHCONTF_FOLDERS | SHCONTF_NONFOLDERS;
constexpr ULONG AskedAttributes = SFGAO_FILESYSANCESTOR | SFGAO_FOLDER | SFGAO_FILESYSTEM;
// Room the status bar keeps beside its text, in pixels.
constexpr int FolderTextMargin = 20;

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
  if (path.empty()) return false;
  // Deep paths need the long-path form to be opened at all.
  std::string open = path;
  if (path.size() >= MAX_PATH - 12 && path.compare(0, 2, "\\\\") != 0) open = "\\\\?\\" + path;
  TUniqueFile folder(CreateFileA(open.c_str(), 0,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!folder) return false;
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(folder.get(), &info)) return false;
  identity.volume = info.dwVolumeSerialNumber;
  identity.indexHigh = info.nFileIndexHigh;
  identity.indexLow = info.nFileIndexLow;
  return true;
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
  if (IsExcludedDrive(name)) return;

  if (isFolder && isAncestor && isFileSystem) {
    EnterFolder(list, item, name);
  } else if (!isFolder && isFileSystem) {
    ExamineFile(name);
  }
}

void TModuleScan::EnterFolder(LPCITEMIDLIST list, LPCITEMIDLIST item, const std::string& name) {
  TUniquePidl child(ConcatPIDLs(list, item));
  // Without memory for the child's list there is nothing to descend with.
  if (!child) return;
  SetFolderText(name);

  // A link back to a folder on the current descent path would recurse without end.
  TFolderIdentity identity;
  const bool known = GetFolderIdentity(name, identity);
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

void TModuleScan::ExamineFile(const std::string& name) {
  const std::string fileName = UpperCase(ExtractFileName(name, &IsAnsiLeadByte));
  // The name holds no folder any more: its extension is the file's.
  const std::string extension = ExtractFileExt(fileName, &IsAnsiLeadByte);
  if (extension == ".DLL" && context_.watchedLibraries &&
      IndexOfText(*context_.watchedLibraries, fileName) >= 0) {
    ReportWatchedFile(name);
    const std::string folder =
        ExcludeTrailingBackslash(UpperCase(ExtractFilePath(name, &IsAnsiLeadByte)));
    // Under WoW64 the shell lists the 32-bit system directory's files a
    // second time under their physical folder: they are where they belong.
    const bool inSystemDirectory =
        folder == context_.systemDirectory ||
        (!context_.wow64SystemDirectory.empty() && folder == context_.wow64SystemDirectory);
    if (!inSystemDirectory && context_.misplaced) context_.misplaced->push_back(name);
  } else if (extension == ".EXE" && context_.watchedPrograms &&
             IndexOfText(*context_.watchedPrograms, fileName) >= 0) {
    ReportWatchedFile(name);
  }
}

void TModuleScan::ReportWatchedFile(const std::string& name) {
  TVersionInfo version(name);
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
