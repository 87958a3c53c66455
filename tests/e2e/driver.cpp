#include "driver.h"

#include <gtest/gtest.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <algorithm>
#include <cstring>
#include <cwctype>

namespace e2e {

static std::vector<std::uint32_t> grab(const RECT& r);

// ---- environment -----------------------------------------------------------

std::wstring envPath(const wchar_t* name) {
    wchar_t buf[32768];
    DWORD n = GetEnvironmentVariableW(name, buf, DWORD(std::size(buf)));
    if (n == 0 || n >= std::size(buf)) return {};
    std::wstring v(buf, n);
    if (!v.empty() && v[0] == L'/') {
        // Wine maps the Unix root to drive Z:.
        std::replace(v.begin(), v.end(), L'/', L'\\');
        v = L"Z:" + v;
    }
    return v;
}

std::wstring programPath() { return envPath(L"XY_PROGRAM"); }
std::wstring screenshotDir() { return envPath(L"XY_SCREENSHOTS"); }
std::wstring browserLogPath() { return envPath(L"XY_BROWSER_LOG"); }

std::wstring folderOf(const std::wstring& path) {
    auto pos = path.find_last_of(L"\\/");
    return pos == std::wstring::npos ? std::wstring() : path.substr(0, pos);
}

std::string narrow(const std::wstring& w) {
    if (w.empty()) return {};
    int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), int(w.size()), nullptr, 0, nullptr, nullptr);
    std::string s(size_t(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), int(w.size()), s.data(), n, nullptr, nullptr);
    return s;
}

// ---- processes -------------------------------------------------------------

Process& Process::operator=(Process&& o) noexcept {
    if (this != &o) {
        kill();
        handle_ = o.handle_;
        pid_ = o.pid_;
        o.handle_ = nullptr;
        o.pid_ = 0;
    }
    return *this;
}

bool Process::running() const {
    return handle_ && WaitForSingleObject(handle_, 0) == WAIT_TIMEOUT;
}

std::optional<DWORD> Process::waitExit(Millis timeout) const {
    if (!handle_) return std::nullopt;
    if (WaitForSingleObject(handle_, DWORD(timeout.count())) != WAIT_OBJECT_0) return std::nullopt;
    DWORD code = 0;
    if (!GetExitCodeProcess(handle_, &code)) return std::nullopt;
    return code;
}

bool Process::kill() {
    if (!handle_) return false;
    bool killed = false;
    if (running()) {
        TerminateProcess(handle_, 0xDEAD);
        WaitForSingleObject(handle_, 5000);
        killed = true;
    }
    CloseHandle(handle_);
    handle_ = nullptr;
    pid_ = 0;
    return killed;
}

static DWORD g_lastStartError = 0;
DWORD lastStartError() { return g_lastStartError; }

Process start(const std::wstring& exe, const std::wstring& workDir, const std::wstring& args) {
    std::wstring cmd = L"\"" + exe + L"\"";
    if (!args.empty()) cmd += L" " + args;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        workDir.empty() ? nullptr : workDir.c_str(), &si, &pi)) {
        g_lastStartError = GetLastError();
        return {};
    }
    CloseHandle(pi.hThread);
    g_lastStartError = 0;
    return Process(pi.hProcess, pi.dwProcessId);
}

static bool iequals(const std::wstring& a, const std::wstring& b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [](wchar_t x, wchar_t y) { return std::towlower(x) == std::towlower(y); });
}

std::set<DWORD> processesNamed(const std::wstring& exeName) {
    std::set<DWORD> ids;
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap == INVALID_HANDLE_VALUE) return ids;
    PROCESSENTRY32W pe{};
    pe.dwSize = sizeof pe;
    for (BOOL ok = Process32FirstW(snap, &pe); ok; ok = Process32NextW(snap, &pe)) {
        std::wstring name = pe.szExeFile;
        auto slash = name.find_last_of(L"\\/");
        if (slash != std::wstring::npos) name = name.substr(slash + 1);
        if (iequals(name, exeName)) ids.insert(pe.th32ProcessID);
    }
    CloseHandle(snap);
    return ids;
}

