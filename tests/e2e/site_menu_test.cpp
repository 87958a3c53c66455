// The site menu as the user sees it, with real input: where the header bars
// lie, the colours of the labels at rest, under the pointer and once chosen,
// the tooltip of 百度 and scrolling group 网站. Colours are read from the
// screen; every test keeps a picture of what it checked.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "program.h"

using namespace e2e;

namespace {

// The menu's geometry: four 40 px header bars, those up to the open group at
// the top and the rest at the bottom; the open group's items in 36 px rows;
// the scroll arrows 16 px squares at x 149..164, 2 px inside the item area.
constexpr int kHeader = 40, kRow = 36, kGroups = 4, kArrowLeft = 149, kArrowSize = 16;
constexpr COLORREF kBackground = RGB(192, 192, 192);
constexpr COLORREF kItemText = RGB(255, 128, 0);
constexpr COLORREF kHoverText = RGB(0, 0, 255);
constexpr COLORREF kSelectedText = RGB(255, 255, 0);
constexpr COLORREF kFlatLine = RGB(0, 60, 115);  // also the arrows' ink
// A label in 14 px type has far more pixels than this in its exact colour.
constexpr int kLabelPixels = 8;

// A picture of the menu; coordinates are the menu's client pixels.
struct Shot {
    int w = 0, h = 0;
    std::vector<COLORREF> px;
    COLORREF at(int x, int y) const {
        return x >= 0 && y >= 0 && x < w && y < h ? px[std::size_t(y) * std::size_t(w) + std::size_t(x)] : CLR_INVALID;
    }
    int count(COLORREF c, int top, int bottom, int left = 0, int right = -1) const {
        if (right < 0) right = w;
        int n = 0;
        for (int y = std::max(top, 0); y < std::min(bottom, h); ++y)
            for (int x = std::max(left, 0); x < std::min(right, w); ++x) n += at(x, y) == c;
        return n;
    }
    // Pixels of text ink (black captions) in the rectangle.
    int countDark(int top, int bottom, int left, int right) const {
        int n = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x) {
                COLORREF c = at(x, y);
                n += c != CLR_INVALID && GetRValue(c) + GetGValue(c) + GetBValue(c) < 200;
            }
        return n;
    }
    // A header bar's face: light (the gradient), not the menu's background.
    bool lightFace(int x, int y) const {
        COLORREF c = at(x, y);
        return c != CLR_INVALID && c != kBackground && GetRValue(c) > 200 && GetGValue(c) > 200 && GetBValue(c) > 200;
    }
};

std::string hex(COLORREF c) {
    char b[32];
    snprintf(b, sizeof b, "RGB(%d,%d,%d)", GetRValue(c), GetGValue(c), GetBValue(c));
    return b;
}

class SiteMenu : public ::testing::Test {
protected:
    void SetUp() override {
        clearBrowserLog();
        ASSERT_NO_FATAL_FAILURE(launch(app_));
        ASSERT_TRUE(focusByTitleBar(app_.window));
        auto children = directChildren(app_.window);
        ASSERT_EQ(children.size(), 1u) << "the main window should hold the site menu only";
        menu_ = children[0];
        GetWindowRect(menu_, &r_);
        ASSERT_EQ(r_.right - r_.left, 168);
        ASSERT_EQ(r_.bottom - r_.top, 424);
        // What the frame leaves visible of it.
        WindowInfo i = describe(app_.window);
        IntersectRect(&visible_, &r_, &i.client);
        ASSERT_GE(visible_.bottom - visible_.top, 400) << "the frame hides too much of the menu";
        away();
    }

    void TearDown() override {
        if (!app_.proc || !app_.proc.running()) return;
        PostMessageW(app_.window, WM_SYSCOMMAND, SC_CLOSE, 0);
        expectExit(app_.proc, 0, "closing after the test");
    }

