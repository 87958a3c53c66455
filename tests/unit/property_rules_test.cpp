#include "toolkit/model/property_rules.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>

#include "app/ids.h"
#include "update/update_window_def.h"

namespace xy {
namespace {

namespace pp = prop::progress;

ControlDef progressBar() { return *updateWindowDefinition().control(ids::kProgressBar1); }
ControlDef label() { return *updateWindowDefinition().control(ids::kLabel3); }

struct ProgressCase {
    const char* what;
    std::int32_t minimum, maximum, position;  // written in this order
    std::int32_t storedMin, storedMax, storedPos;
    ProgressRange range;
    std::int32_t shown;
};

class ProgressRules : public ::testing::TestWithParam<ProgressCase> {};

TEST_P(ProgressRules, StoresLimitedValuesAndShowsClampedPosition) {
    const ProgressCase& t = GetParam();
    ControlDef bar = progressBar();
    writeControlProperty(bar, pp::kMinimum, Value::integer(t.minimum));
    writeControlProperty(bar, pp::kMaximum, Value::integer(t.maximum));
    writeControlProperty(bar, pp::kPosition, Value::integer(t.position));
    EXPECT_EQ(readControlProperty(bar, pp::kMinimum), Value::integer(t.storedMin));
    EXPECT_EQ(readControlProperty(bar, pp::kMaximum), Value::integer(t.storedMax));
    EXPECT_EQ(readControlProperty(bar, pp::kPosition), Value::integer(t.storedPos));
    EXPECT_EQ(progressRange(bar), t.range);
    EXPECT_EQ(progressShownPosition(bar), t.shown);
}

INSTANTIATE_TEST_SUITE_P(
    ProgressValues, ProgressRules,
    ::testing::Values(
        ProgressCase{"in range", 0, 100, 40, 0, 100, 40, {0, 100}, 40},
        ProgressCase{"over the maximum: full bar, value kept", 0, 100, 200, 0, 100, 200, {0, 100}, 100},
        ProgressCase{"negative position stored as 0", 0, 100, -5, 0, 100, 0, {0, 100}, 0},
        ProgressCase{"below the minimum shows the minimum", 10, 100, 3, 10, 100, 3, {10, 100}, 10},
        ProgressCase{"above 32767 stored as 32767", 0, 100, 40000, 0, 100, 32767, {0, 100}, 100},
        ProgressCase{"minimum and maximum limited too", -7, 99999, 5, 0, 32767, 5, {0, 32767}, 5},
        ProgressCase{"minimum above maximum: range swapped", 80, 20, 50, 80, 20, 50, {20, 80}, 20},
        ProgressCase{"lowest int", INT32_MIN, INT32_MIN, INT32_MIN, 0, 0, 0, {0, 0}, 0},
        ProgressCase{"highest int", 0, INT32_MAX, INT32_MAX, 0, 32767, 32767, {0, 32767}, 32767}),
    [](const auto& info) {
        std::string n;
        for (const char* p = info.param.what; *p; ++p) n += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
        return n;
    });

TEST(ProgressRules, WritingRangeLeavesPositionAlone) {
    ControlDef bar = progressBar();
    writeControlProperty(bar, pp::kPosition, Value::integer(250));
    writeControlProperty(bar, pp::kMaximum, Value::integer(300));
    EXPECT_EQ(readControlProperty(bar, pp::kPosition), Value::integer(250));
    EXPECT_EQ(progressShownPosition(bar), 250);
    writeControlProperty(bar, pp::kMinimum, Value::integer(260));
    EXPECT_EQ(readControlProperty(bar, pp::kPosition), Value::integer(250));
    EXPECT_EQ(progressShownPosition(bar), 260);
}

TEST(CommonProperties, MapToTheControlFields) {
    ControlDef c = label();
    EXPECT_EQ(readControlProperty(c, prop::kLeft), Value::integer(19));
    EXPECT_EQ(readControlProperty(c, prop::kTop), Value::integer(80));
    EXPECT_EQ(readControlProperty(c, prop::kWidth), Value::integer(101));
    EXPECT_EQ(readControlProperty(c, prop::kHeight), Value::integer(24));
    EXPECT_EQ(readControlProperty(c, prop::kTag), Value::str(""));
    EXPECT_EQ(readControlProperty(c, prop::kVisible), Value::integer(1));
    EXPECT_EQ(readControlProperty(c, prop::kDisabled), Value::integer(0));
    EXPECT_EQ(readControlProperty(c, prop::kCursor), Value::integer(0));

    writeControlProperty(c, prop::kLeft, Value::integer(-3));
    writeControlProperty(c, prop::kTop, Value::integer(7));
    writeControlProperty(c, prop::kWidth, Value::integer(50));
    writeControlProperty(c, prop::kHeight, Value::integer(-10));  // nothing is smaller than nothing
    writeControlProperty(c, prop::kTag, Value::str("t"));
    writeControlProperty(c, prop::kVisible, Value::integer(0));
    writeControlProperty(c, prop::kDisabled, Value::integer(5));
    writeControlProperty(c, prop::kCursor, Value::integer(2));
    EXPECT_EQ(c.rect, (Rect{-3, 7, 50, 0}));
    EXPECT_EQ(c.tag, "t");
    EXPECT_FALSE(c.visible);
    EXPECT_TRUE(c.disabled);
    EXPECT_EQ(c.cursor, Cursor::Hand);
    EXPECT_EQ(readControlProperty(c, prop::kDisabled), Value::integer(1));
}

TEST(OwnProperties, ReadWhatIsStoredAndKeepTheRest) {
    ControlDef c = label();
    EXPECT_EQ(readControlProperty(c, prop::label::kCaption), Value::str(""));
    EXPECT_EQ(readControlProperty(c, prop::label::kFont), Value::none());
    EXPECT_EQ(readControlProperty(c, prop::label::kBackColor), Value::integer(std::int32_t(kSystemDefaultColor)));
    const auto before = c.props;
    writeControlProperty(c, prop::label::kCaption, Value::str("已是最新版！！！"));
    EXPECT_EQ(readControlProperty(c, prop::label::kCaption), Value::str("已是最新版！！！"));
    ASSERT_EQ(c.props.size(), before.size());  // replaced in place, not appended
    for (std::size_t i = 0; i < before.size(); ++i)
        if (before[i].number != prop::label::kCaption) {
            EXPECT_EQ(c.props[i], before[i]);
        }
}

TEST(OwnProperties, MissingOwnPropertyReadsAsDefaultAndIsAddedOnWrite) {
    ControlDef c;
    c.kind = ControlKind::ProgressBar;
    EXPECT_EQ(readControlProperty(c, pp::kMaximum), Value::integer(100));
    writeControlProperty(c, pp::kPosition, Value::integer(-1));
    EXPECT_EQ(readControlProperty(c, pp::kPosition), Value::integer(0));
    EXPECT_EQ(c.props.size(), 1u);
}

TEST(OwnProperties, UnknownNumbersAndWrongTypesChangeNothing) {
    struct Case {
        ControlKind kind;
        std::uint16_t number;
        Value v;
    };
    const Case cases[] = {
        {ControlKind::Label, 29, Value::integer(1)},           // past the label's numbers
        {ControlKind::Label, 1000, Value::str("x")},
        {ControlKind::Button, 14, Value::integer(1)},
        {ControlKind::Timer, 9, Value::integer(1)},
        {ControlKind::ProgressBar, 14, Value::integer(1)},
        {ControlKind::Label, prop::label::kCaption, Value::integer(5)},  // text property, integer value
        {ControlKind::ProgressBar, pp::kPosition, Value::str("5")},
        {ControlKind::Label, prop::kLeft, Value::str("1")},
        {ControlKind::Label, prop::kTag, Value::integer(1)},
        {ControlKind::Label, prop::kCursor, Value::integer(9)},
        {ControlKind::Label, prop::label::kFont, Value::integer(3)},
    };
    const WindowDef w = updateWindowDefinition();
    for (const Case& t : cases) {
        ControlDef c;
        for (const auto& d : w.controls)
            if (d.kind == t.kind) c = d;
        const ControlDef before = c;
        EXPECT_FALSE(writeControlProperty(c, t.number, t.v)) << int(t.kind) << "/" << t.number;
        EXPECT_EQ(c, before) << int(t.kind) << "/" << t.number;
    }
    EXPECT_EQ(readControlProperty(label(), 29), Value::none());
    EXPECT_EQ(readControlProperty(progressBar(), 14), Value::none());
    EXPECT_EQ(readControlProperty(progressBar(), 65535), Value::none());
}

TEST(FontValue, ParsesTheTextFormAndRefusesTheRest) {
    EXPECT_EQ(fontFromValue(Value::none()), std::nullopt);
    EXPECT_EQ(fontFromValue(Value::str("")), std::nullopt);
    auto f = fontFromValue(Value::str("SimSun;12"));
    ASSERT_TRUE(f);
    EXPECT_EQ(f->face, "SimSun");
    EXPECT_EQ(f->height, 12);
    EXPECT_EQ(f->weight, 400);
    f = fontFromValue(Value::str("宋体;14;700;1;0;1"));
    ASSERT_TRUE(f);
    EXPECT_EQ(f->face, "宋体");
    EXPECT_EQ(f->weight, 700);
    EXPECT_TRUE(f->italic);
    EXPECT_FALSE(f->underline);
    EXPECT_TRUE(f->strikeOut);
    for (const char* bad : {";12", "A;x", "A;12;50", "A;12;400;2", "A;1;400;0;0;0;0", "A;-1", "A;12;"})
        EXPECT_EQ(fontFromValue(Value::str(bad)), std::nullopt) << bad;
}

}  // namespace
}  // namespace xy
