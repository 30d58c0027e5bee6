#include "hosts/HostsText.h"

#include "hosts/AnsiText.h"

#include "SitemoatConfig.h"
#include "base/TextCodec.h"

#include <algorithm>
#include <array>
#include <deque>
#include <unordered_set>

namespace {

constexpr char kLocalName[] = "localhost";
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

// Two names are equal without regard to case when their CharLowerA forms
// are equal. Names from SplitEntryLines are lowered already, so only those
// that could still change are lowered (again) into store.
std::string_view FoldedName(std::string_view name, std::deque<std::string>& store) {
    const bool folded = std::none_of(name.begin(), name.end(), [](char c) {
        return (c >= 'A' && c <= 'Z') || static_cast<unsigned char>(c) >= 0x80;
    });
    if (folded) return name;
    store.push_back(LoweredAnsi(name));
    return store.back();
}

bool NamesProtectedDomain(std::string_view name, const std::string& domain1,
                          const std::string& domain2) {
    return FindAnsi(name, domain1) != std::string_view::npos ||
           FindAnsi(name, domain2) != std::string_view::npos;
}

std::string LoweredAscii(std::string_view text) {
    std::string lowered(text);
    for (char& c : lowered) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return lowered;
}

// Every line ended by CR LF, however it came: the head is kept with LF, and
// the editor hands back LF (under Wine), CR LF or CR (rich edit 2 and on).
std::string WithCrLf(const std::string& text) {
    std::string converted;
    converted.reserve(text.size() + text.size() / 16);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r') {
            converted += "\r\n";
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else if (c == '\n') {
            converted += "\r\n";
        } else {
            converted += c;
        }
    }
    return converted;
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

namespace hosts_text {

std::vector<std::string> SplitEntryLines(const std::string& text) {
    static const std::array<bool, 256> kLineFeeds = SeparatorTable("\n");
    std::vector<std::string> lines;
    lines.reserve(CountLines(text));
    std::string piece;
    ForEachPiece(text, kLineFeeds, [&](std::string_view raw) {
        piece.assign(raw);
        LowerAnsi(piece);
        const std::string_view line = TrimRightAnsi(TrimLeftAnsi(piece));
        if (!line.empty() && line.front() != '#') lines.emplace_back(line);
    });
    return lines;
}

std::vector<std::string> SplitRawLines(const std::string& text,
                                                     const std::string& separators) {
    std::vector<std::string> lines;
    lines.reserve(CountLines(text));
    ForEachPiece(text, SeparatorTable(separators), [&](std::string_view piece) {
        lines.emplace_back(piece);
        LowerAnsi(lines.back());
    });
    return lines;
}

HostEntry SplitHostEntry(const std::string& line) {
    const EntryParts parts = SplitEntryParts(line);
    return {std::string(parts.address), std::string(parts.name)};
}

bool IsEntryLine(const std::string& line) {
    if (line.empty()) return false;
    if (line.front() != '#') return true;
    // A commented-out entry: "#" and an address, such as "# 102.54.94.97 x".
    int digits = 0;
    for (std::size_t pos = 1; pos < line.size(); ++pos) {
        const char c = line[pos];
        if (c >= '0' && c <= '9') {
            if (++digits == 4) return true;
        } else if (c != ' ' && c != '\t' && c != '.') {
            return false;
        }
    }
    return false;
}

void AppendNewEntries(std::string& listText, const std::string& newText) {
    const std::vector<std::string> listLines = SplitEntryLines(listText);
    const std::vector<std::string> newLines = SplitEntryLines(newText);

    // Only the names the list held at the start count, so two new lines
    // with one name are both appended.
    std::deque<std::string> foldedStore;
    std::unordered_set<std::string_view> heldNames;
    heldNames.reserve(listLines.size());
    for (const std::string& line : listLines) {
        heldNames.insert(FoldedName(SplitEntryParts(line).name, foldedStore));
    }

    std::deque<std::string> scratch;
    for (const std::string& line : newLines) {
        const EntryParts parts = SplitEntryParts(line);
        scratch.clear();
        if (heldNames.count(FoldedName(parts.name, scratch)) == 0) {
            AppendWrittenEntry(listText, parts.address, parts.name);
        }
    }
}

bool SortHostsText(const std::string& text, std::string& entryText, std::string& headText) {
    FileText ansi;
    ansi.text = text;
    return SplitForEditor(ansi, entryText, headText);
}

bool SplitForEditor(const FileText& hosts, std::string& entryText,
                                  std::string& headText) {
    static const std::array<bool, 256> kLineBreaks = SeparatorTable("\r\n");
    entryText.clear();
    headText.clear();
    const bool ansi = hosts.encoding == TextEncoding::Ansi;
    const std::string protected1 = LoweredAnsi(kProtectedDomain1);
    const std::string protected2 = LoweredAnsi(kProtectedDomain2);
    bool dropped = false;
    std::string line;
    // CR and LF never occur inside a character of either encoding.
    ForEachPiece(hosts.text, kLineBreaks, [&](std::string_view piece) {
        bool lossy = false;
        // Assigned in place: no allocation for every line.
        if (ansi) {
            line.assign(piece);
        } else {
            line = Utf8ToAnsi(piece, &lossy);
        }
        LowerAnsi(line);
        const std::string_view name = SplitEntryParts(line).name;
        if (NamesProtectedDomain(name, protected1, protected2)) {
            dropped = true;
            return;
        }
        // The line is lowered, so "localhost" matches in any case.
        const bool head = name == kLocalName || !IsEntryLine(line);
        const bool showable = !lossy && line.find('\0') == std::string::npos;
        if (!head && showable) {
            entryText += line;
            entryText += '\n';
        } else {
            // In the file's own encoding; UTF-8 is lowered in its ASCII
            // letters only, so no byte of it can change its meaning.
            headText += ansi ? line : LoweredAscii(piece);
            headText += '\n';
        }
    });
    return dropped;
}

std::string ComposeHostsText(const std::string& headText, const std::string& entryText,
                                           TextEncoding encoding) {
    const std::string entries = encoding == TextEncoding::Ansi ? entryText : AnsiToUtf8(entryText);
    return WithCrLf(headText + entries);
}

}  // namespace hosts_text
