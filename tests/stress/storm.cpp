// The input storm: random real input (moves, clicks, double-clicks, right
// clicks, drags, wheel turns, keys) over the program's windows, in scenes
// that put the program into each of its states first: at rest, while a
// group slides, with the update window open, while the update check runs
// and while the greeting box is up. Esc and Alt+F4 are used only to close a
// window at the end of a scene. After every scene the invariants must hold.
#include <algorithm>
#include <map>

#include "stress.h"

namespace stress {
namespace {

using namespace e2e;

// Keys a user may press anywhere without meaning to close something: no Esc,
// no Alt (menu mode, Alt+F4), no F10 (menu mode), no Windows or menu keys.
const std::vector<WORD> kKeys = [] {
    std::vector<WORD> k;
    for (WORD c = 'A'; c <= 'Z'; ++c) k.push_back(c);
    for (WORD c = '0'; c <= '9'; ++c) k.push_back(c);
    for (WORD c : {VK_SPACE, VK_RETURN, VK_TAB, VK_LEFT, VK_RIGHT, VK_UP, VK_DOWN, VK_HOME, VK_END, VK_PRIOR,
                   VK_NEXT, VK_DELETE, VK_BACK, VK_INSERT, VK_F1, VK_F2, VK_F3, VK_F5, VK_F6, VK_F7, VK_F8, VK_F9,
                   VK_F11, VK_F12})
        k.push_back(c);
    return k;
}();

struct Target {
    HWND hwnd;
    RECT area;  // client area, screen coordinates
};

struct Counts {
    std::map<std::string, int> inputs, scenes;
    int total = 0;
    int updateOpenings = 0, checks = 0, greetingBoxes = 0, slides = 0, closings = 0;
    std::size_t maxUpdateWindows = 0;
};

class Storm {
public:
    Storm(const Options& o, App& app) : o_(o), app_(app), rng_(phaseSeed(o.seed, "storm")) {}

    void run();

private:
    bool budgetLeft() const { return c_.total < o_.inputs && timeLeft() && app_.proc.running(); }
    void count(const char* kind) {
        ++c_.inputs[kind];
        ++c_.total;
    }
    std::vector<Target> targets() const;
    POINT pointIn(const RECT& r) {
        return {rng_.between(int(r.left) + 1, std::max(int(r.left) + 1, int(r.right) - 2)),
                rng_.between(int(r.top) + 1, std::max(int(r.top) + 1, int(r.bottom) - 2))};
    }
    void randomInput(double modalWeight);
    void burst(int n, double modalWeight);
    void keepPointerInside();
    void watch();

    void sceneIdle();
    void sceneSlide();
    void sceneUpdate(bool check);
    void sceneGreeting();
    void closeUpdateDeliberately(HWND u);

