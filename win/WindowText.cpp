#include "win/WindowText.h"

#include <algorithm>

namespace {

// Past any text the program shows: no more is read.
constexpr std::size_t kMaxTextBytes = std::size_t(1) << 30;

}  // namespace

bool ReadWindowText(HWND hwnd, std::string& text, std::size_t sizeHint) {
    text.clear();
    if (!hwnd) return false;
    const int characters = GetWindowTextLengthA(hwnd);
    if (characters <= 0) return true;
    // A double-byte character takes two bytes for one character.
    std::size_t size = std::max(sizeHint, std::size_t(characters) * 2) + 2;
    for (; size <= kMaxTextBytes; size *= 2) {
        text.assign(size, '\0');
        const int read = GetWindowTextA(hwnd, &text[0], static_cast<int>(size));
        if (read > 0 && std::size_t(read) + 1 < size) {
            text.resize(std::size_t(read));
            return true;
        }
    }
    text.clear();
    return false;
}

std::string WindowText(HWND hwnd) {
    std::string text;
    ReadWindowText(hwnd, text);
    return text;
}
