#pragma once

#include <string>

// Whole files, byte for byte: no line-ending conversion. A file that cannot
// be opened reads as empty; the write is true when the whole text is in place.
// Free of Windows headers, so that the native build's tests read data too.
std::string ReadWholeFile(const std::string& path);
bool WriteWholeFile(const std::string& path, const std::string& text);
