#include "toolkit/win32/accordion_accessible.h"

#include <ole2.h>

#include <cstdint>
#include <optional>
#include <string_view>

#include "toolkit/model/accordion_access.h"
#include "toolkit/win32/system_libraries.h"

namespace xy::win32 {
namespace {

namespace acc = xy::access;

// The default actions, as a screen reader reads them out.
constexpr wchar_t kChooseAction[] = L"打开";
constexpr wchar_t kExpandAction[] = L"展开";

// A new BSTR in *out; S_FALSE (and no string) for an empty text.
HRESULT putString(const wchar_t* s, int length, BSTR* out) {
    *out = nullptr;
    if (length <= 0) return S_FALSE;
    *out = syslib::sysAllocStringLen(s, UINT(length));
    return *out ? S_OK : E_OUTOFMEMORY;
}

HRESULT putString(std::wstring_view s, BSTR* out) { return putString(s.data(), int(s.size()), out); }

// The same for a UTF-8 text of the menu's definition.
HRESULT putUtf8(std::string_view s, BSTR* out) {
    *out = nullptr;
    if (s.empty()) return S_FALSE;
    const int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), int(s.size()), nullptr, 0);
    if (n <= 0) return S_FALSE;
    *out = syslib::sysAllocStringLen(nullptr, UINT(n));
    if (!*out) return E_OUTOFMEMORY;
    MultiByteToWideChar(CP_UTF8, 0, s.data(), int(s.size()), *out, n);
    return S_OK;
}

// Out-parameters: whatever the caller passed in is overwritten, not freed.
void putEmpty(VARIANT* v) {
    *v = VARIANT{};
    v->vt = VT_EMPTY;
}

void putI4(VARIANT* v, LONG value) {
    *v = VARIANT{};
    v->vt = VT_I4;
    v->lVal = value;
}

class AccordionAccessible final : public IAccessible, public IOleWindow {
public:
    explicit AccordionAccessible(AccordionHost& host) : host_(&host), thread_(GetCurrentThreadId()) {}

    // From now on every call fails; the host may be gone.
    void detach() { host_ = nullptr; }

