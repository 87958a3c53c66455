// check_resources: verifies the resources and imports of the built program
// file. Prints one line per check and exits with 1 if any check fails (2 if
// the file cannot be read at all).
//
//   check_resources build/win32/xianyun.exe

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tools/pe_resources.h"

namespace pe = xy::pe;

namespace {

int failures = 0;

bool check(bool ok, const std::string& what, const std::string& detail = {}) {
    std::cout << (ok ? "ok    " : "FAIL  ") << what;
    if (!detail.empty()) std::cout << "  [" << detail << "]";
    std::cout << "\n";
    if (!ok) ++failures;
    return ok;
}

std::string hex(std::uint32_t v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08X", v);
    return buf;
}

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return s;
}

std::string u8(std::u16string_view s) { return pe::toUtf8(s); }

// ---------------------------------------------------------------------------

struct ExpectedIcon {
    int size;
    int bits;
};
constexpr ExpectedIcon kIcons[] = {{48, 4}, {32, 4}, {16, 4},  {48, 8},  {32, 8},
                               {16, 8}, {128, 32}, {48, 32}, {32, 32}, {16, 32}};

void checkResourceTypes(const pe::PeFile& file) {
    std::set<std::string> others;
    for (const auto& r : file.resources)
        if (!(r.type.is(pe::kRtIcon) || r.type.is(pe::kRtGroupIcon) || r.type.is(pe::kRtVersion) ||
              r.type.is(pe::kRtManifest)))
            others.insert(r.type.text());
    std::string list;
    for (const auto& o : others) list += (list.empty() ? "" : ", ") + o;
    check(others.empty(), "no resource types besides icon, icon group, version and manifest", list);
}

void checkIcons(const pe::PeFile& file) {
    const auto groups = file.find(pe::kRtGroupIcon);
    check(groups.size() == 1, "exactly one icon group", std::to_string(groups.size()) + " found");
    if (groups.empty()) return;
    const pe::Resource& group = *groups.front();
    check(group.name.is(u"DEFAULT_ICON"), "the first icon group is named DEFAULT_ICON", group.name.text());

    std::vector<pe::GroupIconEntry> entries;
    try {
        entries = pe::parseGroupIcon(group.data);
    } catch (const pe::FormatError& e) {
        check(false, "icon group directory readable", e.what());
        return;
    }
    check(entries.size() == std::size(kIcons), "icon group holds ten images",
          std::to_string(entries.size()) + " entries");

    const auto icons = file.find(pe::kRtIcon);
    std::set<std::uint16_t> referenced;
    for (std::size_t i = 0; i < entries.size() && i < std::size(kIcons); ++i) {
        const auto& e = entries[i];
        const ExpectedIcon want = kIcons[i];
        const std::string label = "image " + std::to_string(i + 1) + " (" + std::to_string(want.size) + "x" +
                                  std::to_string(want.size) + ", " + std::to_string(want.bits) + " bpp)";
        referenced.insert(e.id);
        const int w = e.width ? e.width : 256, h = e.height ? e.height : 256;
        const int colours = want.bits == 4 ? 16 : 0;
        std::ostringstream got;
        got << w << "x" << h << ", " << e.bitCount << " bpp, colours " << int(e.colourCount) << ", planes "
            << e.planes << ", reserved " << int(e.reserved);
        check(w == want.size && h == want.size && e.bitCount == want.bits && e.colourCount == colours &&
                  e.planes == 1 && e.reserved == 0,
              label + ": group entry", got.str());

        std::vector<const pe::Resource*> image;
        for (const auto* r : icons)
            if (r->name.is(e.id)) image.push_back(r);
        if (!check(image.size() == 1, label + ": icon resource #" + std::to_string(e.id) + " present once",
                   std::to_string(image.size()) + " found"))
            continue;
        const auto& data = image.front()->data;
        check(data.size() == e.bytesInRes, label + ": size matches the group entry",
              std::to_string(data.size()) + " vs " + std::to_string(e.bytesInRes));
        if (!check(!pe::isPng(data), label + ": stored as a DIB, not PNG")) continue;
        try {
            const pe::IconDib d = pe::parseIconDib(data);
            std::ostringstream dib;
            dib << "header " << d.headerSize << ", " << d.width << "x" << d.height << ", planes " << d.planes
                << ", " << d.bitCount << " bpp, compression " << d.compression << ", palette " << d.paletteEntries;
            const std::size_t palette = want.bits <= 8 ? (std::size_t(1) << want.bits) : 0;
            check(d.headerSize == 40 && d.width == want.size && d.height == 2 * want.size && d.planes == 1 &&
                      d.bitCount == want.bits && d.compression == 0 && d.paletteEntries == palette,
                  label + ": uncompressed BITMAPINFOHEADER image with AND mask", dib.str());
            check(data.size() == d.expectedSize, label + ": holds exactly header, palette, bitmap and mask",
                  std::to_string(data.size()) + " bytes, expected " + std::to_string(d.expectedSize));
        } catch (const pe::FormatError& ex) {
            check(false, label + ": readable bitmap", ex.what());
        }
    }
    std::size_t stray = 0;
    for (const auto* r : icons)
        if (r->name.named || !referenced.count(r->name.id)) ++stray;
    check(stray == 0 && icons.size() == entries.size(), "every icon image belongs to the group",
          std::to_string(icons.size()) + " icon resources");
}

