// The program's window definitions, encoded at compile time and placed in
// a section of their own, from which start-up reads them back.
#include "app/templates.h"

#include "launcher/main_window_def.h"
#include "toolkit/model/template_codec.h"
#include "update/update_window_def.h"

namespace xy {
namespace {

// The main window first: it is the start window.
constexpr std::vector<WindowDef> programWindows() {
    std::vector<WindowDef> windows;
    windows.push_back(mainWindowDefinition());
    windows.push_back(updateWindowDefinition());
    return windows;
}

}  // namespace

#if defined(_MSC_VER)
#pragma section(".xytpl", read)
__declspec(allocate(".xytpl"))
#else
__attribute__((section(".xytpl"), used))
#endif
extern const auto kProgramTemplates = encodedTemplateArray<programWindows>();

const void* programTemplatesAnchor() { return &kProgramTemplates; }

}  // namespace xy
