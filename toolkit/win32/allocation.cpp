// Memory that cannot be had is a runtime error naming the size asked for.
// The report is composed on the stack: the heap has just failed.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <new>

#include "toolkit/win32/frame_win32.h"

namespace {

[[noreturn]] void allocationFailed(std::size_t bytes) {
    // Composed in place of text::allocationFailed, which needs the heap.
    char message[96];
    std::snprintf(message, sizeof message, "分配 %lu 字节内存失败!", static_cast<unsigned long>(bytes));
    xy::win32::runtimeError(message);
}

}  // namespace

void* operator new(std::size_t bytes) {
    if (void* p = std::malloc(bytes ? bytes : 1)) return p;
    allocationFailed(bytes);
}

void* operator new[](std::size_t bytes) { return ::operator new(bytes); }

void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
