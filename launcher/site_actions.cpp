#include "launcher/site_actions.h"

namespace xy::sites {
namespace {

using enum Action;
using enum AddressForm;

constexpr SiteRow kRows[] = {
    {0, 0, "腾讯网", OpenAddress, BareHost, "www.qq.com"},
    {0, 1, "新浪网", OpenAddress, SchemeSlash, "http://www.sina.com.cn/"},
    {0, 2, "百度", OpenAddress, BareHost, "www.baidu.com"},
    {0, 3, "网易", OpenAddress, BareHost, "www.163.com"},
    {0, 4, "凤凰", OpenAddress, SchemeSlash, "http://www.ifeng.com/"},
    {0, 5, "人民网", OpenAddress, SchemeSlash, "http://www.people.com.cn/"},
    {0, 6, "东方财富", OpenAddress, SchemeSlash, "http://www.eastmoney.com/"},
    {0, 7, "新华网", OpenAddress, SchemeSlash, "http://www.xinhuanet.com/"},
    {1, 0, "淘宝网", OpenAddress, BareHost, "www.taobao.com"},
    {1, 1, "京东商城", OpenAddress, SchemeNoSlash, "http://www.jd.com"},
    {1, 2, "苏宁易购", OpenAddress, SchemeNoSlash, "http://www.suning.com"},
    {1, 3, "亚马逊", OpenAddress, SchemeNoSlash, "http://www.amazon.cn"},
    {1, 4, "聚美优品", OpenAddress, SchemeRegional, "http://bj.jumei.com"},
    {1, 5, "唯品会", OpenAddress, SchemeNoSlash, "http://www.vip.com"},
    {1, 6, "国美在线", OpenAddress, SchemeNoSlash, "http://www.gome.com.cn"},
    {2, 0, "吾爱破解", OpenAddress, BareHost, "www.52pojie.cn"},
    {2, 1, "QQ活动网", OpenAddress, SchemeSlash, "http://www.qqhdw.com/"},
    {2, 2, "CF论坛", OpenAddress, ForumPage, "http://bbs.cf.qq.com/forum.php"},
    {3, 0, "说明", GreetingBox, None, nullptr},
    {3, 1, "更新", UpdateWindow, None, nullptr},
};

constexpr std::size_t kMaxAddressLength = 2048;

constexpr bool isAlpha(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
constexpr bool isDigit(char c) { return c >= '0' && c <= '9'; }
constexpr bool isHex(char c) { return isDigit(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }
constexpr char lower(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

bool startsWithNoCase(std::string_view s, std::string_view prefix) {
    if (s.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (lower(s[i]) != lower(prefix[i])) return false;
    return true;
}

bool isIPv4(std::string_view host) {
    int parts = 0;
    while (true) {
        std::size_t dot = host.find('.');
        std::string_view part = host.substr(0, dot);
        if (part.empty() || part.size() > 3) return false;
        int v = 0;
        for (char c : part) {
            if (!isDigit(c)) return false;
            v = v * 10 + (c - '0');
        }
        if (v > 255) return false;
        ++parts;
        if (dot == std::string_view::npos) break;
        host.remove_prefix(dot + 1);
    }
    return parts == 4;
}

// A DNS name of at least two letter-digit-hyphen labels whose last label is
// letters only.
bool isDnsName(std::string_view host) {
    if (host.empty() || host.size() > 253) return false;
    int labels = 0;
    std::string_view last;
    std::string_view rest = host;
    while (true) {
        std::size_t dot = rest.find('.');
        std::string_view label = rest.substr(0, dot);
        if (label.empty() || label.size() > 63 || label.front() == '-' || label.back() == '-') return false;
        for (char c : label)
            if (!isAlpha(c) && !isDigit(c) && c != '-') return false;
        ++labels;
        last = label;
        if (dot == std::string_view::npos) break;
        rest.remove_prefix(dot + 1);
    }
    if (labels < 2 || last.size() < 2) return false;
    for (char c : last)
        if (!isAlpha(c)) return false;
    return true;
}

bool isHost(std::string_view host) { return isIPv4(host) || isDnsName(host); }

bool isPort(std::string_view port) {
    if (port.empty() || port.size() > 5) return false;
    long v = 0;
    for (char c : port) {
        if (!isDigit(c)) return false;
        v = v * 10 + (c - '0');
    }
    return v >= 1 && v <= 65535;
}

// Path, query and fragment: the URI characters without quotes and brackets,
// "%" only as the start of a %XX escape.
bool isTail(std::string_view tail) {
    constexpr std::string_view kAllowed = "-._~!$&()*+,;=:@/?#";
    for (std::size_t i = 0; i < tail.size(); ++i) {
        char c = tail[i];
        if (isAlpha(c) || isDigit(c) || kAllowed.find(c) != std::string_view::npos) continue;
        if (c == '%' && i + 2 < tail.size() && isHex(tail[i + 1]) && isHex(tail[i + 2])) {
            i += 2;
            continue;
        }
        return false;
    }
    return true;
}

struct Parts {
    std::string_view host;
    std::string_view port;  // without ':'
    std::string_view tail;  // from the first '/', '?' or '#'
};

// Splits "host[:port][tail]"; nullopt when the authority is malformed.
std::optional<Parts> splitAuthority(std::string_view rest) {
    std::size_t end = rest.find_first_of("/?#");
    std::string_view authority = rest.substr(0, end);
    Parts p;
    p.tail = end == std::string_view::npos ? std::string_view{} : rest.substr(end);
    if (authority.find('@') != std::string_view::npos) return std::nullopt;  // no user info
    std::size_t colon = authority.find(':');
    if (colon != std::string_view::npos) {
        p.port = authority.substr(colon + 1);
        if (!isPort(p.port)) return std::nullopt;
        authority = authority.substr(0, colon);
    }
    if (!isHost(authority)) return std::nullopt;
    p.host = authority;
    if (!isTail(p.tail)) return std::nullopt;
    return p;
}

bool firstLabelIs(std::string_view host, std::string_view label) {
    return host.size() > label.size() && host.substr(0, label.size()) == label && host[label.size()] == '.';
}

bool isRegionalPrefix(std::string_view host) {
    return host.size() > 3 && isAlpha(host[0]) && isAlpha(host[1]) && host[2] == '.';
}

}  // namespace

std::span<const SiteRow> siteTable() { return kRows; }

std::vector<const SiteRow*> rowsInTestOrder() {
    std::vector<const SiteRow*> order;
    order.reserve(std::size(kRows));
    for (const auto& r : kRows) {
        if (r.group == 3 && r.item == 0) {
            for (const auto& s : kRows)
                if (s.group == 3 && s.item == 1) order.push_back(&s);
            order.push_back(&r);
        } else if (!(r.group == 3 && r.item == 1)) {
            order.push_back(&r);
        }
    }
    return order;
}

std::vector<const SiteRow*> matchingRows(std::int32_t group, std::int32_t item) {
    std::vector<const SiteRow*> hits;
    for (const SiteRow* r : rowsInTestOrder())
        if (r->group == group && r->item == item) hits.push_back(r);
    return hits;
}

bool hasAddressForm(std::string_view a, AddressForm form) {
    constexpr std::string_view kHttp = "http://";
    if (form == None) return a.empty();
    if (form == BareHost) return isDnsName(a) && firstLabelIs(a, "www");
    if (a.substr(0, kHttp.size()) != kHttp) return false;
    std::string_view rest = a.substr(kHttp.size());
    switch (form) {
        case SchemeSlash:
            if (rest.empty() || rest.back() != '/') return false;
            rest.remove_suffix(1);
            return isDnsName(rest) && firstLabelIs(rest, "www");
        case SchemeNoSlash: return isDnsName(rest) && firstLabelIs(rest, "www");
        case SchemeRegional: return isDnsName(rest) && isRegionalPrefix(rest);
        case ForumPage: {
            constexpr std::string_view kPage = "/forum.php";
            if (rest.size() <= kPage.size() || rest.substr(rest.size() - kPage.size()) != kPage) return false;
            return isDnsName(rest.substr(0, rest.size() - kPage.size()));
        }
        default: return false;
    }
}

std::optional<std::string> normaliseWebAddress(std::string_view a) {
    if (a.empty() || a.size() > kMaxAddressLength) return std::nullopt;
    for (char c : a) {
        const auto u = static_cast<unsigned char>(c);
        if (u <= 0x20 || u >= 0x7F) return std::nullopt;  // controls, spaces, non-ASCII
        if (std::string_view("\"'<>\\^`{|}[]").find(c) != std::string_view::npos) return std::nullopt;
    }
    std::string_view scheme;
    std::string_view rest;
    if (startsWithNoCase(a, "http://")) {
        scheme = "http://";
        rest = a.substr(7);
    } else if (startsWithNoCase(a, "https://")) {
        scheme = "https://";
        rest = a.substr(8);
    } else {
        // Without a scheme only a www host is taken as a web address; any
        // other scheme, a path or a bare word is refused.
        if (!startsWithNoCase(a, "www.")) return std::nullopt;
        scheme = "http://";
        rest = a;
    }
    if (!splitAuthority(rest)) return std::nullopt;
    std::string out;
    out.reserve(scheme.size() + rest.size());
    out.append(scheme);
    out.append(rest);
    return out;
}

std::string greetingText() {
    return "     √欢迎使用\r\n"
           "     √闲云百宝匣\r\n"
           "     √版本:V1.0.0\r\n"
           "     √个人爱好 不喜勿喷";
}

}  // namespace xy::sites
