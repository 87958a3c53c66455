#include "toolkit/win32/control.h"

namespace xy::win32 {

const ControlKindOps* controlKindOps(ControlKind kind) {
    switch (kind) {
        case ControlKind::Accordion: return &kAccordionOps;
        case ControlKind::Label: return &kLabelOps;
        case ControlKind::Button: return &kButtonOps;
        case ControlKind::ProgressBar: return &kProgressBarOps;
        case ControlKind::Timer: return &kTimerOps;
    }
    return nullptr;
}

}  // namespace xy::win32
