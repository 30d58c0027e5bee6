#include "update/HostAddress.h"

#include <cstdint>
#include <vector>

namespace {

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

bool EndsWithIgnoringCase(std::string_view text, std::string_view end) {
    if (text.size() < end.size()) return false;
    for (std::size_t i = 0; i < end.size(); ++i) {
        if (Lower(text[text.size() - end.size() + i]) != end[i]) return false;
    }
    return true;
}

int DigitValue(char c, int base) {
    int value = 99;
    if (c >= '0' && c <= '9') value = c - '0';
    if (c >= 'a' && c <= 'f') value = c - 'a' + 10;
    if (c >= 'A' && c <= 'F') value = c - 'A' + 10;
    return value < base ? value : -1;
}

// One part of an IPv4 address as the resolver reads it: decimal, octal
// after a leading 0, hexadecimal after 0x.
bool ParseIpv4Part(std::string_view part, std::uint64_t& value) {
    int base = 10;
    if (part.size() > 1 && part[0] == '0' && Lower(part[1]) == 'x') {
        base = 16;
        part.remove_prefix(2);
    } else if (part.size() > 1 && part[0] == '0') {
        base = 8;
        part.remove_prefix(1);
    }
    if (part.empty() && base != 16) return false;
    value = 0;
    for (char c : part) {
        const int digit = DigitValue(c, base);
        if (digit < 0) return false;
        value = value * std::uint64_t(base) + std::uint64_t(digit);
        if (value > 0xffffffffu) return false;
    }
    return true;
}

// "a.b.c.d" and its shorter forms, the last part filling the bytes left.
bool ParseIpv4(std::string_view text, std::uint32_t& address, bool strict) {
    if (!text.empty() && text.back() == '.' && !strict) text.remove_suffix(1);
    std::vector<std::uint64_t> parts;
    while (true) {
        const std::size_t dot = text.find('.');
        std::uint64_t value = 0;
        const std::string_view part = text.substr(0, dot);
        if (strict ? (part.empty() || part.size() > 3) : false) return false;
        if (strict) {
            value = 0;
            for (char c : part) {
                if (c < '0' || c > '9') return false;
                value = value * 10 + std::uint64_t(c - '0');
            }
        } else if (!ParseIpv4Part(part, value)) {
            return false;
        }
        parts.push_back(value);
        if (parts.size() > 4) return false;
        if (dot == std::string_view::npos) break;
        text.remove_prefix(dot + 1);
    }
    if (strict && parts.size() != 4) return false;
    std::uint64_t result = 0;
    for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
        if (parts[i] > 0xff) return false;
        result |= parts[i] << (8 * (3 - i));
    }
    const std::size_t lastBytes = 5 - parts.size();
    if (parts.back() >> (8 * lastBytes)) return false;
    address = std::uint32_t(result | parts.back());
    return true;
}

HostKind KindOfIpv4(std::uint32_t a) {
    const auto in = [a](std::uint32_t network, int bits) {
        return bits == 0 || (a >> (32 - bits)) == (network >> (32 - bits));
    };
    if (in(0x7f000000, 8)) return HostKind::Loopback;
    if (in(0xa9fe0000, 16)) return HostKind::LinkLocal;
    if (in(0x0a000000, 8) || in(0xac100000, 12) || in(0xc0a80000, 16) || in(0x64400000, 10) ||
        in(0x00000000, 8)) {
        return HostKind::Private;
    }
    return HostKind::Public;
}

