#include "toolkit/model/registry.h"

namespace xy {

void bindHandlers(std::vector<WindowDef>& windows, std::span<const NamedHandler> handlers) {
    for (WindowDef& w : windows)
        for (ControlDef& c : w.controls)
            for (Binding& b : c.bindings) {
                b.fn = nullptr;
                for (const NamedHandler& h : handlers)
                    if (h.name == b.handler) b.fn = h.fn;
            }
}

void WindowRegistry::fill(std::vector<WindowDef> windows) {
    entries_.clear();
    entries_.reserve(windows.size());
    for (WindowDef& w : windows) entries_.push_back(RegistryEntry{std::move(w), std::nullopt, 0, false, {}});
}

RegistryEntry* WindowRegistry::find(Id id) {
    for (RegistryEntry& e : entries_)
        if (e.current.id == id) return &e;
    return nullptr;
}

RegistryEntry* WindowRegistry::findOpen(WindowHandle h) {
    if (h == 0) return nullptr;
    for (RegistryEntry& e : entries_)
        if (e.open == h) return &e;
    return nullptr;
}

bool WindowRegistry::anyOpen() const {
    for (const RegistryEntry& e : entries_)
        if (e.open != 0) return true;
    return false;
}

void WindowRegistry::restoreSnapshot(RegistryEntry& e) {
    if (e.snapshot) e.current = std::move(*e.snapshot);
    e.snapshot.reset();
}

}  // namespace xy
