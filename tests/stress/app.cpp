// The program under test seen from outside: starting it, its windows, the
// site menu's geometry, the invariants, measurements and real input.
#include <windows.h>
#include <psapi.h>
#include <winternl.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <map>

#include "launcher/site_actions.h"
#include "stress.h"

namespace stress {

using namespace e2e;

// ---- record -------------------------------------------------------------------

Record& record() {
    static Record r;
    return r;
}

std::string fmt(const char* f, ...) {
    char buf[2048];
    va_list ap;
    va_start(ap, f);
    vsnprintf(buf, sizeof buf, f, ap);
    va_end(ap);
    return buf;
}

bool Record::check(bool ok, const std::string& name, const std::string& detail) {
    ++checks_;
    if (ok) return true;
    const bool known = knownOpen_.count(name) != 0;
    const std::string line = "[" + phase_ + "] " + (known ? "OPEN " : "FAIL ") + name + (detail.empty() ? "" : ": " + detail);
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
    if (known) {
        ++open_;
    } else {
        ++failures_;
        if (failed_.size() < 40) failed_.push_back(line);
        // A picture of the screen for the first few failures.
        if (failures_ <= 10 && !screenshotDir().empty()) {
            const POINT s = screenSize();
            const std::wstring name = L"stress-" + std::wstring(phase_.begin(), phase_.end()) +
                                      L"-fail" + std::to_wstring(failures_);
            const std::wstring path = saveScreenshot({0, 0, s.x, s.y}, name);
            if (!path.empty()) std::printf("  picture: %s\n", narrow(path).c_str());
        }
    }
    return false;
}

void Record::note(const std::string& line) {
    std::printf("[%s] %s\n", phase_.c_str(), line.c_str());
    std::fflush(stdout);
}

void Record::figure(const std::string& key, const std::string& value) {
    figures_.emplace_back(key, value);
    std::printf("[%s] %s = %s\n", phase_.c_str(), key.c_str(), value.c_str());
    std::fflush(stdout);
}

void Record::printSummary() const {
    std::printf("\n== figures\n");
    for (const auto& [k, v] : figures_) std::printf("  %-44s %s\n", k.c_str(), v.c_str());
    std::printf("\n== %d checks, %d failed, %d known open\n", checks_, failures_, open_);
    for (const auto& f : failed_) std::printf("  %s\n", f.c_str());
    std::fflush(stdout);
}

namespace {
Clock::time_point gDeadline = Clock::time_point::max();
}
void setDeadline(Clock::time_point end) { gDeadline = end; }
bool timeLeft() { return Clock::now() < gDeadline; }
double secondsLeft() {
    return std::chrono::duration<double>(gDeadline - Clock::now()).count();
}

// ---- random -------------------------------------------------------------------

int Rng::weighted(std::initializer_list<int> weights) {
    int total = 0;
    for (int w : weights) total += w;
    int r = between(0, total - 1), i = 0;
    for (int w : weights) {
        if (r < w) return i;
        r -= w;
        ++i;
    }
    return i - 1;
}

std::uint32_t phaseSeed(std::uint32_t seed, const char* phase) {
    std::uint32_t h = 2166136261u ^ seed;
    for (const char* p = phase; *p; ++p) h = (h ^ std::uint8_t(*p)) * 16777619u;
    return h;
}

std::wstring ownFolder() {
    wchar_t buf[MAX_PATH * 2];
    DWORD n = GetModuleFileNameW(nullptr, buf, DWORD(std::size(buf)));
    return folderOf(std::wstring(buf, n));
}

// ---- the program ----------------------------------------------------------------

App launch(const std::wstring& exeIn, const std::wstring& workDir) {
    App app;
    app.exe = exeIn.empty() ? programPath() : exeIn;
    if (!record().check(!app.exe.empty(), "program file known", "XY_PROGRAM is not set")) return app;
    app.proc = start(app.exe, workDir);
    if (!record().check(bool(app.proc), "program starts", narrow(app.exe) + fmt(", error %lu", lastStartError())))
        return app;
    HWND w = waitForWindow(app.proc.pid(), kMainTitle, 10000ms);
    if (!record().check(w != nullptr, "main window appears", narrow(app.exe))) return app;
    app.main = w;
    app.thread = GetWindowThreadProcessId(w, nullptr);
    answers(w, 3000);
    return app;
}

void placeMain(const App& app, int x, int y) {
    SetWindowPos(app.main, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    waitUntil(
        [&] {
            RECT r{};
            GetWindowRect(app.main, &r);
            return r.left == x && r.top == y;
        },
        2000ms);
    answers(app.main, 2000);
    Sleep(100);
}

HWND menuOf(HWND main) {
    auto c = directChildren(main);
    return c.size() == 1 ? c[0] : nullptr;
}

std::vector<HWND> updateWindows(const App& app) {
    std::vector<HWND> out;
    for (HWND w : topLevelWindows(app.proc.pid()))
        if (w != app.main && className(w) == kWindowClass) out.push_back(w);
    return out;
}

HWND updateWindow(const App& app) {
    for (HWND w : updateWindows(app))
        if (IsWindowVisible(w)) return w;
    return nullptr;
}

std::optional<MessageBoxInfo> greetingBox(const App& app) {
    for (auto& m : messageBoxesOf(app.proc.pid()))
        if (m.caption == kGreetingCaption) return m;
    return std::nullopt;
}

bool errorBoxShown(const App& app) {
    for (auto& m : messageBoxesOf(app.proc.pid()))
        if (m.caption == kErrorCaption) return true;
    return false;
}

bool answers(HWND w, UINT timeoutMs) {
    DWORD_PTR r = 0;
    return SendMessageTimeoutW(w, WM_NULL, 0, 0, SMTO_NORMAL, timeoutMs, &r) != 0;
}

std::vector<HWND> allWindows(DWORD pid) {
    std::vector<HWND> out;
    for (HWND t : topLevelWindows(pid)) {
        out.push_back(t);
        for (HWND c : childWindows(t)) out.push_back(c);
    }
    return out;
}

std::string describeWindows(const App& app) {
    std::string s;
    for (HWND w : topLevelWindows(app.proc.pid(), true)) {
        s += " [" + narrow(className(w)) + " \"" + narrow(windowText(w)) + "\"" +
             (IsWindowEnabled(w) ? "" : " disabled") + "]";
    }
    return s.empty() ? " (no visible window)" : s;
}

// ---- the site menu -----------------------------------------------------------------

int Menu::headerTop(int open, int g) const {
    return g <= open ? r.top + g * kHeader : r.bottom - (kGroups - g) * kHeader;
}

int Menu::itemCount(int group) const {
    int n = 0;
    for (const auto& row : xy::sites::siteTable()) n += row.group == group;
    return n;
}

POINT Menu::header(int open, int g) const {
    int top = headerTop(open, g);
    // The lowest bars may be cut by the frame: aim inside what shows.
    int y = std::min<int>(top + kHeader / 2, (top + shown.bottom) / 2);
    return {r.left + width() / 2, y};
}

POINT Menu::item(int open, int row) const {
    return {r.left + width() / 2, areaTop(open) + row * kRow + kRow / 2};
}

POINT Menu::downArrow(int open) const {
    return {r.right - 1 - kArrowMargin - kArrow / 2, areaTop(open) + areaHeight() - kArrowMargin - kArrow / 2};
}

POINT Menu::upArrow(int open) const {
    return {r.right - 1 - kArrowMargin - kArrow / 2, areaTop(open) + kArrowMargin + kArrow / 2};
}

Menu menuGeometry(HWND main) {
    Menu m;
    if (HWND menu = menuOf(main)) GetWindowRect(menu, &m.r);
    WindowInfo i = describe(main);
    IntersectRect(&m.shown, &m.r, &i.client);
    return m;
}

namespace {

constexpr COLORREF kBackground = RGB(192, 192, 192);

// A header bar's face: its light gradient.
bool headerFace(COLORREF c) {
    return c != kBackground && GetRValue(c) > 190 && GetGValue(c) > 200 && GetBValue(c) > 220;
}

}  // namespace

int openGroupOnScreen(const App& app) {
    const Menu m = menuGeometry(app.main);
    if (m.height() <= 0) return -1;
    const int x = m.r.left + 3;
    std::vector<COLORREF> column(std::size_t(m.height()));
    {
        RECT strip{x, m.r.top, x + 1, m.r.bottom};
        auto px = screenRegion(strip);
        if (px.size() != column.size()) return -1;
        column = px;
    }
    auto at = [&](int screenY) {
        int y = screenY - m.r.top;
        return y >= 0 && y < int(column.size()) && screenY < m.shown.bottom ? column[std::size_t(y)] : CLR_INVALID;
    };
    int found = -1;
    for (int open = 0; open < Menu::kGroups; ++open) {
        bool ok = true;
        for (int g = 0; g < Menu::kGroups && ok; ++g) {
            int top = m.headerTop(open, g);
            int probe = std::min<int>(top + Menu::kHeader / 2, m.shown.bottom - 3);
            ok = headerFace(at(probe));
        }
        // Below the open group's bar lies its item area.
        ok = ok && at(m.areaTop(open) + 6) == kBackground && at(m.areaTop(open) + m.areaHeight() - 6) == kBackground;
        if (ok) {
            if (found >= 0) return -1;  // ambiguous: not at rest
            found = open;
        }
    }
    return found;
}

namespace {
// A point of a row away from where the last deliberate click went, so that
// clicks in quick succession are not taken for double-clicks.
POINT varied(POINT p) {
    static int n = 0;
    p.x += ((n++ % 5) - 2) * 24;
    return p;
}
}  // namespace

bool openGroup(const App& app, int group) {
    for (int attempt = 0; attempt < 4; ++attempt) {
        int open = -1;
        waitUntil([&] { return (open = openGroupOnScreen(app)) >= 0; }, 1500ms);
        if (open == group) return true;
        if (open < 0) open = 3;  // unknown: try as if at the start
        const Menu m = menuGeometry(app.main);
        input::click(varied(m.header(open, group)));
        // A slide: about ten frames of 30 px.
        waitUntil([&] { return openGroupOnScreen(app) == group; }, 2000ms);
        input::moveTo(m.r.left + m.width() / 2, m.headerTop(group, group) + 4);
    }
    return openGroupOnScreen(app) == group;
}

bool chooseItem(const App& app, int group, int item, int& first) {
    int open = openGroupOnScreen(app);
    if (open != group) {
        if (!openGroup(app, group)) return false;
        first = 0;
    }
    const Menu m = menuGeometry(app.main);
    while (item < first) {
        input::click(m.upArrow(group));
        Sleep(120);
        --first;
    }
    while (item - first >= m.visibleRows()) {
        input::click(m.downArrow(group));
        Sleep(120);
        ++first;
    }
    input::click(m.item(group, item - first));
    return true;
}

HWND openUpdateWindow(const App& app) {
    if (!openGroup(app, 3)) return nullptr;
    const Menu m = menuGeometry(app.main);
    input::click(varied(m.item(3, 1)));
    HWND u = nullptr;
    waitUntil([&] { return (u = updateWindow(app)) != nullptr; }, 3000ms);
    if (u) answers(u, 2000);
    return u;
}

HWND updateButton(HWND u) {
    for (HWND c : directChildren(u))
        if (className(c) == L"Button") return c;
    return nullptr;
}

std::optional<MessageBoxInfo> openGreetingBox(const App& app) {
    if (!openGroup(app, 3)) return std::nullopt;
    const Menu m = menuGeometry(app.main);
    input::click(varied(m.item(3, 0)));
    return waitForMessageBox(app.proc.pid(), 3000ms, kGreetingCaption);
}

std::optional<POINT> hitPoint(HWND w, LRESULT code) {
    struct Known {
        std::wstring cls;
        LONG width, height;
        LRESULT code;
        std::optional<POINT> offset;
    };
    static std::vector<Known> known;
    RECT r{};
    if (!GetWindowRect(w, &r)) return std::nullopt;
    const std::wstring cls = className(w);
    for (const Known& k : known) {
        if (k.cls != cls || k.width != r.right - r.left || k.height != r.bottom - r.top || k.code != code) continue;
        if (!k.offset) return std::nullopt;
        const POINT p{r.left + k.offset->x, r.top + k.offset->y};
        if (hitTest(w, p) == code) return p;
        break;  // the frame changed: look again
    }
    auto p = findHitPoint(w, code);
    known.erase(std::remove_if(known.begin(), known.end(),
                               [&](const Known& k) {
                                   return k.cls == cls && k.width == r.right - r.left &&
                                          k.height == r.bottom - r.top && k.code == code;
                               }),
                known.end());
    known.push_back({cls, r.right - r.left, r.bottom - r.top, code,
                     p ? std::optional<POINT>(POINT{p->x - r.left, p->y - r.top}) : std::nullopt});
    return p;
}

bool focus(HWND w) {
    if (GetForegroundWindow() == w) return true;
    auto p = hitPoint(w, HTCAPTION);
    if (!p) return false;
    input::click(*p);
    return waitUntil([&] { return GetForegroundWindow() == w; }, 1000ms);
}

void parkPointer(const App& app) {
    const Menu m = menuGeometry(app.main);
    if (m.height() > 0) input::moveTo(m.r.left + m.width() / 2, m.r.top + 4);
}

bool closeModalWindows(const App& app) {
    for (int round = 0; round < 12; ++round) {
        if (!app.proc.running()) return false;
        answers(app.main, 3000);
        if (auto box = greetingBox(app)) {
            focus(box->hwnd);
            input::tap(VK_RETURN);
            waitUntil([&] { return !IsWindow(box->hwnd); }, 1000ms);
            continue;
        }
        if (HWND u = updateWindow(app)) {
            focus(u);
            // A check may be running: Esc waits in the queue until it ends.
            input::tap(VK_ESCAPE);
            waitUntil([&] { return !IsWindow(u); }, 2500ms);
            continue;
        }
        parkPointer(app);
        return waitUntil([&] { return IsWindowEnabled(app.main) != FALSE; }, 1000ms);
    }
    return false;
}

// ---- invariants -----------------------------------------------------------------------

const std::set<std::string>& allowedAddresses() {
    static const std::set<std::string> allowed = [] {
        std::set<std::string> s;
        for (const auto& row : xy::sites::siteTable()) {
            if (row.action != xy::sites::Action::OpenAddress || !row.address) continue;
            if (auto url = xy::sites::normaliseWebAddress(row.address)) {
                s.insert(*url);
                s.insert(*url + "/");
            }
        }
        return s;
    }();
    return allowed;
}

std::vector<std::string> foreignAddresses() {
    std::vector<std::string> out;
    for (const auto& line : browserLog())
        if (!allowedAddresses().count(line)) out.push_back(line);
    return out;
}

bool checkInvariants(const App& app, const std::string& where) {
    Record& r = record();
    bool ok = r.check(app.proc.running(), "program still runs", where);
    if (!ok) return false;
    ok &= r.check(answers(app.main, 5000), "program answers", where + ": no answer to WM_NULL within 5 s");
    ok &= r.check(!errorBoxShown(app), "no runtime error", where + ":" + describeWindows(app));
    const auto updates = updateWindows(app);
    ok &= r.check(updates.size() <= 1, "at most one update window",
                  where + fmt(": %zu update windows", updates.size()));
    // The main window follows the modal windows: allow for the moment
    // between a window's closing and the main window's enabling.
    bool consistent = false;
    std::string state;
    for (int i = 0; i < 15 && !consistent; ++i) {
        if (i) Sleep(100);
        answers(app.main, 2000);
        const bool modal = updateWindow(app) != nullptr || greetingBox(app).has_value();
        const bool enabled = IsWindowEnabled(app.main) != FALSE;
        consistent = enabled == !modal;
        state = fmt("modal window open: %s, main window enabled: %s", modal ? "yes" : "no", enabled ? "yes" : "no");
    }
    ok &= r.check(consistent, "main window enabled exactly when no modal window is open",
                  where + ": " + state + ";" + describeWindows(app));
    const auto foreign = foreignAddresses();
    ok &= r.check(foreign.empty(), "every address the browser got belongs to the site table",
                  where + (foreign.empty() ? "" : ": " + foreign.front()));
    return ok;
}

bool escapeAndExpectZero(App& app, const std::string& where) {
    Record& r = record();
    if (!r.check(app.proc.running(), "program still runs", where)) return false;
    r.check(closeModalWindows(app), "modal windows close", where + ":" + describeWindows(app));
    bool focused = focus(app.main);
    if (!focused) focused = focus(app.main);
    r.check(focused, "main window takes the focus", where);
    input::tap(VK_ESCAPE);
    auto code = app.proc.waitExit(5000ms);
    bool ok = r.check(code.has_value(), "a final Esc ends the program", where + ":" + describeWindows(app));
    if (code) ok &= r.check(*code == 0, "exit code 0 after the final Esc", where + fmt(": exit code %ld", long(*code)));
    return ok;
}

// ---- measurements ----------------------------------------------------------------------

namespace {

// Wine keeps the GDI handle table of a 32-bit process in its 64-bit PEB
// (the page below the 32-bit one) and counts nothing in GetGuiResources; a
// live entry has a non-zero type.
#pragma pack(push, 1)
struct GdiEntry {
    std::uint64_t object;
    std::uint32_t owner;
    std::uint16_t unique;
    std::uint8_t type;
    std::uint8_t flags;
    std::uint64_t user;
};
#pragma pack(pop)
static_assert(sizeof(GdiEntry) == 24);

long wineGdiObjects(HANDLE process, std::map<int, long>* byType = nullptr) {
    PROCESS_BASIC_INFORMATION pbi{};
    ULONG len = 0;
    if (NtQueryInformationProcess(process, ProcessBasicInformation, &pbi, sizeof pbi, &len) != 0 ||
        !pbi.PebBaseAddress)
        return -1;
    constexpr std::uintptr_t kPeb64Below = 0x1000, kGdiTableInPeb64 = 0xF8;
    std::uint64_t table = 0;
    SIZE_T got = 0;
    const auto peb64 = reinterpret_cast<std::uintptr_t>(pbi.PebBaseAddress) - kPeb64Below;
    if (!ReadProcessMemory(process, reinterpret_cast<void*>(peb64 + kGdiTableInPeb64), &table, sizeof table, &got) ||
        table == 0 || table > 0xFFFFFFFFull)
        return -1;
    constexpr std::size_t kEntries = 0x10000;
    MEMORY_BASIC_INFORMATION mbi{};
    if (!VirtualQueryEx(process, reinterpret_cast<void*>(std::uintptr_t(table)), &mbi, sizeof mbi) ||
        mbi.State != MEM_COMMIT || mbi.RegionSize < kEntries * sizeof(GdiEntry))
        return -1;
    std::vector<GdiEntry> entries(kEntries);
    if (!ReadProcessMemory(process, reinterpret_cast<void*>(std::uintptr_t(table)), entries.data(),
                           entries.size() * sizeof(GdiEntry), &got) ||
        got != entries.size() * sizeof(GdiEntry))
        return -1;
    long live = 0;
    for (const auto& e : entries)
        if (e.type) {
            ++live;
            if (byType) ++(*byType)[e.type];
        }
    return live;
}

std::uint64_t committedPrivate(HANDLE process) {
    std::uint64_t total = 0;
    std::uintptr_t at = 0x10000;
    MEMORY_BASIC_INFORMATION mbi{};
    while (at < 0x7FFF0000u && VirtualQueryEx(process, reinterpret_cast<void*>(at), &mbi, sizeof mbi)) {
        if (mbi.State == MEM_COMMIT && mbi.Type == MEM_PRIVATE) total += mbi.RegionSize;
        const std::uintptr_t next = reinterpret_cast<std::uintptr_t>(mbi.BaseAddress) + mbi.RegionSize;
        if (next <= at) break;
        at = next;
    }
    return total;
}

}  // namespace

Usage measure(const App& app) {
    Usage u;
    HANDLE h = app.proc.handle();
    // Let the program settle first: nothing pending, nothing half drawn.
    answers(app.main, 3000);
    Sleep(300);
    answers(app.main, 3000);
    const DWORD gdi = GetGuiResources(h, GR_GDIOBJECTS), user = GetGuiResources(h, GR_USEROBJECTS);
    if (gdi > 0) {
        u.gdi = long(gdi);
        u.gdiSource = "GetGuiResources";
    } else if ((u.gdi = wineGdiObjects(h, &u.gdiByType)) >= 0) {
        u.gdiSource = "GDI handle table (GetGuiResources gives 0 under Wine)";
    } else {
        u.gdiSource = "not measurable";
    }
    if (user > 0) {
        u.user = long(user);
        u.userSource = "GetGuiResources";
    } else {
        u.userSource = "GetGuiResources gives 0 under Wine; windows counted";
    }
    u.windows = long(allWindows(app.proc.pid()).size());
    DWORD handles = 0;
    if (GetProcessHandleCount(h, &handles) && handles > 0) u.kernel = long(handles);
    PROCESS_MEMORY_COUNTERS_EX pmc{};
    pmc.cb = sizeof pmc;
    if (GetProcessMemoryInfo(h, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc), sizeof pmc)) {
        u.pagefile = pmc.PagefileUsage;
        u.privateBytes = pmc.PrivateUsage;
        u.privateSource = "PrivateUsage";
    }
    if (u.privateBytes == 0) {
        u.privateBytes = committedPrivate(h);
        u.privateSource = "committed private pages (PrivateUsage gives 0 under Wine)";
    }
    return u;
}

// Wine's numbers of the GDI object kinds (the handle's type byte).
const char* gdiTypeName(int type) {
    switch (type) {
        case 0x01: return "DC";
        case 0x04: return "region";
        case 0x05: return "bitmap";
        case 0x08: return "palette";
        case 0x0a: return "font";
        case 0x10: return "brush";
        case 0x30: return "pen";
        case 0x50: return "extpen";
        default: break;
    }
    static char other[16];
    std::snprintf(other, sizeof other, "type %d", type);
    return other;
}

std::string describeUsage(const Usage& u) {
    std::string s = fmt("GDI %ld", u.gdi);
    if (!u.gdiByType.empty()) {
        s += " (";
        const char* sep = "";
        for (const auto& [type, n] : u.gdiByType) {
            s += fmt("%s%s %ld", sep, gdiTypeName(type), n);
            sep = ", ";
        }
        s += ")";
    }
    s += fmt(", windows %ld", u.windows);
    if (u.user >= 0) s += fmt(", USER %ld", u.user);
    if (u.kernel >= 0) s += fmt(", handles %ld", u.kernel);
    s += fmt(", private %.1f KiB, pagefile %.1f KiB", double(u.privateBytes) / 1024, double(u.pagefile) / 1024);
    return s;
}

// ---- input ---------------------------------------------------------------------------------

namespace input {
namespace {

void send(INPUT in) { SendInput(1, &in, sizeof in); }

INPUT mouse(DWORD flags, LONG dx = 0, LONG dy = 0, DWORD data = 0) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dx = dx;
    in.mi.dy = dy;
    in.mi.mouseData = data;
    in.mi.dwFlags = flags;
    return in;
}

}  // namespace

void moveTo(int x, int y) {
    const POINT s = screenSize();
    auto norm = [](int v, int extent) {
        v = std::clamp(v, 0, extent - 1);
        return LONG((std::int64_t(v) * 65536 + extent - 1) / extent);
    };
    send(mouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, norm(x, s.x), norm(y, s.y)));
    Sleep(8);
}