void killProcessesNamed(const std::wstring& exeName, const std::set<DWORD>& keep) {
    for (DWORD pid : processesNamed(exeName)) {
        if (keep.count(pid)) continue;
        if (HANDLE h = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid)) {
            TerminateProcess(h, 0xDEAD);
            WaitForSingleObject(h, 3000);
            CloseHandle(h);
        }
    }
}

std::vector<std::wstring> loadedModules(DWORD pid) {
    std::vector<std::wstring> paths;
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, pid);
    if (snap == INVALID_HANDLE_VALUE) return paths;
    MODULEENTRY32W me{};
    me.dwSize = sizeof me;
    for (BOOL ok = Module32FirstW(snap, &me); ok; ok = Module32NextW(snap, &me)) {
        std::wstring p = me.szExePath;
        for (auto& c : p) c = wchar_t(std::towlower(c));
        paths.push_back(std::move(p));
    }
    CloseHandle(snap);
    return paths;
}

std::optional<std::wstring> currentDirectoryOf(HANDLE process) {
    // Layout of the 32-bit PEB and RTL_USER_PROCESS_PARAMETERS; the test
    // program and the program under test are both 32-bit.
    static_assert(sizeof(void*) == 4, "the PEB offsets below are those of 32-bit processes");
    constexpr SIZE_T kPebProcessParameters = 0x10;
    constexpr SIZE_T kParamsCurrentDirectory = 0x24;  // CURDIR.DosPath (UNICODE_STRING)

    PROCESS_BASIC_INFORMATION pbi{};
    ULONG len = 0;
    if (NtQueryInformationProcess(process, ProcessBasicInformation, &pbi, sizeof pbi, &len) != 0 ||
        !pbi.PebBaseAddress)
        return std::nullopt;
    auto read = [&](const void* at, void* to, SIZE_T n) {
        SIZE_T got = 0;
        return ReadProcessMemory(process, at, to, n, &got) && got == n;
    };
    std::uint32_t params = 0;
    if (!read(reinterpret_cast<const char*>(pbi.PebBaseAddress) + kPebProcessParameters, &params,
              sizeof params) ||
        !params)
        return std::nullopt;
    struct {
        std::uint16_t length, maximumLength;
        std::uint32_t buffer;
    } dosPath{};
    if (!read(reinterpret_cast<const void*>(uintptr_t(params) + kParamsCurrentDirectory), &dosPath,
              sizeof dosPath))
        return std::nullopt;
    if (dosPath.length == 0 || dosPath.length % 2 || !dosPath.buffer) return std::nullopt;
    std::wstring dir(dosPath.length / 2, L'\0');
    if (!read(reinterpret_cast<const void*>(uintptr_t(dosPath.buffer)), dir.data(), dosPath.length))
        return std::nullopt;
    // A process that has only just started may not have its parameters
    // filled in yet.
    if (dir.find(L'\0') != std::wstring::npos) return std::nullopt;
    return dir;
}

// ---- windows ---------------------------------------------------------------

std::wstring windowText(HWND w) {
    // InternalGetWindowText reads the stored text without sending a message,
    // so it works while the window's thread is blocked.
    wchar_t buf[4096];
    int n = InternalGetWindowText(w, buf, int(std::size(buf)));
    if (n > 0) return std::wstring(buf, size_t(n));
    DWORD_PTR len = 0;
    if (!SendMessageTimeoutW(w, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 1000, &len) || !len)
        return {};
    std::wstring s(len + 1, L'\0');
    DWORD_PTR got = 0;
    if (!SendMessageTimeoutW(w, WM_GETTEXT, WPARAM(s.size()), LPARAM(s.data()), SMTO_ABORTIFHUNG,
                             1000, &got))
        return {};
    s.resize(size_t(got));
    return s;
}

std::wstring className(HWND w) {
    wchar_t buf[256];
    int n = GetClassNameW(w, buf, int(std::size(buf)));
    return std::wstring(buf, size_t(n > 0 ? n : 0));
}

DWORD windowPid(HWND w) {
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    return pid;
}

