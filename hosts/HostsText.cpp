#include "hosts/HostsText.h"

#include "hosts/AnsiText.h"
#include "hosts/HostsLine.h"

#include <algorithm>
#include <array>
#include <deque>
#include <unordered_set>

namespace {

constexpr char kEntryPadding[] = "                ";
constexpr std::size_t kEntryWidth = sizeof(kEntryPadding) - 1;

// Calls visit(piece) for every piece of text between runs of separator
// characters, in order; empty pieces are skipped.
template <typename Visit>
void ForEachPiece(std::string_view text, const std::array<bool, 256>& isSeparator, Visit visit) {
    std::size_t start = 0;
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t size = AnsiCharSize(text, pos);
        if (size == 1 && isSeparator[static_cast<unsigned char>(text[pos])]) {
            if (pos > start) visit(text.substr(start, pos - start));
            start = pos + 1;
        }
        pos += size;
    }
    if (start < text.size()) visit(text.substr(start));
}

std::array<bool, 256> SeparatorTable(std::string_view separators) {
    std::array<bool, 256> table{};
    for (char c : separators) table[static_cast<unsigned char>(c)] = true;
    return table;
}

std::size_t CountLines(std::string_view text) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1;
}

// Calls visit(line) for every entry line of the text, trimmed, in its own
// letter case.
template <typename Visit>
void ForEachEntryLine(std::string_view text, Visit visit) {
    static const std::array<bool, 256> kLineFeeds = SeparatorTable("\n");
    ForEachPiece(text, kLineFeeds, [&](std::string_view piece) {
        const std::string_view line = TrimRightAnsi(TrimLeftAnsi(piece));
        if (!line.empty() && line.front() != '#') visit(line);
    });
}

// Two names are equal without regard to case when their CharLowerA forms
// are equal; only those that could change are lowered, into store.
std::string_view FoldedName(std::string_view name, std::deque<std::string>& store) {
    const bool folded = std::none_of(name.begin(), name.end(), [](char c) {
        return (c >= 'A' && c <= 'Z') || static_cast<unsigned char>(c) >= 0x80;
    });
    if (folded) return name;
    store.push_back(LoweredAnsi(name));
    return store.back();
}

}  // namespace

EntryParts SplitEntryParts(std::string_view line) {
    for (std::size_t pos = 0; pos < line.size(); pos += AnsiCharSize(line, pos)) {
        if (line[pos] == ' ' || line[pos] == '\t') {
            return {TrimRightAnsi(line.substr(0, pos)), TrimLeftAnsi(line.substr(pos))};
        }
    }
    return {line, {}};
}

HostEntry SplitHostEntry(const std::string& line) {
    const EntryParts parts = SplitEntryParts(line);
    return {std::string(parts.address), std::string(parts.name)};
}

void AppendWrittenEntry(std::string& text, std::string_view address, std::string_view name) {
    text += "\r\n";
    text += address;
    // A long address still needs a space, or the line would be one word.
    if (address.size() < kEntryWidth) {
        text.append(kEntryPadding, kEntryWidth - address.size());
    } else {
        text += ' ';
    }
    text += name;
}

std::vector<std::string> SplitEntryLines(const std::string& text) {
    std::vector<std::string> lines;
    lines.reserve(CountLines(text));
    ForEachEntryLine(text, [&](std::string_view line) {
        lines.emplace_back(line);
        LowerAnsi(lines.back());
    });
    return lines;
}

std::vector<std::string> SplitRawLines(const std::string& text, const std::string& separators) {
    std::vector<std::string> lines;
    lines.reserve(CountLines(text));
    ForEachPiece(text, SeparatorTable(separators), [&](std::string_view piece) {
        lines.emplace_back(piece);
        LowerAnsi(lines.back());
    });
    return lines;
}

bool IsEntryLine(const std::string& line) {
    if (line.empty()) return false;
    return line.front() != '#' || IsCommentedOutEntry(line);
}

void AppendNewEntries(std::string& listText, const std::string& newText) {
    // Only the names the list held at the start count, so two new lines
    // with one name are both appended.
    std::deque<std::string> foldedStore;
    std::unordered_set<std::string_view> heldNames;
    heldNames.reserve(CountLines(listText));
    ForEachEntryLine(listText, [&](std::string_view line) {
        heldNames.insert(FoldedName(SplitEntryParts(line).name, foldedStore));
    });

    std::string added;
    std::deque<std::string> scratch;
    ForEachEntryLine(newText, [&](std::string_view line) {
        const EntryParts parts = SplitEntryParts(line);
        scratch.clear();
        if (heldNames.count(FoldedName(parts.name, scratch)) == 0) {
            AppendWrittenEntry(added, parts.address, parts.name);
        }
    });
    listText += added;
}
