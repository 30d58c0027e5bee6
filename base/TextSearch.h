#pragma once

#include <cstddef>
#include <string_view>

// A string looked for in a text as the system's Find dialog offers it: down
// or up from a place, with or without case, whole words only or not, and on
// past the end (or the start) round to the other end once.

struct SearchOptions {
    bool down = true;
    bool matchCase = false;
    bool wholeWord = false;
};

// In UTF-16 units of the text.
struct TextMatch {
    std::size_t start = 0;
    std::size_t end = 0;
    bool wrapped = false;  // found only round past the end, or the start
};

// Down, the first match that starts at or after from; up, the last that
// ends at or before from; then round from the other end. False when the
// text holds none.
bool FindMatch(std::wstring_view text, std::wstring_view what, std::size_t from,
               const SearchOptions& options, TextMatch& match);

// The byte offset in text of the ANSI code page of its character number
// characters, counted as MultiByteToWideChar counts them: a lead byte takes
// the byte after it, whatever that is.
std::size_t AnsiOffsetOfCharacter(std::string_view text, std::size_t characters);
