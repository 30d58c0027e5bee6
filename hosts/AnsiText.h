#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Helpers for 8-bit text in the system's ANSI code page. They step through
// the text one character at a time, so the second byte of a double-byte
// character (which in code page 936 may equal an ASCII letter, "@", "\" or
// "|") is never taken for a character of its own.

// Byte length (1 or 2) of the character that starts at text[pos]. A line
// break always ends a character: a stray lead byte (text in another
// encoding, a cut-off line) never joins two lines.
std::size_t AnsiCharSize(std::string_view text, std::size_t pos);

// Space, tab, LF, vertical tab, form feed and CR.
bool IsAnsiSpace(char c);
std::string_view TrimLeftAnsi(std::string_view text);
std::string_view TrimRightAnsi(std::string_view text);

// CharLowerA over the whole text, the case folding of the system's code page.
void LowerAnsi(std::string& text);
std::string LoweredAnsi(std::string_view text);

// Position of the first occurrence of needle that begins on a character
// boundary, or npos.
std::size_t FindAnsi(std::string_view text, std::string_view needle);
