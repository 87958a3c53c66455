// The update window as a person meets it: opened from the site menu's item
// 更新, modal over the disabled main window, its button's simulated check
// that fills the bar and reports 已是最新版！！！ after about 950 ms, the keys,
// and a fresh window every time it is opened again.
#include <gtest/gtest.h>

#include "program.h"

#include <commctrl.h>
#include <cstdio>

using namespace e2e;

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kWidth = 190, kHeight = 185;
constexpr UINT kFeedbackMessage = 32885;
const std::wstring kUpToDate = L"已是最新版！！！";

// The site menu at start: all four header bars (40 px) at the top, group 说明
// open below them, one 36 px row per item (the icon view's row).
constexpr int kHeaderHeight = 40, kRowHeight = 36;

HWND siteMenu(HWND main) {
    auto children = directChildren(main);
    return children.size() == 1 ? children[0] : nullptr;
}

POINT updateItemPoint(HWND main) {
    RECT r{};
    GetWindowRect(siteMenu(main), &r);
    return {(r.left + r.right) / 2, r.top + 4 * kHeaderHeight + kRowHeight + kRowHeight / 2};
}

// The controls of an open update window, found by what they are.
struct Opened {
    HWND hwnd = nullptr;
    HWND bar = nullptr, button = nullptr, label1 = nullptr, label2 = nullptr, label3 = nullptr, timer = nullptr;
};

// In client coordinates of the update window.
RECT clientRectOf(HWND child) { return rectInParent(child); }

bool rectIs(HWND child, int x, int y, int w, int h) {
    RECT r = clientRectOf(child);
    return r.left == x && r.top == y && r.right - r.left == w && r.bottom - r.top == h;
}

Opened controlsOf(HWND w) {
    Opened u;
    u.hwnd = w;
    for (HWND c : directChildren(w)) {
        const std::wstring cls = className(c);
        if (cls == L"msctls_progress32") u.bar = c;
        else if (cls == L"Button") u.button = c;
        else if (rectIs(c, 16, 32, 56, 32)) u.label1 = c;
        else if (rectIs(c, 73, 32, 56, 32)) u.label2 = c;
        else if (rectIs(c, 19, 80, 101, 24)) u.label3 = c;
        else if (rectIs(c, 144, 120, 16, 16)) u.timer = c;
    }
    return u;
}

// A visible top-level window of the program's own class other than the main
// window.
HWND findUpdateWindow(DWORD pid, HWND main) {
    for (HWND w : topLevelWindows(pid, true))
        if (w != main && className(w) == className(main)) return w;
    return nullptr;
}

int programWindowCount(DWORD pid, HWND main) {
    int n = 0;
    for (HWND w : topLevelWindows(pid, true)) n += className(w) == className(main);
    return n;
}

void openUpdateWindow(const Launched& app, Opened& out) {
    ASSERT_TRUE(focusByTitleBar(app.window)) << "the main window did not become the foreground window";
    POINT p = updateItemPoint(app.window);
    click(p.x, p.y);
    HWND w = nullptr;
    waitUntil([&] { return (w = findUpdateWindow(app.proc.pid(), app.window)) != nullptr; }, 3000ms);
    ASSERT_NE(w, nullptr) << "no update window after clicking 更新 at " << p.x << "," << p.y << "; "
                          << windowsSummary(app.proc.pid());
    // Let it finish showing and painting.
    DWORD_PTR r = 0;
    SendMessageTimeoutW(w, WM_NULL, 0, 0, SMTO_NORMAL, 2000, &r);
    Sleep(150);
    out = controlsOf(w);
    ASSERT_TRUE(out.bar && out.button && out.label1 && out.label2 && out.label3 && out.timer)
        << "controls of the update window not all found";
}

std::int32_t barPos(HWND bar) {
    DWORD_PTR r = 0;
    SendMessageTimeoutW(bar, PBM_GETPOS, 0, 0, SMTO_NORMAL, 3000, &r);
    return std::int32_t(r);
}

std::pair<std::int32_t, std::int32_t> barRange(HWND bar) {
    DWORD_PTR lo = 0, hi = 0;
    SendMessageTimeoutW(bar, PBM_GETRANGE, TRUE, 0, SMTO_NORMAL, 3000, &lo);
    SendMessageTimeoutW(bar, PBM_GETRANGE, FALSE, 0, SMTO_NORMAL, 3000, &hi);
    return {std::int32_t(lo), std::int32_t(hi)};
}

bool answers(HWND w, UINT timeoutMs) {
    DWORD_PTR r = 0;
    return SendMessageTimeoutW(w, WM_NULL, 0, 0, SMTO_NORMAL, timeoutMs, &r) != 0;
}

