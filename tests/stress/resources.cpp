// Resource stability: many openings and closings of the update window, group
// switches of the site menu and greeting boxes in one run of the program.
// The process's GDI objects, USER objects (windows), kernel handles and
// private memory are measured after one warm-up round of each and again
// after every series; they must come back to where they started.
#include <algorithm>

#include "stress.h"

namespace stress {
namespace {

using namespace e2e;

// Memory may settle a little higher (heap pages the allocator keeps), but
// not by anything that grows with the number of rounds.
constexpr std::uint64_t kMemorySlack = 256 * 1024;

struct Series {
    explicit Series(const char* n) : name(n) {}
    const char* name;
    int done = 0;
    Usage before, half, after;
};

// Objects the system creates once and keeps (a cached device context with its
// clip region and surface, under Wine) may appear during the first series.
constexpr long kOnceCachedGdi = 4;

void compare(const Series& s) {
    Record& r = record();
    r.figure(std::string("resources: ") + s.name + " before", describeUsage(s.before));
    r.figure(std::string("resources: ") + s.name + " half-way", describeUsage(s.half));
    r.figure(std::string("resources: ") + s.name + " after", describeUsage(s.after));
    const std::string what = fmt("%s, %d rounds: ", s.name, s.done);
    r.check(s.after.windows == s.before.windows, "windows come back to their starting number",
            what + fmt("%ld before, %ld after", s.before.windows, s.after.windows));
    if (s.before.gdi >= 0 && s.after.gdi >= 0) {
        // Anything that grows with the rounds shows in the second half.
        r.check(s.after.gdi <= s.half.gdi, "GDI objects do not grow with the rounds",
                what + fmt("%ld half-way, %ld after", s.half.gdi, s.after.gdi));
        r.check(s.after.gdi <= s.before.gdi + kOnceCachedGdi, "GDI objects come back to their starting number",
                what + fmt("%ld before, %ld after", s.before.gdi, s.after.gdi));
    }
    if (s.before.user >= 0 && s.after.user >= 0)
        r.check(s.after.user <= s.before.user, "USER objects come back to their starting number",
                what + fmt("%ld before, %ld after", s.before.user, s.after.user));
    if (s.before.kernel >= 0 && s.after.kernel >= 0)
        r.check(s.after.kernel <= s.before.kernel + 2, "kernel handles come back to their starting number",
                what + fmt("%ld before, %ld after", s.before.kernel, s.after.kernel));
    r.check(s.after.privateBytes <= s.before.privateBytes + kMemorySlack, "private memory comes back to its level",
            what + fmt("%.1f KiB before, %.1f KiB after", double(s.before.privateBytes) / 1024,
                       double(s.after.privateBytes) / 1024));
    r.check(s.after.pagefile <= s.before.pagefile + kMemorySlack, "pagefile usage comes back to its level",
            what + fmt("%.1f KiB before, %.1f KiB after", double(s.before.pagefile) / 1024,
                       double(s.after.pagefile) / 1024));
}

class Rounds {
public:
    Rounds(const Options& o, App& app) : o_(o), app_(app), rng_(phaseSeed(o.seed, "resources")) {}

