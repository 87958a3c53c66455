// Which control Tab and Shift+Tab move the focus to. Portable: the caller
// says which controls can take the focus now.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace xy {

struct TabCandidate {
    std::int32_t tabOrder = 0;
    bool canStop = false;  // a tab stop that is visible and enabled
};

// The stops are visited by tab order, equal tab orders in the order of the
// list. From the stop `current` (an index into the list) the next one
// forwards, or backwards, wrapping around at the ends. Without a current
// stop (none, or an index that is no stop) the first stop, or backwards the
// last. Nothing when there is no stop at all.
std::optional<std::size_t> nextTabStop(std::span<const TabCandidate> controls, std::optional<std::size_t> current,
                                       bool backwards);

}  // namespace xy
