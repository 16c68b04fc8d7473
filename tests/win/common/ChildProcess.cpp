#include "ChildProcess.h"

namespace tarvo::test {

TChildProcess::TChildProcess(std::string commandLine, const std::string& folder,
                             bool captureOutput) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  TUniqueHandle writeEnd;
  if (captureOutput) {
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE write = nullptr;
    if (!CreatePipe(&readEnd, &write, &inherit, 0)) return;
    output_.reset(readEnd);
    writeEnd.reset(write);
    // Only the child's end is inherited: with ours too, the pipe never ends.
    SetHandleInformation(output_.get(), HANDLE_FLAG_INHERIT, 0);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd.get();
    startup.hStdError = writeEnd.get();
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  }
  PROCESS_INFORMATION info = {};
  if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, captureOutput ? TRUE : FALSE, 0,
                      nullptr, folder.empty() ? nullptr : folder.c_str(), &startup, &info))
    return;
  started_ = true;
  process_.reset(info.hProcess);
  thread_.reset(info.hThread);
  id_ = info.dwProcessId;
}

bool TChildProcess::Wait(DWORD milliseconds) const {
  return process_ && WaitForSingleObject(process_.get(), milliseconds) == WAIT_OBJECT_0;
}

DWORD TChildProcess::ExitCode() const {
  DWORD code = STILL_ACTIVE;
  if (process_) GetExitCodeProcess(process_.get(), &code);
  return code;
}

void TChildProcess::Kill() {
  if (process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) {
    TerminateProcess(process_.get(), 1);
    WaitForSingleObject(process_.get(), 5000);
  }
}

std::string TChildProcess::ReadOutput() {
  std::string out;
  if (!output_) return out;
  char buffer[512];
  DWORD got = 0;
  while (ReadFile(output_.get(), buffer, sizeof buffer, &got, nullptr) && got > 0)
    out.append(buffer, got);
  return out;
}

std::string OwnCommandLine(const std::string& flag) {
  char exe[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, exe, MAX_PATH);
  return std::string("\"") + exe + "\"" + flag;
}

}  // namespace tarvo::test
