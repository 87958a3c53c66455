// The Win32 side of the accordion menu: a custom-drawn, double-buffered
// child window. Everything the control decides comes from xy::Accordion;
// this file draws its layout and turns window messages into its input calls.
#include <windows.h>
#include <windowsx.h>
#include <commctrl.h>
#include <oleacc.h>

#include <cstdint>
#include <string>
#include <vector>

#include "toolkit/model/accordion.h"
#include "toolkit/win32/accordion_accessible.h"
#include "toolkit/win32/control.h"
#include "toolkit/win32/frame_win32.h"
#include "toolkit/win32/system_libraries.h"

namespace xy::win32 {
namespace {

constexpr wchar_t kClassName[] = L"XyAccordionMenu";
// Events queued to the window itself: kEventMessage + event number, with the
// event's two arguments in wParam and lParam.
constexpr UINT kEventMessage = WM_APP + 0x40;
constexpr UINT kEventMessageEnd = kEventMessage + 16;
constexpr UINT_PTR kRepeatTimer = 1;
constexpr UINT_PTR kTipToolId = 1;

// Header style 1: a light vertical gradient in a dark outline.
constexpr COLORREF kHeaderOutline = RGB(72, 92, 122);
constexpr COLORREF kHeaderTop = RGB(255, 255, 255);
constexpr COLORREF kHeaderBottom = RGB(204, 216, 232);
constexpr COLORREF kHeaderPressedTop = RGB(188, 203, 224);
constexpr COLORREF kHeaderPressedBottom = RGB(236, 241, 248);
// The flat scroll arrows.
constexpr COLORREF kArrowHotFace = RGB(222, 226, 232);
constexpr COLORREF kArrowPressedFace = RGB(168, 176, 188);
constexpr int kLabelInset = 4;  // left and right of a label inside its row

std::wstring widen(const std::string& s) {
    if (s.empty()) return {};
    int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), int(s.size()), nullptr, 0);
    std::wstring w(std::size_t(n > 0 ? n : 0), L'\0');
    if (n > 0) MultiByteToWideChar(CP_UTF8, 0, s.data(), int(s.size()), w.data(), n);
    return w;
}

COLORREF resolve(Color c) { return c == kSystemDefaultColor ? GetSysColor(COLOR_BTNFACE) : COLORREF(c); }

RECT toRect(const Rect& r) { return RECT{r.left, r.top, r.left + r.width, r.top + r.height}; }

COLORREF mix(COLORREF a, COLORREF b, int num, int den) {
    if (den <= 0) return a;
    auto ch = [&](int x, int y) { return x + (y - x) * num / den; };
    return RGB(ch(GetRValue(a), GetRValue(b)), ch(GetGValue(a), GetGValue(b)), ch(GetBValue(a), GetBValue(b)));
}

void fill(HDC dc, int l, int t, int r, int b, COLORREF c) {
    if (r <= l || b <= t) return;
    RECT rc{l, t, r, b};
    SetDCBrushColor(dc, c);
    FillRect(dc, &rc, HBRUSH(GetStockObject(DC_BRUSH)));
}

HFONT makeFont(const FontDef& f) {
    std::wstring face = widen(f.face);
    if (face.size() >= LF_FACESIZE) face.resize(LF_FACESIZE - 1);
    return CreateFontW(-f.height, 0, 0, 0, f.weight, f.italic, f.underline, f.strikeOut, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                       face.empty() ? nullptr : face.c_str());
}

struct View final : AccordionHost {
    View(const ControlContext& ctx) : model(ctx.def->menu, ctx.def->rect.width, ctx.def->rect.height) {
        windowId = ctx.windowId;
        controlId = ctx.def->id;
        ownCursor = ctx.def->cursor;
        for (const auto& g : ctx.def->menu.groups) {
            headers.push_back(widen(g.header));
            labels.emplace_back();
            for (const auto& it : g.items) labels.back().push_back(widen(it.text));
        }
    }

    HWND hwnd = nullptr;
    Accordion model;
    Id windowId = 0, controlId = 0;
    Cursor ownCursor = Cursor::None;
    std::vector<std::wstring> headers;
    std::vector<std::vector<std::wstring>> labels;

