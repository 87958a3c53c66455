#include "toolkit/model/template_codec.h"

#include <algorithm>

namespace xy {
namespace codec {

bool isValidUtf8(const std::string& s) {
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    const auto* end = p + s.size();
    while (p < end) {
        unsigned char c = *p++;
        if (c < 0x80) {
            if (c == 0) return false;  // texts never hold NUL
            continue;
        }
        int extra;
        std::uint32_t cp;
        if ((c & 0xE0) == 0xC0) {
            extra = 1;
            cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            extra = 2;
            cp = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            extra = 3;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (end - p < extra) return false;
        for (int i = 0; i < extra; ++i) {
            if ((p[i] & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (p[i] & 0x3F);
        }
        p += extra;
        static constexpr std::uint32_t kMin[] = {0, 0x80, 0x800, 0x10000};
        if (cp < kMin[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    }
    return true;
}

void Reader::text(std::string& s) {
    std::uint32_t size = 0;
    u32(size);
    if (!ok_ || size > kMaxText || size > left_) {
        fail();
        return;
    }
    s.assign(reinterpret_cast<const char*>(p_), size);
    p_ += size;
    left_ -= size;
    if (!isValidUtf8(s)) fail();
}

}  // namespace codec

namespace {

std::uint32_t readU32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
           (std::uint32_t(p[3]) << 24);
}

bool sizeIsSane(const Rect& r) {
    constexpr std::int32_t kLimit = 32767;
    return r.width >= 0 && r.height >= 0 && r.width <= kLimit && r.height <= kLimit && r.left >= -kLimit &&
           r.left <= kLimit && r.top >= -kLimit && r.top <= kLimit;
}

bool menuIsConsistent(const MenuDef& m) {
    const auto groups = std::int32_t(m.groups.size());
    if (groups == 0) return m.openGroup == -1 || m.openGroup == 0;
    if (m.openGroup < 0 || m.openGroup >= groups) return false;
    const auto items = std::int32_t(m.groups[std::size_t(m.openGroup)].items.size());
    if (m.selectedItem < -1 || m.selectedItem >= items) return false;
    return m.headerHeight > 0 && m.headerHeight <= 1000 && m.slideStep >= 0;
}

// What the reader cannot see field by field: identities are unique, every
// control's parent is its window, rectangles are of a sane size.
bool isConsistent(const std::vector<WindowDef>& windows) {
    for (std::size_t i = 0; i < windows.size(); ++i) {
        const WindowDef& w = windows[i];
        if (w.id == 0 || !sizeIsSane(w.rect)) return false;
        for (std::size_t j = 0; j < i; ++j)
            if (windows[j].id == w.id) return false;
        for (std::size_t c = 0; c < w.controls.size(); ++c) {
            const ControlDef& ctl = w.controls[c];
            if (ctl.id == 0 || ctl.id == w.id || ctl.parent != 0 || !sizeIsSane(ctl.rect)) return false;
            for (std::size_t d = 0; d < c; ++d)
                if (w.controls[d].id == ctl.id) return false;
            if (ctl.kind == ControlKind::Accordion && !menuIsConsistent(ctl.menu)) return false;
        }
    }
    return true;
}

}  // namespace

DecodedTemplates decodeTemplates(std::span<const std::uint8_t> block) {
    DecodedTemplates result;
    if (block.size() < kTemplateHeaderSize) {
        result.error = TemplateError::Missing;
        return result;
    }
    const std::uint8_t* h = block.data();
    if (!std::equal(std::begin(kTemplateMagic), std::end(kTemplateMagic), h,
                    [](char a, std::uint8_t b) { return std::uint8_t(a) == b; })) {
        result.error = TemplateError::BadMagic;
        return result;
    }
    const std::uint16_t version = std::uint16_t(h[4] | (h[5] << 8));
    const std::uint16_t count = std::uint16_t(h[6] | (h[7] << 8));
    const std::uint32_t payloadSize = readU32(h + 8);
    const std::uint32_t crc = readU32(h + 12);
    if (version != kTemplateVersion) {
        result.error = TemplateError::BadVersion;
        return result;
    }
    if (payloadSize > block.size() - kTemplateHeaderSize) {
        result.error = TemplateError::Truncated;
        return result;
    }
    const std::uint8_t* payload = h + kTemplateHeaderSize;
    if (crc32(payload, payloadSize) != crc) {
        result.error = TemplateError::BadChecksum;
        return result;
    }

    codec::Reader reader(payload, payloadSize);
    std::vector<WindowDef> windows;
    for (std::uint16_t i = 0; i < count && reader.ok(); ++i) codec::fields(reader, windows.emplace_back());
    if (!reader.ok() || reader.left() != 0) {
        result.error = TemplateError::Malformed;
        return result;
    }
    if (!isConsistent(windows)) {
        result.error = TemplateError::Inconsistent;
        return result;
    }
    result.windows = std::move(windows);
    return result;
}

}  // namespace xy
