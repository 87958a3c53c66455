// System libraries that only some windows or moments need: the common
// controls (tooltip, progress bar, the styled push button), the shell (opening
// a web address) and the accessibility and automation libraries (a screen
// reader asking for the menu). They are loaded on first use instead of being
// imported, so a start that shows only the main window maps none of them and
// the first paint does not wait for them.
//
// Every function here behaves like the system function of the same name;
// when its library cannot be loaded it fails the way that function reports
// a failure.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <oleauto.h>

namespace xy::win32::syslib {

// Loads the common controls (version 6, through the program's manifest) and
// registers the classes in `classes` (ICC_* bits), as InitCommonControlsEx.
// False when the library or the registration failed.
bool initCommonControls(DWORD classes);

HIMAGELIST imageListCreate(int cx, int cy, UINT flags, int initial, int grow);
int imageListAdd(HIMAGELIST list, HBITMAP image, HBITMAP mask);
BOOL imageListDestroy(HIMAGELIST list);

BOOL setWindowSubclass(HWND hwnd, SUBCLASSPROC proc, UINT_PTR id, DWORD_PTR data);
BOOL removeWindowSubclass(HWND hwnd, SUBCLASSPROC proc, UINT_PTR id);
BOOL getWindowSubclass(HWND hwnd, SUBCLASSPROC proc, UINT_PTR id, DWORD_PTR* data);
// Only ever called from a subclass procedure, so the library is loaded.
LRESULT defSubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

// ShellExecuteW; a value above 32 means success.
HINSTANCE shellExecute(HWND hwnd, const wchar_t* verb, const wchar_t* file, const wchar_t* parameters,
                       const wchar_t* directory, int show);

LRESULT lresultFromObject(REFIID iid, WPARAM wp, IUnknown* object);  // E_FAIL without the library
HRESULT accessibleObjectFromWindow(HWND hwnd, DWORD object, REFIID iid, void** out);  // the same
BSTR sysAllocStringLen(const OLECHAR* s, UINT length);               // nullptr without the library

}  // namespace xy::win32::syslib