    POINT at(int x, int y) const { return {r_.left + x, r_.top + y}; }
    void moveTo(int x, int y) const {
        POINT p = at(x, y);
        mouseMove(p.x, p.y);
    }
    void clickAt(int x, int y) const {
        POINT p = at(x, y);
        click(p.x, p.y);
    }
    // The pointer off the program's window. The menu hears of it through
    // WM_MOUSELEAVE, which Wine posts from a timer of the hover time
    // (400 ms): wait until no label shows the hover colour any more.
    void away() const {
        mouseMove(r_.right + 60, std::max(LONG(5), r_.top - 60));
        RECT whole{r_.left, r_.top, visible_.right, visible_.bottom};
        auto start = std::chrono::steady_clock::now();
        bool cleared = waitUntil(
            [&] {
                for (COLORREF c : screenRegion(whole))
                    if (c == kHoverText) return false;
                return true;
            },
            2000ms);
        lastLeaveMs_ = int(std::chrono::duration_cast<Millis>(std::chrono::steady_clock::now() - start).count());
        EXPECT_TRUE(cleared) << "a label is still hot " << lastLeaveMs_ << " ms after the pointer left the window";
        Sleep(50);
    }

    Shot shoot(const std::wstring& name) const {
        Shot s;
        s.w = visible_.right - r_.left;
        s.h = visible_.bottom - r_.top;
        RECT whole{r_.left, r_.top, r_.left + s.w, r_.top + s.h};
        s.px = screenRegion(whole);
        saveScreenshot(whole, shotName(name));
        return s;
    }

    // Opens 网站 with a click on its header bar and waits for the slide.
    void openWebsites() {
        clickAt(84, 20);
        // Where 购物's bar was, group 0's items appear once the bars are down.
        bool down = waitUntil(
            [&] {
                POINT p = at(20, 60), q = at(84, 330);
                return screenPixel(p.x, p.y) == kBackground && screenPixel(q.x, q.y) != kBackground;
            },
            3000ms);
        ASSERT_TRUE(down) << "网站 did not open";
        Sleep(150);
    }

    // Visible tooltip windows of the program, with their texts.
    std::vector<std::wstring> shownTips() const {
        std::vector<std::wstring> tips;
        for (HWND w : topLevelWindows(app_.proc.pid(), true))
            if (_wcsicmp(className(w).c_str(), L"tooltips_class32") == 0) tips.push_back(windowText(w));
        return tips;
    }

    Launched app_;
    mutable int lastLeaveMs_ = 0;
    HWND menu_ = nullptr;
    RECT r_{}, visible_{};
};

int rowTop(int open, int row) { return (open + 1) * kHeader + row * kRow; }

}  // namespace

TEST_F(SiteMenu, AtStartTheBarsLieAtTheTopAndTheNotesGroupIsOpen) {
    Shot s = shoot(L"start");
    for (int g = 0; g < kGroups; ++g) {
        const int top = g * kHeader;
        EXPECT_TRUE(s.lightFace(20, top + 20)) << "header " << g << " face " << hex(s.at(20, top + 20));
        const COLORREF edge = s.at(84, top);
        EXPECT_LT(GetRValue(edge) + GetGValue(edge) + GetBValue(edge), 400) << "outline of header " << g << ": " << hex(edge);
        EXPECT_GT(s.countDark(top + 8, top + 32, 30, 138), 10) << "caption of header " << g;
    }
    // 说明 and 更新 under the bars, orange on grey; nothing else is shown.
    EXPECT_EQ(s.at(20, 300), kBackground) << hex(s.at(20, 300));
    EXPECT_EQ(s.at(0, 300), kFlatLine) << "flat line: " << hex(s.at(0, 300));
    for (int row = 0; row < 2; ++row) {
        EXPECT_GE(s.count(kItemText, rowTop(3, row), rowTop(3, row + 1)), kLabelPixels) << "row " << row;
    }
    EXPECT_EQ(s.count(kItemText, rowTop(3, 2), s.h), 0);
    EXPECT_EQ(s.count(kSelectedText, 0, s.h), 0) << "a label is yellow at start";
    EXPECT_EQ(s.count(kHoverText, 0, s.h), 0);
}

