#include "toolkit/win32/top_window.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "toolkit/model/placement.h"
#include "toolkit/model/tab_order.h"
#include "toolkit/win32/control.h"
#include "toolkit/win32/frame_win32.h"
#include "toolkit/win32/text.h"

namespace xy::win32 {
namespace {

constexpr wchar_t kClassName[] = L"XyWindow";
constexpr UINT kMsgHandOffActivation = WM_APP + 0x101;
constexpr std::size_t kFirstControlId = 1000;

struct Icons {
    HICON big = nullptr, small = nullptr;
};

// Both windows show the program's own image set: the main window names it,
// and a window without an icon of its own falls back to it.
const Icons& programIcons() {
    static const Icons icons = [] {
        HINSTANCE inst = GetModuleHandleW(nullptr);
        Icons i;
        i.big = static_cast<HICON>(LoadImageW(inst, L"DEFAULT_ICON", IMAGE_ICON, 32, 32, LR_SHARED));
        i.small = static_cast<HICON>(LoadImageW(inst, L"DEFAULT_ICON", IMAGE_ICON, 16, 16, LR_SHARED));
        return i;
    }();
    return icons;
}

const WindowDef* definitionOf(const TopWindow& w) {
    const RegistryEntry* e = frame().registry().find(w.id);
    return e ? &e->current : nullptr;
}

HCURSOR cursorFor(Cursor c) {
    switch (c) {
        case Cursor::Hand: {
            HCURSOR hand = LoadCursorW(nullptr, IDC_HAND);
            return hand ? hand : LoadCursorW(nullptr, IDC_ARROW);
        }
        case Cursor::Arrow: return LoadCursorW(nullptr, IDC_ARROW);
        case Cursor::None: break;
    }
    return nullptr;
}

DWORD styleFor(const WindowSettings& s) {
    DWORD style = WS_CLIPCHILDREN;
    switch (s.border) {
        case BorderStyle::None: style |= WS_POPUP; break;
        case BorderStyle::Sizable:
        case BorderStyle::SizableTool: style |= WS_OVERLAPPED | WS_THICKFRAME; break;
        case BorderStyle::Fixed:
        case BorderStyle::FixedDialog:
        case BorderStyle::FixedTool: style |= WS_OVERLAPPED | WS_BORDER; break;
    }
    // A title bar when there is a title, and when the control box asks for
    // one even without a title.
    if (s.border != BorderStyle::None && (!s.title.empty() || s.controlBox)) style |= WS_CAPTION;
    if (s.controlBox) {
        style |= WS_SYSMENU;
        if (s.minButton) style |= WS_MINIMIZEBOX;
        if (s.maxButton) style |= WS_MAXIMIZEBOX;
    }
    return style;
}

DWORD exStyleFor(const WindowSettings& s) {
    DWORD ex = 0;
    if (s.border == BorderStyle::FixedTool || s.border == BorderStyle::SizableTool) ex |= WS_EX_TOOLWINDOW;
    if (s.border == BorderStyle::FixedDialog) ex |= WS_EX_DLGMODALFRAME;
    if (s.alwaysOnTop) ex |= WS_EX_TOPMOST;
    return ex;
}

const LiveControl* liveControl(const TopWindow& w, HWND child) {
    for (const LiveControl& c : w.controls)
        if (c.hwnd == child) return &c;
    return nullptr;
}

// Sends a child's notification back to the child.
bool reflect(TopWindow& w, HWND child, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    if (!child || !liveControl(w, child)) return false;
    result = SendMessageW(child, kReflectBase + msg, wp, lp);
    return true;
}

void handOffFocus(TopWindow& w) {
    const WindowDef* def = definitionOf(w);
    HWND target = w.lastFocus;
    if (!target || !IsWindow(target) || !IsChild(w.hwnd, target) || !IsWindowVisible(target) ||
        !IsWindowEnabled(target))
        target = def ? nextTabStop(w, *def, nullptr, false) : nullptr;
    if (target) SetFocus(target);
}

void handOffActivation() {
    const RegistryEntry* e = frame().registry().find(frame().awaited());
    HWND modal = e ? reinterpret_cast<HWND>(e->open) : nullptr;
    if (modal && IsWindow(modal) && IsWindowEnabled(modal)) {
        if (IsIconic(modal)) ShowWindow(modal, SW_RESTORE);
        SetForegroundWindow(modal);
        SetActiveWindow(modal);
    }
}

LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* w = static_cast<TopWindow*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
        w->hwnd = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(w));
        return DefWindowProcW(hwnd, msg, wp, lp);
    }
    TopWindow* w = topWindowOf(hwnd);
    if (!w) return DefWindowProcW(hwnd, msg, wp, lp);

    LRESULT r = 0;
    switch (msg) {
        case WM_CLOSE:
            frame().closeRequest(reinterpret_cast<WindowHandle>(hwnd));
            return 0;
        case WM_DESTROY:
            if (w->helpOpened) {
                const WindowDef* def = definitionOf(*w);
                if (def) WinHelpW(hwnd, wide(def->settings.helpFile).c_str(), HELP_QUIT, 0);
            }
            break;
        case WM_NCDESTROY: {
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
            frame().windowGone(reinterpret_cast<WindowHandle>(hwnd));
            if (w->background) DeleteObject(w->background);
            delete w;
            return DefWindowProcW(hwnd, msg, wp, lp);
        }
        case WM_ERASEBKGND: {
            RECT rc;
            GetClientRect(hwnd, &rc);
            FillRect(reinterpret_cast<HDC>(wp), &rc, w->background ? w->background : GetSysColorBrush(COLOR_BTNFACE));
            return 1;
        }
        case WM_SETCURSOR:
            if (reinterpret_cast<HWND>(wp) == hwnd && LOWORD(lp) == HTCLIENT && w->cursor) {
                SetCursor(w->cursor);
                return TRUE;
            }
            break;
        case WM_SETFOCUS:
            handOffFocus(*w);
            return 0;
        case WM_ACTIVATE:
            if (LOWORD(wp) == WA_INACTIVE) {
                HWND f = GetFocus();
                if (f && IsChild(hwnd, f)) w->lastFocus = f;
            } else if (!IsWindowEnabled(hwnd)) {
                // Disabled for a modal window: that window takes the activation.
                PostMessageW(hwnd, kMsgHandOffActivation, 0, 0);
            }
            break;
        case kMsgHandOffActivation:
            if (!IsWindowEnabled(hwnd)) handOffActivation();
            return 0;
        case WM_SYSCOMMAND: {
            const WindowDef* def = definitionOf(*w);
            const UINT cmd = UINT(wp & 0xFFF0);
            if (def) {
                const WindowSettings& s = def->settings;
                const bool sizable = s.border == BorderStyle::Sizable || s.border == BorderStyle::SizableTool;
                // Commands the window's frame does not offer are refused,
                // whoever sends them.
                if ((cmd == SC_MAXIMIZE && !s.maxButton) || (cmd == SC_MINIMIZE && !s.minButton) ||
                    (cmd == SC_SIZE && !sizable) || (cmd == SC_MOVE && !s.movable))
                    return 0;
            }
            break;
        }
        case WM_GETMINMAXINFO: {
            // The system's track limits (the screen size, a minimum frame)
            // must not change the outer size that the definition gives.
            const WindowDef* def = definitionOf(*w);
            auto* mmi = reinterpret_cast<MINMAXINFO*>(lp);
            if (def && mmi) {
                mmi->ptMaxTrackSize.x = std::max<LONG>(mmi->ptMaxTrackSize.x, def->rect.width);
                mmi->ptMaxTrackSize.y = std::max<LONG>(mmi->ptMaxTrackSize.y, def->rect.height);
                mmi->ptMinTrackSize.x = std::min<LONG>(mmi->ptMinTrackSize.x, def->rect.width);
                mmi->ptMinTrackSize.y = std::min<LONG>(mmi->ptMinTrackSize.y, def->rect.height);
            }
            return 0;
        }
        case WM_NCLBUTTONDBLCLK: {
            const WindowDef* def = definitionOf(*w);
            if (wp == HTCAPTION && def && !def->settings.maxButton) return 0;
            break;
        }
        case WM_COMMAND:
            if (lp && reflect(*w, reinterpret_cast<HWND>(lp), msg, wp, lp, r)) return 0;
            break;
        case WM_NOTIFY: {
            const auto* hdr = reinterpret_cast<const NMHDR*>(lp);
            if (hdr && reflect(*w, hdr->hwndFrom, msg, wp, lp, r)) return r;
            break;
        }
        case WM_DRAWITEM: {
            const auto* dis = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
            if (dis && reflect(*w, dis->hwndItem, msg, wp, lp, r)) return r;
            break;
        }
        case WM_HSCROLL:
        case WM_VSCROLL:
            if (lp && reflect(*w, reinterpret_cast<HWND>(lp), msg, wp, lp, r)) return r;
            break;
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORSCROLLBAR:
            if (reflect(*w, reinterpret_cast<HWND>(lp), msg, wp, lp, r) && r) return r;
            break;
        default: break;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

bool registerClass(HINSTANCE inst) {
    static bool registered = false;
    if (registered) return true;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = windowProc;
    wc.hInstance = inst;
    wc.hIcon = programIcons().big;
    wc.hIconSm = programIcons().small;
    wc.lpszClassName = kClassName;
    registered = RegisterClassExW(&wc) != 0;
    return registered;
}

}  // namespace

