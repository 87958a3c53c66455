// Event handlers of the update window, bound by name in its definition
// (handler_names::kUpdateCheck, kUpdateTimer, kLabelFeedback).
#pragma once

#include "toolkit/model/definition.h"

// 按钮1 click: runs the update check; blocks the event loop about 950 ms.
xy::HandlerResult onUpdateCheck(const xy::EventArgs&);

// 时钟1 tick: nothing to do.
xy::HandlerResult onUpdateTimerTick(const xy::EventArgs&);

// 标签2 feedback (wParam, lParam): nothing to do and no result, so the
// message is answered with 0.
xy::HandlerResult onLabelFeedback(const xy::EventArgs&);
