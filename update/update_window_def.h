// The update window: version texts, the 检查更新 button, a thin progress
// bar and the (at first empty) result label. Loaded in dialog style from
// the site menu's item 更新.
#pragma once

#include "app/ids.h"
#include "toolkit/model/definition.h"

namespace xy::update_def {

inline constexpr std::int32_t kGrey = std::int32_t(rgb(128, 128, 128));
inline constexpr std::int32_t kWhite = std::int32_t(rgb(255, 255, 255));
inline constexpr std::int32_t kBlack = std::int32_t(rgb(0, 0, 0));
inline constexpr std::int32_t kSysDefault = std::int32_t(kSystemDefaultColor);

// Every stored own setting of a label; the three labels differ only in
// their caption.
constexpr ControlDef label(Id id, const char* name, Rect rect, const char* caption) {
    namespace p = prop::label;
    ControlDef c;
    c.id = id;
    c.kind = ControlKind::Label;
    c.name = name;
    c.rect = rect;
    c.props = {
        {p::kCaption, Value::str(caption)},
        {p::kTextEffect, Value::integer(0)},
        {p::kBorder, Value::integer(0)},
        {p::kGradientBorderWidth, Value::integer(8)},
        {p::kGradientBorderColor1, Value::integer(kGrey)},
        {p::kGradientBorderColor2, Value::integer(kWhite)},
        {p::kGradientBorderColor3, Value::integer(kGrey)},
        {p::kFont, Value::none()},
        {p::kTextColor, Value::integer(kBlack)},
        {p::kBackColor, Value::integer(kSysDefault)},
        {p::kBackPicture, Value::none()},
        {p::kPictureMode, Value::integer(1)},
        {p::kGradientBackMode, Value::integer(0)},
        {p::kGradientBackColor1, Value::integer(kGrey)},
        {p::kGradientBackColor2, Value::integer(kWhite)},
        {p::kGradientBackColor3, Value::integer(kGrey)},
        {p::kHAlign, Value::integer(0)},
        {p::kWordWrap, Value::integer(0)},
        {p::kVAlign, Value::integer(1)},
        {p::kDataSource, Value::str("")},
        {p::kDataColumn, Value::str("")},
    };
    return c;
}

}  // namespace xy::update_def

namespace xy {

constexpr WindowDef updateWindowDefinition() {
    WindowDef w;
    w.id = ids::kUpdateWindow;
    w.name = "";
    w.rect = {50, 50, 190, 185};
    w.visible = true;
    w.disabled = false;
    w.cursor = Cursor::None;
    w.tag = "";

    WindowSettings& s = w.settings;
    s.title = "";
    s.border = BorderStyle::Fixed;
    s.background = kSystemDefaultColor;
    s.backgroundPicture = "";
    s.pictureLayout = 0;  // tile
    s.backgroundSound = "";
    s.soundRepeat = 0;
    s.controlBox = true;
    s.maxButton = false;
    s.minButton = true;
    s.startPosition = StartPosition::Centred;
    s.movable = true;
    s.icon = IconSet::None;  // falls back to the program's own icon
    s.enterMovesFocus = false;
    s.escCloses = true;
    s.f1OpensHelp = false;
    s.helpFile = "";
    s.helpContext = 0;
    s.showInTaskbar = true;
    s.dragAnywhere = false;
    s.shape = 0;
    s.alwaysOnTop = false;
    s.keepTitleActive = false;
    s.className = "";

    // In stacking order, topmost first.
    ControlDef timer;
    timer.id = ids::kTimer1;
    timer.kind = ControlKind::Timer;
    timer.name = "时钟1";
    timer.rect = {144, 120, 16, 16};
    timer.visible = false;
    timer.tabOrder = 1;
    timer.props = {{prop::timer::kInterval, Value::integer(1000)}};
    timer.bindings = {Binding{event::kTick, handler_names::kUpdateTimer}};

    ControlDef bar;
    bar.id = ids::kProgressBar1;
    bar.kind = ControlKind::ProgressBar;
    bar.name = "进度条1";
    bar.rect = {8, 144, 168, 8};
    bar.tabOrder = 2;
    {
        namespace p = prop::progress;
        bar.props = {
            {p::kBorder, Value::integer(3)},   // thin sunken (static) edge
            {p::kVertical, Value::integer(0)},
            {p::kSmooth, Value::integer(1)},
            {p::kMinimum, Value::integer(0)},
            {p::kMaximum, Value::integer(100)},
            {p::kPosition, Value::integer(0)},
        };
    }

    ControlDef button;
    button.id = ids::kButton1;
    button.kind = ControlKind::Button;
    button.name = "按钮1";
    button.rect = {136, 24, 40, 64};
    button.tabStop = true;
    button.tabOrder = 0;
    {
        namespace p = prop::button;
        button.props = {
            {p::kPicture, Value::none()},
            {p::kType, Value::integer(0)},  // ordinary push button
            {p::kCaption, Value::str("检查更新")},
            {p::kHAlign, Value::integer(1)},
            {p::kVAlign, Value::integer(1)},
            {p::kFont, Value::none()},
        };
    }
    button.bindings = {Binding{event::kClick, handler_names::kUpdateCheck}};

    ControlDef label3 = update_def::label(ids::kLabel3, "标签3", {19, 80, 101, 24}, "");
    label3.tabOrder = 3;
    ControlDef label2 = update_def::label(ids::kLabel2, "标签2", {73, 32, 56, 32}, "V1.0.0");
    label2.tabOrder = 4;
    label2.bindings = {Binding{event::kFeedback, handler_names::kLabelFeedback}};
    ControlDef label1 = update_def::label(ids::kLabel1, "标签1", {16, 32, 56, 32}, "当前版本:");
    label1.tabOrder = 5;

    w.controls = {timer, bar, button, label3, label2, label1};
    return w;
}

}  // namespace xy
