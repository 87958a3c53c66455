// A small program that only leaves a trace that it ran: it writes a file
// "<its own path>.ran" next to itself and appends its path and command line
// to the file named by XY_MARKER_LOG, if that is set. The stress command
// plants copies of it under names the shell or the system might pick up from
// the program's folder or the current directory (www.baidu.com,
// explorer.exe, winhlp32.exe, ...); any trace means one of them was started.
#include <windows.h>

#include <string>

namespace {

void append(const std::wstring& path, const std::wstring& line) {
    HANDLE f = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return;
    const int n = WideCharToMultiByte(CP_UTF8, 0, line.data(), int(line.size()), nullptr, 0, nullptr, nullptr);
    std::string utf8(std::size_t(n > 0 ? n : 0), '\0');
    if (n > 0) WideCharToMultiByte(CP_UTF8, 0, line.data(), int(line.size()), utf8.data(), n, nullptr, nullptr);
    DWORD put = 0;
    WriteFile(f, utf8.data(), DWORD(utf8.size()), &put, nullptr);
    CloseHandle(f);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    wchar_t self[MAX_PATH * 4];
    const DWORD n = GetModuleFileNameW(nullptr, self, DWORD(std::size(self)));
    const std::wstring path(self, n);
    const std::wstring line = path + L" | " + GetCommandLineW() + L"\n";
    append(path + L".ran", line);
    wchar_t log[MAX_PATH * 4];
    const DWORD m = GetEnvironmentVariableW(L"XY_MARKER_LOG", log, DWORD(std::size(log)));
    if (m > 0 && m < std::size(log)) append(std::wstring(log, m), line);
    return 0;
}
