#include "tests/support/PairwiseMerge.h"
#include "hosts/AnsiText.h"
#include "hosts/HostsText.h"

#include <windows.h>

#include <vector>

namespace {

std::wstring Widened(const std::string& text) {
    if (text.empty()) return {};
    const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                           nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &wide[0], length);
    return wide;
}

// Case-insensitive comparison of whole characters, independent of the
// CharLowerA folding that the keyed merge uses.
bool EqualIgnoringCase(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(),
                                static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

// The entry lines of a text, trimmed, in their own letter case.
std::vector<std::string> EntryLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::string_view line =
            TrimRightAnsi(TrimLeftAnsi(std::string_view(text).substr(start, end - start)));
        if (!line.empty() && line.front() != '#') lines.emplace_back(line);
        start = end + 1;
    }
    return lines;
}

}  // namespace

void AppendNewEntriesPairwise(std::string& listText, const std::string& newText) {
    std::vector<std::wstring> heldNames;
    for (const std::string& line : EntryLines(listText)) {
        heldNames.push_back(Widened(SplitHostEntry(line).name));
    }
    for (const std::string& line : EntryLines(newText)) {
        const HostEntry entry = SplitHostEntry(line);
        const std::wstring name = Widened(entry.name);
        bool held = false;
        for (const std::wstring& heldName : heldNames) {
            if (EqualIgnoringCase(name, heldName)) {
                held = true;
                break;
            }
        }
        if (!held) AppendWrittenEntry(listText, entry.address, entry.name);
    }
}
