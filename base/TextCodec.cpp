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

bool IsUtf8WithNonAscii(std::string_view text) {
    bool nonAscii = false;
    for (std::size_t pos = 0; pos < text.size();) {
        const unsigned char lead = static_cast<unsigned char>(text[pos]);
        if (lead < 0x80) {
            ++pos;
            continue;
        }
        std::size_t size;
        unsigned long value;
        if (lead >= 0xC2 && lead <= 0xDF) {
            size = 2;
            value = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            size = 3;
            value = lead & 0x0F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            size = 4;
            value = lead & 0x07;
        } else {
            return false;
        }
        if (pos + size > text.size()) return false;
        for (std::size_t i = 1; i < size; ++i) {
            const unsigned char next = static_cast<unsigned char>(text[pos + i]);
            if ((next & 0xC0) != 0x80) return false;
            value = (value << 6) | (next & 0x3F);
        }
        const unsigned long smallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (value < smallest[size] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
            return false;
        }
        nonAscii = true;
        pos += size;
    }
    return nonAscii;
}
