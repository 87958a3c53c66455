// What the end-to-end tests share about the program under test: its main
// window's title, how long starting and ending may take, and helpers that
// start it and wait for its window with assertions that say what went wrong.
#pragma once

#include <gtest/gtest.h>

#include <cwctype>
#include <optional>
#include <sstream>

#include "driver.h"

namespace e2e {

inline const std::wstring kMainTitle = L"闲云百宝匣";
inline const std::wstring kErrorCaption = L"错误";
// Generous for a cold start under Wine; every wait in the tests is bounded.
inline constexpr Millis kStartTimeout = 8000ms;
inline constexpr Millis kExitTimeout = 5000ms;

// What a process shows, for failure messages.
inline std::string windowsSummary(DWORD pid) {
    std::ostringstream s;
    auto wins = topLevelWindows(pid);
    s << wins.size() << " top-level window(s) of pid " << pid << ":";
    for (HWND w : wins) {
        auto i = describe(w);
        s << " [" << narrow(i.cls) << " \"" << narrow(i.title) << "\"" << (i.visible ? "" : " hidden")
          << "]";
    }
    for (auto& m : messageBoxesOf(pid)) s << " box \"" << narrow(m.caption) << "\": \"" << narrow(m.text) << "\"";
    return s.str();
}

// The program, started and with its main window shown.
struct Launched {
    Process proc;
    HWND window = nullptr;
};

// Starts exe (the program under test by default) in workDir and waits for
// its main window. Use with ASSERT_NO_FATAL_FAILURE.
inline void launch(Launched& out, std::wstring exe = {}, const std::wstring& workDir = {}) {
    if (exe.empty()) exe = programPath();
    ASSERT_FALSE(exe.empty()) << "XY_PROGRAM is not set (run through run_e2e.sh)";
    ASSERT_NE(GetFileAttributesW(exe.c_str()), INVALID_FILE_ATTRIBUTES)
        << "program file " << narrow(exe) << " does not exist";
    out.proc = start(exe, workDir);
    ASSERT_TRUE(out.proc) << "CreateProcessW(" << narrow(exe) << ") failed, error " << lastStartError();
    out.window = waitForWindow(out.proc.pid(), kMainTitle, kStartTimeout);
    if (!out.window) saveScreenshot({0, 0, screenSize().x, screenSize().y}, shotName(L"no-window"));
    ASSERT_NE(out.window, nullptr) << "no visible window titled 闲云百宝匣 within "
                                   << kStartTimeout.count() << " ms; " << windowsSummary(out.proc.pid())
                                   << (out.proc.running() ? "" : " (the process has ended)");
}

// Expects the process to end with `code` within the exit timeout.
inline void expectExit(const Process& p, DWORD code, const char* what) {
    auto got = p.waitExit(kExitTimeout);
    ASSERT_TRUE(got.has_value()) << what << ": the program still runs after " << kExitTimeout.count()
                                 << " ms; " << windowsSummary(p.pid());
    EXPECT_EQ(*got, code) << what << ": exit code";
}

// The full path (lower case) of the module `file` ("comctl32.dll") mapped
// in process pid, or nothing.
inline std::optional<std::wstring> moduleNamed(DWORD pid, const std::wstring& file) {
    for (const auto& p : loadedModules(pid))
        if (p.size() > file.size() && p.compare(p.size() - file.size(), file.size(), file) == 0 &&
            p[p.size() - file.size() - 1] == L'\\')
            return p;
    return std::nullopt;
}

// The system folder, lower case, with a final backslash.
inline std::wstring systemFolder() {
    wchar_t b[MAX_PATH] = {};
    GetSystemDirectoryW(b, MAX_PATH);
    std::wstring s = b;
    for (auto& c : s) c = wchar_t(towlower(c));
    return s + L"\\";
}

inline RECT screenRect() { return {0, 0, screenSize().x, screenSize().y}; }

}  // namespace e2e
