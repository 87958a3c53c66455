// The binary form in which the program file carries its window definitions.
//
// Layout (little-endian):
//   "XYTP"            4 bytes magic
//   u16 version       kTemplateVersion
//   u16 window count
//   u32 payload size  bytes that follow the header
//   u32 CRC-32        of the payload (IEEE polynomial, as zlib computes it)
//   payload           the windows, each encoded by `fields` below
//
// Encoding runs at compile time (the definitions are constexpr), decoding at
// start-up. Both walk the same `fields` functions, so the two directions can
// never disagree on the order of fields. The decoder trusts nothing: every
// read is bounds-checked, counts are limited by the bytes left, enumerations
// and flags must hold known values, texts must be valid UTF-8, and the whole
// payload must be consumed exactly.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "toolkit/model/definition.h"

namespace xy {

inline constexpr std::uint16_t kTemplateVersion = 1;
inline constexpr std::size_t kTemplateHeaderSize = 16;
inline constexpr char kTemplateMagic[4] = {'X', 'Y', 'T', 'P'};

constexpr std::uint32_t crc32(const std::uint8_t* data, std::size_t size) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

namespace codec {

// Upper bounds that no sane definition comes near; they keep a damaged
// block from asking for absurd amounts of memory.
inline constexpr std::uint32_t kMaxText = 64 * 1024;

class Writer {
public:
    std::vector<std::uint8_t> out;

    constexpr void u8(std::uint8_t v) { out.push_back(v); }
    constexpr void u16(std::uint16_t v) {
        u8(std::uint8_t(v));
        u8(std::uint8_t(v >> 8));
    }
    constexpr void u32(std::uint32_t v) {
        for (int i = 0; i < 4; ++i) u8(std::uint8_t(v >> (8 * i)));
    }
    constexpr void i32(std::int32_t v) { u32(std::uint32_t(v)); }
    constexpr void flag(bool v) { u8(v ? 1 : 0); }
    template <class E>
    constexpr void enumeration(const E& v, std::uint8_t /*max*/) {
        u8(std::uint8_t(v));
    }
    constexpr void text(const std::string& s) {
        u32(std::uint32_t(s.size()));
        for (char c : s) u8(std::uint8_t(c));
    }
    template <class T>
    constexpr void list(const std::vector<T>& items);
};

class Reader {
public:
    constexpr Reader(const std::uint8_t* data, std::size_t size) : p_(data), left_(size) {}

    bool ok() const { return ok_; }
    std::size_t left() const { return left_; }
    void fail() { ok_ = false; }

    void u8(std::uint8_t& v) {
        if (!take(1)) return;
        v = p_[-1];
    }
    void u16(std::uint16_t& v) {
        if (!take(2)) return;
        v = std::uint16_t(p_[-2] | (p_[-1] << 8));
    }
    void u32(std::uint32_t& v) {
        if (!take(4)) return;
        v = std::uint32_t(p_[-4]) | (std::uint32_t(p_[-3]) << 8) | (std::uint32_t(p_[-2]) << 16) |
            (std::uint32_t(p_[-1]) << 24);
    }
    void i32(std::int32_t& v) {
        std::uint32_t u = 0;
        u32(u);
        v = std::int32_t(u);
    }
    void flag(bool& v) {
        std::uint8_t b = 0;
        u8(b);
        if (b > 1) fail();
        v = b == 1;
    }
    template <class E>
    void enumeration(E& v, std::uint8_t max) {
        std::uint8_t b = 0;
        u8(b);
        if (b > max) fail();
        v = E(b);
    }
    void text(std::string& s);
    template <class T>
    void list(std::vector<T>& items);

private:
    bool take(std::size_t n) {
        if (!ok_ || left_ < n) {
            ok_ = false;
            return false;
        }
        p_ += n;
        left_ -= n;
        return true;
    }

