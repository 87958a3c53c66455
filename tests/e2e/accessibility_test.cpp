// The site menu through the system's accessibility interface, used from this
// process as a screen reader uses it: AccessibleObjectFromWindow on the
// menu's window gives a proxy to the program's IAccessible (marshalled by
// oleacc across the process boundary). What it reports is checked against
// the screen and against real clicks; its default actions must do what a
// completed click does; and it must survive foreign requests and the end of
// its window.
#include <gtest/gtest.h>

#include <ole2.h>
#include <oleacc.h>

#include <string>
#include <vector>

#include "program.h"

using namespace e2e;

namespace {

// Child ids: the header bars and the open group's items in reading order.
// With 说明 (group 3) open, as at start:
constexpr LONG kWebsites = 1, kShopping = 2, kCommon = 3, kNotesHeader = 4, kNotesItem = 5, kUpdateItem = 6;
// With 网站 (group 0) open: 网站, its eight items, then the other bars.
constexpr LONG kSinaOpen0 = 3, kBaiduOpen0 = 4, kNotesHeaderOpen0 = 12;

constexpr COLORREF kItemText = RGB(255, 128, 0);
constexpr COLORREF kSelectedText = RGB(255, 255, 0);
constexpr COLORREF kBackground = RGB(192, 192, 192);
constexpr int kLabelPixels = 8;

std::string hr(HRESULT h) {
    char b[16];
    snprintf(b, sizeof b, "0x%08lX", static_cast<unsigned long>(h));
    return b;
}

VARIANT child(LONG id) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = id;
    return v;
}

std::wstring take(BSTR b) {
    std::wstring s = b ? std::wstring(b, SysStringLen(b)) : std::wstring();
    SysFreeString(b);
    return s;
}

