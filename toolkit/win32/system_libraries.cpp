#include "toolkit/win32/system_libraries.h"

#include <oleacc.h>
#include <shellapi.h>

#include <type_traits>

namespace xy::win32::syslib {
namespace {

enum Library { kCommonControls, kShell, kAccessibility, kAutomation, kLibraryCount };

constexpr const wchar_t* kFileNames[kLibraryCount] = {L"comctl32.dll", L"shell32.dll", L"oleacc.dll",
                                                      L"oleaut32.dll"};

#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#endif

HMODULE load(Library lib) {
    const wchar_t* name = kFileNames[lib];
    // From the system folder only: never from the program folder or the
    // current directory, where anyone may have left a file of that name.
    // The manifest's redirection of the common controls to version 6 comes
    // before any folder search, so it holds here too.
    if (HMODULE m = LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) return m;
    if (GetLastError() != ERROR_INVALID_PARAMETER) return nullptr;
    // A system without the search flags: by full path, except for the
    // common controls, whose version 6 lives outside the system folder and
    // is found by name through the manifest.
    if (lib == kCommonControls) return LoadLibraryW(name);
    wchar_t path[MAX_PATH];
    const UINT n = GetSystemDirectoryW(path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH - 16) return nullptr;
    path[n] = L'\\';
    lstrcpyW(path + n + 1, name);
    return LoadLibraryW(path);
}

// Loaded once, on the first request, and kept until the process ends. Only
// the user-interface thread calls in here.
HMODULE library(Library lib) {
    static HMODULE modules[kLibraryCount];
    static bool tried[kLibraryCount];
    if (!tried[lib]) {
        tried[lib] = true;
        modules[lib] = load(lib);
    }
    return modules[lib];
}

template <class Fn>
Fn* lookUp(Library lib, const char* name) {
    HMODULE m = library(lib);
    return m ? reinterpret_cast<Fn*>(reinterpret_cast<void*>(GetProcAddress(m, name))) : nullptr;
}

// One function of one library, looked up on its first call.
#define XY_SYSTEM_FUNCTION(lib, name)                                        \
    static decltype(&::name) fn = nullptr;                                   \
    static bool looked = false;                                              \
    if (!looked) {                                                           \
        looked = true;                                                       \
        fn = lookUp<std::remove_pointer_t<decltype(&::name)>>(lib, #name);   \
    }

}  // namespace

bool initCommonControls(DWORD classes) {
    XY_SYSTEM_FUNCTION(kCommonControls, InitCommonControlsEx)
    const INITCOMMONCONTROLSEX icc{sizeof(INITCOMMONCONTROLSEX), classes};
    return fn && fn(&icc);
}

HIMAGELIST imageListCreate(int cx, int cy, UINT flags, int initial, int grow) {
    XY_SYSTEM_FUNCTION(kCommonControls, ImageList_Create)
    return fn ? fn(cx, cy, flags, initial, grow) : nullptr;
}

int imageListAdd(HIMAGELIST list, HBITMAP image, HBITMAP mask) {
    XY_SYSTEM_FUNCTION(kCommonControls, ImageList_Add)
    return fn ? fn(list, image, mask) : -1;
}

BOOL imageListDestroy(HIMAGELIST list) {
    XY_SYSTEM_FUNCTION(kCommonControls, ImageList_Destroy)
    return fn ? fn(list) : FALSE;
}

BOOL setWindowSubclass(HWND hwnd, SUBCLASSPROC proc, UINT_PTR id, DWORD_PTR data) {
    XY_SYSTEM_FUNCTION(kCommonControls, SetWindowSubclass)
    return fn ? fn(hwnd, proc, id, data) : FALSE;
}

BOOL removeWindowSubclass(HWND hwnd, SUBCLASSPROC proc, UINT_PTR id) {
    XY_SYSTEM_FUNCTION(kCommonControls, RemoveWindowSubclass)
    return fn ? fn(hwnd, proc, id) : FALSE;
}

BOOL getWindowSubclass(HWND hwnd, SUBCLASSPROC proc, UINT_PTR id, DWORD_PTR* data) {
    XY_SYSTEM_FUNCTION(kCommonControls, GetWindowSubclass)
    return fn ? fn(hwnd, proc, id, data) : FALSE;
}

LRESULT defSubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    XY_SYSTEM_FUNCTION(kCommonControls, DefSubclassProc)
    return fn ? fn(hwnd, msg, wp, lp) : DefWindowProcW(hwnd, msg, wp, lp);
}

HINSTANCE shellExecute(HWND hwnd, const wchar_t* verb, const wchar_t* file, const wchar_t* parameters,
                       const wchar_t* directory, int show) {
    XY_SYSTEM_FUNCTION(kShell, ShellExecuteW)
    return fn ? fn(hwnd, verb, file, parameters, directory, show) : HINSTANCE(SE_ERR_DLLNOTFOUND);
}

LRESULT lresultFromObject(REFIID iid, WPARAM wp, IUnknown* object) {
    XY_SYSTEM_FUNCTION(kAccessibility, LresultFromObject)
    return fn ? fn(iid, wp, object) : LRESULT(E_FAIL);
}

HRESULT accessibleObjectFromWindow(HWND hwnd, DWORD object, REFIID iid, void** out) {
    XY_SYSTEM_FUNCTION(kAccessibility, AccessibleObjectFromWindow)
    if (!fn) {
        if (out) *out = nullptr;
        return E_FAIL;
    }
    return fn(hwnd, object, iid, out);
}

BSTR sysAllocStringLen(const OLECHAR* s, UINT length) {
    XY_SYSTEM_FUNCTION(kAutomation, SysAllocStringLen)
    return fn ? fn(s, length) : nullptr;
}

}  // namespace xy::win32::syslib
