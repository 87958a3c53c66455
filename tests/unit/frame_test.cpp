// The frame's loading, waiting, looping and unloading rules, driven through
// a scripted window system that records what the frame asked of it.
#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <map>
#include <string>

#include "toolkit/model/frame.h"

namespace xy {
namespace {

constexpr Id kMain = 1, kDialog = 2, kInner = 3, kOther = 4;
constexpr Id kLabel = 10;

WindowDef window(Id id) {
    WindowDef w;
    w.id = id;
    w.rect = {0, 0, 100, 100};
    ControlDef label;
    label.id = kLabel;
    label.kind = ControlKind::Label;
    label.props.push_back({prop::label::kCaption, Value::str("")});
    w.controls.push_back(label);
    return w;
}

class FakeSystem : public WindowSystem {
public:
    struct Win {
        Id id;
        WindowHandle owner;
        bool enabled = true;
        bool alive = true;
        bool minimised = false;
    };
    struct Msg {
        bool quit = false;
        int code = 0;
        std::function<void()> action;
    };

    Frame* frame = nullptr;
    std::map<WindowHandle, Win> wins;
    std::deque<Msg> queue;
    // What happens each time the loop blocks: the next step posts input.
    std::deque<std::function<void()>> whenBlocked;
    std::vector<std::string> log;
    bool failCreate = false;
    int blocks = 0;

    WindowHandle create(const WindowDef& def, WindowHandle owner) override {
        if (failCreate) return 0;
        const WindowHandle h = next_++;
        wins[h] = Win{def.id, owner};
        log.push_back("create " + std::to_string(def.id));
        return h;
    }
    WindowHandle hiddenOwner() override { return kHiddenOwner; }
    void showControls(WindowHandle, const WindowDef&) override {}
    void show(WindowHandle h, StartPosition) override { log.push_back("show " + name(h)); }
    bool isMinimised(WindowHandle h) override { return wins[h].minimised; }
    void restore(WindowHandle h) override {
        wins[h].minimised = false;
        log.push_back("restore " + name(h));
    }
    void activate(WindowHandle h) override { log.push_back("activate " + name(h)); }
    bool isEnabled(WindowHandle h) override { return wins[h].enabled; }
    void setEnabled(WindowHandle h, bool e) override {
        wins[h].enabled = e;
        log.push_back(std::string(e ? "enable " : "disable ") + name(h));
    }
    bool exists(WindowHandle h) override { return wins.count(h) && wins[h].alive; }
    bool isUnownedTopLevel(WindowHandle h) override { return wins[h].owner == 0; }
    void destroy(WindowHandle h) override {
        log.push_back("destroy " + name(h));
        wins[h].alive = false;
        frame->windowGone(h);  // as the system reports the final destruction
    }
    void applyProperty(WindowHandle h, const ControlDef&, std::uint16_t n) override {
        log.push_back("apply " + name(h) + " " + std::to_string(n));
    }
    bool queueEmpty() override { return queue.empty(); }
    bool idleWork() override { return false; }
    void waitMessage() override {
        ++blocks;
        if (whenBlocked.empty()) {
            ADD_FAILURE() << "the loop blocked with nothing left to happen";
            queue.push_back({true, -99, {}});
            return;
        }
        auto step = std::move(whenBlocked.front());
        whenBlocked.pop_front();
        step();
    }
    bool nextIsQuit() override { return !queue.empty() && queue.front().quit; }
    bool takeAndDispatch(int& code) override {
        Msg m = std::move(queue.front());
        queue.pop_front();
        if (m.quit) {
            code = m.code;
            return true;
        }
        if (m.action) m.action();
        return false;
    }
    void postQuit(int code) override {
        log.push_back("quit " + std::to_string(code));
        queue.push_back({true, code, {}});
    }

    void post(std::function<void()> action) { queue.push_back({false, 0, std::move(action)}); }
    WindowHandle handleOf(Id id) const {
        for (const auto& [h, w] : wins)
            if (w.id == id && w.alive) return h;
        return 0;
    }
    std::string name(WindowHandle h) { return std::to_string(wins[h].id); }