namespace {
struct TopLevelQuery {
    DWORD pid;
    bool visibleOnly;
    std::vector<HWND> out;
};
BOOL CALLBACK collectTopLevel(HWND w, LPARAM lp) {
    auto* q = reinterpret_cast<TopLevelQuery*>(lp);
    if ((q->pid == 0 || windowPid(w) == q->pid) && (!q->visibleOnly || IsWindowVisible(w)))
        q->out.push_back(w);
    return TRUE;
}
BOOL CALLBACK collectChild(HWND w, LPARAM lp) {
    reinterpret_cast<std::vector<HWND>*>(lp)->push_back(w);
    return TRUE;
}
}  // namespace

std::vector<HWND> topLevelWindows(DWORD pid, bool visibleOnly) {
    TopLevelQuery q{pid, visibleOnly, {}};
    EnumWindows(collectTopLevel, LPARAM(&q));
    return q.out;
}

std::vector<HWND> childWindows(HWND parent) {
    std::vector<HWND> out;
    EnumChildWindows(parent, collectChild, LPARAM(&out));
    return out;
}

std::vector<HWND> directChildren(HWND parent) {
    std::vector<HWND> out;
    for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) out.push_back(c);
    return out;
}

HWND waitForWindow(DWORD pid, const std::wstring& title, Millis timeout, bool visibleOnly) {
    HWND found = nullptr;
    waitUntil(
        [&] {
            for (HWND w : topLevelWindows(pid, visibleOnly))
                if (windowText(w) == title) {
                    found = w;
                    return true;
                }
            return false;
        },
        timeout);
    return found;
}

WindowInfo describe(HWND w) {
    WindowInfo i;
    i.title = windowText(w);
    i.cls = className(w);
    GetWindowRect(w, &i.rect);
    RECT c{};
    GetClientRect(w, &c);
    POINT tl{0, 0};
    ClientToScreen(w, &tl);
    i.client = {tl.x, tl.y, tl.x + c.right, tl.y + c.bottom};
    i.owner = GetWindow(w, GW_OWNER);
    i.enabled = IsWindowEnabled(w);
    i.visible = IsWindowVisible(w);
    i.style = GetWindowLongW(w, GWL_STYLE);
    i.exStyle = GetWindowLongW(w, GWL_EXSTYLE);
    return i;
}

