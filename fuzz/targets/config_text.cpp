// The lines and stamps of config.ini. Each line of the first part (at LF)
// is trimmed, searched for its bar and read as a site as plain references
// do; a site read goes back as a line that reads as the same site. The
// next three parts are a site's address, stamp and digest as the program
// may hold them: its line holds no control character, has the one form
// "address|stamp=digest" with only a storable stamp and a true digest, and
// reads back as that, from the INI read too. No line written is a remark or
// a section's head. The first part is also a section's zero-separated lines
// for the value reader. All under code page 936 and a single-byte one.
#include "fuzz/FuzzSupport.h"
#include "fuzz/Reference.h"
#include "settings/ConfigText.h"

#include <string>

namespace {

// IsDBCSLeadByte is a Windows call: the native build says which bytes lead
// a double-byte character of code page 936 (0x81 to 0xFE), and of a
// single-byte code page (none).
bool Cp936LeadByte(unsigned char c) {
    return c >= 0x81 && c <= 0xFE;
}

bool SingleByte(unsigned char) {
    return false;
}

constexpr std::string_view kSpaces(" \t\n\v\f\r");
constexpr std::string_view kValidDigest =
    "sha256:0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef";

bool RefIsControl(char c) {
    return static_cast<unsigned char>(c) < 0x20 || c == 0x7f;
}

bool RefHasControl(std::string_view text) {
    for (char c : text) {
        if (RefIsControl(c)) return true;
    }
    return false;
}

// Characters as the code page reads them: a lead byte takes the next byte
// with it, unless the text ends or a NUL ends the string there.
std::vector<std::string_view> RefCharacters(std::string_view text, LeadBytePredicate isLeadByte) {
    std::vector<std::string_view> characters;
    for (std::size_t pos = 0; pos < text.size();) {
        std::size_t length = 1;
        if (isLeadByte(static_cast<unsigned char>(text[pos])) && pos + 1 < text.size() && text[pos + 1] != '\0') {
            length = 2;
        }
        characters.push_back(text.substr(pos, length));
        pos += length;
    }
    return characters;
}

bool RefIsSpaceCharacter(std::string_view character) {
    return character.size() == 1 && kSpaces.find(character[0]) != std::string_view::npos;
}

std::string RefTrim(std::string_view text, LeadBytePredicate isLeadByte) {
    const std::vector<std::string_view> characters = RefCharacters(text, isLeadByte);
    std::size_t first = 0;
    std::size_t end = characters.size();
    while (first < end && RefIsSpaceCharacter(characters[first])) ++first;
    while (end > first && RefIsSpaceCharacter(characters[end - 1])) --end;
    std::string trimmed;
    for (std::size_t i = first; i < end; ++i) trimmed += characters[i];
    return trimmed;
}

std::size_t RefBar(std::string_view text, LeadBytePredicate isLeadByte) {
    std::size_t pos = 0;
    for (std::string_view character : RefCharacters(text, isLeadByte)) {
        if (character == "|") return pos;
        pos += character.size();
    }
    return std::string_view::npos;
}

bool RefIsDigest(std::string_view stamp) {
    if (stamp.size() != kValidDigest.size() || stamp.substr(0, 7) != "sha256:") return false;
    for (char c : stamp.substr(7)) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    }
    return true;
}

bool RefSpaceBesideEquals(std::string_view text) {
    for (std::string_view pair : {" =", "= "}) {
        if (text.find(pair) != std::string_view::npos) return true;
    }
    return false;
}

bool RefIsStorable(std::string_view text) {
    if (text.empty() || text.size() > 259 || text.front() == ' ' || text.back() == ' ') return false;
    for (char c : text) {
        if (c < 0x20 || c > 0x7e) return false;
    }
    return !RefSpaceBesideEquals(text);
}

// No bar of its own, no control character, no lead byte alone at the end,
// nothing the INI read changes (space or ';' or '[' first, space beside '=').
bool RefCanStoreAddress(std::string_view address, LeadBytePredicate isLeadByte) {
    const std::vector<std::string_view> characters = RefCharacters(address, isLeadByte);
    const bool endsInLeadByte = !characters.empty() && characters.back().size() == 1 &&
                                isLeadByte(static_cast<unsigned char>(characters.back()[0]));
    const char first = address.empty() ? 'a' : address.front();
    return RefBar(address, isLeadByte) == std::string_view::npos && !RefHasControl(address) && !endsInLeadByte &&
           first != ' ' && first != ';' && first != '[' && !RefSpaceBesideEquals(address);
}

