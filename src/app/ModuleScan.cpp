#include "app/ModuleScan.h"

#include <commctrl.h>

#include "framework/Application.h"
#include "platform/ComRef.h"
#include "platform/DeviceContext.h"
#include "platform/ModuleFunction.h"
#include "platform/UniqueResource.h"
#include "support/LongPath.h"
#include "support/PathSplit.h"
#include "support/Pidlhelp.h"
#include "support/ShortenPath.h"
#include "support/UniquePidl.h"
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

// Upper-casing of the bytes below 0x80, each taken from CharUpperBuffA
// itself. Those bytes are characters of their own in every ANSI code page
// and are upper-cased one by one, so a text made of them alone upper-cases
// byte by byte through this table exactly as CharUpperBuffA would do it.
struct TAsciiUpper {
  char upper[128];
  TAsciiUpper() {
    for (int c = 0; c < 128; ++c) {
      char one = static_cast<char>(c);
      CharUpperBuffA(&one, 1);
      upper[c] = one;
    }
  }
};

const TAsciiUpper& AsciiUpper() {
  static const TAsciiUpper table;
  return table;
}

// ASCII letters, digits, "." and "_": characters with a sort weight of their
// own, never ignored and never folded together with another one except by
// letter case.
bool IsPlainNameText(const std::string& text) {
  for (const char ch : text) {
    const unsigned char c = static_cast<unsigned char>(ch);
    const bool plain = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                       c == '.' || c == '_';
    if (!plain) return false;
  }
  return true;
}

bool EqualFoldingAscii(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
    if (x != y) return false;
  }
  return true;
}

bool IsExcludedDrive(const std::string& name) {
  if (!IsDriveRootName(name)) return false;
  UINT type = GetDriveTypeA(name.c_str());
  return type == DRIVE_REMOVABLE || type == DRIVE_REMOTE || type == DRIVE_CDROM;
}

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

// A handle to the folder for the loop guard's queries: the wide way for a
// name given in wide characters or too deep for the ANSI calls.
TUniqueFile OpenFolder(const std::string& path, const std::wstring& widePath) {
  if (!widePath.empty()) return TUniqueFile(OpenForQuery(widePath));
  if (path.size() >= MAX_PATH - 12) return TUniqueFile(OpenForQuery(AnsiToWide(path)));
  return TUniqueFile(CreateFileA(path.c_str(), 0,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

// The file index alone. GetFileInformationByHandle asks for the volume as
// well, which under Wine is a round trip to its mount manager per folder;
// the index comes from the file's own information. Systems without
// NtQueryInformationFile (Windows 9x) take the full query.
bool GetFileIndex(HANDLE file, DWORD& high, DWORD& low) {
  struct TIoStatus {
    union {
      LONG status;
      void* pointer;
    };
    ULONG_PTR information;
  };
  using TQuery = LONG(WINAPI*)(HANDLE, TIoStatus*, void*, ULONG, int);
  constexpr int FileInternalInformation = 6;
  static const TQuery query =
      ModuleFunction<TQuery>(GetModuleHandleA("ntdll.dll"), "NtQueryInformationFile");
  if (query) {
    LARGE_INTEGER index{};
    TIoStatus io{};
    if (query(file, &io, &index, sizeof index, FileInternalInformation) >= 0) {
      high = static_cast<DWORD>(index.HighPart);
      low = index.LowPart;
      return true;
    }
  }
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(file, &info)) return false;
  high = info.nFileIndexHigh;
  low = info.nFileIndexLow;
  return true;
}

bool GetVolume(HANDLE file, DWORD& volume) {
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(file, &info)) return false;
  volume = info.dwVolumeSerialNumber;
  return true;
}

}  // namespace

bool TextsCannotMatch(const std::string& a, const std::string& b) {
  return IsPlainNameText(a) && IsPlainNameText(b) && !EqualFoldingAscii(a, b);
}

int IndexOfText(const std::vector<std::string>& list, const std::string& name) {
  for (size_t i = 0; i < list.size(); ++i) {
    // Most names cannot match: the comparison is skipped only for those.
    if (TextsCannotMatch(list[i], name)) continue;
    if (CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, list[i].data(),
                       static_cast<int>(list[i].size()), name.data(),
                       static_cast<int>(name.size())) == CSTR_EQUAL)
      return static_cast<int>(i);
  }
  return -1;
}

