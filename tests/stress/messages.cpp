// Foreign messages: this process sends (SendMessageTimeout with short
// timeouts, SendNotifyMessage) and posts thousands of messages with random
// integer parameters to every window and control of the program: the
// application and user ranges, the message numbers the program and its
// controls know, mouse and key messages with random coordinates, the
// feedback message 32885, timer messages and paint requests.
//
// Some parameters are addresses inside the program's own address space: two
// pages this process allocates there (VirtualAllocEx), one filled with a
// pattern and one guard page. A window that writes through such a parameter
// changes the pattern; one that reads through it trips the guard. Either
// means the program uses a number from another process as a pointer.
//
// Never sent: messages that close (WM_CLOSE, WM_QUIT, WM_DESTROY,
// WM_SYSCOMMAND), Esc, Alt and F10 keys, non-client mouse messages (they
// start move loops and menus), and system messages whose parameters are
// pointers in the sender (the system would copy from them here).
//
// Afterwards the program must still answer, must never have kept a message
// waiting longer than one update check, its invariants must hold, and the
// main window must be where it was, as it was.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <map>

#include "stress.h"

namespace stress {
namespace {

using namespace e2e;

constexpr UINT kFeedback = 32885;
// The program's private message numbers, as a foreign process could guess
// them from the program file: the site menu's queued events (WM_APP + 0x40
// + event number), the top window's activation hand-off and the
// notification reflection base (WM_USER + 0x1C00 + message).
constexpr UINT kMenuEvents = WM_APP + 0x40;
constexpr UINT kHandOff = WM_APP + 0x101;
constexpr UINT kReflect = WM_USER + 0x1C00;

// Two pages inside the program: a pattern page and a guard page.
class Canary {
public:
    explicit Canary(HANDLE process) : process_(process) {
        base_ = static_cast<std::uint8_t*>(
            VirtualAllocEx(process_, nullptr, 2 * kPage, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
        pattern_.resize(kPage);
        for (std::size_t i = 0; i < kPage; ++i) pattern_[i] = std::uint8_t(0xA5 ^ (i * 7));
        ok_ = base_ && rearm();
    }
    ~Canary() {
        if (base_) VirtualFreeEx(process_, base_, 0, MEM_RELEASE);
    }
    bool ok() const { return ok_; }
    std::uintptr_t pointer(Rng& rng) const {
        const std::uintptr_t page = reinterpret_cast<std::uintptr_t>(base_) + (rng.chance(0.5) ? 0 : kPage);
        return page + std::uintptr_t(rng.between(0, int(kPage) - 64) & ~3);
    }
    bool isCanary(std::uintptr_t v) const {
        const auto b = reinterpret_cast<std::uintptr_t>(base_);
        return base_ && v >= b && v < b + 2 * kPage;
    }
    // What happened to the pages since they were armed: "" when nothing.
    std::string tripped() {
        std::string what;
        std::vector<std::uint8_t> now(kPage);
        SIZE_T got = 0;
        if (!ReadProcessMemory(process_, base_, now.data(), kPage, &got) || got != kPage || now != pattern_)
            what = "the pattern page was written";
        MEMORY_BASIC_INFORMATION mbi{};
        if (VirtualQueryEx(process_, base_ + kPage, &mbi, sizeof mbi) && !(mbi.Protect & PAGE_GUARD))
            what += std::string(what.empty() ? "" : ", ") + "the guard page was touched";
        if (!what.empty()) rearm();
        return what;
    }

private:
    static constexpr std::size_t kPage = 4096;
    bool rearm() {
        SIZE_T put = 0;
        DWORD old = 0;
        return WriteProcessMemory(process_, base_, pattern_.data(), kPage, &put) && put == kPage &&
               VirtualProtectEx(process_, base_ + kPage, kPage, PAGE_READWRITE | PAGE_GUARD, &old);
    }
    HANDLE process_;
    std::uint8_t* base_ = nullptr;
    std::vector<std::uint8_t> pattern_;
    bool ok_ = false;
};

// Answers to WM_NULL, timed from a thread of its own while the storm of
// messages goes on: the longest wait is the longest the program kept a
// message waiting.
class Pinger {
public:
    explicit Pinger(HWND w) : w_(w) { thread_ = CreateThread(nullptr, 0, run, this, 0, nullptr); }
    ~Pinger() { stop(); }
    void stop() {
        if (!thread_) return;
        stop_ = true;
        WaitForSingleObject(thread_, 15000);
        CloseHandle(thread_);
        thread_ = nullptr;
    }
    long maxMs() const { return max_; }
    long pings() const { return pings_; }
    long slow() const { return slow_; }
    long unanswered() const { return unanswered_; }
    static constexpr long kSlowMs = 1500;

private:
    static DWORD WINAPI run(void* p) {
        auto* self = static_cast<Pinger*>(p);
        while (!self->stop_) {
            const auto t0 = Clock::now();
            DWORD_PTR r = 0;
            const bool ok = SendMessageTimeoutW(self->w_, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &r) != 0;
            const long ms = long(std::chrono::duration_cast<Millis>(Clock::now() - t0).count());
            if (!ok && IsWindow(self->w_)) ++self->unanswered_;
            if (ok) {
                ++self->pings_;
                if (ms > self->max_) self->max_ = ms;
                if (ms > kSlowMs) ++self->slow_;
            }
            Sleep(40);
        }
        return 0;
    }
    HWND w_;
    HANDLE thread_ = nullptr;
    std::atomic<bool> stop_{false};
    std::atomic<long> max_{0}, pings_{0}, slow_{0}, unanswered_{0};
};

struct Sent {
    UINT msg;
    WPARAM wp;
    LPARAM lp;
};

class Barrage {
public:
    Barrage(const Options& o, App& app, Canary& canary)
        : o_(o), app_(app), canary_(canary), rng_(phaseSeed(o.seed, "messages")) {}

    void run();
    bool lost() const { return lost_; }

private:
    std::uintptr_t param(bool allowPointers);
    Sent make(HWND target, int& kind);
    void deliver(HWND target, const Sent& s, int kind);
    void checkCanary(HWND target, const Sent& s, const char* how);
    void probeForgedEvent();
    void pointerSweep();
    // The program still runs and answers; a failed check and false if not
    // (a crashed program under Wine waits for its debugger).
    bool healthy(const std::string& where) {
        if (lost_) return false;
        const bool ok = app_.proc.running() && answers(app_.main, 5000);
        if (!ok) {
            lost_ = true;
            record().check(false, "program survives foreign messages",
                           where + (app_.proc.running() ? ": it no longer answers" : ": it has ended"));
        }
        return ok;
    }
    void settleBatch(int batch);

    bool lost_ = false;

    const Options& o_;
    App& app_;
    Canary& canary_;
    Rng rng_;
    std::vector<HWND> targets_;
    int sent_ = 0, posted_ = 0, sendTimeouts_ = 0, notified_ = 0, paints_ = 0, sweep_ = 0, sweepWindows_ = 0;
    std::map<std::string, int> kinds_;
    std::map<std::string, std::string> hits_;  // window class -> first message that used a pointer
    RECT mainRect_{};
    LONG mainStyle_ = 0, mainExStyle_ = 0;
};

std::uintptr_t Barrage::param(bool allowPointers) {
    switch (rng_.weighted({30, 15, 5, 15, 10, allowPointers ? 15 : 0, 10})) {
        case 0: return rng_.bits();
        case 1: return std::uintptr_t(rng_.between(0, 8));
        case 2: {
            static const std::uintptr_t edges[] = {0xFFFFFFFFu, 0x7FFFFFFFu, 0x80000000u, 0xFFFFu, 0x10000u};
            return edges[rng_.between(0, 4)];
        }
        case 3: return std::uintptr_t(MAKELPARAM(rng_.between(-50, 450), rng_.between(-50, 450)));
        case 4: return targets_.empty() ? 0 : reinterpret_cast<std::uintptr_t>(rng_.pick(targets_));
        case 5: return canary_.pointer(rng_);
        default: return 0;
    }
}

// Message numbers the program's windows and the system controls it uses
// know: the private ones above, the progress bar's, the button's, the
// tooltip's and the common-control ones.
UINT dictionaryMessage(Rng& rng) {
    switch (rng.between(0, 7)) {
        case 0: return kMenuEvents + UINT(rng.between(0, 15));
        case 1: return kHandOff;
        case 2: {
            static const UINT reflected[] = {WM_COMMAND, WM_NOTIFY, WM_DRAWITEM, WM_HSCROLL, WM_VSCROLL,
                                             WM_CTLCOLORSTATIC, WM_CTLCOLORBTN, WM_CTLCOLOREDIT,
                                             WM_CTLCOLORLISTBOX, WM_CTLCOLORSCROLLBAR};
            return kReflect + reflected[rng.between(0, 9)];
        }
        case 3: return WM_USER + UINT(rng.between(0, 0x50));  // PBM_*, TTM_*, DM_*
        case 4: return 0x1600 + UINT(rng.between(0, 0x10));   // BCM_*
        case 5: return 0x2000 + UINT(rng.between(0, 0x10));   // CCM_*
        case 6: return kFeedback;
        default: return WM_APP + UINT(rng.between(0, 0x120));
    }
}

Sent Barrage::make(HWND target, int& kind) {
    Sent s{};
    kind = rng_.weighted({18, 18, 20, 16, 10, 6, 6, 6});
    switch (kind) {
        case 0:
            s.msg = WM_APP + UINT(rng_.between(0, 0xBFFF - WM_APP));
            s.wp = param(true);
            s.lp = LPARAM(param(true));
            break;
        case 1:
            s.msg = WM_USER + UINT(rng_.between(0, 0x7FFF - WM_USER));
            s.wp = param(true);
            s.lp = LPARAM(param(true));
            break;
        case 2:
            s.msg = dictionaryMessage(rng_);
            s.wp = param(true);
            s.lp = LPARAM(param(true));
            if (s.msg == kReflect + WM_COMMAND && rng_.chance(0.5)) {
                // The shape of a real click notification, naming the target.
                s.wp = MAKEWPARAM(rng_.between(0, 2000), BN_CLICKED);
                s.lp = reinterpret_cast<LPARAM>(target);
            }
            break;
        case 3: {
            static const UINT mouse[] = {WM_MOUSEMOVE,   WM_LBUTTONDOWN, WM_LBUTTONUP,   WM_LBUTTONDBLCLK,
                                         WM_RBUTTONDOWN, WM_RBUTTONUP,   WM_RBUTTONDBLCLK, WM_MBUTTONDOWN,
                                         WM_MBUTTONUP,   WM_MOUSEWHEEL,  WM_MOUSEHOVER,  WM_MOUSELEAVE};
            s.msg = mouse[rng_.between(0, 11)];
            s.wp = WPARAM(rng_.between(0, 0x7F));
            if (s.msg == WM_MOUSEWHEEL) s.wp = MAKEWPARAM(rng_.between(0, 0x7F), WORD(short(rng_.between(-3, 3) * WHEEL_DELTA)));
            RECT r{};
            GetClientRect(target, &r);
            s.lp = MAKELPARAM(rng_.between(-20, int(r.right) + 20), rng_.between(-20, int(r.bottom) + 20));
            if (s.msg == WM_MOUSEWHEEL) {
                RECT w{};
                GetWindowRect(target, &w);
                s.lp = MAKELPARAM(rng_.between(int(w.left), int(w.right)), rng_.between(int(w.top), int(w.bottom)));
            }
            break;
        }
        case 4: {
            static const WORD keys[] = {'A', 'Q', 'Z', '1', '9', VK_SPACE, VK_RETURN, VK_TAB, VK_LEFT, VK_RIGHT,
                                        VK_UP, VK_DOWN, VK_HOME, VK_END, VK_PRIOR, VK_NEXT, VK_F1, VK_F2, VK_F5,
                                        VK_DELETE, VK_BACK, VK_SHIFT, VK_CONTROL, VK_INSERT};
            static const UINT msgs[] = {WM_KEYDOWN, WM_KEYUP, WM_CHAR};
            s.msg = msgs[rng_.between(0, 2)];
            const WORD vk = keys[rng_.between(0, int(std::size(keys)) - 1)];
            s.wp = s.msg == WM_CHAR ? WPARAM(rng_.pick(std::vector<int>{'a', 'Z', '7', ' ', '\r', '\t', 0x4E2D}))
                                    : WPARAM(vk);
            s.lp = LPARAM(1 | (MapVirtualKeyW(vk, MAPVK_VK_TO_VSC) << 16) |
                          (s.msg == WM_KEYUP ? 0xC0000000u : 0));
            break;
        }
        case 5:
            s.msg = kFeedback;
            s.wp = param(true);
            s.lp = LPARAM(param(true));
            break;
        case 6:
            s.msg = WM_TIMER;
            s.wp = rng_.chance(0.6) ? WPARAM(rng_.between(0, 4)) : WPARAM(rng_.bits());
            // A timer message naming a callback: the system must not call it.
            s.lp = rng_.chance(0.8) ? 0 : LPARAM(param(true));
            break;
        default:
            s.msg = WM_PAINT;
            break;
    }
    return s;
}

void Barrage::checkCanary(HWND target, const Sent& s, const char* how) {
    std::string what = canary_.tripped();
    if (what.empty()) return;
    std::wstring cls = className(target);
    // The greeting box is the system's message box: report, it is out of
    // the program's reach.
    HWND root = GetAncestor(target, GA_ROOT);
    const bool systemBox = root && className(root) == L"#32770";
    const std::string key = (systemBox ? "message box " : "") + narrow(cls);
    const std::string detail = fmt("message 0x%04X (wParam 0x%08lX, lParam 0x%08lX) %s to %s: %s", s.msg,
                                   (unsigned long)s.wp, (unsigned long)s.lp, how, key.c_str(), what.c_str());
    if (!hits_.count(key)) {
        hits_[key] = detail;
        if (systemBox)
            record().note("finding (system message box, not the program's): " + detail);
        else
            record().check(false, "no window uses a number from another process as a pointer: " + narrow(cls), detail);
    }
}

void Barrage::deliver(HWND target, const Sent& s, int kind) {
    static const char* names[] = {"application range", "user range", "known numbers", "mouse", "keys",
                                  "feedback 32885",    "timer",      "paint"};
    ++kinds_[names[kind]];
    ++sent_;
    const bool canary = canary_.isCanary(s.wp) || canary_.isCanary(std::uintptr_t(s.lp));
    if (kind == 7) {
        switch (rng_.between(0, 2)) {
            case 0: PostMessageW(target, WM_PAINT, 0, 0); break;
            case 1: InvalidateRect(target, nullptr, rng_.chance(0.5)); break;
            default: RedrawWindow(target, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME); break;
        }
        ++paints_;
        return;
    }
    const int how = kind == 6 ? 1 : rng_.weighted({45, 45, 10});
    if (how == 0) {
        DWORD_PTR r = 0;
        if (!SendMessageTimeoutW(target, s.msg, s.wp, s.lp, SMTO_NORMAL | SMTO_ABORTIFHUNG,
                                 UINT(rng_.between(10, 200)), &r))
            ++sendTimeouts_;
        if (canary) checkCanary(target, s, "sent");
    } else if (how == 1) {
        if (PostMessageW(target, s.msg, s.wp, s.lp)) ++posted_;
        if (canary) {
            // Two answers later the posted message has been taken and handled.
            if ((!answers(target, 3000) || !answers(target, 3000)) && IsWindow(target) &&
                !healthy(fmt("message 0x%04X posted to %s", s.msg, narrow(className(target)).c_str())))
                return;
            checkCanary(target, s, "posted");
        }
    } else {
        SendNotifyMessageW(target, s.msg, s.wp, s.lp);
        ++notified_;
        if (canary) {
            answers(target, 3000);
            checkCanary(target, s, "notified");
        }
    }
    if (sent_ % 25 == 0) Sleep(3);  // leave the queue room to drain
}

// Every message number the program and its controls know (the dictionary's
// ranges, one by one), to every window, with a pointer into the canary pages
// in lParam and in wParam, sent and posted: a window that takes either as a
// pointer is found whatever the random part of the barrage hit.
void Barrage::pointerSweep() {
    std::vector<UINT> numbers;
    for (UINT m = WM_USER; m <= WM_USER + 0x50; ++m) numbers.push_back(m);
    for (UINT m = 0x1600; m <= 0x1610; ++m) numbers.push_back(m);
    for (UINT m = 0x2000; m <= 0x2010; ++m) numbers.push_back(m);
    for (UINT m : {WM_COMMAND, WM_NOTIFY, WM_DRAWITEM, WM_HSCROLL, WM_VSCROLL, WM_CTLCOLORSTATIC, WM_CTLCOLORBTN})
        numbers.push_back(kReflect + m);
    for (UINT m = kMenuEvents; m < kMenuEvents + 16; ++m) numbers.push_back(m);
    numbers.push_back(kHandOff);
    numbers.push_back(kFeedback);
    targets_ = allWindows(app_.proc.pid());
    int n = 0;
    for (HWND t : targets_) {
        if (!healthy("pointer sweep")) return;
        for (UINT m : numbers) {
            if (!IsWindow(t) || !app_.proc.running()) break;
            const Sent variants[] = {{m, WPARAM(rng_.between(0, 3)), LPARAM(canary_.pointer(rng_))},
                                     {m, WPARAM(canary_.pointer(rng_)), LPARAM(canary_.pointer(rng_))}};
            for (const Sent& s : variants) {
                DWORD_PTR r = 0;
                SendMessageTimeoutW(t, s.msg, s.wp, s.lp, SMTO_NORMAL | SMTO_ABORTIFHUNG, 200, &r);
                checkCanary(t, s, "sent");
                PostMessageW(t, s.msg, s.wp, s.lp);
                if ((!answers(t, 3000) || !answers(t, 3000)) && IsWindow(t) &&
                    !healthy(fmt("pointer sweep, message 0x%04X posted to %s", s.msg, narrow(className(t)).c_str())))
                    return;
                checkCanary(t, s, "posted");
                n += 2;
            }
            if (!timeLeft()) break;
        }
        // What the sweep opened (the site menu's events include 说明 and
        // 更新 by number) is closed again.
        for (int i = 0; i < 3; ++i) {
            auto box = greetingBox(app_);
            if (!box) break;
            PostMessageW(box->hwnd, WM_COMMAND, IDOK, 0);
            waitUntil([&] { return !IsWindow(box->hwnd); }, 2000ms);
        }
    }
    sweep_ = n;
    sweepWindows_ = int(targets_.size());
}

// The site menu queues its item-chosen event as a posted message to itself;
// the same message from another process must not choose an item. (3, 0) is
// the greeting box.
void Barrage::probeForgedEvent() {
    if (!record().check(closeModalWindows(app_), "modal windows close", "before the forged events:" + describeWindows(app_)))
        return;
    HWND menu = menuOf(app_.main);
    PostMessageW(menu, kMenuEvents + 0, 3, 0);
    auto box = waitForMessageBox(app_.proc.pid(), 1500ms, kGreetingCaption);
    record().check(!box.has_value(), "a forged item-chosen event from another process is ignored",
                   "WM_APP+0x40 (3, 0) posted to the site menu showed the greeting box");
    if (box) {
        PostMessageW(box->hwnd, WM_COMMAND, IDOK, 0);
        waitUntil([&] { return !IsWindow(box->hwnd); }, 2000ms);
    }
    // A forged reflection of the button's click notification.
    HWND u = openUpdateWindow(app_);
    if (!u) return;
    // While the update window is open the main window is disabled and takes
    // no input: a click on 说明 spelled as mouse messages from outside must
    // not choose it.
    {
        const Menu m = menuGeometry(app_.main);
        const POINT item = m.item(3, 0);
        const LPARAM at = MAKELPARAM(item.x - m.r.left, item.y - m.r.top);
        PostMessageW(menu, WM_LBUTTONDOWN, MK_LBUTTON, at);
        PostMessageW(menu, WM_LBUTTONUP, 0, at);
        DWORD_PTR ignored = 0;
        SendMessageTimeoutW(menu, WM_LBUTTONDOWN, MK_LBUTTON, at, SMTO_NORMAL, 2000, &ignored);
        SendMessageTimeoutW(menu, WM_LBUTTONUP, 0, at, SMTO_NORMAL, 2000, &ignored);
        auto box = waitForMessageBox(app_.proc.pid(), 1500ms, kGreetingCaption);
        record().check(!box.has_value(), "the disabled main window chooses nothing for mouse messages from outside",
                       "a greeting box opened over the update window");
        if (box) {
            PostMessageW(box->hwnd, WM_COMMAND, IDOK, 0);
            waitUntil([&] { return !IsWindow(box->hwnd); }, 2000ms);
        }
        record().check(updateWindows(app_).size() == 1 && IsWindow(u), "the update window stays the only one",
                       describeWindows(app_));
    }
    HWND b = updateButton(u);
    HWND label3 = nullptr;
    for (HWND c : directChildren(u)) {
        RECT r = rectInParent(c);
        if (r.left == 19 && r.top == 80) label3 = c;
    }
    DWORD_PTR res = 0;
    SendMessageTimeoutW(b, kReflect + WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(b), BN_CLICKED), LPARAM(b), SMTO_NORMAL,
                        3000, &res);
    PostMessageW(b, kReflect + WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(b), BN_CLICKED), LPARAM(b));
    answers(u, 3000);
    answers(u, 3000);
    record().check(label3 && windowText(label3).empty(), "a forged click notification from another process is ignored",
                   "the update check ran for a reflected BN_CLICKED sent from outside");
    closeModalWindows(app_);
}

void Barrage::settleBatch(int batch) {
    const std::string where = fmt("after message batch %d (%d messages)", batch, sent_);
    Record& r = record();
    if (!healthy(where)) return;
    answers(app_.main, 5000);
    // Boxes that the messages opened (a click on 说明 spelled as mouse
    // messages) are closed with their OK command.
    for (int i = 0; i < 5; ++i) {
        auto box = greetingBox(app_);
        if (!box) break;
        PostMessageW(box->hwnd, WM_COMMAND, IDOK, 0);
        waitUntil([&] { return !IsWindow(box->hwnd); }, 2000ms);
        answers(app_.main, 3000);
    }
    // A button or the menu may hold the mouse capture of a posted button
    // press: a real click ends it.
    HWND top = updateWindow(app_) ? updateWindow(app_) : app_.main;
    if (auto p = hitPoint(top, HTCAPTION)) input::click(*p);
    checkInvariants(app_, where);
    RECT now{};
    GetWindowRect(app_.main, &now);
    r.check(EqualRect(&now, &mainRect_) != FALSE, "main window keeps its place and size",
            where + fmt(": (%ld,%ld)-(%ld,%ld) instead of (%ld,%ld)-(%ld,%ld)", now.left, now.top, now.right,
                        now.bottom, mainRect_.left, mainRect_.top, mainRect_.right, mainRect_.bottom));
    r.check(IsWindowVisible(app_.main) && !IsIconic(app_.main), "main window stays shown", where);
    // WS_DISABLED follows the modal windows; the rest of the style stays.
    r.check((GetWindowLongW(app_.main, GWL_STYLE) & ~WS_DISABLED) == (mainStyle_ & ~WS_DISABLED) &&
                GetWindowLongW(app_.main, GWL_EXSTYLE) == mainExStyle_,
            "main window keeps its style", where);
    r.check(directChildren(app_.main).size() == 1, "the site menu is still there", where);
    if (HWND u = updateWindow(app_)) {
        RECT ur{};
        GetWindowRect(u, &ur);
        const POINT s = screenSize();
        r.check(ur.right - ur.left == 190 && ur.bottom - ur.top == 185 && ur.left == (s.x - 190) / 2 &&
                    ur.top == (s.y - 185) / 2,
                "update window keeps its place and size", where);
    }
}

void Barrage::run() {
    GetWindowRect(app_.main, &mainRect_);
    mainStyle_ = GetWindowLongW(app_.main, GWL_STYLE);
    mainExStyle_ = GetWindowLongW(app_.main, GWL_EXSTYLE);
    Pinger pinger(app_.main);
    if (openUpdateWindow(app_)) pointerSweep();
    if (!lost_) settleBatch(0);
    int batch = 0;
    while (sent_ < o_.messages && timeLeft() && !lost_) {
        ++batch;
        // Half of the batches go to the update window's controls too.
        if (!updateWindow(app_) && !greetingBox(app_) && rng_.chance(0.5)) openUpdateWindow(app_);
        targets_ = allWindows(app_.proc.pid());
        const int n = std::min(rng_.between(100, 300), o_.messages - sent_);
        for (int i = 0; i < n && timeLeft() && !lost_; ++i) {
            if (i % 50 == 0 && !healthy(fmt("batch %d", batch))) break;
            HWND t = rng_.pick(targets_);
            if (!IsWindow(t)) continue;
            int kind = 0;
            const Sent s = make(t, kind);
            deliver(t, s, kind);
        }
        settleBatch(batch);
        if (rng_.chance(0.3)) closeModalWindows(app_);
    }
    if (!lost_ && timeLeft()) probeForgedEvent();
    pinger.stop();
    Record& r = record();
    r.check(pinger.maxMs() <= Pinger::kSlowMs, "no message waits longer than one update check",
            fmt("longest wait for an answer %ld ms", pinger.maxMs()));
    r.check(pinger.unanswered() == 0, "every ping is answered", fmt("%ld pings got no answer within 10 s", pinger.unanswered()));
    r.figure("messages: sent, of them posted / sent with timeout / notified / paint requests",
             fmt("%d, %d / %d / %d / %d", sent_, posted_, sent_ - posted_ - notified_ - paints_, notified_, paints_));
    r.figure("messages: pointer sweep, messages to windows", fmt("%d to %d", sweep_, sweepWindows_));
    r.figure("messages: sends that timed out (program busy)", fmt("%d", sendTimeouts_));
    std::string kinds;
    for (const auto& [k, n] : kinds_) kinds += fmt("%s%s %d", kinds.empty() ? "" : ", ", k.c_str(), n);
    r.figure("messages: by kind", kinds);
    r.figure("messages: windows targeted (last batch)", fmt("%zu", targets_.size()));
    r.figure("messages: pings answered, longest wait, waits over 1.5 s",
             fmt("%ld, %ld ms, %ld", pinger.pings(), pinger.maxMs(), pinger.slow()));
    std::string hits;
    for (const auto& [k, v] : hits_) hits += (hits.empty() ? "" : "; ") + v;
    r.figure("messages: numbers used as pointers", hits.empty() ? "none" : hits);
}

}  // namespace

void runMessages(const Options& o) {
    App app = launch();
    if (!app) return;
    placeMain(app, 40, 40);
    focus(app.main);
    Canary canary(app.proc.handle());
    if (!record().check(canary.ok(), "pages inside the program for pointer detection", "VirtualAllocEx failed"))
        return;
    // The menu makes its tooltip window when the pointer first rests on an
    // element with a tip: rest on 百度 so that the barrage reaches it too.
    if (openGroup(app, 0)) {
        const POINT p = menuGeometry(app.main).item(0, 2);
        input::moveTo(p.x, p.y);
        Sleep(900);
        bool tip = false;
        for (HWND w : allWindows(app.proc.pid())) tip = tip || _wcsicmp(className(w).c_str(), L"tooltips_class32") == 0;
        record().check(tip, "the menu's tooltip exists after resting on 百度", describeWindows(app));
        parkPointer(app);
    }
    bool lost = false;
    {
        Barrage b(o, app, canary);
        b.run();
        lost = b.lost();
    }
    if (lost) return;  // the process is ended by its handle
    checkInvariants(app, "after the foreign messages");
    escapeAndExpectZero(app, "after the foreign messages");
}

}  // namespace stress
