// Where a centred window goes on the primary screen.
#pragma once

#include <cstdint>

namespace xy {

struct Point {
    std::int32_t x = 0, y = 0;
    friend constexpr bool operator==(const Point&, const Point&) = default;
};

// The whole screen, not the work area; integer division truncates toward
// zero and nothing is clamped, so a window larger than the screen starts
// above or left of its edge.
constexpr Point centredOrigin(std::int32_t screenWidth, std::int32_t screenHeight, std::int32_t width,
                              std::int32_t height) {
    return {(screenWidth - width) / 2, (screenHeight - height) / 2};
}

}  // namespace xy
