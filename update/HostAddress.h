#pragma once

#include <string_view>

// What kind of machine the host of a web address names, as far as its text
// tells: addresses in every form the system's resolver takes ("127.1",
// "0x7f.1", "2130706433", "[::ffff:127.0.0.1]"), and "localhost" with its
// subdomains. Other names are not resolved and count as public. A pure
// text function: no system calls.
enum class HostKind {
    Public,
    Loopback,   // 127.0.0.0/8, ::1, localhost
    LinkLocal,  // 169.254.0.0/16, fe80::/10
    Private,    // 10/8, 172.16/12, 192.168/16, 100.64/10, 0/8, ::, fc00::/7, fec0::/10
};

// host as a URL carries it: a name, an IPv4 address, or an IPv6 address in
// brackets or not, with or without a zone ("%25eth0").
HostKind KindOfHost(std::string_view host);

inline bool IsLocalHost(HostKind kind) {
    return kind != HostKind::Public;
}