namespace {
// Under Wine on X a press right after a move can still be placed where the
// pointer was before: wait until the system has the pointer where it was put.
void settleAt(POINT p) {
    const POINT s = screenSize();
    p.x = std::clamp<LONG>(p.x, 0, s.x - 1);
    p.y = std::clamp<LONG>(p.y, 0, s.y - 1);
    waitUntil(
        [&] {
            POINT c{};
            GetCursorPos(&c);
            return c.x == p.x && c.y == p.y;
        },
        200ms);
    Sleep(10);
}
}  // namespace

void leftDown() { send(mouse(MOUSEEVENTF_LEFTDOWN)); }
void leftUp() { send(mouse(MOUSEEVENTF_LEFTUP)); }
void rightDown() { send(mouse(MOUSEEVENTF_RIGHTDOWN)); }
void rightUp() { send(mouse(MOUSEEVENTF_RIGHTUP)); }

void middleClick() {
    send(mouse(MOUSEEVENTF_MIDDLEDOWN));
    Sleep(5);
    send(mouse(MOUSEEVENTF_MIDDLEUP));
}

void wheel(int clicks) { send(mouse(MOUSEEVENTF_WHEEL, 0, 0, DWORD(clicks * WHEEL_DELTA))); }

void key(WORD vk, bool up) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.wScan = WORD(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
    switch (vk) {
        case VK_LEFT: case VK_RIGHT: case VK_UP: case VK_DOWN: case VK_INSERT: case VK_DELETE:
        case VK_HOME: case VK_END: case VK_PRIOR: case VK_NEXT:
            in.ki.dwFlags |= KEYEVENTF_EXTENDEDKEY;
            break;
        default: break;
    }
    if (up) in.ki.dwFlags |= KEYEVENTF_KEYUP;
    send(in);
}

