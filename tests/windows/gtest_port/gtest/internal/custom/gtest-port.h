// GoogleTest's porting hook, found ahead of its own empty one. The win32-thread mingw
// runtime has no std::mutex or std::condition_variable, which GoogleTest's Notification
// is built on; this gives it one on a Win32 manual-reset event instead.
#pragma once

#include <windows.h>

#define GTEST_HAS_NOTIFICATION_ 1

namespace testing {
namespace internal {
class Notification {
  public:
    Notification() : Event(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    ~Notification() { CloseHandle(Event); }
    Notification(const Notification&) = delete;
    Notification& operator=(const Notification&) = delete;
    void Notify() { SetEvent(Event); }
    void WaitForNotification() { WaitForSingleObject(Event, INFINITE); }

  private:
    HANDLE Event;
};
} // namespace internal
} // namespace testing
