#include "tools/pe_resources.h"

#include <algorithm>
#include <array>
#include <iterator>

namespace xy::pe {
namespace {

[[noreturn]] void fail(const std::string& what) { throw FormatError(what); }

// Bounds-checked little-endian reads from a byte range.
class Reader {
public:
    explicit Reader(Bytes b) : b_(b) {}
    std::size_t size() const { return b_.size(); }
    bool has(std::uint64_t off, std::uint64_t n) const { return off <= b_.size() && n <= b_.size() - off; }
    void need(std::uint64_t off, std::uint64_t n, const char* what) const {
        if (!has(off, n)) fail(std::string("truncated: ") + what);
    }
    std::uint8_t u8(std::uint64_t off, const char* what) const {
        need(off, 1, what);
        return b_[off];
    }
    std::uint16_t u16(std::uint64_t off, const char* what) const {
        need(off, 2, what);
        return std::uint16_t(b_[off] | (b_[off + 1] << 8));
    }
    std::uint32_t u32(std::uint64_t off, const char* what) const {
        need(off, 4, what);
        return std::uint32_t(b_[off]) | (std::uint32_t(b_[off + 1]) << 8) |
               (std::uint32_t(b_[off + 2]) << 16) | (std::uint32_t(b_[off + 3]) << 24);
    }
    std::uint64_t u64(std::uint64_t off, const char* what) const {
        return u32(off, what) | (std::uint64_t(u32(off + 4, what)) << 32);
    }
    Bytes sub(std::uint64_t off, std::uint64_t n, const char* what) const {
        need(off, n, what);
        return b_.subspan(off, n);
    }

private:
    Bytes b_;
};

constexpr std::size_t kMaxNameLength = 1024;

std::string asciiz(const Reader& r, std::uint64_t off, const char* what) {
    std::string s;
    for (;; ++off) {
        const std::uint8_t c = r.u8(off, what);
        if (c == 0) return s;
        if (s.size() >= kMaxNameLength) fail(std::string("string too long: ") + what);
        s.push_back(char(c));
    }
}

std::uint64_t fileOffset(const PeFile& pe, std::uint32_t rva, std::uint32_t n, const char* what) {
    const Section* s = pe.sectionAt(rva);
    if (!s) fail(std::string("address outside every section: ") + what);
    const std::uint64_t inSection = rva - s->virtualAddress;
    if (inSection + n > s->rawSize) fail(std::string("data beyond the section's file data: ") + what);
    return std::uint64_t(s->rawOffset) + inSection;
}

// ---------------------------------------------------------------------------
// Resource tree: type -> name -> language -> data entry.

struct TreeWalk {
    const Reader& file;
    const PeFile& pe;
    std::uint64_t base;   // file offset of the root directory
    std::uint32_t limit;  // bytes of the resource directory in its section
    std::vector<Resource>& out;
    std::size_t entriesSeen = 0;

    Reader tree() const { return Reader(file.sub(base, limit, "resource directory")); }

    ResourceKey key(std::uint32_t nameField) const {
        ResourceKey k;
        if (nameField & 0x80000000u) {
            const Reader t = tree();
            const std::uint32_t off = nameField & 0x7FFFFFFFu;
            const std::uint16_t len = t.u16(off, "resource name");
            t.need(std::uint64_t(off) + 2, std::uint64_t(len) * 2, "resource name");
            k.named = true;
            for (std::uint16_t i = 0; i < len; ++i) k.name.push_back(char16_t(t.u16(off + 2 + 2ull * i, "resource name")));
        } else {
            if (nameField > 0xFFFF) fail("resource number out of range");
            k.id = std::uint16_t(nameField);
        }
        return k;
    }