    HFONT headerFont = nullptr, itemFont = nullptr;
    bool ownHeaderFont = false, ownItemFont = false;

    HDC backDC = nullptr;
    HBITMAP backBitmap = nullptr, backOld = nullptr;
    int backW = 0, backH = 0;

    // Made when the pointer first rests on an element with a tip text: a
    // menu that never shows a tip never loads the common controls.
    HWND tip = nullptr;
    HWND tipOwner = nullptr;
    HINSTANCE instance = nullptr;
    HFONT tipFont = nullptr;
    bool tipBarred = false;  // no (further) try: one failed, or the window is going
    bool toolAdded = false;
    AccElement toolElement;
    Rect toolRect;
    std::wstring toolText;

    bool repeatFast = false;
    bool inSlide = false;

    // Events posted to the window and not yet fired, oldest first. Only a
    // message that matches the oldest one fires: another program posting
    // the same message number cannot make the menu choose anything.
    std::vector<AccEvent> queued;  // a handful at most: one click queues one or two

    // Handed out for WM_GETOBJECT from the first request until WM_DESTROY.
    IAccessible* accessible = nullptr;
    bool accessibleClosed = false;
    HWND accessibleWindow() const override { return hwnd; }
    Accordion& accessibleModel() override { return model; }
    void applyAccessibleOutcome(const AccOutcome& o) override;

    // Calls of the window procedure on the stack. The window may be
    // destroyed from a nested message loop (a slide's pump, a handler's
    // message box); the data is freed only once the outermost call is done.
    int busy = 0;
    bool dead = false;
};

struct Busy {
    View* v;
    explicit Busy(View* view) : v(view) { ++v->busy; }
    ~Busy() {
        if (--v->busy == 0 && v->dead) delete v;
    }
    Busy(const Busy&) = delete;
    Busy& operator=(const Busy&) = delete;
};

View* viewOf(HWND hwnd) { return reinterpret_cast<View*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA)); }

// ---- drawing ---------------------------------------------------------------------

void drawHeader(View& v, HDC dc, const Rect& r, int group) {
    const Accordion& m = v.model;
    const bool pressed = m.pressedLook(AccElement::header(group));
    const int l = r.left, t = r.top, w = r.width, h = r.height;
    if (w < 4 || h < 4) return;
    const COLORREF top = pressed ? kHeaderPressedTop : kHeaderTop;
    const COLORREF bottom = pressed ? kHeaderPressedBottom : kHeaderBottom;
    for (int y = 1; y < h - 1; ++y) fill(dc, l + 1, t + y, l + w - 1, t + y + 1, mix(top, bottom, y - 1, h - 3));
    // Outline with its corner pixels cut off.
    fill(dc, l + 2, t, l + w - 2, t + 1, kHeaderOutline);
    fill(dc, l + 2, t + h - 1, l + w - 2, t + h, kHeaderOutline);
    fill(dc, l, t + 2, l + 1, t + h - 2, kHeaderOutline);
    fill(dc, l + w - 1, t + 2, l + w, t + h - 2, kHeaderOutline);
    for (POINT p : {POINT{l + 1, t + 1}, POINT{l + w - 2, t + 1}, POINT{l + 1, t + h - 2}, POINT{l + w - 2, t + h - 2}})
        fill(dc, p.x, p.y, p.x + 1, p.y + 1, kHeaderOutline);

    if (std::size_t(group) >= v.headers.size()) return;
    RECT tr{l + 2, t + 1, l + w - 2, t + h - 1};
    if (pressed) OffsetRect(&tr, 1, 1);
    SelectObject(dc, v.headerFont);
    SetTextColor(dc, resolve(m.headerCaptionColor(group)));
    const std::wstring& text = v.headers[std::size_t(group)];
    DrawTextW(dc, text.c_str(), int(text.size()), &tr, DT_SINGLELINE | DT_CENTER | DT_VCENTER | DT_NOPREFIX);
}