void tap(WORD vk, std::initializer_list<WORD> modifiers) {
    for (WORD m : modifiers) key(m, false);
    key(vk, false);
    Sleep(15);
    key(vk, true);
    for (auto it = std::rbegin(modifiers); it != std::rend(modifiers); ++it) key(*it, true);
    Sleep(30);
}

void click(POINT p) {
    // A second click at the same spot within the double-click time is a
    // double-click to the system; a deliberate click is a single one.
    static POINT last{-1000, -1000};
    static Clock::time_point lastAt{};
    const auto gap = Millis(GetDoubleClickTime() + 60);
    if (std::abs(p.x - last.x) <= 4 && std::abs(p.y - last.y) <= 4 && Clock::now() - lastAt < gap)
        Sleep(DWORD(std::chrono::duration_cast<Millis>(gap - (Clock::now() - lastAt)).count()));
    moveTo(p.x, p.y);
    settleAt(p);
    leftDown();
    Sleep(15);
    leftUp();
    last = p;
    lastAt = Clock::now();
    Sleep(25);
}

void doubleClick(POINT p) {
    moveTo(p.x, p.y);
    settleAt(p);
    leftDown();
    leftUp();
    leftDown();
    leftUp();
    Sleep(40);
}

void rightClick(POINT p) {
    moveTo(p.x, p.y);
    settleAt(p);
    rightDown();
    Sleep(15);
    rightUp();
    Sleep(40);
}

}  // namespace input

}  // namespace stress
