// What each item of the site menu does, with real clicks: the eighteen site
// items hand their web address to the browser (and nothing else runs, even
// with files named like the bare hosts next to the program), 说明 shows the
// greeting box, and 更新 opens the update window.
#include <gtest/gtest.h>

#include "program.h"

using namespace e2e;

namespace {

// The site menu's geometry: four 40 px header bars, those up to the open
// group at the top and the others at the bottom; the open group's items in
// 36 px rows below its header; the down arrow a 16 px square 2 px from the
// right and bottom edges of the item area (1 px side line). 说明 (group 3)
// is open at start.
constexpr int kGroups = 4, kHeaderHeight = 40, kRowHeight = 36, kArrowSize = 16, kArrowMargin = 2;
constexpr int kStartGroup = 3;

struct Menu {
    RECT r{};  // screen
    int width() const { return r.right - r.left; }
    int height() const { return r.bottom - r.top; }
    int headerTop(int open, int g) const {
        return g <= open ? r.top + g * kHeaderHeight : r.bottom - (kGroups - g) * kHeaderHeight;
    }
    int areaTop(int open) const { return r.top + (open + 1) * kHeaderHeight; }
    int areaHeight() const { return height() - kGroups * kHeaderHeight; }
    int visibleRows() const { return areaHeight() / kRowHeight; }
    POINT header(int open, int g) const { return {r.left + width() / 2, headerTop(open, g) + kHeaderHeight / 2}; }
    POINT item(int open, int row) const {
        return {r.left + width() / 2, areaTop(open) + row * kRowHeight + kRowHeight / 2};
    }
    POINT downArrow(int open) const {
        return {r.right - 1 - kArrowMargin - kArrowSize / 2,
                areaTop(open) + areaHeight() - kArrowMargin - kArrowSize / 2};
    }
};

Menu menuOf(HWND main) {
    Menu m;
    auto children = directChildren(main);
    if (children.size() == 1) GetWindowRect(children[0], &m.r);
    return m;
}

// Clicks item `item` of `group`, opening the group and scrolling first when
// needed.
void chooseItem(const Launched& app, int group, int item) {
    const Menu m = menuOf(app.window);
    ASSERT_GT(m.height(), kGroups * kHeaderHeight) << "no site menu";
    int open = kStartGroup;
    if (group != open) {
        POINT h = m.header(open, group);
        click(h.x, h.y);
        Sleep(800);  // the slide: a few frames of 30 px
        open = group;
    }
    int first = 0;
    while (item - first >= m.visibleRows()) {
        POINT a = m.downArrow(open);
        click(a.x, a.y);
        Sleep(200);
        ++first;
    }
    POINT p = m.item(open, item - first);
    click(p.x, p.y);
}

struct SiteItem {
    int group, item;
    const char* text;
    const char* address;  // as it has to reach the browser
};

void PrintTo(const SiteItem& s, std::ostream* os) { *os << "(" << s.group << "," << s.item << ")"; }

const SiteItem kSites[] = {
    {0, 0, "腾讯网", "http://www.qq.com"},
    {0, 1, "新浪网", "http://www.sina.com.cn/"},
    {0, 2, "百度", "http://www.baidu.com"},
    {0, 3, "网易", "http://www.163.com"},
    {0, 4, "凤凰", "http://www.ifeng.com/"},
    {0, 5, "人民网", "http://www.people.com.cn/"},
    {0, 6, "东方财富", "http://www.eastmoney.com/"},
    {0, 7, "新华网", "http://www.xinhuanet.com/"},
    {1, 0, "淘宝网", "http://www.taobao.com"},
    {1, 1, "京东商城", "http://www.jd.com"},
    {1, 2, "苏宁易购", "http://www.suning.com"},
    {1, 3, "亚马逊", "http://www.amazon.cn"},
    {1, 4, "聚美优品", "http://bj.jumei.com"},
    {1, 5, "唯品会", "http://www.vip.com"},
    {1, 6, "国美在线", "http://www.gome.com.cn"},
    {2, 0, "吾爱破解", "http://www.52pojie.cn"},
    {2, 1, "QQ活动网", "http://www.qqhdw.com/"},
    {2, 2, "CF论坛", "http://bbs.cf.qq.com/forum.php"},
};

// Files named like the bare-host addresses, planted next to a copy of the
// program: copies of a real program, which would show a window if the
// shell ran one of them instead of opening the site.
const wchar_t* const kPlanted[] = {L"www.qq.com", L"www.baidu.com", L"www.163.com", L"www.taobao.com",
                                   L"www.52pojie.cn"};

std::wstring systemProgram() {
    wchar_t dir[MAX_PATH];
    GetSystemDirectoryW(dir, MAX_PATH);
    return std::wstring(dir) + L"\\notepad.exe";
}

// A folder with a copy of the program and the planted files, shared by the
// tests of this file.
class PlantedFolder {
public:
    static PlantedFolder& get() {
        static PlantedFolder f;
        return f;
    }
    const std::wstring& program() const { return program_; }
    const std::wstring& folder() const { return dir_.path(); }
    bool ready() const { return ready_; }

private:
    PlantedFolder() : dir_(L"site-actions") {
        program_ = dir_.path() + L"\\xianyun.exe";
        ready_ = CopyFileW(programPath().c_str(), program_.c_str(), FALSE);
        for (const wchar_t* name : kPlanted)
            ready_ = ready_ && CopyFileW(systemProgram().c_str(), (dir_.path() + L"\\" + name).c_str(), FALSE);
    }
    TempDir dir_;
    std::wstring program_;
    bool ready_ = false;
};

void launchPlanted(Launched& app) {
    PlantedFolder& f = PlantedFolder::get();
    ASSERT_TRUE(f.ready()) << "could not prepare " << narrow(f.folder());
    ASSERT_NO_FATAL_FAILURE(launch(app, f.program(), f.folder()));
}

// Processes started from one of the planted files.
std::string plantedProcesses() {
    std::string s;
    for (const wchar_t* name : kPlanted)
        for (DWORD pid : processesNamed(name)) s += " " + narrow(name) + " (pid " + std::to_string(pid) + ")";
    return s;
}

// Ends whatever a planted file started, however the test ends.
struct PlantedReaper {
    ~PlantedReaper() {
        for (const wchar_t* name : kPlanted) killProcessesNamed(name);
    }
};

bool sameAddress(const std::string& got, const std::string& want) {
    // Wine's browser launcher adds a final slash to a bare host.
    return got == want || got == want + "/";
}

void closeAndExpectExit(Launched& app) {
    PostMessageW(app.window, WM_SYSCOMMAND, SC_CLOSE, 0);
    expectExit(app.proc, 0, "after SC_CLOSE");
}

class SiteItemOpens : public ::testing::TestWithParam<SiteItem> {};

}  // namespace

