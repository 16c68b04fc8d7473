// tarvoctl: a small remote control for a running Tarvo.exe, used by
// scripts/run to answer the removal prompt and to close the demo.
//   tarvoctl answer <caption> yes|no|esc|close [timeout-ms]
//   tarvoctl close-main [timeout-ms]
// Either may be preceded by --desktop <name> to act on the windows of a named
// desktop (the one "explorer /desktop=<name>,..." made) instead of the default.
// Exit code 0 when it acted, 1 when no such window appeared in time.

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/Driver.h"

using namespace tarvo::e2e;

int main(int argc, char** argv) {
  if (argc >= 3 && std::strcmp(argv[1], "--desktop") == 0) {
    HDESK desktop = OpenDesktopA(argv[2], 0, FALSE, GENERIC_ALL);
    if (!desktop || !SetThreadDesktop(desktop)) {
      std::fprintf(stderr, "cannot open desktop %s (error %lu)\n", argv[2], GetLastError());
      return 2;
    }
    argc -= 2;
    argv += 2;
  }
  if (argc >= 3 && std::strcmp(argv[1], "answer") == 0 && argc >= 4) {
    const char* caption = argv[2];
    const char* how = argv[3];
    milliseconds timeout(argc >= 5 ? std::atoi(argv[4]) : 10000);
    HWND dialog = nullptr;
    if (!WaitFor([&] { return (dialog = FindTopWindow(0, "#32770", caption)) != nullptr; },
                 timeout))
      return 1;
    if (std::strcmp(how, "yes") == 0) {
      Click(GetDlgItem(dialog, IDYES));
    } else if (std::strcmp(how, "no") == 0) {
      Click(GetDlgItem(dialog, IDNO));
    } else if (std::strcmp(how, "esc") == 0) {
      PostMessageA(GetDlgItem(dialog, IDYES), WM_KEYDOWN, VK_ESCAPE, 0);
    } else if (std::strcmp(how, "close") == 0) {
      PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    } else {
      std::fprintf(stderr, "unknown answer %s\n", how);
      return 2;
    }
    return 0;
  }
  if (argc >= 2 && std::strcmp(argv[1], "close-main") == 0) {
    milliseconds timeout(argc >= 3 ? std::atoi(argv[2]) : 10000);
    HWND main = nullptr;
    if (!WaitFor([&] { return (main = FindTopWindow(0, "TfrmMain", nullptr)) != nullptr; },
                 timeout))
      return 1;
    PostMessageA(main, WM_CLOSE, 0, 0);
    return 0;
  }
  std::fprintf(stderr,
               "usage: tarvoctl [--desktop name] answer <caption> yes|no|esc|close [ms] | "
               "close-main [ms]\n");
  return 2;
}
