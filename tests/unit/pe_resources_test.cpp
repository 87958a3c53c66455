// The PE reader used by check_resources, on small images built here.

#include "tools/pe_resources.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <tuple>
#include <variant>
#include <vector>

namespace pe = xy::pe;

namespace {

using Blob = std::vector<std::uint8_t>;

void put16(Blob& b, std::size_t at, std::uint32_t v) {
    if (b.size() < at + 2) b.resize(at + 2);
    b[at] = std::uint8_t(v);
    b[at + 1] = std::uint8_t(v >> 8);
}
void put32(Blob& b, std::size_t at, std::uint32_t v) {
    put16(b, at, v & 0xFFFF);
    put16(b, at + 2, v >> 16);
}
void append16(Blob& b, std::uint32_t v) { put16(b, b.size(), v); }
void append32(Blob& b, std::uint32_t v) { put32(b, b.size(), v); }
void align4(Blob& b) { b.resize((b.size() + 3) & ~std::size_t(3)); }

// ---------------------------------------------------------------------------
// A resource section: directories of three levels, data entries, names,
// data, laid out the way resource compilers do.

using Key = std::variant<std::uint16_t, std::u16string>;
struct Res {
    Key type, name;
    std::uint16_t language;
    Blob data;
};

constexpr std::uint32_t kSectionRva = 0x1000;

// Builds the resource tree for `list`, which is given in directory order
// (named keys first at each level).
Blob resourceSection(const std::vector<Res>& list, std::uint32_t sectionRva = kSectionRva) {
    struct Node {
        Key key;
        std::vector<Node> children;
        const Res* leaf = nullptr;
        std::uint32_t offset = 0;
    };
    Node root;
    for (const auto& r : list) {
        auto child = [](Node& n, const Key& k) -> Node& {
            for (auto& c : n.children)
                if (c.key == k) return c;
            n.children.push_back(Node{k, {}, nullptr, 0});
            return n.children.back();
        };
        Node& t = child(root, r.type);
        Node& n = child(t, r.name);
        n.children.push_back(Node{Key{r.language}, {}, &r, 0});
    }
    // Directories first, in preorder; then data entries, names and data.
    std::uint32_t at = 0;
    std::vector<Node*> leaves;
    auto place = [&](auto& self, Node& n) -> void {
        if (n.leaf) {
            leaves.push_back(&n);
            return;
        }
        n.offset = at;
        at += 16 + 8 * std::uint32_t(n.children.size());
        for (auto& c : n.children) self(self, c);
    };
    place(place, root);
    for (Node* l : leaves) {
        l->offset = at;
        at += 16;
    }
    Blob b(at, 0);
    auto nameOffset = [&](const std::u16string& s) {
        const std::uint32_t off = std::uint32_t(b.size());
        append16(b, std::uint32_t(s.size()));
        for (char16_t c : s) append16(b, c);
        return off;
    };
    auto write = [&](auto& self, Node& n) -> void {
        if (n.leaf) return;
        std::uint16_t named = 0, numbered = 0;
        for (auto& c : n.children) (std::holds_alternative<std::u16string>(c.key) ? named : numbered)++;
        put16(b, n.offset + 12, named);
        put16(b, n.offset + 14, numbered);
        for (std::size_t i = 0; i < n.children.size(); ++i) {
            Node& c = n.children[i];
            const std::size_t e = n.offset + 16 + 8 * i;
            if (const auto* s = std::get_if<std::u16string>(&c.key)) put32(b, e, 0x80000000u | nameOffset(*s));
            else put32(b, e, std::get<std::uint16_t>(c.key));
            put32(b, e + 4, c.leaf ? c.offset : (0x80000000u | c.offset));
            self(self, c);
        }
    };
    write(write, root);
    for (Node* l : leaves) {
        align4(b);
        put32(b, l->offset, sectionRva + std::uint32_t(b.size()));
        put32(b, l->offset + 4, std::uint32_t(l->leaf->data.size()));
        put32(b, l->offset + 8, 936);
        b.insert(b.end(), l->leaf->data.begin(), l->leaf->data.end());
    }
    return b;
}

// A PE32 image with one section at kSectionRva holding `section`; the
// resource and import directories point into it.
struct Image {
    Blob section;
    std::uint32_t resourceOffset = 0, resourceSize = 0;  // within the section
    std::uint32_t importOffset = 0;                      // 0: none
    std::uint32_t delayImportOffset = 0;                 // 0: none
    std::uint16_t machine = 0x14C;