    // ---- IUnknown --------------------------------------------------------------
    STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID_IAccessible) {
            *out = static_cast<IAccessible*>(this);
        } else if (riid == IID_IOleWindow) {
            *out = static_cast<IOleWindow*>(this);
        } else {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ULONG(InterlockedIncrement(&refs_)); }
    STDMETHODIMP_(ULONG) Release() override {
        const LONG left = InterlockedDecrement(&refs_);
        if (left == 0) delete this;
        return ULONG(left);
    }

    // ---- IDispatch: no type information; clients use the vtable ----------------
    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
        if (info) *info = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }

    // ---- IOleWindow: WindowFromAccessibleObject ----------------------------------
    STDMETHODIMP GetWindow(HWND* hwnd) override {
        if (!hwnd) return E_POINTER;
        *hwnd = nullptr;
        if (HRESULT hr = usable(); FAILED(hr)) return hr;
        *hwnd = window();
        return S_OK;
    }
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // ---- IAccessible: the tree -----------------------------------------------------
    STDMETHODIMP get_accParent(IDispatch** parent) override {
        if (!parent) return E_POINTER;
        *parent = nullptr;
        if (HRESULT hr = usable(); FAILED(hr)) return hr;
        // The window object around the client area, as for any window.
        return syslib::accessibleObjectFromWindow(window(), DWORD(OBJID_WINDOW), IID_IDispatch,
                                                  reinterpret_cast<void**>(parent));
    }
    STDMETHODIMP get_accChildCount(LONG* count) override {
        if (!count) return E_POINTER;
        *count = 0;
        if (HRESULT hr = usable(); FAILED(hr)) return hr;
        *count = acc::childCount(model());
        return S_OK;
    }
    STDMETHODIMP get_accChild(VARIANT varChild, IDispatch** child) override {
        if (!child) return E_POINTER;
        *child = nullptr;
        LONG id = 0;
        if (HRESULT hr = childId(varChild, id); FAILED(hr)) return hr;
        // Children are simple elements named by their ids, not objects.
        return id == CHILDID_SELF ? E_INVALIDARG : S_FALSE;
    }

    // ---- IAccessible: properties -----------------------------------------------------
    STDMETHODIMP get_accName(VARIANT varChild, BSTR* name) override {
        if (!name) return E_POINTER;
        *name = nullptr;
        LONG id = 0;
        if (HRESULT hr = childId(varChild, id); FAILED(hr)) return hr;
        if (id == CHILDID_SELF) {
            // The program's name, as on the title bar: what the menu is
            // to its user. The control's own name is a programmer's label.
            HWND top = GetAncestor(window(), GA_ROOT);
            wchar_t title[256] = {};
            const int n = top ? GetWindowTextW(top, title, int(std::size(title))) : 0;
            return putString(title, n, name);
        }
        return putUtf8(childOf(id).name, name);
    }
    STDMETHODIMP get_accValue(VARIANT varChild, BSTR* value) override {
        if (!value) return E_POINTER;
        *value = nullptr;
        LONG id = 0;
        if (HRESULT hr = childId(varChild, id); FAILED(hr)) return hr;
        if (id == CHILDID_SELF) return S_FALSE;
        // An outline item's value is its level, counted from 0.
        const wchar_t level = wchar_t(L'0' + childOf(id).level);  // 0 or 1
        return putString(&level, 1, value);
    }
    STDMETHODIMP get_accDescription(VARIANT varChild, BSTR* description) override {
        if (!description) return E_POINTER;
        *description = nullptr;
        LONG id = 0;
        if (HRESULT hr = childId(varChild, id); FAILED(hr)) return hr;
        if (id == CHILDID_SELF) return S_FALSE;
        return putUtf8(childOf(id).description, description);
    }
    STDMETHODIMP get_accRole(VARIANT varChild, VARIANT* role) override {
        if (!role) return E_POINTER;
        putEmpty(role);
        LONG id = 0;
        if (HRESULT hr = childId(varChild, id); FAILED(hr)) return hr;
        putI4(role, id == CHILDID_SELF ? ROLE_SYSTEM_OUTLINE : ROLE_SYSTEM_OUTLINEITEM);
        return S_OK;
    }
    STDMETHODIMP get_accState(VARIANT varChild, VARIANT* state) override {
        if (!state) return E_POINTER;
        putEmpty(state);
        LONG id = 0;
        if (HRESULT hr = childId(varChild, id); FAILED(hr)) return hr;
        HWND hwnd = window();
        LONG s = 0;
        if (!IsWindowVisible(hwnd)) s |= STATE_SYSTEM_INVISIBLE;
        if (!takesInput()) s |= STATE_SYSTEM_UNAVAILABLE;
        if (id == CHILDID_SELF) {
            s |= STATE_SYSTEM_FOCUSABLE;
            if (GetFocus() == hwnd) s |= STATE_SYSTEM_FOCUSED;
        } else {
            const acc::Child c = childOf(id);
            if (c.hot) s |= STATE_SYSTEM_HOTTRACKED;
            if (c.pressed) s |= STATE_SYSTEM_PRESSED;
            if (c.kind == acc::Kind::Header) {
                s |= c.expanded ? STATE_SYSTEM_EXPANDED : STATE_SYSTEM_COLLAPSED;
            } else {
                s |= STATE_SYSTEM_SELECTABLE;
                if (c.selected) s |= STATE_SYSTEM_SELECTED;
                if (c.offscreen) s |= STATE_SYSTEM_INVISIBLE | STATE_SYSTEM_OFFSCREEN;
            }
        }
        putI4(state, s);
        return S_OK;
    }
    STDMETHODIMP get_accHelp(VARIANT varChild, BSTR* help) override {
        if (!help) return E_POINTER;
        *help = nullptr;
        LONG id = 0;
        if (HRESULT hr = childId(varChild, id); FAILED(hr)) return hr;
        return S_FALSE;
    }
    STDMETHODIMP get_accHelpTopic(BSTR* file, VARIANT varChild, LONG* topic) override {
        if (file) *file = nullptr;
        if (topic) *topic = 0;
        if (!file || !topic) return E_POINTER;
        LONG id = 0;
        if (HRESULT hr = childId(varChild, id); FAILED(hr)) return hr;
        return S_FALSE;
    }
    STDMETHODIMP get_accKeyboardShortcut(VARIANT varChild, BSTR* shortcut) override {
        if (!shortcut) return E_POINTER;
        *shortcut = nullptr;
        LONG id = 0;
        if (HRESULT hr = childId(varChild, id); FAILED(hr)) return hr;
        return S_FALSE;  // the menu takes no keys
    }
    STDMETHODIMP get_accFocus(VARIANT* focus) override {
        if (!focus) return E_POINTER;
        putEmpty(focus);
        if (HRESULT hr = usable(); FAILED(hr)) return hr;
        // The focus never rests on a single header bar or item.
        if (GetFocus() != window()) return S_FALSE;
        putI4(focus, CHILDID_SELF);
        return S_OK;
    }
    STDMETHODIMP get_accSelection(VARIANT* selection) override {
        if (!selection) return E_POINTER;
        putEmpty(selection);
        if (HRESULT hr = usable(); FAILED(hr)) return hr;
        const std::int32_t id = acc::selectedChild(model());
        if (id == acc::kNoChild) return S_FALSE;
        putI4(selection, id);
        return S_OK;
    }
    STDMETHODIMP get_accDefaultAction(VARIANT varChild, BSTR* action) override {
        if (!action) return E_POINTER;
        *action = nullptr;
        LONG id = 0;
        if (HRESULT hr = childId(varChild, id); FAILED(hr)) return hr;
        if (id == CHILDID_SELF) return S_FALSE;
        switch (childOf(id).action) {
            case acc::Action::Choose: return putString(kChooseAction, action);
            case acc::Action::Expand: return putString(kExpandAction, action);
            case acc::Action::None: break;
        }
        return S_FALSE;
    }

    // ---- IAccessible: methods ----------------------------------------------------------
    STDMETHODIMP accSelect(LONG flags, VARIANT varChild) override {
        LONG id = 0;
        if (HRESULT hr = childId(varChild, id); FAILED(hr)) return hr;
        if (flags & ~LONG(SELFLAG_VALID)) return E_INVALIDARG;
        // The menu itself can take the focus as a click would give it. Its
        // items are only selected by choosing them, which is the default
        // action, not a selection.
        if (id != CHILDID_SELF || flags != SELFLAG_TAKEFOCUS) return DISP_E_MEMBERNOTFOUND;
        if (!takesInput()) return E_FAIL;
        SetFocus(window());
        return S_OK;
    }
    STDMETHODIMP accLocation(LONG* left, LONG* top, LONG* width, LONG* height, VARIANT varChild) override {
        if (left) *left = 0;
        if (top) *top = 0;
        if (width) *width = 0;
        if (height) *height = 0;
        if (!left || !top || !width || !height) return E_POINTER;
        LONG id = 0;
        if (HRESULT hr = childId(varChild, id); FAILED(hr)) return hr;
        RECT r{};
        if (id == CHILDID_SELF) {
            GetClientRect(window(), &r);
        } else {
            const Rect b = childOf(id).bounds;
            r = RECT{b.left, b.top, b.left + b.width, b.top + b.height};
        }
        POINT origin{r.left, r.top};
        if (!ClientToScreen(window(), &origin)) return E_FAIL;
        *left = origin.x;
        *top = origin.y;
        *width = r.right - r.left;
        *height = r.bottom - r.top;
        return S_OK;
    }
    STDMETHODIMP accNavigate(LONG direction, VARIANT varStart, VARIANT* end) override {
        if (!end) return E_POINTER;
        putEmpty(end);
        LONG id = 0;
        if (HRESULT hr = childId(varStart, id); FAILED(hr)) return hr;
        acc::Direction d;
        switch (direction) {
            case NAVDIR_FIRSTCHILD: d = acc::Direction::First; break;
            case NAVDIR_LASTCHILD: d = acc::Direction::Last; break;
            case NAVDIR_NEXT: d = acc::Direction::Next; break;
            case NAVDIR_PREVIOUS: d = acc::Direction::Previous; break;
            case NAVDIR_UP: d = acc::Direction::Up; break;
            case NAVDIR_DOWN: d = acc::Direction::Down; break;
            case NAVDIR_LEFT: d = acc::Direction::Left; break;
            case NAVDIR_RIGHT: d = acc::Direction::Right; break;
            default: return E_INVALIDARG;
        }
        const std::int32_t to = acc::navigate(model(), id, d);
        if (to == acc::kNoChild) return S_FALSE;
        putI4(end, to);
        return S_OK;
    }
    STDMETHODIMP accHitTest(LONG x, LONG y, VARIANT* hit) override {
        if (!hit) return E_POINTER;
        putEmpty(hit);
        if (HRESULT hr = usable(); FAILED(hr)) return hr;
        POINT p{x, y};
        RECT client{};
        if (!ScreenToClient(window(), &p) || !GetClientRect(window(), &client) || !PtInRect(&client, p))
            return S_FALSE;
        const std::int32_t id = acc::childAt(model(), p.x, p.y);
        if (id == acc::kNoChild) return S_FALSE;
        putI4(hit, id);
        return S_OK;
    }
    STDMETHODIMP accDoDefaultAction(VARIANT varChild) override {
        LONG id = 0;
        if (HRESULT hr = childId(varChild, id); FAILED(hr)) return hr;
        if (id == CHILDID_SELF) return DISP_E_MEMBERNOTFOUND;
        // A click cannot reach a disabled or hidden menu (the greeting box
        // and the update window disable the main window): neither can this.
        if (!takesInput() || !IsWindowVisible(window())) return E_FAIL;
        const std::optional<AccOutcome> o = acc::doDefaultAction(model(), id);
        if (!o) return DISP_E_MEMBERNOTFOUND;
        // The host may run a slide, pumping messages; it may be gone when
        // this returns, so nothing of it is touched afterwards.
        host_->applyAccessibleOutcome(*o);
        return S_OK;
    }
    STDMETHODIMP put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
    STDMETHODIMP put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