TWatchedKind ClassifyFile(const std::string& path, std::string& upperName,
                          TLeadBytePredicate isLeadByte) {
  const size_t cut = FindLastDelimiter(path, "\\:", isLeadByte);
  const size_t start = cut == std::string::npos ? 0 : cut + 1;
  size_t dot = std::string::npos;
  bool ascii = true;
  for (size_t i = start; i < path.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(path[i]);
    if (c >= 0x80) {
      ascii = false;
      break;
    }
    if (c == '.') dot = i;
  }
  if (!ascii) {
    // Bytes from 0x80 up may be letters with case or double-byte
    // characters: the platform upper-cases the whole name.
    std::string name = UpperCase(path.substr(start));
    const std::string extension = ExtractFileExt(name, isLeadByte);
    const TWatchedKind kind = extension == ".DLL"   ? TWatchedKind::wkLibrary
                              : extension == ".EXE" ? TWatchedKind::wkProgram
                                                    : TWatchedKind::wkNone;
    if (kind != TWatchedKind::wkNone) upperName = std::move(name);
    return kind;
  }
  // A name of single-byte characters holds no "\\" or ":" after the cut, so
  // its extension starts at its last ".", and upper-casing keeps every
  // position: the extension is judged without copying the name.
  if (dot == std::string::npos || path.size() - dot != 4) return TWatchedKind::wkNone;
  const char* upper = AsciiUpper().upper;
  const char e1 = upper[static_cast<unsigned char>(path[dot + 1])];
  const char e2 = upper[static_cast<unsigned char>(path[dot + 2])];
  const char e3 = upper[static_cast<unsigned char>(path[dot + 3])];
  TWatchedKind kind = TWatchedKind::wkNone;
  if (e1 == 'D' && e2 == 'L' && e3 == 'L')
    kind = TWatchedKind::wkLibrary;
  else if (e1 == 'E' && e2 == 'X' && e3 == 'E')
    kind = TWatchedKind::wkProgram;
  else
    return kind;
  upperName.assign(path, start, std::string::npos);
  for (char& c : upperName) c = upper[static_cast<unsigned char>(c)];
  return kind;
}

bool GetFolderIdentity(const std::string& path, TFolderIdentity& identity) {
  // A path with "?" is a lossy conversion and names no folder.
  if (path.empty() || HasWildcard(path)) return false;
  TUniqueFile folder = OpenFolder(path, std::wstring());
  return folder && IdentityOf(folder.get(), identity);
}

