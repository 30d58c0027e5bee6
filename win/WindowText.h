#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

// A window's whole text (ANSI), however long. The buffer grows until the
// text has fitted with room to spare: under Wine the rich edit counts
// characters where GetWindowTextLengthA promises bytes, and then hands back
// nothing at all into a buffer of that size. sizeHint, when known, is a
// first size in bytes. False, with text empty, when it could not be read.
bool ReadWindowText(HWND hwnd, std::string& text, std::size_t sizeHint = 0);
// The same, "" when it cannot be read.
std::string WindowText(HWND hwnd);