    void directory(std::uint32_t off, int level, const ResourceKey* type, const ResourceKey* name) {
        const Reader t = tree();
        const std::uint16_t named = t.u16(off + 12ull, "resource directory");
        const std::uint16_t numbered = t.u16(off + 14ull, "resource directory");
        const std::uint32_t count = std::uint32_t(named) + numbered;
        t.need(off + 16ull, 8ull * count, "resource directory entries");
        // Every entry is eight bytes of a directory of limited size, so this
        // bounds the work on a tree whose directories share entries.
        entriesSeen += count;
        if (entriesSeen > limit / 8 + 16) fail("resource directory entries repeat");
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::uint64_t e = off + 16ull + 8ull * i;
            const std::uint32_t nameField = t.u32(e, "resource entry");
            const std::uint32_t target = t.u32(e + 4, "resource entry");
            const bool isNamed = (nameField & 0x80000000u) != 0;
            if (isNamed != (i < named)) fail("resource entry in the wrong part of its directory");
            const ResourceKey k = key(nameField);
            const bool subdirectory = (target & 0x80000000u) != 0;
            if (level < 2) {
                if (!subdirectory) fail("resource data where a directory belongs");
                const std::uint32_t sub = target & 0x7FFFFFFFu;
                if (level == 0) directory(sub, 1, &k, nullptr);
                else directory(sub, 2, type, &k);
                continue;
            }
            if (subdirectory) fail("resource tree deeper than three levels");
            if (k.named) fail("resource language given as a name");
            Resource r;
            r.type = *type;
            r.name = *name;
            r.language = k.id;
            r.rva = t.u32(target, "resource data entry");
            const std::uint32_t size = t.u32(target + 4ull, "resource data entry");
            r.codePage = t.u32(target + 8ull, "resource data entry");
            const std::uint64_t at = fileOffset(pe, r.rva, size, "resource data");
            const Bytes d = file.sub(at, size, "resource data");
            r.data.assign(d.begin(), d.end());
            out.push_back(std::move(r));
        }
    }
};

void readImports(const Reader& file, PeFile& pe, const DataDirectory& dir) {
    if (dir.rva == 0) return;
    constexpr std::uint32_t kDescriptor = 20;
    for (std::uint32_t i = 0;; ++i) {
        if (i > 4096) fail("import directory without an end");
        const std::uint64_t at = fileOffset(pe, dir.rva + i * kDescriptor, kDescriptor, "import directory");
        bool zero = true;
        for (std::uint32_t k = 0; k < kDescriptor; k += 4) zero = zero && file.u32(at + k, "import directory") == 0;
        if (zero) return;
        const std::uint32_t nameRva = file.u32(at + 12, "import directory");
        pe.imports.push_back(asciiz(file, fileOffset(pe, nameRva, 1, "import name"), "import name"));
    }
}

void readDelayImports(const Reader& file, PeFile& pe, const DataDirectory& dir) {
    if (dir.rva == 0) return;
    constexpr std::uint32_t kDescriptor = 32;
    for (std::uint32_t i = 0;; ++i) {
        if (i > 4096) fail("delay import directory without an end");
        const std::uint64_t at = fileOffset(pe, dir.rva + i * kDescriptor, kDescriptor, "delay import directory");
        const std::uint32_t attributes = file.u32(at, "delay import directory");
        std::uint64_t name = file.u32(at + 4, "delay import directory");
        if (attributes == 0 && name == 0) return;
        // Old linkers stored addresses instead of relative addresses.
        if ((attributes & 1) == 0) {
            if (name < pe.imageBase) fail("delay import name before the image");
            name -= pe.imageBase;
        }
        if (name > 0xFFFFFFFFu) fail("delay import name outside the image");
        pe.delayImports.push_back(asciiz(file, fileOffset(pe, std::uint32_t(name), 1, "delay import name"),
                                         "delay import name"));
    }
}

}  // namespace

std::string ResourceKey::text() const {
    if (named) return toUtf8(name);
    return "#" + std::to_string(id);
}

const Section* PeFile::sectionAt(std::uint32_t rva) const {
    for (const auto& s : sections) {
        const std::uint64_t span = std::max(s.virtualSize, s.rawSize);
        if (rva >= s.virtualAddress && rva - std::uint64_t(s.virtualAddress) < span) return &s;
    }
    return nullptr;
}

std::vector<const Resource*> PeFile::find(std::uint16_t type) const {
    std::vector<const Resource*> out;
    for (const auto& r : resources)
        if (r.type.is(type)) out.push_back(&r);
    return out;
}

