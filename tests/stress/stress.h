// The stress command's shared pieces: options, the seeded random source, the
// record of checks and figures, the program under test seen from outside
// (its windows, the site menu's geometry, the invariants that must hold
// after anything a user or another program does) and fast real input.
//
// Everything drives the real program file under Wine from another process,
// with SendInput for input and SendMessageTimeout / PostMessage for foreign
// messages; nothing is injected into the program.
#pragma once

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "driver.h"

namespace stress {

using namespace std::chrono_literals;
using e2e::Millis;
using Clock = std::chrono::steady_clock;

// ---- options ----------------------------------------------------------------

struct Options {
    std::uint32_t seed = 1;
    int inputs = 400;      // real inputs of the input storm
    int messages = 1500;   // foreign messages sent and posted
    int openings = 30;     // update-window openings, group switches and greeting boxes, each
    int seconds = 110;     // the whole run stops by itself after this
    std::set<std::string> phases;      // empty: all
    std::set<std::string> knownOpen;   // checks whose failure is reported, not counted
    bool wanted(const std::string& phase) const { return phases.empty() || phases.count(phase); }
};

// ---- the run's record -------------------------------------------------------

class Record {
public:
    // A check: failures are printed and counted (unless the check's name is
    // in the known-open list, then they are printed as OPEN).
    bool check(bool ok, const std::string& name, const std::string& detail = {});
    void note(const std::string& line);             // printed at once
    void figure(const std::string& key, const std::string& value);  // kept for the summary
    void setKnownOpen(std::set<std::string> names) { knownOpen_ = std::move(names); }
    void setPhase(const std::string& phase) { phase_ = phase; }
    int failures() const { return failures_; }
    int open() const { return open_; }
    int checks() const { return checks_; }
    void printSummary() const;

private:
    std::string phase_;
    std::set<std::string> knownOpen_;
    std::vector<std::pair<std::string, std::string>> figures_;
    std::vector<std::string> failed_;
    int failures_ = 0, open_ = 0, checks_ = 0;
};
Record& record();

// The run's deadline (--seconds).
void setDeadline(Clock::time_point end);
bool timeLeft();
double secondsLeft();

std::string fmt(const char* f, ...);

// ---- random -----------------------------------------------------------------

class Rng {
public:
    explicit Rng(std::uint32_t seed) : g_(seed) {}
    int between(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(g_); }  // inclusive
    std::uint32_t bits() { return g_(); }
    bool chance(double p) { return std::uniform_real_distribution<double>(0, 1)(g_) < p; }
    template <class T>
    const T& pick(const std::vector<T>& v) { return v[std::size_t(between(0, int(v.size()) - 1))]; }
    // An index by weights.
    int weighted(std::initializer_list<int> weights);

private:
    std::mt19937 g_;
};
// Each phase draws from its own stream, so a phase repeats on its own.
std::uint32_t phaseSeed(std::uint32_t seed, const char* phase);

// ---- the program under test -------------------------------------------------

inline const std::wstring kMainTitle = L"闲云百宝匣";
inline const std::wstring kGreetingCaption = L"提示";
inline const std::wstring kErrorCaption = L"错误";
inline const std::wstring kWindowClass = L"XyWindow";

struct App {
    e2e::Process proc;
    HWND main = nullptr;
    DWORD thread = 0;  // the user-interface thread
    std::wstring exe;
    explicit operator bool() const { return main != nullptr; }
};

// Starts exe (the program under test when empty) in workDir and waits for its
// main window; a failed check and an empty App when it does not appear.
App launch(const std::wstring& exe = {}, const std::wstring& workDir = {});
// Puts the main window at (x, y) of the screen, so that the centred modal
// windows do not cover it.
void placeMain(const App& app, int x, int y);

HWND menuOf(HWND main);
// The update windows of the program (every top-level window of its own
// class but the main window, shown or not).
std::vector<HWND> updateWindows(const App& app);
HWND updateWindow(const App& app);  // the shown one, or nullptr
std::optional<e2e::MessageBoxInfo> greetingBox(const App& app);
bool errorBoxShown(const App& app);
bool answers(HWND w, UINT timeoutMs);
// Every window of the process: its top-level windows and their descendants.
std::vector<HWND> allWindows(DWORD pid);
std::string describeWindows(const App& app);

// The site menu on the screen.
struct Menu {
    static constexpr int kGroups = 4, kHeader = 40, kRow = 36, kArrow = 16, kArrowMargin = 2;
    RECT r{};        // the control, screen coordinates
    RECT shown{};    // the part of it inside the main window's client area
    int height() const { return r.bottom - r.top; }
    int width() const { return r.right - r.left; }
    int headerTop(int open, int g) const;  // screen y
    int areaTop(int open) const { return r.top + (open + 1) * kHeader; }
    int areaHeight() const { return height() - kGroups * kHeader; }
    int visibleRows() const { return areaHeight() / kRow; }
    int itemCount(int group) const;
    POINT header(int open, int g) const;
    POINT item(int open, int row) const;
    POINT downArrow(int open) const;
    POINT upArrow(int open) const;
};
Menu menuGeometry(HWND main);
// The open group as the screen shows it (at rest, nothing covering the
// menu), or -1.
int openGroupOnScreen(const App& app);
// Clicks header bars until `group` is open; true when the screen shows it.
bool openGroup(const App& app, int group);
// Opens the group of (group, item), scrolls it into view and clicks it. The
// scroll position is tracked in `first` (the first shown row of the open
// group; reset when a group is opened).
bool chooseItem(const App& app, int group, int item, int& first);

// The update window opened through the menu item 更新 (group 3 opened first
// when needed); nullptr when it did not appear.
HWND openUpdateWindow(const App& app);
HWND updateButton(HWND updateWindow);
// Shows the greeting box through the menu item 说明.
std::optional<e2e::MessageBoxInfo> openGreetingBox(const App& app);

// Closes what is open above the main window: greeting boxes with Enter
// (a click on their title bar first when they do not have the keyboard),
// the update window with Esc. True when only the main window is left.
bool closeModalWindows(const App& app);
// The pointer back inside the main window.
void parkPointer(const App& app);

// A point of the window where the hit test gives `code` (HTCAPTION,
// HTCLOSE), found once per window class and size and then reused.
std::optional<POINT> hitPoint(HWND w, LRESULT code);
// Makes the window the foreground window with a click on its title bar.
bool focus(HWND w);

// The invariants that must hold whenever the program is at rest: it
// answers, at most one update window exists, the main window is enabled
// exactly when no modal window (update window or greeting box) is open,
// no runtime error box is shown, and every address the browser received
// belongs to the site table. Failed checks are recorded with `where`.
bool checkInvariants(const App& app, const std::string& where);

// Ends the program with Esc on the main window (after closing any modal
// window) and checks exit code 0.
bool escapeAndExpectZero(App& app, const std::string& where);

// ---- the site table and the browser log ----------------------------------------

// The addresses the browser may receive: every web row's address in the
// absolute form the program hands to the shell, and that form with the final
// slash Wine's browser launcher adds to a bare host.
const std::set<std::string>& allowedAddresses();
// Browser log lines that are not allowed.
std::vector<std::string> foreignAddresses();

// ---- measurements ---------------------------------------------------------------

struct Usage {
    long gdi = -1;        // GDI objects, -1 when not measurable
    long user = -1;       // USER objects (GetGuiResources), -1 when not measurable
    long windows = 0;     // windows of the process
    long kernel = -1;     // kernel handles (GetProcessHandleCount), -1 when not measurable
    std::uint64_t pagefile = 0;  // PagefileUsage
    std::uint64_t privateBytes = 0;  // committed private memory (PrivateUsage, or a VirtualQueryEx walk)
    std::map<int, long> gdiByType;  // Wine's handle table only
    std::string gdiSource, userSource, privateSource;
};
Usage measure(const App& app);
std::string describeUsage(const Usage& u);

// ---- real input -------------------------------------------------------------------

namespace input {
void moveTo(int x, int y);
void leftDown();
void leftUp();
void rightDown();
void rightUp();
void middleClick();
void wheel(int clicks);
void key(WORD vk, bool up);
void tap(WORD vk, std::initializer_list<WORD> modifiers = {});
void click(POINT p);
void doubleClick(POINT p);
void rightClick(POINT p);
}  // namespace input

// ---- phases -------------------------------------------------------------------------

void runStorm(const Options& o);
void runMessages(const Options& o);
void runResources(const Options& o);
void runFaults(const Options& o);
void runSecurity(const Options& o);
void runAllocation(const Options& o);

// Folder of stress.exe (the marker and the allocation probe live beside it).
std::wstring ownFolder();

}  // namespace stress
