#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The text of config.ini's lines and of the stamps kept in them. Pure text
// functions, no system calls: what comes from a server or from the file
// can be tried on any input. Every line the program writes is made here,
// so nothing read from a server is ever written as INI text of its own.

// One of the user's update sites as stored: its address, the validator its
// list last came with, and the digest of the list last merged.
struct CustomSite {
    std::string address;
    std::string stamp;   // Last-Modified text, ETag, content digest, or ""
    std::string digest;  // "sha256:<hex>" of the body last merged, or ""

    bool operator==(const CustomSite& other) const {
        return address == other.address && stamp == other.stamp && digest == other.digest;
    }
};

inline constexpr std::size_t kMaxValidatorLength = 259;

// A Last-Modified or ETag text that may be kept and sent back: 1 to 259
// characters of printable ASCII with no space at either end or beside an
// '='. A control character would end the INI line and start another; bytes
// beyond ASCII could pair with the next character in a double-byte code
// page; the INI read drops spaces beside a line's first '='.
bool IsStorableValidator(std::string_view text);
// An entity tag: begins with '"' or 'W/"'.
bool IsEtagStamp(std::string_view stamp);
// "sha256:" and 64 lower-case hex digits.
bool IsDigestStamp(std::string_view stamp);

// Whether a byte opens a double-byte character of the ANSI code page; its
// second byte is then never a character of its own.
using LeadBytePredicate = bool (*)(unsigned char);

// The line without white space at either end, stepping by whole characters.
std::string TrimConfigSpace(std::string_view line, LeadBytePredicate isLeadByte);

// The first '|' that is a character of its own; npos when there is none.
std::size_t FindSiteBar(std::string_view text, LeadBytePredicate isLeadByte);

// A line of section "custom", as the system's section read gives it:
// "address|stamp=" (earlier versions) or "address|stamp=sha256:<hex>". A
// line without '|' is a site with no address and the line as stamp; its
// last '=' goes, as it always did. False for a blank line.
bool ParseCustomSiteLine(std::string_view line, LeadBytePredicate isLeadByte, CustomSite& site);
// The line that reads back as the site, without its end. A stamp that may
// not be stored is left out, a digest that is none too; false, with no
// line, when the address cannot be stored.
bool FormatCustomSiteLine(const CustomSite& site, LeadBytePredicate isLeadByte, std::string& line);
// An address may be stored when it has no '|' of its own (it would be
// taken for the address's end), no control character, no lead byte alone
// at its end (it would take the '|' after it for its second byte), and
// nothing the INI read would change: white space at its start or beside an
// '=', or ';' or '[' first (a remark, a section's head).
bool CanStoreSiteAddress(std::string_view address, LeadBytePredicate isLeadByte);

// The value of key (any case) among a section's zero-separated
// "key=value" lines, as written: quotes and inner white space kept, the
// white space at either end dropped. The first line with that key counts;
// "" when none has it.
std::string RawSectionValue(std::string_view lines, std::string_view key);
