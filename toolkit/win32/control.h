// What a control kind of the toolkit provides to the window that holds it,
// and what a control may ask of the frame.
#pragma once

#include <windows.h>

#include "toolkit/model/definition.h"

namespace xy::win32 {

// Everything a control kind needs to create its window.
struct ControlContext {
    HWND parent = nullptr;         // the window's client area
    HINSTANCE instance = nullptr;
    HFONT defaultFont = nullptr;   // the system's default GUI font
    Id windowId = 0;               // identity of the holding window
    const ControlDef* def = nullptr;  // the control's current settings
};

struct ControlKindOps {
    // Creates the control's window as a child of ctx.parent at def->rect,
    // hidden (the frame shows the visible ones afterwards). nullptr on failure.
    HWND (*create)(const ControlContext& ctx);
    // Makes the live control show a kind-own property (number >= 8) that
    // was just written into *def. May be null when the kind has none.
    void (*applyProperty)(HWND control, const ControlDef& def, std::uint16_t number);
};

// The ops of a kind, or nullptr for a kind without a Win32 side.
const ControlKindOps* controlKindOps(ControlKind kind);

// Calls the handler bound to (window, control, event), synchronously, on the
// calling (user-interface) thread. Unbound events return kNoResult.
HandlerResult fireEvent(Id windowId, Id controlId, std::uint16_t event, EventArgs args);

}  // namespace xy::win32

namespace xy::win32 {
// One per control kind, each defined in the kind's own file.
extern const ControlKindOps kAccordionOps;
extern const ControlKindOps kLabelOps;
extern const ControlKindOps kButtonOps;
extern const ControlKindOps kProgressBarOps;
extern const ControlKindOps kTimerOps;
}  // namespace xy::win32

namespace xy::win32 {
// A top-level window reflects the notifications that its child controls
// send it (WM_COMMAND, WM_NOTIFY, WM_CTLCOLOR*, WM_DRAWITEM, WM_HSCROLL,
// WM_VSCROLL) back to the control that sent them, as kReflectBase + msg
// with the same wParam and lParam. A control kind that cares subclasses or
// handles these; the window uses the result where the message has one
// (0 from a WM_CTLCOLOR* reflection means "use the default").
inline constexpr UINT kReflectBase = WM_USER + 0x1C00;
}  // namespace xy::win32