void checkVersion(const pe::PeFile& file) {
    const auto versions = file.find(pe::kRtVersion);
    if (!check(versions.size() == 1, "exactly one version record", std::to_string(versions.size()) + " found"))
        return;
    const pe::Resource& res = *versions.front();
    check(res.name.is(std::uint16_t{1}), "version record is resource 1", res.name.text());
    check(res.language == 2052, "version record language 2052 (Chinese, PRC)", std::to_string(res.language));

    pe::VersionInfo v;
    try {
        v = pe::parseVersionInfo(res.data);
    } catch (const pe::FormatError& e) {
        check(false, "version record readable", e.what());
        return;
    }
    if (check(v.fixed.has_value(), "fixed part present")) {
        const auto& f = *v.fixed;
        // Resource compilers write the structure version of their format;
        // 0 and 1.0 are both accepted.
        check(f.strucVersion == 0 || f.strucVersion == 0x00010000, "structure version", hex(f.strucVersion));
        check(f.fileVersionMS == 0x00010000 && f.fileVersionLS == 0, "file version 1.0.0.0",
              hex(f.fileVersionMS) + " " + hex(f.fileVersionLS));
        check(f.productVersionMS == 0x00010000 && f.productVersionLS == 0, "product version 1.0.0.0",
              hex(f.productVersionMS) + " " + hex(f.productVersionLS));
        check(f.fileFlagsMask == 0, "file flags mask 0", hex(f.fileFlagsMask));
        check(f.fileFlags == 0, "file flags 0", hex(f.fileFlags));
        check(f.fileOS == 4, "operating system 4 (32-bit Windows)", hex(f.fileOS));
        check(f.fileType == 1, "file type 1 (application)", hex(f.fileType));
        check(f.fileSubtype == 0, "file subtype 0", hex(f.fileSubtype));
        check(f.fileDateMS == 0 && f.fileDateLS == 0, "file date 0", hex(f.fileDateMS) + " " + hex(f.fileDateLS));
    }

    std::string children;
    for (const auto& c : v.rootChildren) children += (children.empty() ? "" : ", ") + u8(c);
    check(v.rootChildren == std::vector<std::u16string>{u"StringFileInfo", u"VarFileInfo"},
          "string part then variable part, nothing else", children);

    if (check(v.stringTables.size() == 1 && v.stringTables[0].key == u"080404B0", "one string table, block 080404B0",
              v.stringTables.empty() ? "none" : u8(v.stringTables[0].key))) {
        const auto& entries = v.stringTables[0].entries;
        static const std::u16string keys[] = {u"FileVersion", u"FileDescription", u"ProductName", u"ProductVersion",
                                              u"CompanyName", u"LegalCopyright", u"Comments"};
        std::vector<std::u16string> got;
        std::string list;
        for (const auto& e : entries) {
            got.push_back(e.first);
            list += (list.empty() ? "" : ", ") + u8(e.first);
        }
        check(got == std::vector<std::u16string>(std::begin(keys), std::end(keys)),
              "string table keys, exactly these and in order", list);
        auto value = [&](std::u16string_view key) -> std::u16string {
            for (const auto& e : entries)
                if (e.first == key) return e.second;
            return {};
        };
        const std::u16string name = u"闲云百宝匣";
        const std::u16string maker = u"闲云百宝匣项目";
        auto exact = [&](std::u16string_view key, std::u16string_view want) {
            const std::u16string have = value(key);
            check(have == want, u8(key) + " = \"" + u8(want) + "\"", u8(have));
        };
        exact(u"FileVersion", u"1.0.0.0");
        exact(u"FileDescription", name);
        exact(u"ProductName", name);
        exact(u"ProductVersion", u"1.0.0.0");
        exact(u"CompanyName", maker);
        exact(u"Comments", name);
        const std::u16string copyright = value(u"LegalCopyright");
        std::size_t lines = 0;
        std::u16string rest = copyright;
        for (std::size_t pos; !rest.empty(); rest = pos == std::u16string::npos ? u"" : rest.substr(pos + 1)) {
            pos = rest.find(u'\n');
            std::u16string line = rest.substr(0, pos);
            if (!line.empty() && line.back() == u'\r') line.pop_back();
            if (!line.empty()) ++lines;
        }
        check(lines >= 2 && copyright.find(maker) != std::u16string::npos,
              "LegalCopyright: several lines naming the maker", std::to_string(lines) + " lines");
    }

    std::ostringstream vars;
    for (const auto& e : v.vars) {
        vars << u8(e.key) << ":";
        for (auto w : e.words) vars << " " << hex(w);
    }
    check(v.vars.size() == 1 && v.vars[0].key == u"Translation" &&
              v.vars[0].words == std::vector<std::uint16_t>{0x0804, 0x04B0},
          "one Translation 0x0804, 0x04B0", vars.str());
}

