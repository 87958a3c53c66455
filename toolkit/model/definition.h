// Window definitions: the constant description of a window and its controls
// from which the toolkit creates it. Portable: no Win32 types in here.
//
// Texts are UTF-8. Colours use the COLORREF byte order (0x00BBGGRR) so the
// Win32 side can hand them to GDI unchanged; kSystemDefaultColor stands for
// the desktop's button-face colour.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace xy {

using Id = std::uint32_t;

using Color = std::uint32_t;
inline constexpr Color kSystemDefaultColor = 0xFFFFFFFFu;
constexpr Color rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return Color(r) | (Color(g) << 8) | (Color(b) << 16);
}
constexpr std::uint8_t redOf(Color c) { return std::uint8_t(c & 0xFF); }
constexpr std::uint8_t greenOf(Color c) { return std::uint8_t((c >> 8) & 0xFF); }
constexpr std::uint8_t blueOf(Color c) { return std::uint8_t((c >> 16) & 0xFF); }

struct Rect {
    std::int32_t left = 0, top = 0, width = 0, height = 0;
    friend constexpr bool operator==(const Rect&, const Rect&) = default;
};

// Mouse cursors a window or control can ask for. None means "no cursor of
// its own": the parent's or the class default applies.
enum class Cursor : std::uint8_t { None = 0, Arrow = 1, Hand = 2 };

// A setting value addressed by property number.
struct Value {
    enum class Type : std::uint8_t { None = 0, Int = 1, Text = 2 };
    Type type = Type::None;
    std::int32_t i = 0;
    std::string text;

    static constexpr Value none() { return {}; }
    static constexpr Value integer(std::int32_t v) {
        Value r;
        r.type = Type::Int;
        r.i = v;
        return r;
    }
    static constexpr Value str(std::string_view s) {
        Value r;
        r.type = Type::Text;
        r.text = std::string(s);
        return r;
    }
    friend constexpr bool operator==(const Value&, const Value&) = default;
};

struct Property {
    std::uint16_t number = 0;
    Value value;
    friend constexpr bool operator==(const Property&, const Property&) = default;
};

// Property numbers shared by every control kind; a kind's own start at 8.
namespace prop {
inline constexpr std::uint16_t kLeft = 0, kTop = 1, kWidth = 2, kHeight = 3, kTag = 4,
                               kVisible = 5, kDisabled = 6, kCursor = 7, kFirstOwn = 8;
}

// A handler as the program provides it. a and b carry the event's
// arguments (unused ones are 0). The result becomes the event's result
// where the event has one; handlers without a result return kNoResult.
struct EventArgs {
    std::int32_t a = 0, b = 0;
};
struct HandlerResult {
    bool has = false;
    std::int32_t value = 0;
};
inline constexpr HandlerResult kNoResult{};
using HandlerFn = HandlerResult (*)(const EventArgs&);

// An event of a control bound to a handler named by an identifier. Start-up
// resolves the name to `fn`; a name without a handler leaves fn null, and
// the event then stays unbound.
struct Binding {
    std::uint16_t event = 0;
    std::string handler;
    HandlerFn fn = nullptr;  // resolved at start-up, never stored
    friend constexpr bool operator==(const Binding& a, const Binding& b) {
        return a.event == b.event && a.handler == b.handler;
    }
};

enum class ControlKind : std::uint8_t { Accordion = 1, Label = 2, Button = 3, ProgressBar = 4, Timer = 5 };

// Accordion menu content and settings (the control kind's own data).
struct FontDef {
    std::string face;  // empty: whatever the platform gives an unnamed font
    std::int32_t height = 0;  // character height in pixels
    std::int32_t weight = 400;
    bool italic = false, underline = false, strikeOut = false;
    friend constexpr bool operator==(const FontDef&, const FontDef&) = default;
};

struct MenuItemDef {
    std::string text;
    std::int32_t picture = -1;
    std::int32_t userValue = 0;
    std::string tip;
    friend constexpr bool operator==(const MenuItemDef&, const MenuItemDef&) = default;
};

struct MenuGroupDef {
    std::string header;
    std::int32_t userValue = 0;
    std::int32_t headerPicture = -1;
    // closed, open, closed under the pointer, open under the pointer
    std::int32_t backgrounds[4] = {-1, -1, -1, -1};
    std::string tip;
    std::vector<MenuItemDef> items;
    friend constexpr bool operator==(const MenuGroupDef&, const MenuGroupDef&) = default;
};

struct ImageListDef {
    std::int32_t width = 0, height = 0, count = 0;  // 32 bpp with a 1-bit mask
    friend constexpr bool operator==(const ImageListDef&, const ImageListDef&) = default;
};

enum class MenuView : std::uint8_t { Icon = 0, List = 1 };