TEST_P(SiteItemOpens, ItsAddressInTheBrowserAndNothingElse) {
    const SiteItem& s = GetParam();
    Launched app;
    ASSERT_NO_FATAL_FAILURE(launchPlanted(app));
    const PlantedReaper reaper;
    clearBrowserLog();
    const auto notepadsBefore = processesNamed(L"notepad.exe");
    ASSERT_TRUE(focusByTitleBar(app.window));
    ASSERT_NO_FATAL_FAILURE(chooseItem(app, s.group, s.item));

    std::vector<std::string> log;
    waitUntil([&] { return !(log = browserLog()).empty(); }, 8000ms);
    Sleep(300);  // anything else that was started shows up by now
    log = browserLog();
    const std::string planted = plantedProcesses();
    EXPECT_TRUE(planted.empty()) << s.text << ": a planted file ran:" << planted;
    EXPECT_EQ(processesNamed(L"notepad.exe"), notepadsBefore);
    ASSERT_EQ(log.size(), 1u) << s.text << ": addresses the browser received: " << log.size()
                              << (log.empty() ? std::string() : " first: " + log[0]);
    EXPECT_TRUE(sameAddress(log[0], s.address)) << s.text << ": browser got " << log[0] << ", expected "
                                                << s.address;
    EXPECT_TRUE(messageBoxesOf(app.proc.pid()).empty()) << windowsSummary(app.proc.pid());
    // The shell came for this, from the system folder.
    auto shell = moduleNamed(app.proc.pid(), L"shell32.dll");
    ASSERT_TRUE(shell) << "shell32.dll is not mapped after opening a site";
    EXPECT_EQ(shell->rfind(systemFolder(), 0), 0u) << narrow(*shell);
    // The handler has returned: the main window takes input again.
    DWORD_PTR r = 0;
    EXPECT_TRUE(SendMessageTimeoutW(app.window, WM_NULL, 0, 0, SMTO_NORMAL, 1000, &r));
    EXPECT_TRUE(IsWindowEnabled(app.window));
    closeAndExpectExit(app);
}

