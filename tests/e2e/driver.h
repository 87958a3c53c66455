// A small driver for end-to-end tests that run inside Wine next to the
// program under test: start it, find and inspect its windows, send real
// input, look at the screen and read what it did from outside.
//
// Everything works on other processes the way a person (or an accessibility
// tool) would: no hooks, no injection.
#pragma once

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace e2e {

using namespace std::chrono_literals;
using Millis = std::chrono::milliseconds;

// ---- environment set up by run_e2e.sh -------------------------------------

// A variable of the environment as a Windows path: Unix absolute paths
// ("/work/...") become "Z:\work\...". Empty when the variable is not set.
std::wstring envPath(const wchar_t* name);
std::wstring programPath();     // XY_PROGRAM: the program file under test
std::wstring screenshotDir();   // XY_SCREENSHOTS: where tests put pictures
std::wstring browserLogPath();  // XY_BROWSER_LOG: addresses xdg-open received
std::wstring folderOf(const std::wstring& path);  // without final backslash

// ---- processes -------------------------------------------------------------

// A started process. The destructor makes sure it is gone: if it still runs
// it is terminated, so no test leaves a program behind.
class Process {
public:
    Process() = default;
    Process(HANDLE process, DWORD pid) : handle_(process), pid_(pid) {}
    Process(Process&& o) noexcept { *this = std::move(o); }
    Process& operator=(Process&& o) noexcept;
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;
    ~Process() { kill(); }

    explicit operator bool() const { return handle_ != nullptr; }
    HANDLE handle() const { return handle_; }
    DWORD pid() const { return pid_; }
    bool running() const;
    // Waits for the end; the exit code (0xFFFFFFFF for -1), or nothing on
    // timeout.
    std::optional<DWORD> waitExit(Millis timeout) const;
    // Terminates the process if it still runs and waits for it. True if it
    // had to be terminated.
    bool kill();

private:
    HANDLE handle_ = nullptr;
    DWORD pid_ = 0;
};

// CreateProcessW on exe with the given working directory (empty: the
// caller's). An empty Process on failure; lastError() tells why.
Process start(const std::wstring& exe, const std::wstring& workDir = L"",
              const std::wstring& args = L"");
DWORD lastStartError();

// Process ids whose image name is `exeName` (case-insensitive, "winhlp32.exe").
std::set<DWORD> processesNamed(const std::wstring& exeName);
// Terminates every process named exeName whose id is not in `keep`.
void killProcessesNamed(const std::wstring& exeName, const std::set<DWORD>& keep = {});

// Full paths of the modules (program file and DLLs) mapped in a process,
// in lower case. Empty if the process cannot be read.
std::vector<std::wstring> loadedModules(DWORD pid);

// The current directory of another process, read from its process
// parameters in the PEB (32-bit layout). Nothing if it cannot be read.
std::optional<std::wstring> currentDirectoryOf(HANDLE process);

// ---- windows ---------------------------------------------------------------

std::wstring windowText(HWND w);
std::wstring className(HWND w);
DWORD windowPid(HWND w);

// Top-level windows of one process (pid 0: of every process), in Z order.
std::vector<HWND> topLevelWindows(DWORD pid, bool visibleOnly = false);
std::vector<HWND> childWindows(HWND parent);  // all descendants
std::vector<HWND> directChildren(HWND parent);

// Polls every 20 ms for a top-level window of `pid` titled `title` (pid 0:
// any process). nullptr on timeout.
HWND waitForWindow(DWORD pid, const std::wstring& title, Millis timeout,
                   bool visibleOnly = true);
// Polls until `pred` holds or the time is up; returns the last result.
template <class Pred>
bool waitUntil(Pred pred, Millis timeout) {
    auto end = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (pred()) return true;
        if (std::chrono::steady_clock::now() >= end) return false;
        Sleep(20);
    }
}

