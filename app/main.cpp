// The program entry: prepares the thread, reads the window definitions,
// shows the start window and runs the event loop until the last window is
// gone. The command line is not read.
#include <windows.h>
#include <ole2.h>

#include "app/handlers.h"
#include "app/ids.h"
#include "app/templates.h"
#include "toolkit/model/messages.h"
#include "toolkit/model/template_codec.h"
#include "toolkit/win32/frame_win32.h"

namespace {

// The program's own initialisation and clean-up: nothing to do.
void programInit() {}
void programCleanup() {}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    using namespace xy;
    using namespace xy::win32;

    OleInitialize(nullptr);  // a failure is ignored
    setCurrentDirectoryToProgramFolder();
    createHiddenOwner(instance);

    static_cast<void>(programTemplatesAnchor());
    DecodedTemplates templates = decodeTemplates(templateSection());
    if (templates.error != TemplateError::None) runtimeError(text::kTemplateLoadFailed);
    bindHandlers(templates.windows, programHandlers());
    frame().registry().fill(std::move(templates.windows));

    resetFloatingPoint();

    programInit();
    frame().registerExitHook(programCleanup);

    if (!frame().loadWindow(ids::kMainWindow, false)) runtimeError(text::kStartWindowFailed);

    endProgram(frame().runMain());
}
