// Faults from outside: a quit request posted to the program's user-interface
// thread in each of its states (it must end with that request's exit code
// once every wait has unwound); the program started from a folder whose path
// holds Chinese characters and spaces; two instances side by side, each
// driven while the other must stay as it was.
#include "stress.h"

namespace stress {
namespace {

using namespace e2e;

struct QuitCase {
    const char* state;
    DWORD code;
    // Brings the freshly started program into the state; false if it could
    // not be reached.
    bool (*enter)(App& app);
};

bool atRest(App&) { return true; }
bool updateOpen(App& app) { return openUpdateWindow(app) != nullptr; }
bool checkRunning(App& app) {
    HWND u = openUpdateWindow(app);
    HWND b = u ? updateButton(u) : nullptr;
    if (!b) return false;
    RECT r{};
    GetWindowRect(b, &r);
    input::click({(r.left + r.right) / 2, (r.top + r.bottom) / 2});
    // The check blocks the thread: it no longer answers.
    return waitUntil([&] { return !answers(u, 30); }, 2000ms);
}
bool greetingUp(App& app) { return openGreetingBox(app).has_value(); }
bool sliding(App& app) {
    int open = openGroupOnScreen(app);
    if (open < 0) return false;
    const Menu m = menuGeometry(app.main);
    input::click(m.header(open, open == 0 ? 3 : 0));
    return true;
}

const QuitCase kQuitCases[] = {
    {"at rest", 11, atRest},
    {"update window open", 7, updateOpen},
    {"update check running", 8, checkRunning},
    {"greeting box up", 9, greetingUp},
    {"group sliding", 10, sliding},
};

void quitRequests() {
    for (const QuitCase& c : kQuitCases) {
        if (!timeLeft()) return;
        App app = launch();
        if (!app) return;
        placeMain(app, 40, 40);
        focus(app.main);
        const bool reached = c.enter(app);
        if (!record().check(reached, "the state for the quit request is reached", c.state)) continue;
        PostThreadMessageW(app.thread, WM_QUIT, c.code, 0);
        auto code = app.proc.waitExit(6000ms);
        record().check(code.has_value(), "a quit request from outside ends the program",
                       std::string(c.state) + ":" + describeWindows(app));
        if (code)
            record().check(*code == c.code, "the program exits with the quit request's code",
                           fmt("%s: %ld instead of %ld", c.state, long(*code), long(c.code)));
        parkPointer(app);
    }
    record().figure("faults: quit requests posted", fmt("%zu states", std::size(kQuitCases)));
}

// The program copied into a folder with Chinese characters and spaces in its
// path, under a name of that kind too, and started from elsewhere.
void chineseFolder() {
    TempDir dir(L"C:\\xy-stress\\闲云 百宝 匣\\程序 目录 一");
    const std::wstring exe = dir.path() + L"\\闲云 百宝匣 副本.exe";
    if (!record().check(CopyFileW(programPath().c_str(), exe.c_str(), FALSE) != FALSE, "program copied",
                        narrow(exe)))
        return;
    wchar_t windows[MAX_PATH];
    GetWindowsDirectoryW(windows, MAX_PATH);
    App app = launch(exe, windows);
    if (!app) return;
    std::optional<std::wstring> cwd;
    waitUntil([&] { return (cwd = currentDirectoryOf(app.proc.handle())).has_value(); }, 3000ms);
    auto same = [](std::wstring a, std::wstring b) {
        if (!a.empty() && a.back() == L'\\') a.pop_back();
        return CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
    };
    record().check(cwd && same(*cwd, dir.path()), "current directory is the program folder",
                   cwd ? narrow(*cwd) : "unreadable");
    placeMain(app, 40, 40);
    focus(app.main);
    HWND u = openUpdateWindow(app);
    record().check(u != nullptr, "the update window opens from the Chinese folder", describeWindows(app));
    closeModalWindows(app);
    auto box = openGreetingBox(app);
    record().check(box.has_value(), "the greeting box opens from the Chinese folder", describeWindows(app));
    closeModalWindows(app);
    clearBrowserLog();
    int first = 0;
    chooseItem(app, 0, 2, first);  // 百度
    std::vector<std::string> log;
    waitUntil([&] { return !(log = browserLog()).empty(); }, 8000ms);
    record().check(log.size() == 1 && allowedAddresses().count(log[0]), "a site opens from the Chinese folder",
                   log.empty() ? "nothing reached the browser" : log[0]);
    checkInvariants(app, "Chinese folder");
    escapeAndExpectZero(app, "Chinese folder");
}

// Two instances side by side: what is done in one leaves the other as it
// was (same picture, enabled, no windows of its own opened).
void twoInstances() {
    App a = launch();
    App b = launch();
    if (!a || !b) return;
    const POINT s = screenSize();
    RECT ar{};
    GetWindowRect(a.main, &ar);
    placeMain(a, 40, 40);
    placeMain(b, s.x - 40 - (ar.right - ar.left), 40);
    auto picture = [](const App& app) {
        RECT r{};
        GetWindowRect(app.main, &r);
        return screenRegion(r);
    };
    auto untouched = [&](const App& other, const std::vector<COLORREF>& before, const std::string& step) {
        Record& r = record();
        answers(other.main, 3000);
        r.check(IsWindowEnabled(other.main) != FALSE, "the other instance stays enabled", step);
        r.check(updateWindows(other).empty() && !greetingBox(other), "the other instance opens nothing",
                step + ":" + describeWindows(other));
        r.check(picture(other) == before, "the other instance's picture does not change", step);
    };
    for (int round = 0; round < 2; ++round) {
        App& acting = round == 0 ? a : b;
        App& other = round == 0 ? b : a;
        const std::string who = round == 0 ? "first instance" : "second instance";
        focus(acting.main);
        parkPointer(acting);
        Sleep(200);
        const auto before = picture(other);
        openGroup(acting, 0);
        untouched(other, before, who + " opened group 0");
        int first = 0;
        clearBrowserLog();
        chooseItem(acting, 0, 2, first);
        waitUntil([&] { return !browserLog().empty(); }, 8000ms);
        untouched(other, before, who + " opened a site");
        if (openGreetingBox(acting)) {
            record().check(!IsWindowEnabled(acting.main), "the greeting box disables its own instance", who);
            untouched(other, before, who + " shows the greeting box");
        }
        closeModalWindows(acting);
        if (HWND u = openUpdateWindow(acting)) {
            untouched(other, before, who + " opened the update window");
            if (HWND btn = updateButton(u)) {
                RECT br{};
                GetWindowRect(btn, &br);
                input::click({(br.left + br.right) / 2, (br.top + br.bottom) / 2});
                Sleep(100);
                answers(u, 3000);
                // The other instance's thread is its own: it answers at once.
                record().check(answers(other.main, 200), "the other instance answers during a check", who);
            }
            untouched(other, before, who + " ran the update check");
        }
        closeModalWindows(acting);
        checkInvariants(acting, who);
    }
    escapeAndExpectZero(a, "first of two instances");
    Sleep(300);
    record().check(b.proc.running() && answers(b.main, 2000), "closing one instance leaves the other running",
                   describeWindows(b));
    checkInvariants(b, "second of two instances");
    escapeAndExpectZero(b, "second of two instances");
}

}  // namespace

void runFaults(const Options&) {
    quitRequests();
    if (timeLeft()) chineseFolder();
    if (timeLeft()) twoInstances();
}

}  // namespace stress
