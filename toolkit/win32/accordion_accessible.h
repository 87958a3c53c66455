// The accordion menu's accessible object: the IAccessible that the control
// hands out for its client area (WM_GETOBJECT with OBJID_CLIENT). What it
// reports comes from xy::access (toolkit/model/accordion_access.h); this is
// the COM side only: roles, states, screen coordinates, BSTRs and VARIANTs.
#pragma once

#include <windows.h>
#include <oleacc.h>

#include "toolkit/model/accordion.h"

namespace xy::win32 {

// What the accessible object needs from the view that owns it. Called on
// the user-interface thread only, and only until the object is disconnected.
class AccordionHost {
public:
    virtual HWND accessibleWindow() const = 0;
    virtual Accordion& accessibleModel() = 0;
    // Acts on an outcome of the model exactly as the view does after mouse
    // input (redraw, queued events, a slide). The host may be disconnected,
    // and even gone, when this returns.
    virtual void applyAccessibleOutcome(const AccOutcome& o) = 0;

protected:
    ~AccordionHost() = default;
};

// A new accessible object for `host`, holding one reference for the caller.
// nullptr when out of memory.
IAccessible* createAccordionAccessible(AccordionHost& host);

// Cuts the object off from its host, for when the window is destroyed:
// proxies in other processes get RPC_E_DISCONNECTED from then on, and
// callers in this process E_FAIL, whatever references are still out. Drops
// the caller's reference and sets `acc` to nullptr. Does nothing for nullptr.
void disconnectAccordionAccessible(IAccessible*& acc);

// Tells accessibility tools (NotifyWinEvent) what the outcome `o`, already
// applied to `m`, changed: the selection when an item was chosen; the
// header states and the order of the children when another group opened.
void announceAccordionChanges(HWND hwnd, const Accordion& m, const AccOutcome& o);

}  // namespace xy::win32
