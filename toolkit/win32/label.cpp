// The label control kind (标签): a window class of our own that draws its
// stored settings itself: background fill, optional border, and the caption
// on one line (or word-wrapped), aligned and clipped to the label. The
// caption is drawn without prefix processing, so "&" shows as itself.
//
// Text effects (9), background pictures (18, 19) and gradient backgrounds
// (20..23) are stored but not drawn: the label shows plain text over a plain
// fill for them.

#include <windows.h>

#include <algorithm>

#include "toolkit/model/property_rules.h"
#include "toolkit/win32/control.h"
#include "toolkit/win32/text.h"

namespace xy::win32 {
namespace {

// The toolkit's feedback message: another program asks the label for its
// feedback event with two integers; the handler's result is the answer.
constexpr UINT kFeedbackMessage = 0x8075;  // 32885

constexpr wchar_t kClassName[] = L"XyLabel";

namespace lp = prop::label;

struct LabelState {
    Id windowId = 0;
    Id controlId = 0;
    HFONT defaultFont = nullptr;  // not ours
    HFONT ownFont = nullptr;      // created from the font setting; ours
    HFONT setFont = nullptr;      // given by WM_SETFONT; not ours
    Color textColor = 0;
    Color backColor = kSystemDefaultColor;
    std::int32_t border = 0;
    std::int32_t gradientBorderWidth = 8;
    Color gradientBorder[3] = {};
    std::int32_t hAlign = 0;
    std::int32_t vAlign = 1;
    bool wordWrap = false;

    HFONT font() const { return setFont ? setFont : (ownFont ? ownFont : defaultFont); }
};

LabelState* stateOf(HWND hwnd) { return reinterpret_cast<LabelState*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA)); }

HFONT createFont(const FontDef& f) {
    LOGFONTW lf{};
    lf.lfHeight = -f.height;  // character height
    lf.lfWeight = f.weight;
    lf.lfItalic = f.italic;
    lf.lfUnderline = f.underline;
    lf.lfStrikeOut = f.strikeOut;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfQuality = DEFAULT_QUALITY;
    const std::wstring face = wide(f.face);
    lstrcpynW(lf.lfFaceName, face.c_str(), LF_FACESIZE);
    return CreateFontIndirectW(&lf);
}

void replaceOwnFont(LabelState& s, const ControlDef& def) {
    if (s.ownFont) DeleteObject(s.ownFont);
    s.ownFont = nullptr;
    if (auto f = fontFromValue(readControlProperty(def, lp::kFont))) s.ownFont = createFont(*f);
}

void takeSettings(LabelState& s, const ControlDef& def) {
    s.textColor = Color(intProperty(def, lp::kTextColor, 0));
    s.backColor = Color(intProperty(def, lp::kBackColor, std::int32_t(kSystemDefaultColor)));
    s.border = intProperty(def, lp::kBorder, 0);
    s.gradientBorderWidth = intProperty(def, lp::kGradientBorderWidth, 8);
    s.gradientBorder[0] = Color(intProperty(def, lp::kGradientBorderColor1));
    s.gradientBorder[1] = Color(intProperty(def, lp::kGradientBorderColor2));
    s.gradientBorder[2] = Color(intProperty(def, lp::kGradientBorderColor3));
    s.hAlign = intProperty(def, lp::kHAlign, 0);
    s.vAlign = intProperty(def, lp::kVAlign, 1);
    s.wordWrap = intProperty(def, lp::kWordWrap, 0) != 0;
}

COLORREF mix(COLORREF a, COLORREF b, int num, int den) {
    auto ch = [&](int ca, int cb) { return BYTE(ca + (cb - ca) * num / den); };
    return RGB(ch(GetRValue(a), GetRValue(b)), ch(GetGValue(a), GetGValue(b)), ch(GetBValue(a), GetBValue(b)));
}

// Border 6: rings from the outside in, shading from the first colour over
// the second to the third.
void drawGradientBorder(HDC dc, RECT& rc, const LabelState& s) {
    const int w = std::clamp<int>(s.gradientBorderWidth, 0,
                                  std::min<int>(rc.right - rc.left, rc.bottom - rc.top) / 2);
    const COLORREF c1 = gdiColor(s.gradientBorder[0]), c2 = gdiColor(s.gradientBorder[1]),
                   c3 = gdiColor(s.gradientBorder[2]);
    for (int i = 0; i < w; ++i) {
        COLORREF c;
        if (w == 1)
            c = c2;
        else if (2 * i <= w - 1)
            c = mix(c1, c2, 2 * i, w - 1);
        else
            c = mix(c2, c3, 2 * i - (w - 1), w - 1);
        HBRUSH b = CreateSolidBrush(c);
        FrameRect(dc, &rc, b);
        DeleteObject(b);
        InflateRect(&rc, -1, -1);
    }
}

