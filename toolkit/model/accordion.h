// The accordion (roll-up) menu: a column of group header bars with the items
// of the one open group listed between them. This is the whole behaviour of
// the control: layout, group slides, hit testing, the mouse rules, scrolling,
// colours and tooltips. The Win32 view only draws what this says and turns
// window messages into the input calls below. Portable: no Win32 types.
//
// Coordinates are client pixels of the control, (0, 0) at its top left.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "toolkit/model/definition.h"

namespace xy {

namespace accordion_metrics {
// Height of one row in the icon view. The item font is 14 px high and a
// label line takes 16 to 19 px depending on the face, so 36 px leaves about
// 9 px above and below a one-line label and still holds a label that wraps
// to two lines. With four 40 px header bars in a 424 px control the item area
// is 264 px: seven rows (252 px) fit, eight (288 px) do not. Group 网站 with
// its eight items therefore scrolls by one row, while 购物 (seven items) just
// fits. Keep it above 33 px, or scrolling disappears from the site menu.
inline constexpr std::int32_t kIconRowHeight = 36;
// Row of the list view: a 16 px small picture beside the label.
inline constexpr std::int32_t kListRowHeight = 24;
// The flat scroll arrows: squares at the right edge of the item area.
inline constexpr std::int32_t kArrowSize = 16;
inline constexpr std::int32_t kArrowMargin = 2;
// Holding the button on an arrow: first repeat after the delay, then one
// step per interval.
inline constexpr std::int32_t kScrollRepeatDelayMs = 400;
inline constexpr std::int32_t kScrollRepeatIntervalMs = 80;
// Pause between two frames of a group slide.
inline constexpr std::int32_t kSlideFramePauseMs = 15;
}  // namespace accordion_metrics

// The parts of the control that react to the pointer.
enum class AccPart : std::uint8_t { None = 0, Header = 1, Item = 2, UpArrow = 3, DownArrow = 4 };

struct AccElement {
    AccPart part = AccPart::None;
    std::int32_t index = -1;  // group for a header, item (within the open group) for an item
    static constexpr AccElement none() { return {}; }
    static constexpr AccElement header(std::int32_t g) { return {AccPart::Header, g}; }
    static constexpr AccElement item(std::int32_t i) { return {AccPart::Item, i}; }
    static constexpr AccElement upArrow() { return {AccPart::UpArrow, -1}; }
    static constexpr AccElement downArrow() { return {AccPart::DownArrow, -1}; }
    bool isNone() const { return part == AccPart::None; }
    friend constexpr bool operator==(const AccElement&, const AccElement&) = default;
};

// One list of items on the screen: the items of `group` from `firstShown`
// on, one row each, starting at the top of `area` and clipped to it.
struct AccPane {
    std::int32_t group = -1;
    Rect area;
    std::int32_t firstShown = 0;
    friend constexpr bool operator==(const AccPane&, const AccPane&) = default;
};

struct AccLayout {
    std::vector<Rect> headers;  // one per group, in group order
    // At rest: the open group's pane. During a slide: the group being
    // closed, then the group being opened (either may be 0 px high).
    std::vector<AccPane> panes;
    bool upArrow = false, downArrow = false;  // only at rest
    Rect upArrowRect, downArrowRect;
};

// An event of the control for the view to queue: number from xy::event,
// arguments a and b.
struct AccEvent {
    std::uint16_t number = 0;
    std::int32_t a = 0, b = 0;
    friend constexpr bool operator==(const AccEvent&, const AccEvent&) = default;
};

enum class AccCapture : std::uint8_t { Keep = 0, Take = 1, Release = 2 };
enum class AccRepeat : std::uint8_t { Keep = 0, Start = 1, Stop = 2 };

// What the view has to do after an input call.
struct AccOutcome {
    bool redraw = false;      // the picture changed
    bool focus = false;       // take the keyboard focus
    bool hideTip = false;     // put the tooltip away now
    bool startSlide = false;  // a slide began: run its frames (advanceSlide)
    AccCapture capture = AccCapture::Keep;
    AccRepeat repeat = AccRepeat::Keep;  // the scroll-repeat timer
    std::vector<AccEvent> events;        // to queue, in this order

    // The item-chosen event among `events`, as (group, item).
    std::optional<std::pair<std::int32_t, std::int32_t>> chosen() const;
};

struct AccTip {
    AccElement element;
    Rect rect;  // where the pointer has to stay for the tip (visible part)
    std::string text;
};

class Accordion {
public:
    // Builds the control from its definition: the groups in definition
    // order, then the definition's open group (clamped to an existing
    // group) and selected item (-1 unless it names an item of that group),
    // first shown item 0.
    Accordion(const MenuDef& def, std::int32_t width, std::int32_t height);

    // The control got another size: a running slide ends at once, the
    // scroll position is kept where it still can be, and the hot state goes.
    void resize(std::int32_t width, std::int32_t height);

    const MenuDef& def() const { return def_; }
    std::int32_t width() const { return width_; }
    std::int32_t height() const { return height_; }
    std::int32_t groupCount() const { return std::int32_t(def_.groups.size()); }
    std::int32_t itemCount(std::int32_t group) const;

    // ---- run-time state ----------------------------------------------------
    std::int32_t openGroup() const { return open_; }
    std::int32_t selectedItem() const { return selected_; }
    std::int32_t firstShown() const { return first_; }
    AccElement hot() const { return hot_; }
    AccElement pressed() const { return pressed_; }
    // The pressed element shows pressed: the button is held and the pointer
    // is over the element it went down on.
    bool pressedLook(AccElement e) const { return !e.isNone() && pressed_ == e && pressedOver_; }

