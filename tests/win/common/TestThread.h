#pragma once
// A thread for the Windows-side tests, made with CreateThread: the shipped
// runtime's thread model has no std::thread. Joined when it goes out of scope.

#include <windows.h>

#include <functional>
#include <stdexcept>
#include <utility>

namespace tarvo::test {

class TTestThread {
public:
  explicit TTestThread(std::function<void()> body) : body_(std::move(body)) {
    handle_ = CreateThread(nullptr, 0, &TTestThread::Start, this, 0, nullptr);
    if (!handle_) throw std::runtime_error("CreateThread failed");
  }
  ~TTestThread() { Join(); }
  TTestThread(const TTestThread&) = delete;
  TTestThread& operator=(const TTestThread&) = delete;

  void Join() {
    if (!handle_) return;
    WaitForSingleObject(handle_, INFINITE);
    CloseHandle(handle_);
    handle_ = nullptr;
  }

private:
  static DWORD WINAPI Start(LPVOID self) {
    static_cast<TTestThread*>(self)->body_();
    return 0;
  }

  std::function<void()> body_;
  HANDLE handle_ = nullptr;
};

}  // namespace tarvo::test