    bool updateWindowRound(int i);
    bool switchRound();
    bool greetingRound();
    void run();

private:
    const Options& o_;
    App& app_;
    Rng rng_;
    std::optional<POINT> closeOffset_;  // of the close button from the window's top left
    int closings_ = 0;
};

bool Rounds::updateWindowRound(int i) {
    HWND u = openUpdateWindow(app_);
    if (!record().check(u != nullptr, "update window opens", fmt("round %d:", i) + describeWindows(app_)))
        return false;
    RECT r{};
    GetWindowRect(u, &r);
    if (!closeOffset_)
        if (auto p = hitPoint(u, HTCLOSE)) closeOffset_ = POINT{p->x - r.left, p->y - r.top};
    // Now and then a check, so the bar and the label change before the
    // window goes.
    if (i % 25 == 0) {
        if (HWND b = updateButton(u)) {
            RECT br{};
            GetWindowRect(b, &br);
            input::click({(br.left + br.right) / 2, (br.top + br.bottom) / 2});
            Sleep(100);
            answers(u, 3000);
        }
    }
    focus(u);
    switch (closings_++ % 3) {
        case 0: input::tap(VK_ESCAPE); break;
        case 1: input::tap(VK_F4, {VK_MENU}); break;
        default:
            if (closeOffset_)
                input::click({r.left + closeOffset_->x, r.top + closeOffset_->y});
            else
                input::tap(VK_ESCAPE);
            break;
    }
    const bool gone = waitUntil([&] { return !IsWindow(u); }, 3000ms);
    parkPointer(app_);
    const bool enabled = waitUntil([&] { return IsWindowEnabled(app_.main) != FALSE; }, 1000ms);
    return record().check(gone && enabled, "update window closes and the main window comes back",
                          fmt("round %d:", i) + describeWindows(app_));
}

bool Rounds::switchRound() {
    int open = -1;
    waitUntil([&] { return (open = openGroupOnScreen(app_)) >= 0; }, 2000ms);
    if (!record().check(open >= 0, "the site menu comes to rest", describeWindows(app_))) return false;
    int to = rng_.between(0, 2);
    if (to >= open) ++to;
    const Menu m = menuGeometry(app_.main);
    POINT p = m.header(open, to);
    p.x += rng_.between(-50, 50);
    input::click(p);
    input::moveTo(m.r.left + m.width() / 2, m.headerTop(to, to) + 4);
    return record().check(waitUntil([&] { return openGroupOnScreen(app_) == to; }, 3000ms), "group switch ends",
                          fmt("group %d to %d", open, to));
}

bool Rounds::greetingRound() {
    auto box = openGreetingBox(app_);
    if (!record().check(box.has_value(), "greeting box appears", describeWindows(app_))) return false;
    focus(box->hwnd);
    input::tap(VK_RETURN);
    const bool gone = waitUntil([&] { return !IsWindow(box->hwnd); }, 2000ms);
    parkPointer(app_);
    const bool enabled = waitUntil([&] { return IsWindowEnabled(app_.main) != FALSE; }, 1000ms);
    return record().check(gone && enabled, "Enter closes the greeting box", describeWindows(app_));
}

void Rounds::run() {
    // Warm-up: whatever the first opening of each kind creates once and keeps
    // (classes, theme data, fonts of the message box) is there before the
    // first measurement.
    for (int i = 0; i < 3; ++i) updateWindowRound(25 * i);  // each way of closing, and a check
    switchRound();
    openGroup(app_, 3);
    greetingRound();

    Series series[] = {Series("update window openings"), Series("group switches"), Series("greeting boxes")};
    for (int k = 0; k < 3 && app_.proc.running(); ++k) {
        Series& s = series[k];
        openGroup(app_, 3);
        s.before = measure(app_);
        for (int i = 1; i <= o_.openings && timeLeft() && app_.proc.running(); ++i) {
            const bool ok = k == 0 ? updateWindowRound(i) : k == 1 ? switchRound() : greetingRound();
            if (!ok) {
                closeModalWindows(app_);
                break;
            }
            ++s.done;
            if (i == o_.openings / 2) {
                openGroup(app_, 3);
                s.half = measure(app_);
            }
        }
        if (s.done <= o_.openings / 2) s.half = measure(app_);
        openGroup(app_, 3);
        s.after = measure(app_);
        record().figure(std::string("resources: ") + s.name, fmt("%d", s.done));
        compare(s);
        checkInvariants(app_, s.name);
    }
    Record& r = record();
    r.figure("resources: GDI count from", series[0].before.gdiSource);
    r.figure("resources: USER count from", series[0].before.userSource);
    r.figure("resources: private memory from", series[0].before.privateSource);
}

}  // namespace

void runResources(const Options& o) {
    App app = launch();
    if (!app) return;
    placeMain(app, 40, 40);
    focus(app.main);
    Rounds rounds(o, app);
    rounds.run();
    escapeAndExpectZero(app, "after the openings");
}

}  // namespace stress
