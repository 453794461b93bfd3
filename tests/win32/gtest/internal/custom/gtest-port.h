// GoogleTest's hook for the platform: the compiler's win32 thread model has
// no std::mutex, so the one class that would use it waits on an event.
#pragma once
#include <windows.h>

#define GTEST_HAS_NOTIFICATION_ 1
namespace testing::internal {
class Notification {
public:
    ~Notification() { CloseHandle(event_); }
    void Notify() { SetEvent(event_); }
    void WaitForNotification() { WaitForSingleObject(event_, INFINITE); }

private:
    HANDLE event_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
};
}  // namespace testing::internal
