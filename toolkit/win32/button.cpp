// The button control kind (按钮): a system push button, always multi-line,
// aligned as stored, never the default button. Its click comes back from
// the holding window as a reflected BN_CLICKED, which the subclass turns
// into the click event. Space on the focused button clicks it (the system
// button does that); Enter does nothing to it.
//
// Picture buttons (8) and button types other than the ordinary push button
// (9) are stored but not shown: the button is always a text push button.

#include <windows.h>
#include <commctrl.h>

#include "toolkit/model/property_rules.h"
#include "toolkit/win32/control.h"
#include "toolkit/win32/system_libraries.h"
#include "toolkit/win32/text.h"

namespace xy::win32 {
namespace {

namespace bp = prop::button;

constexpr UINT_PTR kSubclassId = 0x58594254;  // any number unique to this subclass

struct ButtonState {
    Id windowId = 0;
    Id controlId = 0;
    HFONT defaultFont = nullptr;  // not ours
    HFONT ownFont = nullptr;      // created from the font setting; ours
    // Calls of the system button's procedure on the stack. Its click
    // notification goes to the holding window and comes back reflected while
    // the button is still handling the input that clicked it; a reflection
    // at any other time was sent or posted by someone else.
    int inOwnProc = 0;
    bool destroyed = false;  // freed once the last call has returned
};

void freeState(ButtonState* s) {
    if (s->ownFont) DeleteObject(s->ownFont);
    delete s;
}

// Messages of the user range that another thread may send the button: those
// with plain numbers only. The system button takes most of its others
// (BCM_GETIDEALSIZE, BCM_SETTEXTMARGIN, BCM_GETNOTE, the common-control
// messages, ...) as pointers, which from another process point anywhere in
// this one. The program itself sends the button none of them.
bool foreignPointerMessage(UINT msg) {
    if (msg < WM_USER || msg > 0x7FFF) return false;
    if (msg == BCM_SETDROPDOWNSTATE || msg == BCM_GETNOTELENGTH || msg == BCM_SETSHIELD) return false;
    return (InSendMessageEx(nullptr) & (ISMEX_SEND | ISMEX_NOTIFY | ISMEX_CALLBACK)) != 0;
}

LRESULT callButton(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, ButtonState* s) {
    ++s->inOwnProc;
    const LRESULT r = syslib::defSubclassProc(hwnd, msg, wp, lp);
    if (--s->inOwnProc == 0 && s->destroyed) freeState(s);
    return r;
}

HFONT createFont(const FontDef& f) {
    LOGFONTW lf{};
    lf.lfHeight = -f.height;
    lf.lfWeight = f.weight;
    lf.lfItalic = f.italic;
    lf.lfUnderline = f.underline;
    lf.lfStrikeOut = f.strikeOut;
    lf.lfCharSet = DEFAULT_CHARSET;
    const std::wstring face = wide(f.face);
    lstrcpynW(lf.lfFaceName, face.c_str(), LF_FACESIZE);
    return CreateFontIndirectW(&lf);
}

DWORD alignmentStyle(const ControlDef& def) {
    const std::int32_t h = intProperty(def, bp::kHAlign, 1);
    const std::int32_t v = intProperty(def, bp::kVAlign, 1);
    return DWORD(h == 0 ? BS_LEFT : (h == 2 ? BS_RIGHT : BS_CENTER)) |
           DWORD(v == 0 ? BS_TOP : (v == 2 ? BS_BOTTOM : BS_VCENTER));
}

void applyFont(HWND h, ButtonState& s, const ControlDef& def, bool redraw) {
    HFONT old = s.ownFont;
    s.ownFont = nullptr;
    if (auto f = fontFromValue(readControlProperty(def, bp::kFont))) s.ownFont = createFont(*f);
    SendMessageW(h, WM_SETFONT, WPARAM(s.ownFont ? s.ownFont : s.defaultFont), redraw);
    if (old) DeleteObject(old);  // only once the button no longer uses it
}

LRESULT CALLBACK buttonSubclass(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR ref) {
    auto* s = reinterpret_cast<ButtonState*>(ref);
    switch (msg) {
        case kReflectBase + WM_COMMAND:
            // Only this button's own click; a WM_COMMAND that merely looks
            // like one (IDOK from the dialog manager, say) names no window,
            // and a reflection from outside comes while no input is handled.
            if (HIWORD(wp) == BN_CLICKED && reinterpret_cast<HWND>(lp) == hwnd && s->inOwnProc > 0)
                fireEvent(s->windowId, s->controlId, event::kClick, {});
            return 0;
        case WM_GETDLGCODE: {
            // Never the default button: no DLGC_DEFPUSHBUTTON, so a dialog
            // manager gives Enter to nobody here.
            LRESULT code = callButton(hwnd, msg, wp, lp, s);
            return (code & ~LRESULT(DLGC_DEFPUSHBUTTON)) | DLGC_UNDEFPUSHBUTTON;
        }
        case BM_SETSTYLE:
            // Keep it an ordinary push button whatever asks to make it the
            // default one.
            if ((wp & BS_TYPEMASK) == BS_DEFPUSHBUTTON) wp = (wp & ~WPARAM(BS_TYPEMASK)) | BS_PUSHBUTTON;
            break;
        case WM_NCDESTROY: {
            syslib::removeWindowSubclass(hwnd, buttonSubclass, kSubclassId);
            LRESULT r = syslib::defSubclassProc(hwnd, msg, wp, lp);
            if (s->inOwnProc > 0)
                s->destroyed = true;
            else
                freeState(s);
            return r;
        }
        default:
            if (foreignPointerMessage(msg)) return 0;
            break;
    }
    return callButton(hwnd, msg, wp, lp, s);
}

HWND createButton(const ControlContext& ctx) {
    const ControlDef& def = *ctx.def;
    DWORD style = WS_CHILD | WS_CLIPSIBLINGS | BS_PUSHBUTTON | BS_MULTILINE | alignmentStyle(def);
    if (def.tabStop) style |= WS_TABSTOP;
    // The styled button of the common controls: a window of class BUTTON
    // is theirs once they are loaded.
    syslib::initCommonControls(ICC_STANDARD_CLASSES);
    HWND h = CreateWindowExW(0, L"BUTTON", wide(readControlProperty(def, bp::kCaption).text).c_str(), style,
                             def.rect.left, def.rect.top, def.rect.width, def.rect.height, ctx.parent,
                             reinterpret_cast<HMENU>(UINT_PTR(def.id & 0xFFFF)), ctx.instance, nullptr);
    if (!h) return nullptr;
    auto* s = new ButtonState{ctx.windowId, def.id, ctx.defaultFont, nullptr};
    if (!syslib::setWindowSubclass(h, buttonSubclass, kSubclassId, reinterpret_cast<DWORD_PTR>(s))) {
        delete s;
        DestroyWindow(h);
        return nullptr;
    }
    applyFont(h, *s, def, false);
    return h;
}

void applyButtonProperty(HWND hwnd, const ControlDef& def, std::uint16_t number) {
    DWORD_PTR ref = 0;
    if (!syslib::getWindowSubclass(hwnd, buttonSubclass, kSubclassId, &ref)) return;
    auto* s = reinterpret_cast<ButtonState*>(ref);
    switch (number) {
        case bp::kCaption:
            SetWindowTextW(hwnd, wide(readControlProperty(def, bp::kCaption).text).c_str());
            break;
        case bp::kHAlign:
        case bp::kVAlign: {
            constexpr DWORD kAlignBits = BS_LEFT | BS_RIGHT | BS_CENTER | BS_TOP | BS_BOTTOM | BS_VCENTER;
            const DWORD style = DWORD(GetWindowLongPtrW(hwnd, GWL_STYLE));
            SetWindowLongPtrW(hwnd, GWL_STYLE, LONG_PTR((style & ~kAlignBits) | alignmentStyle(def)));
            InvalidateRect(hwnd, nullptr, TRUE);
            break;
        }
        case bp::kFont: applyFont(hwnd, *s, def, true); break;
        default: break;
    }
}

}  // namespace

const ControlKindOps kButtonOps = {createButton, applyButtonProperty};

}  // namespace xy::win32
