#include "hosts/HostsLine.h"

#include <array>
#include <unordered_map>

#include "SitemoatConfig.h"

namespace {

// Blocking them would stop the system's updates and security checks, and
// makes the system's antivirus take HOSTS for hijacked and reset it whole.
constexpr std::string_view kSystemServiceSuffixes[] = {
    // Updates of the system and of Office, and their delivery
    "windowsupdate.com",
    "update.microsoft.com",
    "windowsupdate.microsoft.com",
    "download.microsoft.com",
    "delivery.mp.microsoft.com",
    "emdl.ws.microsoft.com",
    "ntservicepack.microsoft.com",
    "wustat.windows.com",
    "officecdn.microsoft.com",
    "go.microsoft.com",
    // Certificate revocation and root certificate updates
    "crl.microsoft.com",
    "mscrl.microsoft.com",
    "oneocsp.microsoft.com",
    "msocsp.com",
    "ocsp.digicert.com",
    "crl3.digicert.com",
    "crl4.digicert.com",
    "cacerts.digicert.com",
    "lencr.org",
    "pki.goog",
    "ocsp.sectigo.com",
    "crl.sectigo.com",
    "ocsp.comodoca.com",
    "crl.comodoca.com",
    "ocsp.usertrust.com",
    "crl.usertrust.com",
    "ocsp.globalsign.com",
    "ocsp2.globalsign.com",
    "crl.globalsign.com",
    "crl.globalsign.net",
    "ocsp.entrust.net",
    "crl.entrust.net",
    "ocsp.godaddy.com",
    "crl.godaddy.com",
    "ocsp.verisign.com",
    "crl.verisign.com",
    "amazontrust.com",
    "ocsp.identrust.com",
    // The system's own protection and the scanners it points users to
    "wdcp.microsoft.com",
    "wdcpalt.microsoft.com",
    "wd.microsoft.com",
    "definitionupdates.microsoft.com",
    "smartscreen.microsoft.com",
    "smartscreen-prod.microsoft.com",
    "checkappexec.microsoft.com",
    "urs.microsoft.com",
    "security.microsoft.com",
    "virustotal.com",
};

constexpr std::array<bool, 256> MakeTable(std::string_view members) {
    std::array<bool, 256> table{};
    for (char c : members) table[static_cast<unsigned char>(c)] = true;
    return table;
}

constexpr std::array<bool, 256> kWordBreaks = MakeTable(std::string_view(" \t\v\f\0", 5));

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsUpperAscii(char c) {
    return c >= 'A' && c <= 'Z';
}

// Equal to the domain, or a name under it: "a.b.example" is under "b.example".
bool IsOrIsUnder(std::string_view key, std::string_view domain) {
    if (key.size() < domain.size() || key.compare(key.size() - domain.size(), domain.size(), domain) != 0) {
        return false;
    }
    return key.size() == domain.size() || key[key.size() - domain.size() - 1] == '.';
}

}  // namespace

bool IsWordBreak(char c) {
    return kWordBreaks[static_cast<unsigned char>(c)];
}

bool IsLineBreak(char c) {
    return c == '\r' || c == '\n';
}

std::string_view TrimLeadingBlanks(std::string_view line) {
    std::size_t first = 0;
    while (first < line.size() && IsWordBreak(line[first])) ++first;
    return line.substr(first);
}

std::string_view EntryPart(std::string_view line) {
    line = TrimLeadingBlanks(line);
    if (line.empty() || line.front() == '#') return {};
    return line.substr(0, line.find('#'));
}

std::string_view NextWord(std::string_view& text) {
    std::size_t start = 0;
    while (start < text.size() && IsWordBreak(text[start])) ++start;
    std::size_t end = start;
    while (end < text.size() && !IsWordBreak(text[end])) ++end;
    const std::string_view word = text.substr(start, end - start);
    text.remove_prefix(end);
    return word;
}

bool IsCommentedOutEntry(std::string_view line) {
    if (line.empty() || line.front() != '#') return false;
    int digits = 0;
    for (std::size_t pos = 1; pos < line.size(); ++pos) {
        const char c = line[pos];
        if (IsDigit(c)) {
            if (++digits == 4) return true;
        } else if (c != ' ' && c != '\t' && c != '.') {
            return false;
        }
    }
    return false;
}

bool IsBlockingAddress(std::string_view address) {
    return address == "0.0.0.0" || address == "127.0.0.1" || address == "::" || address == "::1";
}

