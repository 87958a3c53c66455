// Security: every address of the site table reaches the shell as an absolute
// http or https address; the program starts nothing from its own folder or
// from the current directory, even with programs planted there under the
// names the shell or the help system would look for; the manifest asks for
// no elevation.
#include <algorithm>

#include "launcher/site_actions.h"
#include "stress.h"

namespace stress {
namespace {

using namespace e2e;

bool absoluteWeb(const std::string& a) { return a.rfind("http://", 0) == 0 || a.rfind("https://", 0) == 0; }

// Names under which a program in the program folder or the current directory
// could be started instead of what was meant: the bare hosts of the table
// (".com" names are programs to the shell), the shell's and the help
// system's helpers.
const wchar_t* const kPlanted[] = {L"www.qq.com",     L"www.baidu.com",   L"www.163.com",  L"www.taobao.com",
                                   L"www.52pojie.cn", L"explorer.exe",    L"rundll32.exe", L"winhlp32.exe",
                                   L"winebrowser.exe", L"iexplore.exe",   L"hh.exe",       L"cmd.exe"};

constexpr wchar_t kHelpFile[] = L"C:\\Users\\vork\\Desktop\\Test.RTF";

void siteTableIsAbsolute() {
    int rows = 0;
    for (const auto& row : xy::sites::siteTable()) {
        if (row.action != xy::sites::Action::OpenAddress) continue;
        ++rows;
        const auto url = xy::sites::normaliseWebAddress(row.address ? row.address : "");
        record().check(url && absoluteWeb(*url), "every site address becomes an absolute web address",
                       fmt("(%d, %d) %s", row.group, row.item, row.address ? row.address : "(none)"));
    }
    record().figure("security: web rows in the site table", fmt("%d", rows));
}

void manifestAsksNoElevation() {
    HMODULE m = LoadLibraryExW(programPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    std::string text;
    if (m) {
        if (HRSRC r = FindResourceW(m, MAKEINTRESOURCEW(1), RT_MANIFEST)) {
            const DWORD n = SizeofResource(m, r);
            if (const char* p = static_cast<const char*>(LockResource(LoadResource(m, r)))) text.assign(p, n);
        }
        FreeLibrary(m);
    }
    Record& rec = record();
    if (!rec.check(!text.empty(), "the program file has a manifest")) return;
    rec.check(text.find("Microsoft.Windows.Common-Controls") != std::string::npos,
              "the manifest selects the common controls version 6");
    for (const char* word : {"requestedExecutionLevel", "requireAdministrator", "highestAvailable", "trustInfo",
                             "requestedPrivileges"})
        rec.check(text.find(word) == std::string::npos, "the manifest asks for no elevation",
                  std::string("it holds ") + word);
}

std::vector<std::wstring> tracesIn(const std::wstring& dir) {
    std::vector<std::wstring> out;
    WIN32_FIND_DATAW fd;
    HANDLE f = FindFirstFileW((dir + L"\\*.ran").c_str(), &fd);
    if (f == INVALID_HANDLE_VALUE) return out;
    do out.push_back(dir + L"\\" + fd.cFileName);
    while (FindNextFileW(f, &fd));
    FindClose(f);
    return out;
}

// Clicks every item of the program started from a folder full of planted
// programs, presses F1 with the help file present, and looks for traces.
void nothingStartsFromTheFolders() {
    Record& rec = record();
    const std::wstring marker = ownFolder() + L"\\stress_marker.exe";
    if (!rec.check(GetFileAttributesW(marker.c_str()) != INVALID_FILE_ATTRIBUTES, "marker program built",
                   narrow(marker)))
        return;
    TempDir root(L"C:\\xy-stress\\planted");
    const std::wstring progDir = root.path() + L"\\program", workDir = root.path() + L"\\work";
    createDirectories(progDir);
    createDirectories(workDir);
    const std::wstring exe = progDir + L"\\xianyun.exe";
    bool ready = CopyFileW(programPath().c_str(), exe.c_str(), FALSE) != FALSE;
    for (const wchar_t* name : kPlanted)
        for (const std::wstring& d : {progDir, workDir})
            ready = ready && CopyFileW(marker.c_str(), (d + L"\\" + name).c_str(), FALSE);
    if (!rec.check(ready, "planted programs in place", narrow(root.path()))) return;
    const std::wstring log = root.path() + L"\\markers.log";
    SetEnvironmentVariableW(L"XY_MARKER_LOG", log.c_str());
    // The help file, so that F1 asks for the help viewer.
    const bool madeHelp = GetFileAttributesW(kHelpFile) == INVALID_FILE_ATTRIBUTES;
    if (madeHelp) {
        createDirectories(folderOf(kHelpFile));
        const char rtf[] = "{\\rtf1\\ansi stress}";
        writeFile(kHelpFile, rtf, sizeof rtf - 1);
    }
    const auto viewersBefore = processesNamed(L"winhlp32.exe");

    App app = launch(exe, workDir);
    if (app) {
        placeMain(app, 40, 40);
        focus(app.main);
        clearBrowserLog();
        int first = 0, clicked = 0;
        for (const auto& row : xy::sites::siteTable()) {
            if (!timeLeft()) break;
            if (row.action != xy::sites::Action::OpenAddress) continue;
            const auto want = xy::sites::normaliseWebAddress(row.address);
            const std::size_t had = browserLog().size();
            chooseItem(app, row.group, row.item, first);
            ++clicked;
            std::vector<std::string> got;
            waitUntil([&] { return (got = browserLog()).size() > had; }, 8000ms);
            const std::string line = got.size() > had ? got[had] : std::string();
            rec.check(!line.empty(), "every site item reaches the browser", fmt("(%d, %d)", row.group, row.item));
            if (line.empty()) continue;
            rec.check(absoluteWeb(line), "the shell gets an absolute http or https address", line);
            rec.check(want && (line == *want || line == *want + "/"), "the shell gets the row's own address",
                      fmt("(%d, %d) got %s", row.group, row.item, line.c_str()));
        }
        rec.figure("security: site items clicked with programs planted", fmt("%d", clicked));
        if (openGreetingBox(app)) closeModalWindows(app);
        if (HWND u = openUpdateWindow(app)) {
            if (HWND b = updateButton(u)) {
                RECT r{};
                GetWindowRect(b, &r);
                input::click({(r.left + r.right) / 2, (r.top + r.bottom) / 2});
                Sleep(100);
                answers(u, 3000);
            }
            closeModalWindows(app);
        }
        // F1 with the help file present: the system's help viewer, and no
        // other, must be started.
        focus(app.main);
        input::tap(VK_F1);
        std::set<DWORD> viewers;
        waitUntil(
            [&] {
                viewers.clear();
                for (DWORD pid : processesNamed(L"winhlp32.exe"))
                    if (!viewersBefore.count(pid)) viewers.insert(pid);
                return !viewers.empty() || !tracesIn(progDir).empty();
            },
            5000ms);
        Sleep(1000);
        rec.figure("security: help viewers started by F1", fmt("%zu", viewers.size()));
        // The viewer cannot read the little file and says so in its own box;
        // the program waits for the viewer until that box is closed.
        for (int i = 0; i < 10; ++i) {
            bool any = false;
            for (DWORD pid : viewers)
                for (auto& box : messageBoxesOf(pid)) {
                    PostMessageW(box.hwnd, WM_COMMAND, IDOK, 0);
                    any = true;
                }
            if (!any) break;
            Sleep(300);
        }
        answers(app.main, 5000);
        checkInvariants(app, "with programs planted");
        escapeAndExpectZero(app, "with programs planted");
        // Closing the main window tells the viewer to quit; anything left of
        // what the program started is ended by its process id.
        Sleep(500);
        for (DWORD pid : viewers)
            if (HANDLE h = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid)) {
                if (WaitForSingleObject(h, 2000) == WAIT_TIMEOUT) TerminateProcess(h, 0);
                CloseHandle(h);
            }
    }
    std::vector<std::wstring> traces = tracesIn(progDir);
    for (auto& t : tracesIn(workDir)) traces.push_back(t);
    const auto logged = readFile(log);
    rec.check(traces.empty() && logged.empty(), "nothing is started from the program folder or the current directory",
              traces.empty() ? std::string(logged.begin(), logged.end()) : narrow(traces.front()));
    SetEnvironmentVariableW(L"XY_MARKER_LOG", nullptr);
    if (madeHelp) DeleteFileW(kHelpFile);
}

}  // namespace

void runSecurity(const Options&) {
    siteTableIsAbsolute();
    manifestAsksNoElevation();
    nothingStartsFromTheFolders();
}

}  // namespace stress