std::string_view RefWithoutLastEquals(std::string_view text) {
    if (!text.empty() && text.back() == '=') text.remove_suffix(1);
    return text;
}

// "address|stamp=" or "address|stamp=digest"; without a bar, the whole
// line is the stamp.
bool RefParse(std::string_view rawLine, LeadBytePredicate isLeadByte, CustomSite& site) {
    const std::string line = RefTrim(rawLine, isLeadByte);
    if (line.empty()) return false;
    site = CustomSite();
    const std::size_t bar = RefBar(line, isLeadByte);
    if (bar == std::string_view::npos) {
        site.stamp = std::string(RefWithoutLastEquals(line));
        return true;
    }
    site.address = line.substr(0, bar);
    const std::string_view rest = std::string_view(line).substr(bar + 1);
    const std::size_t equals = rest.rfind('=');
    if (equals != std::string_view::npos && RefIsDigest(rest.substr(equals + 1))) {
        site.stamp = std::string(rest.substr(0, equals));
        site.digest = std::string(rest.substr(equals + 1));
    } else {
        site.stamp = std::string(RefWithoutLastEquals(rest));
    }
    return true;
}

std::string_view RefTrimAscii(std::string_view text) {
    while (!text.empty() && kSpaces.find(text.front()) != std::string_view::npos) text.remove_prefix(1);
    while (!text.empty() && kSpaces.find(text.back()) != std::string_view::npos) text.remove_suffix(1);
    return text;
}

// A line as the INI section read gives it back: none for a remark or a
// section's head, else trimmed, without white space beside its first '='.
std::string RefIniRead(std::string_view line) {
    line = RefTrimAscii(line);
    if (line.empty() || line[0] == ';' || (line[0] == '[' && line.find(']') != std::string_view::npos)) {
        return std::string();
    }
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) return std::string(line);
    return std::string(RefTrimAscii(line.substr(0, equals))) + "=" +
           std::string(RefTrimAscii(line.substr(equals + 1)));
}

std::string RefRawValue(std::string_view lines, std::string_view key) {
    std::size_t start = 0;
    for (std::size_t pos = 0; pos <= lines.size(); ++pos) {
        if (pos < lines.size() && lines[pos] != '\0') continue;
        const std::string_view line = lines.substr(start, pos - start);
        start = pos + 1;
        const std::size_t equals = line.find('=');
        if (equals != std::string_view::npos && RefEqualWithoutCase(RefTrimAscii(line.substr(0, equals)), key)) {
            return std::string(RefTrimAscii(line.substr(equals + 1)));
        }
    }
    return std::string();
}

void Report(const char* what, std::string_view text) {
    std::fprintf(stderr, "%s: \"", what);
    for (unsigned char c : text) {
        if (c >= 0x20 && c < 0x7f && c != '\\') {
            std::fputc(c, stderr);
        } else {
            std::fprintf(stderr, "\\x%02X", c);
        }
    }
    std::fprintf(stderr, "\"\n");
}

void CheckSite(const CustomSite& site, const CustomSite& expected, LeadBytePredicate isLeadByte) {
    if (site == expected) return;
    std::fprintf(stderr, "code page: %s\n", isLeadByte == &Cp936LeadByte ? "936" : "single-byte");
    Report("address", site.address);
    Report("stamp", site.stamp);
    Report("digest", site.digest);
    Report("expected address", expected.address);
    Report("expected stamp", expected.stamp);
    Report("expected digest", expected.digest);
    FUZZ_CHECK(site == expected);
}