    Blob build() const {
        constexpr std::uint32_t peAt = 0x40, optSize = 224, headersSize = 0x200;
        Blob b(headersSize, 0);
        put16(b, 0, 0x5A4D);
        put32(b, 0x3C, peAt);
        put32(b, peAt, 0x00004550);
        const std::size_t coff = peAt + 4;
        put16(b, coff, machine);
        put16(b, coff + 2, 1);         // sections
        put16(b, coff + 16, optSize);
        put16(b, coff + 18, 0x0102);   // executable, 32-bit
        const std::size_t opt = coff + 20;
        put16(b, opt, 0x10B);
        put32(b, opt + 28, 0x400000);  // image base
        put32(b, opt + 92, 16);        // data directories
        auto directory = [&](std::size_t index, std::uint32_t offset, std::uint32_t size) {
            put32(b, opt + 96 + 8 * index, kSectionRva + offset);
            put32(b, opt + 100 + 8 * index, size);
        };
        if (importOffset) directory(1, importOffset, 60);
        if (resourceSize) directory(2, resourceOffset, resourceSize);
        if (delayImportOffset) directory(13, delayImportOffset, 96);
        const std::size_t sec = opt + optSize;
        const char name[8] = {'.', 'r', 's', 'r', 'c', 0, 0, 0};
        for (int i = 0; i < 8; ++i) b[sec + std::size_t(i)] = std::uint8_t(name[i]);
        put32(b, sec + 8, std::uint32_t(section.size()));
        put32(b, sec + 12, kSectionRva);
        put32(b, sec + 16, std::uint32_t(section.size()));
        put32(b, sec + 20, headersSize);
        b.insert(b.end(), section.begin(), section.end());
        return b;
    }
};

Blob bytesOf(std::string_view s) { return Blob(s.begin(), s.end()); }

std::vector<Res> sampleResources() {
    return {
        {Key{std::uint16_t{3}}, Key{std::uint16_t{1}}, 2052, bytesOf("icon one")},
        {Key{std::uint16_t{3}}, Key{std::uint16_t{2}}, 2052, bytesOf("icon two!")},
        {Key{std::uint16_t{14}}, Key{std::u16string(u"DEFAULT_ICON")}, 2052, bytesOf("group")},
        {Key{std::uint16_t{24}}, Key{std::uint16_t{1}}, 0, bytesOf("<assembly/>")},
        {Key{std::uint16_t{24}}, Key{std::uint16_t{1}}, 1033, bytesOf("<other/>")},
    };
}

// The sample resources followed by an import directory naming two DLLs.
Image sampleImage() {
    Image im;
    im.section = resourceSection(sampleResources());
    im.resourceSize = std::uint32_t(im.section.size());
    align4(im.section);
    im.importOffset = std::uint32_t(im.section.size());
    im.section.resize(im.section.size() + 60, 0);  // two descriptors and the terminator
    const std::uint32_t names = std::uint32_t(im.section.size());
    for (char c : std::string("KERNEL32.dll\0user32.dll\0", 24)) im.section.push_back(std::uint8_t(c));
    put32(im.section, im.importOffset + 12, kSectionRva + names);
    put32(im.section, im.importOffset + 20 + 12, kSectionRva + names + 13);
    return im;
}

// ---------------------------------------------------------------------------

TEST(PeReader, ReadsResourceTreeInDirectoryOrderWithNamesAndLanguages) {
    const Blob file = sampleImage().build();
    const pe::PeFile f = pe::readPe(file);
    EXPECT_EQ(f.machine, 0x14C);
    EXPECT_FALSE(f.pe32plus);
    ASSERT_EQ(f.resources.size(), 5u);
    const auto& r = f.resources;
    EXPECT_TRUE(r[0].type.is(pe::kRtIcon));
    EXPECT_TRUE(r[0].name.is(std::uint16_t{1}));
    EXPECT_EQ(r[0].language, 2052);
    EXPECT_EQ(r[0].codePage, 936u);
    EXPECT_EQ(r[0].data, bytesOf("icon one"));
    EXPECT_EQ(r[1].data, bytesOf("icon two!"));
    EXPECT_TRUE(r[2].type.is(pe::kRtGroupIcon));
    EXPECT_TRUE(r[2].name.is(u"DEFAULT_ICON"));
    EXPECT_EQ(r[2].name.text(), "DEFAULT_ICON");
    EXPECT_EQ(r[3].language, 0);
    EXPECT_EQ(r[4].language, 1033);
    EXPECT_EQ(r[4].data, bytesOf("<other/>"));
    EXPECT_EQ(f.find(pe::kRtManifest).size(), 2u);
    EXPECT_EQ(f.find(pe::kRtVersion).size(), 0u);
    EXPECT_EQ(f.imports, (std::vector<std::string>{"KERNEL32.dll", "user32.dll"}));
    EXPECT_TRUE(f.delayImports.empty());
    ASSERT_EQ(f.sections.size(), 1u);
    EXPECT_EQ(f.sections[0].name, ".rsrc");
    EXPECT_EQ(f.sectionAt(f.resourceDirectory.rva), &f.sections[0]);
}

TEST(PeReader, ReadsDelayImportsByRelativeAndAbsoluteAddress) {
    Image im = sampleImage();
    im.delayImportOffset = std::uint32_t(im.section.size());
    im.section.resize(im.section.size() + 96, 0);  // two descriptors and the terminator
    const std::uint32_t names = std::uint32_t(im.section.size());
    for (char c : std::string("libfoo.dll\0bar.dll\0", 19)) im.section.push_back(std::uint8_t(c));
    put32(im.section, im.delayImportOffset, 1);  // relative addresses
    put32(im.section, im.delayImportOffset + 4, kSectionRva + names);
    put32(im.section, im.delayImportOffset + 32, 0);  // old style: an address
    put32(im.section, im.delayImportOffset + 36, 0x400000 + kSectionRva + names + 11);
    const pe::PeFile f = pe::readPe(im.build());
    EXPECT_EQ(f.delayImports, (std::vector<std::string>{"libfoo.dll", "bar.dll"}));
}

TEST(PeReader, RejectsEveryTruncationOfAnImage) {
    const Blob file = sampleImage().build();
    for (std::size_t n = 0; n < file.size(); ++n) {
        const Blob cut(file.begin(), file.begin() + std::ptrdiff_t(n));
        EXPECT_THROW(pe::readPe(cut), pe::FormatError) << "prefix of " << n << " bytes";
    }
}

TEST(PeReader, SurvivesDamageToAnyByte) {
    // Each byte in turn set to a few hostile values: the reader either reads
    // the image or reports a format error; it never reads out of bounds.
    const Blob file = sampleImage().build();
    std::size_t rejected = 0;
    for (std::size_t i = 0; i < file.size(); ++i)
        for (std::uint8_t v : {0x00, 0x7F, 0x80, 0xFF}) {
            Blob damaged = file;
            damaged[i] = v;
            try {
                (void)pe::readPe(damaged);
            } catch (const pe::FormatError&) {
                ++rejected;
            }
        }
    EXPECT_GT(rejected, 0u);
}

TEST(PeReader, RejectsGarbageAndForeignFiles) {
    EXPECT_THROW(pe::readPe(Blob{}), pe::FormatError);
    EXPECT_THROW(pe::readPe(bytesOf("MZ")), pe::FormatError);
    Blob noise(4096);
    std::uint32_t x = 12345;
    for (auto& b : noise) b = std::uint8_t((x = x * 1103515245u + 12345u) >> 24);
    noise[0] = 'M';
    noise[1] = 'Z';
    put32(noise, 0x3C, 0x80);
    EXPECT_THROW(pe::readPe(noise), pe::FormatError);
    put32(noise, 0x80, 0x00004550);  // a PE signature over noise
    EXPECT_THROW(pe::readPe(noise), pe::FormatError);
}

TEST(PeReader, RejectsResourceTreesThatPointWhereTheyShouldNot) {
    const Image good = sampleImage();
    // Root entry 0 points at the root itself: a fourth level would follow.
    {
        Image im = good;
        put32(im.section, 16 + 4, 0x80000000u);
        EXPECT_THROW(pe::readPe(im.build()), pe::FormatError);
    }
    // Root entry 0 points at data instead of a directory.
    {
        Image im = good;
        put32(im.section, 16 + 4, 16);
        EXPECT_THROW(pe::readPe(im.build()), pe::FormatError);
    }
    // A data entry whose address lies outside every section.
    {
        Image im = good;
        const pe::PeFile f = pe::readPe(good.build());
        const Blob& s = good.section;
        // The first data entry follows the directories; find it by its address.
        for (std::size_t at = 0; at + 4 <= s.size(); at += 4) {
            const std::uint32_t v = std::uint32_t(s[at]) | std::uint32_t(s[at + 1]) << 8 |
                                    std::uint32_t(s[at + 2]) << 16 | std::uint32_t(s[at + 3]) << 24;
            if (v == f.resources[0].rva) {
                put32(im.section, at, 0x00900000);
                break;
            }
        }
        EXPECT_THROW(pe::readPe(im.build()), pe::FormatError);
    }
    // A resource name whose length runs past the section.
    {
        Image im = good;
        for (std::size_t at = 0; at + 2 < im.section.size(); at += 2)
            if (im.section[at] == 12 && im.section[at + 1] == 0 && im.section[at + 2] == 'D') {
                put16(im.section, at, 0x7FFF);
                break;
            }
        EXPECT_THROW(pe::readPe(im.build()), pe::FormatError);
    }
}

TEST(PeReader, RejectsDirectoriesSharedToMultiplyEntries) {
    // Type, name and language directories of 200 entries each, every entry
    // pointing at the next level's one directory: 8 million resources from
    // under 5 KiB.
    constexpr std::uint32_t n = 200;
    const std::uint32_t dir = 16 + 8 * n;
    Blob s(3 * dir + 16 + 4, 0);
    for (std::uint32_t level = 0; level < 3; ++level) {
        const std::uint32_t at = level * dir;
        put16(s, at + 14, n);
        for (std::uint32_t i = 0; i < n; ++i) {
            put32(s, at + 16 + 8 * i, i + 1);
            put32(s, at + 20 + 8 * i, level < 2 ? (0x80000000u | (at + dir)) : 3 * dir);
        }
    }
    put32(s, 3 * dir, kSectionRva + 3 * dir + 16);
    put32(s, 3 * dir + 4, 4);
    Image im;
    im.section = s;
    im.resourceSize = std::uint32_t(s.size());
    EXPECT_THROW(pe::readPe(im.build()), pe::FormatError);
}

// ---------------------------------------------------------------------------

TEST(IconGroup, ReadsEntriesAndRejectsShortOrForeignData) {
    Blob g;
    append16(g, 0);
    append16(g, 1);
    append16(g, 2);
    for (auto [size, bits, id] : {std::tuple{48, 4, 1}, std::tuple{0, 32, 7}}) {
        g.push_back(std::uint8_t(size));
        g.push_back(std::uint8_t(size));
        g.push_back(bits == 4 ? 16 : 0);
        g.push_back(0);
        append16(g, 1);
        append16(g, std::uint32_t(bits));
        append32(g, 1640);
        append16(g, std::uint32_t(id));
    }
    const auto e = pe::parseGroupIcon(g);
    ASSERT_EQ(e.size(), 2u);
    EXPECT_EQ(e[0].width, 48);
    EXPECT_EQ(e[0].colourCount, 16);
    EXPECT_EQ(e[0].bitCount, 4);
    EXPECT_EQ(e[0].bytesInRes, 1640u);
    EXPECT_EQ(e[1].width, 0);
    EXPECT_EQ(e[1].bitCount, 32);
    EXPECT_EQ(e[1].id, 7);

    Blob shortGroup(g.begin(), g.end() - 1);
    EXPECT_THROW(pe::parseGroupIcon(shortGroup), pe::FormatError);
    Blob cursorGroup = g;
    put16(cursorGroup, 2, 2);
    EXPECT_THROW(pe::parseGroupIcon(cursorGroup), pe::FormatError);
}

Blob dibHeader(std::uint32_t headerSize, std::int32_t w, std::int32_t h, std::uint16_t bits, std::uint32_t clrUsed = 0) {
    Blob b;
    append32(b, headerSize);
    append32(b, std::uint32_t(w));
    append32(b, std::uint32_t(h));
    append16(b, 1);
    append16(b, bits);
    append32(b, 0);
    append32(b, 0);
    append32(b, 0);
    append32(b, 0);
    append32(b, clrUsed);
    append32(b, 0);
    b.resize(headerSize, 0);
    return b;
}

TEST(IconImage, ComputesTheSizeOfEachUncompressedLayout) {
    struct Case {
        int size, bits;
        std::uint32_t clrUsed;
        std::size_t expected;
    };
    // Header, palette, XOR rows padded to four bytes, AND rows likewise.
    const Case cases[] = {
        {16, 4, 0, 40 + 64 + 8 * 16 + 4 * 16},
        {48, 4, 0, 40 + 64 + 24 * 48 + 8 * 48},
        {48, 8, 0, 40 + 1024 + 48 * 48 + 8 * 48},
        {32, 8, 16, 40 + 64 + 32 * 32 + 4 * 32},
        {128, 32, 0, 40 + 128 * 128 * 4 + 16 * 128},
        {20, 24, 0, 40 + 60 * 20 + 4 * 20},
    };
    for (const auto& c : cases) {
        const pe::IconDib d = pe::parseIconDib(dibHeader(40, c.size, 2 * c.size, std::uint16_t(c.bits), c.clrUsed));
        EXPECT_EQ(d.expectedSize, c.expected) << c.size << "x" << c.size << " " << c.bits << " bpp";
        EXPECT_EQ(d.height, 2 * c.size);
    }
}

TEST(IconImage, RejectsPngOldHeadersAndImpossibleBitmaps) {
    const Blob png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
    EXPECT_TRUE(pe::isPng(png));
    EXPECT_FALSE(pe::isPng(dibHeader(40, 16, 32, 32)));
    EXPECT_THROW(pe::parseIconDib(png), pe::FormatError);
    EXPECT_THROW(pe::parseIconDib(dibHeader(12, 16, 32, 4)), pe::FormatError);    // BITMAPCOREHEADER
    EXPECT_THROW(pe::parseIconDib(dibHeader(40, 16, 31, 4)), pe::FormatError);    // no room for a mask
    EXPECT_THROW(pe::parseIconDib(dibHeader(40, -16, 32, 4)), pe::FormatError);
    EXPECT_THROW(pe::parseIconDib(dibHeader(40, 16, 32, 5)), pe::FormatError);
    EXPECT_THROW(pe::parseIconDib(dibHeader(40, 16, 32, 4, 17)), pe::FormatError);
    const Blob header = dibHeader(40, 16, 32, 4);
    EXPECT_THROW(pe::parseIconDib(Blob(header.begin(), header.begin() + 39)), pe::FormatError);
    EXPECT_NO_THROW(pe::parseIconDib(dibHeader(108, 16, 32, 32)));  // BITMAPV4HEADER
}

// ---------------------------------------------------------------------------
// Version records.

Blob text16(std::u16string_view s) {
    Blob b;
    for (char16_t c : s) append16(b, c);
    append16(b, 0);
    return b;
}

Blob versionNode(std::u16string_view key, std::uint16_t type, const Blob& value, std::uint16_t valueLength,
                 const std::vector<Blob>& children) {
    Blob b(6, 0);
    const Blob k = text16(key);
    b.insert(b.end(), k.begin(), k.end());
    align4(b);
    b.insert(b.end(), value.begin(), value.end());
    for (const auto& c : children) {
        align4(b);
        b.insert(b.end(), c.begin(), c.end());
    }
    put16(b, 0, std::uint32_t(b.size()));
    put16(b, 2, valueLength);
    put16(b, 4, type);
    return b;
}

Blob stringNode(std::u16string_view key, std::u16string_view value) {
    return versionNode(key, 1, text16(value), std::uint16_t(value.size() + 1), {});
}

Blob fixedPart(std::uint32_t strucVersion) {
    Blob f;
    for (std::uint32_t v : {0xFEEF04BDu, strucVersion, 0x00010002u, 0x00030004u, 0x00050006u, 0x00070008u, 0x3Fu,
                            0x1u, 0x40004u, 1u, 0u, 0u, 0u})
        append32(f, v);
    return f;
}

Blob sampleVersion() {
    Blob translation;
    append16(translation, 0x0804);
    append16(translation, 0x04B0);
    return versionNode(u"VS_VERSION_INFO", 0, fixedPart(0x10000), 52,
                       {versionNode(u"StringFileInfo", 1, {}, 0,
                                    {versionNode(u"080404B0", 1, {}, 0,
                                                 {stringNode(u"FileVersion", u"1.2.3.4"),
                                                  stringNode(u"CompanyName", u"闲云百宝匣项目"),
                                                  stringNode(u"Empty", u"")})}),
                        versionNode(u"VarFileInfo", 1, {}, 0,
                                    {versionNode(u"Translation", 0, translation, 4, {})})});
}

TEST(VersionRecord, ReadsFixedPartStringTableAndTranslation) {
    const pe::VersionInfo v = pe::parseVersionInfo(sampleVersion());
    EXPECT_EQ(v.rootKey, u"VS_VERSION_INFO");
    ASSERT_TRUE(v.fixed.has_value());
    EXPECT_EQ(v.fixed->strucVersion, 0x10000u);
    EXPECT_EQ(v.fixed->fileVersionMS, 0x00010002u);
    EXPECT_EQ(v.fixed->fileVersionLS, 0x00030004u);
    EXPECT_EQ(v.fixed->productVersionMS, 0x00050006u);
    EXPECT_EQ(v.fixed->productVersionLS, 0x00070008u);
    EXPECT_EQ(v.fixed->fileFlagsMask, 0x3Fu);
    EXPECT_EQ(v.fixed->fileOS, 0x40004u);
    EXPECT_EQ(v.fixed->fileType, 1u);
    EXPECT_EQ(v.rootChildren, (std::vector<std::u16string>{u"StringFileInfo", u"VarFileInfo"}));
    ASSERT_EQ(v.stringTables.size(), 1u);
    EXPECT_EQ(v.stringTables[0].key, u"080404B0");
    using Entries = std::vector<std::pair<std::u16string, std::u16string>>;
    EXPECT_EQ(v.stringTables[0].entries,
              (Entries{{u"FileVersion", u"1.2.3.4"}, {u"CompanyName", u"闲云百宝匣项目"}, {u"Empty", u""}}));
    ASSERT_EQ(v.vars.size(), 1u);
    EXPECT_EQ(v.vars[0].key, u"Translation");
    EXPECT_EQ(v.vars[0].words, (std::vector<std::uint16_t>{0x0804, 0x04B0}));
}

TEST(VersionRecord, RejectsTruncatedAndInconsistentRecords) {
    const Blob good = sampleVersion();
    for (std::size_t n = 0; n < good.size(); ++n)
        EXPECT_THROW(pe::parseVersionInfo(Blob(good.begin(), good.begin() + std::ptrdiff_t(n))), pe::FormatError)
            << "prefix of " << n << " bytes";

    // Offset of the StringFileInfo node: after the root header, key and
    // fixed part.
    const std::size_t child = (6 + 2 * 16 + 3) / 4 * 4 + 52;
    Blob tooLong = good;
    put16(tooLong, child, 0xFFF0);
    EXPECT_THROW(pe::parseVersionInfo(tooLong), pe::FormatError);
    Blob zeroLength = good;
    put16(zeroLength, child, 0);
    EXPECT_THROW(pe::parseVersionInfo(zeroLength), pe::FormatError);
    Blob badType = good;
    put16(badType, child + 4, 7);
    EXPECT_THROW(pe::parseVersionInfo(badType), pe::FormatError);
    Blob badSignature = good;
    put32(badSignature, child - 52, 0x12345678);
    EXPECT_THROW(pe::parseVersionInfo(badSignature), pe::FormatError);
    EXPECT_THROW(pe::parseVersionInfo(versionNode(u"SOMETHING_ELSE", 0, {}, 0, {})), pe::FormatError);
}

// ---------------------------------------------------------------------------

TEST(ManifestXml, ReadsElementsAttributesAndNesting) {
    const std::string text =
        "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<!-- comment <notAnElement/> -->\n"
        "<assembly xmlns=\"urn:schemas-microsoft-com:asm.v1\" manifestVersion='1.0'>\n"
        "  <assemblyIdentity name=\"A&amp;B\" version=\"1.0.0.0\"/>\n"
        "  <description>闲云 &lt;text&gt;</description>\n"
        "  <asmv3:application xmlns:asmv3=\"urn:schemas-microsoft-com:asm.v3\"><x/></asmv3:application>\n"
        "</assembly>\n";
    const auto xml = pe::parseXml(text);
    ASSERT_EQ(xml.size(), 5u);
    EXPECT_EQ(xml[0].name, "assembly");
    EXPECT_EQ(xml[0].parent, -1);
    EXPECT_EQ(*xml[0].attribute("manifestVersion"), "1.0");
    EXPECT_EQ(xml[1].name, "assemblyIdentity");
    EXPECT_EQ(xml[1].parent, 0);
    EXPECT_EQ(*xml[1].attribute("name"), "A&B");
    EXPECT_EQ(xml[1].attribute("language"), nullptr);
    EXPECT_EQ(xml[2].name, "description");
    EXPECT_EQ(xml[3].name, "asmv3:application");
    EXPECT_EQ(xml[3].localName(), "application");
    EXPECT_EQ(xml[4].parent, 3);
    EXPECT_EQ(xml[4].depth, 2);
}

TEST(ManifestXml, RejectsMalformedDocuments) {
    const char* bad[] = {
        "",
        "just text",
        "<a><b></a></b>",
        "<a>",
        "<a></a><b/>",
        "<a x=1/>",
        "<a x/>",
        "<a x=\"1\" x=\"2\"/>",
        "<a x=\"1/>",
        "<!-- <a/>",
        "<a/> trailing",
        "<a x=\"&bogus;\"/>",
        "<!DOCTYPE a><a/>",
        "<a>\xC3</a>",          // truncated UTF-8
        "<a>\xC0\xAF</a>",      // overlong
        "<a>\xED\xA0\x80</a>",  // encoded surrogate
    };
    for (const char* t : bad) EXPECT_THROW(pe::parseXml(t), pe::FormatError) << t;
}

TEST(Utf, ConvertsBothWaysIncludingSurrogatePairs) {
    const std::string utf8 = "A闲云百宝匣\xF0\x9F\x98\x80";
    const std::u16string utf16 = pe::fromUtf8(utf8);
    EXPECT_EQ(utf16, std::u16string(u"A闲云百宝匣\U0001F600"));
    EXPECT_EQ(pe::toUtf8(utf16), utf8);
    EXPECT_EQ(pe::toUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
}

}  // namespace
