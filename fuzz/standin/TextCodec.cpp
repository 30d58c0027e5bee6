// Stands in for base/TextCodec.cpp in the native build only: the program
// converts with the system's code page calls (MultiByteToWideChar and
// WideCharToMultiByte), which do not exist there. Code page 936 comes from
// iconv's CP936, UTF-8 is converted here. As on Windows, a wide string holds
// UTF-16 code units (one a wchar_t, though wchar_t is wider here), bytes that
// make no character become U+FFFD, and what the code page lacks becomes "?",
// which lossy reports.
#include "base/TextCodec.h"

#include <iconv.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr wchar_t kReplacement = 0xFFFD;

// One conversion descriptor per direction, opened once.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {
        // Without it every conversion would quietly fail: no test would mean anything.
        if (cd_ == reinterpret_cast<iconv_t>(-1)) {
            std::perror("iconv_open");
            std::abort();
        }
    }
    ~Converter() { iconv_close(cd_); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts what it can; stops at the first byte it cannot. Returns the
    // bytes read.
    std::size_t Run(const char* in, std::size_t size, std::string& out) {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        char* from = const_cast<char*>(in);
        std::size_t left = size;
        char buffer[4096];
        while (left > 0) {
            char* to = buffer;
            std::size_t room = sizeof(buffer);
            const std::size_t done = iconv(cd_, &from, &left, &to, &room);
            out.append(buffer, static_cast<std::size_t>(to - buffer));
            if (done == static_cast<std::size_t>(-1) && errno != E2BIG) break;
        }
        return size - left;
    }

private:
    iconv_t cd_;
};

Converter& AnsiToUtf16() {
    thread_local Converter converter("UTF-16LE", "CP936");
    return converter;
}

Converter& Utf16ToAnsi() {
    thread_local Converter converter("CP936", "UTF-16LE");
    return converter;
}

void AppendCodePoint(std::wstring& wide, std::uint32_t code) {
    if (code < 0x10000) {
        wide += static_cast<wchar_t>(code);
        return;
    }
    code -= 0x10000;
    wide += static_cast<wchar_t>(0xD800 + (code >> 10));
    wide += static_cast<wchar_t>(0xDC00 + (code & 0x3FF));
}

// Well-formed UTF-8 sequence at text[pos]: its length and value, or 0.
std::size_t DecodeUtf8(std::string_view text, std::size_t pos, std::uint32_t& code) {
    const unsigned char lead = static_cast<unsigned char>(text[pos]);
    std::size_t size;
    if (lead < 0x80) {
        code = lead;
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        size = 2;
        code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        size = 3;
        code = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        size = 4;
        code = lead & 0x07;
    } else {
        return 0;
    }
    if (pos + size > text.size()) return 0;
    for (std::size_t i = 1; i < size; ++i) {
        const unsigned char next = static_cast<unsigned char>(text[pos + i]);
        if ((next & 0xC0) != 0x80) return 0;
        code = (code << 6) | (next & 0x3F);
    }
    const std::uint32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < smallest[size] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
    return size;
}

}  // namespace

std::wstring AnsiToWide(std::string_view text) {
    std::wstring wide;
    std::string units;
    for (std::size_t pos = 0; pos < text.size();) {
        units.clear();
        const std::size_t read = AnsiToUtf16().Run(text.data() + pos, text.size() - pos, units);
        for (std::size_t i = 0; i + 1 < units.size(); i += 2) {
            wide += static_cast<wchar_t>(static_cast<unsigned char>(units[i]) |
                                         static_cast<unsigned char>(units[i + 1]) << 8);
        }
        pos += read;
        if (pos < text.size()) {
            wide += kReplacement;
            ++pos;
        }
    }
    return wide;
}

std::string WideToAnsi(std::wstring_view text, bool* lossy) {
    if (lossy) *lossy = false;
    std::string units;
    units.reserve(text.size() * 2);
    for (wchar_t unit : text) {
        // Past UTF-16 nothing maps; U+FFFF maps to nothing either.
        const std::uint32_t value = static_cast<std::uint32_t>(unit) > 0xFFFF ? 0xFFFF : unit;
        units += static_cast<char>(value & 0xFF);
        units += static_cast<char>(value >> 8);
    }
    std::string ansi;
    for (std::size_t pos = 0; pos < units.size();) {
        pos += Utf16ToAnsi().Run(units.data() + pos, units.size() - pos, ansi);
        if (pos < units.size()) {
            ansi += '?';
            if (lossy) *lossy = true;
            pos += 2;
        }
    }
    return ansi;
}

std::wstring Utf8ToWide(std::string_view text) {
    std::wstring wide;
    wide.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        std::uint32_t code = 0;
        const std::size_t size = DecodeUtf8(text, pos, code);
        if (size == 0) {
            wide += kReplacement;
            ++pos;
        } else {
            AppendCodePoint(wide, code);
            pos += size;
        }
    }
    return wide;
}

std::string WideToUtf8(std::wstring_view text) {
    std::string bytes;
    bytes.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        std::uint32_t code = static_cast<std::uint32_t>(text[i]);
        if (code >= 0xD800 && code <= 0xDBFF && i + 1 < text.size() &&
            static_cast<std::uint32_t>(text[i + 1]) >= 0xDC00 &&
            static_cast<std::uint32_t>(text[i + 1]) <= 0xDFFF) {
            code = 0x10000 + ((code - 0xD800) << 10) + (static_cast<std::uint32_t>(text[++i]) - 0xDC00);
        } else if ((code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) {
            code = kReplacement;
        }
        if (code < 0x80) {
            bytes += static_cast<char>(code);
        } else if (code < 0x800) {
            bytes += static_cast<char>(0xC0 | code >> 6);
            bytes += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            bytes += static_cast<char>(0xE0 | code >> 12);
            bytes += static_cast<char>(0x80 | (code >> 6 & 0x3F));
            bytes += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            bytes += static_cast<char>(0xF0 | code >> 18);
            bytes += static_cast<char>(0x80 | (code >> 12 & 0x3F));
            bytes += static_cast<char>(0x80 | (code >> 6 & 0x3F));
            bytes += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    return bytes;
}

std::string Utf8ToAnsi(std::string_view text, bool* lossy) {
    return WideToAnsi(Utf8ToWide(text), lossy);
}

std::string AnsiToUtf8(std::string_view text) {
    return WideToUtf8(AnsiToWide(text));
}
