#include "app/RemovalOffer.h"

#include <shellapi.h>

#include <cstddef>
#include <set>
#include <vector>

#include "app/RemovalOfferRules.h"
#include "framework/MessageDialog.h"
#include "platform/ModuleFunction.h"
#include "support/LongPath.h"
#include "support/PathSplit.h"

#if !defined(_WIN64)
// The 32-bit program hands this record to every shell from Windows 95 on,
// whose layout is packed: a compiler that pads it breaks the removal.
static_assert(sizeof(SHFILEOPSTRUCTA) == 30, "file-operation record");
static_assert(offsetof(SHFILEOPSTRUCTA, fAnyOperationsAborted) == 18, "aborted flag");
#endif

namespace tarvo {

namespace {

constexpr int ResultYes = 6;

bool FileThere(const std::string& path) { return PathAttributes(path) != INVALID_FILE_ATTRIBUTES; }

// Looked up at run time: shells before version 4.71 lack it, and a static
// import would keep the program from starting there at all.
using TQueryRecycleBin = HRESULT(WINAPI*)(LPCSTR, LPSHQUERYRBINFO);

TQueryRecycleBin QueryRecycleBinFunction() {
  return ModuleFunction<TQueryRecycleBin>(GetModuleHandleA("shell32.dll"), "SHQueryRecycleBinA");
}

}  // namespace

bool RecycleBinAvailable(const std::vector<std::string>& paths) {
  // Without the query only the shell's own nuke warning stands guard.
  const TQueryRecycleBin query = QueryRecycleBinFunction();
  if (!query) return true;
  std::set<std::string> asked;
  for (const std::string& path : paths) {
    if (path.empty()) continue;
    std::string root = PathRoot(path);
    if (root.empty()) return false;
    if (!asked.insert(root).second) continue;
    SHQUERYRBINFO info{};
    info.cbSize = sizeof info;
    if (FAILED(query(root.c_str(), &info))) return false;
  }
  return true;
}

void OfferRemovalOf(std::vector<std::string>& misplaced, HWND owner, const TReportLine& report) {
  if (misplaced.empty()) return;
  if (MessageDlgYesNo(RemovalQuestion, RemovalCaption, owner) != ResultYes) {
    report(RemovalDeclinedLine);
    return;
  }
  // The shell's operation processes messages, and whatever runs then may
  // change the list: the offer works on its own copy.
  const std::vector<std::string> paths = misplaced;
  // Without a Recycle Bin the shell would delete the files for good.
  if (!RecycleBinAvailable(paths)) {
    report(RemovalDeclinedLine);
    return;
  }
  const std::string buffer = BuildPathBuffer(paths);
  if (!buffer.empty()) {
    std::vector<bool> existedBefore;
    for (const std::string& path : paths) existedBefore.push_back(FileThere(path));
    SHFILEOPSTRUCTA request{};
    request.hwnd = owner;
    request.wFunc = FO_DELETE;
    request.pFrom = buffer.c_str();
    request.pTo = nullptr;
    // The nuke warning makes the shell ask before deleting anything it cannot recycle.
    request.fFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_WANTNUKEWARNING;
    // Neither the result nor the abort flag tells what went: the shell stops
    // at the first file it cannot remove, after moving the ones before it, and
    // a cancel or a declined deletion leaves the rest. What was there before
    // and is gone now is what was removed, whatever the shell returned.
    SHFileOperationA(&request);
    std::vector<std::string> removed;
    for (size_t i = 0; i < paths.size(); ++i)
      if (existedBefore[i] && !FileThere(paths[i])) removed.push_back(paths[i]);
    if (!removed.empty()) {
      report(RemovedFilesLine);
      for (const std::string& path : removed) report(path);
    }
  }
  misplaced.clear();
}

}  // namespace tarvo