    const Options& o_;
    App& app_;
    Rng rng_;
    Counts c_;
    int lastOpen_ = 3;
};

std::vector<Target> Storm::targets() const {
    std::vector<Target> t;
    for (HWND w : topLevelWindows(app_.proc.pid(), true)) {
        const std::wstring cls = className(w);
        if (cls != kWindowClass && cls != L"#32770") continue;
        t.push_back({w, describe(w).client});
    }
    return t;
}


void Storm::keepPointerInside() {
    POINT p{};
    GetCursorPos(&p);
    HWND under = WindowFromPoint(p);
    if (!under || windowPid(under) != app_.proc.pid()) parkPointer(app_);
}

void Storm::watch() {
    c_.maxUpdateWindows = std::max(c_.maxUpdateWindows, updateWindows(app_).size());
}

// One random input over one of the program's windows: the modal window (if
// any) with probability modalWeight, else the main window.
void Storm::randomInput(double modalWeight) {
    auto ts = targets();
    if (ts.empty()) return;
    const Target* main = nullptr;
    std::vector<const Target*> modal;
    for (const auto& t : ts) {
        if (t.hwnd == app_.main)
            main = &t;
        else
            modal.push_back(&t);
    }
    const bool onModal = !modal.empty() && (!main || rng_.chance(modalWeight));
    if (!onModal && !main) return;
    const Target& t = onModal ? *modal[std::size_t(rng_.between(0, int(modal.size()) - 1))] : *main;
    RECT area = t.area;
    if (t.hwnd == app_.main) {
        const Menu m = menuGeometry(app_.main);
        if (m.shown.bottom > m.shown.top) area = m.shown;
    }
    switch (rng_.weighted({30, 20, 6, 6, 6, 20, 6, 3, 3})) {
        case 0: {
            const POINT p = pointIn(area);
            input::moveTo(p.x, p.y);
            count("move");
            break;
        }
        case 1:
            input::click(pointIn(area));
            count("click");
            break;
        case 2:
            input::doubleClick(pointIn(area));
            count("double-click");
            break;
        case 3:
            input::rightClick(pointIn(area));
            count("right click");
            break;
        case 4: {
            const POINT p = pointIn(area);
            input::moveTo(p.x, p.y);
            input::wheel(rng_.chance(0.5) ? rng_.between(1, 3) : -rng_.between(1, 3));
            count("wheel");
            break;
        }
        case 5: {
            const WORD vk = rng_.pick(kKeys);
            switch (rng_.weighted({8, 1, 1})) {
                case 0: input::tap(vk); break;
                case 1: input::tap(vk, {VK_SHIFT}); break;
                default: input::tap(vk, {VK_CONTROL}); break;
            }
            count("key");
            break;
        }
        case 6: {
            const POINT a = pointIn(area), b = pointIn(area);
            input::moveTo(a.x, a.y);
            input::leftDown();
            Sleep(20);
            input::moveTo((a.x + b.x) / 2, (a.y + b.y) / 2);
            input::moveTo(b.x, b.y);
            input::leftUp();
            Sleep(30);
            count("drag");
            break;
        }
        case 7: {
            // A click on a title bar, away from its buttons: the focus.
            if (auto p = hitPoint(t.hwnd, HTCAPTION)) input::click(*p);
            count("title-bar click");
            break;
        }
        default: {
            // Resting on an element: its tooltip, if it has one.
            const POINT p = pointIn(area);
            input::moveTo(p.x, p.y);
            Sleep(700);
            count("rest");
            break;
        }
    }
    Sleep(DWORD(rng_.between(0, 12)));
    keepPointerInside();
    watch();
}

void Storm::burst(int n, double modalWeight) {
    for (int i = 0; i < n && budgetLeft(); ++i) randomInput(modalWeight);
}

void Storm::sceneIdle() {
    if (rng_.chance(0.3)) focus(app_.main);
    burst(rng_.between(15, 40), 0.8);
}

void Storm::sceneSlide() {
    int open = openGroupOnScreen(app_);
    if (open < 0) open = lastOpen_;
    int to = rng_.between(0, 2);
    if (to >= open) ++to;
    const Menu m = menuGeometry(app_.main);
    input::click(m.header(open, to));
    count("click");
    ++c_.slides;
    lastOpen_ = to;
    // No wait: the input arrives while the bars slide.
    burst(rng_.between(5, 20), 0.5);
}

void Storm::closeUpdateDeliberately(HWND u) {
    if (!IsWindow(u)) return;
    answers(u, 3000);
    focus(u);
    switch (c_.closings++ % 3) {
        case 0:
            input::tap(VK_ESCAPE);
            count("Esc (closing)");
            break;
        case 1:
            input::tap(VK_F4, {VK_MENU});
            count("Alt+F4 (closing)");
            break;
        default:
            if (auto p = hitPoint(u, HTCLOSE)) {
                input::click(*p);
                count("close button (closing)");
            } else {
                input::tap(VK_ESCAPE);
                count("Esc (closing)");
            }
            break;
    }
    waitUntil([&] { return !IsWindow(u); }, 3000ms);
    parkPointer(app_);
}

void Storm::sceneUpdate(bool check) {
    HWND u = updateWindow(app_);
    if (!u) {
        u = openUpdateWindow(app_);
        count("click");
        if (!u) return;
        ++c_.updateOpenings;
        lastOpen_ = 3;
    }
    if (check) {
        if (HWND b = updateButton(u)) {
            RECT r{};
            GetWindowRect(b, &r);
            input::click({(r.left + r.right) / 2, (r.top + r.bottom) / 2});
            count("click");
            ++c_.checks;
        }
    }
    // During a check this input waits in the queue and lands afterwards.
    burst(rng_.between(10, 30), 0.75);
    checkInvariants(app_, "update window open");
    closeUpdateDeliberately(updateWindow(app_));
}

void Storm::sceneGreeting() {
    auto box = openGreetingBox(app_);
    count("click");
    if (!box) return;
    ++c_.greetingBoxes;
    lastOpen_ = 3;
    burst(rng_.between(8, 25), 0.7);
    checkInvariants(app_, "greeting box open");
    if (auto still = greetingBox(app_)) {
        focus(still->hwnd);
        input::tap(VK_RETURN);
        count("Enter (closing)");
        waitUntil([&] { return !IsWindow(still->hwnd); }, 2000ms);
        parkPointer(app_);
    }
}

void Storm::run() {
    int scene = 0;
    while (budgetLeft()) {
        const char* names[] = {"at rest", "while a group slides", "update window open", "while the check runs",
                               "greeting box up"};
        const int kind = rng_.weighted({4, 3, 2, 2, 2});
        ++c_.scenes[names[kind]];
        switch (kind) {
            case 0: sceneIdle(); break;
            case 1: sceneSlide(); break;
            case 2: sceneUpdate(false); break;
            case 3: sceneUpdate(true); break;
            default: sceneGreeting(); break;
        }
        ++scene;
        if (!app_.proc.running()) break;
        // Whatever the storm itself opened (说明, 更新 hit by a random click)
        // is checked open, then closed.
        const std::string where = fmt("after scene %d (%s)", scene, names[kind]);
        checkInvariants(app_, where);
        if (greetingBox(app_)) ++c_.greetingBoxes;
        if (!record().check(closeModalWindows(app_), "modal windows close", where + ":" + describeWindows(app_)))
            break;
        checkInvariants(app_, where + ", modal windows closed");
    }
    Record& r = record();
    r.check(c_.maxUpdateWindows <= 1, "at most one update window",
            fmt("%zu update windows at once during the storm", c_.maxUpdateWindows));
    r.figure("storm: inputs sent", fmt("%d", c_.total));
    std::string kinds;
    for (const auto& [k, n] : c_.inputs) kinds += fmt("%s%s %d", kinds.empty() ? "" : ", ", k.c_str(), n);
    r.figure("storm: inputs by kind", kinds);
    std::string scenes;
    for (const auto& [k, n] : c_.scenes) scenes += fmt("%s%s %d", scenes.empty() ? "" : ", ", k.c_str(), n);
    r.figure("storm: scenes", scenes);
    r.figure("storm: update windows, checks, greeting boxes, slides",
             fmt("%d, %d, %d, %d", c_.updateOpenings, c_.checks, c_.greetingBoxes, c_.slides));
    r.figure("storm: addresses the browser received", fmt("%zu", browserLog().size()));
}

}  // namespace

void runStorm(const Options& o) {
    App app = launch();
    if (!app) return;
    placeMain(app, 40, 40);
    focus(app.main);
    Storm storm(o, app);
    storm.run();
    checkInvariants(app, "after the storm");
    escapeAndExpectZero(app, "after the storm");
}

}  // namespace stress
