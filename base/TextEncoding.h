#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// How a text file is encoded on disk. A file is written back in its own
// encoding, byte-order mark included.
enum class TextEncoding {
    Ansi,          // the system's code page
    Utf8,          // UTF-8 without a byte-order mark
    Utf8WithMark,  // UTF-8 after the mark EF BB BF
    Utf16Le,       // after the mark FF FE
    Utf16Be,       // after the mark FE FF
};

// From the byte-order mark, or without one from the content: well-formed
// UTF-8 that holds non-ASCII text is UTF-8 (Notepad writes it without a
// mark), anything else the ANSI code page.
TextEncoding DetectEncoding(std::string_view bytes);
// Well-formed UTF-8 (no overlong forms, no surrogates) that holds at least
// one character outside ASCII: text that is almost surely not ANSI.
bool IsUtf8WithNonAscii(std::string_view text);
std::string_view ByteOrderMark(TextEncoding encoding);
bool IsUtf16(TextEncoding encoding);

// UTF-16 code units from bytes in the given byte order; an odd last byte
// pairs with a zero byte. And back.
std::wstring Utf16Units(std::string_view bytes, bool bigEndian);
std::string Utf16Bytes(std::wstring_view units, bool bigEndian);

// A whole file's text with its mark left out, in a form the line grammar
// reads: as it stands for ANSI and UTF-8, converted to UTF-8 for UTF-16.
std::string ReadableText(std::string_view bytes);
// A whole file's text as ANSI text, the form the editor and the merge read:
// UTF-16 and UTF-8 are converted, and NUL bytes, which no text holds, end a
// line instead of the text.
std::string AnsiText(std::string_view bytes);