    static constexpr WindowHandle kHiddenOwner = 999;

private:
    WindowHandle next_ = 100;
};

class FrameTest : public ::testing::Test {
protected:
    FrameTest() : frame(sys) {
        sys.frame = &frame;
        std::vector<WindowDef> defs{window(kMain), window(kDialog), window(kInner), window(kOther)};
        defs[3].settings.showInTaskbar = false;
        frame.registry().fill(std::move(defs));
    }
    void closeLater(Id id) {
        sys.whenBlocked.push_back([this, id] {
            sys.post([this, id] { frame.closeRequest(sys.handleOf(id)); });
        });
    }
    FakeSystem sys;
    Frame frame;
};

TEST_F(FrameTest, LoadWindowResults) {
    EXPECT_FALSE(frame.loadWindow(77, false)) << "no such window";

    sys.failCreate = true;
    EXPECT_FALSE(frame.loadWindow(kMain, true));
    const RegistryEntry* e = frame.registry().find(kMain);
    EXPECT_FALSE(e->snapshot.has_value()) << "a failed load leaves the entry not loaded";
    EXPECT_EQ(e->open, 0u);
    sys.failCreate = false;

    EXPECT_TRUE(frame.loadWindow(kMain, false));
    EXPECT_TRUE(frame.registry().find(kMain)->snapshot.has_value());
    EXPECT_EQ(sys.wins[sys.handleOf(kMain)].owner, 0u) << "shown in the taskbar: no owner";
}

TEST_F(FrameTest, LoadingAnOpenWindowBringsItForwardWithoutAnotherWindowOrWait) {
    ASSERT_TRUE(frame.loadWindow(kMain, false));
    const WindowHandle h = sys.handleOf(kMain);
    sys.log.clear();
    EXPECT_TRUE(frame.loadWindow(kMain, true));
    EXPECT_EQ(sys.log, (std::vector<std::string>{"activate 1"}));
    sys.wins[h].minimised = true;
    sys.log.clear();
    EXPECT_TRUE(frame.loadWindow(kMain, true));
    EXPECT_EQ(sys.log, (std::vector<std::string>{"restore 1"}));
    EXPECT_EQ(sys.blocks, 0);
}

TEST_F(FrameTest, OwnerRules) {
    ASSERT_TRUE(frame.loadWindow(kOther, false));  // show in taskbar off
    EXPECT_EQ(sys.wins[sys.handleOf(kOther)].owner, FakeSystem::kHiddenOwner);
    ASSERT_TRUE(frame.loadWindow(kMain, false));
    closeLater(kDialog);
    ASSERT_TRUE(frame.loadWindow(kDialog, true));
    // The dialog was owned by the hidden owner, not by the main window.
    bool sawDialog = false;
    for (const auto& [h, w] : sys.wins)
        if (w.id == kDialog) {
            sawDialog = true;
            EXPECT_EQ(w.owner, FakeSystem::kHiddenOwner);
        }
    EXPECT_TRUE(sawDialog);
}

TEST_F(FrameTest, DialogStyleDisablesOthersAndReenablesThemBeforeDestroying) {
    ASSERT_TRUE(frame.loadWindow(kMain, false));
    ASSERT_TRUE(frame.loadWindow(kOther, false));  // owned pop-up: not disabled
    sys.log.clear();
    closeLater(kDialog);
    EXPECT_TRUE(frame.loadWindow(kDialog, true));  // returns once the dialog is closed
    EXPECT_EQ(sys.log, (std::vector<std::string>{"create 2", "show 2", "disable 1", "enable 1", "destroy 2"}));
    EXPECT_EQ(sys.handleOf(kDialog), 0u);
    EXPECT_EQ(frame.awaited(), 0u);
}

TEST_F(FrameTest, AWindowDisabledBeforeTheDialogStaysDisabled) {
    ASSERT_TRUE(frame.loadWindow(kMain, false));
    sys.wins[sys.handleOf(kMain)].enabled = false;
    closeLater(kDialog);
    ASSERT_TRUE(frame.loadWindow(kDialog, true));
    EXPECT_FALSE(sys.wins[sys.handleOf(kMain)].enabled);
}

TEST_F(FrameTest, SettingsWrittenWhileOpenAreDroppedOnClose) {
    ASSERT_TRUE(frame.loadWindow(kMain, false));
    const Value text = Value::str("已是最新版！！！");
    sys.whenBlocked.push_back([&] {
        sys.post([&] {
            frame.writeProperty(kDialog, kLabel, prop::label::kCaption, text);
            EXPECT_EQ(frame.readProperty(kDialog, kLabel, prop::label::kCaption), text);
            frame.closeRequest(sys.handleOf(kDialog));
        });
    });
    ASSERT_TRUE(frame.loadWindow(kDialog, true));
    EXPECT_EQ(frame.readProperty(kDialog, kLabel, prop::label::kCaption), Value::str(""));
    EXPECT_FALSE(frame.registry().find(kDialog)->snapshot.has_value());
    // Writing to a window that is not open changes nothing.
    frame.writeProperty(kDialog, kLabel, prop::label::kCaption, text);
    EXPECT_EQ(frame.readProperty(kDialog, kLabel, prop::label::kCaption), Value::str(""));
}

TEST_F(FrameTest, WaitsNestAndRestoreTheAwaitedWindow) {
    ASSERT_TRUE(frame.loadWindow(kMain, false));
    std::vector<Id> seen;
    sys.whenBlocked.push_back([&] {
        sys.post([&] {
            seen.push_back(frame.awaited());
            closeLater(kInner);
            EXPECT_TRUE(frame.loadWindow(kInner, true));
            seen.push_back(frame.awaited());
            closeLater(kDialog);
        });
    });
    ASSERT_TRUE(frame.loadWindow(kDialog, true));
    EXPECT_EQ(seen, (std::vector<Id>{kDialog, kDialog}));
    EXPECT_EQ(frame.awaited(), 0u);
}

TEST_F(FrameTest, AQuitDuringAWaitStaysQueuedForTheMainLoop) {
    ASSERT_TRUE(frame.loadWindow(kMain, false));
    sys.post([&] {
        sys.whenBlocked.push_back([&] { sys.queue.push_back({true, 7, {}}); });
        EXPECT_TRUE(frame.loadWindow(kDialog, true));  // the wait unwinds on the quit
        EXPECT_NE(sys.handleOf(kDialog), 0u) << "the quit ended the wait, not the window";
    });
    EXPECT_EQ(frame.runMain(), 7);
    EXPECT_TRUE(sys.queue.empty());
}

TEST_F(FrameTest, ClosingTheLastWindowPostsOneQuitOnceTheLoopRuns) {
    ASSERT_TRUE(frame.loadWindow(kMain, false));
    sys.post([&] { frame.closeRequest(sys.handleOf(kMain)); });
    EXPECT_EQ(frame.runMain(), 0);
    EXPECT_EQ(std::count(sys.log.begin(), sys.log.end(), "quit 0"), 1);

    // Before the loop has started, a closing posts nothing.
    FakeSystem other;
    Frame early(other);
    other.frame = &early;
    early.registry().fill({window(kMain)});
    ASSERT_TRUE(early.loadWindow(kMain, false));
    early.closeRequest(other.handleOf(kMain));
    EXPECT_TRUE(other.queue.empty());
    EXPECT_EQ(early.runMain(), 0) << "no window left: the loop is skipped";
}

TEST_F(FrameTest, TheLoopBlocksWhenIdleInsteadOfSpinning) {
    ASSERT_TRUE(frame.loadWindow(kMain, false));
    int handled = 0;
    for (int i = 0; i < 3; ++i)
        sys.whenBlocked.push_back([&] { sys.post([&] { ++handled; }); });
    sys.whenBlocked.push_back([&] { sys.post([&] { frame.closeRequest(sys.handleOf(kMain)); }); });
    EXPECT_EQ(frame.runMain(), 0);
    EXPECT_EQ(handled, 3);
    EXPECT_EQ(sys.blocks, 4) << "one block per burst of input, no polling";
}

TEST_F(FrameTest, AnOuterDialogClosedDuringAnInnerWaitEndsItsOwnWait) {
    ASSERT_TRUE(frame.loadWindow(kMain, false));
    sys.whenBlocked.push_back([&] {
        sys.post([&] {
            sys.whenBlocked.push_back([&] {
                sys.post([&] {
                    frame.closeRequest(sys.handleOf(kDialog));  // the outer one goes first
                    frame.closeRequest(sys.handleOf(kInner));
                });
            });
            EXPECT_TRUE(frame.loadWindow(kInner, true));
        });
    });
    EXPECT_TRUE(frame.loadWindow(kDialog, true));  // returns instead of waiting forever
    EXPECT_EQ(frame.awaited(), 0u);
}

int gHookCalls = 0;
std::string gHookOrder;
void hookA() { gHookOrder += "a"; ++gHookCalls; }
void hookB() { gHookOrder += "b"; ++gHookCalls; }

TEST_F(FrameTest, ExitHooksRunOnceInOrderAndNotAfterARuntimeError) {
    gHookCalls = 0;
    gHookOrder.clear();
    frame.registerExitHook(hookA);
    frame.registerExitHook(hookB);
    frame.registerExitHook(hookA);  // already there: unchanged
    frame.endNormally();
    EXPECT_EQ(gHookOrder, "ab");
    EXPECT_TRUE(frame.registry().entries().empty());
    frame.endNormally();
    EXPECT_EQ(gHookCalls, 2) << "the list is emptied";

    frame.registerExitHook(hookA);
    frame.dropExitHooks();  // what a runtime error does
    frame.endNormally();
    EXPECT_EQ(gHookCalls, 2);
}

HandlerResult answer(const EventArgs& a) { return {true, a.a + a.b}; }

TEST_F(FrameTest, EventsReachTheirBoundHandlerOnly) {
    std::vector<WindowDef> defs{window(kMain)};
    defs[0].controls[0].bindings.push_back({event::kFeedback, "answer"});
    defs[0].controls[0].bindings.push_back({event::kClick + 1, "missing"});
    const NamedHandler handlers[] = {{"answer", answer}};
    bindHandlers(defs, handlers);
    EXPECT_EQ(defs[0].controls[0].bindings[0].fn, &answer);
    EXPECT_EQ(defs[0].controls[0].bindings[1].fn, nullptr) << "no such handler: unbound";
    frame.registry().fill(std::move(defs));
    ASSERT_TRUE(frame.loadWindow(kMain, false));
    const HandlerResult r = frame.fire(kMain, kLabel, event::kFeedback, {2, 3});
    EXPECT_TRUE(r.has);
    EXPECT_EQ(r.value, 5);
    EXPECT_FALSE(frame.fire(kMain, kLabel, event::kClick + 1, {}).has);
    EXPECT_FALSE(frame.fire(kMain, 99, event::kFeedback, {}).has);
}

}  // namespace
}  // namespace xy