RECT rectInParent(HWND child) {
    RECT r{};
    GetWindowRect(child, &r);
    MapWindowPoints(HWND_DESKTOP, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

IconSize iconSize(HWND w, bool big) {
    DWORD_PTR icon = 0;
    SendMessageTimeoutW(w, WM_GETICON, big ? ICON_BIG : ICON_SMALL, 0, SMTO_ABORTIFHUNG, 1000, &icon);
    if (!icon) icon = GetClassLongPtrW(w, big ? GCLP_HICON : GCLP_HICONSM);
    IconSize s;
    if (!icon) return s;
    s.present = true;
    ICONINFO ii{};
    if (!GetIconInfo(HICON(icon), &ii)) return s;
    BITMAP bm{};
    if (ii.hbmColor && GetObjectW(ii.hbmColor, sizeof bm, &bm)) {
        s.width = bm.bmWidth;
        s.height = bm.bmHeight;
    } else if (ii.hbmMask && GetObjectW(ii.hbmMask, sizeof bm, &bm)) {
        s.width = bm.bmWidth;
        s.height = bm.bmHeight / 2;  // monochrome icon: AND and XOR masks stacked
    }
    if (ii.hbmColor) DeleteObject(ii.hbmColor);
    if (ii.hbmMask) DeleteObject(ii.hbmMask);
    return s;
}

namespace {
// The first icon group of a module, as the shell picks it.
BOOL CALLBACK firstGroup(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR lp) {
    auto* out = reinterpret_cast<std::wstring*>(lp);
    *out = IS_INTRESOURCE(name) ? L"#" + std::to_wstring(ULONG_PTR(name)) : std::wstring(name);
    return FALSE;
}
struct FileModule {
    HMODULE mod;
    explicit FileModule(const std::wstring& exe)
        : mod(LoadLibraryExW(exe.c_str(), nullptr,
                             LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE)) {}
    ~FileModule() {
        if (mod) FreeLibrary(mod);
    }
    std::wstring group() const {
        std::wstring name;
        if (mod) EnumResourceNamesW(mod, RT_GROUP_ICON, firstGroup, LONG_PTR(&name));
        return name;
    }
};
LPCWSTR resName(const std::wstring& n) {
    return n[0] == L'#' ? MAKEINTRESOURCEW(std::stoi(n.substr(1))) : n.c_str();
}
}  // namespace

std::vector<SIZE> fileIconSizes(const std::wstring& exe) {
    std::vector<SIZE> sizes;
    FileModule f(exe);
    std::wstring g = f.group();
    if (g.empty()) return sizes;
    HRSRC r = FindResourceW(f.mod, resName(g), RT_GROUP_ICON);
    DWORD len = r ? SizeofResource(f.mod, r) : 0;
    auto* p = r ? static_cast<const std::uint8_t*>(LockResource(LoadResource(f.mod, r))) : nullptr;
    if (!p || len < 6) return sizes;
    // GRPICONDIR: reserved, type, count; then 14-byte entries starting with
    // width and height (0 meaning 256).
    std::uint16_t count;
    std::memcpy(&count, p + 4, 2);
    for (size_t i = 0; i < count && 6 + (i + 1) * 14 <= len; ++i) {
        const std::uint8_t* e = p + 6 + i * 14;
        sizes.push_back({e[0] ? e[0] : 256, e[1] ? e[1] : 256});
    }
    return sizes;
}

HICON loadFileIcon(const std::wstring& exe, int size) {
    FileModule f(exe);
    std::wstring g = f.group();
    if (g.empty()) return nullptr;
    // Without LR_SHARED the icon is a copy that outlives the module.
    return HICON(LoadImageW(f.mod, resName(g), IMAGE_ICON, size, size, 0));
}

// The icon drawn at size x size on black and on white; a pixel drawn the
// same on both is opaque.
static std::vector<std::uint32_t> renderIcon(HICON icon, int size, COLORREF background) {
    std::vector<std::uint32_t> px(size_t(size) * size);
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), size, -size, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP bmp = CreateDIBSection(mem, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(mem, bmp);
    RECT r{0, 0, size, size};
    HBRUSH br = CreateSolidBrush(background);
    FillRect(mem, &r, br);
    DeleteObject(br);
    DrawIconEx(mem, 0, 0, icon, size, size, 0, nullptr, DI_NORMAL);
    GdiFlush();
    std::memcpy(px.data(), bits, px.size() * 4);
    SelectObject(mem, old);
    DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    for (auto& p : px) p &= 0xFFFFFF;
    return px;
}

IconMatch findIconOnScreen(HICON icon, int size, const RECT& area) {
    IconMatch best;
    if (!icon) return best;
    auto onBlack = renderIcon(icon, size, RGB(0, 0, 0));
    auto onWhite = renderIcon(icon, size, RGB(255, 255, 255));
    auto shot = grab(area);
    const int w = area.right - area.left, h = area.bottom - area.top;
    if (shot.empty() || w < size || h < size) return best;
    auto close = [](std::uint32_t a, std::uint32_t b) {
        for (int s = 0; s < 24; s += 8)
            if (std::abs(int((a >> s) & 0xFF) - int((b >> s) & 0xFF)) > 8) return false;
        return true;
    };
    for (int oy = 0; oy + size <= h; ++oy)
        for (int ox = 0; ox + size <= w; ++ox) {
            int opaque = 0, matching = 0;
            for (int y = 0; y < size; ++y)
                for (int x = 0; x < size; ++x) {
                    size_t i = size_t(y) * size + x;
                    if (onBlack[i] != onWhite[i]) continue;
                    ++opaque;
                    if (close(onBlack[i], shot[size_t(oy + y) * w + ox + x] & 0xFFFFFF)) ++matching;
                }
            if (matching > best.matching) best = {false, {area.left + ox, area.top + oy}, opaque, matching};
        }
    best.found = best.opaque >= size && best.matching * 100 >= best.opaque * 95;
    return best;
}

static MessageBoxInfo describeBox(HWND box) {
    MessageBoxInfo m;
    m.hwnd = box;
    m.caption = windowText(box);
    if (HWND st = GetDlgItem(box, 0xFFFF)) {
        m.text = windowText(st);
    } else {
        for (HWND c : directChildren(box))
            if (iequals(className(c), L"Static") && !(GetWindowLongW(c, GWL_STYLE) & SS_ICON) &&
                !windowText(c).empty()) {
                m.text = windowText(c);
                break;
            }
    }
    for (HWND c : directChildren(box))
        if (iequals(className(c), L"Button") && IsWindowVisible(c))
            m.buttons.push_back({GetDlgCtrlID(c), windowText(c), c});
    return m;
}

std::vector<MessageBoxInfo> messageBoxesOf(DWORD pid) {
    std::vector<MessageBoxInfo> out;
    for (HWND w : topLevelWindows(pid, true))
        if (className(w) == L"#32770") out.push_back(describeBox(w));
    return out;
}

std::optional<MessageBoxInfo> waitForMessageBox(DWORD pid, Millis timeout,
                                                const std::wstring& caption) {
    std::optional<MessageBoxInfo> found;
    waitUntil(
        [&] {
            for (auto& m : messageBoxesOf(pid))
                if (caption.empty() || m.caption == caption) {
                    found = m;
                    return true;
                }
            return false;
        },
        timeout);
    if (found) {
        // The box fills in its text and buttons while it initialises; read
        // it again once it has settled.
        Sleep(100);
        if (IsWindow(found->hwnd)) found = describeBox(found->hwnd);
    }
    return found;
}

LRESULT hitTest(HWND w, POINT p) {
    DWORD_PTR r = HTNOWHERE;
    SendMessageTimeoutW(w, WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y), SMTO_ABORTIFHUNG, 1000, &r);
    return LRESULT(r);
}

std::optional<POINT> findHitPoint(HWND w, LRESULT code) {
    RECT r{};
    if (!GetWindowRect(w, &r)) return std::nullopt;
    // The title bar band first (every caption code lives there), then the
    // whole window on a coarser grid.
    auto scan = [&](LONG top, LONG bottom, int step) -> std::optional<POINT> {
        LONG minX = LONG_MAX, minY = LONG_MAX, maxX = LONG_MIN, maxY = LONG_MIN;
        for (LONG y = top; y < bottom; y += step)
            for (LONG x = r.left; x < r.right; x += step)
                if (hitTest(w, {x, y}) == code) {
                    minX = std::min(minX, x), maxX = std::max(maxX, x);
                    minY = std::min(minY, y), maxY = std::max(maxY, y);
                }
        if (minX == LONG_MAX) return std::nullopt;
        POINT mid{(minX + maxX) / 2, (minY + maxY) / 2};
        if (hitTest(w, mid) == code) return mid;
        for (LONG y = top; y < bottom; y += step)
            for (LONG x = r.left; x < r.right; x += step)
                if (hitTest(w, {x, y}) == code) return POINT{x, y};
        return std::nullopt;
    };
    if (auto p = scan(r.top, std::min(r.bottom, r.top + 40), 2)) return p;
    return scan(r.top, r.bottom, 4);
}

// ---- input -----------------------------------------------------------------

static void send(std::initializer_list<INPUT> inputs) {
    std::vector<INPUT> v(inputs);
    SendInput(UINT(v.size()), v.data(), sizeof(INPUT));
}

static INPUT mouseInput(DWORD flags, LONG dx = 0, LONG dy = 0) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dx = dx;
    in.mi.dy = dy;
    in.mi.dwFlags = flags;
    return in;
}

