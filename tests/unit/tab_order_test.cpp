#include "toolkit/model/tab_order.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using xy::TabCandidate;
constexpr std::optional<std::size_t> kNone = std::nullopt;

// Controls in definition order: tab orders 2, 0, 1, 1 (all stops) and a
// control at order 0 that cannot take the focus.
const std::vector<TabCandidate> kMixed = {{2, true}, {0, true}, {1, true}, {1, true}, {0, false}};

struct Case {
    const char* what;
    std::vector<TabCandidate> controls;
    std::optional<std::size_t> current;
    bool backwards;
    std::optional<std::size_t> expected;
};

TEST(TabOrder, VisitsStopsByTabOrderThenDefinitionOrderAndWraps) {
    const Case cases[] = {
        {"no current: the first stop", kMixed, kNone, false, 1},
        {"no current backwards: the last stop", kMixed, kNone, true, 0},
        {"lowest order to the next order", kMixed, 1, false, 2},
        {"equal orders keep definition order", kMixed, 2, false, 3},
        {"then the highest order", kMixed, 3, false, 0},
        {"past the last it wraps to the first", kMixed, 0, false, 1},
        {"backwards through equal orders", kMixed, 3, true, 2},
        {"backwards from the first wraps to the last", kMixed, 1, true, 0},
        {"a current that is no stop counts as none", kMixed, 4, false, 1},
        {"a current out of range counts as none", kMixed, 9, true, 0},
        {"one stop comes back to itself", {{5, false}, {3, true}}, 1, false, 1},
        {"no stop at all", {{0, false}, {1, false}}, kNone, false, kNone},
        {"no controls", {}, kNone, true, kNone},
    };
    for (const Case& c : cases)
        EXPECT_EQ(xy::nextTabStop(c.controls, c.current, c.backwards), c.expected) << c.what;
}

TEST(TabOrder, ForwardsAndBackwardsVisitEveryStopOnceInOppositeOrders) {
    std::vector<std::size_t> forward, backward;
    std::optional<std::size_t> at;
    for (int i = 0; i < 4; ++i) forward.push_back(*(at = xy::nextTabStop(kMixed, at, false)));
    at.reset();
    for (int i = 0; i < 4; ++i) backward.push_back(*(at = xy::nextTabStop(kMixed, at, true)));
    EXPECT_EQ(forward, (std::vector<std::size_t>{1, 2, 3, 0}));
    EXPECT_EQ(backward, (std::vector<std::size_t>{0, 3, 2, 1}));
}

}  // namespace
