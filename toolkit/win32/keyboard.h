// The keyboard rules that a top-level window applies to a key press aimed
// at it or at one of its controls, before the control sees it.
#pragma once

#include <windows.h>

namespace xy::win32 {

// True when a rule took the key; the message is then not dispatched.
bool preprocessKey(const MSG& msg);

}  // namespace xy::win32
