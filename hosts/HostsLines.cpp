#include "hosts/HostsLines.h"

#include <algorithm>
#include <iterator>
#include <array>
#include <type_traits>
#include <unordered_set>

#include "base/TextCodec.h"
#include "hosts/HostsLine.h"
#include "hosts/LineMatch.h"

namespace {

constexpr std::size_t kNone = static_cast<std::size_t>(-1);

bool IsAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Control characters other than tab: the editor would not keep them as
// they are, or would take them for line breaks.
template <typename Text>
bool HasControlCharacter(const Text& text) {
    return std::any_of(text.begin(), text.end(), [](auto c) {
        const auto code = static_cast<unsigned long>(static_cast<std::make_unsigned_t<decltype(c)>>(c));
        return (code < 0x20 && code != '\t') || code == 0x7F;
    });
}

// The entry part holds one name after its address, and it is localhost.
bool OnlyLocalhost(std::string_view entryPart) {
    NextWord(entryPart);
    const std::string_view name = NextWord(entryPart);
    return !name.empty() && NextWord(entryPart).empty() && SameName(name, "localhost");
}

}  // namespace

LineKind KindOf(std::string_view text) {
    const std::string_view trimmed = TrimLeadingBlanks(text);
    if (trimmed.empty()) return LineKind::Blank;
    if (trimmed.front() == '#') {
        if (!IsCommentedOutEntry(trimmed)) return LineKind::Remark;
        return OnlyLocalhost(EntryPart(trimmed.substr(1))) ? LineKind::Local : LineKind::CommentedOut;
    }
    return OnlyLocalhost(EntryPart(trimmed)) ? LineKind::Local : LineKind::Entry;
}

namespace {

// The editor's lines, split at CR LF, CR or LF; blank lines are left out,
// since the editor shows none and a save must not add them.
std::vector<std::string_view> EditorLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t pos = 0; pos <= text.size(); ++pos) {
        if (pos < text.size() && !IsLineBreak(text[pos])) continue;
        const std::string_view line = text.substr(start, pos - start);
        if (!TrimLeadingBlanks(line).empty()) lines.push_back(line);
        start = pos + 1;
    }
    return lines;
}

// Pieces of text between CR and LF, empty ones left out.
std::vector<std::string_view> TextLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t pos = 0; pos <= text.size(); ++pos) {
        if (pos < text.size() && !IsLineBreak(text[pos])) continue;
        if (pos > start) lines.push_back(text.substr(start, pos - start));
        start = pos + 1;
    }
    return lines;
}

// A word of a line: [start, end), and where the blanks before it begin.
struct Word {
    std::size_t blanks;
    std::size_t start;
    std::size_t end;
};

// The words of a line's entry part, with their places in the line; words
// is the caller's, so that one vector serves a whole file.
void EntryWords(std::string_view text, std::vector<Word>& words) {
    words.clear();
    std::size_t pos = 0;
    for (;;) {
        const std::size_t blanks = pos;
        while (pos < text.size() && IsWordBreak(text[pos])) ++pos;
        if (pos == text.size() || text[pos] == '#') break;
        const std::size_t start = pos;
        while (pos < text.size() && !IsWordBreak(text[pos]) && text[pos] != '#') ++pos;
        words.push_back({blanks, start, pos});
    }
}

}  // namespace

struct HostsLines::EditScript {
    enum Action : std::uint8_t { kKeep, kDelete, kReplace };
    // For each line of the base: what becomes of it, and its new text.
    std::vector<std::uint8_t> action;
    std::vector<std::string_view> replacement;
    // Lines to add, in the editor's order; after is the number of base
    // lines before the place (0: before the first).
    struct Insert {
        std::size_t after;
        std::string_view text;
    };
    std::vector<Insert> inserts;
    std::size_t changes = 0;
    // The texts are lines of the file in its own encoding, not the editor's.
    bool raw = false;
};

HostsLines::HostsLines() = default;

HostsLines::HostsLines(std::string bytes) : source_(std::move(bytes)) {
    Split();
}