void drawPane(View& v, HDC dc, const AccPane& pane) {
    const Accordion& m = v.model;
    const Rect& a = pane.area;
    if (a.height <= 0 || std::size_t(pane.group) >= v.labels.size()) return;
    const auto& labels = v.labels[std::size_t(pane.group)];

    SaveDC(dc);
    IntersectClipRect(dc, a.left, a.top, a.left + a.width, a.top + a.height);
    SelectObject(dc, v.itemFont);
    for (int i = pane.firstShown; i < int(labels.size()); ++i) {
        Rect row = m.rowRect(pane, i);
        if (row.top >= a.top + a.height) break;
        const std::wstring& text = labels[std::size_t(i)];
        RECT calc{row.left + kLabelInset, 0, row.left + row.width - kLabelInset, 0};
        DrawTextW(dc, text.c_str(), int(text.size()), &calc, DT_CALCRECT | DT_CENTER | DT_WORDBREAK | DT_NOPREFIX);
        const int textH = calc.bottom - calc.top;
        RECT tr{row.left + kLabelInset, row.top + (row.height - textH) / 2, row.left + row.width - kLabelInset, 0};
        tr.bottom = tr.top + textH;
        SetTextColor(dc, resolve(m.itemLabelColor(pane.group, i)));
        DrawTextW(dc, text.c_str(), int(text.size()), &tr, DT_CENTER | DT_WORDBREAK | DT_NOPREFIX);
    }
    RestoreDC(dc, -1);

    if (m.def().flat) {
        const COLORREF line = resolve(m.def().dkShadowBorder);
        fill(dc, a.left, a.top, a.left + 1, a.top + a.height, line);
        fill(dc, a.left + a.width - 1, a.top, a.left + a.width, a.top + a.height, line);
    }
}

void drawArrow(View& v, HDC dc, const Rect& r, AccElement which) {
    const Accordion& m = v.model;
    const bool pressed = m.pressedLook(which);
    const bool hot = m.hot() == which;
    const COLORREF ink = resolve(m.def().dkShadowBorder);
    if (pressed || hot) {
        fill(dc, r.left, r.top, r.left + r.width, r.top + r.height, ink);
        fill(dc, r.left + 1, r.top + 1, r.left + r.width - 1, r.top + r.height - 1,
             pressed ? kArrowPressedFace : kArrowHotFace);
    }
    // A solid triangle, 9 px wide and 5 px high, centred (pressed: 1 px lower right).
    const int cx = r.left + r.width / 2 + (pressed ? 1 : 0) - (r.width % 2 == 0 ? 1 : 0);
    const int cy = r.top + (r.height - 5) / 2 + (pressed ? 1 : 0);
    for (int row = 0; row < 5; ++row) {
        const int half = which.part == AccPart::UpArrow ? row : 4 - row;
        fill(dc, cx - half, cy + row, cx + half + 1, cy + row + 1, ink);
    }
}

bool ensureBackBuffer(View& v, HDC target, int w, int h) {
    if (v.backDC && v.backW == w && v.backH == h) return true;
    if (v.backDC) {
        SelectObject(v.backDC, v.backOld);
        DeleteObject(v.backBitmap);
        DeleteDC(v.backDC);
        v.backDC = nullptr;
        v.backBitmap = nullptr;
    }
    v.backDC = CreateCompatibleDC(target);
    v.backBitmap = v.backDC ? CreateCompatibleBitmap(target, w, h) : nullptr;
    if (!v.backBitmap) {
        if (v.backDC) DeleteDC(v.backDC);
        v.backDC = nullptr;
        return false;
    }
    v.backOld = HBITMAP(SelectObject(v.backDC, v.backBitmap));
    v.backW = w;
    v.backH = h;
    return true;
}

void paint(View& v, HDC target) {
    RECT client;
    GetClientRect(v.hwnd, &client);
    const int w = client.right, h = client.bottom;
    if (w <= 0 || h <= 0 || !ensureBackBuffer(v, target, w, h)) return;
    HDC dc = v.backDC;
    HGDIOBJ oldFont = SelectObject(dc, v.headerFont);
    SetBkMode(dc, TRANSPARENT);

    fill(dc, 0, 0, w, h, resolve(v.model.def().background));
    AccLayout l = v.model.layout();
    for (const AccPane& p : l.panes) drawPane(v, dc, p);
    if (l.upArrow) drawArrow(v, dc, l.upArrowRect, AccElement::upArrow());
    if (l.downArrow) drawArrow(v, dc, l.downArrowRect, AccElement::downArrow());
    for (std::size_t g = 0; g < l.headers.size(); ++g) drawHeader(v, dc, l.headers[g], int(g));

    SelectObject(dc, oldFont);
    BitBlt(target, 0, 0, w, h, dc, 0, 0, SRCCOPY);
}

