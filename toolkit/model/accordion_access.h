// The accordion as a screen reader is told about it: the control is an
// outline whose children are its header bars and the items of the open
// group, in one flat list in reading order (the way the system's tree view
// presents its items, with a level number instead of nesting):
//
//   网站 (level 0), 购物 (0), 常用网站 (0), 说明 (0, expanded), 说明 (1), 更新 (1)
//
// with group 3 open, and 网站, its eight items, 购物, 常用网站, 说明 with
// group 0 open. Children are numbered 1 to childCount() in that order;
// 0 stands for the control itself. The numbers are positions, not names:
// opening another group renumbers them.
//
// Portable: the accessibility interface of the Win32 view turns this into
// roles, states and screen coordinates.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "toolkit/model/accordion.h"

namespace xy::access {

inline constexpr std::int32_t kSelf = 0;
inline constexpr std::int32_t kNoChild = -1;

enum class Kind : std::uint8_t { Header = 0, Item = 1 };

// What a child's default action does.
enum class Action : std::uint8_t {
    None = 0,    // nothing: the open group's header bar, or an item while a slide runs
    Choose = 1,  // an item: chosen as by a completed click
    Expand = 2,  // a closed group's header bar: that group opens
};

struct Child {
    Kind kind = Kind::Header;
    std::int32_t group = -1;  // the header's group, or the item's (the open group)
    std::int32_t item = -1;   // the item's index in its group; -1 for a header bar
    std::int32_t level = 0;   // 0 for header bars, 1 for items
    // Texts of the model's definition: valid while the model lives.
    std::string_view name;         // the header's caption or the item's label
    std::string_view description;  // the tip text where it says more than the name
    bool expanded = false;    // header bar of the open group
    bool selected = false;    // the selected item
    bool offscreen = false;   // an item scrolled (or slid) out of the item area
    bool hot = false;         // under the pointer
    bool pressed = false;     // shown pressed
    // Client pixels: the visible part of the element; for an item out of
    // view, the row where it would be.
    Rect bounds;
    Action action = Action::None;
    friend bool operator==(const Child&, const Child&) = default;
};

std::int32_t childCount(const Accordion& m);
// Child `id` (1-based); nothing for kSelf or an id out of range.
std::optional<Child> child(const Accordion& m, std::int32_t id);
// All children, in reading order.
std::vector<Child> children(const Accordion& m);

// The id of the header bar of `group`, or of `item` of the open group;
// kNoChild when there is no such child.
std::int32_t headerId(const Accordion& m, std::int32_t group);
std::int32_t itemId(const Accordion& m, std::int32_t item);

// What lies at a client point: a child's id, kSelf for the rest of the
// control (item area background, scroll arrows), kNoChild outside it.
// Follows the control's own hit testing, so during a slide only header
// bars are children that can be hit.
std::int32_t childAt(const Accordion& m, std::int32_t x, std::int32_t y);

// The selected item's id, or kNoChild.
std::int32_t selectedChild(const Accordion& m);

enum class Direction : std::uint8_t { First, Last, Next, Previous, Up, Down, Left, Right };
// Navigation from `from` (kSelf or a child): First and Last lead from the
// control to its first and last child; Next and Previous step through the
// children in reading order; Up and Down do the same but skip the items
// out of view (the children form one column). kNoChild where nothing lies
// in that direction (also for an invalid `from`).
std::int32_t navigate(const Accordion& m, std::int32_t from, Direction d);

// Carries out child `id`'s default action on the model, through the same
// calls a completed click makes: nothing when the child has none (the view
// then applies the outcome as it applies one from mouse input).
std::optional<AccOutcome> doDefaultAction(Accordion& m, std::int32_t id);

}  // namespace xy::access