PeFile readPe(Bytes bytes) {
    const Reader file(bytes);
    if (file.u16(0, "DOS header") != 0x5A4D) fail("no MZ signature");
    const std::uint32_t peOffset = file.u32(0x3C, "DOS header");
    if (file.u32(peOffset, "PE signature") != 0x00004550) fail("no PE signature");
    const std::uint64_t coff = peOffset + 4ull;
    PeFile pe;
    pe.machine = file.u16(coff, "file header");
    const std::uint16_t sectionCount = file.u16(coff + 2, "file header");
    const std::uint16_t optionalSize = file.u16(coff + 16, "file header");
    const std::uint64_t opt = coff + 20;
    file.need(opt, optionalSize, "optional header");
    const std::uint16_t magic = file.u16(opt, "optional header");
    std::uint64_t dirs = 0;
    std::uint32_t dirCount = 0;
    if (optionalSize < (magic == 0x20B ? 112 : 96)) fail("optional header too short");
    if (magic == 0x10B) {
        pe.imageBase = file.u32(opt + 28, "optional header");
        dirCount = file.u32(opt + 92, "optional header");
        dirs = opt + 96;
    } else if (magic == 0x20B) {
        pe.pe32plus = true;
        pe.imageBase = file.u64(opt + 24, "optional header");
        dirCount = file.u32(opt + 108, "optional header");
        dirs = opt + 112;
    } else {
        fail("unknown optional header");
    }
    if (dirCount > 16) fail("too many data directories");
    if (dirs + 8ull * dirCount > opt + optionalSize) fail("data directories beyond the optional header");
    auto directory = [&](std::uint32_t index) {
        DataDirectory d;
        if (index < dirCount) {
            d.rva = file.u32(dirs + 8ull * index, "data directory");
            d.size = file.u32(dirs + 8ull * index + 4, "data directory");
        }
        return d;
    };

    const std::uint64_t sectionTable = opt + optionalSize;
    file.need(sectionTable, 40ull * sectionCount, "section table");
    for (std::uint16_t i = 0; i < sectionCount; ++i) {
        const std::uint64_t s = sectionTable + 40ull * i;
        Section sec;
        for (int k = 0; k < 8; ++k) {
            const char c = char(file.u8(s + k, "section name"));
            if (c == 0) break;
            sec.name.push_back(c);
        }
        sec.virtualSize = file.u32(s + 8, "section header");
        sec.virtualAddress = file.u32(s + 12, "section header");
        sec.rawSize = file.u32(s + 16, "section header");
        sec.rawOffset = file.u32(s + 20, "section header");
        if (sec.rawSize && !file.has(sec.rawOffset, sec.rawSize)) fail("section data beyond the end of the file");
        pe.sections.push_back(std::move(sec));
    }

    pe.resourceDirectory = directory(2);
    if (pe.resourceDirectory.rva != 0) {
        const Section* s = pe.sectionAt(pe.resourceDirectory.rva);
        if (!s) fail("resource directory outside every section");
        const std::uint32_t inSection = pe.resourceDirectory.rva - s->virtualAddress;
        if (inSection >= s->rawSize) fail("resource directory beyond the section's file data");
        // Offsets in the tree may reach to the end of the section's data.
        TreeWalk walk{file, pe, std::uint64_t(s->rawOffset) + inSection, s->rawSize - inSection, pe.resources};
        walk.directory(0, 0, nullptr, nullptr);
    }
    readImports(file, pe, directory(1));
    readDelayImports(file, pe, directory(13));
    return pe;
}

// ---------------------------------------------------------------------------

std::vector<GroupIconEntry> parseGroupIcon(Bytes data) {
    const Reader r(data);
    if (r.u16(0, "icon group") != 0 || r.u16(2, "icon group") != 1) fail("not an icon group");
    const std::uint16_t count = r.u16(4, "icon group");
    r.need(6, 14ull * count, "icon group entries");
    std::vector<GroupIconEntry> out;
    for (std::uint16_t i = 0; i < count; ++i) {
        const std::uint64_t e = 6 + 14ull * i;
        GroupIconEntry g;
        g.width = r.u8(e, "icon group entry");
        g.height = r.u8(e + 1, "icon group entry");
        g.colourCount = r.u8(e + 2, "icon group entry");
        g.reserved = r.u8(e + 3, "icon group entry");
        g.planes = r.u16(e + 4, "icon group entry");
        g.bitCount = r.u16(e + 6, "icon group entry");
        g.bytesInRes = r.u32(e + 8, "icon group entry");
        g.id = r.u16(e + 12, "icon group entry");
        out.push_back(g);
    }
    return out;
}

