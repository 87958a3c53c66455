// The application frame's rules: loading and unloading windows, the
// dialog-style wait, the event loop and the end of the program. Written
// against an abstract window system so the rules can be driven by a
// scripted fake in tests; the Win32 side implements WindowSystem.
#pragma once

#include <cstdint>
#include <vector>

#include "toolkit/model/definition.h"
#include "toolkit/model/registry.h"

namespace xy {

// What the frame needs of the window system.
class WindowSystem {
public:
    virtual ~WindowSystem() = default;

    // Creates a top-level window and its controls from `current`, owned by
    // `owner` (0: no owner). Returns 0 on failure.
    virtual WindowHandle create(const WindowDef& current, WindowHandle owner) = 0;
    // The frame's hidden owner window.
    virtual WindowHandle hiddenOwner() = 0;
    // Shows the visible controls without activating them, hides the others.
    virtual void showControls(WindowHandle w, const WindowDef& current) = 0;
    virtual void show(WindowHandle w, StartPosition how) = 0;
    virtual bool isMinimised(WindowHandle w) = 0;
    virtual void restore(WindowHandle w) = 0;
    virtual void activate(WindowHandle w) = 0;
    virtual bool isEnabled(WindowHandle w) = 0;
    virtual void setEnabled(WindowHandle w, bool enabled) = 0;
    virtual bool exists(WindowHandle w) = 0;
    // A top-level window that is neither a child nor an owned pop-up.
    virtual bool isUnownedTopLevel(WindowHandle w) = 0;
    // Destroys the window; the system later reports it through
    // Frame::windowGone.
    virtual void destroy(WindowHandle w) = 0;
    // Makes the live control show a property that was just written.
    virtual void applyProperty(WindowHandle w, const ControlDef& control, std::uint16_t number) = 0;

    // The message queue.
    virtual bool queueEmpty() = 0;
    // One piece of idle work; false when none is left.
    virtual bool idleWork() = 0;
    // Blocks until a message arrives.
    virtual void waitMessage() = 0;
    // True when the next message is a quit request; it stays queued.
    virtual bool nextIsQuit() = 0;
    // Takes the next message. A quit request is not dispatched: the call
    // returns true and its exit code. Anything else is pre-processed and
    // dispatched, and the call returns false.
    virtual bool takeAndDispatch(int& quitCode) = 0;
    virtual void postQuit(int exitCode) = 0;
};

class Frame {
public:
    explicit Frame(WindowSystem& ws) : ws_(ws) {}

    WindowRegistry& registry() { return registry_; }

    bool loadWindow(Id id, bool dialogStyle);

    // A close request for an open window: the close-query (nothing can
    // refuse in this program), the re-enabling of what a dialog-style load
    // disabled, then the destruction.
    void closeRequest(WindowHandle w);
    // The window system reports that a window has been finally destroyed.
    void windowGone(WindowHandle w);

    // Runs the main loop until a quit request; returns its exit code. With
    // no window open the loop is skipped and the result is 0.
    int runMain();

    Id awaited() const { return awaited_; }
    bool loopStarted() const { return loopStarted_; }

    void registerExitHook(void (*hook)());
    // Ending, step by step: the registry emptied, then the exit hooks run
    // in order and the list emptied. A runtime error empties the hooks
    // first, so none of them runs.
    void endNormally();
    void dropExitHooks() { exitHooks_.clear(); }

    // Properties of one control of a window, by number. Reading works on
    // the current settings; writing needs the window to be open.
    Value readProperty(Id window, Id control, std::uint16_t number);
    void writeProperty(Id window, Id control, std::uint16_t number, const Value& value);

    // The handler bound to an event of a control, called synchronously.
    HandlerResult fire(Id window, Id control, std::uint16_t event, const EventArgs& args);

private:
    enum class LoopMode { Main, Waiting };
    // Returns the quit code in main mode; in waiting mode the value is unused.
    int runLoop(LoopMode mode);
    void dialogWait(Id id);
    void giveBackDisabled(RegistryEntry& e);

    WindowSystem& ws_;
    WindowRegistry registry_;
    Id awaited_ = 0;
    bool loopStarted_ = false;
    std::vector<void (*)()> exitHooks_;
};

}  // namespace xy
