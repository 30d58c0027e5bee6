#include "base/TextSearch.h"

#include <windows.h>

#include <algorithm>
#include <string>

namespace {

std::wstring Lowered(std::wstring_view text) {
    std::wstring lowered(text);
    if (lowered.empty()) return lowered;
    // One unit for one: the offsets of a match stay those of the text.
    LCMapStringW(LOCALE_INVARIANT, LCMAP_LOWERCASE, text.data(), static_cast<int>(text.size()),
                 &lowered[0], static_cast<int>(lowered.size()));
    return lowered;
}

// Letters of every script, digits and the underscore, as the system's
// editors take them.
bool IsWordCharacter(wchar_t c) {
    WORD type = 0;
    GetStringTypeW(CT_CTYPE1, &c, 1, &type);
    return c == L'_' || (type & (C1_ALPHA | C1_DIGIT)) != 0;
}

bool IsWholeWord(std::wstring_view text, std::size_t start, std::size_t end) {
    return (start == 0 || !IsWordCharacter(text[start - 1])) &&
           (end == text.size() || !IsWordCharacter(text[end]));
}

// The first acceptable match that starts in [from, to - size).
bool FirstMatch(std::wstring_view text, std::wstring_view what, std::size_t from, std::size_t to,
                bool wholeWord, std::size_t& start) {
    auto it = text.begin() + from;
    const auto last = text.begin() + to;
    for (;;) {
        it = std::search(it, last, what.begin(), what.end());
        if (it == last) return false;
        start = static_cast<std::size_t>(it - text.begin());
        if (!wholeWord || IsWholeWord(text, start, start + what.size())) return true;
        ++it;
    }
}

// The last acceptable match that lies in [from, to).
bool LastMatch(std::wstring_view text, std::wstring_view what, std::size_t from, std::size_t to,
               bool wholeWord, std::size_t& start) {
    const auto first = text.begin() + from;
    auto end = text.begin() + to;
    for (;;) {
        const auto it = std::find_end(first, end, what.begin(), what.end());
        if (it == end) return false;
        start = static_cast<std::size_t>(it - text.begin());
        if (!wholeWord || IsWholeWord(text, start, start + what.size())) return true;
        end = it + what.size() - 1;  // the next one may overlap this one
    }
}

}  // namespace

bool FindMatch(std::wstring_view text, std::wstring_view what, std::size_t from,
               const SearchOptions& options, TextMatch& match) {
    if (what.empty() || what.size() > text.size()) return false;
    from = std::min(from, text.size());
    std::wstring loweredText;
    std::wstring loweredWhat;
    if (!options.matchCase) {
        loweredText = Lowered(text);
        loweredWhat = Lowered(what);
        text = loweredText;
        what = loweredWhat;
    }
    std::size_t start = 0;
    bool found = false;
    match.wrapped = false;
    if (options.down) {
        found = FirstMatch(text, what, from, text.size(), options.wholeWord, start);
        if (!found) {
            found = FirstMatch(text, what, 0, text.size(), options.wholeWord, start);
            match.wrapped = true;
        }
    } else {
        found = LastMatch(text, what, 0, from, options.wholeWord, start);
        if (!found) {
            found = LastMatch(text, what, 0, text.size(), options.wholeWord, start);
            match.wrapped = true;
        }
    }
    if (!found) return false;
    match.start = start;
    match.end = start + what.size();
    return true;
}

std::size_t AnsiOffsetOfCharacter(std::string_view text, std::size_t characters) {
    std::size_t offset = 0;
    for (; characters > 0 && offset < text.size(); --characters) {
        const bool lead = IsDBCSLeadByte(static_cast<BYTE>(text[offset]));
        offset += lead && offset + 1 < text.size() ? 2 : 1;
    }
    return offset;
}
