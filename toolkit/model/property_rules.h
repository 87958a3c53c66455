// Reading and writing one setting of a control by property number, with the
// value rules of each control kind. Portable: the Win32 side calls these to
// change the stored settings and then lets the live control catch up.
//
// Numbers 0..7 are common to every kind (left, top, width, height, tag,
// visible, disabled, cursor); a kind's own numbers start at 8 and live in
// ControlDef::props.
#pragma once

#include <cstdint>
#include <optional>

#include "toolkit/model/definition.h"

namespace xy {

// The stored value of property `number`, or Value::none() for a number the
// control's kind does not have. A known own property that the definition
// does not store reads as the kind's default.
Value readControlProperty(const ControlDef& c, std::uint16_t number);

// Stores `v` under `number` with the kind's rules. Writing an unknown
// number, or a value of the wrong type for the property, changes nothing.
// Returns whether something was stored (the caller then updates the live
// control).
bool writeControlProperty(ControlDef& c, std::uint16_t number, const Value& v);

// Integer setting of a control as stored, or `fallback` when it is not an
// integer property.
std::int32_t intProperty(const ControlDef& c, std::uint16_t number, std::int32_t fallback = 0);

// Progress bar values. Minimum, maximum and position are stored limited to
// this range; the range the bar shows runs from the smaller to the larger of
// minimum and maximum, and the position it shows is the stored position
// raised to the minimum and then lowered to the maximum.
inline constexpr std::int32_t kProgressValueMin = 0;
inline constexpr std::int32_t kProgressValueMax = 32767;

constexpr std::int32_t limitProgressValue(std::int32_t v) {
    return v < kProgressValueMin ? kProgressValueMin : (v > kProgressValueMax ? kProgressValueMax : v);
}

struct ProgressRange {
    std::int32_t lower = 0, upper = 0;
    friend constexpr bool operator==(const ProgressRange&, const ProgressRange&) = default;
};
constexpr ProgressRange progressRange(std::int32_t minimum, std::int32_t maximum) {
    return minimum <= maximum ? ProgressRange{minimum, maximum} : ProgressRange{maximum, minimum};
}
constexpr std::int32_t progressShownPosition(std::int32_t minimum, std::int32_t maximum, std::int32_t position) {
    std::int32_t p = position;
    if (p < minimum) p = minimum;
    if (p > maximum) p = maximum;
    return p;
}
ProgressRange progressRange(const ControlDef& bar);
std::int32_t progressShownPosition(const ControlDef& bar);

// A font setting as text: "face;height;weight;italic;underline;strikeout",
// trailing fields optional (height in pixels, weight 100..900, flags 0/1),
// e.g. "SimSun;12" or "Tahoma;13;700;0;1;0". Value::none() and an empty
// text mean "no stored font" (the default GUI font). Anything else that
// does not parse gives nullopt as well.
std::optional<FontDef> fontFromValue(const Value& v);

}  // namespace xy
