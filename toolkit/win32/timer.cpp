// The timer control kind (时钟): a child window of our own class that is
// never shown and draws nothing; it owns a system timer that raises the
// tick event every interval milliseconds (interval 0 or less: stopped) from
// its creation until its destruction.

#include <windows.h>

#include "toolkit/model/property_rules.h"
#include "toolkit/win32/control.h"

namespace xy::win32 {
namespace {

constexpr wchar_t kClassName[] = L"XyTimer";
constexpr UINT_PTR kTimerId = 1;

struct TimerState {
    Id windowId = 0;
    Id controlId = 0;
};

TimerState* stateOf(HWND h) { return reinterpret_cast<TimerState*>(GetWindowLongPtrW(h, GWLP_USERDATA)); }

void restart(HWND h, std::int32_t interval) {
    KillTimer(h, kTimerId);
    if (interval > 0) SetTimer(h, kTimerId, UINT(interval), nullptr);
}

LRESULT CALLBACK timerProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_NCCREATE: {
            const auto* ctx = static_cast<const ControlContext*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
            SetWindowLongPtrW(h, GWLP_USERDATA,
                              reinterpret_cast<LONG_PTR>(new TimerState{ctx->windowId, ctx->def->id}));
            break;
        }
        case WM_NCDESTROY:
            delete stateOf(h);
            SetWindowLongPtrW(h, GWLP_USERDATA, 0);
            break;
        case WM_DESTROY: KillTimer(h, kTimerId); return 0;
        case WM_TIMER:
            if (wp == kTimerId) {
                if (TimerState* s = stateOf(h)) fireEvent(s->windowId, s->controlId, event::kTick, {});
                return 0;
            }
            break;
        case WM_WINDOWPOSCHANGING:
            // Never shown, whatever the visible setting says.
            reinterpret_cast<WINDOWPOS*>(lp)->flags &= ~UINT(SWP_SHOWWINDOW);
            return 0;
        case WM_NCHITTEST: return HTTRANSPARENT;
        case WM_ERASEBKGND: return 1;
        case WM_PAINT: ValidateRect(h, nullptr); return 0;
        default: break;
    }
    return DefWindowProcW(h, msg, wp, lp);
}

bool registerClass(HINSTANCE instance) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    if (GetClassInfoExW(instance, kClassName, &wc)) return true;
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = timerProc;
    wc.hInstance = instance;
    wc.lpszClassName = kClassName;
    return RegisterClassExW(&wc) != 0;
}

HWND createTimer(const ControlContext& ctx) {
    const ControlDef& def = *ctx.def;
    if (!registerClass(ctx.instance)) return nullptr;
    HWND h = CreateWindowExW(0, kClassName, L"", WS_CHILD, def.rect.left, def.rect.top, def.rect.width,
                             def.rect.height, ctx.parent, reinterpret_cast<HMENU>(UINT_PTR(def.id & 0xFFFF)),
                             ctx.instance, const_cast<ControlContext*>(&ctx));
    if (h) restart(h, intProperty(def, prop::timer::kInterval));
    return h;
}

void applyTimerProperty(HWND h, const ControlDef& def, std::uint16_t number) {
    if (number == prop::timer::kInterval) restart(h, intProperty(def, prop::timer::kInterval));
}

}  // namespace

const ControlKindOps kTimerOps = {createTimer, applyTimerProperty};

}  // namespace xy::win32
