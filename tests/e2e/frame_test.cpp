// Start-up and shutdown of the program as seen from outside: how it ends,
// its current directory, the runtime error for damaged built-in data, and
// two copies running side by side.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "program.h"

using namespace e2e;

// ---- ending the program ----------------------------------------------------

namespace {

struct CloseWay {
    const char* name;
    std::function<void(HWND)> close;
};

void PrintTo(const CloseWay& w, std::ostream* os) { *os << w.name; }

const CloseWay kCloseWays[] = {
    {"Esc",
     [](HWND w) {
         ASSERT_TRUE(focusByTitleBar(w));
         pressKey(VK_ESCAPE);
     }},
    {"AltF4",
     [](HWND w) {
         ASSERT_TRUE(focusByTitleBar(w));
         pressKey(VK_F4, {VK_MENU});
     }},
    {"CloseButtonClick",
     [](HWND w) {
         auto p = findHitPoint(w, HTCLOSE);
         ASSERT_TRUE(p.has_value()) << "no close button in the title bar";
         click(p->x, p->y);
     }},
    {"SysCommandClose", [](HWND w) { PostMessageW(w, WM_SYSCOMMAND, SC_CLOSE, 0); }},
};

class Closing : public ::testing::TestWithParam<CloseWay> {};

}  // namespace

TEST_P(Closing, EndsTheProgramWithExitCodeZero) {
    Launched app;
    ASSERT_NO_FATAL_FAILURE(launch(app));
    ASSERT_NO_FATAL_FAILURE(GetParam().close(app.window));
    ASSERT_NO_FATAL_FAILURE(expectExit(app.proc, 0, GetParam().name));
    EXPECT_FALSE(IsWindow(app.window));
}