void mouseMove(int x, int y) {
    // Absolute coordinates are 0..65535 across the primary screen; take the
    // value whose mapping back (v * width / 65536) lands on the pixel.
    POINT s = screenSize();
    auto norm = [](int v, int extent) {
        v = std::clamp(v, 0, extent - 1);
        return LONG((std::int64_t(v) * 65536 + extent - 1) / extent);
    };
    send({mouseInput(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, norm(x, s.x), norm(y, s.y))});
    Sleep(30);
}

void click(int x, int y) {
    mouseMove(x, y);
    send({mouseInput(MOUSEEVENTF_LEFTDOWN)});
    Sleep(20);
    send({mouseInput(MOUSEEVENTF_LEFTUP)});
    Sleep(50);
}

void doubleClick(int x, int y) {
    mouseMove(x, y);
    send({mouseInput(MOUSEEVENTF_LEFTDOWN), mouseInput(MOUSEEVENTF_LEFTUP),
          mouseInput(MOUSEEVENTF_LEFTDOWN), mouseInput(MOUSEEVENTF_LEFTUP)});
    Sleep(50);
}

void rightClick(int x, int y) {
    mouseMove(x, y);
    send({mouseInput(MOUSEEVENTF_RIGHTDOWN)});
    Sleep(20);
    send({mouseInput(MOUSEEVENTF_RIGHTUP)});
    Sleep(50);
}

