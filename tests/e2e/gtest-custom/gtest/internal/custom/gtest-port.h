// Local port settings for GoogleTest built with MinGW's win32 thread model,
// whose C++ library has no std::mutex or std::condition_variable. GoogleTest
// only needs them for its Notification class, which is provided here on a
// Win32 event instead (notification.cpp).
#ifndef XY_E2E_GTEST_CUSTOM_PORT_H_
#define XY_E2E_GTEST_CUSTOM_PORT_H_

#define GTEST_HAS_NOTIFICATION_ 1

namespace testing {
namespace internal {

class Notification {
public:
    Notification();
    ~Notification();
    Notification(const Notification&) = delete;
    Notification& operator=(const Notification&) = delete;
    void Notify();
    void WaitForNotification();

private:
    void* event_;  // manual-reset event
};

}  // namespace internal
}  // namespace testing

#endif  // XY_E2E_GTEST_CUSTOM_PORT_H_