TEST_F(SiteMenu, ClickingWebsitesSlidesTheOtherBarsToTheBottom) {
    ASSERT_NO_FATAL_FAILURE(openWebsites());
    away();
    Shot s = shoot(L"websites-open");
    EXPECT_TRUE(s.lightFace(20, 20));
    for (int g = 1; g < kGroups; ++g) {
        const int top = 424 - (kGroups - g) * kHeader;
        EXPECT_TRUE(s.lightFace(20, top + 20)) << "header " << g << " at " << top;
        EXPECT_GT(s.countDark(top + 8, top + 32, 30, 138), 10) << "caption of header " << g;
    }
    if (s.h == 424) {
        const COLORREF edge = s.at(84, 423);
        EXPECT_LT(GetRValue(edge) + GetGValue(edge) + GetBValue(edge), 400) << "the last bar ends at the bottom";
    }
    // Group 0's first seven rows, the eighth cut off, the down arrow shown.
    for (int row = 0; row < 7; ++row)
        EXPECT_GE(s.count(kItemText, rowTop(0, row), rowTop(0, row + 1), 1, kArrowLeft), kLabelPixels) << "row " << row;
    EXPECT_EQ(s.at(20, 200), kBackground);
    EXPECT_GE(s.count(kFlatLine, 286, 302, kArrowLeft, kArrowLeft + kArrowSize), 10) << "down arrow";
    EXPECT_EQ(s.count(kFlatLine, 42, 58, kArrowLeft, kArrowLeft + kArrowSize), 0) << "up arrow";
    // A header bar raises no item-chosen event: no site was opened.
    Sleep(300);
    EXPECT_TRUE(browserLog().empty());
    EXPECT_TRUE(messageBoxesOf(app_.proc.pid()).empty()) << windowsSummary(app_.proc.pid());
}

TEST_F(SiteMenu, HoveringAnItemTurnsItsLabelBlue) {
    ASSERT_NO_FATAL_FAILURE(openWebsites());
    moveTo(84, rowTop(0, 1) + kRow / 2);  // 新浪网
    Sleep(200);
    Shot s = shoot(L"hover-sina");
    EXPECT_GE(s.count(kHoverText, rowTop(0, 1), rowTop(0, 2)), kLabelPixels);
    EXPECT_EQ(s.count(kItemText, rowTop(0, 1), rowTop(0, 2)), 0);
    EXPECT_EQ(s.count(kHoverText, 0, rowTop(0, 1)) + s.count(kHoverText, rowTop(0, 2), s.h), 0)
        << "another label is blue too";
    EXPECT_GE(s.count(kItemText, rowTop(0, 0), rowTop(0, 1)), kLabelPixels);

    moveTo(84, rowTop(0, 4) + kRow / 2);  // on to 凤凰
    Sleep(200);
    Shot t = shoot(L"hover-fenghuang");
    EXPECT_GE(t.count(kItemText, rowTop(0, 1), rowTop(0, 2)), kLabelPixels) << "新浪网 back to orange";
    EXPECT_GE(t.count(kHoverText, rowTop(0, 4), rowTop(0, 5)), kLabelPixels);
    away();
    Shot u = shoot(L"pointer-away");
    EXPECT_EQ(u.count(kHoverText, 0, u.h), 0) << "leaving the menu clears the hot item";
}

TEST_F(SiteMenu, AChosenItemIsYellowOnceThePointerHasLeftIt) {
    ASSERT_NO_FATAL_FAILURE(openWebsites());
    clickAt(84, rowTop(0, 1) + kRow / 2);  // 新浪网: (0, 1)
    std::vector<std::string> log;
    waitUntil([&] { return !(log = browserLog()).empty(); }, 8000ms);
    ASSERT_EQ(log.size(), 1u) << "the click should raise the item-chosen event once";
    EXPECT_EQ(log[0], "http://www.sina.com.cn/");
    moveTo(84, rowTop(0, 3) + kRow / 2);
    Sleep(100);
    away();
    Shot s = shoot(L"sina-chosen");
    EXPECT_GE(s.count(kSelectedText, rowTop(0, 1), rowTop(0, 2)), kLabelPixels);
    EXPECT_EQ(s.count(kItemText, rowTop(0, 1), rowTop(0, 2)), 0);
    EXPECT_EQ(s.count(kSelectedText, 0, rowTop(0, 1)) + s.count(kSelectedText, rowTop(0, 2), s.h), 0);
    EXPECT_EQ(s.count(kHoverText, 0, s.h), 0) << "a label stays hot after the pointer left the menu";
    // Back under the pointer it is blue again.
    moveTo(84, rowTop(0, 1) + kRow / 2);
    Sleep(200);
    Shot t = shoot(L"sina-hot-again");
    EXPECT_GE(t.count(kHoverText, rowTop(0, 1), rowTop(0, 2)), kLabelPixels);
    EXPECT_EQ(t.count(kSelectedText, 0, t.h), 0);
}

