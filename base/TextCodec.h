#pragma once

#include <string>
#include <string_view>

// Conversions between the system's ANSI code page (936 here), UTF-8 and
// UTF-16. None of them stops at a NUL character.

std::wstring AnsiToWide(std::string_view text);
// Characters the ANSI code page cannot hold become "?"; lossy (when given)
// tells whether that happened.
std::string WideToAnsi(std::wstring_view text, bool* lossy = nullptr);
std::wstring Utf8ToWide(std::string_view text);
std::string WideToUtf8(std::wstring_view text);

std::string Utf8ToAnsi(std::string_view text, bool* lossy = nullptr);
std::string AnsiToUtf8(std::string_view text);
