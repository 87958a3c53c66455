// The frame's rules on Win32: the message queue, window creation and state,
// and the operations that handlers call.
#include "toolkit/win32/frame_win32.h"

#include <commctrl.h>

#include "toolkit/win32/api.h"
#include "toolkit/win32/control.h"
#include "toolkit/win32/keyboard.h"
#include "toolkit/win32/top_window.h"

namespace xy::win32 {
namespace {

HWND hwndOf(WindowHandle h) { return reinterpret_cast<HWND>(h); }
WindowHandle handleOf(HWND h) { return reinterpret_cast<WindowHandle>(h); }

class Win32WindowSystem final : public WindowSystem {
public:
    WindowHandle create(const WindowDef& current, WindowHandle owner) override {
        return handleOf(createTopWindow(current, hwndOf(owner)));
    }
    WindowHandle hiddenOwner() override { return handleOf(hiddenOwnerWindow()); }

    void showControls(WindowHandle w, const WindowDef& current) override {
        TopWindow* t = topWindowOf(hwndOf(w));
        if (!t) return;
        for (std::size_t i = 0; i < t->controls.size() && i < current.controls.size(); ++i) {
            const LiveControl& c = t->controls[i];
            if (c.kind == ControlKind::Timer) continue;  // a timer is never shown
            ShowWindow(c.hwnd, current.controls[i].visible ? SW_SHOWNA : SW_HIDE);
        }
    }
    void show(WindowHandle w, StartPosition how) override {
        const int cmd = how == StartPosition::Maximised   ? SW_SHOWMAXIMIZED
                        : how == StartPosition::Minimised ? SW_SHOWMINIMIZED
                                                          : SW_SHOWNORMAL;
        ShowWindow(hwndOf(w), cmd);
        UpdateWindow(hwndOf(w));
        // After the first paint, which they would only delay: until now the
        // window class showed the very same icons.
        setWindowIcons(hwndOf(w));
    }
    bool isMinimised(WindowHandle w) override { return IsIconic(hwndOf(w)); }
    void restore(WindowHandle w) override { ShowWindow(hwndOf(w), SW_RESTORE); }
    void activate(WindowHandle w) override {
        SetForegroundWindow(hwndOf(w));
        SetActiveWindow(hwndOf(w));
    }
    bool isEnabled(WindowHandle w) override { return IsWindowEnabled(hwndOf(w)); }
    void setEnabled(WindowHandle w, bool enabled) override { EnableWindow(hwndOf(w), enabled); }
    bool exists(WindowHandle w) override { return IsWindow(hwndOf(w)); }
    bool isUnownedTopLevel(WindowHandle w) override {
        HWND h = hwndOf(w);
        return IsWindow(h) && !(GetWindowLongW(h, GWL_STYLE) & WS_CHILD) && !GetWindow(h, GW_OWNER);
    }
    void destroy(WindowHandle w) override { DestroyWindow(hwndOf(w)); }

    void applyProperty(WindowHandle w, const ControlDef& c, std::uint16_t number) override {
        TopWindow* t = topWindowOf(hwndOf(w));
        if (!t) return;
        HWND h = nullptr;
        for (const LiveControl& lc : t->controls)
            if (lc.id == c.id) h = lc.hwnd;
        if (!h) return;
        switch (number) {
            case prop::kLeft:
            case prop::kTop:
            case prop::kWidth:
            case prop::kHeight:
                SetWindowPos(h, nullptr, c.rect.left, c.rect.top, c.rect.width, c.rect.height,
                             SWP_NOZORDER | SWP_NOACTIVATE);
                break;
            case prop::kVisible:
                if (c.kind != ControlKind::Timer) ShowWindow(h, c.visible ? SW_SHOWNA : SW_HIDE);
                break;
            case prop::kDisabled: EnableWindow(h, !c.disabled); break;
            case prop::kTag:
            case prop::kCursor: break;  // kept in the settings; read when needed
            default:
                if (const ControlKindOps* ops = controlKindOps(c.kind); ops && ops->applyProperty)
                    ops->applyProperty(h, c, number);
                break;
        }
    }