void HostsLines::Split() {
    encoding_ = DetectEncoding(source_);
    // An odd last byte of UTF-16 is read with a zero byte, and kept so: a
    // line written after it would otherwise be read a byte out of step.
    if (IsUtf16(encoding_) && source_.size() % 2 != 0) {
        source_ += '\0';
        padded_ = true;
    }
    const std::size_t n = source_.size();
    const char* data = source_.data();
    std::size_t pos = ByteOrderMark(encoding_).size();
    lines_.reserve(static_cast<std::size_t>(std::count(source_.begin(), source_.end(), '\n')) + 1);
    if (IsUtf16(encoding_)) {
        const bool big = encoding_ == TextEncoding::Utf16Be;
        const auto unit = [&](std::size_t at) {
            const unsigned first = static_cast<unsigned char>(data[at]);
            const unsigned second = static_cast<unsigned char>(data[at + 1]);
            return big ? (first << 8) | second : (second << 8) | first;
        };
        while (pos < n) {
            Line line;
            line.offset = static_cast<std::uint32_t>(pos);
            std::size_t end = pos;
            while (end < n && unit(end) != '\r' && unit(end) != '\n') end += 2;
            if (end == n) {
                line.size = static_cast<std::uint32_t>(n - pos);
                pos = n;
            } else {
                line.size = static_cast<std::uint32_t>(end - pos);
                if (unit(end) == '\n') {
                    line.end = LineEnd::Lf;
                    pos = end + 2;
                } else if (end + 3 < n && unit(end + 2) == '\n') {
                    line.end = LineEnd::CrLf;
                    pos = end + 4;
                } else {
                    line.end = LineEnd::Cr;
                    pos = end + 2;
                }
            }
            Classify(line);
            lines_.push_back(line);
        }
        return;
    }
    while (pos < n) {
        Line line;
        line.offset = static_cast<std::uint32_t>(pos);
        std::size_t end = pos;
        while (end < n && data[end] != '\r' && data[end] != '\n') ++end;
        line.size = static_cast<std::uint32_t>(end - pos);
        if (end == n) {
            pos = n;
        } else if (data[end] == '\n') {
            line.end = LineEnd::Lf;
            pos = end + 1;
        } else if (end + 1 < n && data[end + 1] == '\n') {
            line.end = LineEnd::CrLf;
            pos = end + 2;
        } else {
            line.end = LineEnd::Cr;
            pos = end + 1;
        }
        Classify(line);
        lines_.push_back(line);
    }
}

std::string_view HostsLines::Raw(const Line& line) const {
    if (line.added) return added_[line.offset];
    return std::string_view(source_).substr(line.offset, line.size);
}

std::string_view HostsLines::EndBytes(LineEnd end) const {
    static constexpr std::array<std::string_view, 4> kNarrow = {"", "\n", "\r", "\r\n"};
    static constexpr std::array<std::string_view, 4> kLittle = {
        std::string_view(), std::string_view("\n\0", 2), std::string_view("\r\0", 2),
        std::string_view("\r\0\n\0", 4)};
    static constexpr std::array<std::string_view, 4> kBig = {
        std::string_view(), std::string_view("\0\n", 2), std::string_view("\0\r", 2),
        std::string_view("\0\r\0\n", 4)};
    const auto index = static_cast<std::size_t>(end);
    if (encoding_ == TextEncoding::Utf16Le) return kLittle[index];
    if (encoding_ == TextEncoding::Utf16Be) return kBig[index];
    return kNarrow[index];
}

std::string HostsLines::Bytes() const {
    if (!edited_) return padded_ ? source_.substr(0, source_.size() - 1) : source_;
    std::string bytes(ByteOrderMark(encoding_));
    std::size_t size = bytes.size();
    for (const Line& line : lines_) size += Raw(line).size() + 4;
    bytes.reserve(size);
    for (const Line& line : lines_) {
        bytes += Raw(line);
        bytes += EndBytes(line.end);
    }
    return bytes;
}

std::string HostsLines::Text(std::size_t index) const {
    return TextOf(lines_[index]);
}

std::string HostsLines::TextOf(const Line& line) const {
    const std::string_view raw = Raw(line);
    if (!IsUtf16(encoding_)) return std::string(raw);
    return WideToUtf8(Utf16Units(raw, encoding_ == TextEncoding::Utf16Be));
}