static INPUT keyInput(WORD vk, bool up) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.wScan = WORD(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
    switch (vk) {
    case VK_LEFT: case VK_RIGHT: case VK_UP: case VK_DOWN: case VK_INSERT: case VK_DELETE:
    case VK_HOME: case VK_END: case VK_PRIOR: case VK_NEXT: case VK_RMENU: case VK_RCONTROL:
        in.ki.dwFlags |= KEYEVENTF_EXTENDEDKEY;
        break;
    default:
        break;
    }
    if (up) in.ki.dwFlags |= KEYEVENTF_KEYUP;
    return in;
}

void pressKey(WORD vk, std::initializer_list<WORD> modifiers) {
    for (WORD m : modifiers) send({keyInput(m, false)});
    send({keyInput(vk, false)});
    Sleep(20);
    send({keyInput(vk, true)});
    for (auto it = std::rbegin(modifiers); it != std::rend(modifiers); ++it)
        send({keyInput(*it, true)});
    Sleep(50);
}

bool focusByTitleBar(HWND w) {
    auto p = findHitPoint(w, HTCAPTION);
    if (!p) return false;
    click(p->x, p->y);
    return waitUntil([&] { return GetForegroundWindow() == w; }, 1000ms);
}

// ---- screen ----------------------------------------------------------------

POINT screenSize() { return {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}; }

COLORREF screenPixel(int x, int y) {
    HDC dc = GetDC(nullptr);
    COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(nullptr, dc);
    return c;
}

// Copies a screen rectangle into 32-bit top-down rows (BGRA).
static std::vector<std::uint32_t> grab(const RECT& r) {
    int w = r.right - r.left, h = r.bottom - r.top;
    std::vector<std::uint32_t> px;
    if (w <= 0 || h <= 0) return px;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bmp = CreateDIBSection(mem, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bmp) {
        HGDIOBJ old = SelectObject(mem, bmp);
        BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY | CAPTUREBLT);
        GdiFlush();
        px.assign(static_cast<std::uint32_t*>(bits), static_cast<std::uint32_t*>(bits) + size_t(w) * h);
        SelectObject(mem, old);
        DeleteObject(bmp);
    }
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return px;
}

std::vector<COLORREF> screenRegion(const RECT& r) {
    std::vector<COLORREF> out;
    for (std::uint32_t p : grab(r))  // 0x00RRGGBB -> 0x00BBGGRR
        out.push_back(RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF));
    return out;
}

std::wstring saveScreenshot(const RECT& want, const std::wstring& name) {
    POINT s = screenSize();
    RECT r{std::max(want.left, 0L), std::max(want.top, 0L), std::min(want.right, LONG(s.x)),
           std::min(want.bottom, LONG(s.y))};
    auto px = grab(r);
    if (px.empty()) return {};
    int w = r.right - r.left, h = r.bottom - r.top;
    int stride = (w * 3 + 3) & ~3;
    BITMAPFILEHEADER fh{};
    BITMAPINFOHEADER ih{};
    ih.biSize = sizeof ih;
    ih.biWidth = w;
    ih.biHeight = h;  // bottom-up
    ih.biPlanes = 1;
    ih.biBitCount = 24;
    ih.biCompression = BI_RGB;
    ih.biSizeImage = DWORD(stride * h);
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof fh + sizeof ih;
    fh.bfSize = fh.bfOffBits + ih.biSizeImage;
    std::vector<std::uint8_t> data(fh.bfSize);
    memcpy(data.data(), &fh, sizeof fh);
    memcpy(data.data() + sizeof fh, &ih, sizeof ih);
    for (int y = 0; y < h; ++y) {
        std::uint8_t* row = data.data() + fh.bfOffBits + size_t(h - 1 - y) * stride;
        for (int x = 0; x < w; ++x) {
            std::uint32_t p = px[size_t(y) * w + x];
            row[x * 3 + 0] = p & 0xFF;
            row[x * 3 + 1] = (p >> 8) & 0xFF;
            row[x * 3 + 2] = (p >> 16) & 0xFF;
        }
    }
    std::wstring dir = screenshotDir();
    if (dir.empty()) return {};
    createDirectories(dir);
    std::wstring path = dir + L"\\" + name + L".bmp";
    return writeFile(path, data.data(), data.size()) ? path : std::wstring();
}

