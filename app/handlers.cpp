// The handlers that the window definitions bind by name.
#include "app/handlers.h"

#include "app/ids.h"
#include "launcher/site_actions.h"
#include "update/update_handlers.h"

namespace xy {

std::span<const NamedHandler> programHandlers() {
    static const NamedHandler handlers[] = {
        {handler_names::kItemChosen, onItemChosen},
        {handler_names::kUpdateCheck, onUpdateCheck},
        {handler_names::kUpdateTimer, onUpdateTimerTick},
        {handler_names::kLabelFeedback, onLabelFeedback},
    };
    return handlers;
}

}  // namespace xy