bool isPng(Bytes data) {
    static constexpr std::array<std::uint8_t, 8> kSignature = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    return data.size() >= kSignature.size() && std::equal(kSignature.begin(), kSignature.end(), data.begin());
}

IconDib parseIconDib(Bytes data) {
    if (isPng(data)) fail("a PNG image, not a DIB");
    const Reader r(data);
    IconDib d;
    d.headerSize = r.u32(0, "bitmap header");
    if (d.headerSize < 40) fail("bitmap header older than BITMAPINFOHEADER");
    r.need(0, d.headerSize, "bitmap header");
    d.width = std::int32_t(r.u32(4, "bitmap header"));
    d.height = std::int32_t(r.u32(8, "bitmap header"));
    d.planes = r.u16(12, "bitmap header");
    d.bitCount = r.u16(14, "bitmap header");
    d.compression = r.u32(16, "bitmap header");
    d.sizeImage = r.u32(20, "bitmap header");
    d.colourUsed = r.u32(32, "bitmap header");
    if (d.width <= 0 || d.width > 1024 || d.height <= 0 || d.height > 2048 || d.height % 2 != 0)
        fail("icon bitmap of impossible size");
    switch (d.bitCount) {
    case 1: case 4: case 8:
        if (d.colourUsed > (1u << d.bitCount)) fail("palette larger than the bit depth allows");
        d.paletteEntries = d.colourUsed ? d.colourUsed : (std::size_t(1) << d.bitCount);
        break;
    case 16: case 24: case 32:
        d.paletteEntries = 0;
        break;
    default:
        fail("unknown bit depth");
    }
    const auto stride = [](std::size_t w, std::size_t bpp) { return ((w * bpp + 31) / 32) * 4; };
    const std::size_t w = std::size_t(d.width), h = std::size_t(d.height) / 2;
    d.expectedSize = d.headerSize + 4 * d.paletteEntries + stride(w, d.bitCount) * h + stride(w, 1) * h;
    return d;
}

// ---------------------------------------------------------------------------
// Version record: a tree of nodes, each { wLength, wValueLength, wType,
// szKey, padding, value, padding, children }, aligned to four bytes.

namespace {

struct VersionNode {
    std::u16string key;
    std::uint16_t type = 0;       // 0 binary, 1 text
    Bytes value;                  // binary value bytes or text value (UTF-16)
    std::vector<VersionNode> children;
};

std::uint64_t align4(std::uint64_t v) { return (v + 3) & ~std::uint64_t(3); }

VersionNode parseNode(const Reader& r, std::uint64_t at, std::uint64_t end, int depth) {
    if (depth > 4) fail("version record nested too deeply");
    const std::uint16_t length = r.u16(at, "version node");
    const std::uint16_t valueLength = r.u16(at + 2, "version node");
    VersionNode n;
    n.type = r.u16(at + 4, "version node");
    if (length < 6 || at + length > end) fail("version node length out of range");
    if (n.type > 1) fail("version node of unknown type");
    const Reader node(r.sub(at, length, "version node"));
    std::uint64_t p = 6;
    for (;; p += 2) {
        const std::uint16_t c = node.u16(p, "version key");
        if (c == 0) break;
        n.key.push_back(char16_t(c));
    }
    p = align4(p + 2);
    const std::uint64_t valueBytes = n.type == 1 ? 2ull * valueLength : valueLength;
    if (valueBytes) {
        n.value = node.sub(p, valueBytes, "version value");
        p = align4(p + valueBytes);
    }
    while (p < length) {
        if (length - p < 6) {
            // Trailing alignment bytes.
            break;
        }
        VersionNode child = parseNode(node, p, length, depth + 1);
        p = align4(p + node.u16(p, "version node"));
        n.children.push_back(std::move(child));
    }
    return n;
}

std::u16string textValue(const VersionNode& n) {
    std::u16string s;
    for (std::size_t i = 0; i + 1 < n.value.size(); i += 2) s.push_back(char16_t(n.value[i] | (n.value[i + 1] << 8)));
    while (!s.empty() && s.back() == u'\0') s.pop_back();
    return s;
}

}  // namespace