bool GetFolderIdentity(const std::wstring& path, TFolderIdentity& identity) {
  TUniqueFile folder = OpenFolder(std::string(), path);
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
    // A long run of files after a held repaint still shows its folder soon.
    if (repaintHeld_ && (++itemsExamined_ & 255) == 0) RepaintHeldFolderText(false);
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

void TModuleScan::RepaintHeldFolderText(bool now) {
  if (!repaintHeld_ || !context_.statusBar) return;
  const DWORD time = GetTickCount();
  if (!now && time - lastRepaint_ < context_.folderTextRepaintMs) return;
  InvalidateRect(context_.statusBar, nullptr, FALSE);
  UpdateWindow(context_.statusBar);
  repaintHeld_ = false;
  lastRepaint_ = time;
}

TModuleScan::~TModuleScan() {
  // The last folder text goes on the screen even if its repaint was held.
  RepaintHeldFolderText(true);
  // The bar's font goes back out of the measuring DC before the DC goes.
  if (measureDC_) SelectObject(measureDC_.get(), originalFont_);
}

// True when the folder `name` is one already open on the descent path. It
// is the same folder exactly when file index and volume agree; the index
// alone is read for every folder, the volume only when an index repeats.
// `known` tells whether the folder could be identified at all; when it
// could, it has been added to the descent path.
bool TModuleScan::ClosesLoop(const std::string& name, const std::wstring& wideName, bool& known) {
  known = false;
  // A path with "?" is a lossy conversion and names no folder.
  if (wideName.empty() && (name.empty() || HasWildcard(name))) return false;
  TUniqueFile folder = OpenFolder(name, wideName);
  DWORD high = 0, low = 0;
  if (!folder || !GetFileIndex(folder.get(), high, low)) return false;
  bool haveVolume = false, volumeFailed = false;
  DWORD volume = 0;
  for (const TOpenFolder& open : descent_) {
    if (open.indexHigh != high || open.indexLow != low) continue;
    if (!haveVolume && !volumeFailed) {
      haveVolume = GetVolume(folder.get(), volume);
      volumeFailed = !haveVolume;
    }
    // A folder whose volume cannot be read cannot be identified.
    if (volumeFailed) return false;
    TUniqueFile other = OpenFolder(open.path, open.widePath);
    DWORD otherVolume = 0;
    if (other && GetVolume(other.get(), otherVolume) && otherVolume == volume) return true;
  }
  known = true;
  descent_.push_back(TOpenFolder{high, low, name, wideName});
  return false;
}

void TModuleScan::EnterFolder(LPCITEMIDLIST list, LPCITEMIDLIST item, const std::string& name,
                              const std::wstring& wideName) {
  TUniquePidl child(ConcatPIDLs(list, item));
  // Without memory for the child's list there is nothing to descend with.
  if (!child) return;
  SetFolderText(name);

  // A link back to a folder on the current descent path would recurse without end.
  bool known = false;
  if (ClosesLoop(name, wideName, known)) return;
  try {
    ScanFolder(child.get());
  } catch (...) {
    if (known) descent_.pop_back();
    throw;
  }
  if (known) descent_.pop_back();
}

void TModuleScan::ExamineFile(const std::string& name, const std::wstring& wideName) {
  std::string fileName;
  const TWatchedKind kind = ClassifyFile(name, fileName);
  if (kind == TWatchedKind::wkLibrary && context_.watchedLibraries &&
      IndexOfText(*context_.watchedLibraries, fileName) >= 0) {
    ReportWatchedFile(name, wideName);
    const std::string folder =
        ExcludeTrailingBackslash(UpperCase(ExtractFilePath(name, AnsiLeadBytePredicate())));
    // Under WoW64 the shell lists the 32-bit system directory's files a
    // second time under their physical folder: they are where they belong.
    const bool inSystemDirectory =
        folder == context_.systemDirectory ||
        (!context_.wow64SystemDirectory.empty() && folder == context_.wow64SystemDirectory);
    // A name with "?" does not name the file, and to the shell's removal it
    // is a wildcard that could match others: reported, never offered.
    if (!inSystemDirectory && context_.misplaced && !HasWildcard(name))
      context_.misplaced->push_back(name);
  } else if (kind == TWatchedKind::wkProgram && context_.watchedPrograms &&
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
  HWND bar = context_.statusBar;
  if (!bar) return;
  RECT bounds{};
  GetClientRect(bar, &bounds);
  const int maxWidth = (bounds.right - bounds.left) - FolderTextMargin;
  // The bar's font, asked for every folder in case it changes; a bar
  // without one measures, like its own DC, with the system font.
  HGDIOBJ font = reinterpret_cast<HGDIOBJ>(SendMessageA(bar, WM_GETFONT, 0, 0));
  if (!measureDC_) {
    measureDC_.reset(CreateCompatibleDC(nullptr));
    if (measureDC_) {
      originalFont_ = GetCurrentObject(measureDC_.get(), OBJ_FONT);
      measureFont_ = originalFont_;
    }
  }
  std::string text;
  if (measureDC_) {
    HGDIOBJ wanted = font ? font : originalFont_;
    if (wanted != measureFont_) {
      SelectObject(measureDC_.get(), wanted);
      measureFont_ = wanted;
    }
    text = ShortenPath(name, measureDC_.get(), maxWidth);
  } else {
    TWindowDC dc(bar);
    TSelectedObject selected(dc.get(), font);
    text = ShortenPath(name, dc.get(), maxWidth);
  }
  // The status bar repaints itself on every new text, synchronously. The
  // scan lets it do so at most every folderTextRepaintMs and sets the texts
  // in between with drawing held off: the screen follows the folders at a
  // pace the eye can follow, without a repaint for each one.
  // Between message-processing points nothing but the scan touches the
  // bar, so holding its drawing for this one message loses no other repaint.
  // Only a bar with its own visible style repaints; WM_SETREDRAW toggles
  // exactly that style, so a hidden bar is left alone.
  const DWORD now = GetTickCount();
  const bool shown = (GetWindowLongA(bar, GWL_STYLE) & WS_VISIBLE) != 0;
  const bool repaint =
      !shown || !repaintedOnce_ || now - lastRepaint_ >= context_.folderTextRepaintMs;
  if (!repaint) SendMessageA(bar, WM_SETREDRAW, FALSE, 0);
  SendMessageA(bar, SB_SETTEXTA, SB_SIMPLEID, reinterpret_cast<LPARAM>(text.c_str()));
  if (!shown) return;
  if (repaint) {
    repaintedOnce_ = true;
    repaintHeld_ = false;
    lastRepaint_ = now;
  } else {
    SendMessageA(bar, WM_SETREDRAW, TRUE, 0);
    repaintHeld_ = true;
  }
}

}  // namespace tarvo
