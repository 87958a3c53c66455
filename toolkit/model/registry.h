// The window registry: one entry per window definition, holding the
// window's current settings, the copy taken when it was loaded, and the
// live window while it is open.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

#include "toolkit/model/definition.h"

namespace xy {

// A live window as the toolkit knows it; 0 is no window.
using WindowHandle = std::uintptr_t;

struct RegistryEntry {
    WindowDef current;
    std::optional<WindowDef> snapshot;  // taken at load, empty while not loaded
    WindowHandle open = 0;
    bool dialogStyle = false;
    // Windows that loading this one in dialog style disabled, in order,
    // each with the enabled state it had just before.
    std::vector<std::pair<WindowHandle, bool>> disabled;
};

struct NamedHandler {
    std::string_view name;
    HandlerFn fn;
};

// Resolves each binding's handler name against `handlers`; a name that is
// not there leaves the binding unbound.
void bindHandlers(std::vector<WindowDef>& windows, std::span<const NamedHandler> handlers);

class WindowRegistry {
public:
    void fill(std::vector<WindowDef> windows);
    void clear() { entries_.clear(); }

    RegistryEntry* find(Id id);
    RegistryEntry* findOpen(WindowHandle h);
    std::vector<RegistryEntry>& entries() { return entries_; }
    bool anyOpen() const;

    // Load and unload bookkeeping: the snapshot is taken at load and put
    // back when the window has gone, dropping whatever was written while
    // it was open.
    static void takeSnapshot(RegistryEntry& e) { e.snapshot = e.current; }
    static void restoreSnapshot(RegistryEntry& e);

private:
    std::vector<RegistryEntry> entries_;
};

}  // namespace xy
