// The reference for the benchmark: about the least a Win32 window program
// can be. One top-level window of the main window's outer size and frame
// kind, centred, its client area filled by the class brush in one colour
// that the benchmark looks for on the screen, and a plain message loop.
// Built with the program's compiler, optimisation and static linking.
//
// The same source also builds variants that each add one thing the program
// does before its first paint, so the benchmark can tell where the time and
// memory go. Each switch adds:
//   XY_REF_MANIFEST  the program's manifest, which selects version 6 of the
//                    common controls (nothing of them is loaded: the
//                    program maps them only when a window needs them);
//   XY_REF_OLE32     an import of OLE, referenced but not called;
//   XY_REF_OLE_INIT  OleInitialize at start, as the program does.
// and, on its own, outside that chain:
//   XY_REF_TIMER     a 1000 ms window timer, the yardstick for the idle
//                    cost of the update window's one tick a second.
// bench/CMakeLists.txt builds the switches cumulatively in the order above.
#include <windows.h>
#if defined(XY_REF_OLE32)
#include <ole2.h>
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
#if defined(XY_REF_OLE32)
    // Referenced, so the loader maps the DLL, but not called.
    static void* volatile imported = reinterpret_cast<void*>(&OleInitialize);
    if (!imported) return 3;
#endif
#if defined(XY_REF_OLE_INIT)
    OleInitialize(nullptr);
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