// ---- tooltip ---------------------------------------------------------------------

void removeTool(View& v) {
    if (!v.tip || !v.toolAdded) return;
    TTTOOLINFOW ti{};
    ti.cbSize = sizeof(ti);
    ti.hwnd = v.hwnd;
    ti.uId = kTipToolId;
    SendMessageW(v.tip, TTM_DELTOOLW, 0, LPARAM(&ti));
    v.toolAdded = false;
    v.toolElement = AccElement::none();
}

void popTip(View& v) {
    if (v.tip) SendMessageW(v.tip, TTM_POP, 0, 0);
}

LRESULT CALLBACK tipSubclass(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR);
constexpr UINT_PTR kTipSubclassId = 1;

// The tooltip window, made on first need. One attempt only: a system
// without the common controls shows no tips, and the menu works on.
bool ensureTip(View& v) {
    if (v.tip) return true;
    if (v.tipBarred) return false;
    v.tipBarred = true;
    if (!syslib::initCommonControls(ICC_BAR_CLASSES)) return false;
    v.tip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                            CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, v.tipOwner, nullptr,
                            v.instance, nullptr);
    if (!v.tip) return false;
    if (!syslib::setWindowSubclass(v.tip, tipSubclass, kTipSubclassId, 0)) {
        DestroyWindow(v.tip);
        v.tip = nullptr;
        return false;
    }
    v.tipBarred = false;
    SetWindowPos(v.tip, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SendMessageW(v.tip, TTM_SETDELAYTIME, TTDT_INITIAL, MAKELPARAM(500, 0));
    SendMessageW(v.tip, TTM_SETDELAYTIME, TTDT_AUTOPOP, MAKELPARAM(5000, 0));
    SendMessageW(v.tip, TTM_SETDELAYTIME, TTDT_RESHOW, MAKELPARAM(100, 0));
    if (v.tipFont) SendMessageW(v.tip, WM_SETFONT, WPARAM(v.tipFont), FALSE);
    return true;
}

// For a window on its way out: no new tooltip after this.
void destroyTip(View& v) {
    v.tipBarred = true;
    if (v.tip) {
        DestroyWindow(v.tip);
        v.tip = nullptr;
        v.toolAdded = false;
    }
}

// One tool at a time: the element under the pointer, if it has a tip text.
void syncTip(View& v) {
    auto t = v.model.currentTip();
    if (!t) {
        removeTool(v);
        return;
    }
    if (!ensureTip(v)) return;
    std::wstring text = widen(t->text);
    if (v.toolAdded && v.toolElement == t->element && v.toolRect == t->rect && v.toolText == text) return;
    removeTool(v);
    v.toolText = std::move(text);
    v.toolElement = t->element;
    v.toolRect = t->rect;
    TTTOOLINFOW ti{};
    ti.cbSize = sizeof(ti);
    ti.uFlags = 0;
    ti.hwnd = v.hwnd;
    ti.uId = kTipToolId;
    ti.rect = toRect(t->rect);
    ti.lpszText = v.toolText.data();
    v.toolAdded = SendMessageW(v.tip, TTM_ADDTOOLW, 0, LPARAM(&ti)) != 0;
}

void relayToTip(View& v, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (!v.tip || !v.toolAdded) return;
    MSG m{};
    m.hwnd = hwnd;
    m.message = msg;
    m.wParam = wp;
    m.lParam = lp;
    m.time = GetMessageTime();
    DWORD pos = GetMessagePos();
    m.pt = POINT{GET_X_LPARAM(pos), GET_Y_LPARAM(pos)};
    SendMessageW(v.tip, TTM_RELAYEVENT, 0, LPARAM(&m));
}

// ---- acting on the model's outcome -----------------------------------------------