void checkManifest(const pe::PeFile& file) {
    const auto manifests = file.find(pe::kRtManifest);
    if (!check(manifests.size() == 1 && manifests[0]->name.is(std::uint16_t{1}), "exactly one manifest, resource 1",
               std::to_string(manifests.size()) + " found"))
        return;
    const auto& data = manifests.front()->data;
    std::vector<pe::XmlElement> xml;
    try {
        xml = pe::parseXml(std::string_view(reinterpret_cast<const char*>(data.data()), data.size()));
    } catch (const pe::FormatError& e) {
        check(false, "manifest is well-formed UTF-8 XML", e.what());
        return;
    }
    check(true, "manifest is well-formed UTF-8 XML");

    using Attributes = std::vector<std::pair<std::string, std::string>>;
    auto sameAttributes = [](const pe::XmlElement& e, Attributes want) {
        Attributes have = e.attributes;
        std::sort(have.begin(), have.end());
        std::sort(want.begin(), want.end());
        return have == want;
    };
    auto describe = [](const pe::XmlElement& e) {
        std::string s = e.name;
        for (const auto& a : e.attributes) s += " " + a.first + "=\"" + a.second + "\"";
        return s;
    };
    auto children = [&](int parent, std::string_view name) {
        std::vector<int> out;
        for (std::size_t i = 0; i < xml.size(); ++i)
            if (xml[i].parent == parent && xml[i].name == name) out.push_back(int(i));
        return out;
    };

    const pe::XmlElement& root = xml.front();
    check(root.name == "assembly" &&
              sameAttributes(root, {{"xmlns", "urn:schemas-microsoft-com:asm.v1"}, {"manifestVersion", "1.0"}}),
          "root element: assembly, manifest version 1.0", describe(root));

    const auto identity = children(0, "assemblyIdentity");
    check(identity.size() == 1 &&
              sameAttributes(xml[std::size_t(identity[0])], {{"type", "win32"},
                                                             {"name", "Xianyun.Launcher"},
                                                             {"version", "5.2.0.0"},
                                                             {"processorArchitecture", "x86"}}),
          "own identity: win32, x86, 5.2.0.0, Xianyun.Launcher",
          identity.size() == 1 ? describe(xml[std::size_t(identity[0])]) : std::to_string(identity.size()) + " found");

    const auto dependency = children(0, "dependency");
    bool dependencyOk = false;
    std::string dependencyDetail = std::to_string(dependency.size()) + " dependencies";
    if (dependency.size() == 1) {
        const auto dependent = children(dependency[0], "dependentAssembly");
        std::size_t inDependency = 0;
        for (const auto& e : xml)
            if (e.parent == dependency[0]) ++inDependency;
        if (dependent.size() == 1 && inDependency == 1) {
            const auto id = children(dependent[0], "assemblyIdentity");
            std::size_t inDependent = 0;
            for (const auto& e : xml)
                if (e.parent == dependent[0]) ++inDependent;
            if (id.size() == 1 && inDependent == 1) {
                const auto& e = xml[std::size_t(id[0])];
                dependencyDetail = describe(e);
                dependencyOk = sameAttributes(e, {{"type", "win32"},
                                                  {"name", "Microsoft.Windows.Common-Controls"},
                                                  {"version", "6.0.0.0"},
                                                  {"processorArchitecture", "x86"},
                                                  {"publicKeyToken", "6595b64144ccf1df"},
                                                  {"language", "*"}});
            }
        }
    }
    check(dependencyOk, "one dependency: Common-Controls 6.0.0.0, x86, 6595b64144ccf1df, language *",
          dependencyDetail);

    auto absent = [&](std::string_view local, const std::string& what) {
        std::size_t n = 0;
        for (const auto& e : xml)
            if (e.localName() == local) ++n;
        check(n == 0, what, n ? std::to_string(n) + " found" : std::string());
    };
    absent("trustInfo", "no trustInfo");
    absent("requestedExecutionLevel", "no requested execution level");
    absent("dpiAware", "no dpiAware setting");
    absent("dpiAwareness", "no dpiAwareness setting");
    absent("compatibility", "no compatibility section");
    absent("supportedOS", "no supportedOS list");

    static const std::set<std::string> known = {"assembly", "assemblyIdentity", "dependency", "dependentAssembly",
                                                "description"};
    std::set<std::string> unknown;
    for (const auto& e : xml)
        if (!known.count(e.name)) unknown.insert(e.name);
    std::string list;
    for (const auto& u : unknown) list += (list.empty() ? "" : ", ") + u;
    check(unknown.empty(), "manifest holds no other elements", list);
}

