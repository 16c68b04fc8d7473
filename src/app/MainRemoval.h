#pragma once
// The removal offer for misplaced libraries, over the list it consumes, so
// tests can drive it without the main window.

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace tarvo {

using TReportLine = std::function<void(const std::string&)>;

// Asks once whether the listed libraries go to the Recycle Bin and, on Yes,
// hands them to the shell in one operation owned by `owner`, then reports
// the files that operation removed and clears the list. Paths with "?" or
// "*" are never handed over. A declined offer, or one the Recycle Bin cannot take,
// leaves the list as it is.
void OfferRemovalOf(std::vector<std::string>& misplaced, HWND owner, const TReportLine& report);

// True when every path's drive or share has a usable Recycle Bin.
bool RecycleBinAvailable(const std::vector<std::string>& paths);

}  // namespace tarvo