struct MenuDef {
    std::int32_t openGroup = 0;
    std::int32_t selectedItem = -1;
    MenuView view = MenuView::Icon;
    std::int32_t headerHeight = 40;
    std::int32_t slideStep = 30;
    std::int32_t headerStyle = 1;
    bool flat = true;
    bool selectedAnimation = true;
    bool captionOverHeaderBackground = true;
    bool iconOverHeaderBackground = true;
    FontDef headerFont;
    FontDef itemFont;
    Color background = kSystemDefaultColor;       // crBackGroundColor
    Color folderBg = kSystemDefaultColor;         // crFolderBgColor
    Color folderBgDown = kSystemDefaultColor;     // crFolderBgDownColor
    Color folderBgHover = kSystemDefaultColor;    // crFolderBgHoverColor
    Color folderSelBg = kSystemDefaultColor;      // crFolderSelBgColor
    Color folderText = 0;                         // crFolderTextColor
    Color folderTextDown = 0;                     // crFolderTextDownColor
    Color folderTextHover = 0;                    // crFolderTextHoverColor
    Color folderSelText = 0;                      // crFolderSelTextColor
    Color itemText = 0;                           // crItemTextColor
    Color itemTextHover = 0;                      // crItemTextHoverColor
    Color itemSelText = 0;                        // crItemSelTextColor
    Color hilightBorder = 0;                      // crHilightBorder
    Color dkShadowBorder = 0;                     // crDkShadowBorder
    Color face3d = 0;                             // cr3dFace
    ImageListDef largeIcons;
    ImageListDef smallIcons;
    ImageListDef headerIcons;
    ImageListDef headerBackgrounds;
    std::vector<MenuGroupDef> groups;
    friend constexpr bool operator==(const MenuDef&, const MenuDef&) = default;
};

struct ControlDef {
    Id id = 0;
    ControlKind kind = ControlKind::Label;
    std::string name;
    Rect rect;
    Id parent = 0;  // 0: the window itself
    bool visible = true;
    bool disabled = false;
    bool tabStop = false;
    std::int32_t tabOrder = 0;
    Cursor cursor = Cursor::None;
    std::string tag;
    std::vector<Binding> bindings;
    std::vector<Property> props;  // the kind's own settings, numbers from 8 up
    MenuDef menu;                 // accordion only
    friend constexpr bool operator==(const ControlDef&, const ControlDef&) = default;
};

enum class BorderStyle : std::uint8_t { None = 0, Fixed = 1, Sizable = 2, FixedDialog = 3, FixedTool = 4, SizableTool = 5 };
enum class StartPosition : std::uint8_t { Manual = 0, Centred = 1, Maximised = 2, Minimised = 3 };
// The icon setting refers to an image set; the program has one, its own
// program icon, which both the file and the main window use.
enum class IconSet : std::uint8_t { None = 0, ProgramIcon = 1 };

struct WindowSettings {
    std::string title;
    BorderStyle border = BorderStyle::Fixed;
    Color background = kSystemDefaultColor;
    std::string backgroundPicture;
    std::int32_t pictureLayout = 0;
    std::string backgroundSound;
    std::int32_t soundRepeat = 0;
    bool controlBox = true;
    bool maxButton = false;
    bool minButton = true;
    StartPosition startPosition = StartPosition::Centred;
    bool movable = true;
    IconSet icon = IconSet::None;
    bool enterMovesFocus = false;
    bool escCloses = true;
    bool f1OpensHelp = false;
    std::string helpFile;
    std::int32_t helpContext = 0;
    bool showInTaskbar = true;
    bool dragAnywhere = false;
    std::int32_t shape = 0;  // 0: rectangle
    bool alwaysOnTop = false;
    bool keepTitleActive = false;
    std::string className;
    friend constexpr bool operator==(const WindowSettings&, const WindowSettings&) = default;
};

struct WindowDef {
    Id id = 0;
    std::string name;
    Rect rect;
    bool visible = true;
    bool disabled = false;
    Cursor cursor = Cursor::None;
    std::string tag;
    WindowSettings settings;
    std::vector<ControlDef> controls;  // in stacking order, topmost first
    friend constexpr bool operator==(const WindowDef&, const WindowDef&) = default;

    constexpr const ControlDef* control(Id cid) const {
        for (const auto& c : controls)
            if (c.id == cid) return &c;
        return nullptr;
    }
    constexpr ControlDef* control(Id cid) {
        for (auto& c : controls)
            if (c.id == cid) return &c;
        return nullptr;
    }
};

// Event numbers, per control kind.
namespace event {
inline constexpr std::uint16_t kItemChosen = 0;    // accordion: (group index, item index)
inline constexpr std::uint16_t kHeaderReleased = 1;
inline constexpr std::uint16_t kGroupChanged = 2;
inline constexpr std::uint16_t kRightButtonUp = 3;
inline constexpr std::uint16_t kDoubleClick = 4;
inline constexpr std::uint16_t kClick = 0;         // button
inline constexpr std::uint16_t kTick = 0;          // timer
inline constexpr std::uint16_t kFeedback = 0;      // label: (wParam, lParam) -> result
}  // namespace event

// Own property numbers of the kinds that have them.
namespace prop {
namespace label {
inline constexpr std::uint16_t kCaption = 8, kTextEffect = 9, kBorder = 10, kGradientBorderWidth = 11,
                               kGradientBorderColor1 = 12, kGradientBorderColor2 = 13, kGradientBorderColor3 = 14,
                               kFont = 15, kTextColor = 16, kBackColor = 17, kBackPicture = 18, kPictureMode = 19,
                               kGradientBackMode = 20, kGradientBackColor1 = 21, kGradientBackColor2 = 22,
                               kGradientBackColor3 = 23, kHAlign = 24, kWordWrap = 25, kVAlign = 26,
                               kDataSource = 27, kDataColumn = 28;
}
namespace button {
inline constexpr std::uint16_t kPicture = 8, kType = 9, kCaption = 10, kHAlign = 11, kVAlign = 12, kFont = 13;
}
namespace progress {
inline constexpr std::uint16_t kBorder = 8, kVertical = 9, kSmooth = 10, kMinimum = 11, kMaximum = 12, kPosition = 13;
}
namespace timer {
inline constexpr std::uint16_t kInterval = 8;
}
}  // namespace prop

}  // namespace xy
