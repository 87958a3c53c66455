// How the language runtime's failure paths end in this program: memory
// that cannot be had is a runtime error naming the size asked for, and the
// library's own fatal errors end the process without dragging the
// exception machinery and its symbol demangler into the program file.
#include <windows.h>

#include <cstdlib>
#include <new>

#include "toolkit/win32/frame_win32.h"

namespace {

[[noreturn]] void allocationFailed(std::size_t bytes) {
    // Composed on the stack: the heap has just failed.
    char digits[24];
    char* d = digits + sizeof digits;
    *--d = '\0';
    do {
        *--d = char('0' + bytes % 10);
        bytes /= 10;
    } while (bytes);
    char message[64] = "分配 ";
    lstrcatA(message, d);
    lstrcatA(message, " 字节内存失败!");
    xy::win32::runtimeError(message);
}

[[noreturn]] void libraryFailure() {
    xy::win32::runtimeError({});
}

}  // namespace

void* operator new(std::size_t bytes) {
    if (void* p = std::malloc(bytes ? bytes : 1)) return p;
    allocationFailed(bytes);
}

void* operator new[](std::size_t bytes) { return ::operator new(bytes); }
void* operator new(std::size_t bytes, const std::nothrow_t&) noexcept { return std::malloc(bytes ? bytes : 1); }
void* operator new[](std::size_t bytes, const std::nothrow_t&) noexcept { return std::malloc(bytes ? bytes : 1); }

void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

#if defined(__GLIBCXX__)
// The program is built without exceptions; the containers' length checks
// can only fail on a request no allocation could meet.
namespace std {
void __throw_length_error(const char*) { allocationFailed(SIZE_MAX); }
void __throw_bad_alloc() { allocationFailed(SIZE_MAX); }
void __throw_bad_array_new_length() { allocationFailed(SIZE_MAX); }
void __throw_logic_error(const char*) { libraryFailure(); }
void __throw_out_of_range(const char*) { libraryFailure(); }
void __throw_out_of_range_fmt(const char*, ...) { libraryFailure(); }
void __throw_invalid_argument(const char*) { libraryFailure(); }
void __throw_bad_function_call() { libraryFailure(); }
}  // namespace std

namespace __gnu_cxx {
void __verbose_terminate_handler() { libraryFailure(); }
}  // namespace __gnu_cxx
#endif
