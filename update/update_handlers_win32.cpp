#include "update/update_handlers.h"

#include <windows.h>

#include "toolkit/win32/api.h"
#include "update/update_check.h"

namespace {

class ToolkitStore final : public xy::update::PropertyStore {
public:
    xy::Value read(xy::Id windowId, xy::Id controlId, std::uint16_t number) override {
        return xy::readProperty(windowId, controlId, number);
    }
    void write(xy::Id windowId, xy::Id controlId, std::uint16_t number, const xy::Value& value) override {
        xy::writeProperty(windowId, controlId, number, value);
    }
};

// Sleep processes no window messages: the whole program waits.
void sleepMs(std::int32_t ms) { ::Sleep(ms < 0 ? 0 : static_cast<DWORD>(ms)); }

}  // namespace

xy::HandlerResult onUpdateCheck(const xy::EventArgs&) {
    ToolkitStore store;
    xy::update::runUpdateCheck(store, sleepMs);
    return xy::kNoResult;
}

xy::HandlerResult onUpdateTimerTick(const xy::EventArgs&) { return xy::kNoResult; }

xy::HandlerResult onLabelFeedback(const xy::EventArgs&) { return xy::kNoResult; }