bool HostsLines::AnsiOf(const Line& line, std::string& ansi) const {
    const std::string_view raw = Raw(line);
    bool lossy = false;
    switch (encoding_) {
    case TextEncoding::Ansi:
        ansi.assign(raw);
        if (HasControlCharacter(raw)) return false;
        // Bytes that make no character of the code page would come back
        // from the editor as others.
        return IsAscii(raw) || WideToAnsi(AnsiToWide(raw)) == raw;
    case TextEncoding::Utf8:
    case TextEncoding::Utf8WithMark:
        if (IsAscii(raw)) {
            ansi.assign(raw);
            return !HasControlCharacter(raw);
        }
        ansi = Utf8ToAnsi(raw, &lossy);
        return !lossy && !HasControlCharacter(ansi) && AnsiToUtf8(ansi) == raw;
    case TextEncoding::Utf16Le:
    case TextEncoding::Utf16Be: {
        if (raw.size() % 2 != 0) return false;
        const std::wstring units = Utf16Units(raw, encoding_ == TextEncoding::Utf16Be);
        ansi = WideToAnsi(units, &lossy);
        return !lossy && !HasControlCharacter(units) && AnsiToWide(ansi) == units;
    }
    }
    return false;
}

void HostsLines::Classify(Line& line) const {
    if (IsUtf16(encoding_)) {
        line.kind = KindOf(WideToUtf8(Utf16Units(Raw(line), encoding_ == TextEncoding::Utf16Be)));
    } else {
        line.kind = KindOf(Raw(line));
    }
    const std::string_view raw = Raw(line);
    line.ascii = !IsUtf16(encoding_) && IsAscii(raw) && !HasControlCharacter(raw);
    std::string ansi;
    line.shown = (line.kind == LineKind::Entry || line.kind == LineKind::CommentedOut) &&
                 (line.ascii || AnsiOf(line, ansi));
}

HostsLines::Line HostsLines::MakeLine(std::string raw, LineEnd end) {
    Line line;
    line.offset = static_cast<std::uint32_t>(added_.size());
    line.size = static_cast<std::uint32_t>(raw.size());
    line.end = end;
    line.added = true;
    added_.push_back(std::move(raw));
    Classify(line);
    return line;
}

HostsLines::Line HostsLines::LineFromAnsi(std::string_view ansi, LineEnd end) {
    switch (encoding_) {
    case TextEncoding::Ansi: return MakeLine(std::string(ansi), end);
    case TextEncoding::Utf8:
    case TextEncoding::Utf8WithMark: return MakeLine(AnsiToUtf8(ansi), end);
    default: return MakeLine(Utf16Bytes(AnsiToWide(ansi), encoding_ == TextEncoding::Utf16Be), end);
    }
}

HostsLines::Line HostsLines::LineFromText(std::string_view text, LineEnd end) {
    if (!IsUtf16(encoding_)) return MakeLine(std::string(text), end);
    return MakeLine(Utf16Bytes(Utf8ToWide(text), encoding_ == TextEncoding::Utf16Be), end);
}

// The end most lines have; CR LF, as Windows writes HOSTS, where none has one.
HostsLines::LineEnd HostsLines::CommonEnd() const {
    std::array<std::size_t, 4> counts{};
    for (const Line& line : lines_) ++counts[static_cast<std::size_t>(line.end)];
    LineEnd common = LineEnd::CrLf;
    for (LineEnd end : {LineEnd::Lf, LineEnd::Cr}) {
        if (counts[static_cast<std::size_t>(end)] > counts[static_cast<std::size_t>(common)]) common = end;
    }
    return common;
}

std::size_t HostsLines::LastEntryLine() const {
    for (std::size_t i = lines_.size(); i-- > 0;) {
        if (lines_[i].kind == LineKind::Entry || lines_[i].kind == LineKind::Local) return i;
    }
    return kNone;
}

HostsLines::ShownLines HostsLines::Shown() const {
    ShownLines shown;
    std::vector<std::size_t> starts;
    std::string ansi;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (!lines_[i].shown) continue;
        starts.push_back(shown.text.size());
        shown.where.push_back(i);
        if (lines_[i].ascii) {
            shown.text += Raw(lines_[i]);
        } else {
            AnsiOf(lines_[i], ansi);
            shown.text += ansi;
        }
        shown.text += '\n';
    }
    // Views once the text no longer moves.
    shown.lines.reserve(starts.size());
    for (std::size_t k = 0; k < starts.size(); ++k) {
        const std::size_t end = k + 1 < starts.size() ? starts[k + 1] : shown.text.size();
        shown.lines.push_back(std::string_view(shown.text).substr(starts[k], end - starts[k] - 1));
    }
    return shown;
}

