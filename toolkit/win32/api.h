// The operations that the program's handlers use from the toolkit.
#pragma once

#include <string>

#include "toolkit/model/definition.h"

namespace xy {

// Loads a window by identity (see the frame). True when loaded or already
// open. In dialog style the call returns once the window has been closed.
bool loadWindow(Id windowId, bool dialogStyle);

// One property of one control of a loaded window, by property number.
// Reading a window or control that is not loaded gives Value::none().
Value readProperty(Id windowId, Id controlId, std::uint16_t number);
void writeProperty(Id windowId, Id controlId, std::uint16_t number, const Value& value);

}  // namespace xy