void redrawNow(View& v) {
    InvalidateRect(v.hwnd, nullptr, FALSE);
    UpdateWindow(v.hwnd);
}

void queueEvents(View& v, const AccOutcome& o) {
    for (const AccEvent& e : o.events)
        if (PostMessageW(v.hwnd, kEventMessage + e.number, WPARAM(std::intptr_t(e.a)), LPARAM(e.b)))
            v.queued.push_back(e);
    announceAccordionChanges(v.hwnd, v.model, o);
}

double nowMs() {
    static LARGE_INTEGER freq = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER c;
    QueryPerformanceCounter(&c);
    return double(c.QuadPart) * 1000.0 / double(freq.QuadPart);
}

// Handles the pending messages of the thread for about `ms` milliseconds.
// False when the pump has to stop: a quit request (posted again for the
// loop that owns it) or the menu's window went away.
bool pumpFor(View& v, int ms) {
    const double end = nowMs() + ms;
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                PostQuitMessage(int(msg.wParam));
                return false;
            }
            dispatchMessage(msg);  // the window's keyboard rules first, as in the main loop
            if (v.dead) return false;
        }
        const double left = end - nowMs();
        if (left <= 0) return true;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, DWORD(left) + 1, QS_ALLINPUT);
    }
}

// Runs the frames of the model's slide; a header click during the slide
// only sets the model's pending group, which this loop then slides to.
void runSlide(View& v) {
    if (v.inSlide) return;
    v.inSlide = true;
    bool pumping = true;
    while (!v.dead && v.model.sliding()) {
        AccOutcome o = pumping ? v.model.advanceSlide() : v.model.finishSlide();
        queueEvents(v, o);
        redrawNow(v);
        if (!v.model.sliding()) break;
        pumping = pumpFor(v, accordion_metrics::kSlideFramePauseMs);
    }
    v.inSlide = false;
    if (!v.dead) syncTip(v);
}

void apply(View& v, const AccOutcome& o) {
    if (o.focus && GetFocus() != v.hwnd) SetFocus(v.hwnd);
    if (v.dead) return;
    if (o.hideTip) popTip(v);
    if (o.capture == AccCapture::Take) SetCapture(v.hwnd);
    if (o.capture == AccCapture::Release && GetCapture() == v.hwnd) ReleaseCapture();
    if (o.repeat == AccRepeat::Start) {
        v.repeatFast = false;
        SetTimer(v.hwnd, kRepeatTimer, accordion_metrics::kScrollRepeatDelayMs, nullptr);
    } else if (o.repeat == AccRepeat::Stop) {
        KillTimer(v.hwnd, kRepeatTimer);
    }
    if (o.redraw) redrawNow(v);
    queueEvents(v, o);
    syncTip(v);
    if (o.startSlide) runSlide(v);
}

// A default action of the accessible object: the same path as mouse input.
void View::applyAccessibleOutcome(const AccOutcome& o) {
    Busy busy(this);  // a slide pumps messages; the window may go meanwhile
    apply(*this, o);
}

Cursor cursorFor(View& v) {
    if (v.ownCursor != Cursor::None) return v.ownCursor;
    POINT pt;
    GetCursorPos(&pt);
    ScreenToClient(v.hwnd, &pt);
    return v.model.cursorAt(pt.x, pt.y);
}

void release(View& v) {
    disconnectAccordionAccessible(v.accessible);
    v.accessibleClosed = true;
    KillTimer(v.hwnd, kRepeatTimer);
    destroyTip(v);
    if (v.backDC) {
        SelectObject(v.backDC, v.backOld);
        DeleteObject(v.backBitmap);
        DeleteDC(v.backDC);
        v.backDC = nullptr;
        v.backBitmap = nullptr;
    }
    if (v.ownHeaderFont && v.headerFont) DeleteObject(v.headerFont);
    if (v.ownItemFont && v.itemFont) DeleteObject(v.itemFont);
    v.headerFont = v.itemFont = nullptr;
}