std::string HostsLines::ShownText() const {
    return Shown().text;
}

std::size_t HostsLines::EntryNameCount() const {
    std::size_t count = 0;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (lines_[i].kind != LineKind::Entry) continue;
        const std::string text = Text(i);
        std::string_view rest = EntryPart(text);
        NextWord(rest);
        while (!NextWord(rest).empty()) ++count;
    }
    return count;
}

HostsLines::EditScript HostsLines::Diff(const std::vector<std::string_view>& base,
                                        const std::vector<std::string_view>& edited) {
    const std::vector<std::size_t> match = MatchLines(base, edited);
    EditScript script;
    script.action.assign(base.size(), EditScript::kKeep);
    script.replacement.resize(base.size());
    std::size_t i = 0;
    std::size_t j = 0;
    // The base lines [i, iEnd) and the editor's [j, jEnd) between two kept
    // lines: the first pairs are edits of one another, the rest deleted or added.
    const auto hunk = [&](std::size_t iEnd, std::size_t jEnd) {
        const std::size_t removed = iEnd - i;
        const std::size_t typed = jEnd - j;
        const std::size_t pairs = std::min(removed, typed);
        for (std::size_t t = 0; t < pairs; ++t) {
            if (base[i + t] == edited[j + t]) continue;
            script.action[i + t] = EditScript::kReplace;
            script.replacement[i + t] = edited[j + t];
            ++script.changes;
        }
        for (std::size_t t = pairs; t < removed; ++t) {
            script.action[i + t] = EditScript::kDelete;
            ++script.changes;
        }
        for (std::size_t t = pairs; t < typed; ++t) {
            script.inserts.push_back({i + removed, edited[j + t]});
            ++script.changes;
        }
    };
    for (std::size_t a = 0; a < match.size(); ++a) {
        if (match[a] == kNone) continue;
        hunk(a, match[a]);
        i = a + 1;
        j = match[a] + 1;
    }
    hunk(base.size(), edited.size());
    return script;
}

void HostsLines::Replace(std::vector<Line> lines) {
    lines_ = std::move(lines);
    edited_ = true;
}

bool HostsLines::Apply(const EditScript& script, const std::vector<std::size_t>& where,
                       bool* newShown) {
    const std::size_t count = lines_.size();
    std::vector<std::uint8_t> action(count, EditScript::kKeep);
    std::vector<std::string_view> replacement(count);
    for (std::size_t k = 0; k < script.action.size(); ++k) {
        if (script.action[k] == EditScript::kKeep) continue;
        if (where[k] == kNone) {
            // A line deleted here and there is gone either way.
            if (script.action[k] == EditScript::kReplace) return false;
            continue;
        }
        action[where[k]] = script.action[k];
        replacement[where[k]] = script.replacement[k];
    }

    // Places, in lines of this text: 2t before line t, 2t + 1 after it,
    // 2 * count at the end.
    const std::size_t lastEntry = LastEntryLine();
    const std::size_t atLastEntry = lastEntry == kNone ? 2 * count : 2 * lastEntry + 1;
    std::size_t firstShown = kNone;
    for (std::size_t t = 0; t < count && firstShown == kNone; ++t) {
        if (lines_[t].shown) firstShown = t;
    }
    std::vector<std::pair<std::size_t, std::string_view>> inserts;
    inserts.reserve(script.inserts.size());
    for (const EditScript::Insert& insert : script.inserts) {
        std::size_t place = atLastEntry;
        if (insert.after == 0) {
            const std::size_t before = !where.empty() && where[0] != kNone ? where[0] : firstShown;
            if (before != kNone && !script.action.empty()) place = 2 * before;
        } else if (const std::size_t anchor = where[insert.after - 1]; anchor != kNone) {
            // Typed at the end of the editor: after the last entry line,
            // which the editor may not show.
            const bool atEnd = insert.after == script.action.size();
            place = 2 * (atEnd && lastEntry != kNone ? std::max(anchor, lastEntry) : anchor) + 1;
        }
        inserts.emplace_back(place, insert.text);
    }
    std::stable_sort(inserts.begin(), inserts.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });

    const LineEnd common = CommonEnd();
    const bool endedWithLineEnd = lines_.empty() || lines_.back().end != LineEnd::None;
    std::vector<Line> out;
    out.reserve(count + inserts.size());
    bool lastInserted = false;
    bool allShown = true;
    std::size_t next = 0;
    const auto made = [&](std::string_view text, LineEnd end) {
        return script.raw ? MakeLine(std::string(text), end) : LineFromAnsi(text, end);
    };
    const auto insertUpTo = [&](std::size_t place) {
        for (; next < inserts.size() && inserts[next].first <= place; ++next) {
            out.push_back(made(inserts[next].second, common));
            allShown = allShown && out.back().shown;
            lastInserted = true;
        }
    };
    for (std::size_t t = 0; t < count; ++t) {
        insertUpTo(2 * t);
        if (action[t] == EditScript::kReplace) {
            out.push_back(made(replacement[t], lines_[t].end));
            allShown = allShown && out.back().shown;
            lastInserted = false;
        } else if (action[t] == EditScript::kKeep) {
            out.push_back(lines_[t]);
            lastInserted = false;
        }
        insertUpTo(2 * t + 1);
    }
    insertUpTo(2 * count);
    FixEnds(out, lastInserted, common, endedWithLineEnd);
    Replace(std::move(out));
    if (newShown) *newShown = allShown;
    return true;
}

