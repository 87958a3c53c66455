#include <windows.h>

#include "app/ids.h"
#include "launcher/site_actions.h"
#include "toolkit/win32/api.h"
#include "toolkit/win32/system_libraries.h"
#include "toolkit/win32/text.h"

namespace {

void openAddress(const char* address) {
    // Only an absolute web address may reach the shell: given a bare name
    // such as "www.baidu.com", the shell looks for a file of that name in
    // the current directory (the program folder) first and would run it.
    const auto url = xy::sites::normaliseWebAddress(address ? address : "");
    if (!url) return;
    xy::win32::syslib::shellExecute(nullptr, L"open", xy::win32::wide(*url).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void showGreeting() {
    ::MessageBoxW(nullptr, xy::win32::wide(xy::sites::greetingText()).c_str(),
                  xy::win32::wide(xy::sites::kGreetingCaption).c_str(), MB_OK | MB_TASKMODAL);
}

// True while a choice is being carried out: the greeting box or the update
// window of an earlier choice is still open, with this handler suspended
// under it. The main window is disabled then and takes no input, but a click
// spelled as mouse messages by another program still reaches the menu; it
// must not stack a second box or window on top of the first.
bool gChoosing = false;

}  // namespace

xy::HandlerResult onItemChosen(const xy::EventArgs& args) {
    using xy::sites::Action;
    if (gChoosing) return xy::kNoResult;
    gChoosing = true;
    for (const xy::sites::SiteRow* row : xy::sites::matchingRows(args.a, args.b)) {
        switch (row->action) {
            case Action::OpenAddress: openAddress(row->address); break;
            case Action::GreetingBox: showGreeting(); break;
            case Action::UpdateWindow: xy::loadWindow(xy::ids::kUpdateWindow, true); break;
        }
    }
    gChoosing = false;
    return xy::kNoResult;
}
