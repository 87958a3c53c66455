// What the accordion tells a screen reader: its children in reading order,
// their states and places, hit testing, navigation, and default actions that
// go through the same model calls as a completed click. Mostly with the site
// menu's own definition.
#include "toolkit/model/accordion_access.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "launcher/site_menu_def.h"

namespace xy {
namespace {

using access::Action;
using access::Child;
using access::Direction;
using access::Kind;
using access::kNoChild;
using access::kSelf;

constexpr std::int32_t kW = 168, kH = 424;

Accordion siteMenu() { return Accordion(siteMenuDefinition(), kW, kH); }

struct Pt {
    std::int32_t x, y;
};
Pt centre(const Rect& r) { return {r.left + r.width / 2, r.top + r.height / 2}; }

std::vector<AccEvent> click(Accordion& m, Pt p) {
    std::vector<AccEvent> ev;
    for (const AccOutcome& o : {m.pointerMove(p.x, p.y), m.leftDown(p.x, p.y), m.leftUp(p.x, p.y)})
        ev.insert(ev.end(), o.events.begin(), o.events.end());
    m.pointerLeave();
    return ev;
}

// The slide's frames, run as the view runs them; the events they raise.
std::vector<AccEvent> finishSlide(Accordion& m) {
    std::vector<AccEvent> ev;
    for (int guard = 0; m.sliding() && guard < 1000; ++guard) {
        AccOutcome o = m.advanceSlide();
        ev.insert(ev.end(), o.events.begin(), o.events.end());
    }
    return ev;
}

void openByClick(Accordion& m, int g) {
    if (m.openGroup() == g) return;
    click(m, centre(m.layout().headers[std::size_t(g)]));
    finishSlide(m);
    ASSERT_EQ(m.openGroup(), g);
}

std::vector<std::string> names(const Accordion& m) {
    std::vector<std::string> out;
    for (const Child& c : access::children(m)) out.emplace_back(c.name);
    return out;
}

// ---- the children ---------------------------------------------------------------

TEST(AccordionAccess, ChildrenAtStart) {
    Accordion m = siteMenu();
    struct Row {
        Kind kind;
        const char* name;
        std::int32_t group, item, level;
        bool expanded;
        Action action;
    };
    const Row rows[] = {
        {Kind::Header, "网站", 0, -1, 0, false, Action::Expand},
        {Kind::Header, "购物", 1, -1, 0, false, Action::Expand},
        {Kind::Header, "常用网站", 2, -1, 0, false, Action::Expand},
        {Kind::Header, "说明", 3, -1, 0, true, Action::None},  // the open group: a click does nothing
        {Kind::Item, "说明", 3, 0, 1, false, Action::Choose},
        {Kind::Item, "更新", 3, 1, 1, false, Action::Choose},
    };
    ASSERT_EQ(access::childCount(m), 6);
    const std::vector<Child> all = access::children(m);
    ASSERT_EQ(all.size(), std::size(rows));
    for (std::size_t k = 0; k < all.size(); ++k) {
        SCOPED_TRACE("child " + std::to_string(k + 1));
        const Child& c = all[k];
        EXPECT_EQ(c.kind, rows[k].kind);
        EXPECT_EQ(c.name, rows[k].name);
        EXPECT_EQ(c.group, rows[k].group);
        EXPECT_EQ(c.item, rows[k].item);
        EXPECT_EQ(c.level, rows[k].level);
        EXPECT_EQ(c.expanded, rows[k].expanded);
        EXPECT_EQ(c.action, rows[k].action);
        EXPECT_FALSE(c.selected || c.offscreen || c.hot || c.pressed);
        EXPECT_TRUE(c.description.empty());
        EXPECT_EQ(access::child(m, std::int32_t(k + 1)), c);
    }
    EXPECT_EQ(access::selectedChild(m), kNoChild);
}

TEST(AccordionAccess, ReadingOrderAndIdsForEachOpenGroup) {
    const MenuDef def = siteMenuDefinition();
    for (int g : {0, 1, 2, 3, 0}) {
        SCOPED_TRACE("open group " + std::to_string(g));
        Accordion m = siteMenu();
        ASSERT_NO_FATAL_FAILURE(openByClick(m, g));
        std::vector<std::string> expected;
        for (int h = 0; h < 4; ++h) {
            expected.push_back(def.groups[std::size_t(h)].header);
            if (h == g)
                for (const auto& it : def.groups[std::size_t(h)].items) expected.push_back(it.text);
        }
        EXPECT_EQ(names(m), expected);
        ASSERT_EQ(access::childCount(m), std::int32_t(expected.size()));
        for (int h = 0; h < 4; ++h) {
            auto c = access::child(m, access::headerId(m, h));
            ASSERT_TRUE(c);
            EXPECT_EQ(c->kind, Kind::Header);
            EXPECT_EQ(c->group, h);
            EXPECT_EQ(c->expanded, h == g);
        }
        for (int i = 0; i < m.itemCount(g); ++i) {
            auto c = access::child(m, access::itemId(m, i));
            ASSERT_TRUE(c);
            EXPECT_EQ(c->kind, Kind::Item);
            EXPECT_EQ(c->group, g);
            EXPECT_EQ(c->item, i);
        }
        EXPECT_EQ(access::itemId(m, m.itemCount(g)), kNoChild);
        EXPECT_EQ(access::headerId(m, 4), kNoChild);
        EXPECT_FALSE(access::child(m, kSelf));
        EXPECT_FALSE(access::child(m, access::childCount(m) + 1));
    }
}

TEST(AccordionAccess, BoundsComeFromTheLayout) {
    Accordion m = siteMenu();
    // At start: the bars stacked at the top, the two items in 36 px rows.
    for (int g = 0; g < 4; ++g) EXPECT_EQ(access::child(m, g + 1)->bounds, (Rect{0, g * 40, kW, 40}));
    EXPECT_EQ(access::child(m, 5)->bounds, (Rect{0, 160, kW, 36}));
    EXPECT_EQ(access::child(m, 6)->bounds, (Rect{0, 196, kW, 36}));

    // 网站 open: its area runs from 40 to 304; seven rows fit and the
    // eighth (新华网) shows its top 12 px.
    ASSERT_NO_FATAL_FAILURE(openByClick(m, 0));
    EXPECT_EQ(access::child(m, access::headerId(m, 1))->bounds, (Rect{0, 304, kW, 40}));
    EXPECT_EQ(access::child(m, access::itemId(m, 0))->bounds, (Rect{0, 40, kW, 36}));
    auto last = access::child(m, access::itemId(m, 7));
    EXPECT_FALSE(last->offscreen);
    EXPECT_EQ(last->bounds, (Rect{0, 292, kW, 12}));

    // One step down: 腾讯网 leaves the area and 新华网 is whole.
    const AccLayout l = m.layout();
    ASSERT_TRUE(l.downArrow);
    click(m, centre(l.downArrowRect));
    ASSERT_EQ(m.firstShown(), 1);
    auto first = access::child(m, access::itemId(m, 0));
    EXPECT_TRUE(first->offscreen);
    EXPECT_EQ(first->bounds, (Rect{0, 4, kW, 36})) << "where its row would be";
    for (int i = 1; i < 8; ++i) {
        auto c = access::child(m, access::itemId(m, i));
        EXPECT_FALSE(c->offscreen) << i;
        EXPECT_EQ(c->bounds, (Rect{0, 40 + (i - 1) * 36, kW, 36})) << i;
    }
}

TEST(AccordionAccess, StatesFollowSelectionPointerAndPress) {
    Accordion m = siteMenu();
    ASSERT_NO_FATAL_FAILURE(openByClick(m, 0));
    const Pt baidu = centre(m.rowRect(m.layout().panes.at(0), 2));
    const std::int32_t id = access::itemId(m, 2);

    m.pointerMove(baidu.x, baidu.y);
    EXPECT_TRUE(access::child(m, id)->hot);
    m.leftDown(baidu.x, baidu.y);
    EXPECT_TRUE(access::child(m, id)->pressed);
    m.leftUp(baidu.x, baidu.y);
    m.pointerLeave();
    auto c = access::child(m, id);
    EXPECT_TRUE(c->selected);
    EXPECT_FALSE(c->hot || c->pressed);
    EXPECT_EQ(access::selectedChild(m), id);
    for (const Child& other : access::children(m)) {
        if (other.kind == Kind::Item && other.item != 2) {
            EXPECT_FALSE(other.selected) << other.name;
        }
    }
    // 百度's tip only repeats its name: nothing to describe.
    EXPECT_TRUE(c->description.empty());

    // Another group opened: the selection is gone.
    ASSERT_NO_FATAL_FAILURE(openByClick(m, 1));
    EXPECT_EQ(access::selectedChild(m), kNoChild);
}

TEST(AccordionAccess, TipsThatSayMoreBecomeDescriptions) {
    MenuDef def;
    def.headerHeight = 20;
    def.groups.push_back({"A", 0, -1, {-1, -1, -1, -1}, "about A", {{"a1", -1, 0, "opens a1"}, {"a2", -1, 0, "a2"}}});
    def.groups.push_back({"B", 0, -1, {-1, -1, -1, -1}, "", {}});
    Accordion m(def, 100, 200);
    const std::vector<Child> all = access::children(m);
    ASSERT_EQ(all.size(), 4u);
    EXPECT_EQ(all[0].description, "about A");
    EXPECT_EQ(all[1].description, "opens a1");
    EXPECT_TRUE(all[2].description.empty());
    EXPECT_TRUE(all[3].description.empty());
    // A group without items: no item children, the header still opens it.
    EXPECT_EQ(all[3].action, Action::Expand);
}

// ---- hit testing and navigation -------------------------------------------------

TEST(AccordionAccess, ChildAtFollowsTheControlsHitTesting) {
    Accordion m = siteMenu();
    EXPECT_EQ(access::childAt(m, 84, 20), 1);       // 网站
    EXPECT_EQ(access::childAt(m, 84, 150), 4);      // 说明's bar
    EXPECT_EQ(access::childAt(m, 84, 178), 5);      // item 说明
    EXPECT_EQ(access::childAt(m, 84, 200), 6);      // 更新
    EXPECT_EQ(access::childAt(m, 84, 400), kSelf);  // below the last row
    EXPECT_EQ(access::childAt(m, -1, 20), kNoChild);
    EXPECT_EQ(access::childAt(m, kW, 20), kNoChild);
    EXPECT_EQ(access::childAt(m, 84, kH), kNoChild);

    ASSERT_NO_FATAL_FAILURE(openByClick(m, 0));
    const AccLayout l = m.layout();
    EXPECT_EQ(access::childAt(m, 84, 40 + 2 * 36 + 18), access::itemId(m, 2));  // 百度
    EXPECT_EQ(access::childAt(m, centre(l.downArrowRect).x, centre(l.downArrowRect).y), kSelf);
    EXPECT_EQ(access::childAt(m, 84, 420), access::headerId(m, 3));

    // During a slide only the header bars are there to be hit.
    click(m, {84, 320});  // 购物's bar at the bottom
    ASSERT_TRUE(m.sliding());
    m.advanceSlide();
    EXPECT_EQ(access::childAt(m, 84, 20), 1);
    EXPECT_EQ(access::childAt(m, 84, 58), kSelf) << "an item moving away";
}

TEST(AccordionAccess, Navigation) {
    Accordion m = siteMenu();
    ASSERT_NO_FATAL_FAILURE(openByClick(m, 0));
    const std::int32_t n = access::childCount(m);  // 4 bars + 8 items
    ASSERT_EQ(n, 12);
    // Scrolled down by one: 腾讯网 (child 2) is out of view.
    click(m, centre(m.layout().downArrowRect));
    ASSERT_TRUE(access::child(m, 2)->offscreen);

    struct Case {
        std::int32_t from;
        Direction d;
        std::int32_t to;
    };
    const Case cases[] = {
        {kSelf, Direction::First, 1},     {kSelf, Direction::Last, n},       {kSelf, Direction::Next, kNoChild},
        {kSelf, Direction::Down, kNoChild}, {1, Direction::Next, 2},         {1, Direction::Down, 3},
        {3, Direction::Previous, 2},      {3, Direction::Up, 1},             {1, Direction::Previous, kNoChild},
        {1, Direction::Up, kNoChild},     {n, Direction::Next, kNoChild},    {n, Direction::Down, kNoChild},
        {n, Direction::Up, n - 1},        {5, Direction::First, kNoChild},   {5, Direction::Last, kNoChild},
        {5, Direction::Left, kNoChild},   {5, Direction::Right, kNoChild},   {n + 1, Direction::Previous, kNoChild},
        {-3, Direction::Next, kNoChild},
    };
    for (const Case& c : cases)
        EXPECT_EQ(access::navigate(m, c.from, c.d), c.to) << "from " << c.from << " direction " << int(c.d);
}

// ---- default actions --------------------------------------------------------------

TEST(AccordionAccess, ChoosingAnItemDoesWhatAClickDoes) {
    struct Case {
        int group, item;
    };
    for (Case k : {Case{0, 2}, Case{3, 1}, Case{2, 2}, Case{1, 6}, Case{3, 0}}) {
        SCOPED_TRACE("item (" + std::to_string(k.group) + ", " + std::to_string(k.item) + ")");
        Accordion clicked = siteMenu(), acted = siteMenu();
        ASSERT_NO_FATAL_FAILURE(openByClick(clicked, k.group));
        ASSERT_NO_FATAL_FAILURE(openByClick(acted, k.group));
        std::vector<AccEvent> byClick = click(clicked, centre(clicked.rowRect(clicked.layout().panes.at(0), k.item)));

        auto o = access::doDefaultAction(acted, access::itemId(acted, k.item));
        ASSERT_TRUE(o);
        EXPECT_TRUE(o->redraw);
        EXPECT_FALSE(o->startSlide);
        EXPECT_EQ(o->events, byClick);
        EXPECT_EQ(o->chosen(), std::make_pair(k.group, k.item));
        EXPECT_EQ(acted.selectedItem(), clicked.selectedItem());
        EXPECT_EQ(acted.openGroup(), clicked.openGroup());
        EXPECT_TRUE(access::child(acted, access::itemId(acted, k.item))->selected);
    }
}

TEST(AccordionAccess, ItemsOutOfViewAndTheSelectedItemCanBeChosenToo) {
    Accordion m = siteMenu();
    ASSERT_NO_FATAL_FAILURE(openByClick(m, 0));
    click(m, centre(m.layout().downArrowRect));
    ASSERT_TRUE(access::child(m, access::itemId(m, 0))->offscreen);
    auto o = access::doDefaultAction(m, access::itemId(m, 0));  // 腾讯网, scrolled away
    ASSERT_TRUE(o);
    EXPECT_EQ(o->chosen(), std::make_pair(0, 0));
    EXPECT_EQ(m.firstShown(), 1) << "choosing does not scroll";
    // Again: the event is raised again, as for a second click.
    o = access::doDefaultAction(m, access::itemId(m, 0));
    ASSERT_TRUE(o);
    EXPECT_EQ(o->chosen(), std::make_pair(0, 0));
}

TEST(AccordionAccess, ExpandingAHeaderSlidesAsAClickDoes) {
    Accordion clicked = siteMenu(), acted = siteMenu();
    std::vector<AccEvent> byClick = click(clicked, centre(clicked.layout().headers[0]));
    ASSERT_TRUE(clicked.sliding());
    auto o = access::doDefaultAction(acted, 1);  // 网站
    ASSERT_TRUE(o);
    EXPECT_TRUE(o->startSlide);
    EXPECT_TRUE(o->events.empty()) << "no header bar was released";
    EXPECT_EQ(byClick, (std::vector<AccEvent>{{event::kHeaderReleased, 0, 0}}));
    // The same frames and the same end.
    while (clicked.sliding() || acted.sliding()) {
        ASSERT_EQ(clicked.sliding(), acted.sliding());
        EXPECT_EQ(acted.advanceSlide().events, clicked.advanceSlide().events);
        EXPECT_EQ(acted.layout().headers, clicked.layout().headers);
    }
    EXPECT_EQ(acted.openGroup(), 0);
    EXPECT_EQ(access::child(acted, 1)->expanded, true);
    EXPECT_EQ(access::child(acted, access::headerId(acted, 3))->expanded, false);
}

TEST(AccordionAccess, WhatHasNoDefaultAction) {
    Accordion m = siteMenu();
    // The open group's own bar, the control itself and ids that name nothing.
    for (std::int32_t id : {4, kSelf, 7, -1, 1000}) EXPECT_FALSE(access::doDefaultAction(m, id)) << id;
    EXPECT_FALSE(m.sliding());
    EXPECT_EQ(m.selectedItem(), -1);

    // During a slide items cannot be chosen; a header bar is remembered and
    // opened after the slide, as a click on it would be.
    ASSERT_TRUE(access::doDefaultAction(m, 2));  // 购物
    ASSERT_TRUE(m.sliding());
    m.advanceSlide();
    EXPECT_EQ(access::child(m, 5)->action, Action::None);
    EXPECT_FALSE(access::doDefaultAction(m, 5));
    EXPECT_EQ(access::child(m, 2)->action, Action::None) << "the group being opened";
    auto o = access::doDefaultAction(m, 1);  // 网站
    ASSERT_TRUE(o);
    EXPECT_FALSE(o->startSlide);
    EXPECT_EQ(m.pendingGroup(), 0);
    std::vector<AccEvent> ev = finishSlide(m);
    EXPECT_EQ(m.openGroup(), 0);
    EXPECT_EQ(ev, (std::vector<AccEvent>{{event::kGroupChanged, 1, 3}, {event::kGroupChanged, 0, 1}}));
    for (const AccEvent& e : ev) EXPECT_NE(e.number, event::kItemChosen);
}

TEST(AccordionActions, ChooseItemAndExpandGroupRejectWhatIsNotThere) {
    Accordion m = siteMenu();
    for (std::int32_t i : {-1, 2, 100}) {
        AccOutcome o = m.chooseItem(i);
        EXPECT_TRUE(o.events.empty()) << i;
        EXPECT_FALSE(o.redraw) << i;
    }
    EXPECT_EQ(m.selectedItem(), -1);
    for (std::int32_t g : {-1, 3, 4}) {
        AccOutcome o = m.expandGroup(g);
        EXPECT_FALSE(o.startSlide) << g;
        EXPECT_FALSE(m.sliding()) << g;
    }
    EXPECT_EQ(m.openGroup(), 3);
}

}  // namespace
}  // namespace xy
