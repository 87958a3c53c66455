// UTF-8 (the definitions' encoding) to UTF-16 (the wide API) and back.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace xy::win32 {

inline std::wstring wide(std::string_view s) {
    if (s.empty()) return {};
    const int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), int(s.size()), nullptr, 0);
    std::wstring out(std::size_t(n > 0 ? n : 0), L'\0');
    if (n > 0) MultiByteToWideChar(CP_UTF8, 0, s.data(), int(s.size()), out.data(), n);
    return out;
}

inline std::string utf8(std::wstring_view s) {
    if (s.empty()) return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, s.data(), int(s.size()), nullptr, 0, nullptr, nullptr);
    std::string out(std::size_t(n > 0 ? n : 0), '\0');
    if (n > 0) WideCharToMultiByte(CP_UTF8, 0, s.data(), int(s.size()), out.data(), n, nullptr, nullptr);
    return out;
}

// A GDI colour for a definition colour; the system default is the
// button-face colour of the desktop scheme.
inline COLORREF gdiColor(std::uint32_t c) {
    return c == 0xFFFFFFFFu ? GetSysColor(COLOR_BTNFACE) : COLORREF(c & 0x00FFFFFFu);
}

}  // namespace xy::win32
