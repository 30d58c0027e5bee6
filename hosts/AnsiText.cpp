#include "hosts/AnsiText.h"

#include <windows.h>

#include <array>

namespace {

// The code page does not change while the program runs.
const std::array<bool, 256>& LeadBytes() {
    static const std::array<bool, 256> table = [] {
        std::array<bool, 256> leads{};
        for (int b = 0; b < 256; ++b) leads[b] = IsDBCSLeadByte(static_cast<BYTE>(b)) != FALSE;
        return leads;
    }();
    return table;
}

bool IsLineBreak(char c) {
    return c == '\n' || c == '\r' || c == '\0';
}

}  // namespace

std::size_t AnsiCharSize(std::string_view text, std::size_t pos) {
    if (LeadBytes()[static_cast<unsigned char>(text[pos])] && pos + 1 < text.size() &&
        !IsLineBreak(text[pos + 1])) {
        return 2;
    }
    return 1;
}

bool IsAnsiSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::string_view TrimLeftAnsi(std::string_view text) {
    std::size_t pos = 0;
    while (pos < text.size() && IsAnsiSpace(text[pos])) ++pos;
    return text.substr(pos);
}

std::string_view TrimRightAnsi(std::string_view text) {
    std::size_t end = 0;
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t size = AnsiCharSize(text, pos);
        if (size == 2 || !IsAnsiSpace(text[pos])) end = pos + size;
        pos += size;
    }
    return text.substr(0, end);
}

void LowerAnsi(std::string& text) {
    // ASCII lowers the same in every ANSI code page; CharLowerA costs a
    // round trip through UTF-16, which counts on lists of 100,000 lines.
    bool ascii = true;
    for (char& c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            ascii = false;
            break;
        }
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    if (!ascii) CharLowerBuffA(&text[0], static_cast<DWORD>(text.size()));
}

std::string LoweredAnsi(std::string_view text) {
    std::string lowered(text);
    LowerAnsi(lowered);
    return lowered;
}

std::size_t FindAnsi(std::string_view text, std::string_view needle) {
    // Byte matches are rare: only they are checked for a character boundary.
    std::size_t boundary = 0;
    for (std::size_t found = text.find(needle); found != std::string_view::npos;
         found = text.find(needle, found + 1)) {
        while (boundary < found) boundary += AnsiCharSize(text, boundary);
        if (boundary == found) return found;
    }
    return std::string_view::npos;
}