TopWindow* topWindowOf(HWND hwnd) {
    if (!hwnd) return nullptr;
    wchar_t cls[16];
    if (GetClassNameW(hwnd, cls, 16) == 0 || lstrcmpW(cls, kClassName) != 0) return nullptr;
    if (GetWindowThreadProcessId(hwnd, nullptr) != GetCurrentThreadId()) return nullptr;
    return reinterpret_cast<TopWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

TopWindow* holdingTopWindow(HWND hwnd) {
    for (HWND h = hwnd; h; h = GetParent(h)) {
        if (TopWindow* w = topWindowOf(h)) return w;
        if (!(GetWindowLongW(h, GWL_STYLE) & WS_CHILD)) break;
    }
    return nullptr;
}

HWND nextTabStop(const TopWindow& w, const WindowDef& def, HWND from, bool backwards) {
    const std::size_t n = std::min(w.controls.size(), def.controls.size());
    std::vector<TabCandidate> candidates(n);
    std::optional<std::size_t> current;
    for (std::size_t i = 0; i < n; ++i) {
        HWND h = w.controls[i].hwnd;
        candidates[i] = {def.controls[i].tabOrder, def.controls[i].tabStop && IsWindowVisible(h) && IsWindowEnabled(h)};
        if (from && h == from) current = i;
    }
    const auto next = xy::nextTabStop(candidates, current, backwards);
    return next ? w.controls[*next].hwnd : nullptr;
}

void setWindowIcons(HWND hwnd) {
    const Icons& icons = programIcons();
    if (icons.big) SendMessageW(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icons.big));
    if (icons.small) SendMessageW(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icons.small));
}

