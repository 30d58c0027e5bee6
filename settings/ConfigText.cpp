#include "settings/ConfigText.h"

#include <algorithm>

namespace {

constexpr char kDigestPrefix[] = "sha256:";
constexpr std::size_t kDigestPrefixLength = sizeof kDigestPrefix - 1;
constexpr std::size_t kDigestHexLength = 64;

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsControl(char c) {
    const unsigned char byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7f;
}

// The position after the character at pos; a lead byte at the very end
// stands alone.
std::size_t NextCharacter(std::string_view text, std::size_t pos, LeadBytePredicate isLeadByte) {
    if (isLeadByte(static_cast<unsigned char>(text[pos])) && pos + 1 < text.size() &&
        text[pos + 1] != '\0') {
        return pos + 2;
    }
    return pos + 1;
}

bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
               return lower(x) == lower(y);
           });
}

std::string_view TrimAsciiSpace(std::string_view text) {
    while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsSpace(text.back())) text.remove_suffix(1);
    return text;
}

// The INI read drops white space beside a line's first '='.
bool HasSpaceBesideEquals(std::string_view text) {
    for (std::size_t pos = text.find('='); pos != std::string_view::npos; pos = text.find('=', pos + 1)) {
        if ((pos > 0 && IsSpace(text[pos - 1])) || (pos + 1 < text.size() && IsSpace(text[pos + 1]))) return true;
    }
    return false;
}

// A line loses white space at its start, and the INI read takes one that
// starts with ';' or '[' for a remark or a section's head.
bool StartsLineBadly(std::string_view text) {
    return !text.empty() && (IsSpace(text.front()) || text.front() == ';' || text.front() == '[');
}

}  // namespace

bool IsStorableValidator(std::string_view text) {
    if (text.empty() || text.size() > kMaxValidatorLength) return false;
    if (text.front() == ' ' || text.back() == ' ' || HasSpaceBesideEquals(text)) return false;
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= 0x20 && c < 0x7f; });
}

bool IsEtagStamp(std::string_view stamp) {
    return stamp.substr(0, 1) == "\"" || stamp.substr(0, 3) == "W/\"";
}

bool IsDigestStamp(std::string_view stamp) {
    return stamp.size() == kDigestPrefixLength + kDigestHexLength &&
           stamp.substr(0, kDigestPrefixLength) == kDigestPrefix &&
           std::all_of(stamp.begin() + kDigestPrefixLength, stamp.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
           });
}

std::string TrimConfigSpace(std::string_view line, LeadBytePredicate isLeadByte) {
    std::size_t first = 0;
    while (first < line.size() && IsSpace(line[first])) ++first;
    std::size_t end = first;
    for (std::size_t pos = first; pos < line.size();) {
        const std::size_t next = NextCharacter(line, pos, isLeadByte);
        if (!IsSpace(line[pos])) end = std::min(next, line.size());
        pos = next;
    }
    return std::string(line.substr(first, end - first));
}

std::size_t FindSiteBar(std::string_view text, LeadBytePredicate isLeadByte) {
    for (std::size_t pos = 0; pos < text.size(); pos = NextCharacter(text, pos, isLeadByte)) {
        if (text[pos] == '|') return pos;
    }
    return std::string_view::npos;
}

bool ParseCustomSiteLine(std::string_view rawLine, LeadBytePredicate isLeadByte, CustomSite& site) {
    const std::string line = TrimConfigSpace(rawLine, isLeadByte);
    if (line.empty()) return false;
    const std::size_t bar = FindSiteBar(line, isLeadByte);
    site = CustomSite();
    std::string_view rest = line;
    if (bar != std::string::npos) {
        site.address = line.substr(0, bar);
        rest.remove_prefix(bar + 1);
    }
    // An ETag may itself end in '=': only a digest after the last '=' is one.
    const std::size_t equals = rest.rfind('=');
    if (bar != std::string::npos && equals != std::string_view::npos &&
        IsDigestStamp(rest.substr(equals + 1))) {
        site.digest = std::string(rest.substr(equals + 1));
        rest = rest.substr(0, equals);
    } else if (!rest.empty() && rest.back() == '=') {
        rest.remove_suffix(1);
    }
    site.stamp = std::string(rest);
    return true;
}

bool CanStoreSiteAddress(std::string_view address, LeadBytePredicate isLeadByte) {
    std::size_t last = 0;
    for (std::size_t pos = 0; pos < address.size(); pos = NextCharacter(address, pos, isLeadByte)) last = pos;
    const bool endsInLeadByte = last + 1 == address.size() && isLeadByte(static_cast<unsigned char>(address[last]));
    return FindSiteBar(address, isLeadByte) == std::string_view::npos && !endsInLeadByte &&
           !StartsLineBadly(address) && !HasSpaceBesideEquals(address) &&
           std::none_of(address.begin(), address.end(), IsControl);
}

bool FormatCustomSiteLine(const CustomSite& site, LeadBytePredicate isLeadByte, std::string& line) {
    line.clear();
    if (site.address.empty()) {
        // A line read without an address goes back as it was read. A stamp
        // read after an empty address ("|a|b=", "|[a]=") keeps that bar when
        // it would not read back alone: its own bar would make "a" an
        // address, and its start could be trimmed or make a section's head.
        if (std::any_of(site.stamp.begin(), site.stamp.end(), IsControl)) return false;
        const bool needsBar = FindSiteBar(site.stamp, isLeadByte) != std::string::npos ||
                              StartsLineBadly(site.stamp);
        line = (needsBar ? "|" : "") + site.stamp + "=";
        return true;
    }
    if (!CanStoreSiteAddress(site.address, isLeadByte)) return false;
    line = site.address + "|" + (IsStorableValidator(site.stamp) ? site.stamp : std::string()) +
           "=" + (IsDigestStamp(site.digest) ? site.digest : std::string());
    return true;
}

std::string RawSectionValue(std::string_view lines, std::string_view key) {
    for (std::size_t start = 0; start < lines.size();) {
        std::size_t end = lines.find('\0', start);
        if (end == std::string_view::npos) end = lines.size();
        const std::string_view line = lines.substr(start, end - start);
        start = end + 1;
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos) continue;
        if (EqualIgnoringAsciiCase(TrimAsciiSpace(line.substr(0, equals)), key)) {
            return std::string(TrimAsciiSpace(line.substr(equals + 1)));
        }
    }
    return std::string();
}
