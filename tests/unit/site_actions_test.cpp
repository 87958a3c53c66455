#include "launcher/site_actions.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>

namespace xy::sites {
namespace {

struct Expected {
    std::int32_t group, item;
    Action action;
    AddressForm form;
    const char* address;  // for web rows
};

using enum Action;
using enum AddressForm;

// The addresses the launcher hands on, spelled out once more on purpose: a
// changed entry in the table has to show up here.
constexpr Expected kExpected[] = {
    {0, 0, OpenAddress, BareHost, "www.qq.com"},
    {0, 1, OpenAddress, SchemeSlash, "http://www.sina.com.cn/"},
    {0, 2, OpenAddress, BareHost, "www.baidu.com"},
    {0, 3, OpenAddress, BareHost, "www.163.com"},
    {0, 4, OpenAddress, SchemeSlash, "http://www.ifeng.com/"},
    {0, 5, OpenAddress, SchemeSlash, "http://www.people.com.cn/"},
    {0, 6, OpenAddress, SchemeSlash, "http://www.eastmoney.com/"},
    {0, 7, OpenAddress, SchemeSlash, "http://www.xinhuanet.com/"},
    {1, 0, OpenAddress, BareHost, "www.taobao.com"},
    {1, 1, OpenAddress, SchemeNoSlash, "http://www.jd.com"},
    {1, 2, OpenAddress, SchemeNoSlash, "http://www.suning.com"},
    {1, 3, OpenAddress, SchemeNoSlash, "http://www.amazon.cn"},
    {1, 4, OpenAddress, SchemeRegional, "http://bj.jumei.com"},
    {1, 5, OpenAddress, SchemeNoSlash, "http://www.vip.com"},
    {1, 6, OpenAddress, SchemeNoSlash, "http://www.gome.com.cn"},
    {2, 0, OpenAddress, BareHost, "www.52pojie.cn"},
    {2, 1, OpenAddress, SchemeSlash, "http://www.qqhdw.com/"},
    {2, 2, OpenAddress, ForumPage, "http://bbs.cf.qq.com/forum.php"},
    {3, 0, GreetingBox, None, nullptr},
    {3, 1, UpdateWindow, None, nullptr},
};

TEST(SiteTable, EachPairFindsItsOwnRowOnly) {
    ASSERT_EQ(siteTable().size(), std::size(kExpected));
    for (const Expected& e : kExpected) {
        SCOPED_TRACE(testing::Message() << "(" << e.group << ", " << e.item << ")");
        const auto rows = matchingRows(e.group, e.item);
        ASSERT_EQ(rows.size(), 1u);
        const SiteRow& r = *rows[0];
        EXPECT_EQ(r.group, e.group);
        EXPECT_EQ(r.item, e.item);
        EXPECT_EQ(r.action, e.action);
        EXPECT_EQ(r.form, e.form);
        if (e.address) {
            ASSERT_NE(r.address, nullptr);
            EXPECT_STREQ(r.address, e.address);
        } else {
            EXPECT_EQ(r.address, nullptr);
        }
    }
}

TEST(SiteTable, RowsAreTestedInTableOrderWithUpdateBeforeGreeting) {
    std::vector<std::pair<int, int>> table, tested, expected;
    for (const SiteRow& r : siteTable()) table.push_back({r.group, r.item});
    for (const SiteRow* r : rowsInTestOrder()) tested.push_back({r->group, r->item});
    for (const Expected& e : kExpected) expected.push_back({e.group, e.item});
    EXPECT_EQ(table, expected);
    // Every row once; only (3, 1) and (3, 0) trade places.
    std::swap(expected[18], expected[19]);
    EXPECT_EQ(tested, expected);
}

TEST(SiteTable, PairsOutsideTheTableMatchNothing) {
    const std::pair<int, int> outside[] = {{1, 7}, {3, 2}, {-1, 0}, {0, -1}, {0, 8}, {2, 3},
                                           {4, 0}, {INT32_MIN, 0}, {0, INT32_MAX}, {-1, -1}};
    for (auto [g, i] : outside) EXPECT_TRUE(matchingRows(g, i).empty()) << g << "," << i;
}

TEST(SiteTable, EveryAddressHasItsRowsForm) {
    for (const SiteRow& r : siteTable()) {
        SCOPED_TRACE(r.text);
        if (r.action == OpenAddress) {
            ASSERT_NE(r.address, nullptr);
            EXPECT_TRUE(hasAddressForm(r.address, r.form));
            // ...and no other form.
            for (AddressForm f : {BareHost, SchemeSlash, SchemeNoSlash, SchemeRegional, ForumPage})
                if (f != r.form) {
                    EXPECT_FALSE(hasAddressForm(r.address, f)) << int(f);
                }
            EXPECT_TRUE(normaliseWebAddress(r.address).has_value());
        } else {
            EXPECT_EQ(r.form, None);
        }
    }
    std::set<std::string> distinct;
    for (const SiteRow& r : siteTable())
        if (r.address) distinct.insert(r.address);
    EXPECT_EQ(distinct.size(), 18u);
}

TEST(AddressForm, TellsTheShapesApart) {
    struct Case {
        const char* a;
        AddressForm form;
        bool fits;
    };
    const Case cases[] = {
        {"www.qq.com", BareHost, true},
        {"www.qq.com/", BareHost, false},
        {"http://www.qq.com", BareHost, false},
        {"qq.com", BareHost, false},
        {"http://www.ifeng.com/", SchemeSlash, true},
        {"https://www.ifeng.com/", SchemeSlash, false},
        {"http://ifeng.com/", SchemeSlash, false},
        {"http://www.ifeng.com/index", SchemeSlash, false},
        {"http://www.jd.com", SchemeNoSlash, true},
        {"http://www.jd.com/", SchemeNoSlash, false},
        {"http://bj.jumei.com", SchemeRegional, true},
        {"http://www.jumei.com", SchemeRegional, false},
        {"http://bjs.jumei.com", SchemeRegional, false},
        {"http://bj.jumei.com/", SchemeRegional, false},
        {"http://bbs.cf.qq.com/forum.php", ForumPage, true},
        {"http://bbs.cf.qq.com/forum.php?x", ForumPage, false},
        {"http:///forum.php", ForumPage, false},
        {"", None, true},
        {"www.qq.com", None, false},
    };
    for (const Case& c : cases) EXPECT_EQ(hasAddressForm(c.a, c.form), c.fits) << c.a << " / " << int(c.form);
}

TEST(WebAddress, BareHostsGetASchemeAndWebAddressesPass) {
    struct Case {
        const char* in;
        const char* out;
    };
    const Case cases[] = {
        {"www.qq.com", "http://www.qq.com"},
        {"www.baidu.com", "http://www.baidu.com"},
        {"www.52pojie.cn", "http://www.52pojie.cn"},
        {"WWW.Taobao.COM", "http://WWW.Taobao.COM"},
        {"www.baidu.com/s?wd=%E7%99%BE#top", "http://www.baidu.com/s?wd=%E7%99%BE#top"},
        {"www.qq.com:8080", "http://www.qq.com:8080"},
        {"http://www.sina.com.cn/", "http://www.sina.com.cn/"},
        {"http://www.jd.com", "http://www.jd.com"},
        {"http://bj.jumei.com", "http://bj.jumei.com"},
        {"http://bbs.cf.qq.com/forum.php", "http://bbs.cf.qq.com/forum.php"},
        {"HTTP://www.qq.com/", "http://www.qq.com/"},
        {"https://www.amazon.cn", "https://www.amazon.cn"},
        {"Https://x-y.example.org/a/b;c=d?e=f&g=h", "https://x-y.example.org/a/b;c=d?e=f&g=h"},
        {"http://127.0.0.1:80/", "http://127.0.0.1:80/"},
    };
    for (const Case& c : cases) {
        auto out = normaliseWebAddress(c.in);
        ASSERT_TRUE(out.has_value()) << c.in;
        EXPECT_EQ(*out, c.out) << c.in;
    }
}

TEST(WebAddress, AnythingButAnAbsoluteWebAddressIsRefused) {
    const char* hostile[] = {
        "",
        "www",                                 // a bare word
        "calc",
        "calc.exe",                            // a file name
        "notepad.exe www.qq.com",              // a command line
        "cmd /c calc",
        "C:\\Windows\\System32\\calc.exe",     // paths
        "C:/Windows/notepad.exe",
        "\\\\server\\share\\x.exe",
        "..\\www.qq.com",
        "./www.qq.com",
        "/usr/bin/xterm",
        "%COMSPEC%",
        "file:///C:/Windows/notepad.exe",      // other schemes
        "ftp://www.qq.com",
        "javascript:alert(1)",
        "mailto:someone@www.qq.com",
        "shell:startup",
        "ms-settings:",
        "//www.qq.com",                        // no scheme, not a host
        "http:www.qq.com",
        "http:/www.qq.com",
        "http://",
        "http:///etc/passwd",
        "http://www.qq.com@evil.example/",     // user info
        "http://user:pw@www.qq.com/",
        "http://www.qq.com:0/",                // bad ports
        "http://www.qq.com:99999/",
        "http://www.qq.com:/",
        "http://www.qq.com:8a/",
        "http://-www.qq.com/",                 // bad hosts
        "http://www..qq.com/",
        "http://www.qq.com./",
        "http://www.qq.c0m/",
        "http://localhost/",
        "http://999.1.1.1/",
        "http://[::1]/",
        "http://www.百度.com/",                // non-ASCII
        "www.qq.com ",                         // spaces, quotes, controls
        " www.qq.com",
        "http://www.qq.com/a b",
        "\"www.qq.com\"",
        "www.qq.com\" & calc",
        "'www.qq.com'",
        "http://www.qq.com/\t",
        "http://www.qq.com/\r\ncalc",
        "http://www.qq.com/\x7f",
        "www.qq.com\\..\\..\\calc.exe",
        "http://www.qq.com/%zz",               // stray percent
        "http://www.qq.com/100%",
        "http://www.qq.com/<script>",
        "http://www.qq.com/a|b",
        "http://www.qq.com/`x`",
    };
    for (const char* a : hostile) EXPECT_EQ(normaliseWebAddress(a), std::nullopt) << "[" << a << "]";
    EXPECT_EQ(normaliseWebAddress(std::string_view("www.qq.com\0.exe", 15)), std::nullopt);
    EXPECT_EQ(normaliseWebAddress("http://www.qq.com/" + std::string(3000, 'a')), std::nullopt);
}

TEST(GreetingBox, TextAndCaption) {
    EXPECT_EQ(greetingText(),
              "     √欢迎使用\r\n     √闲云百宝匣\r\n     √版本:V1.0.0\r\n     √个人爱好 不喜勿喷");
    EXPECT_STREQ(kGreetingCaption, "提示");
}

}  // namespace
}  // namespace xy::sites