VersionInfo parseVersionInfo(Bytes data) {
    const Reader r(data);
    const VersionNode root = parseNode(r, 0, data.size(), 0);
    VersionInfo v;
    v.rootKey = root.key;
    if (root.key != u"VS_VERSION_INFO") fail("version record without VS_VERSION_INFO");
    if (!root.value.empty()) {
        if (root.value.size() != 52) fail("fixed version part of the wrong size");
        const Reader f(root.value);
        FixedFileInfo x;
        std::uint32_t* fields[] = {&x.signature, &x.strucVersion, &x.fileVersionMS, &x.fileVersionLS,
                                   &x.productVersionMS, &x.productVersionLS, &x.fileFlagsMask, &x.fileFlags,
                                   &x.fileOS, &x.fileType, &x.fileSubtype, &x.fileDateMS, &x.fileDateLS};
        for (std::size_t i = 0; i < std::size(fields); ++i) *fields[i] = f.u32(4 * i, "fixed version part");
        if (x.signature != 0xFEEF04BDu) fail("fixed version part without its signature");
        v.fixed = x;
    }
    for (const auto& child : root.children) {
        v.rootChildren.push_back(child.key);
        if (child.key == u"StringFileInfo") {
            for (const auto& table : child.children) {
                StringTable t{table.key, {}};
                for (const auto& s : table.children) t.entries.emplace_back(s.key, textValue(s));
                v.stringTables.push_back(std::move(t));
            }
        } else if (child.key == u"VarFileInfo") {
            for (const auto& var : child.children) {
                VarEntry e{var.key, {}};
                if (var.value.size() % 2) fail("odd-sized version variable");
                for (std::size_t i = 0; i < var.value.size(); i += 2)
                    e.words.push_back(std::uint16_t(var.value[i] | (var.value[i + 1] << 8)));
                v.vars.push_back(std::move(e));
            }
        }
    }
    return v;
}

// ---------------------------------------------------------------------------
// XML

const std::string* XmlElement::attribute(std::string_view key) const {
    for (const auto& a : attributes)
        if (a.first == key) return &a.second;
    return nullptr;
}

std::string_view XmlElement::localName() const {
    const std::string_view n = name;
    const auto colon = n.find(':');
    return colon == std::string_view::npos ? n : n.substr(colon + 1);
}

namespace {

bool nameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '-' || c == '.' || c == ':' || (static_cast<unsigned char>(c) >= 0x80);
}

std::string decodeEntities(std::string_view v) {
    std::string out;
    for (std::size_t i = 0; i < v.size();) {
        if (v[i] != '&') {
            out.push_back(v[i++]);
            continue;
        }
        const auto semi = v.find(';', i);
        if (semi == std::string_view::npos) fail("unterminated XML entity");
        const std::string_view e = v.substr(i + 1, semi - i - 1);
        if (e == "amp") out.push_back('&');
        else if (e == "lt") out.push_back('<');
        else if (e == "gt") out.push_back('>');
        else if (e == "quot") out.push_back('"');
        else if (e == "apos") out.push_back('\'');
        else fail("unknown XML entity");
        i = semi + 1;
    }
    return out;
}

}  // namespace