HWND createTopWindow(const WindowDef& def, HWND owner) {
    HINSTANCE inst = GetModuleHandleW(nullptr);
    if (!registerClass(inst)) return nullptr;

    const WindowSettings& s = def.settings;
    Point at{def.rect.left, def.rect.top};
    if (s.startPosition == StartPosition::Centred)
        at = centredOrigin(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), def.rect.width,
                           def.rect.height);

    auto* w = new TopWindow;
    w->id = def.id;
    w->cursor = cursorFor(def.cursor);
    if (s.background != kSystemDefaultColor) w->background = CreateSolidBrush(gdiColor(s.background));

    HWND hwnd = CreateWindowExW(exStyleFor(s), kClassName, wide(s.title).c_str(), styleFor(s), at.x, at.y,
                                def.rect.width, def.rect.height, owner, nullptr, inst, w);
    if (!hwnd) {
        if (w->background) DeleteObject(w->background);
        delete w;
        return nullptr;
    }

    // The outer size is the definition's whatever the frame metrics.
    RECT rc;
    GetWindowRect(hwnd, &rc);
    if (rc.left != at.x || rc.top != at.y || rc.right - rc.left != def.rect.width ||
        rc.bottom - rc.top != def.rect.height)
        SetWindowPos(hwnd, nullptr, at.x, at.y, def.rect.width, def.rect.height,
                     SWP_NOZORDER | SWP_NOACTIVATE);

    HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);

    HWND above = HWND_TOP;
    for (std::size_t i = 0; i < def.controls.size(); ++i) {
        const ControlDef& c = def.controls[i];
        const ControlKindOps* ops = controlKindOps(c.kind);
        HWND child = nullptr;
        if (ops && ops->create) {
            ControlContext ctx{hwnd, inst, font, def.id, &c};
            child = ops->create(ctx);
        }
        if (!child) {
            DestroyWindow(hwnd);
            return nullptr;
        }
        // Numbered clear of IDOK, IDCANCEL and the other dialog command ids.
        SetWindowLongPtrW(child, GWLP_ID, LONG_PTR(kFirstControlId + i));
        if (c.disabled) EnableWindow(child, FALSE);
        // Stacking follows the definition: the first control is topmost.
        SetWindowPos(child, above, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOREDRAW);
        above = child;
        w->controls.push_back({child, c.id, c.kind});
    }
    return hwnd;
}

}  // namespace xy::win32