bool IsIpv6Address(std::string_view address) {
    return address.find(':') != std::string_view::npos;
}

bool LooksLikeAddress(std::string_view word) {
    bool digitsAndDots = true;
    bool addressChars = true;
    bool colon = false;
    // Most words are names, ruled out by their first letter past f.
    for (std::size_t i = 0; i < word.size() && (digitsAndDots || addressChars); ++i) {
        const char c = word[i];
        const bool hex = IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
        digitsAndDots = digitsAndDots && (IsDigit(c) || c == '.');
        addressChars = addressChars && (hex || c == ':' || c == '.');
        colon = colon || c == ':';
    }
    return digitsAndDots || (colon && addressChars);
}

bool IsHostName(std::string_view word) {
    constexpr std::size_t kMaxNameLength = 253;
    constexpr std::size_t kMaxLabelLength = 63;
    if (word.empty() || word.size() > kMaxNameLength || LooksLikeAddress(word)) return false;
    std::size_t labelLength = 0;
    for (char c : word) {
        if (c == '.') {
            if (labelLength == 0) return false;
            labelLength = 0;
            continue;
        }
        const bool nameChar = IsDigit(c) || (c >= 'a' && c <= 'z') || IsUpperAscii(c) || c == '-' ||
                              c == '_';
        if (!nameChar || ++labelLength > kMaxLabelLength) return false;
    }
    return labelLength != 0;
}

bool IsLocalName(std::string_view name) {
    return name == "localhost" || name == "localhost.localdomain" || name == "local" ||
           name == "broadcasthost" || name.substr(0, 4) == "ip6-";
}

std::string_view NameKey(std::string_view name, std::string& store) {
    if (name.size() > 1 && name.back() == '.') name.remove_suffix(1);
    bool upper = false;
    for (char c : name) {
        if (static_cast<unsigned char>(c) >= 0x80) return name;
        upper = upper || IsUpperAscii(c);
    }
    if (!upper) return name;
    store.assign(name);
    for (char& c : store) {
        if (IsUpperAscii(c)) c = static_cast<char>(c - 'A' + 'a');
    }
    return store;
}

bool SameName(std::string_view a, std::string_view b) {
    std::string storeA;
    std::string storeB;
    return NameKey(a, storeA) == NameKey(b, storeB);
}

std::uint64_t NameHash(std::string_view key) {
    std::uint64_t hash = 14695981039346656037ull;  // FNV-1a
    for (char c : key) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    return hash;
}

bool IsMakerName(std::string_view name) {
    static const std::string domain1 = [] {
        std::string store;
        return std::string(NameKey(kProtectedDomain1, store));
    }();
    static const std::string domain2 = [] {
        std::string store;
        return std::string(NameKey(kProtectedDomain2, store));
    }();
    std::string store;
    const std::string_view key = NameKey(name, store);
    return IsOrIsUnder(key, domain1) || IsOrIsUnder(key, domain2);
}

bool IsSystemServiceName(std::string_view name) {
    struct Hash {
        std::size_t operator()(std::string_view key) const { return static_cast<std::size_t>(NameHash(key)); }
    };
    // Every ending of a suffix at a dot ("com", "microsoft.com", ...), and
    // whether it is a suffix itself: a name whose ending is none of them is
    // ruled out after a label or two.
    static const std::unordered_map<std::string_view, bool, Hash> endings = [] {
        std::unordered_map<std::string_view, bool, Hash> all;
        for (std::string_view suffix : kSystemServiceSuffixes) {
            for (std::size_t dot = suffix.find('.'); dot != std::string_view::npos; dot = suffix.find('.', dot + 1)) {
                all.emplace(suffix.substr(dot + 1), false);
            }
        }
        for (std::string_view suffix : kSystemServiceSuffixes) all[suffix] = true;
        return all;
    }();
    std::string store;
    const std::string_view key = NameKey(name, store);
    // From the last label leftwards, while the ending may still grow into one.
    for (std::size_t start = key.size();;) {
        const std::size_t dot = start == 0 ? std::string_view::npos : key.rfind('.', start - 1);
        const std::string_view ending = key.substr(dot == std::string_view::npos ? 0 : dot + 1);
        const auto found = endings.find(ending);
        if (found == endings.end()) return false;
        if (found->second) return true;
        if (dot == std::string_view::npos) return false;
        start = dot;
    }
}
