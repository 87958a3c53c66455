#include "toolkit/win32/keyboard.h"

#include "toolkit/win32/frame_win32.h"
#include "toolkit/win32/top_window.h"
#include "toolkit/win32/text.h"

namespace xy::win32 {
namespace {

bool down(int vk) { return GetKeyState(vk) < 0; }

// The focused control is asked first whether it wants the key itself.
bool controlWantsKey(const MSG& msg, HWND top) {
    if (msg.hwnd == top) return false;
    const LRESULT code = SendMessageW(msg.hwnd, WM_GETDLGCODE, msg.wParam, reinterpret_cast<LPARAM>(&msg));
    if (code & (DLGC_WANTALLKEYS | DLGC_WANTMESSAGE)) return true;
    return msg.wParam == VK_TAB && (code & DLGC_WANTTAB);
}

bool fileExists(const std::wstring& path) {
    const DWORD attr = GetFileAttributesW(path.c_str());
    return attr != INVALID_FILE_ATTRIBUTES && !(attr & FILE_ATTRIBUTE_DIRECTORY);
}

// WinHelp starts the viewer by its bare name when none is running, and the
// search for a bare program name begins in the folder of the program: a
// winhlp32.exe placed next to this program would run instead of the
// system's. So the system's viewer is started here by its full path first;
// WinHelp then finds it running. Without it, help is not opened at all.
bool systemHelpViewerRunning() {
    constexpr wchar_t kViewerClass[] = L"MS_WINHELP";
    if (FindWindowW(kViewerClass, nullptr)) return true;
    wchar_t dir[MAX_PATH];
    const UINT n = GetSystemWindowsDirectoryW(dir, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return false;
    const std::wstring folder(dir, n);
    const std::wstring exe = folder + L"\\winhlp32.exe";
    if (!fileExists(exe)) return false;
    std::wstring cmd = L"\"" + exe + L"\" -x";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si, &pi))
        return false;
    WaitForInputIdle(pi.hProcess, 30000);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    for (int i = 0; i < 50; ++i) {
        if (FindWindowW(kViewerClass, nullptr)) return true;
        Sleep(20);
    }
    return false;
}

bool openHelp(TopWindow& w, const WindowSettings& s) {
    if (!s.f1OpensHelp || s.helpFile.empty()) return false;
    const std::wstring file = wide(s.helpFile);
    if (!fileExists(file)) return false;
    if (!systemHelpViewerRunning()) return false;
    if (s.helpContext == 0)
        WinHelpW(w.hwnd, file.c_str(), HELP_FINDER, 0);
    else
        WinHelpW(w.hwnd, file.c_str(), HELP_CONTEXT, ULONG_PTR(DWORD(s.helpContext)));
    w.helpOpened = true;
    return true;
}

void moveFocus(TopWindow& w, const WindowDef& def, bool backwards) {
    HWND from = GetFocus();
    if (HWND to = nextTabStop(w, def, from, backwards)) SetFocus(to);
}

}  // namespace

bool preprocessKey(const MSG& msg) {
    if (msg.message != WM_KEYDOWN) return false;
    TopWindow* w = holdingTopWindow(msg.hwnd);
    if (!w) return false;
    const RegistryEntry* e = frame().registry().find(w->id);
    if (!e) return false;
    const WindowDef& def = e->current;
    const WindowSettings& s = def.settings;

    const bool ctrl = down(VK_CONTROL), alt = down(VK_MENU), shift = down(VK_SHIFT);
    const auto key = UINT(msg.wParam);
    if (ctrl || alt) return false;
    if (shift && key != VK_TAB) return false;
    if (controlWantsKey(msg, w->hwnd)) return false;

    switch (key) {
        case VK_ESCAPE:
            if (!s.escCloses) return false;
            // The same close request as the title bar's close button.
            SendMessageW(w->hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
            return true;
        case VK_F1:
            return openHelp(*w, s);
        case VK_RETURN:
            if (s.enterMovesFocus) {
                moveFocus(*w, def, false);
                return true;
            }
            return false;  // no default button in this toolkit's windows
        case VK_TAB:
            moveFocus(*w, def, shift);
            return true;
        default:
            return false;
    }
}

}  // namespace xy::win32