// Every line but the last ends in a line break; a last line that was added
// ends as the file did.
void HostsLines::FixEnds(std::vector<Line>& lines, bool lastAdded, LineEnd common,
                         bool endedWithLineEnd) {
    if (lines.empty()) return;
    for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
        if (lines[i].end == LineEnd::None) lines[i].end = common;
    }
    if (lastAdded) lines.back().end = endedWithLineEnd ? common : LineEnd::None;
}

bool HostsLines::ApplyEditorText(std::string_view editorText, bool* showsAsEditor) {
    const ShownLines base = Shown();
    const EditScript script = Diff(base.lines, EditorLines(editorText));
    if (showsAsEditor) *showsAsEditor = true;
    return script.changes > 0 && Apply(script, base.where, showsAsEditor);
}

std::vector<std::string> HostsLines::TypedLines(std::string_view editorText) const {
    const EditScript script = Diff(Shown().lines, EditorLines(editorText));
    std::vector<std::string> typed;
    for (std::size_t k = 0; k < script.action.size(); ++k) {
        if (script.action[k] == EditScript::kReplace) typed.emplace_back(script.replacement[k]);
    }
    for (const EditScript::Insert& insert : script.inserts) typed.emplace_back(insert.text);
    return typed;
}

bool HostsLines::ApplyEditorTextOnto(const HostsLines& base, std::string_view editorText,
                                     HostsLines& target) {
    const ShownLines from = base.Shown();
    const EditScript script = Diff(from.lines, EditorLines(editorText));
    if (script.changes == 0) return true;
    const ShownLines onto = target.Shown();
    const std::vector<std::size_t> match = MatchLines(from.lines, onto.lines);
    std::vector<std::size_t> where(match.size(), kNone);
    for (std::size_t k = 0; k < match.size(); ++k) {
        if (match[k] != kNone) where[k] = onto.where[match[k]];
    }
    return target.Apply(script, where);
}

