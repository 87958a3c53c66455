#include "update/update_check.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/ids.h"
#include "toolkit/model/property_rules.h"
#include "update/update_window_def.h"

namespace xy::update {
namespace {

namespace pp = prop::progress;

// A loaded update window as the frame keeps it: the definition's settings,
// read and written with the kinds' rules, and every access logged.
class FakeStore final : public PropertyStore {
public:
    struct Access {
        bool write;
        Id window, control;
        std::uint16_t number;
        Value value;
        friend bool operator==(const Access&, const Access&) = default;
    };

    WindowDef window = updateWindowDefinition();
    std::vector<Access> log;

    Value read(Id w, Id c, std::uint16_t n) override {
        const ControlDef* cd = w == window.id ? window.control(c) : nullptr;
        Value v = cd ? readControlProperty(*cd, n) : Value::none();
        log.push_back({false, w, c, n, v});
        return v;
    }
    void write(Id w, Id c, std::uint16_t n, const Value& v) override {
        log.push_back({true, w, c, n, v});
        if (ControlDef* cd = w == window.id ? window.control(c) : nullptr) writeControlProperty(*cd, n, v);
    }
    const ControlDef& bar() const { return *window.control(ids::kProgressBar1); }
    Value position() const { return readControlProperty(bar(), pp::kPosition); }
    Value caption3() const { return readControlProperty(*window.control(ids::kLabel3), prop::label::kCaption); }
};

struct SleepLog {
    std::vector<std::int32_t> pauses;
    std::vector<std::size_t> logSizeAtPause;  // how many accesses had happened
};

TEST(UpdateCheck, AccessesInOrderWithAPauseInEveryPass) {
    FakeStore store;
    SleepLog sleeps;
    runUpdateCheck(store, [&](std::int32_t ms) {
        sleeps.pauses.push_back(ms);
        sleeps.logSizeAtPause.push_back(store.log.size());
    });

    const Id w = ids::kUpdateWindow;
    using A = FakeStore::Access;
    std::vector<A> expected = {
        {true, w, ids::kProgressBar1, pp::kMinimum, Value::integer(0)},
        {true, w, ids::kProgressBar1, pp::kMaximum, Value::integer(100)},
    };
    for (int pass = 0; pass < 10; ++pass) {
        expected.push_back({false, w, ids::kProgressBar1, pp::kPosition, Value::integer(pass * 100)});
        expected.push_back({true, w, ids::kProgressBar1, pp::kPosition, Value::integer((pass + 1) * 100)});
        expected.push_back({true, w, ids::kLabel3, prop::label::kCaption, Value::str("已是最新版！！！")});
    }
    EXPECT_EQ(store.log, expected);

    EXPECT_EQ(sleeps.pauses, std::vector<std::int32_t>(10, 95));
    // Each pause falls between the position write and the caption write.
    for (std::size_t pass = 0; pass < sleeps.logSizeAtPause.size(); ++pass)
        EXPECT_EQ(sleeps.logSizeAtPause[pass], 2 + pass * 3 + 2) << "pass " << pass;
}

TEST(UpdateCheck, FirstCheckFillsTheBarAndSecondAddsAThousand) {
    FakeStore store;
    const auto noSleep = [](std::int32_t) {};
    EXPECT_EQ(store.position(), Value::integer(0));
    EXPECT_EQ(store.caption3(), Value::str(""));

    runUpdateCheck(store, noSleep);
    EXPECT_EQ(store.position(), Value::integer(1000));
    EXPECT_EQ(readControlProperty(store.bar(), pp::kMaximum), Value::integer(100));
    EXPECT_EQ(progressShownPosition(store.bar()), 100);
    EXPECT_EQ(store.caption3(), Value::str("已是最新版！！！"));

    runUpdateCheck(store, noSleep);
    EXPECT_EQ(store.position(), Value::integer(2000));
    EXPECT_EQ(progressShownPosition(store.bar()), 100);
}

TEST(UpdateCheck, ThirtyThreeChecksInOneOpeningReachTheLimitAndStay) {
    FakeStore store;
    const auto noSleep = [](std::int32_t) {};
    for (int check = 1; check <= 32; ++check) runUpdateCheck(store, noSleep);
    EXPECT_EQ(store.position(), Value::integer(32000));
    runUpdateCheck(store, noSleep);
    EXPECT_EQ(store.position(), Value::integer(32767));
    for (int check = 0; check < 3; ++check) runUpdateCheck(store, noSleep);
    EXPECT_EQ(store.position(), Value::integer(32767));
    EXPECT_EQ(progressShownPosition(store.bar()), 100);
}

TEST(UpdateCheck, RewritesTheRangeEachTime) {
    FakeStore store;
    writeControlProperty(*store.window.control(ids::kProgressBar1), pp::kMinimum, Value::integer(500));
    writeControlProperty(*store.window.control(ids::kProgressBar1), pp::kMaximum, Value::integer(50));
    runUpdateCheck(store, [](std::int32_t) {});
    EXPECT_EQ(progressRange(store.bar()), (ProgressRange{0, 100}));
}

TEST(UpdateCheck, NextPositionIsTheTruncatedDoubleSum) {
    struct Case {
        std::int32_t p, next;
    };
    for (Case c : {Case{0, 100}, Case{1000, 1100}, Case{32767, 32867}, Case{-100, 0}, Case{-250, -150},
                   // Past the 32-bit range the low 32 bits of the 64-bit sum wrap.
                   Case{INT32_MAX, INT32_MIN + 99}, Case{INT32_MIN, INT32_MIN + 100}})
        EXPECT_EQ(nextPosition(c.p), c.next) << c.p;
}

}  // namespace
}  // namespace xy::update
