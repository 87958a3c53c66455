#include "toolkit/model/accordion_access.h"

#include <algorithm>

namespace xy::access {

namespace {

Rect intersect(const Rect& a, const Rect& b) {
    const std::int32_t l = std::max(a.left, b.left), t = std::max(a.top, b.top);
    const std::int32_t r = std::min(a.left + a.width, b.left + b.width);
    const std::int32_t bt = std::min(a.top + a.height, b.top + b.height);
    if (r <= l || bt <= t) return {};
    return {l, t, r - l, bt - t};
}

// A tip that only repeats the name would be read out twice.
std::string_view describe(const std::string& tip, const std::string& name) {
    return tip == name ? std::string_view() : std::string_view(tip);
}

Child headerChild(const Accordion& m, const AccLayout& l, std::int32_t g) {
    const MenuGroupDef& def = m.def().groups[std::size_t(g)];
    const AccElement e = AccElement::header(g);
    Child c;
    c.kind = Kind::Header;
    c.group = g;
    c.level = 0;
    c.name = def.header;
    c.description = describe(def.tip, def.header);
    c.expanded = g == m.openGroup();
    c.hot = m.hot() == e;
    c.pressed = m.pressedLook(e);
    c.bounds = intersect(l.headers[std::size_t(g)], Rect{0, 0, m.width(), m.height()});
    // A released click on a header bar opens its group; during a slide it
    // opens once the slide is over, which changes nothing for the group
    // being opened.
    const bool opens = m.sliding() ? g != m.slideTo() : g != m.openGroup();
    c.action = opens ? Action::Expand : Action::None;
    return c;
}

Child itemChild(const Accordion& m, const AccLayout& l, std::int32_t i) {
    const std::int32_t g = m.openGroup();
    const MenuItemDef& def = m.def().groups[std::size_t(g)].items[std::size_t(i)];
    const AccElement e = AccElement::item(i);
    Child c;
    c.kind = Kind::Item;
    c.group = g;
    c.item = i;
    c.level = 1;
    c.name = def.text;
    c.description = describe(def.tip, def.text);
    c.selected = i == m.selectedItem();
    c.hot = m.hot() == e;
    c.pressed = m.pressedLook(e);
    c.offscreen = true;
    for (const AccPane& p : l.panes) {
        if (p.group != g) continue;
        const Rect row = m.rowRect(p, i);
        const Rect shown = intersect(row, p.area);
        c.offscreen = shown.width <= 0 || shown.height <= 0;
        c.bounds = c.offscreen ? row : shown;
    }
    // Items move during a slide and cannot be clicked then.
    c.action = m.sliding() ? Action::None : Action::Choose;
    return c;
}

}  // namespace

std::int32_t childCount(const Accordion& m) {
    return m.openGroup() < 0 ? 0 : m.groupCount() + m.itemCount(m.openGroup());
}

// Reading order: the header bars up to the open group's, its items, then
// the remaining header bars.
std::optional<Child> child(const Accordion& m, std::int32_t id) {
    if (id < 1 || id > childCount(m)) return std::nullopt;
    const std::int32_t open = m.openGroup(), items = m.itemCount(open), k = id - 1;
    const AccLayout l = m.layout();
    if (k <= open) return headerChild(m, l, k);
    if (k <= open + items) return itemChild(m, l, k - open - 1);
    return headerChild(m, l, k - items);
}

std::vector<Child> children(const Accordion& m) {
    std::vector<Child> out;
    for (std::int32_t id = 1; id <= childCount(m); ++id) out.push_back(*child(m, id));
    return out;
}

std::int32_t headerId(const Accordion& m, std::int32_t group) {
    const std::int32_t open = m.openGroup();
    if (open < 0 || group < 0 || group >= m.groupCount()) return kNoChild;
    return group <= open ? group + 1 : group + 1 + m.itemCount(open);
}

std::int32_t itemId(const Accordion& m, std::int32_t item) {
    const std::int32_t open = m.openGroup();
    if (open < 0 || item < 0 || item >= m.itemCount(open)) return kNoChild;
    return open + 2 + item;
}

std::int32_t childAt(const Accordion& m, std::int32_t x, std::int32_t y) {
    if (x < 0 || y < 0 || x >= m.width() || y >= m.height()) return kNoChild;
    const AccElement e = m.hitTest(x, y);
    if (e.part == AccPart::Header) return headerId(m, e.index);
    if (e.part == AccPart::Item) return itemId(m, e.index);
    return kSelf;
}

std::int32_t selectedChild(const Accordion& m) {
    return m.selectedItem() < 0 ? kNoChild : itemId(m, m.selectedItem());
}

std::int32_t navigate(const Accordion& m, std::int32_t from, Direction d) {
    const std::int32_t n = childCount(m);
    if (from == kSelf) {
        if (n == 0) return kNoChild;
        if (d == Direction::First) return 1;
        if (d == Direction::Last) return n;
        return kNoChild;
    }
    if (from < 1 || from > n) return kNoChild;
    switch (d) {
        case Direction::Next: return from < n ? from + 1 : kNoChild;
        case Direction::Previous: return from > 1 ? from - 1 : kNoChild;
        case Direction::Up:
        case Direction::Down: {
            const std::int32_t step = d == Direction::Down ? 1 : -1;
            for (std::int32_t k = from + step; k >= 1 && k <= n; k += step)
                if (!child(m, k)->offscreen) return k;
            return kNoChild;
        }
        default: return kNoChild;  // First and Last of a child, Left and Right
    }
}

std::optional<AccOutcome> doDefaultAction(Accordion& m, std::int32_t id) {
    const std::optional<Child> c = child(m, id);
    if (!c) return std::nullopt;
    switch (c->action) {
        case Action::Choose: return m.chooseItem(c->item);
        case Action::Expand: return m.expandGroup(c->group);
        case Action::None: break;
    }
    return std::nullopt;
}

}  // namespace xy::access
