#include "base/WebAddress.h"

#include <algorithm>

namespace {

constexpr std::size_t kMaxAddressLength = 2083;  // INTERNET_MAX_URL_LENGTH

wchar_t Lower(wchar_t c) {
    return c >= L'A' && c <= L'Z' ? wchar_t(c - L'A' + L'a') : c;
}

bool StartsWithIgnoringCase(std::wstring_view text, std::wstring_view start) {
    if (text.size() < start.size()) return false;
    for (std::size_t i = 0; i < start.size(); ++i) {
        if (Lower(text[i]) != start[i]) return false;
    }
    return true;
}

// What follows "http://" or "https://" up to the path, query or fragment;
// false for any other scheme.
bool AuthorityOf(std::wstring_view address, std::wstring_view& authority) {
    std::size_t start = 0;
    if (StartsWithIgnoringCase(address, L"http://")) {
        start = 7;
    } else if (StartsWithIgnoringCase(address, L"https://")) {
        start = 8;
    } else {
        return false;
    }
    // Browsers take a backslash for a slash.
    const std::size_t end = address.find_first_of(L"/?#\\", start);
    authority = address.substr(start, end == std::wstring_view::npos ? std::wstring_view::npos : end - start);
    return true;
}

// The host of an authority without a user name: up to the port, an IPv6
// address with its brackets.
std::wstring_view HostOf(std::wstring_view authority) {
    if (!authority.empty() && authority.front() == L'[') {
        const std::size_t close = authority.find(L']');
        return close == std::wstring_view::npos ? authority : authority.substr(0, close + 1);
    }
    return authority.substr(0, authority.find(L':'));
}

}  // namespace

bool IsWebAddress(std::wstring_view address) {
    std::wstring_view authority;
    if (address.size() > kMaxAddressLength || !AuthorityOf(address, authority)) return false;
    const std::size_t at = authority.rfind(L'@');
    if (HostOf(at == std::wstring_view::npos ? authority : authority.substr(at + 1)).empty()) {
        return false;
    }
    return std::none_of(address.begin(), address.end(),
                        [](wchar_t c) { return c <= L' ' || c == 0x7f || c == L'"'; });
}

bool IsAddressOnHost(std::wstring_view address, std::string_view host) {
    std::wstring_view authority;
    if (!AuthorityOf(address, authority) || authority.find(L'@') != std::wstring_view::npos) {
        return false;
    }
    const std::wstring_view named = HostOf(authority);
    return named.size() == host.size() &&
           std::equal(named.begin(), named.end(), host.begin(), [](wchar_t a, char b) {
               return Lower(a) == Lower(static_cast<wchar_t>(static_cast<unsigned char>(b)));
           });
}
