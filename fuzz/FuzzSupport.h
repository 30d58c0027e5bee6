#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <vector>

// An input's parts are separated by four 0xFF bytes, which no text in any
// encoding the program reads holds (in UTF-16 they make U+FFFF). A file
// without them is one part: a real list or HOSTS file is a seed as it is.
inline constexpr std::string_view kPartBreak = "\xFF\xFF\xFF\xFF";

// The first count parts of the input; those it lacks are empty.
inline std::vector<std::string_view> InputParts(const std::uint8_t* data, std::size_t size,
                                                std::size_t count) {
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    std::vector<std::string_view> parts;
    while (parts.size() + 1 < count) {
        const std::size_t at = rest.find(kPartBreak);
        if (at == std::string_view::npos) break;
        parts.push_back(rest.substr(0, at));
        rest.remove_prefix(at + kPartBreak.size());
    }
    parts.push_back(rest);
    parts.resize(count);
    return parts;
}

// A property that does not hold is a finding: libFuzzer keeps the input.
#define FUZZ_CHECK(condition)                                                        \
    do {                                                                             \
        if (!(condition)) {                                                          \
            std::fprintf(stderr, "%s:%d: property failed: %s\n", __FILE__, __LINE__, \
                         #condition);                                                \
            std::abort();                                                            \
        }                                                                            \
    } while (false)
