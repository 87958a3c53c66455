#include "toolkit/model/tab_order.h"

namespace xy {

std::optional<std::size_t> nextTabStop(std::span<const TabCandidate> controls, std::optional<std::size_t> current,
                                       bool backwards) {
    // (tab order, index) orders the stops totally: the next stop is the
    // smallest key above the current one, or the smallest of all once past
    // the last (backwards: the largest below, or the largest of all).
    auto before = [&](std::size_t a, std::size_t b) {
        return controls[a].tabOrder < controls[b].tabOrder || (controls[a].tabOrder == controls[b].tabOrder && a < b);
    };
    auto precedes = [&](std::size_t a, std::size_t b) { return backwards ? before(b, a) : before(a, b); };
    constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    std::size_t from = current.value_or(kNone);
    if (from >= controls.size() || !controls[from].canStop) from = kNone;

    std::size_t next = kNone, wrap = kNone;
    for (std::size_t i = 0; i < controls.size(); ++i) {
        if (!controls[i].canStop) continue;
        if (from != kNone && precedes(from, i) && (next == kNone || precedes(i, next))) next = i;
        if (wrap == kNone || precedes(i, wrap)) wrap = i;
    }
    if (next != kNone) return next;
    if (wrap != kNone) return wrap;
    return std::nullopt;
}

}  // namespace xy
