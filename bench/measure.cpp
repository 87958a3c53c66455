// The benchmark's measuring program. It runs under Wine next to the two
// program files it compares (ours and the minimal reference window of
// reference.cpp), starts them with CreateProcess and watches them from
// outside the way a person would: windows, screen pixels and real input.
//
// What it measures, in this order:
//   1. time from CreateProcess to the first painted main window, several
//      interleaved runs of each program, and their peak memory at that point;
//   2. CPU time and wake-ups while each program idles with only its main
//      window open, then (ours only) with the update window open;
//   3. (ours) the duration of update checks, timed by the window not
//      answering messages while the check blocks its thread;
//   4. (ours) the group slide after a click on the header bar 网站: frames
//      seen on the screen and the time they took.
// A benchmark, not a test: it reports what it saw and exits 0 unless it
// could not measure at all.
//
// Wine runs every Windows process as a Linux process, so the per-thread
// scheduler counters of Linux (/proc, reachable as Z:\proc) give exact CPU
// time and the number of times each thread was woken up.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace {

// ---- time ------------------------------------------------------------------------

double nowMs() {
    static const double freq = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return double(f.QuadPart);
    }();
    LARGE_INTEGER c;
    QueryPerformanceCounter(&c);
    return double(c.QuadPart) * 1000.0 / freq;
}

double median(std::vector<double> v) {
    if (v.empty()) return -1;
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

double minOf(const std::vector<double>& v) { return v.empty() ? -1 : *std::min_element(v.begin(), v.end()); }
double maxOf(const std::vector<double>& v) { return v.empty() ? -1 : *std::max_element(v.begin(), v.end()); }

// ---- text ------------------------------------------------------------------------

std::string narrow(const std::wstring& w) {
    if (w.empty()) return {};
    int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), int(w.size()), nullptr, 0, nullptr, nullptr);
    std::string s(std::size_t(n > 0 ? n : 0), '\0');
    if (n > 0) WideCharToMultiByte(CP_UTF8, 0, w.data(), int(w.size()), s.data(), n, nullptr, nullptr);
    return s;
}

std::string format(const char* fmt, ...) {
    char buf[1024];
    va_list ap;
    va_start(ap, fmt);
    std::vsnprintf(buf, sizeof buf, fmt, ap);
    va_end(ap);
    return buf;
}

std::string lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return s;
}

std::string jsonString(const std::string& s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '"' || c == '\\') out += '\\';
        if (unsigned(c) < 0x20) {
            out += format("\\u%04x", unsigned(c));
            continue;
        }
        out += c;
    }
    return out + "\"";
}

std::string jsonNumber(double v) {
    if (v != v) return "null";
    return format("%.3f", v);
}

// ---- files -----------------------------------------------------------------------

std::string readWholeFile(const std::wstring& path) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return {};
    std::string data;
    char buf[4096];
    DWORD got = 0;
    // /proc files report size 0: read until the end.
    while (ReadFile(h, buf, sizeof buf, &got, nullptr) && got > 0) data.append(buf, got);
    CloseHandle(h);
    return data;
}

bool writeWholeFile(const std::wstring& path, const std::string& data) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD put = 0;
    BOOL ok = WriteFile(h, data.data(), DWORD(data.size()), &put, nullptr);
    CloseHandle(h);
    return ok && put == data.size();
}

std::int64_t fileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA a;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &a)) return -1;
    return (std::int64_t(a.nFileSizeHigh) << 32) | a.nFileSizeLow;
}

std::wstring folderOf(const std::wstring& path) {
    auto cut = path.find_last_of(L"\\/");
    return cut == std::wstring::npos ? std::wstring() : path.substr(0, cut);
}

// ---- the Linux side of a Wine process --------------------------------------------

struct ThreadStat {
    std::string comm;
    std::uint64_t runNs = 0;     // CPU time used (schedstat)
    std::uint64_t voluntary = 0;  // times the thread blocked, i.e. later woke up
    std::uint64_t involuntary = 0;
};
using ThreadStats = std::map<unsigned, ThreadStat>;  // by Linux thread id

