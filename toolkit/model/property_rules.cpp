#include "toolkit/model/property_rules.h"

#include <algorithm>
#include <charconv>
#include <span>
#include <string_view>

namespace xy {
namespace {

// What a kind-own property holds. Object properties (fonts, pictures) are
// either not stored (Value::none()) or described by a text.
enum class PropType : std::uint8_t { Int, Text, Object };

struct PropInfo {
    std::uint16_t number;
    PropType type;
    std::int32_t intDefault;     // Int
    const char* textDefault;     // Text; Object: nullptr = none stored
};

constexpr std::int32_t kGrey = std::int32_t(rgb(128, 128, 128));
constexpr std::int32_t kWhite = std::int32_t(rgb(255, 255, 255));
constexpr std::int32_t kSysDefault = std::int32_t(kSystemDefaultColor);

namespace lp = prop::label;
constexpr PropInfo kLabelProps[] = {
    {lp::kCaption, PropType::Text, 0, ""},
    {lp::kTextEffect, PropType::Int, 0, nullptr},
    {lp::kBorder, PropType::Int, 0, nullptr},
    {lp::kGradientBorderWidth, PropType::Int, 8, nullptr},
    {lp::kGradientBorderColor1, PropType::Int, kGrey, nullptr},
    {lp::kGradientBorderColor2, PropType::Int, kWhite, nullptr},
    {lp::kGradientBorderColor3, PropType::Int, kGrey, nullptr},
    {lp::kFont, PropType::Object, 0, nullptr},
    {lp::kTextColor, PropType::Int, 0, nullptr},
    {lp::kBackColor, PropType::Int, kSysDefault, nullptr},
    {lp::kBackPicture, PropType::Object, 0, nullptr},
    {lp::kPictureMode, PropType::Int, 1, nullptr},
    {lp::kGradientBackMode, PropType::Int, 0, nullptr},
    {lp::kGradientBackColor1, PropType::Int, kGrey, nullptr},
    {lp::kGradientBackColor2, PropType::Int, kWhite, nullptr},
    {lp::kGradientBackColor3, PropType::Int, kGrey, nullptr},
    {lp::kHAlign, PropType::Int, 0, nullptr},
    {lp::kWordWrap, PropType::Int, 0, nullptr},
    {lp::kVAlign, PropType::Int, 1, nullptr},
    {lp::kDataSource, PropType::Text, 0, ""},
    {lp::kDataColumn, PropType::Text, 0, ""},
};

namespace bp = prop::button;
constexpr PropInfo kButtonProps[] = {
    {bp::kPicture, PropType::Object, 0, nullptr},
    {bp::kType, PropType::Int, 0, nullptr},
    {bp::kCaption, PropType::Text, 0, ""},
    {bp::kHAlign, PropType::Int, 1, nullptr},
    {bp::kVAlign, PropType::Int, 1, nullptr},
    {bp::kFont, PropType::Object, 0, nullptr},
};

namespace pp = prop::progress;
constexpr PropInfo kProgressProps[] = {
    {pp::kBorder, PropType::Int, 3, nullptr},
    {pp::kVertical, PropType::Int, 0, nullptr},
    {pp::kSmooth, PropType::Int, 1, nullptr},
    {pp::kMinimum, PropType::Int, 0, nullptr},
    {pp::kMaximum, PropType::Int, 100, nullptr},
    {pp::kPosition, PropType::Int, 0, nullptr},
};

constexpr PropInfo kTimerProps[] = {
    {prop::timer::kInterval, PropType::Int, 1000, nullptr},
};

// The accordion keeps its settings in ControlDef::menu; it has no numbered
// own properties here.
std::span<const PropInfo> ownProps(ControlKind kind) {
    switch (kind) {
        case ControlKind::Label: return kLabelProps;
        case ControlKind::Button: return kButtonProps;
        case ControlKind::ProgressBar: return kProgressProps;
        case ControlKind::Timer: return kTimerProps;
        case ControlKind::Accordion: break;
    }
    return {};
}

const PropInfo* findInfo(ControlKind kind, std::uint16_t number) {
    for (const auto& s : ownProps(kind))
        if (s.number == number) return &s;
    return nullptr;
}

Value defaultValue(const PropInfo& s) {
    switch (s.type) {
        case PropType::Int: return Value::integer(s.intDefault);
        case PropType::Text: return Value::str(s.textDefault ? s.textDefault : "");
        case PropType::Object: return s.textDefault ? Value::str(s.textDefault) : Value::none();
    }
    return Value::none();
}

bool accepts(PropType t, const Value& v) {
    switch (t) {
        case PropType::Int: return v.type == Value::Type::Int;
        case PropType::Text: return v.type == Value::Type::Text;
        case PropType::Object: return v.type == Value::Type::None || v.type == Value::Type::Text;
    }
    return false;
}

const Property* findStored(const ControlDef& c, std::uint16_t number) {
    for (const auto& p : c.props)
        if (p.number == number) return &p;
    return nullptr;
}

void store(ControlDef& c, std::uint16_t number, Value v) {
    for (auto& p : c.props)
        if (p.number == number) {
            p.value = std::move(v);
            return;
        }
    c.props.push_back(Property{number, std::move(v)});
}

bool isProgressValue(ControlKind kind, std::uint16_t number) {
    return kind == ControlKind::ProgressBar &&
           (number == pp::kMinimum || number == pp::kMaximum || number == pp::kPosition);
}

}  // namespace

Value readControlProperty(const ControlDef& c, std::uint16_t number) {
    switch (number) {
        case prop::kLeft: return Value::integer(c.rect.left);
        case prop::kTop: return Value::integer(c.rect.top);
        case prop::kWidth: return Value::integer(c.rect.width);
        case prop::kHeight: return Value::integer(c.rect.height);
        case prop::kTag: return Value::str(c.tag);
        case prop::kVisible: return Value::integer(c.visible ? 1 : 0);
        case prop::kDisabled: return Value::integer(c.disabled ? 1 : 0);
        case prop::kCursor: return Value::integer(std::int32_t(c.cursor));
        default: break;
    }
    const PropInfo* info = findInfo(c.kind, number);
    if (!info) return Value::none();
    if (const Property* p = findStored(c, number)) return p->value;
    return defaultValue(*info);
}

bool writeControlProperty(ControlDef& c, std::uint16_t number, const Value& v) {
    if (number < prop::kFirstOwn) {
        if (number == prop::kTag) {
            if (v.type != Value::Type::Text) return false;
            c.tag = v.text;
            return true;
        }
        if (v.type != Value::Type::Int) return false;
        switch (number) {
            case prop::kLeft: c.rect.left = v.i; return true;
            case prop::kTop: c.rect.top = v.i; return true;
            // A control cannot be smaller than nothing.
            case prop::kWidth: c.rect.width = std::max(v.i, 0); return true;
            case prop::kHeight: c.rect.height = std::max(v.i, 0); return true;
            case prop::kVisible: c.visible = v.i != 0; return true;
            case prop::kDisabled: c.disabled = v.i != 0; return true;
            case prop::kCursor:
                if (v.i < std::int32_t(Cursor::None) || v.i > std::int32_t(Cursor::Hand)) return false;
                c.cursor = Cursor(v.i);
                return true;
            default: return false;
        }
    }
    const PropInfo* info = findInfo(c.kind, number);
    if (!info || !accepts(info->type, v)) return false;
    if (isProgressValue(c.kind, number)) {
        store(c, number, Value::integer(limitProgressValue(v.i)));
        return true;
    }
    store(c, number, v);
    return true;
}

std::int32_t intProperty(const ControlDef& c, std::uint16_t number, std::int32_t fallback) {
    Value v = readControlProperty(c, number);
    return v.type == Value::Type::Int ? v.i : fallback;
}

ProgressRange progressRange(const ControlDef& bar) {
    return progressRange(intProperty(bar, pp::kMinimum), intProperty(bar, pp::kMaximum));
}

std::int32_t progressShownPosition(const ControlDef& bar) {
    return progressShownPosition(intProperty(bar, pp::kMinimum), intProperty(bar, pp::kMaximum),
                                 intProperty(bar, pp::kPosition));
}

namespace {
bool parseInt(std::string_view s, std::int32_t& out) {
    if (s.empty()) return false;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    return ec == std::errc{} && end == s.data() + s.size();
}
}  // namespace

std::optional<FontDef> fontFromValue(const Value& v) {
    if (v.type != Value::Type::Text || v.text.empty()) return std::nullopt;
    std::string_view rest = v.text;
    std::string_view fields[6];
    std::size_t n = 0;
    while (true) {
        std::size_t semi = rest.find(';');
        if (n == 6) return std::nullopt;  // too many fields
        fields[n++] = rest.substr(0, semi);
        if (semi == std::string_view::npos) break;
        rest.remove_prefix(semi + 1);
    }
    FontDef f;
    f.face = std::string(fields[0]);
    if (f.face.empty()) return std::nullopt;
    std::int32_t num[5] = {0, 400, 0, 0, 0};
    for (std::size_t i = 1; i < n; ++i)
        if (!parseInt(fields[i], num[i - 1])) return std::nullopt;
    if (num[0] < 0 || num[0] > 1000) return std::nullopt;
    if (n > 2 && (num[1] < 100 || num[1] > 900)) return std::nullopt;
    for (int i = 2; i < 5; ++i)
        if (num[i] != 0 && num[i] != 1) return std::nullopt;
    f.height = num[0];
    f.weight = num[1];
    f.italic = num[2] != 0;
    f.underline = num[3] != 0;
    f.strikeOut = num[4] != 0;
    return f;
}

}  // namespace xy