RECT screenRectOf(HWND w) {
    RECT r{};
    GetWindowRect(w, &r);
    return r;
}

// How many pixels of the region differ from `colour`.
int pixelsOtherThan(const RECT& r, COLORREF colour) {
    int n = 0;
    for (COLORREF c : screenRegion(r)) n += c != colour;
    return n;
}

HWND focusedWindowOf(HWND top) {
    GUITHREADINFO gti{};
    gti.cbSize = sizeof gti;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(top, nullptr), &gti)) return nullptr;
    return gti.hwndFocus;
}

// Presses the left button on the point and releases it; returns the time of
// the release.
Clock::time_point pressAndRelease(POINT p) {
    mouseMove(p.x, p.y);
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    SendInput(1, &in, sizeof in);
    Sleep(20);
    in.mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(1, &in, sizeof in);
    return Clock::now();
}

POINT centreOf(HWND w) {
    RECT r = screenRectOf(w);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// Waits until the window stops answering: the click has reached the
// handler, which blocks the window's thread.
bool waitUntilBusy(HWND w) {
    return waitUntil([&] { return !answers(w, 30); }, 2000ms);
}

// Runs the check by clicking the button; returns the time from the release
// of the button until the window answers again.
Millis clickCheck(const Opened& u) {
    const auto released = pressAndRelease(centreOf(u.button));
    EXPECT_TRUE(waitUntilBusy(u.hwnd)) << "the click did not start the check";
    EXPECT_TRUE(answers(u.hwnd, 5000)) << "the window does not answer after the check";
    return std::chrono::duration_cast<Millis>(Clock::now() - released);
}

void closeAndExpectExit(Launched& app) {
    PostMessageW(app.window, WM_SYSCOMMAND, SC_CLOSE, 0);
    expectExit(app.proc, 0, "after SC_CLOSE of the main window");
}

}  // namespace

TEST(UpdateWindow, OpensCentredOwnedByAHiddenWindowOverTheDisabledMainWindow) {
    Launched app;
    ASSERT_NO_FATAL_FAILURE(launch(app));
    Opened u;
    ASSERT_NO_FATAL_FAILURE(openUpdateWindow(app, u));
    saveScreenshot(screenRectOf(u.hwnd), shotName(L"fresh"));

    const POINT screen = screenSize();
    const WindowInfo i = describe(u.hwnd);
    EXPECT_EQ(i.rect.left, (screen.x - kWidth) / 2);
    EXPECT_EQ(i.rect.top, (screen.y - kHeight) / 2);
    EXPECT_EQ(i.rect.right - i.rect.left, kWidth);
    EXPECT_EQ(i.rect.bottom - i.rect.top, kHeight);
    EXPECT_EQ(i.title, L"");
    EXPECT_TRUE(i.style & WS_CAPTION);
    EXPECT_FALSE(i.style & WS_THICKFRAME) << "fixed border";

    // Owned by the frame's hidden window, not by the main window: no taskbar
    // button of its own.
    ASSERT_NE(i.owner, nullptr);
    EXPECT_NE(i.owner, app.window);
    EXPECT_FALSE(IsWindowVisible(i.owner));
    EXPECT_EQ(windowPid(i.owner), app.proc.pid());
    EXPECT_FALSE(i.exStyle & WS_EX_APPWINDOW);

    EXPECT_FALSE(IsWindowEnabled(app.window)) << "the main window stays enabled";
    EXPECT_TRUE(i.enabled);

    // Fresh from its definition.
    EXPECT_EQ(barPos(u.bar), 0);
    EXPECT_EQ(barRange(u.bar), (std::pair<std::int32_t, std::int32_t>{0, 100}));
    EXPECT_EQ(windowText(u.label3), L"");
    EXPECT_EQ(windowText(u.label1), L"当前版本:");
    EXPECT_EQ(windowText(u.label2), L"V1.0.0");
    EXPECT_EQ(windowText(u.button), L"检查更新");
    EXPECT_TRUE(rectIs(u.bar, 8, 144, 168, 8));
    EXPECT_TRUE(rectIs(u.button, 136, 24, 40, 64));
    EXPECT_TRUE(GetWindowLongW(u.bar, GWL_EXSTYLE) & WS_EX_STATICEDGE);
    EXPECT_TRUE(IsWindowVisible(u.bar) && IsWindowVisible(u.button) && IsWindowVisible(u.label3));
    EXPECT_FALSE(IsWindowVisible(u.timer)) << "the timer is shown";
    // An empty 标签3 shows nothing but the button face.
    EXPECT_EQ(pixelsOtherThan(screenRectOf(u.label3), GetSysColor(COLOR_BTNFACE)), 0);
    EXPECT_EQ(focusedWindowOf(u.hwnd), u.button) << "the button, the only tab stop, has the focus";
    // Button and bar come from version 6 of the common controls, loaded for
    // this window through the program's manifest.
    auto controls = moduleNamed(app.proc.pid(), L"comctl32.dll");
    ASSERT_TRUE(controls) << "the common controls are not mapped";
    EXPECT_NE(controls->find(L"common-controls"), std::wstring::npos) << narrow(*controls);
    EXPECT_NE(controls->find(L"_6."), std::wstring::npos) << narrow(*controls);

    // Clicks on the disabled main window do nothing.
    POINT p = updateItemPoint(app.window);
    click(p.x, p.y);
    Sleep(300);
    EXPECT_EQ(programWindowCount(app.proc.pid(), app.window), 2) << windowsSummary(app.proc.pid());

    pressKey(VK_ESCAPE);
    EXPECT_TRUE(waitUntil([&] { return !IsWindow(u.hwnd); }, 2000ms)) << "Esc did not close the window";
    EXPECT_TRUE(waitUntil([&] { return IsWindowEnabled(app.window) != FALSE; }, 1000ms));
    closeAndExpectExit(app);
}

