// Identities of the program's windows and controls.
#pragma once

#include "toolkit/model/definition.h"

namespace xy::ids {
inline constexpr Id kMainWindow = 0x00010001;
inline constexpr Id kSiteMenu = 0x00020001;      // 卷帘式菜单1

inline constexpr Id kUpdateWindow = 0x00010002;
inline constexpr Id kTimer1 = 0x00020101;        // 时钟1
inline constexpr Id kProgressBar1 = 0x00020102;  // 进度条1
inline constexpr Id kButton1 = 0x00020103;       // 按钮1
inline constexpr Id kLabel3 = 0x00020104;        // 标签3
inline constexpr Id kLabel2 = 0x00020105;        // 标签2
inline constexpr Id kLabel1 = 0x00020106;        // 标签1
}  // namespace xy::ids

// Names by which the definitions bind events to handlers.
namespace xy::handler_names {
inline constexpr const char* kItemChosen = "site_actions.item_chosen";
inline constexpr const char* kUpdateCheck = "update.check";
inline constexpr const char* kUpdateTimer = "update.timer_tick";
inline constexpr const char* kLabelFeedback = "update.label_feedback";
}  // namespace xy::handler_names
