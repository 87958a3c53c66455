// The allocation-failure probe: the program's own toolkit layer (its
// operator new, runtime error box and ending, the real ones, linked in from
// toolkit/win32) with a test entry instead of the program's, so that memory
// can be made to fail without any test hook in the program file.
//
//   alloc_probe.exe new | array | vector | exhaust | nothrow
//
// Each case asks for memory that cannot be had in its own way. The toolkit
// must show its runtime error box naming the size asked for and end the
// process with -1, without running the exit hooks; "nothrow" must get a null
// pointer back and no box (exit code 3). The exit hook registered here writes
// the file named by XY_ALLOC_HOOK_FILE, so a hook that ran leaves a trace.
#include <windows.h>
#include <shellapi.h>

#include <cstdint>
#include <new>
#include <string>
#include <vector>

#include "toolkit/win32/frame_win32.h"

namespace {

void exitHook() {
    wchar_t path[MAX_PATH * 2];
    const DWORD n = GetEnvironmentVariableW(L"XY_ALLOC_HOOK_FILE", path, DWORD(std::size(path)));
    if (n == 0 || n >= std::size(path)) return;
    HANDLE f = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f != INVALID_HANDLE_VALUE) CloseHandle(f);
}

// Keeps the compiler from seeing through the sizes.
volatile std::size_t gHalf = SIZE_MAX / 2;
volatile std::size_t gThreeGiB = std::size_t(3) << 30;
volatile std::size_t gBlock = std::size_t(256) << 20;
void* volatile gSink = nullptr;

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    const std::wstring what = argv && argc > 1 ? argv[1] : L"";
    xy::win32::frame().registerExitHook(exitHook);

    if (what == L"new") {
        gSink = ::operator new(gHalf);
    } else if (what == L"array") {
        gSink = new char[gThreeGiB];
    } else if (what == L"vector") {
        std::vector<std::uint64_t> v;
        v.reserve(v.max_size() + 1);  // longer than any vector can be
        gSink = v.data();
    } else if (what == L"exhaust") {
        // Blocks of 256 MiB until the address space is used up.
        std::vector<void*> blocks;
        blocks.reserve(64);
        for (int i = 0; i < 64; ++i) blocks.push_back(new char[gBlock]);
        gSink = blocks.back();
    } else if (what == L"nothrow") {
        void* p = ::operator new(gHalf, std::nothrow);
        if (!p) return 3;
        gSink = p;
        return 4;
    } else {
        return 2;
    }
    // Not reached when the allocation fails as it must.
    return 5;
}
