// Start-up and ending of the process: current directory, hidden owner
// window, floating-point state, the definitions block in the image, the
// runtime error and the exit.
#include <windows.h>
#include <ole2.h>

#include <cstring>
#include <string>

#include "toolkit/model/messages.h"
#include "toolkit/win32/frame_win32.h"
#include "toolkit/win32/text.h"

namespace xy::win32 {
namespace {

HWND gHiddenOwner = nullptr;
constexpr wchar_t kOwnerClass[] = L"XyOwner";

// What start-up acquired, released on every way out.
void releaseStartup() {
    if (gHiddenOwner) {
        DestroyWindow(gHiddenOwner);
        gHiddenOwner = nullptr;
    }
    OleUninitialize();
}

}  // namespace

void setCurrentDirectoryToProgramFolder() {
    // The wide path splits at its last backslash without any code page in
    // the way, so every folder name works, not only those of the ANSI page.
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), DWORD(path.size()));
        if (n == 0) return;
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        if (path.size() >= 32768) return;
        path.resize(path.size() * 2);
    }
    const std::size_t slash = path.rfind(L'\\');
    if (slash == std::wstring::npos) return;
    std::wstring folder = path.substr(0, slash);
    if (folder.size() == 2 && folder[1] == L':') folder += L'\\';  // "C:" alone names a drive's current folder
    SetCurrentDirectoryW(folder.c_str());
}

void createHiddenOwner(HINSTANCE instance) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = instance;
    wc.lpszClassName = kOwnerClass;
    RegisterClassExW(&wc);
    gHiddenOwner = CreateWindowExW(WS_EX_TOOLWINDOW, kOwnerClass, L"", 0, 0, 0, 0, 0, nullptr, nullptr, instance,
                                   nullptr);
}

HWND hiddenOwnerWindow() { return gHiddenOwner; }

void resetFloatingPoint() {
    // Power-on state: every exception masked, round to nearest, 64-bit
    // mantissa.
#if defined(__i386__) || defined(__x86_64__)
    __asm__ __volatile__("fninit");
#elif defined(_M_IX86)
    __asm fninit
#endif
}

std::span<const std::uint8_t> templateSection() {
    const auto* base = reinterpret_cast<const std::uint8_t*>(GetModuleHandleW(nullptr));
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    if (!base || dos->e_magic != IMAGE_DOS_SIGNATURE) return {};
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    if (nt->Signature != IMAGE_NT_SIGNATURE) return {};
    const DWORD imageSize = nt->OptionalHeader.SizeOfImage;
    const IMAGE_SECTION_HEADER* sec = IMAGE_FIRST_SECTION(nt);
    for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++sec) {
        if (std::memcmp(sec->Name, ".xytpl\0\0", 8) != 0) continue;
        const DWORD start = sec->VirtualAddress;
        DWORD size = sec->Misc.VirtualSize;
        if (start >= imageSize) return {};
        if (size > imageSize - start) size = imageSize - start;
        return {base + start, size};
    }
    return {};
}

[[noreturn]] void endProgram(int exitCode) {
    frame().endNormally();
    releaseStartup();
    ExitProcess(UINT(exitCode));
}

[[noreturn]] void runtimeError(std::string_view message, std::int32_t code) {
    const std::wstring body = wide(text::runtimeError(message, code));
    MessageBoxW(nullptr, body.c_str(), wide(text::kErrorCaption).c_str(), MB_OK | MB_ICONERROR);
    frame().dropExitHooks();
    frame().endNormally();
    releaseStartup();
    ExitProcess(UINT(-1));
}

}  // namespace xy::win32