    bool sliding() const { return slide_.active; }
    std::int32_t slideFrom() const { return slide_.active ? slide_.from : -1; }
    std::int32_t slideTo() const { return slide_.active ? slide_.to : -1; }
    std::int32_t slideOffset() const { return slide_.active ? slide_.offset : 0; }
    // Group whose header was clicked during the running slide; it is opened
    // once the slide has ended. -1: none.
    std::int32_t pendingGroup() const { return pending_; }

    // ---- geometry ----------------------------------------------------------
    std::int32_t rowHeight() const;
    // Height of the item area; the same for every open group, and the
    // distance every moving header bar travels in a slide.
    std::int32_t areaHeight() const;
    // The offsets of the frames of a slide over `distance` pixels: one frame
    // per `step` pixels, the last one exactly at the distance. A step of 0
    // or less switches at once (one frame).
    static std::vector<std::int32_t> slideFrames(std::int32_t distance, std::int32_t step);
    std::vector<std::int32_t> slideFrames() const { return slideFrames(areaHeight(), def_.slideStep); }

    // The layout at rest with `open` open and scrolled to `firstShown`.
    AccLayout restingLayout(std::int32_t open, std::int32_t firstShown) const;
    // The layout of a slide from group `from` to group `to` after `offset`
    // pixels (0: as at rest with `from` open; areaHeight(): `to` open).
    AccLayout slideLayout(std::int32_t from, std::int32_t to, std::int32_t offset,
                          std::int32_t fromFirstShown = 0) const;
    // What is on the screen now.
    AccLayout layout() const;
    // Row of `item` in `pane` (not clipped to the pane's area).
    Rect rowRect(const AccPane& pane, std::int32_t item) const;

    // The largest first shown item of the open group (0 when all fit).
    std::int32_t maxFirstShown() const;
    bool canScrollUp() const;    // the up arrow is shown
    bool canScrollDown() const;  // the down arrow is shown

    AccElement hitTest(std::int32_t x, std::int32_t y) const;
    // The cursor the control shows at a point: the hand over header bars,
    // the arrow everywhere else.
    Cursor cursorAt(std::int32_t x, std::int32_t y) const;

    // ---- appearance ----------------------------------------------------------
    Color headerCaptionColor(std::int32_t group) const;
    // Label colour of an item of `group` (the open group, or during a slide
    // also the group being opened).
    Color itemLabelColor(std::int32_t group, std::int32_t item) const;

    // ---- tooltips ------------------------------------------------------------
    const std::string& tipOf(AccElement e) const;
    // The tip for the element under the resting pointer: nothing while a
    // button is held, during a slide, outside the control or over an element
    // without tip text.
    std::optional<AccTip> currentTip() const;

    // ---- input ---------------------------------------------------------------
    AccOutcome pointerMove(std::int32_t x, std::int32_t y);
    AccOutcome pointerLeave();
    AccOutcome leftDown(std::int32_t x, std::int32_t y);
    AccOutcome leftUp(std::int32_t x, std::int32_t y);
    // The second press of a double-click (the release that follows comes
    // through leftUp).
    AccOutcome leftDoubleClick(std::int32_t x, std::int32_t y);
    AccOutcome rightDown(std::int32_t x, std::int32_t y);
    AccOutcome rightUp(std::int32_t x, std::int32_t y);
    AccOutcome keyPress();
    AccOutcome captureLost();
    // Called by the view's repeat timer while a scroll arrow is held.
    AccOutcome scrollRepeat();

    // ---- actions -------------------------------------------------------------
    // What a completed click ends in, for leftUp and for callers that act for
    // the user without a pointer (the accessibility interface).
    // Makes `item` of the open group the selected item and raises the
    // item-chosen event. Nothing during a slide, when items cannot be hit,
    // nor for an index that is not an item of the open group.
    AccOutcome chooseItem(std::int32_t item);
    // Opens `group` as a released click on its header bar does: a slide
    // begins, or during a running slide the group is opened once it has
    // ended. The open group and an unknown group change nothing.
    AccOutcome expandGroup(std::int32_t group);

    // ---- slide ---------------------------------------------------------------
    // Moves the running slide to its next frame. At the last frame the new
    // group becomes the open group (first shown 0, no selection); if a
    // header was clicked meanwhile, the slide to that group begins at once
    // and sliding() stays true.
    AccOutcome advanceSlide();
    // Ends the running slide (and any pending one) at once, in its final state.
    AccOutcome finishSlide();

private:
    struct Slide {
        bool active = false;
        std::int32_t from = -1, to = -1, offset = 0, fromFirst = 0;
        std::vector<std::int32_t> frames;
        std::size_t next = 0;  // index of the next frame to show
    };

    std::int32_t restingTop(std::int32_t group, std::int32_t open) const;
    std::vector<AccPane> panesFor(const std::vector<Rect>& headers, std::int32_t group) const;
    void beginSlide(std::int32_t to);
    void commitSlide(AccOutcome& out);
    bool insideControl(std::int32_t x, std::int32_t y) const;
    void setPointer(std::int32_t x, std::int32_t y);
    // Hot state and pressed look from the last pointer position; true if
    // either changed.
    bool refreshPointerState();
    bool step(std::int32_t direction);
    bool arrowShown(AccPart arrow) const;

    MenuDef def_;
    std::int32_t width_ = 0, height_ = 0;
    std::int32_t open_ = -1, selected_ = -1, first_ = 0;
    AccElement hot_, pressed_;
    bool pressedOver_ = false;
    bool pointerInside_ = false;
    std::int32_t px_ = -1, py_ = -1;
    Slide slide_;
    std::int32_t pending_ = -1;
};

}  // namespace xy