INSTANTIATE_TEST_SUITE_P(EighteenSites, SiteItemOpens, ::testing::ValuesIn(kSites),
                         [](const auto& info) {
                             return "g" + std::to_string(info.param.group) + "_item" +
                                    std::to_string(info.param.item);
                         });

TEST(GreetingBox, ShowsTheFourLinesTaskModalAndBlocksTheMenu) {
    Launched app;
    ASSERT_NO_FATAL_FAILURE(launchPlanted(app));
    clearBrowserLog();
    ASSERT_TRUE(focusByTitleBar(app.window));
    ASSERT_NO_FATAL_FAILURE(chooseItem(app, 3, 0));

    auto box = waitForMessageBox(app.proc.pid(), 3000ms, L"提示");
    ASSERT_TRUE(box.has_value()) << "no box titled 提示; " << windowsSummary(app.proc.pid());
    saveScreenshot(describe(box->hwnd).rect, shotName(L"box"));
    EXPECT_EQ(box->text, L"     √欢迎使用\r\n     √闲云百宝匣\r\n     √版本:V1.0.0\r\n     √个人爱好 不喜勿喷")
        << narrow(box->text);
    ASSERT_EQ(box->buttons.size(), 1u);
    EXPECT_EQ(box->buttons[0].id, IDOK);
    // No icon: an icon control, if the box has one, holds no icon.
    for (HWND c : directChildren(box->hwnd)) {
        if (!IsWindowVisible(c) || (GetWindowLongW(c, GWL_STYLE) & SS_TYPEMASK) != SS_ICON) continue;
        DWORD_PTR icon = 0;
        SendMessageTimeoutW(c, STM_GETICON, 0, 0, SMTO_NORMAL, 1000, &icon);
        EXPECT_EQ(icon, 0u) << "the box shows an icon";
    }
    EXPECT_NE(describe(box->hwnd).owner, app.window) << "the box has an owner";
    EXPECT_FALSE(IsWindowEnabled(app.window)) << "task-modal: the main window is disabled";

    // Clicks on the main window while the box is open open nothing.
    const Menu m = menuOf(app.window);
    for (POINT p : {m.item(kStartGroup, 1), m.item(kStartGroup, 0), m.header(kStartGroup, 0)}) click(p.x, p.y);
    Sleep(500);
    EXPECT_EQ(messageBoxesOf(app.proc.pid()).size(), 1u) << windowsSummary(app.proc.pid());
    int programWindows = 0;
    for (HWND w : topLevelWindows(app.proc.pid(), true)) programWindows += className(w) == className(app.window);
    EXPECT_EQ(programWindows, 1) << "a window opened behind the box; " << windowsSummary(app.proc.pid());
    EXPECT_TRUE(browserLog().empty());

    click((describe(box->buttons[0].hwnd).rect.left + describe(box->buttons[0].hwnd).rect.right) / 2,
          (describe(box->buttons[0].hwnd).rect.top + describe(box->buttons[0].hwnd).rect.bottom) / 2);
    EXPECT_TRUE(waitUntil([&] { return !IsWindow(box->hwnd); }, 2000ms)) << "OK did not close the box";
    EXPECT_TRUE(waitUntil([&] { return IsWindowEnabled(app.window) != FALSE; }, 1000ms));
    Sleep(300);
    // Nothing that was clicked meanwhile comes through afterwards.
    EXPECT_TRUE(messageBoxesOf(app.proc.pid()).empty()) << windowsSummary(app.proc.pid());
    programWindows = 0;
    for (HWND w : topLevelWindows(app.proc.pid(), true)) programWindows += className(w) == className(app.window);
    EXPECT_EQ(programWindows, 1) << windowsSummary(app.proc.pid());
    closeAndExpectExit(app);
}

