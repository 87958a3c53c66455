// The accordion model driven through its input calls, with the site menu's
// own definition (and a few made-up ones where the site menu cannot show a
// case).
#include "toolkit/model/accordion.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "launcher/site_menu_def.h"

namespace xy {
namespace {

constexpr std::int32_t kW = 168, kH = 424;

// The definition is built at compile time.
static_assert(siteMenuDefinition().groups.size() == 4);
static_assert(siteMenuDefinition().groups[0].items.size() == 8);

struct Pt {
    std::int32_t x, y;
};
Pt centre(const Rect& r) { return {r.left + r.width / 2, r.top + r.height / 2}; }
Pt headerPt(const Accordion& m, int g) { return centre(m.layout().headers[std::size_t(g)]); }
Pt itemPt(const Accordion& m, int i) {
    AccLayout l = m.layout();
    return centre(m.rowRect(l.panes.at(0), i));
}

// Events of one whole click (move there, press, release).
std::vector<AccEvent> click(Accordion& m, Pt p) {
    std::vector<AccEvent> ev;
    for (const AccOutcome& o : {m.pointerMove(p.x, p.y), m.leftDown(p.x, p.y), m.leftUp(p.x, p.y)})
        ev.insert(ev.end(), o.events.begin(), o.events.end());
    return ev;
}
int chosenCount(const std::vector<AccEvent>& ev) {
    int n = 0;
    for (const auto& e : ev) n += e.number == event::kItemChosen;
    return n;
}

// Runs the frames of the running slide as the view does; the layouts shown.
std::vector<AccLayout> runSlide(Accordion& m, std::vector<AccEvent>* events = nullptr) {
    std::vector<AccLayout> frames;
    for (int guard = 0; m.sliding() && guard < 1000; ++guard) {
        AccOutcome o = m.advanceSlide();
        EXPECT_TRUE(o.redraw);
        if (events) events->insert(events->end(), o.events.begin(), o.events.end());
        frames.push_back(m.layout());
    }
    return frames;
}

void openGroup(Accordion& m, int g) {
    if (m.openGroup() == g) return;
    click(m, headerPt(m, g));
    ASSERT_TRUE(m.sliding());
    runSlide(m);
    ASSERT_EQ(m.openGroup(), g);
}

Accordion siteMenu() { return Accordion(siteMenuDefinition(), kW, kH); }

// ---- the site menu's definition ---------------------------------------------------

TEST(SiteMenuDefinition, ContentTable) {
    const MenuDef m = siteMenuDefinition();
    const std::vector<std::pair<std::string, std::vector<std::string>>> table = {
        {"网站", {"腾讯网", "新浪网", "百度", "网易", "凤凰", "人民网", "东方财富", "新华网"}},
        {"购物", {"淘宝网", "京东商城", "苏宁易购", "亚马逊", "聚美优品", "唯品会", "国美在线"}},
        {"常用网站", {"吾爱破解", "QQ活动网", "CF论坛"}},
        {"说明", {"说明", "更新"}},
    };
    ASSERT_EQ(m.groups.size(), table.size());
    for (std::size_t g = 0; g < table.size(); ++g) {
        const MenuGroupDef& grp = m.groups[g];
        EXPECT_EQ(grp.header, table[g].first);
        EXPECT_EQ(grp.userValue, 0);
        EXPECT_EQ(grp.headerPicture, -1);
        for (int b : grp.backgrounds) EXPECT_EQ(b, -1);
        EXPECT_EQ(grp.tip, "");
        ASSERT_EQ(grp.items.size(), table[g].second.size()) << grp.header;
        for (std::size_t i = 0; i < grp.items.size(); ++i) {
            const MenuItemDef& it = grp.items[i];
            EXPECT_EQ(it.text, table[g].second[i]);
            EXPECT_EQ(it.picture, -1);
            EXPECT_EQ(it.userValue, 0);
            EXPECT_EQ(it.tip, it.text == "百度" ? "百度" : "") << it.text;
        }
    }
}

TEST(SiteMenuDefinition, Settings) {
    const MenuDef m = siteMenuDefinition();
    EXPECT_EQ(m.openGroup, 3);
    EXPECT_EQ(m.selectedItem, -1);
    EXPECT_EQ(m.view, MenuView::Icon);
    EXPECT_EQ(m.headerHeight, 40);
    EXPECT_EQ(m.slideStep, 30);
    EXPECT_EQ(m.headerStyle, 1);
    EXPECT_TRUE(m.flat);
    EXPECT_TRUE(m.selectedAnimation);
    EXPECT_TRUE(m.captionOverHeaderBackground);
    EXPECT_TRUE(m.iconOverHeaderBackground);
    EXPECT_EQ(m.headerFont, (FontDef{"SimSun", 12, 400, false, false, false}));
    EXPECT_EQ(m.itemFont, (FontDef{"", 14, 400, false, false, false}));

    const std::vector<std::tuple<const char*, Color, Color>> colours = {
        {"crBackGroundColor", m.background, rgb(192, 192, 192)},
        {"crFolderBgColor", m.folderBg, kSystemDefaultColor},
        {"crFolderBgDownColor", m.folderBgDown, kSystemDefaultColor},
        {"crFolderBgHoverColor", m.folderBgHover, kSystemDefaultColor},
        {"crFolderSelBgColor", m.folderSelBg, kSystemDefaultColor},
        {"crFolderTextColor", m.folderText, rgb(0, 0, 0)},
        {"crFolderTextDownColor", m.folderTextDown, rgb(0, 0, 0)},
        {"crFolderTextHoverColor", m.folderTextHover, rgb(0, 0, 0)},
        {"crFolderSelTextColor", m.folderSelText, rgb(0, 0, 0)},
        {"crItemTextColor", m.itemText, rgb(255, 128, 0)},
        {"crItemTextHoverColor", m.itemTextHover, rgb(0, 0, 255)},
        {"crItemSelTextColor", m.itemSelText, rgb(255, 255, 0)},
        {"crHilightBorder", m.hilightBorder, rgb(0, 255, 0)},
        {"crDkShadowBorder", m.dkShadowBorder, rgb(0, 60, 115)},
        {"cr3dFace", m.face3d, rgb(223, 250, 0)},
    };
    for (const auto& [name, actual, expected] : colours) EXPECT_EQ(actual, expected) << name;
    // COLORREF byte order: red in the low byte.
    EXPECT_EQ(m.itemText, 0x000080FFu);

    EXPECT_EQ(m.largeIcons, (ImageListDef{142, 50, 1}));
    EXPECT_EQ(m.smallIcons, (ImageListDef{16, 15, 8}));
    EXPECT_EQ(m.headerIcons.count, 0);
    EXPECT_EQ(m.headerBackgrounds.count, 0);
}

// ---- building ------------------------------------------------------------------

TEST(Accordion, BuildsWithTheDefinitionsStartState) {
    Accordion m = siteMenu();
    EXPECT_EQ(m.groupCount(), 4);
    EXPECT_EQ(m.openGroup(), 3);
    EXPECT_EQ(m.selectedItem(), -1);
    EXPECT_EQ(m.firstShown(), 0);
    EXPECT_TRUE(m.hot().isNone());
    EXPECT_TRUE(m.pressed().isNone());
    EXPECT_FALSE(m.sliding());
}

TEST(Accordion, BuildingClampsWhatTheDefinitionCannotShow) {
    struct Case {
        std::int32_t open, selected, wantOpen, wantSelected;
    };
    for (const Case& c : std::vector<Case>{{9, 0, 3, 0}, {-2, 7, 0, 7}, {3, 2, 3, -1}, {2, -5, 2, -1}, {1, 6, 1, 6}}) {
        MenuDef d = siteMenuDefinition();
        d.openGroup = c.open;
        d.selectedItem = c.selected;
        Accordion m(d, kW, kH);
        EXPECT_EQ(m.openGroup(), c.wantOpen) << c.open;
        EXPECT_EQ(m.selectedItem(), c.wantSelected) << c.open << "/" << c.selected;
    }
    MenuDef empty;
    Accordion e(empty, kW, kH);
    EXPECT_EQ(e.openGroup(), -1);
    EXPECT_TRUE(e.hitTest(10, 10).isNone());
    EXPECT_TRUE(click(e, {10, 10}).empty());
}

// ---- layout --------------------------------------------------------------------

TEST(AccordionLayout, HeaderBarsAndItemAreaForEachOpenGroup) {
    struct Case {
        int open;
        std::vector<std::int32_t> headerTops;
        Rect area;
        bool up, down;
    };
    const std::vector<Case> cases = {
        {0, {0, 304, 344, 384}, {0, 40, 168, 264}, false, true},
        {1, {0, 40, 344, 384}, {0, 80, 168, 264}, false, false},
        {2, {0, 40, 80, 384}, {0, 120, 168, 264}, false, false},
        {3, {0, 40, 80, 120}, {0, 160, 168, 264}, false, false},
    };
    Accordion m = siteMenu();
    EXPECT_EQ(m.areaHeight(), 264);
    EXPECT_EQ(m.rowHeight(), accordion_metrics::kIconRowHeight);
    for (const Case& c : cases) {
        AccLayout l = m.restingLayout(c.open, 0);
        ASSERT_EQ(l.headers.size(), 4u);
        for (int g = 0; g < 4; ++g) {
            EXPECT_EQ(l.headers[g], (Rect{0, c.headerTops[g], 168, 40})) << "open " << c.open << " header " << g;
        }
        ASSERT_EQ(l.panes.size(), 1u);
        EXPECT_EQ(l.panes[0].group, c.open);
        EXPECT_EQ(l.panes[0].area, c.area) << "open " << c.open;
        EXPECT_EQ(l.upArrow, c.up) << "open " << c.open;
        EXPECT_EQ(l.downArrow, c.down) << "open " << c.open;
        for (int i = 0; i < m.itemCount(c.open); ++i)
            EXPECT_EQ(m.rowRect(l.panes[0], i), (Rect{0, c.area.top + 36 * i, 168, 36}));
    }
    // The start: 说明 open, all four bars at the top.
    EXPECT_EQ(m.layout().headers.back(), (Rect{0, 120, 168, 40}));
}

TEST(AccordionLayout, RowSpacingMakesGroupZeroScrollAndTheOthersFit) {
    Accordion m = siteMenu();
    EXPECT_GT(8 * m.rowHeight(), m.areaHeight());  // 网站's eight rows do not fit
    EXPECT_LE(7 * m.rowHeight(), m.areaHeight());  // 购物's seven do
}

TEST(AccordionLayout, HitTestingAtRest) {
    Accordion m = siteMenu();  // 说明 open
    struct Case {
        Pt p;
        AccElement want;
    };
    const std::vector<Case> cases = {
        {{0, 0}, AccElement::header(0)},       {{167, 39}, AccElement::header(0)},
        {{84, 40}, AccElement::header(1)},     {{84, 159}, AccElement::header(3)},
        {{84, 160}, AccElement::item(0)},      {{84, 195}, AccElement::item(0)},
        {{84, 196}, AccElement::item(1)},      {{84, 231}, AccElement::item(1)},
        {{84, 232}, AccElement::none()},       {{84, 423}, AccElement::none()},
        {{-1, 10}, AccElement::none()},        {{168, 10}, AccElement::none()},
        {{84, 424}, AccElement::none()},       {{84, -1}, AccElement::none()},
    };
    for (const Case& c : cases) EXPECT_EQ(m.hitTest(c.p.x, c.p.y), c.want) << c.p.x << "," << c.p.y;

    struct CursorCase {
        Pt p;
        Cursor want;
    };
    for (const CursorCase& c : std::vector<CursorCase>{{{84, 20}, Cursor::Hand},
                                                       {{84, 150}, Cursor::Hand},
                                                       {{84, 170}, Cursor::Arrow},
                                                       {{84, 400}, Cursor::Arrow}})
        EXPECT_EQ(m.cursorAt(c.p.x, c.p.y), c.want) << c.p.y;

    openGroup(m, 0);
    AccLayout l = m.layout();
    ASSERT_TRUE(l.downArrow);
    EXPECT_EQ(l.downArrowRect, (Rect{149, 286, 16, 16}));
    EXPECT_EQ(m.hitTest(157, 294), AccElement::downArrow());
    EXPECT_EQ(m.cursorAt(157, 294), Cursor::Arrow);
    // The partly shown eighth row can be hit beside the arrow.
    EXPECT_EQ(m.hitTest(84, 300), AccElement::item(7));
    EXPECT_EQ(m.hitTest(84, 304), AccElement::header(1));
    EXPECT_EQ(m.cursorAt(84, 310), Cursor::Hand);
}

// ---- slides --------------------------------------------------------------------

TEST(AccordionSlide, FrameOffsets) {
    using V = std::vector<std::int32_t>;
    EXPECT_EQ(Accordion::slideFrames(264, 30), (V{30, 60, 90, 120, 150, 180, 210, 240, 264}));
    EXPECT_EQ(Accordion::slideFrames(60, 30), (V{30, 60}));
    EXPECT_EQ(Accordion::slideFrames(10, 30), (V{10}));
    EXPECT_EQ(Accordion::slideFrames(264, 0), (V{264}));   // switch at once
    EXPECT_EQ(Accordion::slideFrames(264, -5), (V{264}));
    EXPECT_EQ(Accordion::slideFrames(0, 30), (V{0}));
}

TEST(AccordionSlide, FromEachGroupToEachOther) {
    for (int from = 0; from < 4; ++from) {
        for (int to = 0; to < 4; ++to) {
            if (from == to) continue;
            SCOPED_TRACE("slide " + std::to_string(from) + " -> " + std::to_string(to));
            MenuDef d = siteMenuDefinition();
            d.openGroup = from;
            Accordion m(d, kW, kH);
            const AccLayout start = m.layout();

            std::vector<AccEvent> ev = click(m, headerPt(m, to));
            EXPECT_EQ(chosenCount(ev), 0);
            ASSERT_TRUE(m.sliding());
            EXPECT_EQ(m.slideFrom(), from);
            EXPECT_EQ(m.slideTo(), to);
            EXPECT_EQ(m.openGroup(), from);  // until the last frame

            std::vector<AccLayout> frames = runSlide(m, &ev);
            ASSERT_EQ(frames.size(), 9u);
            const int lo = std::min(from, to), hi = std::max(from, to);
            for (std::size_t f = 0; f < frames.size(); ++f) {
                const std::int32_t d = f + 1 < frames.size() ? std::int32_t(30 * (f + 1)) : 264;
                for (int g = 0; g < 4; ++g) {
                    std::int32_t want = start.headers[g].top;
                    if (g > lo && g <= hi) want += to > from ? -d : d;
                    EXPECT_EQ(frames[f].headers[g].top, want) << "frame " << f << " header " << g;
                }
                if (f + 1 < frames.size()) {
                    // Closing and opening lists share the item area.
                    ASSERT_EQ(frames[f].panes.size(), 2u);
                    EXPECT_EQ(frames[f].panes[0].group, from);
                    EXPECT_EQ(frames[f].panes[1].group, to);
                    EXPECT_EQ(frames[f].panes[0].area.height, 264 - d);
                    EXPECT_EQ(frames[f].panes[1].area.height, d);
                }
            }
            const AccLayout rest = m.restingLayout(to, 0);
            EXPECT_EQ(frames.back().headers, rest.headers);
            ASSERT_EQ(frames.back().panes.size(), 1u);
            EXPECT_EQ(frames.back().panes[0], rest.panes[0]);
            EXPECT_FALSE(m.sliding());
            EXPECT_EQ(m.openGroup(), to);
            EXPECT_EQ(m.firstShown(), 0);
            EXPECT_EQ(m.selectedItem(), -1);
            EXPECT_EQ(ev.back(), (AccEvent{event::kGroupChanged, to, from}));
            EXPECT_EQ(chosenCount(ev), 0);
        }
    }
}

TEST(AccordionSlide, OpeningAnotherGroupResetsScrollAndSelection) {
    Accordion m = siteMenu();
    openGroup(m, 0);
    click(m, {157, 294});  // scroll down
    ASSERT_EQ(m.firstShown(), 1);
    click(m, itemPt(m, 2));
    ASSERT_EQ(m.selectedItem(), 2);

    click(m, headerPt(m, 2));
    ASSERT_TRUE(m.sliding());
    // The closing list keeps its scroll position while it slides away.
    m.advanceSlide();
    EXPECT_EQ(m.layout().panes[0].firstShown, 1);
    EXPECT_EQ(m.itemLabelColor(0, 2), rgb(255, 255, 0));
    runSlide(m);
    EXPECT_EQ(m.openGroup(), 2);
    EXPECT_EQ(m.firstShown(), 0);
    EXPECT_EQ(m.selectedItem(), -1);
    openGroup(m, 0);
    EXPECT_EQ(m.firstShown(), 0);
    EXPECT_EQ(m.selectedItem(), -1);
}

TEST(AccordionSlide, HeaderPressMustBeReleasedOnTheSameHeader) {
    Accordion m = siteMenu();
    struct Case {
        Pt release;
    };
    // Pressed on 网站, released on 购物, on an item, outside the control.
    for (const Case& c : std::vector<Case>{{{84, 60}}, {{84, 170}}, {{84, 500}}, {{-20, 20}}}) {
        Pt p = headerPt(m, 0);
        m.pointerMove(p.x, p.y);
        AccOutcome down = m.leftDown(p.x, p.y);
        EXPECT_EQ(down.capture, AccCapture::Take);
        EXPECT_TRUE(m.pressedLook(AccElement::header(0)));
        m.pointerMove(c.release.x, c.release.y);
        EXPECT_FALSE(m.pressedLook(AccElement::header(0)));
        AccOutcome up = m.leftUp(c.release.x, c.release.y);
        EXPECT_EQ(up.capture, AccCapture::Release);
        EXPECT_FALSE(up.startSlide);
        EXPECT_FALSE(m.sliding());
        EXPECT_EQ(m.openGroup(), 3);
    }
}

TEST(AccordionSlide, ClickOnTheOpenGroupsHeaderChangesNothing) {
    for (int g = 0; g < 4; ++g) {
        MenuDef d = siteMenuDefinition();
        d.openGroup = g;
        Accordion m(d, kW, kH);
        std::vector<AccEvent> ev = click(m, headerPt(m, g));
        EXPECT_FALSE(m.sliding());
        EXPECT_EQ(m.openGroup(), g);
        EXPECT_EQ(chosenCount(ev), 0);
        EXPECT_EQ(ev, (std::vector<AccEvent>{{event::kHeaderReleased, g, 0}}));
    }
}

TEST(AccordionSlide, ZeroStepSwitchesInOneFrame) {
    MenuDef d = siteMenuDefinition();
    d.slideStep = 0;
    Accordion m(d, kW, kH);
    click(m, headerPt(m, 0));
    EXPECT_EQ(runSlide(m).size(), 1u);
    EXPECT_EQ(m.openGroup(), 0);
}

// Input that arrives between the frames of a slide (the view handles
// pending messages there).
TEST(AccordionSlide, HeaderClickDuringASlideOpensThatGroupAfterwards) {
    struct Case {
        int clickedDuring;  // header clicked after three frames of 3 -> 0
        int wantOpen;
        std::size_t wantFrames;  // frames after that click
    };
    const std::vector<Case> cases = {
        {1, 1, 6 + 9},  // the running slide ends, then 0 -> 1
        {3, 3, 6 + 9},  // back to where it came from
        {0, 0, 6},      // the group being opened: nothing more
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.clickedDuring);
        Accordion m = siteMenu();
        click(m, headerPt(m, 0));
        for (int i = 0; i < 3; ++i) m.advanceSlide();
        ASSERT_TRUE(m.sliding());
        std::vector<AccEvent> ev = click(m, headerPt(m, c.clickedDuring));  // where the bar is now
        EXPECT_EQ(chosenCount(ev), 0);
        EXPECT_EQ(m.slideTo(), 0);  // the running slide goes on unchanged
        EXPECT_EQ(m.pendingGroup(), c.clickedDuring);
        std::vector<AccLayout> frames = runSlide(m);
        EXPECT_EQ(frames.size(), c.wantFrames);
        EXPECT_EQ(m.openGroup(), c.wantOpen);
        EXPECT_EQ(m.pendingGroup(), -1);
        EXPECT_EQ(m.layout().headers, m.restingLayout(c.wantOpen, 0).headers);
        EXPECT_EQ(m.selectedItem(), -1);
        EXPECT_EQ(m.firstShown(), 0);
    }
}

TEST(AccordionSlide, ItemsCannotBePressedDuringASlide) {
    Accordion m = siteMenu();
    click(m, headerPt(m, 0));
    m.advanceSlide();
    // 腾讯网 is already showing below 网站, but it is moving.
    AccOutcome down = m.leftDown(84, 50);
    EXPECT_EQ(down.capture, AccCapture::Keep);
    EXPECT_TRUE(down.focus);
    EXPECT_TRUE(m.pressed().isNone());
    EXPECT_TRUE(m.leftUp(84, 50).events.empty());
    m.pointerMove(84, 50);
    EXPECT_TRUE(m.hot().isNone());
    EXPECT_FALSE(m.currentTip().has_value());
    EXPECT_EQ(m.keyPress().events.size(), 0u);
    runSlide(m);
    EXPECT_EQ(m.openGroup(), 0);
    EXPECT_EQ(m.selectedItem(), -1);
    // The pointer rests on 腾讯网: hot once the slide is over.
    EXPECT_EQ(m.hot(), AccElement::item(0));
}

TEST(AccordionSlide, PressDuringASlideReleasedAfterIt) {
    Accordion m = siteMenu();
    click(m, headerPt(m, 0));  // 3 -> 0: bars 1..3 move down
    m.advanceSlide();
    Pt p = headerPt(m, 3);  // 说明's bar, on its way down
    m.pointerMove(p.x, p.y);
    ASSERT_EQ(m.leftDown(p.x, p.y).capture, AccCapture::Take);
    EXPECT_TRUE(m.pressedLook(AccElement::header(3)));
    m.advanceSlide();  // the bar moves on, away from the resting pointer
    EXPECT_FALSE(m.pressedLook(AccElement::header(3)));
    runSlide(m);
    AccOutcome up = m.leftUp(p.x, p.y);
    EXPECT_EQ(up.capture, AccCapture::Release);
    EXPECT_FALSE(up.startSlide);
    EXPECT_EQ(m.openGroup(), 0);

    // Capture lost during a slide ends the press and nothing else.
    click(m, headerPt(m, 2));
    m.advanceSlide();
    p = headerPt(m, 1);
    m.leftDown(p.x, p.y);
    EXPECT_TRUE(m.captureLost().redraw);
    EXPECT_TRUE(m.leftUp(p.x, p.y).events.empty());
    runSlide(m);
    EXPECT_EQ(m.openGroup(), 2);
    EXPECT_EQ(m.pendingGroup(), -1);
}

TEST(AccordionSlide, FinishSlideEndsInAValidState) {
    Accordion m = siteMenu();
    click(m, headerPt(m, 0));
    m.advanceSlide();
    click(m, headerPt(m, 2));  // pending
    AccOutcome o = m.finishSlide();
    EXPECT_FALSE(m.sliding());
    EXPECT_EQ(m.openGroup(), 2);
    EXPECT_EQ(m.layout().headers, m.restingLayout(2, 0).headers);
    EXPECT_EQ(o.events, (std::vector<AccEvent>{{event::kGroupChanged, 0, 3}, {event::kGroupChanged, 2, 0}}));
    EXPECT_FALSE(m.advanceSlide().redraw);  // nothing left to run
}

TEST(AccordionLayout, ResizeKeepsAValidState) {
    Accordion m = siteMenu();
    openGroup(m, 0);
    click(m, {157, 294});
    ASSERT_EQ(m.firstShown(), 1);
    m.resize(168, 600);  // everything fits now: back to the top
    EXPECT_EQ(m.firstShown(), 0);
    EXPECT_EQ(m.areaHeight(), 440);
    EXPECT_FALSE(m.canScrollDown());
    EXPECT_EQ(m.layout().headers.back(), (Rect{0, 560, 168, 40}));
    m.resize(168, 424);
    click(m, headerPt(m, 3));
    m.advanceSlide();
    m.resize(168, 300);  // during a slide: it ends at once
    EXPECT_FALSE(m.sliding());
    EXPECT_EQ(m.openGroup(), 3);
    EXPECT_EQ(m.layout().panes[0].area, (Rect{0, 160, 168, 140}));
}

// ---- choosing items ----------------------------------------------------------------

TEST(AccordionClick, CompletedClickChoosesTheItem) {
    struct Case {
        int group, item;
        const char* label;
    };
    const std::vector<Case> cases = {
        {0, 2, "百度"}, {3, 1, "更新"}, {2, 2, "CF论坛"}, {1, 6, "国美在线"}, {0, 0, "腾讯网"}, {3, 0, "说明"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        Accordion m = siteMenu();
        openGroup(m, c.group);
        ASSERT_EQ(m.def().groups[c.group].items[c.item].text, c.label);
        Pt p = itemPt(m, c.item);
        m.pointerMove(p.x, p.y);
        AccOutcome down = m.leftDown(p.x, p.y);
        EXPECT_TRUE(down.focus);
        EXPECT_EQ(down.capture, AccCapture::Take);
        EXPECT_TRUE(down.events.empty());
        EXPECT_EQ(m.pressed(), AccElement::item(c.item));
        AccOutcome up = m.leftUp(p.x, p.y);
        EXPECT_EQ(up.capture, AccCapture::Release);
        EXPECT_TRUE(up.redraw);
        ASSERT_TRUE(up.chosen().has_value());
        EXPECT_EQ(*up.chosen(), std::make_pair(c.group, c.item));
        EXPECT_EQ(up.events.size(), 1u);
        EXPECT_EQ(m.selectedItem(), c.item);
        EXPECT_EQ(m.openGroup(), c.group);
        EXPECT_TRUE(m.pressed().isNone());
    }
}

TEST(AccordionClick, PressesThatEndElsewhereChooseNothing) {
    struct Case {
        const char* what;
        Pt release;
    };
    // Pressed on 腾讯网 with 网站 open.
    const std::vector<Case> cases = {
        {"onto 新浪网", {84, 40 + 36 + 18}},
        {"onto a header bar", {84, 320}},
        {"outside the control", {300, 60}},
        {"above the control", {84, -30}},
        {"onto the down arrow", {157, 294}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Accordion m = siteMenu();
        openGroup(m, 0);
        Pt p = itemPt(m, 0);
        m.pointerMove(p.x, p.y);
        m.leftDown(p.x, p.y);
        AccOutcome mv = m.pointerMove(c.release.x, c.release.y);
        EXPECT_TRUE(mv.redraw);  // pressed look goes
        EXPECT_FALSE(m.pressedLook(AccElement::item(0)));
        // Nothing else lights up while the button is held.
        EXPECT_TRUE(m.hot().isNone());
        AccOutcome up = m.leftUp(c.release.x, c.release.y);
        EXPECT_EQ(up.capture, AccCapture::Release);
        EXPECT_TRUE(up.events.empty());
        EXPECT_EQ(m.selectedItem(), -1);
        EXPECT_EQ(m.firstShown(), 0);
    }
}

TEST(AccordionClick, MovingBackOntoThePressedItemStillChoosesIt) {
    Accordion m = siteMenu();
    openGroup(m, 0);
    Pt p = itemPt(m, 0), q = itemPt(m, 1);
    m.pointerMove(p.x, p.y);
    m.leftDown(p.x, p.y);
    m.pointerMove(q.x, q.y);
    EXPECT_EQ(m.itemLabelColor(0, 0), rgb(255, 128, 0));
    m.pointerMove(p.x, p.y + 5);
    EXPECT_TRUE(m.pressedLook(AccElement::item(0)));
    EXPECT_EQ(m.itemLabelColor(0, 0), rgb(0, 0, 255));
    EXPECT_EQ(*m.leftUp(p.x, p.y + 5).chosen(), std::make_pair(0, 0));
}

TEST(AccordionClick, CaptureLostEndsThePressWithoutAChoice) {
    Accordion m = siteMenu();
    Pt p = itemPt(m, 1);
    m.pointerMove(p.x, p.y);
    m.leftDown(p.x, p.y);
    AccOutcome lost = m.captureLost();
    EXPECT_TRUE(lost.redraw);
    EXPECT_TRUE(m.pressed().isNone());
    EXPECT_EQ(m.itemLabelColor(3, 1), rgb(255, 128, 0));
    AccOutcome up = m.leftUp(p.x, p.y);
    EXPECT_TRUE(up.events.empty());
    EXPECT_EQ(up.capture, AccCapture::Keep);
    EXPECT_EQ(m.selectedItem(), -1);
    // Losing a capture that was never taken does nothing.
    EXPECT_FALSE(m.captureLost().redraw);
}

TEST(AccordionClick, DoubleClickRaisesTheEventOnce) {
    Accordion m = siteMenu();
    Pt p = itemPt(m, 1);
    std::vector<AccEvent> ev = click(m, p);
    AccOutcome dbl = m.leftDoubleClick(p.x, p.y);
    EXPECT_TRUE(dbl.focus);
    EXPECT_EQ(dbl.capture, AccCapture::Keep);
    ev.insert(ev.end(), dbl.events.begin(), dbl.events.end());
    AccOutcome up = m.leftUp(p.x, p.y);
    ev.insert(ev.end(), up.events.begin(), up.events.end());
    EXPECT_EQ(ev, (std::vector<AccEvent>{{event::kItemChosen, 3, 1}, {event::kDoubleClick, 3, 1}}));
    EXPECT_EQ(m.selectedItem(), 1);

    // On a header bar the second press does not open anything either.
    Accordion h = siteMenu();
    Pt hp = headerPt(h, 3);
    click(h, hp);
    h.leftDoubleClick(hp.x, hp.y);
    h.leftUp(hp.x, hp.y);
    EXPECT_FALSE(h.sliding());
}

TEST(AccordionClick, RightButtonChangesNothing) {
    Accordion m = siteMenu();
    openGroup(m, 0);
    click(m, {157, 294});
    click(m, itemPt(m, 3));
    const auto state = std::make_tuple(m.openGroup(), m.selectedItem(), m.firstShown());
    for (Pt p : std::vector<Pt>{itemPt(m, 2), headerPt(m, 1), {157, 58} /* up arrow */, {84, 400}}) {
        m.pointerMove(p.x, p.y);
        AccOutcome down = m.rightDown(p.x, p.y);
        EXPECT_FALSE(down.focus);
        EXPECT_EQ(down.capture, AccCapture::Keep);
        EXPECT_TRUE(down.hideTip);
        AccOutcome up = m.rightUp(p.x, p.y);
        EXPECT_FALSE(up.chosen().has_value());
        EXPECT_FALSE(up.startSlide);
        EXPECT_EQ(up.capture, AccCapture::Keep);
        EXPECT_FALSE(m.sliding());
        EXPECT_EQ(std::make_tuple(m.openGroup(), m.selectedItem(), m.firstShown()), state);
    }
    EXPECT_EQ(m.rightUp(itemPt(m, 2).x, itemPt(m, 2).y).events,
              (std::vector<AccEvent>{{event::kRightButtonUp, 0, 2}}));
}

TEST(AccordionClick, KeysChangeNothing) {
    Accordion m = siteMenu();
    click(m, itemPt(m, 0));
    AccOutcome k = m.keyPress();
    EXPECT_TRUE(k.hideTip);
    EXPECT_FALSE(k.redraw);
    EXPECT_TRUE(k.events.empty());
    EXPECT_EQ(m.selectedItem(), 0);
    EXPECT_EQ(m.openGroup(), 3);
}

TEST(AccordionClick, ChoosingTheSelectedItemAgainRaisesItAgain) {
    Accordion m = siteMenu();
    openGroup(m, 0);
    for (int round = 0; round < 3; ++round) {
        std::vector<AccEvent> ev = click(m, itemPt(m, 2));
        EXPECT_EQ(ev, (std::vector<AccEvent>{{event::kItemChosen, 0, 2}})) << round;
        EXPECT_EQ(m.selectedItem(), 2);
    }
}

// ---- scrolling -----------------------------------------------------------------------

TEST(AccordionScroll, ArrowVisibilityForEachGroup) {
    struct Case {
        int group;
        bool downAtStart;
        int maxFirst;
    };
    for (const Case& c : std::vector<Case>{{0, true, 1}, {1, false, 0}, {2, false, 0}, {3, false, 0}}) {
        Accordion m = siteMenu();
        openGroup(m, c.group);
        EXPECT_FALSE(m.canScrollUp()) << c.group;
        EXPECT_EQ(m.canScrollDown(), c.downAtStart) << c.group;
        EXPECT_EQ(m.maxFirstShown(), c.maxFirst) << c.group;
        AccLayout l = m.layout();
        EXPECT_EQ(l.downArrow, c.downAtStart);
        EXPECT_FALSE(l.upArrow);
        if (!c.downAtStart) {  // no arrow to hit where it would be
            Pt p = centre(Rect{149, l.panes[0].area.top + l.panes[0].area.height - 18, 16, 16});
            EXPECT_NE(m.hitTest(p.x, p.y).part, AccPart::DownArrow);
        }
    }
}

TEST(AccordionScroll, GroupZeroScrollsByOneAndReportsIndicesFromTheFirstItem) {
    Accordion m = siteMenu();
    openGroup(m, 0);
    ASSERT_EQ(m.hitTest(84, 50), AccElement::item(0));  // 腾讯网 in the first row

    const Pt down{157, 294};
    m.pointerMove(down.x, down.y);
    EXPECT_EQ(m.hot(), AccElement::downArrow());
    AccOutcome press = m.leftDown(down.x, down.y);
    EXPECT_EQ(press.capture, AccCapture::Take);
    EXPECT_TRUE(press.redraw);
    EXPECT_EQ(m.firstShown(), 1);
    // That was the end: the down arrow goes, the up arrow appears.
    EXPECT_EQ(press.repeat, AccRepeat::Stop);
    EXPECT_FALSE(m.canScrollDown());
    EXPECT_TRUE(m.canScrollUp());
    AccOutcome rep = m.scrollRepeat();
    EXPECT_EQ(rep.repeat, AccRepeat::Stop);
    EXPECT_EQ(m.firstShown(), 1);
    EXPECT_EQ(m.leftUp(down.x, down.y).capture, AccCapture::Release);
    EXPECT_TRUE(m.leftUp(down.x, down.y).events.empty());

    // 腾讯网 is out of view; 新浪网 heads the list and is still item 1.
    AccLayout l = m.layout();
    EXPECT_EQ(l.panes[0].firstShown, 1);
    EXPECT_EQ(m.rowRect(l.panes[0], 0).top + 36, l.panes[0].area.top);
    EXPECT_EQ(m.hitTest(84, 50), AccElement::item(1));
    EXPECT_EQ(m.hitTest(84, 40 + 6 * 36 + 18), AccElement::item(7));
    std::vector<AccEvent> ev = click(m, {84, 58});
    EXPECT_EQ(ev, (std::vector<AccEvent>{{event::kItemChosen, 0, 1}}));
    ev = click(m, {84, 40 + 6 * 36 + 18});
    EXPECT_EQ(ev, (std::vector<AccEvent>{{event::kItemChosen, 0, 7}}));

    // And back up.
    ASSERT_TRUE(m.layout().upArrow);
    EXPECT_EQ(m.layout().upArrowRect, (Rect{149, 42, 16, 16}));
    click(m, {157, 50});
    EXPECT_EQ(m.firstShown(), 0);
    EXPECT_FALSE(m.canScrollUp());
    EXPECT_TRUE(m.canScrollDown());
    EXPECT_EQ(m.selectedItem(), 7);  // scrolling keeps the selection
}

TEST(AccordionScroll, HoldingAnArrowRepeatsUntilTheEnd) {
    MenuDef d = siteMenuDefinition();
    d.openGroup = 0;
    for (int i = 0; i < 12; ++i) d.groups[0].items.push_back({"x" + std::to_string(i), -1, 0, ""});
    Accordion m(d, kW, kH);  // 20 items, 7 fit
    ASSERT_EQ(m.maxFirstShown(), 13);
    const Pt down{157, 294};
    m.pointerMove(down.x, down.y);
    AccOutcome press = m.leftDown(down.x, down.y);
    EXPECT_EQ(press.repeat, AccRepeat::Start);
    EXPECT_EQ(m.firstShown(), 1);
    for (int want = 2; want <= 12; ++want) {
        AccOutcome o = m.scrollRepeat();
        EXPECT_TRUE(o.redraw);
        EXPECT_EQ(o.repeat, AccRepeat::Keep);
        EXPECT_EQ(m.firstShown(), want);
    }
    // Off the arrow the repeat waits; back on it, it goes on.
    m.pointerMove(84, 100);
    EXPECT_FALSE(m.scrollRepeat().redraw);
    EXPECT_EQ(m.firstShown(), 12);
    m.pointerMove(down.x, down.y);
    AccOutcome last = m.scrollRepeat();
    EXPECT_EQ(m.firstShown(), 13);
    EXPECT_EQ(last.repeat, AccRepeat::Stop);
    EXPECT_EQ(m.scrollRepeat().repeat, AccRepeat::Stop);
    EXPECT_EQ(m.firstShown(), 13);
    EXPECT_EQ(m.leftUp(down.x, down.y).repeat, AccRepeat::Stop);
    // The last item's row now ends inside the area.
    AccLayout l = m.layout();
    Rect lastRow = m.rowRect(l.panes[0], 19);
    EXPECT_LE(lastRow.top + lastRow.height, l.panes[0].area.top + l.panes[0].area.height);
    EXPECT_FALSE(l.downArrow);

    // Holding the up arrow goes all the way back; capture loss stops it.
    m.pointerMove(157, 50);
    m.leftDown(157, 50);
    EXPECT_EQ(m.firstShown(), 12);
    for (int i = 0; i < 5; ++i) m.scrollRepeat();
    EXPECT_EQ(m.firstShown(), 7);
    EXPECT_EQ(m.captureLost().repeat, AccRepeat::Stop);
    EXPECT_EQ(m.scrollRepeat().repeat, AccRepeat::Stop);
    EXPECT_EQ(m.firstShown(), 7);
    // A repeat without a held arrow does nothing.
    EXPECT_FALSE(m.scrollRepeat().redraw);
}

TEST(AccordionScroll, ItemPressedBesideAHiddenArrowIsChosen) {
    Accordion m = siteMenu();
    openGroup(m, 1);  // seven rows fit: no arrows
    EXPECT_EQ(m.hitTest(157, 80 + 254), AccElement::none());  // below the last row
    std::vector<AccEvent> ev = click(m, {157, 80 + 6 * 36 + 2});
    EXPECT_EQ(ev, (std::vector<AccEvent>{{event::kItemChosen, 1, 6}}));
}

// ---- colours ---------------------------------------------------------------------------

TEST(AccordionColours, ItemLabelInEachState) {
    const Color normal = rgb(255, 128, 0), hover = rgb(0, 0, 255), sel = rgb(255, 255, 0);
    Accordion m = siteMenu();  // 说明 open
    Pt p0 = itemPt(m, 0), p1 = itemPt(m, 1);

    EXPECT_EQ(m.itemLabelColor(3, 0), normal);
    EXPECT_EQ(m.itemLabelColor(3, 1), normal);
    m.pointerMove(p0.x, p0.y);  // hot
    EXPECT_EQ(m.itemLabelColor(3, 0), hover);
    EXPECT_EQ(m.itemLabelColor(3, 1), normal);
    m.leftDown(p0.x, p0.y);  // pressed
    EXPECT_EQ(m.itemLabelColor(3, 0), hover);
    m.leftUp(p0.x, p0.y);  // chosen: selected colour until the pointer moves
    EXPECT_EQ(m.itemLabelColor(3, 0), sel);
    EXPECT_TRUE(m.hot().isNone());
    m.pointerMove(p0.x + 1, p0.y);  // hot again
    EXPECT_EQ(m.itemLabelColor(3, 0), hover);
    m.pointerMove(p1.x, p1.y);  // the pointer left it
    EXPECT_EQ(m.itemLabelColor(3, 0), sel);
    EXPECT_EQ(m.itemLabelColor(3, 1), hover);
    m.pointerLeave();
    EXPECT_EQ(m.itemLabelColor(3, 0), sel);
    EXPECT_EQ(m.itemLabelColor(3, 1), normal);
    // Pressed on the selected item, pointer moved off: at rest, i.e. selected.
    m.pointerMove(p0.x, p0.y);
    m.leftDown(p0.x, p0.y);
    m.pointerMove(300, 300);
    EXPECT_EQ(m.itemLabelColor(3, 0), sel);
    m.leftUp(300, 300);
    EXPECT_EQ(m.itemLabelColor(3, 0), sel);
    // Another choice moves the selection.
    click(m, p1);
    m.pointerLeave();
    EXPECT_EQ(m.itemLabelColor(3, 0), normal);
    EXPECT_EQ(m.itemLabelColor(3, 1), sel);
}

TEST(AccordionColours, HeaderCaptionInEachState) {
    MenuDef d = siteMenuDefinition();  // all black there; tell them apart here
    d.folderText = rgb(1, 0, 0);
    d.folderTextHover = rgb(2, 0, 0);
    d.folderSelText = rgb(3, 0, 0);
    d.folderTextDown = rgb(4, 0, 0);
    Accordion m(d, kW, kH);  // 说明 open
    struct Step {
        const char* what;
        Pt pointer;
        bool press;
        std::vector<Color> want;  // groups 0..3
    };
    const Pt h0 = headerPt(m, 0), h3 = headerPt(m, 3), item = itemPt(m, 0);
    const Color T = rgb(1, 0, 0), H = rgb(2, 0, 0), S = rgb(3, 0, 0);
    const std::vector<Step> steps = {
        {"at rest", {300, 300}, false, {T, T, T, S}},
        {"hot closed header", h0, false, {H, T, T, S}},
        {"hot open header", h3, false, {T, T, T, S}},
        {"over an item", item, false, {T, T, T, S}},
        {"pressed closed header", h0, true, {H, T, T, S}},
        {"pressed, pointer off", item, true, {T, T, T, S}},
    };
    for (const Step& s : steps) {
        if (!s.press) m.leftUp(s.pointer.x, s.pointer.y);
        m.pointerMove(s.pointer.x, s.pointer.y);
        if (s.press && m.pressed().isNone()) m.leftDown(s.pointer.x, s.pointer.y);
        for (int g = 0; g < 4; ++g) EXPECT_EQ(m.headerCaptionColor(g), s.want[g]) << s.what << " group " << g;
    }
    m.leftUp(item.x, item.y);
    EXPECT_FALSE(m.sliding());

    // The site menu's own captions are black in every state.
    Accordion site = siteMenu();
    for (Pt p : {h0, h3, item}) {
        site.pointerMove(p.x, p.y);
        site.leftDown(p.x, p.y);
        for (int g = 0; g < 4; ++g) EXPECT_EQ(site.headerCaptionColor(g), rgb(0, 0, 0));
        site.captureLost();
    }
}

TEST(AccordionColours, HotStateFollowsThePointerAndLeaves) {
    Accordion m = siteMenu();
    EXPECT_TRUE(m.pointerMove(84, 20).redraw);
    EXPECT_EQ(m.hot(), AccElement::header(0));
    EXPECT_FALSE(m.pointerMove(90, 25).redraw);  // same element
    EXPECT_TRUE(m.pointerMove(84, 170).redraw);
    EXPECT_EQ(m.hot(), AccElement::item(0));
    EXPECT_TRUE(m.pointerMove(84, 300).redraw);  // empty part of the item area
    EXPECT_TRUE(m.hot().isNone());
    m.pointerMove(84, 200);
    EXPECT_TRUE(m.pointerLeave().redraw);
    EXPECT_TRUE(m.hot().isNone());
}

// ---- tooltips ----------------------------------------------------------------------------

TEST(AccordionTips, OnlyBaiduHasATip) {
    Accordion m = siteMenu();
    for (int g = 0; g < 4; ++g) {
        openGroup(m, g);
        EXPECT_EQ(m.tipOf(AccElement::header(g)), "");
        for (int i = 0; i < m.itemCount(g); ++i) {
            const bool baidu = g == 0 && i == 2;
            EXPECT_EQ(m.tipOf(AccElement::item(i)), baidu ? "百度" : "") << g << "," << i;
            Pt p = itemPt(m, i);
            if (p.y >= 40 + 264) continue;  // the part-hidden row's centre is under a bar
            m.pointerMove(p.x, p.y);
            auto tip = m.currentTip();
            EXPECT_EQ(tip.has_value(), baidu) << g << "," << i;
            if (tip) {
                EXPECT_EQ(tip->text, "百度");
                EXPECT_EQ(tip->element, AccElement::item(2));
                EXPECT_EQ(tip->rect, (Rect{0, 40 + 72, 168, 36}));
            }
        }
        Pt h = headerPt(m, g);
        m.pointerMove(h.x, h.y);
        EXPECT_FALSE(m.currentTip().has_value());
    }
    EXPECT_EQ(m.tipOf(AccElement::downArrow()), "");
}

TEST(AccordionTips, NoTipWhilePressedOutsideOrScrolledAway) {
    Accordion m = siteMenu();
    openGroup(m, 0);
    Pt b = itemPt(m, 2);
    m.pointerMove(b.x, b.y);
    ASSERT_TRUE(m.currentTip().has_value());
    EXPECT_TRUE(m.leftDown(b.x, b.y).hideTip);
    EXPECT_FALSE(m.currentTip().has_value());
    m.leftUp(b.x, b.y);
    EXPECT_TRUE(m.currentTip().has_value());
    m.pointerLeave();
    EXPECT_FALSE(m.currentTip().has_value());
    // After scrolling by one, 百度 is in the second row.
    click(m, {157, 294});
    m.pointerMove(b.x, b.y);
    EXPECT_FALSE(m.currentTip().has_value());  // 网易 is there now
    m.pointerMove(b.x, b.y - 36);
    ASSERT_TRUE(m.currentTip().has_value());
    EXPECT_EQ(m.currentTip()->rect, (Rect{0, 40 + 36, 168, 36}));
}

}  // namespace
}  // namespace xy