std::size_t HostsLines::RemoveNames(const std::function<bool(std::string_view name)>& remove,
                                    bool blockingOnly) {
    std::size_t removed = 0;
    std::vector<Line> out;
    bool changed = false;
    // Kept from line to line: a long HOSTS has hundreds of thousands.
    std::string wide;
    std::vector<Word> words;
    std::vector<bool> gone;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const Line& line = lines_[i];
        if (line.kind != LineKind::Entry || !line.shown) {
            if (changed) out.push_back(line);
            continue;
        }
        // UTF-16 lines are read as UTF-8; the others are their bytes.
        const std::string_view text = IsUtf16(encoding_) ? std::string_view(wide = TextOf(line)) : Raw(line);
        EntryWords(text, words);
        const auto wordAt = [&](std::size_t w) { return text.substr(words[w].start, words[w].end - words[w].start); };
        gone.assign(words.size(), false);
        std::size_t goneCount = 0;
        if (words.size() > 1 && (!blockingOnly || IsBlockingAddress(wordAt(0)))) {
            for (std::size_t w = 1; w < words.size(); ++w) {
                if (remove(wordAt(w))) {
                    gone[w] = true;
                    ++goneCount;
                }
            }
        }
        if (goneCount == 0) {
            if (changed) out.push_back(line);
            continue;
        }
        if (!changed) {
            out.assign(lines_.begin(), lines_.begin() + static_cast<std::ptrdiff_t>(i));
            changed = true;
        }
        removed += goneCount;
        if (goneCount == words.size() - 1) continue;  // no name left: the line goes
        std::string kept;
        std::size_t from = 0;
        for (std::size_t w = 1; w < words.size(); ++w) {
            if (!gone[w]) continue;
            kept.append(text.substr(from, words[w].blanks - from));
            from = words[w].end;
        }
        kept.append(text.substr(from));
        out.push_back(LineFromText(kept, line.end));
    }
    if (changed) Replace(std::move(out));
    return removed;
}

void HostsLines::InsertAfterLastEntry(std::string_view text) {
    const std::vector<std::string_view> added = TextLines(text);
    if (added.empty()) return;
    const std::size_t lastEntry = LastEntryLine();
    const std::size_t place = lastEntry == kNone ? lines_.size() : lastEntry + 1;
    const LineEnd common = CommonEnd();
    const bool endedWithLineEnd = lines_.empty() || lines_.back().end != LineEnd::None;
    std::vector<Line> out;
    out.reserve(lines_.size() + added.size());
    out.assign(lines_.begin(), lines_.begin() + static_cast<std::ptrdiff_t>(place));
    for (std::string_view line : added) out.push_back(LineFromText(line, common));
    out.insert(out.end(), lines_.begin() + static_cast<std::ptrdiff_t>(place), lines_.end());
    FixEnds(out, place == lines_.size(), common, endedWithLineEnd);
    Replace(std::move(out));
}

std::string HostsLines::ShownTextKeeping(std::string_view editorText) const {
    const ShownLines shown = Shown();
    const std::unordered_set<std::string_view> held(shown.lines.begin(), shown.lines.end());
    std::string text = shown.text;
    for (std::string_view line : EditorLines(editorText)) {
        if (held.count(line) != 0) continue;
        text += line;
        text += '\n';
    }
    return text;
}

std::vector<std::string_view> HostsLines::RawLines() const {
    std::vector<std::string_view> raw;
    raw.reserve(lines_.size());
    for (const Line& line : lines_) raw.push_back(Raw(line));
    return raw;
}

HostsLines HostsLines::WithoutBlockingLines(std::vector<std::size_t>* kept) const {
    std::vector<Line> staying;
    staying.reserve(lines_.size());
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (lines_[i].kind == LineKind::Entry) {
            const std::string text = TextOf(lines_[i]);
            std::string_view words = EntryPart(text);
            if (IsBlockingAddress(NextWord(words))) continue;
        }
        staying.push_back(lines_[i]);
        if (kept) kept->push_back(i);
    }
    HostsLines paused = *this;
    if (staying.size() != lines_.size()) paused.Replace(std::move(staying));
    return paused;
}

HostsLines HostsLines::Resumed(const HostsLines& current) const {
    std::vector<std::size_t> kept;
    const HostsLines paused = WithoutBlockingLines(&kept);
    const std::string now = current.Bytes();
    if (now == Bytes() || now == paused.Bytes()) return *this;
    if (current.Encoding() == encoding_) {
        EditScript script = Diff(paused.RawLines(), current.RawLines());
        script.raw = true;
        HostsLines resumed = *this;
        if (resumed.Apply(script, kept)) return resumed;
    }
    // Written in another encoding since: current as it is, the blocking
    // lines after its last entry line.
    std::string blocking;
    for (std::size_t i = 0, k = 0; i < lines_.size(); ++i) {
        if (k < kept.size() && kept[k] == i) {
            ++k;
        } else {
            (blocking += TextOf(lines_[i])) += '\n';
        }
    }
    HostsLines resumed = current;
    resumed.InsertAfterLastEntry(blocking);
    return resumed;
}