struct WindowInfo {
    std::wstring title, cls;
    RECT rect{};    // GetWindowRect (screen)
    RECT client{};  // client area in screen coordinates
    HWND owner = nullptr;
    bool enabled = false, visible = false;
    LONG style = 0, exStyle = 0;
};
WindowInfo describe(HWND w);
// A child's rectangle in its parent's client coordinates.
RECT rectInParent(HWND child);

struct IconSize {
    bool present = false;
    int width = 0, height = 0;
};
// Size of the window's big or small icon (WM_GETICON, falling back to the
// class icons). The icon handle belongs to the other process; under Wine
// GetIconInfo on it may fail, in which case present is true and the size 0.
IconSize iconSize(HWND w, bool big);

// Icon images of a program file: the sizes in its first icon group (the one
// the shell shows), and that group loaded at a size (nullptr if missing;
// DestroyIcon it).
std::vector<SIZE> fileIconSizes(const std::wstring& exe);
HICON loadFileIcon(const std::wstring& exe, int size);

// Where `icon`, drawn at size x size, appears pixel for pixel inside `area`
// of the screen. Pixels that the icon leaves (partly) transparent are not
// compared.
struct IconMatch {
    bool found = false;
    POINT at{};
    int opaque = 0, matching = 0;  // at the best position
};
IconMatch findIconOnScreen(HICON icon, int size, const RECT& area);

// A message box (dialog class "#32770") as the user sees it.
struct MessageBoxInfo {
    HWND hwnd = nullptr;
    std::wstring caption;
    std::wstring text;  // the static text control 0xFFFF
    struct Button {
        int id;
        std::wstring text;
        HWND hwnd;
    };
    std::vector<Button> buttons;  // visible buttons, in child order
};
std::vector<MessageBoxInfo> messageBoxesOf(DWORD pid);
std::optional<MessageBoxInfo> waitForMessageBox(DWORD pid, Millis timeout,
                                                const std::wstring& caption = L"");

// Hit test of a screen point on a window (WM_NCHITTEST), and a point of the
// window where the hit test gives `code` (scanning its title-bar band first).
LRESULT hitTest(HWND w, POINT screen);
std::optional<POINT> findHitPoint(HWND w, LRESULT code);

// ---- input (SendInput, real hardware-like events) --------------------------

void mouseMove(int x, int y);
void click(int x, int y);
void doubleClick(int x, int y);
void rightClick(int x, int y);
// Key down and up of one key, with optional modifiers held (VK_MENU for Alt,
// VK_CONTROL, VK_SHIFT).
void pressKey(WORD vk, std::initializer_list<WORD> modifiers = {});
// Clicks the window's title bar (away from its buttons) so that it becomes
// the active window and its focus control gets the keyboard.
bool focusByTitleBar(HWND w);

// ---- screen ----------------------------------------------------------------

POINT screenSize();
COLORREF screenPixel(int x, int y);
std::vector<COLORREF> screenRegion(const RECT& r);  // row-major, 0x00BBGGRR
// Saves the screen rectangle as a 24-bit BMP named `<name>.bmp` in the
// screenshot folder; returns the file's path (empty on failure).
std::wstring saveScreenshot(const RECT& r, const std::wstring& name);
// Name for pictures of the current test: "Suite.Test-<what>".
std::wstring shotName(const std::wstring& what);

// ---- recording of opened addresses -----------------------------------------

std::vector<std::string> browserLog();  // one address per line, in order
void clearBrowserLog();

// ---- files -----------------------------------------------------------------

// A fresh folder under C:\xy-e2e\ (removed with its contents on destruction).
class TempDir {
public:
    explicit TempDir(const std::wstring& name);
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::wstring& path() const { return path_; }

private:
    std::wstring path_;
};
bool removeTree(const std::wstring& path);
bool createDirectories(const std::wstring& path);
std::vector<std::uint8_t> readFile(const std::wstring& path);
bool writeFile(const std::wstring& path, const void* data, size_t size);

// UTF-8 for messages of failed assertions.
std::string narrow(const std::wstring& w);

}  // namespace e2e