private:
    ~AccordionAccessible() = default;

    // S_OK while the object may use its host on this thread.
    HRESULT usable() const {
        if (GetCurrentThreadId() != thread_) return RPC_E_WRONG_THREAD;
        return host_ ? S_OK : E_FAIL;
    }
    // The child id in `v`: CHILDID_SELF or a child that exists now.
    HRESULT childId(const VARIANT& v, LONG& id) const {
        if (HRESULT hr = usable(); FAILED(hr)) return hr;
        if (v.vt != VT_I4) return E_INVALIDARG;
        if (v.lVal != CHILDID_SELF && !acc::child(host_->accessibleModel(), v.lVal)) return E_INVALIDARG;
        id = v.lVal;
        return S_OK;
    }
    HWND window() const { return host_->accessibleWindow(); }
    Accordion& model() const { return host_->accessibleModel(); }
    acc::Child childOf(LONG id) const { return *acc::child(model(), id); }  // id checked by childId
    // Input can reach the menu: it and its top-level window are enabled.
    bool takesInput() const {
        HWND hwnd = window();
        HWND top = GetAncestor(hwnd, GA_ROOT);
        return IsWindowEnabled(hwnd) && (!top || IsWindowEnabled(top));
    }

    LONG refs_ = 1;
    AccordionHost* host_;
    const DWORD thread_;
};

}  // namespace

