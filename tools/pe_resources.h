// Reading the parts of a PE (Windows program) file that describe it rather
// than run it: the resource tree and its common record formats (icon groups,
// icon images, the version record, the manifest's XML) and the names of the
// DLLs it imports. Plain C++: the file is read from bytes and every offset in
// it is checked, so damaged or hostile input ends in FormatError, never in an
// out-of-bounds read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace xy::pe {

class FormatError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

using Bytes = std::span<const std::uint8_t>;

// Standard resource type numbers.
inline constexpr std::uint16_t kRtIcon = 3;
inline constexpr std::uint16_t kRtGroupIcon = 14;
inline constexpr std::uint16_t kRtVersion = 16;
inline constexpr std::uint16_t kRtManifest = 24;

// A resource type or name: a number or a string.
struct ResourceKey {
    bool named = false;
    std::uint16_t id = 0;   // when !named
    std::u16string name;    // when named
    bool is(std::uint16_t n) const { return !named && id == n; }
    bool is(std::u16string_view n) const { return named && name == n; }
    std::string text() const;  // "#14" or the name in UTF-8
};

struct Resource {
    ResourceKey type;
    ResourceKey name;
    std::uint16_t language = 0;
    std::uint32_t codePage = 0;
    std::uint32_t rva = 0;
    std::vector<std::uint8_t> data;
};

struct Section {
    std::string name;
    std::uint32_t virtualAddress = 0;
    std::uint32_t virtualSize = 0;
    std::uint32_t rawOffset = 0;
    std::uint32_t rawSize = 0;
};

struct DataDirectory {
    std::uint32_t rva = 0;
    std::uint32_t size = 0;
};

struct PeFile {
    std::uint16_t machine = 0;  // 0x14C: x86
    bool pe32plus = false;
    std::uint64_t imageBase = 0;
    std::vector<Section> sections;
    DataDirectory resourceDirectory;
    // In the order of the resource tree: by type, then name, then language
    // (named entries before numbered ones at each level, as stored).
    std::vector<Resource> resources;
    std::vector<std::string> imports;       // DLL names, as stored
    std::vector<std::string> delayImports;  // DLL names, as stored

    // The section that holds the given address, or null.
    const Section* sectionAt(std::uint32_t rva) const;
    std::vector<const Resource*> find(std::uint16_t type) const;
};

PeFile readPe(Bytes file);

// RT_GROUP_ICON: the directory of an icon group.
struct GroupIconEntry {
    std::uint8_t width = 0;   // 0 means 256
    std::uint8_t height = 0;
    std::uint8_t colourCount = 0;
    std::uint8_t reserved = 0;
    std::uint16_t planes = 0;
    std::uint16_t bitCount = 0;
    std::uint32_t bytesInRes = 0;
    std::uint16_t id = 0;     // name of the RT_ICON resource
};
std::vector<GroupIconEntry> parseGroupIcon(Bytes data);

// RT_ICON: an icon image, either a DIB (BITMAPINFOHEADER or a later header,
// XOR bitmap of doubled height followed by the AND mask) or a PNG stream.
bool isPng(Bytes data);
struct IconDib {
    std::uint32_t headerSize = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;  // XOR + AND, so twice the image height
    std::uint16_t planes = 0;
    std::uint16_t bitCount = 0;
    std::uint32_t compression = 0;
    std::uint32_t sizeImage = 0;
    std::uint32_t colourUsed = 0;
    std::size_t paletteEntries = 0;
    // Header, palette, XOR bitmap and AND mask of an uncompressed image.
    std::size_t expectedSize = 0;
};
IconDib parseIconDib(Bytes data);

// RT_VERSION.
struct FixedFileInfo {
    std::uint32_t signature = 0;  // 0xFEEF04BD
    std::uint32_t strucVersion = 0;
    std::uint32_t fileVersionMS = 0, fileVersionLS = 0;
    std::uint32_t productVersionMS = 0, productVersionLS = 0;
    std::uint32_t fileFlagsMask = 0, fileFlags = 0;
    std::uint32_t fileOS = 0, fileType = 0, fileSubtype = 0;
    std::uint32_t fileDateMS = 0, fileDateLS = 0;
};
struct StringTable {
    std::u16string key;  // language and code page, e.g. u"080404B0"
    std::vector<std::pair<std::u16string, std::u16string>> entries;  // in stored order
};
struct VarEntry {
    std::u16string key;  // u"Translation"
    std::vector<std::uint16_t> words;
};
struct VersionInfo {
    std::u16string rootKey;  // u"VS_VERSION_INFO"
    std::optional<FixedFileInfo> fixed;
    std::vector<StringTable> stringTables;          // all StringFileInfo blocks
    std::vector<VarEntry> vars;                      // all VarFileInfo entries
    std::vector<std::u16string> rootChildren;       // keys of the root's children, in order
};
VersionInfo parseVersionInfo(Bytes data);

// XML elements of a manifest (a small reader: elements, attributes,
// comments, the declaration; text is skipped). Names keep their prefix.
struct XmlElement {
    std::string name;
    std::vector<std::pair<std::string, std::string>> attributes;
    int parent = -1;  // index into the element list, -1 for the root
    int depth = 0;
    const std::string* attribute(std::string_view key) const;
    std::string_view localName() const;
};
std::vector<XmlElement> parseXml(std::string_view text);

std::string toUtf8(std::u16string_view s);
std::u16string fromUtf8(std::string_view s);  // FormatError on invalid UTF-8

}  // namespace xy::pe