LRESULT CALLBACK accordionProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
        auto* v = static_cast<View*>(cs->lpCreateParams);
        v->hwnd = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, LONG_PTR(v));
    }
    View* v = viewOf(hwnd);
    if (!v) return DefWindowProcW(hwnd, msg, wp, lp);
    Busy busy(v);
    Accordion& m = v->model;
    const int x = GET_X_LPARAM(lp), y = GET_Y_LPARAM(lp);

    switch (msg) {
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd, &ps);
            if (dc) paint(*v, dc);
            EndPaint(hwnd, &ps);
            return 0;
        }
        case WM_PRINTCLIENT:
            paint(*v, HDC(wp));
            return 0;
        case WM_SIZE:
            if (LOWORD(lp) != m.width() || HIWORD(lp) != m.height()) {
                m.resize(LOWORD(lp), HIWORD(lp));
                InvalidateRect(hwnd, nullptr, FALSE);
            }
            return 0;
        case WM_SETCURSOR:
            if (HWND(wp) == hwnd && LOWORD(lp) == HTCLIENT) {
                SetCursor(LoadCursorW(nullptr, cursorFor(*v) == Cursor::Hand ? IDC_HAND : IDC_ARROW));
                return TRUE;
            }
            break;
        case WM_MOUSEMOVE: {
            // Armed again on every move inside: a capture taken and released
            // meanwhile may have cancelled the request without a WM_MOUSELEAVE.
            if (x >= 0 && y >= 0 && x < m.width() && y < m.height()) {
                TRACKMOUSEEVENT tme{sizeof(tme), TME_LEAVE, hwnd, 0};
                TrackMouseEvent(&tme);
            }
            apply(*v, m.pointerMove(x, y));
            if (!v->dead) relayToTip(*v, hwnd, msg, wp, lp);
            return 0;
        }
        case WM_MOUSELEAVE:
            popTip(*v);
            apply(*v, m.pointerLeave());
            return 0;
        case WM_LBUTTONDOWN:
            relayToTip(*v, hwnd, msg, wp, lp);
            apply(*v, m.leftDown(x, y));
            return 0;
        case WM_LBUTTONDBLCLK:
            relayToTip(*v, hwnd, msg, wp, lp);
            apply(*v, m.leftDoubleClick(x, y));
            return 0;
        case WM_LBUTTONUP:
            relayToTip(*v, hwnd, msg, wp, lp);
            apply(*v, m.leftUp(x, y));
            return 0;
        case WM_RBUTTONDOWN:
        case WM_RBUTTONDBLCLK:
            relayToTip(*v, hwnd, msg, wp, lp);
            apply(*v, m.rightDown(x, y));
            return 0;
        case WM_RBUTTONUP:
            relayToTip(*v, hwnd, msg, wp, lp);
            apply(*v, m.rightUp(x, y));
            return 0;  // no context menu
        case WM_MBUTTONDOWN:
        case WM_MBUTTONDBLCLK:
        case WM_XBUTTONDOWN:
        case WM_XBUTTONDBLCLK:
            popTip(*v);
            break;
        case WM_CONTEXTMENU:
            return 0;
        case WM_CAPTURECHANGED:
            if (HWND(lp) != hwnd) apply(*v, m.captureLost());
            return 0;
        case WM_TIMER:
            if (wp == kRepeatTimer) {
                if (!v->repeatFast) {
                    v->repeatFast = true;
                    SetTimer(hwnd, kRepeatTimer, accordion_metrics::kScrollRepeatIntervalMs, nullptr);
                }
                apply(*v, m.scrollRepeat());
                return 0;
            }
            break;
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            // Keys change nothing here; the window's own keyboard rules ran
            // before the key got here.
            apply(*v, m.keyPress());
            break;
        case WM_GETDLGCODE:
            return 0;
        case WM_ENABLE:
            if (!wp) apply(*v, m.captureLost());
            InvalidateRect(hwnd, nullptr, FALSE);
            return 0;
        case WM_GETOBJECT:
            // Only the client area's object is ours; any other id, garbage
            // included, goes to the system. And only for a request sent from
            // another thread, as accessibility clients send it: the answer to
            // a posted one is lost, and an unclaimed answer is never freed
            // under Wine (each keeps a global atom until the session ends).
            if (DWORD(lp) == DWORD(OBJID_CLIENT) && InSendMessage() && !v->accessibleClosed) {
                if (!v->accessible) v->accessible = createAccordionAccessible(*v);
                if (v->accessible) return syslib::lresultFromObject(IID_IAccessible, wp, v->accessible);
            }
            break;
        case WM_DESTROY:
            // Outstanding references fail from here on instead of reaching freed data.
            disconnectAccordionAccessible(v->accessible);
            v->accessibleClosed = true;
            KillTimer(hwnd, kRepeatTimer);
            destroyTip(*v);
            return 0;
        case WM_NCDESTROY:
            release(*v);
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
            v->dead = true;  // freed by the outermost call (Busy)
            return DefWindowProcW(hwnd, msg, wp, lp);
        default:
            if (msg >= kEventMessage && msg < kEventMessageEnd) {
                const auto number = std::uint16_t(msg - kEventMessage);
                const EventArgs args{std::int32_t(std::intptr_t(wp)), std::int32_t(lp)};
                if (v->queued.empty()) return 0;
                const AccEvent& next = v->queued.front();
                if (next.number != number || next.a != args.a || next.b != args.b) return 0;
                v->queued.erase(v->queued.begin());
                fireEvent(v->windowId, v->controlId, number, args);
                return 0;
            }
            break;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