IAccessible* createAccordionAccessible(AccordionHost& host) {
    return new AccordionAccessible(host);
}

void disconnectAccordionAccessible(IAccessible*& acc) {
    if (!acc) return;
    IAccessible* a = acc;
    acc = nullptr;
    static_cast<AccordionAccessible*>(a)->detach();
    // Releases the references held for proxies in other processes; their
    // later calls fail with RPC_E_DISCONNECTED instead of reaching us.
    CoDisconnectObject(a, 0);
    a->Release();
}

void announceAccordionChanges(HWND hwnd, const Accordion& m, const AccOutcome& o) {
    for (const AccEvent& e : o.events) {
        if (e.number == event::kItemChosen) {
            const std::int32_t id = access::itemId(m, e.b);
            if (id != access::kNoChild && m.openGroup() == e.a)
                NotifyWinEvent(EVENT_OBJECT_SELECTION, hwnd, OBJID_CLIENT, LONG(id));
        } else if (e.number == event::kGroupChanged) {
            // Other children now, and two header bars changed state.
            NotifyWinEvent(EVENT_OBJECT_REORDER, hwnd, OBJID_CLIENT, CHILDID_SELF);
            for (std::int32_t g : {e.a, e.b}) {
                const std::int32_t id = access::headerId(m, g);
                if (id != access::kNoChild) NotifyWinEvent(EVENT_OBJECT_STATECHANGE, hwnd, OBJID_CLIENT, LONG(id));
            }
        }
    }
}

}  // namespace xy::win32
