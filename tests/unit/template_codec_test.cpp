// The definitions block: what the program carries decodes to exactly its
// definitions, and every kind of damage is refused without a crash.
#include <gtest/gtest.h>

#include <cstring>

#include "launcher/main_window_def.h"
#include "toolkit/model/template_codec.h"
#include "update/update_window_def.h"

namespace xy {
namespace {

constexpr std::vector<WindowDef> programWindows() {
    std::vector<WindowDef> w;
    w.push_back(mainWindowDefinition());
    w.push_back(updateWindowDefinition());
    return w;
}

// A block whose header is made to fit `payload` again, so that damage
// gets past the checksum and reaches the field reader.
std::vector<std::uint8_t> reseal(std::vector<std::uint8_t> payload, std::uint16_t count) {
    std::vector<std::uint8_t> block(kTemplateHeaderSize);
    std::memcpy(block.data(), kTemplateMagic, 4);
    block[4] = std::uint8_t(kTemplateVersion);
    block[5] = 0;
    block[6] = std::uint8_t(count);
    block[7] = std::uint8_t(count >> 8);
    const auto size = std::uint32_t(payload.size());
    const std::uint32_t crc = crc32(payload.data(), payload.size());
    for (int i = 0; i < 4; ++i) {
        block[8 + i] = std::uint8_t(size >> (8 * i));
        block[12 + i] = std::uint8_t(crc >> (8 * i));
    }
    block.insert(block.end(), payload.begin(), payload.end());
    return block;
}

std::vector<std::uint8_t> payloadOf(const std::vector<WindowDef>& windows) {
    codec::Writer w;
    for (const WindowDef& d : windows) codec::fields(w, d);
    return w.out;
}

TEST(TemplateCodec, ProgramDefinitionsSurviveTheRoundTrip) {
    constexpr auto block = encodedTemplateArray<programWindows>();
    const DecodedTemplates d = decodeTemplates(block);
    ASSERT_EQ(d.error, TemplateError::None);
    const std::vector<WindowDef> expected = programWindows();
    ASSERT_EQ(d.windows.size(), 2u);
    EXPECT_EQ(d.windows[0], expected[0]);  // the main window first
    EXPECT_EQ(d.windows[1], expected[1]);
    EXPECT_EQ(d.windows[0].id, ids::kMainWindow);
    EXPECT_EQ(d.windows[1].id, ids::kUpdateWindow);
    // The compile-time block is the run-time encoding.
    const auto runtime = encodeTemplates(expected);
    EXPECT_TRUE(std::equal(block.begin(), block.end(), runtime.begin(), runtime.end()));
}

TEST(TemplateCodec, HeaderDamageIsRefused) {
    const auto good = encodeTemplates(programWindows());
    struct Case {
        const char* what;
        void (*damage)(std::vector<std::uint8_t>&);
        TemplateError expected;
    };
    const Case cases[] = {
        {"empty block", [](auto& b) { b.clear(); }, TemplateError::Missing},
        {"header cut short", [](auto& b) { b.resize(kTemplateHeaderSize - 1); }, TemplateError::Missing},
        {"magic zeroed", [](auto& b) { std::memset(b.data(), 0, 4); }, TemplateError::BadMagic},
        {"other version", [](auto& b) { b[4] = 2; }, TemplateError::BadVersion},
        {"payload size huge", [](auto& b) { b[11] = 0x7F; }, TemplateError::Truncated},
        {"payload size one byte", [](auto& b) { std::memset(b.data() + 8, 0, 4), b[8] = 1; },
         TemplateError::BadChecksum},
        {"block cut in the payload", [](auto& b) { b.resize(b.size() - 10); }, TemplateError::Truncated},
        {"one payload byte flipped", [](auto& b) { b[b.size() / 2] ^= 0x40; }, TemplateError::BadChecksum},
        {"checksum flipped", [](auto& b) { b[12] ^= 1; }, TemplateError::BadChecksum},
    };
    for (const Case& c : cases) {
        auto block = good;
        c.damage(block);
        const DecodedTemplates d = decodeTemplates(block);
        EXPECT_EQ(d.error, c.expected) << c.what;
        EXPECT_TRUE(d.windows.empty()) << c.what;
    }
}

TEST(TemplateCodec, FieldDamageBehindAValidChecksumIsRefused) {
    WindowDef w;
    w.id = 7;
    w.name = "ab";
    const std::vector<WindowDef> one{w};
    const auto payload = payloadOf(one);
    // Offsets in the encoding of `w`: id 0..3, name length 4..7, name 8..9,
    // rect 10..25, visible flag 26; the control count is the last field.
    struct Case {
        const char* what;
        void (*damage)(std::vector<std::uint8_t>&);
        std::uint16_t count;
        TemplateError expected;
    };
    const Case cases[] = {
        {"flag neither 0 nor 1", [](auto& p) { p[26] = 2; }, 1, TemplateError::Malformed},
        {"text not UTF-8", [](auto& p) { p[8] = 0xFF; }, 1, TemplateError::Malformed},
        {"text with NUL", [](auto& p) { p[9] = 0; }, 1, TemplateError::Malformed},
        {"text longer than the block", [](auto& p) { p[7] = 0x10; }, 1, TemplateError::Malformed},
        {"control count beyond the block", [](auto& p) { std::memset(p.data() + p.size() - 4, 0xFF, 4); }, 1,
         TemplateError::Malformed},
        {"bytes left over", [](auto& p) { p.push_back(0); }, 1, TemplateError::Malformed},
        {"more windows than encoded", [](auto&) {}, 2, TemplateError::Malformed},
        {"window identity 0", [](auto& p) { std::memset(p.data(), 0, 4); }, 1, TemplateError::Inconsistent},
    };
    for (const Case& c : cases) {
        auto p = payload;
        c.damage(p);
        EXPECT_EQ(decodeTemplates(reseal(p, c.count)).error, c.expected) << c.what;
    }
    EXPECT_EQ(decodeTemplates(reseal(payload, 1)).error, TemplateError::None);
}

TEST(TemplateCodec, DuplicateIdentitiesAreInconsistent) {
    auto windows = programWindows();
    windows[1].id = windows[0].id;
    EXPECT_EQ(decodeTemplates(encodeTemplates(windows)).error, TemplateError::Inconsistent);

    windows = programWindows();
    windows[1].controls[1].id = windows[1].controls[0].id;
    EXPECT_EQ(decodeTemplates(encodeTemplates(windows)).error, TemplateError::Inconsistent);

    windows = programWindows();
    windows[0].controls[0].menu.openGroup = 4;  // a group that does not exist
    EXPECT_EQ(decodeTemplates(encodeTemplates(windows)).error, TemplateError::Inconsistent);
}

TEST(TemplateCodec, EveryTruncationOfThePayloadIsRefused) {
    const auto payload = payloadOf(programWindows());
    for (std::size_t cut = 0; cut < payload.size(); ++cut) {
        std::vector<std::uint8_t> p(payload.begin(), payload.begin() + std::ptrdiff_t(cut));
        const DecodedTemplates d = decodeTemplates(reseal(p, 2));
        ASSERT_NE(d.error, TemplateError::None) << "cut at " << cut;
        ASSERT_TRUE(d.windows.empty());
    }
}

TEST(TemplateCodec, Crc32MatchesTheIeeeCheckValue) {
    const char* text = "123456789";
    EXPECT_EQ(crc32(reinterpret_cast<const std::uint8_t*>(text), 9), 0xCBF43926u);
}

}  // namespace
}  // namespace xy