TEST(UpdateWindow, CheckBlocksAbout950MsThenShowsAFullBarAndTheResult) {
    Launched app;
    ASSERT_NO_FATAL_FAILURE(launch(app));
    Opened u;
    ASSERT_NO_FATAL_FAILURE(openUpdateWindow(app, u));

    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    const RECT bar = screenRectOf(u.bar);
    // A point inside the bar near its right end: empty now, filled at 100.
    const POINT nearEnd{bar.right - 5, (bar.top + bar.bottom) / 2};
    const POINT nearStart{bar.left + 5, (bar.top + bar.bottom) / 2};
    const COLORREF emptyColour = screenPixel(nearEnd.x, nearEnd.y);

    const auto released = pressAndRelease(centreOf(u.button));
    ASSERT_TRUE(waitUntilBusy(u.hwnd)) << "the click did not start the check";
    const auto busy = std::chrono::duration_cast<Millis>(Clock::now() - released);
    // Inside the check: by now its first passes have written the result
    // text, which is not painted until the check has returned.
    Sleep(300);
    const auto inside = std::chrono::duration_cast<Millis>(Clock::now() - released);
    EXPECT_FALSE(answers(u.hwnd, 50)) << "the window answers during the check";
    EXPECT_EQ(pixelsOtherThan(screenRectOf(u.label3), face), 0) << "标签3 was repainted during the check";
    EXPECT_TRUE(answers(u.hwnd, 5000));
    const auto took = std::chrono::duration_cast<Millis>(Clock::now() - released);
    std::printf("busy after %d ms, looked inside at %d ms\n", int(busy.count()), int(inside.count()));
    RecordProperty("check_ms", int(took.count()));
    std::printf("update check took %d ms\n", int(took.count()));
    EXPECT_GE(took.count(), 950) << "ten pauses of 95 ms";
    EXPECT_LT(took.count(), 1600);

    EXPECT_EQ(barPos(u.bar), 100) << "shown position";
    EXPECT_EQ(barRange(u.bar), (std::pair<std::int32_t, std::int32_t>{0, 100}));
    EXPECT_EQ(windowText(u.label3), kUpToDate);
    // Painted once the loop runs again.
    EXPECT_TRUE(waitUntil([&] { return pixelsOtherThan(screenRectOf(u.label3), face) > 20; }, 1000ms))
        << "标签3 shows no text";
    EXPECT_TRUE(waitUntil(
        [&] {
            const COLORREF end = screenPixel(nearEnd.x, nearEnd.y);
            return end != emptyColour && end == screenPixel(nearStart.x, nearStart.y);
        },
        1000ms))
        << "the bar is not full";
    saveScreenshot(screenRectOf(u.hwnd), shotName(L"after-check"));

    // A second check looks the same and takes as long.
    const Millis again = clickCheck(u);
    EXPECT_GE(again.count(), 950);
    EXPECT_LT(again.count(), 1600);
    EXPECT_EQ(barPos(u.bar), 100);
    EXPECT_EQ(windowText(u.label3), kUpToDate);

    pressKey(VK_ESCAPE);
    EXPECT_TRUE(waitUntil([&] { return !IsWindow(u.hwnd); }, 2000ms));
    closeAndExpectExit(app);
}

