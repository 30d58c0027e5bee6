// The line match behind every save: what it pairs is a common subsequence
// of the two texts, and where the exact method runs (few repeated lines),
// a longest one, as a plain dynamic program finds.
#include "fuzz/FuzzSupport.h"
#include "hosts/LineMatch.h"

#include <algorithm>
#include <string>

namespace {

constexpr std::size_t kNone = static_cast<std::size_t>(-1);
constexpr std::size_t kMaxPlainCells = 4u << 20;

// Lines at LF; with few distinct bytes for lines, when the first byte is
// odd, so that lines repeat as in real HOSTS files and as they seldom do.
std::vector<std::string_view> Lines(std::string_view text, bool bytesAreLines) {
    std::vector<std::string_view> lines;
    if (bytesAreLines) {
        static const std::string_view kFew[] = {"a", "b", "c", "d"};
        for (char c : text) lines.push_back(kFew[static_cast<unsigned char>(c) % 4]);
        return lines;
    }
    std::size_t start = 0;
    for (std::size_t pos = 0; pos <= text.size(); ++pos) {
        if (pos < text.size() && text[pos] != '\n') continue;
        lines.push_back(text.substr(start, pos - start));
        start = pos + 1;
    }
    return lines;
}

std::size_t LongestCommon(const std::vector<std::string_view>& a, const std::vector<std::string_view>& b) {
    std::vector<std::size_t> row(b.size() + 1, 0);
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = 0;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t up = row[j];
            row[j] = a[i - 1] == b[j - 1] ? diagonal + 1 : std::max(row[j], row[j - 1]);
            diagonal = up;
        }
    }
    return row[b.size()];
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const bool bytesAreLines = data[0] % 2 == 1;
    const std::vector<std::string_view> parts = InputParts(data + 1, size - 1, 2);
    const std::vector<std::string_view> a = Lines(parts[0], bytesAreLines);
    const std::vector<std::string_view> b = Lines(parts[1], bytesAreLines);
    const std::vector<std::size_t> match = MatchLines(a, b);
    FUZZ_CHECK(match.size() == a.size());

    std::size_t length = 0;
    std::size_t next = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (match[i] == kNone) continue;
        FUZZ_CHECK(match[i] >= next && match[i] < b.size());
        FUZZ_CHECK(a[i] == b[match[i]]);
        next = match[i] + 1;
        ++length;
    }
    if (a.size() * b.size() <= kMaxPlainCells) FUZZ_CHECK(length == LongestCommon(a, b));
    return 0;
}
