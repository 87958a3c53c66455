#include "update/update_window_def.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/ids.h"
#include "toolkit/model/property_rules.h"

namespace xy {
namespace {

// Built at compile time, like every window definition.
constexpr bool kBuildsAtCompileTime = [] {
    const WindowDef w = updateWindowDefinition();
    return w.controls.size() == 6 && w.rect.width == 190;
}();
static_assert(kBuildsAtCompileTime);

TEST(UpdateWindowDefinition, WindowAndSettings) {
    const WindowDef w = updateWindowDefinition();
    EXPECT_EQ(w.id, ids::kUpdateWindow);
    EXPECT_EQ(w.name, "");
    EXPECT_EQ(w.rect, (Rect{50, 50, 190, 185}));
    EXPECT_TRUE(w.visible);
    EXPECT_FALSE(w.disabled);

    WindowSettings expected;
    expected.title = "";
    expected.border = BorderStyle::Fixed;
    expected.background = kSystemDefaultColor;
    expected.pictureLayout = 0;
    expected.soundRepeat = 0;
    expected.controlBox = true;
    expected.maxButton = false;
    expected.minButton = true;
    expected.startPosition = StartPosition::Centred;
    expected.movable = true;
    expected.icon = IconSet::None;
    expected.enterMovesFocus = false;
    expected.escCloses = true;
    expected.f1OpensHelp = false;
    expected.helpFile = "";
    expected.helpContext = 0;
    expected.showInTaskbar = true;
    expected.dragAnywhere = false;
    expected.shape = 0;
    expected.alwaysOnTop = false;
    expected.keepTitleActive = false;
    expected.className = "";
    EXPECT_EQ(w.settings, expected);
}

TEST(UpdateWindowDefinition, ControlsInStackingOrder) {
    struct Row {
        Id id;
        ControlKind kind;
        const char* name;
        Rect rect;
        bool visible, disabled, tabStop;
    };
    const Row rows[] = {
        {ids::kTimer1, ControlKind::Timer, "时钟1", {144, 120, 16, 16}, false, false, false},
        {ids::kProgressBar1, ControlKind::ProgressBar, "进度条1", {8, 144, 168, 8}, true, false, false},
        {ids::kButton1, ControlKind::Button, "按钮1", {136, 24, 40, 64}, true, false, true},
        {ids::kLabel3, ControlKind::Label, "标签3", {19, 80, 101, 24}, true, false, false},
        {ids::kLabel2, ControlKind::Label, "标签2", {73, 32, 56, 32}, true, false, false},
        {ids::kLabel1, ControlKind::Label, "标签1", {16, 32, 56, 32}, true, false, false},
    };
    const WindowDef w = updateWindowDefinition();
    ASSERT_EQ(w.controls.size(), std::size(rows));
    std::vector<std::int32_t> orders;
    for (std::size_t i = 0; i < w.controls.size(); ++i) {
        const ControlDef& c = w.controls[i];
        SCOPED_TRACE(rows[i].name);
        EXPECT_EQ(c.id, rows[i].id);
        EXPECT_EQ(c.kind, rows[i].kind);
        EXPECT_EQ(c.name, rows[i].name);
        EXPECT_EQ(c.rect, rows[i].rect);
        EXPECT_EQ(c.visible, rows[i].visible);
        EXPECT_EQ(c.disabled, rows[i].disabled);
        EXPECT_EQ(c.tabStop, rows[i].tabStop);
        EXPECT_EQ(c.parent, 0u);
        EXPECT_EQ(c.tag, "");
        EXPECT_EQ(c.cursor, Cursor::None);
        orders.push_back(c.tabOrder);
        // No two controls overlap.
        for (std::size_t j = 0; j < i; ++j) {
            const Rect& a = c.rect;
            const Rect& b = w.controls[j].rect;
            const bool apart = a.left + a.width <= b.left || b.left + b.width <= a.left ||
                               a.top + a.height <= b.top || b.top + b.height <= a.top;
            EXPECT_TRUE(apart) << "overlaps " << w.controls[j].name;
        }
    }
    std::sort(orders.begin(), orders.end());
    EXPECT_EQ(std::adjacent_find(orders.begin(), orders.end()), orders.end()) << "tab orders repeat";
}

TEST(UpdateWindowDefinition, StoredOwnSettings) {
    const WindowDef w = updateWindowDefinition();
    const std::int32_t grey = std::int32_t(rgb(128, 128, 128)), white = std::int32_t(rgb(255, 255, 255));
    const std::int32_t sysDefault = std::int32_t(kSystemDefaultColor);

    auto labelProps = [&](const char* caption) {
        return std::vector<Property>{
            {8, Value::str(caption)}, {9, Value::integer(0)},   {10, Value::integer(0)},
            {11, Value::integer(8)},  {12, Value::integer(grey)}, {13, Value::integer(white)},
            {14, Value::integer(grey)}, {15, Value::none()},     {16, Value::integer(0)},
            {17, Value::integer(sysDefault)}, {18, Value::none()}, {19, Value::integer(1)},
            {20, Value::integer(0)},  {21, Value::integer(grey)}, {22, Value::integer(white)},
            {23, Value::integer(grey)}, {24, Value::integer(0)},  {25, Value::integer(0)},
            {26, Value::integer(1)},  {27, Value::str("")},      {28, Value::str("")},
        };
    };
    EXPECT_EQ(w.control(ids::kLabel1)->props, labelProps("当前版本:"));
    EXPECT_EQ(w.control(ids::kLabel2)->props, labelProps("V1.0.0"));
    EXPECT_EQ(w.control(ids::kLabel3)->props, labelProps(""));
    EXPECT_EQ(w.control(ids::kButton1)->props,
              (std::vector<Property>{{8, Value::none()}, {9, Value::integer(0)}, {10, Value::str("检查更新")},
                                     {11, Value::integer(1)}, {12, Value::integer(1)}, {13, Value::none()}}));
    EXPECT_EQ(w.control(ids::kProgressBar1)->props,
              (std::vector<Property>{{8, Value::integer(3)}, {9, Value::integer(0)}, {10, Value::integer(1)},
                                     {11, Value::integer(0)}, {12, Value::integer(100)}, {13, Value::integer(0)}}));
    EXPECT_EQ(w.control(ids::kTimer1)->props, (std::vector<Property>{{8, Value::integer(1000)}}));

    // Every stored number is one the kind knows, read back unchanged.
    for (const ControlDef& c : w.controls)
        for (const Property& p : c.props) EXPECT_EQ(readControlProperty(c, p.number), p.value) << c.name << p.number;
}

TEST(UpdateWindowDefinition, Bindings) {
    const WindowDef w = updateWindowDefinition();
    EXPECT_EQ(w.control(ids::kButton1)->bindings,
              (std::vector<Binding>{{event::kClick, handler_names::kUpdateCheck}}));
    EXPECT_EQ(w.control(ids::kTimer1)->bindings,
              (std::vector<Binding>{{event::kTick, handler_names::kUpdateTimer}}));
    EXPECT_EQ(w.control(ids::kLabel2)->bindings,
              (std::vector<Binding>{{event::kFeedback, handler_names::kLabelFeedback}}));
    for (Id id : {ids::kProgressBar1, ids::kLabel1, ids::kLabel3}) EXPECT_TRUE(w.control(id)->bindings.empty());
}

}  // namespace
}  // namespace xy
