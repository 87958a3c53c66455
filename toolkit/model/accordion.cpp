#include "toolkit/model/accordion.h"

#include <algorithm>

namespace xy {

namespace {

const std::string kNoTip;

bool contains(const Rect& r, std::int32_t x, std::int32_t y) {
    return x >= r.left && x < r.left + r.width && y >= r.top && y < r.top + r.height;
}

Rect intersect(const Rect& a, const Rect& b) {
    std::int32_t l = std::max(a.left, b.left), t = std::max(a.top, b.top);
    std::int32_t r = std::min(a.left + a.width, b.left + b.width);
    std::int32_t bt = std::min(a.top + a.height, b.top + b.height);
    if (r <= l || bt <= t) return {};
    return {l, t, r - l, bt - t};
}

}  // namespace

std::optional<std::pair<std::int32_t, std::int32_t>> AccOutcome::chosen() const {
    for (const auto& e : events)
        if (e.number == event::kItemChosen) return std::make_pair(e.a, e.b);
    return std::nullopt;
}

Accordion::Accordion(const MenuDef& def, std::int32_t width, std::int32_t height)
    : def_(def), width_(std::max(0, width)), height_(std::max(0, height)) {
    if (def_.headerHeight < 0) def_.headerHeight = 0;
    if (groupCount() > 0) {
        open_ = std::clamp(def_.openGroup, 0, groupCount() - 1);
        if (def_.selectedItem >= 0 && def_.selectedItem < itemCount(open_)) selected_ = def_.selectedItem;
    }
}

void Accordion::resize(std::int32_t width, std::int32_t height) {
    finishSlide();
    width_ = std::max(0, width);
    height_ = std::max(0, height);
    first_ = std::clamp(first_, 0, maxFirstShown());
    hot_ = AccElement::none();
    pressedOver_ = false;
}

std::int32_t Accordion::itemCount(std::int32_t group) const {
    if (group < 0 || group >= groupCount()) return 0;
    return std::int32_t(def_.groups[std::size_t(group)].items.size());
}

// ---- geometry ------------------------------------------------------------------

std::int32_t Accordion::rowHeight() const {
    return def_.view == MenuView::List ? accordion_metrics::kListRowHeight : accordion_metrics::kIconRowHeight;
}

std::int32_t Accordion::areaHeight() const {
    return std::max(0, height_ - groupCount() * def_.headerHeight);
}

std::vector<std::int32_t> Accordion::slideFrames(std::int32_t distance, std::int32_t step) {
    std::vector<std::int32_t> frames;
    if (distance <= 0) {
        frames.push_back(0);
        return frames;
    }
    if (step > 0)
        for (std::int32_t d = step; d < distance; d += step) frames.push_back(d);
    frames.push_back(distance);
    return frames;
}

// Header bars up to the open group are stacked from the top edge, the ones
// after it at the bottom edge, the last one ending at the bottom.
std::int32_t Accordion::restingTop(std::int32_t group, std::int32_t open) const {
    const std::int32_t hh = def_.headerHeight;
    if (group <= open) return group * hh;
    return std::max(height_ - (groupCount() - group) * hh, (group)*hh);
}

// The item area of `group` lies between its header bar and the next one
// (or the bottom edge).
std::vector<AccPane> Accordion::panesFor(const std::vector<Rect>& headers, std::int32_t group) const {
    std::vector<AccPane> panes;
    if (group < 0 || group >= groupCount()) return panes;
    const Rect& h = headers[std::size_t(group)];
    std::int32_t top = h.top + h.height;
    std::int32_t bottom = group + 1 < groupCount() ? headers[std::size_t(group) + 1].top : height_;
    panes.push_back({group, {0, top, width_, std::max(0, bottom - top)}, 0});
    return panes;
}

AccLayout Accordion::restingLayout(std::int32_t open, std::int32_t firstShown) const {
    AccLayout l;
    for (std::int32_t g = 0; g < groupCount(); ++g)
        l.headers.push_back({0, restingTop(g, open), width_, def_.headerHeight});
    l.panes = panesFor(l.headers, open);
    if (l.panes.empty()) return l;
    AccPane& p = l.panes.front();
    p.firstShown = firstShown;

    const std::int32_t count = itemCount(open), rh = rowHeight();
    const Rect& a = p.area;
    if (count * rh > a.height) {
        using namespace accordion_metrics;
        std::int32_t x = width_ - 1 - kArrowMargin - kArrowSize;
        l.upArrow = firstShown > 0;
        l.downArrow = (count - firstShown) * rh > a.height;
        l.upArrowRect = {x, a.top + kArrowMargin, kArrowSize, kArrowSize};
        l.downArrowRect = {x, a.top + a.height - kArrowMargin - kArrowSize, kArrowSize, kArrowSize};
    }
    return l;
}

AccLayout Accordion::slideLayout(std::int32_t from, std::int32_t to, std::int32_t offset,
                                 std::int32_t fromFirstShown) const {
    AccLayout l;
    const std::int32_t lo = std::min(from, to), hi = std::max(from, to);
    const std::int32_t d = std::clamp(offset, 0, areaHeight());
    for (std::int32_t g = 0; g < groupCount(); ++g) {
        std::int32_t top = restingTop(g, from);
        // The bars between the two groups change sides: up when a later
        // group opens, down when an earlier one does.
        if (g > lo && g <= hi) top += to > from ? -d : d;
        l.headers.push_back({0, top, width_, def_.headerHeight});
    }
    auto leaving = panesFor(l.headers, from);
    auto opening = panesFor(l.headers, to);
    for (auto& p : leaving) p.firstShown = fromFirstShown;
    l.panes.insert(l.panes.end(), leaving.begin(), leaving.end());
    l.panes.insert(l.panes.end(), opening.begin(), opening.end());
    return l;
}

AccLayout Accordion::layout() const {
    if (slide_.active) return slideLayout(slide_.from, slide_.to, slide_.offset, slide_.fromFirst);
    return restingLayout(open_, first_);
}

Rect Accordion::rowRect(const AccPane& pane, std::int32_t item) const {
    const std::int32_t rh = rowHeight();
    return {pane.area.left, pane.area.top + (item - pane.firstShown) * rh, pane.area.width, rh};
}

std::int32_t Accordion::maxFirstShown() const {
    const std::int32_t rh = rowHeight(), count = itemCount(open_);
    if (rh <= 0 || count * rh <= areaHeight()) return 0;
    // At least one row stays in view, even in an area lower than a row.
    std::int32_t fit = std::max(1, areaHeight() / rh);
    return std::max(0, count - fit);
}

bool Accordion::canScrollUp() const { return !slide_.active && open_ >= 0 && first_ > 0; }

bool Accordion::canScrollDown() const {
    if (slide_.active || open_ < 0) return false;
    return first_ < maxFirstShown();
}

bool Accordion::arrowShown(AccPart arrow) const {
    return arrow == AccPart::UpArrow ? canScrollUp() : arrow == AccPart::DownArrow ? canScrollDown() : false;
}

AccElement Accordion::hitTest(std::int32_t x, std::int32_t y) const {
    if (!insideControl(x, y)) return AccElement::none();
    AccLayout l = layout();
    for (std::size_t g = 0; g < l.headers.size(); ++g)
        if (contains(l.headers[g], x, y)) return AccElement::header(std::int32_t(g));
    // Items move during a slide: nothing but the header bars can be hit.
    if (slide_.active || l.panes.empty()) return AccElement::none();
    if (l.upArrow && contains(l.upArrowRect, x, y)) return AccElement::upArrow();
    if (l.downArrow && contains(l.downArrowRect, x, y)) return AccElement::downArrow();
    const AccPane& p = l.panes.front();
    if (!contains(p.area, x, y)) return AccElement::none();
    std::int32_t item = p.firstShown + (y - p.area.top) / rowHeight();
    if (item >= 0 && item < itemCount(p.group)) return AccElement::item(item);
    return AccElement::none();
}

Cursor Accordion::cursorAt(std::int32_t x, std::int32_t y) const {
    return hitTest(x, y).part == AccPart::Header ? Cursor::Hand : Cursor::Arrow;
}

// ---- appearance ----------------------------------------------------------------

Color Accordion::headerCaptionColor(std::int32_t group) const {
    if (group == open_) return def_.folderSelText;
    AccElement h = AccElement::header(group);
    if (hot_ == h || pressedLook(h)) return def_.folderTextHover;
    return def_.folderText;
}

Color Accordion::itemLabelColor(std::int32_t group, std::int32_t item) const {
    if (group == open_) {
        AccElement e = AccElement::item(item);
        if (hot_ == e || pressedLook(e)) return def_.itemTextHover;
        if (item == selected_) return def_.itemSelText;
    }
    return def_.itemText;
}

// ---- tooltips --------------------------------------------------------------------

const std::string& Accordion::tipOf(AccElement e) const {
    switch (e.part) {
        case AccPart::Header:
            if (e.index >= 0 && e.index < groupCount()) return def_.groups[std::size_t(e.index)].tip;
            break;
        case AccPart::Item:
            if (e.index >= 0 && e.index < itemCount(open_))
                return def_.groups[std::size_t(open_)].items[std::size_t(e.index)].tip;
            break;
        default:
            break;
    }
    return kNoTip;
}

std::optional<AccTip> Accordion::currentTip() const {
    if (!pointerInside_ || !pressed_.isNone() || slide_.active) return std::nullopt;
    AccElement e = hitTest(px_, py_);
    const std::string& text = tipOf(e);
    if (text.empty()) return std::nullopt;
    AccLayout l = layout();
    Rect r;
    if (e.part == AccPart::Header) {
        r = l.headers[std::size_t(e.index)];
    } else {
        const AccPane& p = l.panes.front();
        r = intersect(rowRect(p, e.index), p.area);
    }
    return AccTip{e, r, text};
}

// ---- input -----------------------------------------------------------------------

bool Accordion::insideControl(std::int32_t x, std::int32_t y) const {
    return x >= 0 && y >= 0 && x < width_ && y < height_;
}

void Accordion::setPointer(std::int32_t x, std::int32_t y) {
    px_ = x;
    py_ = y;
    pointerInside_ = insideControl(x, y);
}

bool Accordion::refreshPointerState() {
    AccElement oldHot = hot_;
    bool oldOver = pressedOver_;
    if (!pressed_.isNone()) {
        pressedOver_ = pointerInside_ && hitTest(px_, py_) == pressed_;
        hot_ = pressedOver_ ? pressed_ : AccElement::none();
    } else if (slide_.active || !pointerInside_) {
        hot_ = AccElement::none();
    } else {
        hot_ = hitTest(px_, py_);
    }
    return hot_ != oldHot || pressedOver_ != oldOver;
}

AccOutcome Accordion::pointerMove(std::int32_t x, std::int32_t y) {
    AccOutcome out;
    setPointer(x, y);
    out.redraw = refreshPointerState();
    return out;
}

AccOutcome Accordion::pointerLeave() {
    AccOutcome out;
    pointerInside_ = false;
    out.redraw = refreshPointerState();
    return out;
}

bool Accordion::step(std::int32_t direction) {
    std::int32_t next = std::clamp(first_ + direction, 0, maxFirstShown());
    if (next == first_) return false;
    first_ = next;
    return true;
}

AccOutcome Accordion::leftDown(std::int32_t x, std::int32_t y) {
    AccOutcome out;
    out.focus = true;
    out.hideTip = true;
    setPointer(x, y);
    if (!pressed_.isNone()) {  // a press without its release: drop it
        if (pressed_.part == AccPart::UpArrow || pressed_.part == AccPart::DownArrow) out.repeat = AccRepeat::Stop;
        pressed_ = AccElement::none();
        pressedOver_ = false;
        out.redraw = true;
    }
    AccElement e = hitTest(x, y);
    if (e.isNone()) {
        out.redraw |= refreshPointerState();
        return out;
    }
    pressed_ = e;
    pressedOver_ = true;
    hot_ = e;
    out.capture = AccCapture::Take;
    out.redraw = true;
    if (e.part == AccPart::UpArrow || e.part == AccPart::DownArrow) {
        std::int32_t dir = e.part == AccPart::UpArrow ? -1 : 1;
        step(dir);
        refreshPointerState();
        out.repeat = arrowShown(e.part) ? AccRepeat::Start : AccRepeat::Stop;
    }
    return out;
}

AccOutcome Accordion::leftUp(std::int32_t x, std::int32_t y) {
    AccOutcome out;
    setPointer(x, y);
    if (pressed_.isNone()) return out;
    AccElement p = pressed_;
    AccElement e = hitTest(x, y);
    pressed_ = AccElement::none();
    pressedOver_ = false;
    hot_ = AccElement::none();
    out.capture = AccCapture::Release;
    out.redraw = true;
    switch (p.part) {
        case AccPart::Item:
            if (e == p) out.events = chooseItem(p.index).events;
            break;
        case AccPart::Header:
            if (e == p) {
                out.events.push_back({event::kHeaderReleased, p.index, 0});
                out.startSlide = expandGroup(p.index).startSlide;
            }
            break;
        case AccPart::UpArrow:
        case AccPart::DownArrow:
            out.repeat = AccRepeat::Stop;
            break;
        case AccPart::None:
            break;
    }
    return out;
}

AccOutcome Accordion::chooseItem(std::int32_t item) {
    AccOutcome out;
    if (slide_.active || item < 0 || item >= itemCount(open_)) return out;
    selected_ = item;
    out.redraw = true;
    out.events.push_back({event::kItemChosen, open_, item});
    return out;
}

AccOutcome Accordion::expandGroup(std::int32_t group) {
    AccOutcome out;
    if (group < 0 || group >= groupCount()) return out;
    if (slide_.active) {
        pending_ = group;  // opened once the running slide has ended
    } else if (group != open_) {
        beginSlide(group);
        out.redraw = true;
        out.startSlide = true;
    }
    return out;
}

AccOutcome Accordion::leftDoubleClick(std::int32_t x, std::int32_t y) {
    AccOutcome out;
    out.focus = true;
    out.hideTip = true;
    setPointer(x, y);
    AccElement e = hitTest(x, y);
    if (e.part == AccPart::Header) out.events.push_back({event::kDoubleClick, e.index, -1});
    if (e.part == AccPart::Item) out.events.push_back({event::kDoubleClick, open_, e.index});
    return out;
}

AccOutcome Accordion::rightDown(std::int32_t x, std::int32_t y) {
    AccOutcome out;
    out.hideTip = true;
    setPointer(x, y);
    return out;
}

AccOutcome Accordion::rightUp(std::int32_t x, std::int32_t y) {
    AccOutcome out;
    setPointer(x, y);
    AccElement e = hitTest(x, y);
    if (e.part == AccPart::Header) out.events.push_back({event::kRightButtonUp, e.index, -1});
    if (e.part == AccPart::Item) out.events.push_back({event::kRightButtonUp, open_, e.index});
    return out;
}

AccOutcome Accordion::keyPress() {
    AccOutcome out;
    out.hideTip = true;
    return out;
}

AccOutcome Accordion::captureLost() {
    AccOutcome out;
    if (pressed_.isNone()) return out;
    if (pressed_.part == AccPart::UpArrow || pressed_.part == AccPart::DownArrow) out.repeat = AccRepeat::Stop;
    pressed_ = AccElement::none();
    pressedOver_ = false;
    hot_ = AccElement::none();
    out.redraw = true;
    return out;
}

AccOutcome Accordion::scrollRepeat() {
    AccOutcome out;
    if (pressed_.part != AccPart::UpArrow && pressed_.part != AccPart::DownArrow) {
        out.repeat = AccRepeat::Stop;
        return out;
    }
    if (!arrowShown(pressed_.part)) {  // nothing more to reveal
        out.repeat = AccRepeat::Stop;
        return out;
    }
    if (!pressedOver_) return out;  // the pointer went off the arrow: wait for it
    out.redraw = step(pressed_.part == AccPart::UpArrow ? -1 : 1);
    out.redraw |= refreshPointerState();
    if (!arrowShown(pressed_.part)) out.repeat = AccRepeat::Stop;
    return out;
}

// ---- slide -------------------------------------------------------------------------

void Accordion::beginSlide(std::int32_t to) {
    slide_ = Slide{};
    slide_.active = true;
    slide_.from = open_;
    slide_.to = to;
    slide_.offset = 0;
    slide_.fromFirst = first_;
    slide_.frames = slideFrames();
    slide_.next = 0;
    hot_ = AccElement::none();
}

void Accordion::commitSlide(AccOutcome& out) {
    std::int32_t from = slide_.from;
    open_ = slide_.to;
    first_ = 0;
    selected_ = -1;
    slide_ = Slide{};
    out.events.push_back({event::kGroupChanged, open_, from});
    if (pending_ >= 0 && pending_ < groupCount() && pending_ != open_) {
        std::int32_t next = pending_;
        pending_ = -1;
        beginSlide(next);
    } else {
        pending_ = -1;
    }
    refreshPointerState();
}

AccOutcome Accordion::advanceSlide() {
    AccOutcome out;
    if (!slide_.active) return out;
    out.redraw = true;
    slide_.offset = slide_.frames[slide_.next++];
    if (slide_.next >= slide_.frames.size())
        commitSlide(out);
    else
        refreshPointerState();
    return out;
}

AccOutcome Accordion::finishSlide() {
    AccOutcome out;
    while (slide_.active) {
        out.redraw = true;
        slide_.offset = slide_.frames.back();
        commitSlide(out);
    }
    return out;
}

}  // namespace xy
