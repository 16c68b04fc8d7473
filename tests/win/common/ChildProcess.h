#pragma once
// A process a test starts: this test program again with a flag, Tarvo.exe, or
// a Unix shell. Its handles are closed on every path out; it is not ended.

#include <windows.h>

#include <string>

#include "platform/UniqueResource.h"

namespace tarvo::test {

class TChildProcess {
public:
  // Starts `commandLine` (its program quoted where the path has blanks) in
  // `folder` (empty: this process's own). With `captureOutput` the child's
  // standard output and error go into a pipe that ReadOutput() empties.
  explicit TChildProcess(std::string commandLine, const std::string& folder = std::string(),
                         bool captureOutput = false);

  // CreateProcessA succeeded. A Unix program started through its \\?\unix
  // path may come without a process handle: Wine neither waits for it nor
  // knows its exit code.
  bool Started() const { return started_; }
  HANDLE Handle() const { return process_.get(); }
  DWORD Id() const { return id_; }
  // True when the process ended within `milliseconds`.
  bool Wait(DWORD milliseconds) const;
  DWORD ExitCode() const;
  // Ends the process if it still runs and waits for it to be gone.
  void Kill();
  // What the child wrote, up to its closing its end of the pipe.
  std::string ReadOutput();

private:
  TUniqueHandle process_;
  TUniqueHandle thread_;
  TUniqueHandle output_;
  DWORD id_ = 0;
  bool started_ = false;
};

// The command line that starts this test program again, with `flag` after it.
std::string OwnCommandLine(const std::string& flag);

}  // namespace tarvo::test
