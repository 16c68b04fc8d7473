#pragma once
// GoogleTest holds its own threads back with a Notification made of
// std::mutex and std::condition_variable, which the shipped runtime's win32
// thread model lacks. This one, made of a Win32 event, takes its place; the
// build forces it into every GoogleTest translation unit.

#include <windows.h>

#define GTEST_HAS_NOTIFICATION_ 1

namespace testing::internal {

class Notification {
public:
  Notification() : event_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
  ~Notification() { CloseHandle(event_); }
  Notification(const Notification&) = delete;
  Notification& operator=(const Notification&) = delete;

  void Notify() { SetEvent(event_); }
  void WaitForNotification() { WaitForSingleObject(event_, INFINITE); }

private:
  HANDLE event_;
};

}  // namespace testing::internal