bool HostsLines::CompactableName(const Line& line, std::string& name, bool& ipv6) const {
    if (line.kind != LineKind::Entry || !line.shown) return false;
    const std::string text = TextOf(line);
    if (text.find('#') != std::string::npos) return false;
    std::string_view words = text;
    const std::string_view address = NextWord(words);
    const std::string_view only = NextWord(words);
    if (!IsBlockingAddress(address) || only.empty() || !NextWord(words).empty()) return false;
    name.assign(only);
    ipv6 = IsIpv6Address(address);
    return true;
}

HostsLines::Compaction HostsLines::PlanCompaction(std::vector<PlannedLine>* plan) const {
    constexpr std::size_t kNamesPerLine = 9;
    Compaction compaction;
    std::vector<std::string> v4;
    std::vector<std::string> v6;
    LineEnd firstEnd = LineEnd::None;
    LineEnd lastEnd = LineEnd::None;
    const auto flush = [&] {
        const std::size_t made = (v4.size() + kNamesPerLine - 1) / kNamesPerLine +
                                 (v6.size() + kNamesPerLine - 1) / kNamesPerLine;
        compaction.compacted += made;
        std::size_t written = 0;
        for (const auto& [address, names] : {std::pair{"0.0.0.0", &v4}, std::pair{"::", &v6}}) {
            for (std::size_t i = 0; plan && i < names->size(); i += kNamesPerLine) {
                std::string text = address;
                for (std::size_t j = i; j < std::min(i + kNamesPerLine, names->size()); ++j) {
                    text += ' ';
                    text += (*names)[j];
                }
                plan->push_back({kNone, std::move(text), ++written == made ? lastEnd : firstEnd});
            }
        }
        v4.clear();
        v6.clear();
    };
    std::string name;
    bool ipv6 = false;
    for (std::size_t index = 0; index < lines_.size(); ++index) {
        const Line& line = lines_[index];
        if (CompactableName(line, name, ipv6)) {
            if (v4.empty() && v6.empty()) firstEnd = line.end;
            lastEnd = line.end;
            (ipv6 ? v6 : v4).push_back(name);
            ++compaction.lines;
            continue;
        }
        if (!v4.empty() || !v6.empty()) flush();
        if (plan) plan->push_back({index, {}, line.end});
    }
    if (!v4.empty() || !v6.empty()) flush();
    return compaction;
}

HostsLines::Compaction HostsLines::CompactionOf() const {
    return PlanCompaction(nullptr);
}

std::size_t HostsLines::Compact() {
    std::vector<PlannedLine> plan;
    const Compaction compaction = PlanCompaction(&plan);
    if (compaction.Saved() == 0) return 0;
    std::vector<Line> out;
    out.reserve(plan.size());
    for (PlannedLine& planned : plan) {
        out.push_back(planned.keep != kNone ? lines_[planned.keep] : LineFromText(planned.text, planned.end));
    }
    Replace(std::move(out));
    return compaction.Saved();
}

namespace {

// NameHash of every name of the blocking entry lines.
std::vector<std::uint64_t> BlockedNames(const HostsLines& lines) {
    std::vector<std::uint64_t> names;
    std::string store;
    for (std::size_t i = 0; i < lines.Count(); ++i) {
        if (lines.Kind(i) != LineKind::Entry) continue;
        const std::string text = lines.Text(i);
        std::string_view words = EntryPart(text);
        if (!IsBlockingAddress(NextWord(words))) continue;
        for (std::string_view name = NextWord(words); !name.empty(); name = NextWord(words)) {
            names.push_back(NameHash(NameKey(name, store)));
        }
    }
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    return names;
}

}  // namespace

bool LostMostBlockedNames(const HostsLines& was, const HostsLines& is) {
    const std::vector<std::uint64_t> before = BlockedNames(was);
    const std::vector<std::uint64_t> now = BlockedNames(is);
    std::vector<std::uint64_t> kept;
    std::set_intersection(before.begin(), before.end(), now.begin(), now.end(), std::back_inserter(kept));
    return kept.size() * 2 < before.size();
}
