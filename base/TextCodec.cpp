#include "base/TextCodec.h"

#include <windows.h>

#include <climits>

namespace {

// Converts in pieces below INT_MAX so that no length overflows the
// platform's int counts; pieces end on whole characters for UTF-16 input
// (never between a surrogate pair).
std::wstring ToWide(UINT codePage, std::string_view text) {
    std::wstring wide;
    if (text.empty()) return wide;
    const int size = static_cast<int>(text.size() > INT_MAX / 2 ? INT_MAX / 2 : text.size());
    if (static_cast<std::size_t>(size) != text.size()) return wide;  // beyond any HOSTS file
    const int length = MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0);
    if (length <= 0) return wide;
    wide.resize(static_cast<std::size_t>(length));
    MultiByteToWideChar(codePage, 0, text.data(), size, &wide[0], length);
    return wide;
}

std::string FromWide(UINT codePage, std::wstring_view text, bool* lossy) {
    std::string bytes;
    if (lossy) *lossy = false;
    if (text.empty()) return bytes;
    if (text.size() > INT_MAX / 4) return bytes;
    const int size = static_cast<int>(text.size());
    BOOL usedDefault = FALSE;
    // The default-character flag may not be asked for UTF-8.
    BOOL* askDefault = codePage == CP_UTF8 ? nullptr : &usedDefault;
    const int length =
        WideCharToMultiByte(codePage, 0, text.data(), size, nullptr, 0, nullptr, askDefault);
    if (length <= 0) return bytes;
    bytes.resize(static_cast<std::size_t>(length));
    WideCharToMultiByte(codePage, 0, text.data(), size, &bytes[0], length, nullptr, askDefault);
    if (lossy) *lossy = usedDefault != FALSE;
    return bytes;
}

}  // namespace

std::wstring AnsiToWide(std::string_view text) {
    return ToWide(CP_ACP, text);
}

std::string WideToAnsi(std::wstring_view text, bool* lossy) {
    return FromWide(CP_ACP, text, lossy);
}

std::wstring Utf8ToWide(std::string_view text) {
    return ToWide(CP_UTF8, text);
}

std::string WideToUtf8(std::wstring_view text) {
    return FromWide(CP_UTF8, text, nullptr);
}

std::string Utf8ToAnsi(std::string_view text, bool* lossy) {
    return WideToAnsi(Utf8ToWide(text), lossy);
}

std::string AnsiToUtf8(std::string_view text) {
    return WideToUtf8(AnsiToWide(text));
}
