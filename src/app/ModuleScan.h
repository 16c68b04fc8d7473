#pragma once
// The module scan: a depth-first walk of the shell namespace that reports
// every copy of a watched library or program and collects the libraries
// that lie outside the system directory. The walk works over a context so it
// can run without the main window (tests, the benchmark).

#include <windows.h>
#include <shlobj.h>

#include <functional>
#include <string>
#include <vector>

namespace tarvo {

struct TScanContext {
  IShellFolder* desktopFolder = nullptr;  // every level binds from it
  HWND owner = nullptr;                   // owner window handed to EnumObjects
  HWND statusBar = nullptr;               // receives the folder text; may be null
  const std::vector<std::string>* watchedLibraries = nullptr;
  const std::vector<std::string>* watchedPrograms = nullptr;
  std::string systemDirectory;  // upper case, no trailing backslash
  // The 32-bit system directory of a 32-bit program on 64-bit Windows
  // (SYSWOW64), in the same form; empty anywhere else.
  std::string wow64SystemDirectory;
  std::vector<std::string>* misplaced = nullptr;
  std::function<bool()> stopRequested;
  std::function<void()> processMessages;
  std::function<void(const std::string&)> report;
};

// The identity of a folder on disk: the same folder reached through a link
// has the same identity.
struct TFolderIdentity {
  DWORD volume = 0;
  DWORD indexHigh = 0;
  DWORD indexLow = 0;
  bool operator==(const TFolderIdentity& other) const {
    return volume == other.volume && indexHigh == other.indexHigh && indexLow == other.indexLow;
  }
};

// False when the folder cannot be opened (not a file-system path, no access).
// Any length; the wide form also reaches names the code page cannot hold.
bool GetFolderIdentity(const std::string& path, TFolderIdentity& identity);
bool GetFolderIdentity(const std::wstring& path, TFolderIdentity& identity);

// Index of `name` in `list` ignoring letter case (CompareStringA), or -1.
int IndexOfText(const std::vector<std::string>& list, const std::string& name);

class TModuleScan {
public:
  explicit TModuleScan(const TScanContext& context) : context_(context) {}

  // Scans the folder with the absolute item ID list `list` (empty list: the
  // desktop; a null list is bound like any other and so fails). The list
  // stays the caller's. Throws the OLE error when a folder cannot be bound or
  // enumerated.
  void ScanFolder(LPCITEMIDLIST list);

private:
  void ExamineItem(IShellFolder* folder, LPCITEMIDLIST list, LPCITEMIDLIST item);
  // `wideName` is the shell's wide name, set only for names that are lossy
  // in the code page or long enough to have been cut.
  void EnterFolder(LPCITEMIDLIST list, LPCITEMIDLIST item, const std::string& name,
                   const std::wstring& wideName);
  void ExamineFile(const std::string& name, const std::wstring& wideName);
  void ReportWatchedFile(const std::string& name, const std::wstring& wideName);
  void SetFolderText(const std::string& name);

  const TScanContext& context_;
  // Folders on the current descent path, for the loop guard.
  std::vector<TFolderIdentity> descent_;
};

}  // namespace tarvo
