// The Win32 side of the frame: the window system the frame's rules run on,
// the one frame of the process, and the start and end of the program.
#pragma once

#include <windows.h>

#include <cstdint>
#include <span>
#include <string_view>

#include "toolkit/model/frame.h"

namespace xy::win32 {

// The frame of this process.
Frame& frame();

// Start-up pieces, in the order the program entry calls them.
void setCurrentDirectoryToProgramFolder();
void createHiddenOwner(HINSTANCE instance);
HWND hiddenOwnerWindow();
void resetFloatingPoint();

// The window definitions block carried in the program image (empty when the
// image has none).
std::span<const std::uint8_t> templateSection();

// Ending: the registry emptied and the exit hooks run, then what start-up
// acquired released; the process exits with the code.
[[noreturn]] void endProgram(int exitCode);

// Reports through the runtime error box and ends with exit code -1; the
// exit hooks do not run.
[[noreturn]] void runtimeError(std::string_view message, std::int32_t code = 0);

// Pre-processes (keyboard rules) and dispatches one message; for loops of
// controls that handle pending messages themselves.
void dispatchMessage(MSG& msg);

}  // namespace xy::win32