TEST(UpdateItem, OpensTheUpdateWindowModallyEveryTime) {
    Launched app;
    ASSERT_NO_FATAL_FAILURE(launchPlanted(app));
    clearBrowserLog();
    for (int opening = 1; opening <= 2; ++opening) {
        SCOPED_TRACE(testing::Message() << "opening " << opening);
        ASSERT_TRUE(focusByTitleBar(app.window));
        ASSERT_NO_FATAL_FAILURE(chooseItem(app, 3, 1));
        HWND u = nullptr;
        waitUntil(
            [&] {
                for (HWND w : topLevelWindows(app.proc.pid(), true))
                    if (w != app.window && className(w) == className(app.window)) u = w;
                return u != nullptr;
            },
            3000ms);
        ASSERT_NE(u, nullptr) << windowsSummary(app.proc.pid());
        // The window is shown first and the main window disabled right after.
        EXPECT_TRUE(waitUntil([&] { return !IsWindowEnabled(app.window); }, 1000ms));
        EXPECT_NE(GetWindow(u, GW_OWNER), app.window);
        PostMessageW(u, WM_CLOSE, 0, 0);
        EXPECT_TRUE(waitUntil([&] { return !IsWindow(u); }, 2000ms));
        EXPECT_TRUE(waitUntil([&] { return IsWindowEnabled(app.window) != FALSE; }, 1000ms));
    }
    EXPECT_TRUE(browserLog().empty());
    closeAndExpectExit(app);
}

// Another program posting the menu's own event message chooses nothing:
// only events the menu queued itself reach the site actions.
TEST(ForgedEvents, PostedFromOutsideOpenNothing) {
    Launched app;
    ASSERT_NO_FATAL_FAILURE(launch(app));
    clearBrowserLog();
    auto children = directChildren(app.window);
    ASSERT_EQ(children.size(), 1u);
    const HWND menu = children[0];
    constexpr UINT kMenuEvent = WM_APP + 0x40;  // the menu's item-chosen message
    for (UINT n = 0; n < 8; ++n) {
        PostMessageW(menu, kMenuEvent + n, 0, 2);  // 百度
        PostMessageW(menu, kMenuEvent + n, 3, 1);  // 更新
        PostMessageW(menu, kMenuEvent + n, 3, 0);  // 说明
    }
    Sleep(1000);
    EXPECT_TRUE(browserLog().empty());
    EXPECT_TRUE(messageBoxesOf(app.proc.pid()).empty()) << windowsSummary(app.proc.pid());
    int programWindows = 0;
    for (HWND w : topLevelWindows(app.proc.pid(), true)) programWindows += className(w) == className(app.window);
    EXPECT_EQ(programWindows, 1) << windowsSummary(app.proc.pid());
    EXPECT_TRUE(IsWindowEnabled(app.window));

    // A real click still goes through.
    ASSERT_TRUE(focusByTitleBar(app.window));
    ASSERT_NO_FATAL_FAILURE(chooseItem(app, 0, 2));
    EXPECT_TRUE(waitUntil([] { return !browserLog().empty(); }, 8000ms));
    closeAndExpectExit(app);
}
