#include "base/TextEncoding.h"

#include <algorithm>

#include "base/TextCodec.h"

namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeMark = "\xFF\xFE";
constexpr std::string_view kUtf16BeMark = "\xFE\xFF";

bool StartsWith(std::string_view bytes, std::string_view prefix) {
    return bytes.substr(0, prefix.size()) == prefix;
}

}  // namespace

TextEncoding DetectEncoding(std::string_view bytes) {
    if (StartsWith(bytes, kUtf16LeMark)) return TextEncoding::Utf16Le;
    if (StartsWith(bytes, kUtf16BeMark)) return TextEncoding::Utf16Be;
    if (StartsWith(bytes, kUtf8Mark)) return TextEncoding::Utf8WithMark;
    // Text of code page 936 is almost never well-formed UTF-8 as well.
    return IsUtf8WithNonAscii(bytes) ? TextEncoding::Utf8 : TextEncoding::Ansi;
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

std::string_view ByteOrderMark(TextEncoding encoding) {
    switch (encoding) {
    case TextEncoding::Utf8WithMark: return kUtf8Mark;
    case TextEncoding::Utf16Le: return kUtf16LeMark;
    case TextEncoding::Utf16Be: return kUtf16BeMark;
    default: return {};
    }
}

bool IsUtf16(TextEncoding encoding) {
    return encoding == TextEncoding::Utf16Le || encoding == TextEncoding::Utf16Be;
}

std::wstring Utf16Units(std::string_view bytes, bool bigEndian) {
    std::wstring units;
    units.reserve(bytes.size() / 2 + 1);
    for (std::size_t pos = 0; pos < bytes.size(); pos += 2) {
        const unsigned first = static_cast<unsigned char>(bytes[pos]);
        const unsigned second = pos + 1 < bytes.size() ? static_cast<unsigned char>(bytes[pos + 1]) : 0;
        units += static_cast<wchar_t>(bigEndian ? (first << 8) | second : (second << 8) | first);
    }
    return units;
}

std::string Utf16Bytes(std::wstring_view units, bool bigEndian) {
    std::string bytes;
    bytes.reserve(units.size() * 2);
    for (wchar_t unit : units) {
        const char low = static_cast<char>(unit & 0xFF);
        const char high = static_cast<char>((unit >> 8) & 0xFF);
        bytes += bigEndian ? high : low;
        bytes += bigEndian ? low : high;
    }
    return bytes;
}

std::string ReadableText(std::string_view bytes) {
    const TextEncoding encoding = DetectEncoding(bytes);
    bytes.remove_prefix(ByteOrderMark(encoding).size());
    if (IsUtf16(encoding)) return WideToUtf8(Utf16Units(bytes, encoding == TextEncoding::Utf16Be));
    return std::string(bytes);
}

std::string AnsiText(std::string_view bytes) {
    const TextEncoding encoding = DetectEncoding(bytes);
    bytes.remove_prefix(ByteOrderMark(encoding).size());
    std::string text;
    if (IsUtf16(encoding)) {
        text = WideToAnsi(Utf16Units(bytes, encoding == TextEncoding::Utf16Be));
    } else if (encoding == TextEncoding::Ansi) {
        text = bytes;
    } else {
        text = Utf8ToAnsi(bytes);
    }
    std::replace(text.begin(), text.end(), '\0', '\n');
    return text;
}