std::vector<unsigned> numericEntries(const std::wstring& dir) {
    std::vector<unsigned> out;
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((dir + L"\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return out;
    do {
        const wchar_t* n = fd.cFileName;
        if (!*n) continue;
        bool digits = true;
        for (const wchar_t* p = n; *p; ++p) digits = digits && *p >= L'0' && *p <= L'9';
        if (digits) out.push_back(unsigned(wcstoul(n, nullptr, 10)));
    } while (FindNextFileW(h, &fd));
    FindClose(h);
    return out;
}

std::wstring procPath(unsigned pid, const wchar_t* rest) {
    return L"Z:\\proc\\" + std::to_wstring(pid) + rest;
}

// Start time (clock ticks since boot) from a stat line: field 22, counted
// after the command name in parentheses, which may hold spaces.
std::uint64_t startTicks(const std::string& stat) {
    auto close = stat.rfind(')');
    if (close == std::string::npos) return 0;
    const char* p = stat.c_str() + close + 1;
    for (int field = 3; field < 22 && *p; ++field) {
        while (*p == ' ') ++p;
        while (*p && *p != ' ') ++p;
    }
    return std::strtoull(p, nullptr, 10);
}

// The Linux process id of the newest running Wine process whose command
// line starts with the program path `exe` (Wine shows the Windows path).
std::optional<unsigned> unixPidOf(const std::wstring& exe) {
    const std::string want = lower(narrow(exe));
    std::optional<unsigned> best;
    std::uint64_t bestStart = 0;
    for (unsigned pid : numericEntries(L"Z:\\proc")) {
        std::string cmd = readWholeFile(procPath(pid, L"\\cmdline"));
        cmd = lower(std::string(cmd.c_str()));  // first argument
        if (cmd != want) continue;
        const std::uint64_t start = startTicks(readWholeFile(procPath(pid, L"\\stat")));
        if (!best || start > bestStart) best = pid, bestStart = start;
    }
    return best;
}

std::uint64_t statusField(const std::string& status, const char* name) {
    auto at = status.find(name);
    if (at == std::string::npos) return 0;
    return std::strtoull(status.c_str() + at + std::strlen(name), nullptr, 10);
}

ThreadStats threadStats(unsigned upid) {
    ThreadStats out;
    const std::wstring taskDir = procPath(upid, L"\\task");
    for (unsigned tid : numericEntries(taskDir)) {
        const std::wstring base = taskDir + L"\\" + std::to_wstring(tid);
        ThreadStat t;
        t.comm = readWholeFile(base + L"\\comm");
        while (!t.comm.empty() && (t.comm.back() == '\n' || t.comm.back() == ' ')) t.comm.pop_back();
        t.runNs = std::strtoull(readWholeFile(base + L"\\schedstat").c_str(), nullptr, 10);
        const std::string status = readWholeFile(base + L"\\status");
        t.voluntary = statusField(status, "voluntary_ctxt_switches:");
        t.involuntary = statusField(status, "nonvoluntary_ctxt_switches:");
        out[tid] = t;
    }
    return out;
}

// ---- processes and windows ------------------------------------------------------------

HDC screenDC() {
    static HDC dc = GetDC(nullptr);
    return dc;
}

POINT screenSize() { return {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}; }

DWORD windowPid(HWND w) {
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    return pid;
}

std::wstring windowText(HWND w) {
    wchar_t buf[256] = {};
    GetWindowTextW(w, buf, 256);
    return buf;
}

std::wstring className(HWND w) {
    wchar_t buf[256] = {};
    GetClassNameW(w, buf, 256);
    return buf;
}

HWND findTopWindow(DWORD pid, const std::wstring& title) {
    HWND w = nullptr;
    while ((w = FindWindowExW(nullptr, w, nullptr, title.c_str())))
        if (windowPid(w) == pid) return w;
    return nullptr;
}

// EnumWindows and EnumChildWindows with a predicate: the first window for
// which it holds. (A lambda does not convert to the stdcall callback type
// on 32-bit x86, hence the named callback.)
template <class Pred>
struct FindCtx {
    Pred* pred;
    HWND found;
};

template <class Pred>
BOOL CALLBACK findCallback(HWND w, LPARAM lp) {
    auto* c = reinterpret_cast<FindCtx<Pred>*>(lp);
    if ((*c->pred)(w)) {
        c->found = w;
        return FALSE;
    }
    return TRUE;
}

template <class Pred>
HWND findTopWindowIf(Pred pred) {
    FindCtx<Pred> ctx{&pred, nullptr};
    EnumWindows(findCallback<Pred>, LPARAM(&ctx));
    return ctx.found;
}

template <class Pred>
HWND findChildIf(HWND parent, Pred pred) {
    FindCtx<Pred> ctx{&pred, nullptr};
    EnumChildWindows(parent, findCallback<Pred>, LPARAM(&ctx));
    return ctx.found;
}

bool answers(HWND w, UINT timeoutMs) {
    DWORD_PTR r = 0;
    return SendMessageTimeoutW(w, WM_NULL, 0, 0, SMTO_NORMAL, timeoutMs, &r) != 0;
}

// ---- screen ----------------------------------------------------------------------

COLORREF pixel(int x, int y) { return GetPixel(screenDC(), x, y); }

// A screen rectangle as 0x00BBGGRR values, row by row; one transfer.
std::vector<COLORREF> grab(const RECT& r) {
    const int w = r.right - r.left, h = r.bottom - r.top;
    std::vector<COLORREF> out;
    if (w <= 0 || h <= 0) return out;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC mem = CreateCompatibleDC(screenDC());
    HBITMAP bmp = CreateDIBSection(mem, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (mem && bmp && bits) {
        HGDIOBJ old = SelectObject(mem, bmp);
        if (BitBlt(mem, 0, 0, w, h, screenDC(), r.left, r.top, SRCCOPY)) {
            GdiFlush();
            const auto* px = static_cast<const std::uint32_t*>(bits);
            out.resize(std::size_t(w) * std::size_t(h));
            for (std::size_t i = 0; i < out.size(); ++i) {
                const std::uint32_t v = px[i];  // 0x00RRGGBB
                out[i] = RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
            }
        }
        SelectObject(mem, old);
    }
    if (bmp) DeleteObject(bmp);
    if (mem) DeleteDC(mem);
    return out;
}

// ---- input -----------------------------------------------------------------------

void sendMouse(DWORD flags, LONG dx = 0, LONG dy = 0) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dx = dx;
    in.mi.dy = dy;
    in.mi.dwFlags = flags;
    SendInput(1, &in, sizeof in);
}

void mouseMove(int x, int y) {
    // Absolute coordinates run 0..65535 over the primary screen; take the
    // value that maps back (v * extent / 65536) onto the pixel.
    const POINT s = screenSize();
    auto norm = [](int v, int extent) {
        v = std::clamp(v, 0, extent - 1);
        return LONG((std::int64_t(v) * 65536 + extent - 1) / extent);
    };
    sendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, norm(x, s.x), norm(y, s.y));
}

// Moves to (x, y), presses and releases the left button. Returns the time
// of the release.
double click(int x, int y) {
    mouseMove(x, y);
    Sleep(40);
    sendMouse(MOUSEEVENTF_LEFTDOWN);
    Sleep(20);
    sendMouse(MOUSEEVENTF_LEFTUP);
    return nowMs();
}

// The pointer away from every window, so nothing hovers or shows a tip.
void parkMouse() {
    const POINT s = screenSize();
    mouseMove(s.x - 2, s.y - 2);
}

// ---- the two programs ------------------------------------------------------------

struct Target {
    const char* name;
    std::wstring exe;
    std::wstring title;
    POINT probe;       // client coordinates of the pixel that shows the first paint
    COLORREF colour;   // its colour once painted
};

struct Running {
    HANDLE process = nullptr;
    DWORD pid = 0;
    HWND window = nullptr;
    double windowMs = -1;  // the window was there and visible
    double paintMs = -1;   // ... and its probe pixel had the expected colour
    std::string error;
};

bool paintedNow(const Target& t, HWND w) {
    if (!IsWindowVisible(w)) return false;
    RECT c;
    if (!GetClientRect(w, &c) || t.probe.x >= c.right || t.probe.y >= c.bottom) return false;
    POINT p = t.probe;
    ClientToScreen(w, &p);
    return pixel(p.x, p.y) == t.colour;
}

// Starts the target and polls every millisecond until its main window is
// painted.
Running startUntilPainted(const Target& t, DWORD timeoutMs = 15000) {
    Running r;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::wstring cmd = L"\"" + t.exe + L"\"";
    const std::wstring dir = folderOf(t.exe);
    const double t0 = nowMs();
    if (!CreateProcessW(t.exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        dir.empty() ? nullptr : dir.c_str(), &si, &pi)) {
        r.error = format("CreateProcess failed, error %lu", GetLastError());
        return r;
    }
    CloseHandle(pi.hThread);
    r.process = pi.hProcess;
    r.pid = pi.dwProcessId;
    for (;;) {
        const double now = nowMs();
        if (!r.window) r.window = findTopWindow(r.pid, t.title);
        if (r.window) {
            if (r.windowMs < 0 && IsWindowVisible(r.window)) r.windowMs = now - t0;
            if (r.windowMs >= 0 && paintedNow(t, r.window)) {
                r.paintMs = nowMs() - t0;
                return r;
            }
        }
        if (WaitForSingleObject(r.process, 0) == WAIT_OBJECT_0) {
            r.error = "the process ended before its window was painted";
            return r;
        }
        if (now - t0 > timeoutMs) {
            r.error = r.window ? "window never showed the expected colour" : "no window";
            return r;
        }
        Sleep(1);
    }
}

// Closes the program through its main window; terminates it if that fails.
// Returns its exit code, or a note.
std::string finish(Running& r) {
    std::string note;
    if (!r.process) return note;
    if (r.window) PostMessageW(r.window, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(r.process, 5000) != WAIT_OBJECT_0) {
        TerminateProcess(r.process, 1);
        WaitForSingleObject(r.process, 5000);
        note = "did not end on WM_CLOSE, terminated";
    } else {
        DWORD code = 0;
        GetExitCodeProcess(r.process, &code);
        if (code != 0) note = format("exit code %lu", code);
    }
    CloseHandle(r.process);
    r.process = nullptr;
    return note;
}

struct Memory {
    double peakWorkingSet = -1, peakPagefile = -1;  // bytes
};

Memory memoryOf(HANDLE process) {
    PROCESS_MEMORY_COUNTERS pm{};
    pm.cb = sizeof pm;
    Memory m;
    if (GetProcessMemoryInfo(process, &pm, sizeof pm)) {
        m.peakWorkingSet = double(pm.PeakWorkingSetSize);
        m.peakPagefile = double(pm.PeakPagefileUsage);
    }
    return m;
}

double cpuMsOf(HANDLE process) {
    FILETIME c, e, k, u;
    if (!GetProcessTimes(process, &c, &e, &k, &u)) return -1;
    auto v = [](FILETIME f) { return (std::uint64_t(f.dwHighDateTime) << 32) | f.dwLowDateTime; };
    return double(v(k) + v(u)) / 10000.0;
}

// ---- idle measurement ------------------------------------------------------------

struct IdleResult {
    bool measured = false;
    double seconds = 0;
    double cpuMs = -1;       // GetProcessTimes (kernel + user)
    double schedCpuMs = -1;  // Linux scheduler, all threads
    double wakeups = -1;     // voluntary context switches, all threads
    std::string perThread;   // threads that woke up, "name(tid): n"
};

IdleResult idle(const Running& r, const std::wstring& exe, DWORD ms) {
    IdleResult out;
    const auto upid = unixPidOf(exe);
    ThreadStats before;
    if (upid) before = threadStats(*upid);
    const double cpu0 = cpuMsOf(r.process);
    const double t0 = nowMs();
    Sleep(ms);
    const double t1 = nowMs();
    const double cpu1 = cpuMsOf(r.process);
    out.measured = true;
    out.seconds = (t1 - t0) / 1000.0;
    if (cpu0 >= 0 && cpu1 >= 0) out.cpuMs = cpu1 - cpu0;
    if (upid) {
        ThreadStats after = threadStats(*upid);
        double run = 0, wake = 0;
        for (const auto& [tid, a] : after) {
            ThreadStat b;
            if (auto it = before.find(tid); it != before.end()) b = it->second;
            run += double(a.runNs - b.runNs) / 1e6;
            const double w = double(a.voluntary - b.voluntary);
            wake += w;
            if (w > 0) out.perThread += format("%s%s(%u): %.0f", out.perThread.empty() ? "" : ", ", a.comm.c_str(), tid, w);
        }
        if (!after.empty()) {
            out.schedCpuMs = run;
            out.wakeups = wake;
        }
    }
    return out;
}

// ---- ours: menu geometry ---------------------------------------------------------

// The site menu: four 40 px header bars; with 说明 open the items start
// below the fourth bar, one 36 px row each.
constexpr int kHeaderHeight = 40;
constexpr int kGroups = 4;
constexpr int kRowHeight = 36;
constexpr int kSlideStep = 30;
constexpr COLORREF kItemText = RGB(255, 128, 0);
constexpr COLORREF kHeaderOutline = RGB(72, 92, 122);

// Screen rectangle of the site menu (the accordion child, or the main
// window's client area when the child cannot be found).
RECT menuRect(HWND main) {
    HWND menu = FindWindowExW(main, nullptr, L"XyAccordionMenu", nullptr);
    RECT r;
    HWND w = menu ? menu : main;
    GetClientRect(w, &r);
    POINT o{0, 0};
    ClientToScreen(w, &o);
    OffsetRect(&r, o.x, o.y);
    if (menu) {  // clipped by the main window's client area
        RECT c;
        GetClientRect(main, &c);
        POINT m{0, 0};
        ClientToScreen(main, &m);
        OffsetRect(&c, m.x, m.y);
        IntersectRect(&r, &r, &c);
    }
    return r;
}

// Centre of the second item label (更新) of the open group 说明: found by
// its orange label pixels, else from the row geometry.
POINT updateItemPoint(const RECT& menu, std::string& how) {
    const int top = menu.top + kGroups * kHeaderHeight;
    RECT area{menu.left, top, menu.right, std::min<LONG>(menu.bottom, top + 4 * kRowHeight)};
    auto px = grab(area);
    const int w = area.right - area.left, h = area.bottom - area.top;
    struct Band {
        int y0, y1;
        long long sx;
        int n;
    };
    std::vector<Band> bands;
    int lastRow = -10;
    for (int y = 0; y < h && !px.empty(); ++y) {
        long long sx = 0;
        int n = 0;
        for (int x = 0; x < w; ++x)
            if (px[std::size_t(y) * std::size_t(w) + std::size_t(x)] == kItemText) sx += x, ++n;
        if (!n) continue;
        if (y - lastRow > 2 || bands.empty()) bands.push_back({y, y, 0, 0});
        bands.back().y1 = y;
        bands.back().sx += sx;
        bands.back().n += n;
        lastRow = y;
    }
    if (bands.size() >= 2) {
        const Band& b = bands[1];
        how = "found by its label colour";
        return POINT{LONG(area.left + b.sx / b.n), LONG(top + (b.y0 + b.y1) / 2)};
    }
    how = format("from the layout (%zu orange label(s) seen)", bands.size());
    return POINT{(menu.left + menu.right) / 2, top + kRowHeight + kRowHeight / 2};
}

// Top of the header bar 购物 (group 1) in menu coordinates, read from one
// pixel column: the first row at or below the first bar whose pixel and the
// pixel 39 rows lower have the bar's outline colour. -1 if not seen.
int group1Top(const std::vector<COLORREF>& column) {
    const int h = int(column.size());
    for (int y = kHeaderHeight; y + kHeaderHeight - 1 < h; ++y)
        if (column[std::size_t(y)] == kHeaderOutline && column[std::size_t(y + kHeaderHeight - 1)] == kHeaderOutline)
            return y;
    return -1;
}

struct SlideResult {
    bool measured = false;
    std::string error;
    int distance = 0;            // pixels the bars travel
    int expectedFrames = 0;
    int seenFrames = 0;          // distinct positions of the bar after the start
    double firstToLastMs = -1;   // first moved frame to the final frame on screen
    double releaseToLastMs = -1; // button release to the final frame on screen
    std::string positions;
};

SlideResult slide(const Running& r) {
    SlideResult out;
    const RECT menu = menuRect(r.window);
    const int height = menu.bottom - menu.top;
    const int distance = height - kGroups * kHeaderHeight;
    const int finalTop = kHeaderHeight + distance;
    out.distance = distance;
    out.expectedFrames = distance <= 0 ? 1 : (distance + kSlideStep - 1) / kSlideStep;
    const int x = (menu.left + menu.right) / 2;
    const RECT col{x, menu.top, x + 1, menu.bottom};
    if (group1Top(grab(col)) != kHeaderHeight) {
        out.error = "header bar 购物 not found at its starting place";
        return out;
    }
    const double released = click(x, menu.top + kHeaderHeight / 2);
    int last = kHeaderHeight;
    double firstMove = -1;
    const double limit = released + 5000;
    while (nowMs() < limit) {
        const int top = group1Top(grab(col));
        const double t = nowMs();
        if (top >= 0 && top != last) {
            if (firstMove < 0) firstMove = t;
            ++out.seenFrames;
            out.positions += format("%s%d@%.0f", out.positions.empty() ? "" : " ", top, t - released);
            last = top;
            if (top == finalTop) {
                out.measured = true;
                out.firstToLastMs = t - firstMove;
                out.releaseToLastMs = t - released;
                return out;
            }
        }
        Sleep(1);
    }
    out.error = format("the bar did not reach its final place (last seen at %d)", last);
    return out;
}

// ---- ours: update window ---------------------------------------------------------

HWND findUpdateWindow(DWORD pid, HWND main) {
    return findTopWindowIf([&](HWND w) {
        if (w == main || windowPid(w) != pid || !IsWindowVisible(w)) return false;
        if (lower(narrow(className(w))).find("tooltip") != std::string::npos) return false;
        RECT rc;
        GetWindowRect(w, &rc);
        return rc.right - rc.left == 190 && rc.bottom - rc.top == 185;
    });
}

HWND findCheckButton(HWND updateWindow) {
    return findChildIf(updateWindow, [](HWND w) {
        return lower(narrow(className(w))) == "button" && windowText(w) == L"检查更新";
    });
}

// One update check: clicks the button and asks the window WM_NULL about
// once a millisecond. The check blocks the window's thread, so the one call
// that takes long brackets it: the check began after the previous answer
// and ended by the time of the long call's answer.
struct CheckResult {
    bool measured = false;
    double blockedMs = -1;  // the long call: from its send to its answer
    double boundMs = -1;    // from the previous answer to that answer (upper bound)
    double releaseToDoneMs = -1;
};

CheckResult updateCheck(HWND updateWindow, HWND button) {
    CheckResult out;
    RECT b;
    GetWindowRect(button, &b);
    const double released = click((b.left + b.right) / 2, (b.top + b.bottom) / 2);
    double prevAnswer = released;
    const double limit = released + 5000;
    while (nowMs() < limit) {
        const double sent = nowMs();
        if (!answers(updateWindow, 4000)) break;
        const double answered = nowMs();
        if (answered - sent > 200) {
            out.measured = true;
            out.blockedMs = answered - sent;
            out.boundMs = answered - prevAnswer;
            out.releaseToDoneMs = answered - released;
            return out;
        }
        prevAnswer = answered;
        Sleep(1);
    }
    return out;
}

// ---- report ----------------------------------------------------------------------

struct Options {
    std::wstring ours, reference, timerReference, text, json;
    std::vector<std::pair<std::wstring, std::wstring>> variants;    // name, program like the reference
    std::vector<std::pair<std::wstring, std::wstring>> candidates;  // name, another build of ours
    int runs = 21;
    DWORD idleMs = 10000;
    int checks = 3;
    int slides = 3;
};

std::wstring arg(int argc, wchar_t** argv, const wchar_t* name) {
    for (int i = 1; i + 1 < argc; ++i)
        if (wcscmp(argv[i], name) == 0) return argv[i + 1];
    return {};
}

std::string out;  // the report as printed

void line(const std::string& s) {
    std::fputs((s + "\n").c_str(), stdout);
    std::fflush(stdout);
    out += s + "\n";
}

void progress(const std::string& s) {
    std::fputs(("  .. " + s + "\n").c_str(), stderr);
    std::fflush(stderr);
}

std::string mib(double bytes) { return bytes < 0 ? "n/a" : format("%.2f MiB", bytes / 1048576.0); }
std::string ms(double v) { return v < 0 ? "n/a" : format("%.1f ms", v); }
std::string ratio(double a, double b) { return a < 0 || b <= 0 ? "n/a" : format("%.2fx", a / b); }

}  // namespace