TEST(UpdateWindow, OpensFreshAgainAfterItWasClosed) {
    Launched app;
    ASSERT_NO_FATAL_FAILURE(launch(app));
    for (int opening = 1; opening <= 3; ++opening) {
        SCOPED_TRACE(testing::Message() << "opening " << opening);
        Opened u;
        ASSERT_NO_FATAL_FAILURE(openUpdateWindow(app, u));
        EXPECT_EQ(barPos(u.bar), 0);
        EXPECT_EQ(windowText(u.label3), L"");
        EXPECT_FALSE(IsWindowEnabled(app.window));
        clickCheck(u);
        EXPECT_EQ(barPos(u.bar), 100);

        pressKey(VK_ESCAPE);
        ASSERT_TRUE(waitUntil([&] { return !IsWindow(u.hwnd); }, 2000ms)) << "Esc did not close the window";
        EXPECT_TRUE(waitUntil([&] { return IsWindowEnabled(app.window) != FALSE; }, 1000ms))
            << "the main window stays disabled";
        EXPECT_TRUE(app.proc.running());
    }
    closeAndExpectExit(app);
}

TEST(UpdateWindow, SpaceOnTheButtonRunsTheCheckEnterDoesNothing) {
    Launched app;
    ASSERT_NO_FATAL_FAILURE(launch(app));
    Opened u;
    ASSERT_NO_FATAL_FAILURE(openUpdateWindow(app, u));
    ASSERT_TRUE(waitUntil([&] { return focusedWindowOf(u.hwnd) == u.button; }, 1000ms));

    pressKey(VK_RETURN);
    Sleep(400);
    EXPECT_EQ(windowText(u.label3), L"") << "Enter ran the check";
    EXPECT_EQ(barPos(u.bar), 0);
    EXPECT_TRUE(IsWindow(u.hwnd));

    pressKey(VK_SPACE);
    EXPECT_TRUE(waitUntil([&] { return windowText(u.label3) == kUpToDate; }, 3000ms)) << "Space did not click";
    EXPECT_TRUE(answers(u.hwnd, 5000));
    EXPECT_EQ(barPos(u.bar), 100);

    pressKey(VK_ESCAPE);
    EXPECT_TRUE(waitUntil([&] { return !IsWindow(u.hwnd); }, 2000ms));
    closeAndExpectExit(app);
}

TEST(UpdateWindow, FeedbackMessageToTheVersionLabelIsAnsweredWithZero) {
    Launched app;
    ASSERT_NO_FATAL_FAILURE(launch(app));
    Opened u;
    ASSERT_NO_FATAL_FAILURE(openUpdateWindow(app, u));
    for (auto [wp, lp] : {std::pair<WPARAM, LPARAM>{0, 0}, {7, 9}, {WPARAM(-1), LPARAM(0x7FFFFFFF)}}) {
        DWORD_PTR result = 12345;
        ASSERT_TRUE(SendMessageTimeoutW(u.label2, kFeedbackMessage, wp, lp, SMTO_NORMAL, 2000, &result));
        EXPECT_EQ(result, 0u);
    }
    EXPECT_EQ(windowText(u.label2), L"V1.0.0");
    EXPECT_EQ(windowText(u.label3), L"");
    EXPECT_EQ(barPos(u.bar), 0);
    EXPECT_TRUE(IsWindow(u.hwnd));
    EXPECT_FALSE(IsWindowEnabled(app.window));

    pressKey(VK_ESCAPE);
    EXPECT_TRUE(waitUntil([&] { return !IsWindow(u.hwnd); }, 2000ms));
    closeAndExpectExit(app);
}

TEST(UpdateWindow, CloseButtonAndAltF4CloseItToo) {
    Launched app;
    ASSERT_NO_FATAL_FAILURE(launch(app));
    for (const char* way : {"close button", "Alt+F4"}) {
        SCOPED_TRACE(way);
        Opened u;
        ASSERT_NO_FATAL_FAILURE(openUpdateWindow(app, u));
        if (way[0] == 'c') {
            auto p = findHitPoint(u.hwnd, HTCLOSE);
            ASSERT_TRUE(p.has_value()) << "no close button";
            click(p->x, p->y);
        } else {
            pressKey(VK_F4, {VK_MENU});
        }
        EXPECT_TRUE(waitUntil([&] { return !IsWindow(u.hwnd); }, 2000ms));
        EXPECT_TRUE(waitUntil([&] { return IsWindowEnabled(app.window) != FALSE; }, 1000ms));
        EXPECT_TRUE(app.proc.running()) << "closing the update window ended the program";
    }
    closeAndExpectExit(app);
}
