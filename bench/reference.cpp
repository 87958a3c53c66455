// The reference for the benchmark: about the least a Win32 window program
// can be. One top-level window of the main window's outer size and frame
// kind, centred, its client area filled by the class brush in one colour
// that the benchmark looks for on the screen, and a plain message loop.
// Built with the program's compiler, optimisation and static linking.
//
// The same source also builds variants that each add one thing the program
// does before its first paint, so the benchmark can tell where the time and
// memory go. Each switch adds:
//   XY_REF_COMCTL32  an import of the common controls, and the program's
//                    manifest, which selects version 6 of them;
//   XY_REF_OLE32     an import of OLE;
//   XY_REF_OLEACC    imports of the accessibility and automation DLLs;
//   XY_REF_SHELL32   an import of the shell;
//   XY_REF_OLE_INIT  OleInitialize at start, as the program does;
//   XY_REF_INIT_CC   InitCommonControlsEx for the bar and progress classes.
// and, on its own, outside that chain:
//   XY_REF_TIMER     a 1000 ms window timer, the yardstick for the idle
//                    cost of the update window's one tick a second.
// The imported functions are referenced, so the loader maps their DLLs,
// but never called. bench/CMakeLists.txt builds the switches cumulatively
// in the order above.
#include <windows.h>
#if defined(XY_REF_COMCTL32) || defined(XY_REF_OLE32) || defined(XY_REF_OLEACC) || defined(XY_REF_SHELL32)
#define XY_REF_IMPORTS 1
#include <commctrl.h>
#include <ole2.h>
#include <oleacc.h>
#include <shellapi.h>
#endif

namespace {

constexpr wchar_t kClassName[] = L"XyBenchReference";
constexpr wchar_t kTitle[] = L"基准窗口";
constexpr COLORREF kFill = RGB(0, 128, 128);
constexpr int kWidth = 172, kHeight = 452;

LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_KEYDOWN && wp == VK_ESCAPE) {
        DestroyWindow(hwnd);
        return 0;
    }
    if (msg == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
#if defined(XY_REF_IMPORTS)
    // Functions of the DLLs the variant imports: referenced, never called.
    static void* volatile imports[] = {
#if defined(XY_REF_COMCTL32)
        reinterpret_cast<void*>(&InitCommonControlsEx),
#endif
#if defined(XY_REF_OLE32)
        reinterpret_cast<void*>(&OleInitialize),
#endif
#if defined(XY_REF_OLEACC)
        reinterpret_cast<void*>(&LresultFromObject), reinterpret_cast<void*>(&SysAllocString),
#endif
#if defined(XY_REF_SHELL32)
        reinterpret_cast<void*>(&ShellExecuteW),
#endif
    };
    for (void* p : imports)
        if (!p) return 3;
#endif
#if defined(XY_REF_OLE_INIT)
    OleInitialize(nullptr);
#endif
#if defined(XY_REF_INIT_CC)
    const INITCOMMONCONTROLSEX icc{sizeof(INITCOMMONCONTROLSEX), ICC_BAR_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&icc);
#endif
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = windowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = CreateSolidBrush(kFill);
    wc.lpszClassName = kClassName;
    if (!RegisterClassExW(&wc)) return 1;

    const int x = (GetSystemMetrics(SM_CXSCREEN) - kWidth) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - kHeight) / 2;
    HWND hwnd = CreateWindowExW(0, kClassName, kTitle, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                                x, y, kWidth, kHeight, nullptr, nullptr, instance, nullptr);
    if (!hwnd) return 1;
#if defined(XY_REF_TIMER)
    SetTimer(hwnd, 1, 1000, nullptr);
#endif
    ShowWindow(hwnd, show);
    UpdateWindow(hwnd);

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return int(msg.wParam);
}