// Sixteen bytes from the text of an IPv6 address: groups of up to four hex
// digits, one "::" for a run of zero groups, a dotted IPv4 address last.
bool ParseIpv6(std::string_view text, std::uint8_t (&bytes)[16]) {
    std::vector<std::uint16_t> head;
    std::vector<std::uint16_t> tail;
    bool compressed = false;
    if (text.substr(0, 2) == "::") {
        compressed = true;
        text.remove_prefix(2);
    } else if (!text.empty() && text[0] == ':') {
        return false;
    }
    while (!text.empty()) {
        std::vector<std::uint16_t>& groups = compressed ? tail : head;
        const std::size_t colon = text.find(':');
        const std::string_view group = text.substr(0, colon);
        if (colon == std::string_view::npos && group.find('.') != std::string_view::npos) {
            std::uint32_t v4 = 0;
            if (!ParseIpv4(group, v4, true)) return false;
            groups.push_back(std::uint16_t(v4 >> 16));
            groups.push_back(std::uint16_t(v4 & 0xffff));
            break;
        }
        if (group.empty() || group.size() > 4) return false;
        std::uint32_t value = 0;
        for (char c : group) {
            const int digit = DigitValue(c, 16);
            if (digit < 0) return false;
            value = value * 16 + std::uint32_t(digit);
        }
        groups.push_back(std::uint16_t(value));
        if (colon == std::string_view::npos) break;
        text.remove_prefix(colon + 1);
        if (text.substr(0, 1) == ":") {
            if (compressed) return false;
            compressed = true;
            text.remove_prefix(1);
        } else if (text.empty()) {
            return false;  // a single ':' at the end
        }
    }
    const std::size_t count = head.size() + tail.size();
    if (compressed ? count > 7 : count != 8) return false;
    std::vector<std::uint16_t> all = head;
    all.resize(8 - tail.size(), 0);
    all.insert(all.end(), tail.begin(), tail.end());
    for (std::size_t i = 0; i < 8; ++i) {
        bytes[2 * i] = std::uint8_t(all[i] >> 8);
        bytes[2 * i + 1] = std::uint8_t(all[i] & 0xff);
    }
    return true;
}

HostKind KindOfIpv6(const std::uint8_t (&b)[16]) {
    bool zeroToTen = true;
    for (int i = 0; i < 10; ++i) zeroToTen = zeroToTen && b[i] == 0;
    const std::uint32_t last =
        (std::uint32_t(b[12]) << 24) | (std::uint32_t(b[13]) << 16) | (std::uint32_t(b[14]) << 8) | b[15];
    // IPv4-mapped and -compatible addresses, and the NAT64 prefix, reach
    // the IPv4 address they carry.
    const bool mapped = zeroToTen && b[10] == 0xff && b[11] == 0xff;
    const bool compatible = zeroToTen && b[10] == 0 && b[11] == 0 && last > 1;
    bool nat64 = b[0] == 0x00 && b[1] == 0x64 && b[2] == 0xff && b[3] == 0x9b;
    for (int i = 4; i < 12; ++i) nat64 = nat64 && b[i] == 0;
    if (mapped || compatible || nat64) return KindOfIpv4(last);
    if (zeroToTen && b[10] == 0 && b[11] == 0) return last == 1 ? HostKind::Loopback : HostKind::Private;
    if (b[0] == 0xfe && (b[1] & 0xc0) == 0x80) return HostKind::LinkLocal;
    if ((b[0] & 0xfe) == 0xfc || (b[0] == 0xfe && (b[1] & 0xc0) == 0xc0)) return HostKind::Private;
    return HostKind::Public;
}

}  // namespace

HostKind KindOfHost(std::string_view host) {
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']') {
        host = host.substr(1, host.size() - 2);
    }
    if (host.find(':') != std::string_view::npos) {
        host = host.substr(0, host.find('%'));
        std::uint8_t bytes[16];
        return ParseIpv6(host, bytes) ? KindOfIpv6(bytes) : HostKind::Public;
    }
    std::uint32_t v4 = 0;
    if (ParseIpv4(host, v4, false)) return KindOfIpv4(v4);
    std::string_view name = host;
    if (!name.empty() && name.back() == '.') name.remove_suffix(1);
    if (EndsWithIgnoringCase(name, "localhost") &&
        (name.size() == 9 || name[name.size() - 10] == '.')) {
        return HostKind::Loopback;
    }
    return HostKind::Public;
}