std::wstring shotName(const std::wstring& what) {
    std::wstring name = L"shot";
    if (auto* t = ::testing::UnitTest::GetInstance()->current_test_info()) {
        std::string n = std::string(t->test_suite_name()) + "." + t->name();
        name.assign(n.begin(), n.end());
        std::replace(name.begin(), name.end(), L'/', L'_');
    }
    return what.empty() ? name : name + L"-" + what;
}

// ---- recording of opened addresses -----------------------------------------

std::vector<std::string> browserLog() {
    std::vector<std::string> lines;
    std::wstring path = browserLogPath();
    if (path.empty()) return lines;
    auto bytes = readFile(path);
    std::string cur;
    for (std::uint8_t b : bytes) {
        if (b == '\n') {
            if (!cur.empty() && cur.back() == '\r') cur.pop_back();
            lines.push_back(cur);
            cur.clear();
        } else {
            cur.push_back(char(b));
        }
    }
    if (!cur.empty()) lines.push_back(cur);
    return lines;
}

void clearBrowserLog() {
    std::wstring path = browserLogPath();
    if (!path.empty()) writeFile(path, "", 0);
}

// ---- files -----------------------------------------------------------------

bool createDirectories(const std::wstring& path) {
    if (path.empty()) return false;
    DWORD a = GetFileAttributesW(path.c_str());
    if (a != INVALID_FILE_ATTRIBUTES) return (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
    std::wstring parent = folderOf(path);
    if (!parent.empty() && parent.back() != L':') createDirectories(parent);
    return CreateDirectoryW(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

bool removeTree(const std::wstring& path) {
    DWORD a = GetFileAttributesW(path.c_str());
    if (a == INVALID_FILE_ATTRIBUTES) return true;
    if (!(a & FILE_ATTRIBUTE_DIRECTORY)) {
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        return DeleteFileW(path.c_str());
    }
    WIN32_FIND_DATAW fd;
    HANDLE f = FindFirstFileW((path + L"\\*").c_str(), &fd);
    if (f != INVALID_HANDLE_VALUE) {
        do {
            std::wstring n = fd.cFileName;
            if (n != L"." && n != L"..") removeTree(path + L"\\" + n);
        } while (FindNextFileW(f, &fd));
        FindClose(f);
    }
    return RemoveDirectoryW(path.c_str());
}

TempDir::TempDir(const std::wstring& name) {
    path_ = name.find(L':') != std::wstring::npos ? name : L"C:\\xy-e2e\\" + name;
    removeTree(path_);
    createDirectories(path_);
}

TempDir::~TempDir() {
    // A program that was just terminated may still hold its file for a moment.
    waitUntil([&] { return removeTree(path_); }, 2000ms);
}

std::vector<std::uint8_t> readFile(const std::wstring& path) {
    std::vector<std::uint8_t> out;
    HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return out;
    LARGE_INTEGER size{};
    if (GetFileSizeEx(f, &size) && size.QuadPart > 0) {
        out.resize(size_t(size.QuadPart));
        DWORD got = 0;
        if (!ReadFile(f, out.data(), DWORD(out.size()), &got, nullptr)) got = 0;
        out.resize(got);
    }
    CloseHandle(f);
    return out;
}

bool writeFile(const std::wstring& path, const void* data, size_t size) {
    HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    DWORD put = 0;
    bool ok = size == 0 || (WriteFile(f, data, DWORD(size), &put, nullptr) && put == size);
    CloseHandle(f);
    return ok;
}

}  // namespace e2e
