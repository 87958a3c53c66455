// What each item of the site menu does: the table of rows keyed by
// (group index, item index), the safe form of the web addresses handed to
// the shell, and the greeting box. The handler itself is at the end.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "toolkit/model/definition.h"

namespace xy::sites {

enum class Action : std::uint8_t { OpenAddress, GreetingBox, UpdateWindow };

// The shape of a row's address string.
enum class AddressForm : std::uint8_t {
    None,            // no address (not a web row)
    BareHost,        // "www.example.com"
    SchemeSlash,     // "http://www.example.com/"
    SchemeNoSlash,   // "http://www.example.com"
    SchemeRegional,  // "http://bj.example.com" (two-letter regional first label)
    ForumPage,       // "http://bbs.example.com/forum.php"
};

struct SiteRow {
    std::int32_t group;
    std::int32_t item;
    const char* text;  // the item's text in the menu
    Action action;
    AddressForm form;
    const char* address;  // web rows only, else nullptr
};

// All twenty rows, in table order.
std::span<const SiteRow> siteTable();

// Every row in the order in which rows are tested: table order, except that
// row (3, 1) is tested before row (3, 0).
std::vector<const SiteRow*> rowsInTestOrder();

// The rows that match (group, item), in test order. Each row is tested on
// its own; with distinct pairs at most one row matches.
std::vector<const SiteRow*> matchingRows(std::int32_t group, std::int32_t item);

// Whether `address` has the shape `form` describes.
bool hasAddressForm(std::string_view address, AddressForm form);

// The absolute web address that reaches the shell for `address`, or nullopt
// when it is refused. A bare host ("www.qq.com", optionally with a port and
// a path) gets "http://" in front; "http://" and "https://" addresses
// (scheme in any case, written back in lower case) pass as they are. The
// host must be a plain DNS name of at least two labels with a letter-only
// last label, or a dotted IPv4 address. Refused: other schemes, user info
// ("user@host"), paths and file names, spaces, quotes, backslashes, control
// and non-ASCII characters, stray "%" (only %XX escapes), over-long input.
// The shell resolves a string without a scheme against the current
// directory first, so nothing that is not an absolute web address may
// reach it.
std::optional<std::string> normaliseWebAddress(std::string_view address);

// The greeting box (item 说明): four lines joined by CR LF, none after the
// last; caption 提示; OK only, no icon.
inline constexpr const char* kGreetingCaption = "提示";
std::string greetingText();

}  // namespace xy::sites

// The site menu's item-chosen handler: a = group index, b = item index.
xy::HandlerResult onItemChosen(const xy::EventArgs& args);