std::vector<XmlElement> parseXml(std::string_view text) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    fromUtf8(text);  // rejects malformed UTF-8
    std::vector<XmlElement> out;
    std::vector<int> open;
    bool rootSeen = false;
    std::size_t i = 0;
    auto skipSpace = [&] {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\r' || text[i] == '\n')) ++i;
    };
    auto readName = [&] {
        const std::size_t start = i;
        while (i < text.size() && nameChar(text[i])) ++i;
        if (i == start) fail("XML name expected");
        return std::string(text.substr(start, i - start));
    };
    while (i < text.size()) {
        if (text[i] != '<') {
            if (open.empty() && !(text[i] == ' ' || text[i] == '\t' || text[i] == '\r' || text[i] == '\n'))
                fail("text outside the XML root element");
            ++i;
            continue;
        }
        if (text.substr(i, 4) == "<!--") {
            const auto end = text.find("-->", i + 4);
            if (end == std::string_view::npos) fail("unterminated XML comment");
            i = end + 3;
            continue;
        }
        if (text.substr(i, 2) == "<?") {
            const auto end = text.find("?>", i + 2);
            if (end == std::string_view::npos) fail("unterminated XML declaration");
            i = end + 2;
            continue;
        }
        if (text.substr(i, 9) == "<![CDATA[") {
            if (open.empty()) fail("CDATA outside the XML root element");
            const auto end = text.find("]]>", i + 9);
            if (end == std::string_view::npos) fail("unterminated CDATA");
            i = end + 3;
            continue;
        }
        if (text.substr(i, 2) == "<!") fail("XML document type declarations are not read");
        if (text.substr(i, 2) == "</") {
            i += 2;
            const std::string name = readName();
            skipSpace();
            if (i >= text.size() || text[i] != '>') fail("malformed XML end tag");
            ++i;
            if (open.empty() || out[std::size_t(open.back())].name != name) fail("XML end tag does not match");
            open.pop_back();
            continue;
        }
        ++i;
        XmlElement e;
        e.name = readName();
        if (open.empty()) {
            if (rootSeen) fail("a second XML root element");
            rootSeen = true;
        }
        e.parent = open.empty() ? -1 : open.back();
        e.depth = int(open.size());
        bool selfClosing = false;
        for (;;) {
            skipSpace();
            if (i >= text.size()) fail("unterminated XML tag");
            if (text[i] == '>') {
                ++i;
                break;
            }
            if (text.substr(i, 2) == "/>") {
                i += 2;
                selfClosing = true;
                break;
            }
            std::string key = readName();
            skipSpace();
            if (i >= text.size() || text[i] != '=') fail("XML attribute without a value");
            ++i;
            skipSpace();
            if (i >= text.size() || (text[i] != '"' && text[i] != '\'')) fail("XML attribute value without quotes");
            const char quote = text[i++];
            const auto end = text.find(quote, i);
            if (end == std::string_view::npos) fail("unterminated XML attribute value");
            const std::string_view raw = text.substr(i, end - i);
            if (raw.find('<') != std::string_view::npos) fail("'<' in an XML attribute value");
            if (e.attribute(key)) fail("repeated XML attribute");
            e.attributes.emplace_back(std::move(key), decodeEntities(raw));
            i = end + 1;
        }
        out.push_back(std::move(e));
        if (!selfClosing) open.push_back(int(out.size() - 1));
    }
    if (!open.empty()) fail("XML element not closed");
    if (!rootSeen) fail("no XML root element");
    return out;
}

// ---------------------------------------------------------------------------

std::string toUtf8(std::u16string_view s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        std::uint32_t c = s[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (std::uint32_t(s[i + 1]) - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;  // lone surrogate
        }
        if (c < 0x80) {
            out.push_back(char(c));
        } else if (c < 0x800) {
            out.push_back(char(0xC0 | (c >> 6)));
            out.push_back(char(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(char(0xE0 | (c >> 12)));
            out.push_back(char(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(char(0x80 | (c & 0x3F)));
        } else {
            out.push_back(char(0xF0 | (c >> 18)));
            out.push_back(char(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(char(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(char(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

std::u16string fromUtf8(std::string_view s) {
    std::u16string out;
    for (std::size_t i = 0; i < s.size();) {
        const auto b = static_cast<unsigned char>(s[i]);
        std::uint32_t c = 0;
        std::size_t n = 0;
        if (b < 0x80) { c = b; n = 1; }
        else if (b >= 0xC2 && b < 0xE0) { c = b & 0x1Fu; n = 2; }
        else if (b >= 0xE0 && b < 0xF0) { c = b & 0x0Fu; n = 3; }
        else if (b >= 0xF0 && b < 0xF5) { c = b & 0x07u; n = 4; }
        else fail("invalid UTF-8");
        if (s.size() - i < n) fail("truncated UTF-8");
        for (std::size_t k = 1; k < n; ++k) {
            const auto cont = static_cast<unsigned char>(s[i + k]);
            if ((cont & 0xC0) != 0x80) fail("invalid UTF-8");
            c = (c << 6) | (cont & 0x3Fu);
        }
        if ((n == 3 && c < 0x800) || (n == 4 && (c < 0x10000 || c > 0x10FFFF)) || (c >= 0xD800 && c <= 0xDFFF))
            fail("invalid UTF-8");
        if (c >= 0x10000) {
            out.push_back(char16_t(0xD800 + ((c - 0x10000) >> 10)));
            out.push_back(char16_t(0xDC00 + ((c - 0x10000) & 0x3FF)));
        } else {
            out.push_back(char16_t(c));
        }
        i += n;
    }
    return out;
}

}  // namespace xy::pe