void checkImports(const pe::PeFile& file) {
    static const std::set<std::string> system = {
        "kernel32.dll", "user32.dll",   "gdi32.dll",    "comctl32.dll", "shell32.dll",  "ole32.dll",
        "oleaut32.dll", "oleacc.dll",   "msvcrt.dll",   "advapi32.dll", "comdlg32.dll", "uxtheme.dll",
        "shlwapi.dll",  "winmm.dll",    "version.dll",  "imm32.dll",    "ntdll.dll",
    };
    std::vector<std::string> all = file.imports;
    all.insert(all.end(), file.delayImports.begin(), file.delayImports.end());
    std::string list, foreign;
    for (const auto& dll : all) {
        list += (list.empty() ? "" : ", ") + dll;
        if (!system.count(lower(dll))) foreign += (foreign.empty() ? "" : ", ") + dll;
    }
    check(!file.imports.empty(), "import directory read", list);
    check(foreign.empty(), "imports system DLLs only", foreign.empty() ? list : "not system: " + foreign);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: check_resources PROGRAM.exe\n";
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::cerr << "check_resources: cannot open " << argv[1] << "\n";
        return 2;
    }
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) {
        std::cerr << "check_resources: cannot read " << argv[1] << "\n";
        return 2;
    }
    pe::PeFile file;
    try {
        file = pe::readPe(bytes);
    } catch (const pe::FormatError& e) {
        std::cerr << "check_resources: " << argv[1] << " is not a readable PE file: " << e.what() << "\n";
        return 2;
    }
    check(file.machine == 0x14C && !file.pe32plus, "32-bit x86 program file", hex(file.machine));
    if (const pe::Section* s = file.sectionAt(file.resourceDirectory.rva); s && file.resourceDirectory.rva) {
        std::cout << "info  resource section " << s->name << ": " << s->virtualSize << " bytes ("
                  << s->rawSize << " in the file); resource directory " << file.resourceDirectory.size
                  << " bytes\n";
    }
    checkResourceTypes(file);
    checkIcons(file);
    checkVersion(file);
    checkManifest(file);
    checkImports(file);
    std::cout << (failures ? std::to_string(failures) + " check(s) failed\n" : "all checks passed\n");
    return failures ? 1 : 0;
}
