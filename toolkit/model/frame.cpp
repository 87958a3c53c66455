#include "toolkit/model/frame.h"

#include <algorithm>

#include "toolkit/model/property_rules.h"

namespace xy {

bool Frame::loadWindow(Id id, bool dialogStyle) {
    RegistryEntry* e = registry_.find(id);
    if (!e) return false;

    if (e->open) {
        if (ws_.isMinimised(e->open))
            ws_.restore(e->open);
        else
            ws_.activate(e->open);
        return true;
    }

    WindowRegistry::takeSnapshot(*e);
    const bool owned = dialogStyle || !e->current.settings.showInTaskbar;
    const WindowHandle h = ws_.create(e->current, owned ? ws_.hiddenOwner() : 0);
    if (!h) {
        e->snapshot.reset();
        return false;
    }
    e->open = h;

    ws_.showControls(h, e->current);
    const bool visible = e->current.visible;
    if (visible) ws_.show(h, e->current.settings.startPosition);

    if (dialogStyle) {
        e->dialogStyle = true;
        for (RegistryEntry& other : registry_.entries()) {
            if (&other == e || !other.open || !ws_.isUnownedTopLevel(other.open)) continue;
            e->disabled.emplace_back(other.open, ws_.isEnabled(other.open));
            ws_.setEnabled(other.open, false);
        }
        if (visible) dialogWait(id);
    }
    return true;
}

void Frame::dialogWait(Id id) {
    const Id outer = awaited_;
    awaited_ = id;
    runLoop(LoopMode::Waiting);
    // An outer window that went away while this wait ran must not be
    // awaited again: its wait would never end.
    const RegistryEntry* o = outer ? registry_.find(outer) : nullptr;
    awaited_ = (o && o->open) ? outer : 0;
}

int Frame::runLoop(LoopMode mode) {
    const bool waiting = mode == LoopMode::Waiting;
    for (;;) {
        while (ws_.queueEmpty()) {
            if (waiting && awaited_ == 0) return 0;
            if (!ws_.idleWork() && ws_.queueEmpty()) ws_.waitMessage();
        }
        do {
            if (waiting && ws_.nextIsQuit()) return 0;  // stays queued for the main loop
            int quitCode = 0;
            if (ws_.takeAndDispatch(quitCode)) {
                if (!waiting) return quitCode;
                ws_.postQuit(quitCode);  // not reached: nextIsQuit saw it first
                return 0;
            }
            if (waiting && awaited_ == 0) return 0;
        } while (!ws_.queueEmpty());
    }
}

void Frame::giveBackDisabled(RegistryEntry& e) {
    for (const auto& [w, wasEnabled] : e.disabled)
        if (ws_.exists(w)) ws_.setEnabled(w, wasEnabled);
    e.disabled.clear();
    e.dialogStyle = false;
}

void Frame::closeRequest(WindowHandle w) {
    RegistryEntry* e = registry_.findOpen(w);
    if (!e) return;
    // No close-query handler is bound in this program, so nothing refuses.
    if (e->dialogStyle) giveBackDisabled(*e);
    ws_.destroy(w);
}

void Frame::windowGone(WindowHandle w) {
    RegistryEntry* e = registry_.findOpen(w);
    if (!e) return;
    // A window destroyed without a close request still gives back what
    // its loading disabled.
    if (e->dialogStyle) giveBackDisabled(*e);
    e->open = 0;
    WindowRegistry::restoreSnapshot(*e);
    if (awaited_ == e->current.id) awaited_ = 0;
    if (loopStarted_ && !registry_.anyOpen()) ws_.postQuit(0);
}

int Frame::runMain() {
    loopStarted_ = true;
    if (!registry_.anyOpen()) return 0;
    return runLoop(LoopMode::Main);
}

void Frame::registerExitHook(void (*hook)()) {
    if (std::find(exitHooks_.begin(), exitHooks_.end(), hook) == exitHooks_.end()) exitHooks_.push_back(hook);
}

void Frame::endNormally() {
    registry_.clear();
    const auto hooks = std::move(exitHooks_);
    exitHooks_.clear();
    for (auto* hook : hooks) hook();
}

Value Frame::readProperty(Id window, Id control, std::uint16_t number) {
    RegistryEntry* e = registry_.find(window);
    const ControlDef* c = e ? e->current.control(control) : nullptr;
    return c ? readControlProperty(*c, number) : Value::none();
}

void Frame::writeProperty(Id window, Id control, std::uint16_t number, const Value& value) {
    RegistryEntry* e = registry_.find(window);
    if (!e || !e->open) return;
    ControlDef* c = e->current.control(control);
    if (!c) return;
    if (writeControlProperty(*c, number, value)) ws_.applyProperty(e->open, *c, number);
}

HandlerResult Frame::fire(Id window, Id control, std::uint16_t event, const EventArgs& args) {
    RegistryEntry* e = registry_.find(window);
    if (!e || !e->open) return kNoResult;
    const ControlDef* c = e->current.control(control);
    if (!c) return kNoResult;
    HandlerFn fn = nullptr;
    for (const Binding& b : c->bindings)
        if (b.event == event && b.fn) fn = b.fn;
    // The handler may re-enter the loop and unload windows: nothing of the
    // registry is used after the call.
    return fn ? fn(args) : kNoResult;
}

}  // namespace xy