// The tooltip takes most of its messages (TTM_ADDTOOL, TTM_GETTEXT, ...) as
// pointers. The menu sends them from its own thread; the same numbers sent
// from another thread point anywhere in this process and are refused.

LRESULT CALLBACK tipSubclass(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR) {
    if (msg == WM_NCDESTROY) syslib::removeWindowSubclass(hwnd, tipSubclass, id);
    if (msg >= WM_USER && msg <= 0x7FFF && (InSendMessageEx(nullptr) & (ISMEX_SEND | ISMEX_NOTIFY | ISMEX_CALLBACK)))
        return 0;
    return syslib::defSubclassProc(hwnd, msg, wp, lp);
}

bool registerClass(HINSTANCE instance) {
    static bool registered = false;
    if (registered) return true;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = accordionProc;
    wc.hInstance = instance;
    wc.hCursor = nullptr;  // WM_SETCURSOR decides
    wc.hbrBackground = nullptr;
    wc.lpszClassName = kClassName;
    registered = RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    return registered;
}

HWND createAccordion(const ControlContext& ctx) {
    if (!ctx.def || !ctx.parent || !registerClass(ctx.instance)) return nullptr;
    const ControlDef& def = *ctx.def;
    auto* v = new View(ctx);

    v->headerFont = makeFont(def.menu.headerFont);
    v->ownHeaderFont = v->headerFont != nullptr;
    if (!v->headerFont) v->headerFont = ctx.defaultFont ? ctx.defaultFont : HFONT(GetStockObject(DEFAULT_GUI_FONT));
    v->itemFont = makeFont(def.menu.itemFont);
    v->ownItemFont = v->itemFont != nullptr;
    if (!v->itemFont) v->itemFont = ctx.defaultFont ? ctx.defaultFont : HFONT(GetStockObject(DEFAULT_GUI_FONT));

    DWORD style = WS_CHILD | WS_CLIPSIBLINGS;
    if (def.tabStop) style |= WS_TABSTOP;
    if (def.disabled) style |= WS_DISABLED;
    // Held during creation so that a window destroyed before CreateWindowExW
    // returns does not free the data under our feet.
    ++v->busy;
    HWND hwnd = CreateWindowExW(0, kClassName, L"", style, def.rect.left, def.rect.top, def.rect.width,
                                def.rect.height, ctx.parent, HMENU(UINT_PTR(def.id)), ctx.instance, v);
    --v->busy;
    if (!hwnd) {
        if (!v->dead) release(*v);  // WM_NCCREATE never ran
        delete v;
        return nullptr;
    }

    HWND top = GetAncestor(ctx.parent, GA_ROOT);
    v->tipOwner = top ? top : ctx.parent;
    v->instance = ctx.instance;
    v->tipFont = ctx.defaultFont;
    return hwnd;
}

}  // namespace

const ControlKindOps kAccordionOps = {createAccordion, nullptr};

}  // namespace xy::win32