int wmain(int argc, wchar_t** argv) {
    Options o;
    o.ours = arg(argc, argv, L"--program");
    o.reference = arg(argc, argv, L"--reference");
    o.timerReference = arg(argc, argv, L"--timer-reference");
    o.text = arg(argc, argv, L"--text");
    o.json = arg(argc, argv, L"--json");
    if (auto v = arg(argc, argv, L"--runs"); !v.empty()) o.runs = std::max(1, _wtoi(v.c_str()));
    if (auto v = arg(argc, argv, L"--idle-ms"); !v.empty()) o.idleMs = DWORD(std::max(100, _wtoi(v.c_str())));
    if (auto v = arg(argc, argv, L"--checks"); !v.empty()) o.checks = std::max(1, _wtoi(v.c_str()));
    if (auto v = arg(argc, argv, L"--slides"); !v.empty()) o.slides = std::max(1, _wtoi(v.c_str()));
    for (int i = 1; i + 1 < argc; ++i)
        if (wcscmp(argv[i], L"--variant") == 0 || wcscmp(argv[i], L"--candidate") == 0) {
            const std::wstring v = argv[i + 1];
            const auto eq = v.find(L'=');
            auto& list = argv[i][2] == L'v' ? o.variants : o.candidates;
            if (eq != std::wstring::npos) list.emplace_back(v.substr(0, eq), v.substr(eq + 1));
        }
    if (o.ours.empty() || o.reference.empty()) {
        std::fputs("usage: measure --program OURS.exe --reference REF.exe [--text FILE] [--json FILE]\n"
                   "               [--variant NAME=REF_VARIANT.exe]... [--candidate NAME=OTHER_BUILD.exe]...\n"
                   "               [--timer-reference REF_WITH_1S_TIMER.exe] [--runs N] [--idle-ms MS] [--checks N] [--slides N]\n",
                   stderr);
        return 2;
    }

    const Target ours{"ours", o.ours, L"闲云百宝匣", {84, 300}, RGB(192, 192, 192)};
    const Target ref{"reference", o.reference, L"基准窗口", {84, 300}, RGB(0, 128, 128)};
    // Everything started in the first-paint runs: ours, the reference, the
    // reference's variants (same window, same colour) and other builds of
    // ours to compare with it (candidates).
    std::vector<Target> all{ours, ref};
    for (const auto& [name, exe] : o.variants)
        all.push_back(Target{nullptr, exe, ref.title, ref.probe, ref.colour});
    for (const auto& [name, exe] : o.candidates)
        all.push_back(Target{nullptr, exe, ours.title, ours.probe, ours.colour});
    std::vector<std::string> names{"ours", "reference"};
    for (const auto& v : o.variants) names.push_back(narrow(v.first));
    for (const auto& v : o.candidates) names.push_back("candidate: " + narrow(v.first));
    for (std::size_t i = 0; i < all.size(); ++i) all[i].name = names[i].c_str();
    const std::size_t n = all.size();
    const Target* targets[2] = {&all[0], &all[1]};
    std::vector<std::string> notes;

    // 1. First paint and peak memory, interleaved, the order rotating from
    // run to run; one discarded warm-up start of each first.
    // CPU time is the Linux scheduler's for all threads of the process,
    // read just after the paint was seen: unlike the wall-clock time it
    // hardly depends on what else runs on the machine.
    std::vector<std::vector<double>> paint(n), shown(n), peakWs(n), peakPf(n), cpu(n);
    // Each round starts every program once, one right after the other: the
    // ratio within a round is hardly touched by the machine getting slower
    // or faster between rounds. -1: that start was not measured.
    std::vector<std::vector<double>> paintByRound(n, std::vector<double>(std::size_t(std::max(o.runs, 0)), -1.0));
    int round = -1;
    auto runOnce = [&](std::size_t which, bool keep) {
        Running r = startUntilPainted(all[which]);
        if (r.paintMs >= 0 && keep) {
            paintByRound[which][std::size_t(round)] = r.paintMs;
            paint[which].push_back(r.paintMs);
            shown[which].push_back(r.windowMs);
            Memory m = memoryOf(r.process);
            peakWs[which].push_back(m.peakWorkingSet);
            peakPf[which].push_back(m.peakPagefile);
            if (auto upid = unixPidOf(all[which].exe)) {
                double ns = 0;
                for (const auto& [tid, t] : threadStats(*upid)) ns += double(t.runNs);
                if (ns > 0) cpu[which].push_back(ns / 1e6);
            }
        }
        if (!r.error.empty()) notes.push_back(format("%s start: %s", all[which].name, r.error.c_str()));
        std::string note = finish(r);
        if (!note.empty()) notes.push_back(format("%s: %s", all[which].name, note.c_str()));
        Sleep(150);
    };
    progress("warm-up starts");
    for (std::size_t k = 0; k < n; ++k) runOnce(k, false);
    progress(format("first paint: %d runs of each of %zu programs, interleaved", o.runs, n));
    for (round = 0; round < o.runs; ++round)
        for (std::size_t k = 0; k < n; ++k) runOnce((k + std::size_t(round)) % n, true);

    // 2. Idle, only the main window open.
    IdleResult idleMain[2];
    Memory afterIdle[2];
    HWND oursMain = nullptr;
    Running oursRun;
    for (int which : {1, 0}) {
        progress(format("%s: idle for %lu ms with its main window", targets[which]->name, o.idleMs));
        Running r = startUntilPainted(*targets[which]);
        if (r.paintMs < 0) {
            notes.push_back(format("%s idle: %s", targets[which]->name, r.error.c_str()));
            finish(r);
            continue;
        }
        parkMouse();
        Sleep(1000);  // start-up work done, pointer events handled
        idleMain[which] = idle(r, targets[which]->exe, o.idleMs);
        afterIdle[which] = memoryOf(r.process);
        if (which == 0) {
            oursRun = r;  // goes on with the update window
            oursMain = r.window;
        } else {
            finish(r);
        }
    }

    // The reference with a 1 s timer: what one tick a second costs any
    // window program under this system.
    IdleResult idleTimer;
    if (!o.timerReference.empty()) {
        const Target timerRef{"reference with a 1 s timer", o.timerReference, ref.title, ref.probe, ref.colour};
        progress(format("reference with a 1 s timer: idle for %lu ms", o.idleMs));
        Running r = startUntilPainted(timerRef);
        if (r.paintMs >= 0) {
            parkMouse();
            Sleep(1000);
            idleTimer = idle(r, timerRef.exe, o.idleMs);
        } else {
            notes.push_back("timer reference: " + r.error);
        }
        finish(r);
    }

    // 3. Ours with the update window open; then update checks.
    IdleResult idleUpdate;
    std::vector<CheckResult> checks;
    std::string itemHow;
    if (oursRun.process) {
        std::string how;
        const POINT item = updateItemPoint(menuRect(oursMain), how);
        itemHow = format("更新 clicked at screen (%ld, %ld), %s", item.x, item.y, how.c_str());
        progress(itemHow);
        click(item.x, item.y);
        HWND upd = nullptr;
        const double until = nowMs() + 5000;
        while (!(upd = findUpdateWindow(oursRun.pid, oursMain)) && nowMs() < until) Sleep(5);
        if (!upd) {
            notes.push_back("update window did not open after the click on 更新");
        } else {
            parkMouse();
            Sleep(1000);
            progress(format("ours: idle for %lu ms with the update window", o.idleMs));
            idleUpdate = idle(oursRun, ours.exe, o.idleMs);
            HWND button = findCheckButton(upd);
            if (!button) notes.push_back("button 检查更新 not found in the update window");
            for (int i = 0; button && i < o.checks; ++i) {
                progress(format("update check %d", i + 1));
                checks.push_back(updateCheck(upd, button));
                parkMouse();
                Sleep(300);
            }
            PostMessageW(upd, WM_CLOSE, 0, 0);
            const double back = nowMs() + 3000;
            while (!IsWindowEnabled(oursMain) && nowMs() < back) Sleep(10);
        }
        std::string n = finish(oursRun);
        if (!n.empty()) notes.push_back("ours after the update window: " + n);
    }

    // 4. Group slide, each on a fresh start (说明 open).
    std::vector<SlideResult> slides;
    for (int i = 0; i < o.slides; ++i) {
        progress(format("group slide %d", i + 1));
        Running r = startUntilPainted(ours);
        if (r.paintMs < 0) {
            notes.push_back("slide start: " + r.error);
            finish(r);
            continue;
        }
        parkMouse();
        Sleep(500);
        slides.push_back(slide(r));
        if (!slides.back().error.empty()) notes.push_back("slide: " + slides.back().error);
        Sleep(200);
        finish(r);
    }

    // ---- the report ----
    const double fs[2] = {double(fileSize(ours.exe)), double(fileSize(ref.exe))};
    const double p0 = median(paint[0]), p1 = median(paint[1]);
    std::vector<double> pairedRatios;
    for (std::size_t i = 0; i < paintByRound[0].size(); ++i)
        if (paintByRound[0][i] > 0 && paintByRound[1][i] > 0)
            pairedRatios.push_back(paintByRound[0][i] / paintByRound[1][i]);
    const double paired = pairedRatios.empty() ? -1 : median(pairedRatios);
    const double w0 = median(peakWs[0]), w1 = median(peakWs[1]);
    const double f0 = median(peakPf[0]), f1 = median(peakPf[1]);
    std::vector<double> checkMs, checkBound;
    for (auto& c : checks)
        if (c.measured) checkMs.push_back(c.blockedMs), checkBound.push_back(c.boundMs);
    std::vector<double> slideMs, slideRel;
    std::vector<double> slideFrames;
    int expectedFrames = 0, distance = 0;
    for (auto& s : slides) {
        expectedFrames = s.expectedFrames;
        distance = s.distance;
        if (!s.measured) continue;
        slideMs.push_back(s.firstToLastMs);
        slideRel.push_back(s.releaseToLastMs);
        slideFrames.push_back(s.seenFrames);
    }

    // Columns: what, ours, reference, ours / reference. Chinese text counts
    // two columns per character but three bytes, so labels stay ASCII.
    auto row = [](const std::string& what, const std::string& a, const std::string& b, const std::string& r = "") {
        line(format("%-46s %14s %14s %8s", what.c_str(), a.c_str(), b.c_str(), r.c_str()));
    };
    auto range = [](const std::vector<double>& v) { return format("%.1f..%.1f", minOf(v), maxOf(v)); };
    auto exact = [](double v) { return v < 0 ? std::string("n/a") : format("%.3f ms", v); };
    auto count = [](double v) { return v < 0 ? std::string("n/a") : format("%.0f", v); };
    const double idleS = o.idleMs / 1000.0;

    line("Benchmark of the program (ours) against a minimal Win32 window (reference),");
    line("one Wine prefix and one X display for all runs.");
    line("");
    row("measure", "ours", "reference", "ratio");
    line(std::string(85, '-'));
    row(format("first paint, median of %zu / %zu runs", paint[0].size(), paint[1].size()), ms(p0), ms(p1), ratio(p0, p1));
    row(format("  ratio within a round, median of %zu", pairedRatios.size()), "", "",
        paired < 0 ? "n/a" : format("%.2fx", paired));
    row("  fastest .. slowest (ms)", range(paint[0]), range(paint[1]));
    row("  fastest run", ms(minOf(paint[0])), ms(minOf(paint[1])), ratio(minOf(paint[0]), minOf(paint[1])));
    row("  window visible, median", ms(median(shown[0])), ms(median(shown[1])),
        ratio(median(shown[0]), median(shown[1])));
    row("  CPU time until painted, median", ms(median(cpu[0])), ms(median(cpu[1])),
        ratio(median(cpu[0]), median(cpu[1])));
    row("peak working set at first paint, median", mib(w0), mib(w1), ratio(w0, w1));
    row("peak private bytes at first paint, median", mib(f0), mib(f1), ratio(f0, f1));
    row(format("peak working set after %.0f s idle", idleS), mib(afterIdle[0].peakWorkingSet),
        mib(afterIdle[1].peakWorkingSet), ratio(afterIdle[0].peakWorkingSet, afterIdle[1].peakWorkingSet));
    row(format("peak private bytes after %.0f s idle", idleS), mib(afterIdle[0].peakPagefile),
        mib(afterIdle[1].peakPagefile), ratio(afterIdle[0].peakPagefile, afterIdle[1].peakPagefile));
    row("program file size", format("%.0f B", fs[0]), format("%.0f B", fs[1]), ratio(fs[0], fs[1]));
    row("", format("%.1f KiB", fs[0] / 1024), format("%.1f KiB", fs[1] / 1024));
    row(format("idle %.0f s, main window: CPU (GetProcessTimes)", idleS), ms(idleMain[0].cpuMs), ms(idleMain[1].cpuMs));
    row("  CPU (Linux scheduler, all threads)", exact(idleMain[0].schedCpuMs), exact(idleMain[1].schedCpuMs));
    row("  wake-ups (all threads)", count(idleMain[0].wakeups), count(idleMain[1].wakeups));
    // Against the reference with a 1 s timer, when there is one.
    const bool timerRow = idleTimer.measured;
    row(format("idle %.0f s, update window: CPU (GetProcessTimes)", idleS), ms(idleUpdate.cpuMs),
        timerRow ? ms(idleTimer.cpuMs) : "-");
    row("  CPU (Linux scheduler, all threads)", exact(idleUpdate.schedCpuMs), timerRow ? exact(idleTimer.schedCpuMs) : "-");
    row("  wake-ups (all threads)", count(idleUpdate.wakeups), timerRow ? count(idleTimer.wakeups) : "-");
    if (timerRow) line("    (reference column: the reference window with a 1000 ms timer)");
    {
        std::string each;
        for (double v : checkMs) each += format("%s%.1f", each.empty() ? "" : " ", v);
        row(format("update check, median of %zu", checkMs.size()), ms(median(checkMs)), "-");
        row("  upper bound, median", ms(median(checkBound)), "-");
        if (!each.empty()) line("    each check (ms): " + each);
    }
    row("group slide: frames seen on the screen", slideFrames.empty() ? "n/a" : format("%.0f", median(slideFrames)),
        "-");
    row(format("  from the geometry: %d px at 30 px a frame", distance), format("%d", expectedFrames), "-");
    row(format("  first to last frame, median of %zu", slideMs.size()), ms(median(slideMs)), "-");
    row("  button release to last frame, median", ms(median(slideRel)), "-");

    // Where the start-up goes: the reference, step by step made more like
    // the program, then the program itself.
    if (n > 2) {
        line("");
        line("start-up breakdown (medians; each step adds to the one above;");
        line("a candidate is compared with the line above it):");
        line(format("  %-30s %11s %8s %11s %8s %11s %8s %11s %8s", "program", "first paint", "step", "CPU", "step",
                    "working set", "step", "private", "step"));
        std::vector<std::size_t> order{1};
        for (std::size_t k = 2; k < 2 + o.variants.size(); ++k) order.push_back(k);
        order.push_back(0);
        for (std::size_t k = 2 + o.variants.size(); k < n; ++k) order.push_back(k);
        double lastP = -1, lastC = -1, lastW = -1, lastF = -1;
        for (std::size_t k : order) {
            const double pp = median(paint[k]), cc = median(cpu[k]), ww = median(peakWs[k]), ff = median(peakPf[k]);
            auto stepMs = [&](double v, double last) { return last < 0 ? std::string("") : format("%+.1f", v - last); };
            auto stepMib = [&](double v, double last) {
                return last < 0 ? std::string("") : format("%+.2f", (v - last) / 1048576.0);
            };
            line(format("  %-30s %8.1f ms %8s %8.1f ms %8s %7.2f MiB %8s %7.2f MiB %8s", all[k].name, pp,
                        stepMs(pp, lastP).c_str(), cc, stepMs(cc, lastC).c_str(), ww / 1048576.0,
                        stepMib(ww, lastW).c_str(), ff / 1048576.0, stepMib(ff, lastF).c_str()));
            lastP = pp, lastC = cc, lastW = ww, lastF = ff;
        }
    }

    // Goals.
    struct Goal {
        std::string name, value, limit;
        double number, bound;  // for the JSON copy
        bool met;
    };
    std::vector<Goal> goals;
    if (p0 >= 0 && p1 > 0)
        goals.push_back({"first paint / reference", format("%.3f", p0 / p1), "<= 1.10", p0 / p1, 1.10, p0 / p1 <= 1.10});
    {
        // The larger of the two peaks, at first paint and after idling.
        const double a = std::max(w0, afterIdle[0].peakWorkingSet), b = std::max(w1, afterIdle[1].peakWorkingSet);
        const double over = (a - b) / 1048576.0;
        if (a >= 0 && b >= 0)
            goals.push_back({"peak working set over the reference", format("%+.2f MiB", over), "<= +2 MiB", over, 2.0,
                             over <= 2.0});
        const double c = std::max(f0, afterIdle[0].peakPagefile), d = std::max(f1, afterIdle[1].peakPagefile);
        const double overP = (c - d) / 1048576.0;
        if (c >= 0 && d >= 0)
            goals.push_back({"peak private bytes over the reference", format("%+.2f MiB", overP), "<= +2 MiB", overP,
                             2.0, overP <= 2.0});
    }
    if (fs[0] >= 0)
        goals.push_back({"program file", format("%.1f KiB", fs[0] / 1024), "<= 192 KiB", fs[0] / 1024, 192.0,
                         fs[0] <= 192.0 * 1024});
    if (idleMain[0].wakeups >= 0)
        goals.push_back({"wake-ups, only the main window idle", format("%.0f", idleMain[0].wakeups), "0",
                         idleMain[0].wakeups, 0, idleMain[0].wakeups == 0});
    if (!checkMs.empty()) {
        const double m = median(checkMs);
        goals.push_back({"update check", format("%.1f ms", m), "950..1000 ms", m, 1000, m >= 950 && m <= 1000});
    }
    line("");
    line("goals:");
    for (auto& g : goals)
        line(format("  %-40s %14s   goal %-14s %s", g.name.c_str(), g.value.c_str(), g.limit.c_str(),
                    g.met ? "met" : "MISSED"));
    line("");
    if (!idleMain[0].perThread.empty() || !idleMain[1].perThread.empty() || !idleUpdate.perThread.empty()) {
        line("threads that woke up while idle:");
        if (!idleMain[0].perThread.empty()) line("  ours, main window: " + idleMain[0].perThread);
        if (!idleMain[1].perThread.empty()) line("  reference: " + idleMain[1].perThread);
        if (!idleUpdate.perThread.empty()) line("  ours, update window: " + idleUpdate.perThread);
        if (!idleTimer.perThread.empty()) line("  reference with a 1 s timer: " + idleTimer.perThread);
    }
    if (!itemHow.empty()) line("update window: " + itemHow);
    for (auto& s : slides)
        if (s.measured) line("slide positions of 购物 (top@ms after release): " + s.positions);
    for (auto& n : notes) line("note: " + n);

    // Machine-readable copy.
    auto series = [](const std::vector<double>& v) {
        std::string s = "[";
        for (std::size_t i = 0; i < v.size(); ++i) s += (i ? ", " : "") + jsonNumber(v[i]);
        return s + "]";
    };
    auto idleJson = [&](const IdleResult& r) {
        if (!r.measured) return std::string("null");
        return format("{\"seconds\": %s, \"cpu_ms\": %s, \"sched_cpu_ms\": %s, \"wakeups\": %s, \"threads\": %s}",
                      jsonNumber(r.seconds).c_str(), r.cpuMs < 0 ? "null" : jsonNumber(r.cpuMs).c_str(),
                      r.schedCpuMs < 0 ? "null" : jsonNumber(r.schedCpuMs).c_str(),
                      r.wakeups < 0 ? "null" : jsonNumber(r.wakeups).c_str(), jsonString(r.perThread).c_str());
    };
    std::string j = "{\n";
    j += "  \"first_paint_ms\": {\"ours\": {\"median\": " + jsonNumber(p0) + ", \"runs\": " + series(paint[0]) +
         "}, \"reference\": {\"median\": " + jsonNumber(p1) + ", \"runs\": " + series(paint[1]) +
         "}, \"ratio\": " + (p1 > 0 ? jsonNumber(p0 / p1) : "null") +
         ", \"ratio_within_round\": " + (paired > 0 ? jsonNumber(paired) : "null") + "},\n";
    j += "  \"cpu_until_painted_ms\": {\"ours\": " + jsonNumber(median(cpu[0])) + ", \"reference\": " +
         jsonNumber(median(cpu[1])) + "},\n";
    j += "  \"window_visible_ms\": {\"ours\": " + jsonNumber(median(shown[0])) + ", \"reference\": " +
         jsonNumber(median(shown[1])) + "},\n";
    j += "  \"peak_working_set_bytes\": {\"first_paint\": {\"ours\": " + jsonNumber(w0) + ", \"reference\": " +
         jsonNumber(w1) + "}, \"after_idle\": {\"ours\": " + jsonNumber(afterIdle[0].peakWorkingSet) +
         ", \"reference\": " + jsonNumber(afterIdle[1].peakWorkingSet) + "}},\n";
    j += "  \"peak_pagefile_bytes\": {\"first_paint\": {\"ours\": " + jsonNumber(f0) + ", \"reference\": " +
         jsonNumber(f1) + "}, \"after_idle\": {\"ours\": " + jsonNumber(afterIdle[0].peakPagefile) +
         ", \"reference\": " + jsonNumber(afterIdle[1].peakPagefile) + "}},\n";
    j += "  \"file_size_bytes\": {\"ours\": " + jsonNumber(fs[0]) + ", \"reference\": " + jsonNumber(fs[1]) +
         ", \"ratio\": " + (fs[1] > 0 ? jsonNumber(fs[0] / fs[1]) : "null") + "},\n";
    j += "  \"idle_main_window\": {\"ours\": " + idleJson(idleMain[0]) + ", \"reference\": " + idleJson(idleMain[1]) +
         "},\n";
    j += "  \"idle_update_window\": {\"ours\": " + idleJson(idleUpdate) +
         ", \"reference_with_1s_timer\": " + idleJson(idleTimer) + "},\n";
    j += "  \"update_check_ms\": {\"median\": " + jsonNumber(median(checkMs)) + ", \"runs\": " + series(checkMs) +
         ", \"upper_bounds\": " + series(checkBound) + "},\n";
    j += format("  \"group_slide\": {\"distance_px\": %d, \"frames_expected\": %d, \"frames_seen\": %s, \"first_to_last_ms\": %s, "
                "\"release_to_last_ms\": %s},\n",
                distance, expectedFrames, series(slideFrames).c_str(), series(slideMs).c_str(), series(slideRel).c_str());
    j += "  \"start_up_breakdown\": [";
    for (std::size_t k = 0; k < n; ++k)
        j += format("%s\n    {\"program\": %s, \"first_paint_ms\": %s, \"cpu_until_painted_ms\": %s, "
                    "\"peak_working_set_bytes\": %s, \"peak_private_bytes\": %s}",
                    k ? "," : "", jsonString(all[k].name).c_str(), jsonNumber(median(paint[k])).c_str(),
                    jsonNumber(median(cpu[k])).c_str(),
                    jsonNumber(median(peakWs[k])).c_str(), jsonNumber(median(peakPf[k])).c_str());
    j += "\n  ],\n";
    j += "  \"goals\": [";
    for (std::size_t i = 0; i < goals.size(); ++i)
        j += format("%s\n    {\"goal\": %s, \"value\": %s, \"limit\": %s, \"met\": %s}", i ? "," : "",
                    jsonString(goals[i].name + " " + goals[i].limit).c_str(), jsonNumber(goals[i].number).c_str(),
                    jsonNumber(goals[i].bound).c_str(), goals[i].met ? "true" : "false");
    j += "\n  ],\n  \"notes\": [";
    for (std::size_t i = 0; i < notes.size(); ++i) j += (i ? ", " : "") + jsonString(notes[i]);
    j += "]\n}\n";

    if (!o.text.empty() && !writeWholeFile(o.text, out)) std::fprintf(stderr, "cannot write %s\n", narrow(o.text).c_str());
    if (!o.json.empty() && !writeWholeFile(o.json, j)) std::fprintf(stderr, "cannot write %s\n", narrow(o.json).c_str());
    return paint[0].empty() || paint[1].empty() ? 1 : 0;
}