// What a text may be, whichever part it comes from.
void CheckText(std::string_view text, LeadBytePredicate isLeadByte) {
    const std::string trimmed = TrimConfigSpace(text, isLeadByte);
    if (trimmed != RefTrim(text, isLeadByte)) {
        Report("text", text);
        Report("trimmed", trimmed);
        FUZZ_CHECK(trimmed == RefTrim(text, isLeadByte));
    }
    FUZZ_CHECK(TrimConfigSpace(trimmed, isLeadByte) == trimmed);
    FUZZ_CHECK(FindSiteBar(text, isLeadByte) == RefBar(text, isLeadByte));
    FUZZ_CHECK(IsStorableValidator(text) == RefIsStorable(text));
    FUZZ_CHECK(IsDigestStamp(text) == RefIsDigest(text));
    FUZZ_CHECK(IsEtagStamp(text) == (text.substr(0, 1) == "\"" || text.substr(0, 3) == "W/\""));
    FUZZ_CHECK(CanStoreSiteAddress(text, isLeadByte) == RefCanStoreAddress(text, isLeadByte));
}

// A site the program holds, written as a line and read back.
void CheckFormat(const CustomSite& site, LeadBytePredicate isLeadByte) {
    std::string line = "left over";
    const bool written = FormatCustomSiteLine(site, isLeadByte, line);
    if (site.address.empty()) {
        FUZZ_CHECK(written == !RefHasControl(site.stamp));
    } else {
        FUZZ_CHECK(written == CanStoreSiteAddress(site.address, isLeadByte));
    }
    if (!written) {
        FUZZ_CHECK(line.empty());
        return;
    }
    FUZZ_CHECK(!RefHasControl(line));
    FUZZ_CHECK(!RefIniRead(line).empty());
    // A line without address came from the INI read, and is as it gave it.
    if (!site.address.empty() && RefIniRead(line) != line) {
        Report("line", line);
        FUZZ_CHECK(RefIniRead(line) == line);
    }
    CustomSite expected{site.address, site.stamp, ""};
    if (!site.address.empty()) {
        expected.stamp = RefIsStorable(site.stamp) ? site.stamp : "";
        expected.digest = RefIsDigest(site.digest) ? site.digest : "";
        FUZZ_CHECK(line == expected.address + "|" + expected.stamp + "=" + expected.digest);
    }
    CustomSite read;
    FUZZ_CHECK(ParseCustomSiteLine(line, isLeadByte, read));
    if (!(read == expected)) Report("line", line);
    CheckSite(read, expected, isLeadByte);
}

void CheckLine(std::string_view line, LeadBytePredicate isLeadByte) {
    CheckText(line, isLeadByte);
    CustomSite site{"left", "over", ""};
    CustomSite reference;
    const bool parsed = ParseCustomSiteLine(line, isLeadByte, site);
    FUZZ_CHECK(parsed == RefParse(line, isLeadByte, reference));
    if (!parsed) return;
    CheckSite(site, reference, isLeadByte);
    CheckFormat(site, isLeadByte);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::string_view> parts = InputParts(data, size, 4);
    for (LeadBytePredicate isLeadByte : {&Cp936LeadByte, &SingleByte}) {
        std::size_t start = 0;
        for (std::size_t pos = 0; pos <= parts[0].size(); ++pos) {
            if (pos < parts[0].size() && parts[0][pos] != '\n') continue;
            CheckLine(parts[0].substr(start, pos - start), isLeadByte);
            start = pos + 1;
        }
        for (std::size_t i = 1; i < parts.size(); ++i) CheckText(parts[i], isLeadByte);
        const std::string address(parts[1]), stamp(parts[2]), digest(parts[3]);
        CheckFormat({address, stamp, digest}, isLeadByte);
        CheckFormat({address, stamp, std::string(kValidDigest)}, isLeadByte);
        CheckFormat({"", stamp, digest}, isLeadByte);
    }

    for (std::string_view key : {parts[3], std::string_view("lasttime"), std::string_view("LastDigest")}) {
        FUZZ_CHECK(RawSectionValue(parts[0], key) == RefRawValue(parts[0], key));
    }
    // A storable stamp written as a value reads back whole, whatever follows.
    if (IsStorableValidator(parts[2])) {
        const std::string lines = "LastTime=" + std::string(parts[2]) + '\0' + std::string(parts[0]);
        FUZZ_CHECK(RawSectionValue(lines, "lasttime") == parts[2]);
    }
    return 0;
}
