// Top-level windows of the toolkit: created from a window definition, with
// their controls, keyboard rules and focus hand-off.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "toolkit/model/definition.h"

namespace xy::win32 {

struct LiveControl {
    HWND hwnd = nullptr;
    Id id = 0;
    ControlKind kind = ControlKind::Label;
};

// What a live top-level window keeps beside its definition.
struct TopWindow {
    Id id = 0;
    HWND hwnd = nullptr;
    HWND lastFocus = nullptr;
    HCURSOR cursor = nullptr;
    HBRUSH background = nullptr;  // null: the button-face system brush
    bool helpOpened = false;
    std::vector<LiveControl> controls;  // in stacking order
};

// Creates the window and its controls, hidden; nullptr on failure. Its
// class carries the program's icons.
HWND createTopWindow(const WindowDef& def, HWND owner);
// Gives the window the program's large and small icons as its own (what
// WM_GETICON answers); the same images its class shows.
void setWindowIcons(HWND hwnd);

// The toolkit's data of one of its top-level windows, or nullptr.
TopWindow* topWindowOf(HWND hwnd);

// The toolkit's top-level window that holds hwnd (hwnd itself, or the
// window whose control it is), or nullptr.
TopWindow* holdingTopWindow(HWND hwnd);

// The visible, enabled tab-stop control that comes after (or before)
// `from` in tab order, wrapping around; from may be null.
HWND nextTabStop(const TopWindow& w, const WindowDef& def, HWND from, bool backwards);

}  // namespace xy::win32