    bool queueEmpty() override {
        MSG m;
        return !PeekMessageW(&m, nullptr, 0, 0, PM_NOREMOVE);
    }
    bool idleWork() override { return false; }  // the toolkit keeps no idle work
    void waitMessage() override { WaitMessage(); }
    bool nextIsQuit() override {
        MSG m;
        return PeekMessageW(&m, nullptr, 0, 0, PM_NOREMOVE) && m.message == WM_QUIT;
    }
    bool takeAndDispatch(int& quitCode) override {
        MSG m;
        if (!PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) return false;
        if (m.message == WM_QUIT) {
            quitCode = int(m.wParam);
            return true;
        }
        dispatchMessage(m);
        return false;
    }
    void postQuit(int exitCode) override { PostQuitMessage(exitCode); }
};

// Every message loop of the thread (ours, the message box's, the menu's)
// shows each posted message to this hook before dispatching it, so here the
// program refuses what only another process can have posted:
// - a timer message whose lParam names a callback that does not lie in the
//   code of a loaded module. Dispatching it would call that address; the
//   program's timers have no callbacks, and the system does not always check
//   that a callback was registered.
// - a message of the user range (WM_USER..0x7FFF) to one of the system's
//   controls (tooltip, progress bar, button). The program sends the few it
//   uses and posts none, and these controls take many of theirs as pointers:
//   a number from another process would be read or written as memory here.
constexpr UINT kSystemTimer = 0x0118;  // WM_SYSTIMER

bool isModuleCode(LPARAM address) {
    MEMORY_BASIC_INFORMATION mbi{};
    if (!VirtualQuery(reinterpret_cast<const void*>(address), &mbi, sizeof mbi)) return false;
    constexpr DWORD kExecutable = PAGE_EXECUTE | PAGE_EXECUTE_READ | PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
    return mbi.State == MEM_COMMIT && mbi.Type == MEM_IMAGE && (mbi.Protect & kExecutable) && !(mbi.Protect & PAGE_GUARD);
}

bool isSystemControl(HWND w) {
    wchar_t cls[32];
    if (!w || GetClassNameW(w, cls, 32) == 0) return false;
    return lstrcmpiW(cls, TOOLTIPS_CLASSW) == 0 || lstrcmpiW(cls, PROGRESS_CLASSW) == 0 || lstrcmpiW(cls, L"Button") == 0;
}

LRESULT CALLBACK screenPostedMessages(int code, WPARAM wp, LPARAM lp) {
    if (code == HC_ACTION && wp == PM_REMOVE) {
        auto* m = reinterpret_cast<MSG*>(lp);
        if ((m->message == WM_TIMER || m->message == kSystemTimer) && m->lParam && !isModuleCode(m->lParam))
            m->message = WM_NULL;
        else if (m->message >= WM_USER && m->message <= 0x7FFF && isSystemControl(m->hwnd))
            m->message = WM_NULL;
    }
    return CallNextHookEx(nullptr, code, wp, lp);
}

Win32WindowSystem& windowSystem() {
    static Win32WindowSystem ws;
    static const HHOOK hook = SetWindowsHookExW(WH_GETMESSAGE, screenPostedMessages, nullptr, GetCurrentThreadId());
    static_cast<void>(hook);  // lives as long as the thread
    return ws;
}

}  // namespace

Frame& frame() {
    static Frame f(windowSystem());
    return f;
}

void dispatchMessage(MSG& msg) {
    if (preprocessKey(msg)) return;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
}

HandlerResult fireEvent(Id windowId, Id controlId, std::uint16_t event, EventArgs args) {
    return frame().fire(windowId, controlId, event, args);
}

}  // namespace xy::win32

namespace xy {

bool loadWindow(Id windowId, bool dialogStyle) { return win32::frame().loadWindow(windowId, dialogStyle); }

Value readProperty(Id windowId, Id controlId, std::uint16_t number) {
    return win32::frame().readProperty(windowId, controlId, number);
}

void writeProperty(Id windowId, Id controlId, std::uint16_t number, const Value& value) {
    win32::frame().writeProperty(windowId, controlId, number, value);
}

}  // namespace xy