TEST_F(SiteMenu, OnlyBaiduShowsATooltip) {
    ASSERT_NO_FATAL_FAILURE(openWebsites());
    moveTo(84, rowTop(0, 3) + kRow / 2);  // 网易: no tip
    Sleep(1500);
    EXPECT_TRUE(shownTips().empty()) << "a tooltip over 网易: " << narrow(shownTips().front());

    moveTo(84, rowTop(0, 2) + kRow / 2);  // 百度
    std::vector<std::wstring> tips;
    waitUntil([&] { return !(tips = shownTips()).empty(); }, 2500ms);
    saveScreenshot({r_.left, r_.top, r_.right + 80, r_.bottom}, shotName(L"baidu-tip"));
    ASSERT_EQ(tips.size(), 1u) << "no tooltip over 百度";
    EXPECT_EQ(tips[0], L"百度");
    for (HWND w : topLevelWindows(app_.proc.pid(), true)) {
        if (_wcsicmp(className(w).c_str(), L"tooltips_class32") != 0) continue;
        WindowInfo i = describe(w);
        EXPECT_TRUE(i.exStyle & WS_EX_TOPMOST);
        POINT p = at(84, rowTop(0, 2) + kRow / 2);
        EXPECT_LT(std::abs(i.rect.left - p.x) + std::abs(i.rect.top - p.y), 120) << "near the pointer";
        EXPECT_NE(GetForegroundWindow(), w) << "the tooltip took the activation";
    }

    moveTo(84, rowTop(0, 1) + kRow / 2);  // 新浪网: the tip goes and none comes
    EXPECT_TRUE(waitUntil([&] { return shownTips().empty(); }, 1000ms)) << "the 百度 tip stays";
    Sleep(1500);
    EXPECT_TRUE(shownTips().empty()) << "a tooltip over 新浪网";
    moveTo(84, 20);  // a header bar: none either
    Sleep(1500);
    EXPECT_TRUE(shownTips().empty()) << "a tooltip over a header bar";
}

TEST_F(SiteMenu, ScrollingWebsitesDownByOneHidesTheFirstItem) {
    ASSERT_NO_FATAL_FAILURE(openWebsites());
    away();
    Shot before = shoot(L"before-scroll");
    clickAt(kArrowLeft + kArrowSize / 2, 286 + kArrowSize / 2);
    away();
    Shot after = shoot(L"after-scroll");

    // Every row moved up by one: row k shows what row k + 1 showed.
    auto sameRow = [&](int afterRow, int beforeRow) {
        for (int y = 2; y < kRow - 2; ++y)
            for (int x = 1; x < kArrowLeft; ++x)
                if (after.at(x, rowTop(0, afterRow) + y) != before.at(x, rowTop(0, beforeRow) + y)) return false;
        return true;
    };
    EXPECT_FALSE(sameRow(0, 0)) << "腾讯网 is still in the first row";
    for (int row = 0; row < 6; ++row) EXPECT_TRUE(sameRow(row, row + 1)) << "row " << row;
    // 新华网, cut off before, is whole now in the seventh row.
    EXPECT_GE(after.count(kItemText, rowTop(0, 6), rowTop(0, 7), 1, kArrowLeft), kLabelPixels);
    // That was the end: the up arrow instead of the down arrow.
    EXPECT_GE(after.count(kFlatLine, 42, 58, kArrowLeft, kArrowLeft + kArrowSize), 10) << "up arrow";
    EXPECT_EQ(after.count(kFlatLine, 286, 302, kArrowLeft, kArrowLeft + kArrowSize), 0) << "down arrow";
    EXPECT_TRUE(browserLog().empty()) << "the arrow chose an item";

    // The first row is 新浪网 now, and it is still item 1 of group 0.
    clickAt(84, rowTop(0, 0) + kRow / 2);
    std::vector<std::string> log;
    waitUntil([&] { return !(log = browserLog()).empty(); }, 8000ms);
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0], "http://www.sina.com.cn/");
}