POINT centre(const RECT& r) { return {(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

int countColour(const RECT& r, COLORREF c) {
    int n = 0;
    for (COLORREF p : screenRegion(r)) n += p == c;
    return n;
}

// WinEvents of the program, received out of context by this thread.
struct WinEvent {
    DWORD event;
    HWND hwnd;
    LONG object, child;
};
std::vector<WinEvent> gEvents;

void CALLBACK onWinEvent(HWINEVENTHOOK, DWORD event, HWND hwnd, LONG object, LONG childId, DWORD, DWORD) {
    gEvents.push_back({event, hwnd, object, childId});
}

// Handles this thread's messages (WinEvents, COM) until `pred` holds.
template <class Pred>
bool pumpUntil(Pred pred, Millis timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        MSG m;
        while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&m);
        if (pred()) return true;
        if (std::chrono::steady_clock::now() >= end) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
}

// Answers of the program to WM_GETOBJECT that no client has claimed. Under
// Wine each is a global atom "wine_oleacc:<pid>:<mapping>:<size>" (with a
// file mapping and a reference in the program behind it) until a client
// claims it with ObjectFromLresult; nothing frees it otherwise. With `claim`
// those found are claimed and released, so that none stays behind.
int unclaimedAnswers(DWORD pid, bool claim) {
    wchar_t prefix[32];
    swprintf(prefix, 32, L"wine_oleacc:%08x:", static_cast<unsigned>(pid));
    const std::size_t prefixLength = wcslen(prefix);
    int found = 0;
    for (UINT a = 0xC000; a <= 0xFFFF; ++a) {
        wchar_t atomName[64];
        const UINT n = GlobalGetAtomNameW(ATOM(a), atomName, 64);
        if (n < prefixLength || wcsncmp(atomName, prefix, prefixLength) != 0) continue;
        ++found;
        IAccessible* acc = nullptr;
        if (claim && SUCCEEDED(ObjectFromLresult(LRESULT(a), IID_IAccessible, 0, reinterpret_cast<void**>(&acc))) && acc)
            acc->Release();
    }
    return found;
}

class Accessibility : public ::testing::Test {
protected:
    void SetUp() override {
        com_ = CoInitialize(nullptr);
        ASSERT_TRUE(SUCCEEDED(com_)) << hr(com_);
        clearBrowserLog();
        gEvents.clear();
        ASSERT_NO_FATAL_FAILURE(launch(app_));
        ASSERT_TRUE(focusByTitleBar(app_.window));
        auto children = directChildren(app_.window);
        ASSERT_EQ(children.size(), 1u) << "the main window should hold the site menu only";
        menu_ = children[0];
        GetWindowRect(menu_, &r_);
        const HRESULT h = AccessibleObjectFromWindow(menu_, DWORD(OBJID_CLIENT), IID_IAccessible,
                                                     reinterpret_cast<void**>(&acc_));
        ASSERT_EQ(h, S_OK) << "AccessibleObjectFromWindow: " << hr(h);
        ASSERT_NE(acc_, nullptr);
    }

    void TearDown() override {
        if (hook_) UnhookWinEvent(hook_);
        hook_ = nullptr;
        if (acc_) acc_->Release();
        acc_ = nullptr;
        if (app_.proc && app_.proc.running()) {
            for (auto& box : messageBoxesOf(app_.proc.pid())) PostMessageW(box.hwnd, WM_COMMAND, IDOK, 0);
            PostMessageW(app_.window, WM_SYSCOMMAND, SC_CLOSE, 0);
            expectExit(app_.proc, 0, "closing after the test");
        }
        if (SUCCEEDED(com_)) CoUninitialize();
    }

    void hookEvents() {
        hook_ = SetWinEventHook(EVENT_OBJECT_REORDER, EVENT_OBJECT_STATECHANGE, nullptr, onWinEvent,
                                app_.proc.pid(), 0, WINEVENT_OUTOFCONTEXT);
        ASSERT_NE(hook_, nullptr);
        gEvents.clear();
    }
    bool sawEvent(DWORD event, LONG childId) const {
        for (const WinEvent& e : gEvents)
            if (e.event == event && e.hwnd == menu_ && e.object == OBJID_CLIENT && e.child == childId) return true;
        return false;
    }

    LONG count() const {
        LONG n = -1;
        EXPECT_EQ(acc_->get_accChildCount(&n), S_OK);
        return n;
    }
    std::wstring name(LONG id) const {
        BSTR b = nullptr;
        EXPECT_EQ(acc_->get_accName(child(id), &b), S_OK) << "child " << id;
        return take(b);
    }
    std::wstring value(LONG id) const {
        BSTR b = nullptr;
        acc_->get_accValue(child(id), &b);
        return take(b);
    }
    LONG role(LONG id) const {
        VARIANT v;
        VariantInit(&v);
        EXPECT_EQ(acc_->get_accRole(child(id), &v), S_OK);
        return v.vt == VT_I4 ? v.lVal : -1;
    }
    LONG state(LONG id) const {
        VARIANT v;
        VariantInit(&v);
        EXPECT_EQ(acc_->get_accState(child(id), &v), S_OK) << "child " << id;
        return v.vt == VT_I4 ? v.lVal : -1;
    }
    std::wstring defaultAction(LONG id, HRESULT* result = nullptr) const {
        BSTR b = nullptr;
        const HRESULT h = acc_->get_accDefaultAction(child(id), &b);
        if (result) *result = h;
        return take(b);
    }
    RECT location(LONG id) const {
        LONG x = 0, y = 0, w = 0, h = 0;
        EXPECT_EQ(acc_->accLocation(&x, &y, &w, &h, child(id)), S_OK) << "child " << id;
        return {x, y, x + w, y + h};
    }
    // VT_EMPTY (nothing there) as -1.
    LONG hitAt(POINT p) const {
        VARIANT v;
        VariantInit(&v);
        const HRESULT h = acc_->accHitTest(p.x, p.y, &v);
        EXPECT_TRUE(h == S_OK || h == S_FALSE) << hr(h);
        return v.vt == VT_I4 ? v.lVal : v.vt == VT_EMPTY ? -1 : -2;
    }
    // The names of all children, enumerated as clients do it.
    std::vector<std::wstring> childNames() const {
        const LONG n = count();
        std::vector<VARIANT> kids(std::size_t(n > 0 ? n : 0));
        LONG got = 0;
        const HRESULT h = AccessibleChildren(acc_, 0, n, kids.data(), &got);
        EXPECT_EQ(h, S_OK) << hr(h);
        std::vector<std::wstring> names;
        for (LONG k = 0; k < got; ++k) {
            EXPECT_EQ(kids[std::size_t(k)].vt, VT_I4) << "children are simple elements";
            if (kids[std::size_t(k)].vt == VT_I4) names.push_back(name(kids[std::size_t(k)].lVal));
            VariantClear(&kids[std::size_t(k)]);
        }
        return names;
    }
    // Whether this many children show up within the time (a slide runs first).
    bool waitForCount(LONG n) const {
        return pumpUntil([&] { return count() == n; }, 3000ms);
    }
    void clickChild(LONG id) const {
        POINT p = centre(location(id));
        click(p.x, p.y);
    }
    void pointerAway() const {
        mouseMove(r_.right + 60, std::max(LONG(5), r_.top - 60));
        Sleep(600);  // Wine posts WM_MOUSELEAVE after the hover time
    }

    HRESULT com_ = E_FAIL;
    Launched app_;
    HWND menu_ = nullptr;
    RECT r_{};
    IAccessible* acc_ = nullptr;
    HWINEVENTHOOK hook_ = nullptr;
};

const std::vector<std::wstring> kStartNames = {L"网站", L"购物", L"常用网站", L"说明", L"说明", L"更新"};
const std::vector<std::wstring> kWebsitesOpenNames = {L"网站",     L"腾讯网", L"新浪网", L"百度",   L"网易",
                                                      L"凤凰",     L"人民网", L"东方财富", L"新华网", L"购物",
                                                      L"常用网站", L"说明"};

}  // namespace

TEST_F(Accessibility, TheMenuIsAnOutlineOfItsHeadersAndTheOpenGroupsItems) {
    EXPECT_EQ(role(CHILDID_SELF), ROLE_SYSTEM_OUTLINE);
    EXPECT_EQ(name(CHILDID_SELF), kMainTitle) << "the menu is named after the program";
    const LONG self = state(CHILDID_SELF);
    EXPECT_TRUE(self & STATE_SYSTEM_FOCUSABLE);
    EXPECT_FALSE(self & (STATE_SYSTEM_UNAVAILABLE | STATE_SYSTEM_INVISIBLE)) << std::hex << self;
    if (GetForegroundWindow() == app_.window) {
        EXPECT_TRUE(self & STATE_SYSTEM_FOCUSED) << "the menu is the window's only tab stop";
        VARIANT f;
        VariantInit(&f);
        EXPECT_EQ(acc_->get_accFocus(&f), S_OK);
        EXPECT_EQ(f.vt, VT_I4);
        EXPECT_EQ(f.lVal, CHILDID_SELF);
    }

    ASSERT_EQ(count(), 6);
    EXPECT_EQ(childNames(), kStartNames);
    struct Row {
        LONG id;
        const wchar_t* value;  // the level
        LONG state;            // of the bits below
        const wchar_t* action;
    };
    const LONG bits = STATE_SYSTEM_EXPANDED | STATE_SYSTEM_COLLAPSED | STATE_SYSTEM_SELECTED | STATE_SYSTEM_SELECTABLE |
                      STATE_SYSTEM_INVISIBLE | STATE_SYSTEM_OFFSCREEN | STATE_SYSTEM_UNAVAILABLE;
    const Row rows[] = {
        {kWebsites, L"0", STATE_SYSTEM_COLLAPSED, L"展开"},
        {kShopping, L"0", STATE_SYSTEM_COLLAPSED, L"展开"},
        {kCommon, L"0", STATE_SYSTEM_COLLAPSED, L"展开"},
        {kNotesHeader, L"0", STATE_SYSTEM_EXPANDED, L""},  // the open group's bar does nothing
        {kNotesItem, L"1", STATE_SYSTEM_SELECTABLE, L"打开"},
        {kUpdateItem, L"1", STATE_SYSTEM_SELECTABLE, L"打开"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE("child " + std::to_string(r.id));
        EXPECT_EQ(role(r.id), ROLE_SYSTEM_OUTLINEITEM);
        EXPECT_EQ(value(r.id), r.value);
        EXPECT_EQ(state(r.id) & bits, r.state) << std::hex << state(r.id);
        HRESULT h = E_FAIL;
        EXPECT_EQ(defaultAction(r.id, &h), r.action);
        EXPECT_EQ(h, *r.action ? S_OK : S_FALSE) << hr(h);
        IDispatch* d = reinterpret_cast<IDispatch*>(1);
        EXPECT_EQ(acc_->get_accChild(child(r.id), &d), S_FALSE);
        EXPECT_EQ(d, nullptr);
    }
    VARIANT sel;
    VariantInit(&sel);
    EXPECT_EQ(acc_->get_accSelection(&sel), S_FALSE);
    EXPECT_EQ(sel.vt, VT_EMPTY) << "nothing is selected at start";

    // Ids that name nothing.
    for (LONG bad : {7L, -1L, 1000L}) {
        BSTR b = nullptr;
        EXPECT_EQ(acc_->get_accName(child(bad), &b), E_INVALIDARG) << bad;
        EXPECT_EQ(b, nullptr);
    }

    // Where it lives: the menu's window, inside the window object of it.
    HWND found = nullptr;
    EXPECT_EQ(WindowFromAccessibleObject(acc_, &found), S_OK);
    EXPECT_EQ(found, menu_);
    IDispatch* parent = nullptr;
    ASSERT_EQ(acc_->get_accParent(&parent), S_OK);
    ASSERT_NE(parent, nullptr);
    IAccessible* window = nullptr;
    EXPECT_EQ(parent->QueryInterface(IID_IAccessible, reinterpret_cast<void**>(&window)), S_OK);
    parent->Release();
    if (window) {
        // The system's window object of the same window. (Wine's answers
        // get_accRole with E_NOTIMPL, so it is recognised by its window.)
        HWND of = nullptr;
        EXPECT_EQ(WindowFromAccessibleObject(window, &of), S_OK);
        EXPECT_EQ(of, menu_);
        window->Release();
    }

    // Answering took the accessibility and automation libraries, loaded on
    // this first request and from the system folder.
    for (const wchar_t* dll : {L"oleacc.dll", L"oleaut32.dll"}) {
        auto path = moduleNamed(app_.proc.pid(), dll);
        ASSERT_TRUE(path) << narrow(dll) << " is not mapped after answering";
        EXPECT_EQ(path->rfind(systemFolder(), 0), 0u) << narrow(*path);
    }
}

TEST_F(Accessibility, LocationsAndHitTestingMatchWhatIsDrawn) {
    // Four 40 px bars at the top, the two items in 36 px rows below them.
    const RECT self = location(CHILDID_SELF);
    RECT client{};
    GetClientRect(menu_, &client);
    EXPECT_EQ(self.left, r_.left);
    EXPECT_EQ(self.top, r_.top);
    EXPECT_EQ(self.right - self.left, client.right);
    EXPECT_EQ(self.bottom - self.top, client.bottom);
    for (LONG g = 0; g < 4; ++g) {
        const RECT want{r_.left, r_.top + g * 40, r_.right, r_.top + g * 40 + 40};
        const RECT got = location(g + 1);
        EXPECT_TRUE(EqualRect(&want, &got)) << "bar " << g;
    }
    for (LONG i = 0; i < 2; ++i) {
        const RECT want{r_.left, r_.top + 160 + i * 36, r_.right, r_.top + 196 + i * 36};
        const RECT got = location(kNotesItem + i);
        EXPECT_TRUE(EqualRect(&want, &got)) << "item " << i;
        EXPECT_GE(countColour(got, kItemText), kLabelPixels) << "the orange label lies in the reported rectangle";
    }
    for (LONG id = 1; id <= 6; ++id) EXPECT_EQ(hitAt(centre(location(id))), id);
    EXPECT_EQ(hitAt({r_.left + 84, r_.top + 400}), CHILDID_SELF) << "the empty item area";
    EXPECT_EQ(hitAt({r_.right + 20, r_.top + 20}), -1) << "outside the menu";
}

TEST_F(Accessibility, ARealClickOnAHeaderChangesTheChildrenAndIsAnnounced) {
    ASSERT_NO_FATAL_FAILURE(hookEvents());
    clickChild(kWebsites);
    ASSERT_TRUE(waitForCount(12)) << "children after the click: " << count();
    EXPECT_EQ(childNames(), kWebsitesOpenNames);
    EXPECT_TRUE(state(kWebsites) & STATE_SYSTEM_EXPANDED);
    EXPECT_TRUE(state(kNotesHeaderOpen0) & STATE_SYSTEM_COLLAPSED);
    for (LONG id = 2; id <= 9; ++id) {
        EXPECT_EQ(value(id), L"1");
        EXPECT_FALSE(state(id) & STATE_SYSTEM_OFFSCREEN) << narrow(name(id)) << " is (partly) in view";
    }
    EXPECT_TRUE(pumpUntil([&] { return sawEvent(EVENT_OBJECT_REORDER, CHILDID_SELF); }, 2000ms))
        << "no EVENT_OBJECT_REORDER; " << gEvents.size() << " events";
    EXPECT_TRUE(sawEvent(EVENT_OBJECT_STATECHANGE, kWebsites));
    EXPECT_TRUE(sawEvent(EVENT_OBJECT_STATECHANGE, kNotesHeaderOpen0));

    // Scrolled down by one, 腾讯网 is out of view and says so.
    const RECT area = location(kNotesHeaderOpen0 - 2);  // 购物's bar, at the bottom
    click(r_.right - 1 - 2 - 8, r_.top + 304 - 2 - 8);  // the down arrow
    ASSERT_TRUE(pumpUntil([&] { return (state(2) & STATE_SYSTEM_OFFSCREEN) != 0; }, 2000ms));
    EXPECT_TRUE(state(2) & STATE_SYSTEM_INVISIBLE);
    EXPECT_FALSE(state(9) & STATE_SYSTEM_OFFSCREEN) << "新华网 came into view";
    const RECT last = location(9);
    EXPECT_LE(last.bottom, area.top) << "新华网 lies above the bars at the bottom";
    EXPECT_EQ(hitAt(centre(last)), 9);
    EXPECT_TRUE(browserLog().empty()) << "a header bar or an arrow chose an item";
}

TEST_F(Accessibility, ARealClickOnAnItemSelectsIt) {
    clickChild(kWebsites);
    ASSERT_TRUE(waitForCount(12));
    ASSERT_EQ(name(kSinaOpen0), L"新浪网");
    ASSERT_NO_FATAL_FAILURE(hookEvents());
    clickChild(kSinaOpen0);
    std::vector<std::string> log;
    ASSERT_TRUE(pumpUntil([&] { return !(log = browserLog()).empty(); }, 8000ms)) << "the click chose nothing";
    EXPECT_EQ(log[0], "http://www.sina.com.cn/");
    EXPECT_EQ(state(kSinaOpen0) & (STATE_SYSTEM_SELECTED | STATE_SYSTEM_SELECTABLE),
              STATE_SYSTEM_SELECTED | STATE_SYSTEM_SELECTABLE);
    for (LONG id = 2; id <= 9; ++id) {
        if (id != kSinaOpen0) {
            EXPECT_FALSE(state(id) & STATE_SYSTEM_SELECTED) << narrow(name(id));
        }
    }
    VARIANT sel;
    VariantInit(&sel);
    EXPECT_EQ(acc_->get_accSelection(&sel), S_OK);
    EXPECT_EQ(sel.vt, VT_I4);
    EXPECT_EQ(sel.lVal, kSinaOpen0);
    EXPECT_TRUE(pumpUntil([&] { return sawEvent(EVENT_OBJECT_SELECTION, kSinaOpen0); }, 2000ms))
        << "no EVENT_OBJECT_SELECTION for 新浪网";
}

TEST_F(Accessibility, DefaultActionOnBaiduChoosesItExactlyAsAClickDoes) {
    clickChild(kWebsites);
    ASSERT_TRUE(waitForCount(12));
    ASSERT_EQ(name(kBaiduOpen0), L"百度");
    pointerAway();
    ASSERT_NO_FATAL_FAILURE(hookEvents());

    ASSERT_EQ(acc_->accDoDefaultAction(child(kBaiduOpen0)), S_OK);
    std::vector<std::string> log;
    ASSERT_TRUE(pumpUntil([&] { return !(log = browserLog()).empty(); }, 8000ms)) << "nothing reached the browser";
    Sleep(300);
    log = browserLog();
    ASSERT_EQ(log.size(), 1u) << "the item-chosen event should be raised once";
    EXPECT_TRUE(log[0] == "http://www.baidu.com" || log[0] == "http://www.baidu.com/") << log[0];
    EXPECT_TRUE(state(kBaiduOpen0) & STATE_SYSTEM_SELECTED);
    EXPECT_TRUE(sawEvent(EVENT_OBJECT_SELECTION, kBaiduOpen0) ||
                pumpUntil([&] { return sawEvent(EVENT_OBJECT_SELECTION, kBaiduOpen0); }, 2000ms));
    EXPECT_TRUE(messageBoxesOf(app_.proc.pid()).empty()) << windowsSummary(app_.proc.pid());
    // Drawn as the selected item: its label is yellow.
    const RECT row = location(kBaiduOpen0);
    saveScreenshot(r_, shotName(L"baidu-chosen"));
    EXPECT_GE(countColour(row, kSelectedText), kLabelPixels);
    EXPECT_EQ(countColour(row, kItemText), 0);

    // A real click on it now raises the same event again: the same address.
    clickChild(kBaiduOpen0);
    ASSERT_TRUE(pumpUntil([&] { return browserLog().size() == 2; }, 8000ms));
    EXPECT_EQ(browserLog()[1], log[0]);
}

TEST_F(Accessibility, DefaultActionOnTheNotesItemShowsTheGreetingBox) {
    ASSERT_EQ(name(kNotesItem), L"说明");
    ASSERT_EQ(acc_->accDoDefaultAction(child(kNotesItem)), S_OK);
    auto box = waitForMessageBox(app_.proc.pid(), 3000ms, L"提示");
    ASSERT_TRUE(box.has_value()) << "no greeting box; " << windowsSummary(app_.proc.pid());
    EXPECT_NE(box->text.find(L"闲云百宝匣"), std::wstring::npos) << narrow(box->text);
    ASSERT_EQ(box->buttons.size(), 1u);

    // While the box is up the menu takes no input, and says so; the
    // accessibility interface still answers but cannot choose anything.
    EXPECT_TRUE(state(CHILDID_SELF) & STATE_SYSTEM_UNAVAILABLE);
    EXPECT_TRUE(state(kUpdateItem) & STATE_SYSTEM_UNAVAILABLE);
    EXPECT_TRUE(state(kNotesItem) & STATE_SYSTEM_SELECTED);
    const HRESULT h = acc_->accDoDefaultAction(child(kUpdateItem));
    EXPECT_TRUE(FAILED(h)) << hr(h);
    EXPECT_TRUE(FAILED(acc_->accDoDefaultAction(child(kWebsites))));
    Sleep(500);
    int programWindows = 0;
    for (HWND w : topLevelWindows(app_.proc.pid(), true)) programWindows += className(w) == className(app_.window);
    EXPECT_EQ(programWindows, 1) << "the update window opened behind the box; " << windowsSummary(app_.proc.pid());
    EXPECT_EQ(count(), 6) << "a group opened behind the box";

    const RECT ok = describe(box->buttons[0].hwnd).rect;
    click(centre(ok).x, centre(ok).y);
    EXPECT_TRUE(waitUntil([&] { return !IsWindow(box->hwnd); }, 2000ms)) << "OK did not close the box";
    EXPECT_TRUE(waitUntil([&] { return (state(CHILDID_SELF) & STATE_SYSTEM_UNAVAILABLE) == 0; }, 1000ms));
    EXPECT_TRUE(messageBoxesOf(app_.proc.pid()).empty()) << windowsSummary(app_.proc.pid());
    EXPECT_TRUE(browserLog().empty());
}

TEST_F(Accessibility, DefaultActionOnAHeaderOpensItsGroup) {
    ASSERT_NO_FATAL_FAILURE(hookEvents());
    // The group slides open before the call returns.
    ASSERT_EQ(acc_->accDoDefaultAction(child(kWebsites)), S_OK);
    EXPECT_EQ(count(), 12);
    EXPECT_EQ(childNames(), kWebsitesOpenNames);
    EXPECT_TRUE(state(kWebsites) & STATE_SYSTEM_EXPANDED);
    // On the screen too: 购物's bar left its place for 网站's items.
    EXPECT_TRUE(waitUntil(
        [&] {
            return screenPixel(r_.left + 20, r_.top + 60) == kBackground &&
                   screenPixel(r_.left + 84, r_.top + 330) != kBackground;
        },
        2000ms));
    saveScreenshot(r_, shotName(L"websites-opened"));
    EXPECT_GE(countColour(location(2), kItemText), kLabelPixels) << "腾讯网 is drawn where it is reported";
    EXPECT_TRUE(pumpUntil([&] { return sawEvent(EVENT_OBJECT_REORDER, CHILDID_SELF); }, 2000ms));

    // The open group's own bar has no action; the others still open theirs.
    HRESULT h = S_OK;
    EXPECT_EQ(defaultAction(kWebsites, &h), L"");
    EXPECT_EQ(h, S_FALSE);
    EXPECT_EQ(acc_->accDoDefaultAction(child(kWebsites)), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(acc_->accDoDefaultAction(child(CHILDID_SELF)), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(count(), 12);
    ASSERT_EQ(defaultAction(kNotesHeaderOpen0), L"展开");
    ASSERT_EQ(acc_->accDoDefaultAction(child(kNotesHeaderOpen0)), S_OK);
    EXPECT_EQ(childNames(), kStartNames);
    Sleep(300);
    EXPECT_TRUE(browserLog().empty()) << "a header bar chose an item";
    EXPECT_TRUE(messageBoxesOf(app_.proc.pid()).empty());
}

TEST_F(Accessibility, ForeignObjectRequestsAreAnsweredSafely) {
    // Object ids that are not the client area's go to the system's default
    // handling, garbage included.
    const std::pair<WPARAM, LPARAM> others[] = {
        {0, LPARAM(OBJID_WINDOW)},    {0, LPARAM(OBJID_VSCROLL)}, {0, LPARAM(OBJID_QUERYCLASSNAMEIDX)},
        {0, LPARAM(OBJID_NATIVEOM)},  {0, 1},                     {0xDEADBEEF, 0x12345678},
        {WPARAM(-1), LPARAM(0x7FFFFFFF)}, {0x10, LPARAM(OBJID_CARET)},
    };
    for (const auto& [wp, lp] : others) {
        DWORD_PTR r = 1;
        ASSERT_TRUE(SendMessageTimeoutW(menu_, WM_GETOBJECT, wp, lp, SMTO_NORMAL, 2000, &r)) << std::hex << lp;
        EXPECT_EQ(r, 0u) << "wParam " << std::hex << wp << " lParam " << lp;
    }
    for (int k = 0; k < 200; ++k)
        PostMessageW(menu_, WM_GETOBJECT, WPARAM(k * 7919), LPARAM(0x40000000 + k));

    // The client area's object, whatever the flags in wParam: a reference
    // that unmarshals to a working object.
    for (WPARAM wp : {WPARAM(0), WPARAM(0xFFFFFFFF), WPARAM(0xDEADBEEF)}) {
        DWORD_PTR r = 0;
        ASSERT_TRUE(SendMessageTimeoutW(menu_, WM_GETOBJECT, wp, LPARAM(OBJID_CLIENT), SMTO_NORMAL, 2000, &r));
        ASSERT_GT(LRESULT(r), 0) << "wParam " << std::hex << wp;
        IAccessible* other = nullptr;
        ASSERT_EQ(ObjectFromLresult(LRESULT(r), IID_IAccessible, 0, reinterpret_cast<void**>(&other)), S_OK);
        LONG n = 0;
        EXPECT_EQ(other->get_accChildCount(&n), S_OK);
        EXPECT_EQ(n, 6);
        other->Release();
    }
    EXPECT_EQ(count(), 6);
    EXPECT_EQ(name(kUpdateItem), L"更新");
    EXPECT_TRUE(app_.proc.running());
    EXPECT_TRUE(browserLog().empty());
}

TEST_F(Accessibility, CallsFailSafelyOnceTheMenuIsGone) {
    ASSERT_EQ(count(), 6);
    // Another program closes the menu's window; the program goes on.
    DWORD_PTR r = 0;
    ASSERT_TRUE(SendMessageTimeoutW(menu_, WM_CLOSE, 0, 0, SMTO_NORMAL, 2000, &r));
    ASSERT_TRUE(waitUntil([&] { return !IsWindow(menu_); }, 2000ms)) << "the menu's window is still there";

    // The object was disconnected: the call does not reach the program.
    // Windows answers RPC_E_DISCONNECTED; Wine drops the RPC interface with
    // the last stub of it in the program and answers RPC_S_UNKNOWN_IF. A
    // call that still reached the cut-off object would get E_FAIL.
    auto failsSafely = [](HRESULT h) {
        return h == RPC_E_DISCONNECTED || h == CO_E_OBJNOTCONNECTED || h == HRESULT_FROM_WIN32(RPC_S_UNKNOWN_IF) ||
               h == E_FAIL;
    };
    LONG n = 0;
    HRESULT h = acc_->get_accChildCount(&n);
    EXPECT_TRUE(failsSafely(h)) << hr(h);
    BSTR b = nullptr;
    h = acc_->get_accName(child(kNotesItem), &b);
    EXPECT_TRUE(failsSafely(h)) << hr(h);
    SysFreeString(b);
    h = acc_->accDoDefaultAction(child(kNotesItem));
    EXPECT_TRUE(failsSafely(h)) << hr(h);
    VARIANT v;
    VariantInit(&v);
    h = acc_->accHitTest(r_.left + 10, r_.top + 10, &v);
    EXPECT_TRUE(failsSafely(h)) << hr(h);

    Sleep(300);
    EXPECT_TRUE(app_.proc.running()) << "the program ended when its menu went";
    EXPECT_TRUE(messageBoxesOf(app_.proc.pid()).empty()) << windowsSummary(app_.proc.pid());
    DWORD_PTR alive = 0;
    EXPECT_TRUE(SendMessageTimeoutW(app_.window, WM_NULL, 0, 0, SMTO_NORMAL, 2000, &alive));
}

TEST_F(Accessibility, PostedObjectRequestsLeaveNothingBehind) {
    ASSERT_EQ(unclaimedAnswers(app_.proc.pid(), true), 0);
    // A request sent from another thread is answered even if the answer is
    // never claimed (this one stands for a client that gave up).
    DWORD_PTR r = 0;
    ASSERT_TRUE(SendMessageTimeoutW(menu_, WM_GETOBJECT, 0, LPARAM(OBJID_CLIENT), SMTO_NORMAL, 2000, &r));
    ASSERT_GT(LRESULT(r), 0);
    EXPECT_EQ(unclaimedAnswers(app_.proc.pid(), true), 1) << "the unclaimed answer was not found";

    // Posted requests: nobody can receive their answers, so there are none.
    for (int k = 0; k < 2000; ++k) {
        ASSERT_TRUE(PostMessageW(menu_, WM_GETOBJECT, WPARAM(k % 3 ? 0 : 0xFFFFFFFF), LPARAM(OBJID_CLIENT)));
        if (k % 250 == 249) SendMessageTimeoutW(menu_, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &r);
    }
    ASSERT_TRUE(SendMessageTimeoutW(menu_, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &r));
    EXPECT_EQ(unclaimedAnswers(app_.proc.pid(), true), 0) << "answers to posted requests pile up";
    // Clients are still served.
    IAccessible* again = nullptr;
    ASSERT_EQ(AccessibleObjectFromWindow(menu_, DWORD(OBJID_CLIENT), IID_IAccessible, reinterpret_cast<void**>(&again)),
              S_OK);
    LONG n = 0;
    EXPECT_EQ(again->get_accChildCount(&n), S_OK);
    EXPECT_EQ(n, 6);
    again->Release();
}
