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

#include "platform/UniqueResource.h"
#include "support/LeadByte.h"

namespace tarvo {

struct TScanContext {
  IShellFolder* desktopFolder = nullptr;  // every level binds from it
  HWND owner = nullptr;                   // owner window handed to EnumObjects
  HWND statusBar = nullptr;               // receives the folder text; may be null
  // The shortest time between two repaints of the folder text, in ms.
  DWORD folderTextRepaintMs = 40;
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

// True only where CompareStringA, ignoring case, cannot find the two texts
// equal: both are made of ASCII letters, digits, "." and "_" alone and they
// differ after ASCII case folding. False says nothing.
bool TextsCannotMatch(const std::string& a, const std::string& b);

// Which watched list a file's extension selects, judged as the scan does:
// the extension of the upper-cased file name.
enum class TWatchedKind { wkNone, wkLibrary, wkProgram };

// The kind of the file with the full path `path`; for a library or a
// program, `upperName` receives the upper-cased file name. `isLeadByte`
// tells the code page's lead bytes (tests give other code pages' ones).
TWatchedKind ClassifyFile(const std::string& path, std::string& upperName,
                          TLeadBytePredicate isLeadByte = AnsiLeadBytePredicate());

class TModuleScan {
public:
  explicit TModuleScan(const TScanContext& context) : context_(context) {}
  ~TModuleScan();
  TModuleScan(const TModuleScan&) = delete;
  TModuleScan& operator=(const TModuleScan&) = delete;

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

  bool ClosesLoop(const std::string& name, const std::wstring& wideName, bool& known);
  // Repaints the folder text if its repaint was held, once the interval has
  // passed or at once.
  void RepaintHeldFolderText(bool now);

  const TScanContext& context_;
  // Folders on the current descent path, for the loop guard: the file index
  // of each and its path, from which the volume is asked only when an index
  // repeats.
  struct TOpenFolder {
    DWORD indexHigh;
    DWORD indexLow;
    std::string path;
    std::wstring widePath;
  };
  std::vector<TOpenFolder> descent_;
  // Measures the folder text with the status bar's font: a memory DC of the
  // screen, made on the first folder and kept for the scan.
  TUniqueMemoryDC measureDC_;
  HGDIOBJ measureFont_ = nullptr;
  HGDIOBJ originalFont_ = nullptr;
  // Repaints of the folder text: when the last one was, and whether a text
  // has been set since without one.
  DWORD lastRepaint_ = 0;
  bool repaintedOnce_ = false;
  bool repaintHeld_ = false;
  unsigned itemsExamined_ = 0;
};

}  // namespace tarvo