INSTANTIATE_TEST_SUITE_P(Ways, Closing, ::testing::ValuesIn(kCloseWays),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- current directory -----------------------------------------------------

namespace {

struct DirCase {
    const char* name;
    const wchar_t* folder;  // where a copy goes; nullptr: the built program file
    const wchar_t* file;    // name of the copy
};

void PrintTo(const DirCase& c, std::ostream* os) { *os << c.name; }

const DirCase kDirCases[] = {
    {"BuiltProgram", nullptr, nullptr},
    {"ChineseFolderWithSpace", L"C:\\测试 目录", L"xianyun.exe"},
    // "嘰" is 0x87 0x5C in code page 936: its second byte is a backslash.
    {"FileNameWithBackslashTrailByte", L"C:\\xy-e2e\\百宝 匣", L"闲云嘰.exe"},
};

class CurrentDirectory : public ::testing::TestWithParam<DirCase> {};

// A directory for comparison: lower case, without a final backslash (the
// process parameters keep one after SetCurrentDirectory, but not always the
// directory a process was started in).
std::wstring normalDir(std::wstring s) {
    CharLowerBuffW(s.data(), DWORD(s.size()));
    while (s.size() > 3 && s.back() == L'\\') s.pop_back();
    return s;
}

}  // namespace

TEST_P(CurrentDirectory, IsTheProgramFolderWhateverItWasStartedIn) {
    const DirCase& c = GetParam();
    std::wstring exe = programPath();
    std::unique_ptr<TempDir> dir;
    if (c.folder) {
        dir = std::make_unique<TempDir>(c.folder);
        std::wstring copy = dir->path() + L"\\" + c.file;
        ASSERT_TRUE(CopyFileW(exe.c_str(), copy.c_str(), FALSE))
            << "copy to " << narrow(copy) << " failed, error " << GetLastError();
        exe = copy;
    }
    Launched app;
    ASSERT_NO_FATAL_FAILURE(launch(app, exe, L"C:\\windows"));
    auto cwd = currentDirectoryOf(app.proc.handle());
    ASSERT_TRUE(cwd.has_value()) << "could not read the current directory from the process";
    EXPECT_EQ(normalDir(*cwd), normalDir(folderOf(exe))) << narrow(*cwd);
    PostMessageW(app.window, WM_SYSCOMMAND, SC_CLOSE, 0);
    expectExit(app.proc, 0, "close");
}

INSTANTIATE_TEST_SUITE_P(StartedElsewhere, CurrentDirectory, ::testing::ValuesIn(kDirCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The PEB reader itself: our own directory as the system reports it.
TEST(CurrentDirectoryReader, ReadsAProcessCurrentDirectory) {
    wchar_t own[MAX_PATH];
    DWORD n = GetCurrentDirectoryW(MAX_PATH, own);
    ASSERT_GT(n, 0u);
    auto got = currentDirectoryOf(GetCurrentProcess());
    ASSERT_TRUE(got.has_value());
    EXPECT_EQ(normalDir(*got), normalDir(std::wstring(own, n)));

    // And of another process started in a given folder.
    wchar_t sysDir[MAX_PATH];
    GetSystemDirectoryW(sysDir, MAX_PATH);
    Process p = start(std::wstring(sysDir) + L"\\notepad.exe", L"C:\\windows");
    ASSERT_TRUE(p) << "error " << lastStartError();
    std::optional<std::wstring> other;
    waitUntil([&] { return (other = currentDirectoryOf(p.handle())).has_value(); }, 3000ms);
    ASSERT_TRUE(other.has_value());
    EXPECT_EQ(normalDir(*other), L"c:\\windows");
}

// ---- damaged built-in window data ------------------------------------------

namespace {

// The built-in window data: PE section ".xytpl" holding "XYTP", u16 format
// version, u16 window count, u32 payload size, u32 CRC-32 of the payload,
// then the payload.
constexpr char kSectionName[8] = {'.', 'x', 'y', 't', 'p', 'l', 0, 0};
constexpr size_t kBlobHeader = 16;

struct PeSection {
    size_t header;  // offset of the section header in the file
    std::uint32_t virtualSize, rawSize, rawOffset;
};

std::uint32_t u32At(const std::vector<std::uint8_t>& f, size_t at) {
    std::uint32_t v;
    std::memcpy(&v, f.data() + at, 4);
    return v;
}
void putU32(std::vector<std::uint8_t>& f, size_t at, std::uint32_t v) { std::memcpy(f.data() + at, &v, 4); }

std::optional<PeSection> findSection(const std::vector<std::uint8_t>& f) {
    if (f.size() < 0x40 || f[0] != 'M' || f[1] != 'Z') return std::nullopt;
    size_t nt = u32At(f, 0x3C);
    if (nt + 24 > f.size() || std::memcmp(f.data() + nt, "PE\0\0", 4) != 0) return std::nullopt;
    std::uint16_t count, optSize;
    std::memcpy(&count, f.data() + nt + 6, 2);
    std::memcpy(&optSize, f.data() + nt + 20, 2);
    size_t table = nt + 24 + optSize;
    for (size_t i = 0; i < count; ++i) {
        size_t h = table + i * 40;
        if (h + 40 > f.size()) return std::nullopt;
        if (std::memcmp(f.data() + h, kSectionName, 8) == 0)
            return PeSection{h, u32At(f, h + 8), u32At(f, h + 16), u32At(f, h + 20)};
    }
    return std::nullopt;
}

struct Damage {
    const char* name;
    void (*apply)(std::vector<std::uint8_t>& file, const PeSection& s);
};

void PrintTo(const Damage& d, std::ostream* os) { *os << d.name; }

const Damage kDamages[] = {
    {"PayloadByteFlipped",
     [](auto& f, const PeSection& s) {
         std::uint32_t size = u32At(f, s.rawOffset + 8);
         f[s.rawOffset + kBlobHeader + size / 2] ^= 0xFF;
     }},
    {"PayloadSizeHuge", [](auto& f, const PeSection& s) { putU32(f, s.rawOffset + 8, 0x7FFFFFF0u); }},
    // 16 + size wraps around to 8 in 32-bit arithmetic.
    {"PayloadSizeWrapsAround", [](auto& f, const PeSection& s) { putU32(f, s.rawOffset + 8, 0xFFFFFFF8u); }},
    {"PayloadSizeOne", [](auto& f, const PeSection& s) { putU32(f, s.rawOffset + 8, 1); }},
    {"MagicZeroed", [](auto& f, const PeSection& s) { std::memset(f.data() + s.rawOffset, 0, 4); }},
    {"UnknownFormatVersion",
     [](auto& f, const PeSection& s) {
         f[s.rawOffset + 4] = 2;
         f[s.rawOffset + 5] = 0;
     }},
    {"SectionVirtualSizeEight", [](auto& f, const PeSection& s) { putU32(f, s.header + 8, 8); }},
    {"SectionMissing", [](auto& f, const PeSection& s) { f[s.header + 6] = 'x'; }},  // ".xytpx"
};

class DamagedWindowData : public ::testing::TestWithParam<Damage> {};

}  // namespace

TEST_P(DamagedWindowData, ShowsTheRuntimeErrorAndExitsWithMinusOne) {
    const Damage& d = GetParam();
    auto file = readFile(programPath());
    ASSERT_FALSE(file.empty()) << "cannot read " << narrow(programPath());
    auto section = findSection(file);
    ASSERT_TRUE(section.has_value()) << "the program file has no section .xytpl";
    ASSERT_GE(section->rawSize, kBlobHeader);
    ASSERT_LE(size_t(section->rawOffset) + section->rawSize, file.size());
    ASSERT_EQ(std::memcmp(file.data() + section->rawOffset, "XYTP", 4), 0) << "no XYTP blob in .xytpl";
    std::uint32_t payload = u32At(file, section->rawOffset + 8);
    ASSERT_GT(payload, 0u);
    ASSERT_LE(kBlobHeader + payload, section->rawSize) << "payload size beyond the section";
    d.apply(file, *section);

    TempDir dir(std::wstring(L"damaged-") + std::wstring(d.name, d.name + std::strlen(d.name)));
    const std::wstring exe = dir.path() + L"\\xianyun.exe";
    ASSERT_TRUE(writeFile(exe, file.data(), file.size()));

    Process p = start(exe, dir.path());
    ASSERT_TRUE(p) << "CreateProcessW failed, error " << lastStartError();
    auto box = waitForMessageBox(p.pid(), kStartTimeout, kErrorCaption);
    if (!box) saveScreenshot(screenRect(), shotName(L"no-box"));
    ASSERT_TRUE(box.has_value()) << "no box titled 错误 within " << kStartTimeout.count() << " ms; "
                                 << windowsSummary(p.pid()) << (p.running() ? "" : " (process ended)");
    RECT br{};
    GetWindowRect(box->hwnd, &br);
    saveScreenshot(br, shotName(L"box"));

    // Wine's message box keeps the whole text, final line break included, in
    // its static control.
    EXPECT_EQ(box->text, L"运行时出错!\r\n\r\n错误信息：载入窗口模板数据段出错!\r\n") << narrow(box->text);
    EXPECT_EQ(GetWindow(box->hwnd, GW_OWNER), nullptr) << "the box has an owner";
    ASSERT_EQ(box->buttons.size(), 1u) << "visible buttons in the box";
    EXPECT_EQ(box->buttons[0].id, IDOK);
    EXPECT_EQ(waitForWindow(p.pid(), kMainTitle, 0ms, false), nullptr) << "the main window exists";

    RECT ok{};
    GetWindowRect(box->buttons[0].hwnd, &ok);
    POINT s = screenSize();
    if (ok.left >= 0 && ok.top >= 0 && ok.right <= s.x && ok.bottom <= s.y)
        click((ok.left + ok.right) / 2, (ok.top + ok.bottom) / 2);
    else
        PostMessageW(box->hwnd, WM_COMMAND, IDOK, 0);
    ASSERT_NO_FATAL_FAILURE(expectExit(p, 0xFFFFFFFFu, "after OK on the error box"));
    EXPECT_TRUE(topLevelWindows(p.pid()).empty());
}

INSTANTIATE_TEST_SUITE_P(Copies, DamagedWindowData, ::testing::ValuesIn(kDamages),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- libraries loaded on demand ---------------------------------------------

// Started and left alone, the program maps neither the common controls nor
// the shell nor the accessibility libraries: they cost start-up time and
// memory, and each is loaded when something first needs it (see the update
// window, site action and accessibility tests for those moments).
TEST(StartUp, MapsNoOnDemandLibraryUntilSomethingNeedsIt) {
    Launched app;
    ASSERT_NO_FATAL_FAILURE(launch(app));
    Sleep(500);
    ASSERT_TRUE(moduleNamed(app.proc.pid(), L"user32.dll")) << "the program's modules cannot be read";
    for (const wchar_t* dll : {L"comctl32.dll", L"shell32.dll", L"oleacc.dll", L"oleaut32.dll"}) {
        auto path = moduleNamed(app.proc.pid(), dll);
        EXPECT_FALSE(path) << narrow(dll) << " is mapped at start: " << narrow(path.value_or(L""));
    }
    PostMessageW(app.window, WM_SYSCOMMAND, SC_CLOSE, 0);
    expectExit(app.proc, 0, "closing");
}

// ---- two copies at once ----------------------------------------------------

TEST(TwoCopies, RunSideBySideAndEndIndependently) {
    Launched first, second;
    ASSERT_NO_FATAL_FAILURE(launch(first));
    ASSERT_NO_FATAL_FAILURE(launch(second));
    ASSERT_NE(first.proc.pid(), second.proc.pid());
    ASSERT_NE(first.window, second.window);
    saveScreenshot(screenRect(), shotName(L"both"));

    PostMessageW(first.window, WM_SYSCOMMAND, SC_CLOSE, 0);
    ASSERT_NO_FATAL_FAILURE(expectExit(first.proc, 0, "first copy"));
    Sleep(300);
    EXPECT_TRUE(second.proc.running()) << "closing the first copy ended the second";
    EXPECT_TRUE(IsWindowVisible(second.window));

    PostMessageW(second.window, WM_SYSCOMMAND, SC_CLOSE, 0);
    expectExit(second.proc, 0, "second copy");
}
