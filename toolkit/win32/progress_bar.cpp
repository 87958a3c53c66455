// The progress bar control kind (进度条): the system progress bar. The
// stored minimum, maximum and position may disagree with what the bar can
// show; the bar is given the range from the smaller to the larger of
// minimum and maximum, and the stored position raised to the minimum and
// lowered to the maximum.

#include <windows.h>
#include <commctrl.h>

#include "toolkit/model/property_rules.h"
#include "toolkit/win32/control.h"
#include "toolkit/win32/system_libraries.h"

namespace xy::win32 {
namespace {

namespace pp = prop::progress;

struct FrameStyle {
    DWORD style = 0;
    DWORD exStyle = 0;
};

// Border numbers: 0 none, 1 sunken edge, 2 raised (dialog-frame) edge,
// 3 thin sunken (static) edge, 4 sunken edge inside a raised frame,
// 5 single line.
FrameStyle borderStyle(std::int32_t border) {
    switch (border) {
        case 1: return {0, WS_EX_CLIENTEDGE};
        case 2: return {0, WS_EX_DLGMODALFRAME};
        case 3: return {0, WS_EX_STATICEDGE};
        case 4: return {0, WS_EX_CLIENTEDGE | WS_EX_DLGMODALFRAME};
        case 5: return {WS_BORDER, 0};
        default: return {};
    }
}

DWORD barStyle(const ControlDef& def) {
    DWORD style = borderStyle(intProperty(def, pp::kBorder)).style;
    if (intProperty(def, pp::kSmooth) != 0) style |= PBS_SMOOTH;
    if (intProperty(def, pp::kVertical) != 0) style |= PBS_VERTICAL;
    return style;
}

void setRange(HWND h, const ControlDef& def) {
    const ProgressRange r = progressRange(def);
    SendMessageW(h, PBM_SETRANGE32, WPARAM(r.lower), LPARAM(r.upper));
}

// Hands the bar the position it is to show. A themed bar animates rising
// positions towards the new value, driven by the message loop, so a bar
// that the update check fills would stay behind until the loop runs and
// then creep forward. A falling position is drawn at once; so a rise is
// given as a step past the target and back.
void setShownPosition(HWND h, const ControlDef& def) {
    const std::int32_t pos = progressShownPosition(def);
    const auto shown = std::int32_t(SendMessageW(h, PBM_GETPOS, 0, 0));
    if (pos <= shown) {
        SendMessageW(h, PBM_SETPOS, WPARAM(pos), 0);
        return;
    }
    const ProgressRange r = progressRange(def);
    if (pos < r.upper) {
        SendMessageW(h, PBM_SETPOS, WPARAM(pos + 1), 0);
        SendMessageW(h, PBM_SETPOS, WPARAM(pos), 0);
    } else {
        SendMessageW(h, PBM_SETRANGE32, WPARAM(r.lower), LPARAM(r.upper + 1));
        SendMessageW(h, PBM_SETPOS, WPARAM(r.upper + 1), 0);
        SendMessageW(h, PBM_SETPOS, WPARAM(pos), 0);
        SendMessageW(h, PBM_SETRANGE32, WPARAM(r.lower), LPARAM(r.upper));
    }
}

constexpr UINT_PTR kSubclassId = 0x58595042;  // any number unique to this subclass

// Messages of the user range that another thread may send the bar: those
// with plain numbers. PBM_GETRANGE answers in its result as well, so it is
// answered without the structure its lParam may name: the program never
// asks for it, and from another process that lParam points anywhere in
// this one. Every other message of the range (the common-control ones take
// pointers) is refused when it comes from another thread.
LRESULT CALLBACK barSubclass(HWND h, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
    if (msg == WM_NCDESTROY) {
        syslib::removeWindowSubclass(h, barSubclass, kSubclassId);
    } else if (msg == PBM_GETRANGE) {
        return syslib::defSubclassProc(h, msg, wp, 0);
    } else if (msg >= WM_USER && msg <= 0x7FFF) {
        switch (msg) {
            case PBM_SETRANGE: case PBM_SETPOS: case PBM_DELTAPOS: case PBM_SETSTEP: case PBM_STEPIT:
            case PBM_SETRANGE32: case PBM_GETPOS: case PBM_SETBARCOLOR: case PBM_SETBKCOLOR:
            case PBM_SETMARQUEE: case PBM_GETSTEP: case PBM_GETBKCOLOR: case PBM_GETBARCOLOR:
            case PBM_SETSTATE: case PBM_GETSTATE:
                break;
            default:
                if (InSendMessageEx(nullptr) & (ISMEX_SEND | ISMEX_NOTIFY | ISMEX_CALLBACK)) return 0;
                break;
        }
    }
    return syslib::defSubclassProc(h, msg, wp, lp);
}

HWND createProgressBar(const ControlContext& ctx) {
    const ControlDef& def = *ctx.def;
    const FrameStyle fs = borderStyle(intProperty(def, pp::kBorder));
    syslib::initCommonControls(ICC_PROGRESS_CLASS);
    HWND h = CreateWindowExW(fs.exStyle, PROGRESS_CLASSW, L"", WS_CHILD | WS_CLIPSIBLINGS | barStyle(def),
                             def.rect.left, def.rect.top, def.rect.width, def.rect.height, ctx.parent,
                             reinterpret_cast<HMENU>(UINT_PTR(def.id & 0xFFFF)), ctx.instance, nullptr);
    if (!h) return nullptr;
    if (!syslib::setWindowSubclass(h, barSubclass, kSubclassId, 0)) {
        DestroyWindow(h);
        return nullptr;
    }
    setRange(h, def);
    SendMessageW(h, PBM_SETPOS, WPARAM(progressShownPosition(def)), 0);  // hidden: nothing to animate
    return h;
}

void applyProgressProperty(HWND h, const ControlDef& def, std::uint16_t number) {
    switch (number) {
        case pp::kMinimum:
        case pp::kMaximum:
            // The range only; the bar keeps the position it was given.
            setRange(h, def);
            break;
        case pp::kPosition: setShownPosition(h, def); break;
        case pp::kBorder:
        case pp::kVertical:
        case pp::kSmooth: {
            constexpr DWORD kStyleBits = WS_BORDER | PBS_SMOOTH | PBS_VERTICAL;
            constexpr DWORD kExBits = WS_EX_CLIENTEDGE | WS_EX_DLGMODALFRAME | WS_EX_STATICEDGE;
            const DWORD style = DWORD(GetWindowLongPtrW(h, GWL_STYLE));
            const DWORD ex = DWORD(GetWindowLongPtrW(h, GWL_EXSTYLE));
            SetWindowLongPtrW(h, GWL_STYLE, LONG_PTR((style & ~kStyleBits) | barStyle(def)));
            SetWindowLongPtrW(h, GWL_EXSTYLE,
                              LONG_PTR((ex & ~kExBits) | borderStyle(intProperty(def, pp::kBorder)).exStyle));
            SetWindowPos(h, nullptr, 0, 0, 0, 0,
                         SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
            InvalidateRect(h, nullptr, TRUE);
            break;
        }
        default: break;
    }
}

}  // namespace

const ControlKindOps kProgressBarOps = {createProgressBar, applyProgressProperty};

}  // namespace xy::win32