// Draws the border of number `border` and shrinks rc to the area inside.
void drawBorder(HDC dc, RECT& rc, const LabelState& s) {
    switch (s.border) {
        case 1: DrawEdge(dc, &rc, EDGE_SUNKEN, BF_RECT | BF_ADJUST); break;
        case 2: DrawEdge(dc, &rc, EDGE_RAISED, BF_RECT | BF_ADJUST); break;
        case 3: DrawEdge(dc, &rc, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST); break;
        case 4:
            DrawEdge(dc, &rc, EDGE_RAISED, BF_RECT | BF_ADJUST);
            DrawEdge(dc, &rc, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
            break;
        case 5:
            FrameRect(dc, &rc, GetSysColorBrush(COLOR_WINDOWFRAME));
            InflateRect(&rc, -1, -1);
            break;
        case 6: drawGradientBorder(dc, rc, s); break;
        default: break;  // 0: none
    }
}

void paint(HWND hwnd, HDC dc, const LabelState& s) {
    RECT rc;
    GetClientRect(hwnd, &rc);
    if (s.backColor == kSystemDefaultColor) {
        FillRect(dc, &rc, GetSysColorBrush(COLOR_BTNFACE));
    } else {
        HBRUSH b = CreateSolidBrush(gdiColor(s.backColor));
        FillRect(dc, &rc, b);
        DeleteObject(b);
    }
    drawBorder(dc, rc, s);

    const int len = GetWindowTextLengthW(hwnd);
    if (len <= 0 || rc.right <= rc.left || rc.bottom <= rc.top) return;
    std::wstring text(std::size_t(len) + 1, L'\0');
    text.resize(std::size_t(GetWindowTextW(hwnd, text.data(), len + 1)));

    const int saved = SaveDC(dc);
    IntersectClipRect(dc, rc.left, rc.top, rc.right, rc.bottom);
    SelectObject(dc, s.font());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, IsWindowEnabled(hwnd) ? gdiColor(s.textColor) : GetSysColor(COLOR_GRAYTEXT));

    UINT flags = DT_NOPREFIX;
    flags |= s.hAlign == 1 ? DT_CENTER : (s.hAlign == 2 ? DT_RIGHT : DT_LEFT);
    if (!s.wordWrap) {
        flags |= DT_SINGLELINE | (s.vAlign == 1 ? DT_VCENTER : (s.vAlign == 2 ? DT_BOTTOM : DT_TOP));
        DrawTextW(dc, text.c_str(), int(text.size()), &rc, flags);
    } else {
        // DrawText aligns vertically only on one line: measure and place.
        flags |= DT_WORDBREAK;
        RECT measured = rc;
        DrawTextW(dc, text.c_str(), int(text.size()), &measured, flags | DT_CALCRECT);
        const int h = measured.bottom - measured.top;
        const int room = rc.bottom - rc.top;
        if (h < room) {
            if (s.vAlign == 1) rc.top += (room - h) / 2;
            else if (s.vAlign == 2) rc.top = rc.bottom - h;
        }
        DrawTextW(dc, text.c_str(), int(text.size()), &rc, flags);
    }
    RestoreDC(dc, saved);
}

LRESULT CALLBACK labelProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    LabelState* s = stateOf(hwnd);
    switch (msg) {
        case WM_NCCREATE: {
            // The state lives from here to WM_NCDESTROY.
            const auto* ctx = static_cast<const ControlContext*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
            s = new LabelState;
            s->windowId = ctx->windowId;
            s->controlId = ctx->def->id;
            s->defaultFont = ctx->defaultFont;
            takeSettings(*s, *ctx->def);
            replaceOwnFont(*s, *ctx->def);
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(s));
            break;
        }
        case WM_NCDESTROY:
            if (s) {
                SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
                if (s->ownFont) DeleteObject(s->ownFont);
                delete s;
            }
            break;
        case WM_ERASEBKGND: return 1;  // WM_PAINT fills everything
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd, &ps);
            if (s) paint(hwnd, dc, *s);
            EndPaint(hwnd, &ps);
            return 0;
        }
        case WM_PRINTCLIENT:
            if (s) paint(hwnd, reinterpret_cast<HDC>(wp), *s);
            return 0;
        case WM_SETFONT:
            if (s) {
                s->setFont = reinterpret_cast<HFONT>(wp);
                if (LOWORD(lp)) InvalidateRect(hwnd, nullptr, TRUE);
            }
            return 0;
        case WM_GETFONT: return s ? reinterpret_cast<LRESULT>(s->font()) : 0;
        case WM_ENABLE: InvalidateRect(hwnd, nullptr, TRUE); return 0;
        case WM_GETDLGCODE: return DLGC_STATIC;
        case kFeedbackMessage:
            if (s) {
                const HandlerResult r = fireEvent(s->windowId, s->controlId, event::kFeedback,
                                                  EventArgs{std::int32_t(wp), std::int32_t(lp)});
                return r.has ? LRESULT(r.value) : 0;
            }
            return 0;
        default: break;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

bool registerClass(HINSTANCE instance) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    if (GetClassInfoExW(instance, kClassName, &wc)) return true;
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = labelProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kClassName;
    return RegisterClassExW(&wc) != 0;
}

HWND createLabel(const ControlContext& ctx) {
    const ControlDef& def = *ctx.def;
    if (!registerClass(ctx.instance)) return nullptr;
    const Value caption = readControlProperty(def, lp::kCaption);
    return CreateWindowExW(0, kClassName, wide(caption.text).c_str(), WS_CHILD | WS_CLIPSIBLINGS, def.rect.left,
                           def.rect.top, def.rect.width, def.rect.height, ctx.parent,
                           reinterpret_cast<HMENU>(UINT_PTR(def.id & 0xFFFF)), ctx.instance,
                           const_cast<ControlContext*>(&ctx));
}

void applyLabelProperty(HWND hwnd, const ControlDef& def, std::uint16_t number) {
    LabelState* s = stateOf(hwnd);
    if (!s) return;
    if (number == lp::kCaption) {
        // Stored, window text set, marked for repainting: painted when the
        // event loop next paints, not now.
        SetWindowTextW(hwnd, wide(readControlProperty(def, lp::kCaption).text).c_str());
    } else if (number == lp::kFont) {
        replaceOwnFont(*s, def);
        s->setFont = nullptr;
    } else {
        takeSettings(*s, def);
    }
    InvalidateRect(hwnd, nullptr, TRUE);
}

}  // namespace

const ControlKindOps kLabelOps = {createLabel, applyLabelProperty};

}  // namespace xy::win32