    const std::uint8_t* p_;
    std::size_t left_;
    bool ok_ = true;
};

bool isValidUtf8(const std::string& s);

// The fields of every definition type, in their encoded order. D is the
// type itself for reading and the const type for writing.
template <class A, class D>
constexpr void fields(A& a, D& r) requires std::is_same_v<std::remove_const_t<D>, Rect> {
    a.i32(r.left);
    a.i32(r.top);
    a.i32(r.width);
    a.i32(r.height);
}

template <class A, class D>
constexpr void fields(A& a, D& v) requires std::is_same_v<std::remove_const_t<D>, Value> {
    a.enumeration(v.type, std::uint8_t(Value::Type::Text));
    if (v.type == Value::Type::Int) a.i32(v.i);
    if (v.type == Value::Type::Text) a.text(v.text);
}

template <class A, class D>
constexpr void fields(A& a, D& p) requires std::is_same_v<std::remove_const_t<D>, Property> {
    a.u16(p.number);
    fields(a, p.value);
}

template <class A, class D>
constexpr void fields(A& a, D& b) requires std::is_same_v<std::remove_const_t<D>, Binding> {
    a.u16(b.event);
    a.text(b.handler);
}

template <class A, class D>
constexpr void fields(A& a, D& f) requires std::is_same_v<std::remove_const_t<D>, FontDef> {
    a.text(f.face);
    a.i32(f.height);
    a.i32(f.weight);
    a.flag(f.italic);
    a.flag(f.underline);
    a.flag(f.strikeOut);
}

template <class A, class D>
constexpr void fields(A& a, D& it) requires std::is_same_v<std::remove_const_t<D>, MenuItemDef> {
    a.text(it.text);
    a.i32(it.picture);
    a.i32(it.userValue);
    a.text(it.tip);
}

template <class A, class D>
constexpr void fields(A& a, D& g) requires std::is_same_v<std::remove_const_t<D>, MenuGroupDef> {
    a.text(g.header);
    a.i32(g.userValue);
    a.i32(g.headerPicture);
    for (auto& b : g.backgrounds) a.i32(b);
    a.text(g.tip);
    a.list(g.items);
}

template <class A, class D>
constexpr void fields(A& a, D& l) requires std::is_same_v<std::remove_const_t<D>, ImageListDef> {
    a.i32(l.width);
    a.i32(l.height);
    a.i32(l.count);
}

template <class A, class D>
constexpr void fields(A& a, D& m) requires std::is_same_v<std::remove_const_t<D>, MenuDef> {
    a.i32(m.openGroup);
    a.i32(m.selectedItem);
    a.enumeration(m.view, std::uint8_t(MenuView::List));
    a.i32(m.headerHeight);
    a.i32(m.slideStep);
    a.i32(m.headerStyle);
    a.flag(m.flat);
    a.flag(m.selectedAnimation);
    a.flag(m.captionOverHeaderBackground);
    a.flag(m.iconOverHeaderBackground);
    fields(a, m.headerFont);
    fields(a, m.itemFont);
    for (auto* c : {&m.background, &m.folderBg, &m.folderBgDown, &m.folderBgHover, &m.folderSelBg,
                    &m.folderText, &m.folderTextDown, &m.folderTextHover, &m.folderSelText, &m.itemText,
                    &m.itemTextHover, &m.itemSelText, &m.hilightBorder, &m.dkShadowBorder, &m.face3d})
        a.u32(*c);
    fields(a, m.largeIcons);
    fields(a, m.smallIcons);
    fields(a, m.headerIcons);
    fields(a, m.headerBackgrounds);
    a.list(m.groups);
}

template <class A, class D>
constexpr void fields(A& a, D& c) requires std::is_same_v<std::remove_const_t<D>, ControlDef> {
    a.u32(c.id);
    a.enumeration(c.kind, std::uint8_t(ControlKind::Timer));
    a.text(c.name);
    fields(a, c.rect);
    a.u32(c.parent);
    a.flag(c.visible);
    a.flag(c.disabled);
    a.flag(c.tabStop);
    a.i32(c.tabOrder);
    a.enumeration(c.cursor, std::uint8_t(Cursor::Hand));
    a.text(c.tag);
    a.list(c.bindings);
    a.list(c.props);
    if (c.kind == ControlKind::Accordion) fields(a, c.menu);
}

template <class A, class D>
constexpr void fields(A& a, D& s) requires std::is_same_v<std::remove_const_t<D>, WindowSettings> {
    a.text(s.title);
    a.enumeration(s.border, std::uint8_t(BorderStyle::SizableTool));
    a.u32(s.background);
    a.text(s.backgroundPicture);
    a.i32(s.pictureLayout);
    a.text(s.backgroundSound);
    a.i32(s.soundRepeat);
    a.flag(s.controlBox);
    a.flag(s.maxButton);
    a.flag(s.minButton);
    a.enumeration(s.startPosition, std::uint8_t(StartPosition::Minimised));
    a.flag(s.movable);
    a.enumeration(s.icon, std::uint8_t(IconSet::ProgramIcon));
    a.flag(s.enterMovesFocus);
    a.flag(s.escCloses);
    a.flag(s.f1OpensHelp);
    a.text(s.helpFile);
    a.i32(s.helpContext);
    a.flag(s.showInTaskbar);
    a.flag(s.dragAnywhere);
    a.i32(s.shape);
    a.flag(s.alwaysOnTop);
    a.flag(s.keepTitleActive);
    a.text(s.className);
}

template <class A, class D>
constexpr void fields(A& a, D& w) requires std::is_same_v<std::remove_const_t<D>, WindowDef> {
    a.u32(w.id);
    a.text(w.name);
    fields(a, w.rect);
    a.flag(w.visible);
    a.flag(w.disabled);
    a.enumeration(w.cursor, std::uint8_t(Cursor::Hand));
    a.text(w.tag);
    fields(a, w.settings);
    a.list(w.controls);
}

template <class T>
constexpr void Writer::list(const std::vector<T>& items) {
    u32(std::uint32_t(items.size()));
    for (const T& item : items) fields(*this, item);
}

template <class T>
void Reader::list(std::vector<T>& items) {
    std::uint32_t count = 0;
    u32(count);
    // Every element takes at least one byte, so a count beyond the bytes
    // left is damage, not data.
    if (!ok_ || count > left_) {
        fail();
        return;
    }
    items.clear();
    for (std::uint32_t i = 0; i < count && ok_; ++i) fields(*this, items.emplace_back());
}

}  // namespace codec

// The whole block for a list of windows, header included.
constexpr std::vector<std::uint8_t> encodeTemplates(const std::vector<WindowDef>& windows) {
    codec::Writer payload;
    for (const WindowDef& w : windows) codec::fields(payload, w);
    codec::Writer block;
    for (char c : kTemplateMagic) block.u8(std::uint8_t(c));
    block.u16(kTemplateVersion);
    block.u16(std::uint16_t(windows.size()));
    block.u32(std::uint32_t(payload.out.size()));
    block.u32(crc32(payload.out.data(), payload.out.size()));
    block.out.insert(block.out.end(), payload.out.begin(), payload.out.end());
    return block.out;
}

// The block as a fixed-size array, for placing it in the program image.
// MakeWindows is a constexpr callable returning std::vector<WindowDef>.
template <auto MakeWindows>
constexpr auto encodedTemplateArray() {
    constexpr std::size_t size = encodeTemplates(MakeWindows()).size();
    std::array<std::uint8_t, size> out{};
    const auto bytes = encodeTemplates(MakeWindows());
    for (std::size_t i = 0; i < size; ++i) out[i] = bytes[i];
    return out;
}

// Why a block was refused; for tests and for nothing else: the program
// reports every refusal the same way.
enum class TemplateError {
    None,
    Missing,     // no block, or shorter than its header
    BadMagic,
    BadVersion,
    Truncated,   // the payload size reaches past the block
    BadChecksum,
    Malformed,   // a field out of bounds or out of range, or bytes left over
    Inconsistent // duplicate identities, references to nothing
};

struct DecodedTemplates {
    TemplateError error = TemplateError::None;
    std::vector<WindowDef> windows;
};

DecodedTemplates decodeTemplates(std::span<const std::uint8_t> block);

}  // namespace xy
