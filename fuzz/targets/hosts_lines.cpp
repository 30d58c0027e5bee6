// The HOSTS document: load, the editor's text, saves, saves onto another
// program's version, and names taken out. Input parts: the file, the
// editor's text after the user's edit, the file as another program left it.
//
// Loading and saving with no edit gives back the bytes; a save with the
// editor's text unchanged changes nothing; an edit never changes a line
// that was not shown; the file written reads back as the editor showed it,
// in its own encoding. A pause and its end, and compaction, keep what
// they do not change.
#include "base/TextEncoding.h"
#include "fuzz/FuzzSupport.h"
#include "hosts/HostsLine.h"
#include "hosts/HostsLines.h"

#include <string>

namespace {

// A line of the file as bytes: its text and its end ("" for none).
struct RawLine {
    std::string_view text;
    std::string_view end;
};

// Lines at CR LF, CR or LF (at CR and at LF, when crLf is false), in code
// units of the encoding; an odd last byte of UTF-16 is read with a zero byte.
std::vector<RawLine> RawLines(std::string& bytes, TextEncoding encoding, bool crLf) {
    if (IsUtf16(encoding) && bytes.size() % 2 != 0) bytes += '\0';
    std::string_view text(bytes);
    text.remove_prefix(ByteOrderMark(encoding).size());
    const std::size_t unit = IsUtf16(encoding) ? 2 : 1;
    const auto is = [&](std::size_t at, char c) {
        if (at + unit > text.size()) return false;
        if (unit == 1) return text[at] == c;
        const bool big = encoding == TextEncoding::Utf16Be;
        return text[at + (big ? 1 : 0)] == c && text[at + (big ? 0 : 1)] == '\0';
    };
    std::vector<RawLine> lines;
    std::size_t start = 0;
    std::size_t pos = 0;
    while (pos < text.size()) {
        if (pos + unit > text.size()) {
            pos = text.size();
            break;
        }
        if (is(pos, '\n') || is(pos, '\r')) {
            const std::size_t endSize = crLf && is(pos, '\r') && is(pos + unit, '\n') ? 2 * unit : unit;
            lines.push_back({text.substr(start, pos - start), text.substr(pos, endSize)});
            pos += endSize;
            start = pos;
        } else {
            pos += unit;
        }
    }
    if (start < text.size()) lines.push_back({text.substr(start), {}});
    return lines;
}

// The lines not shown in before are in after, in order, as they were; one
// that had no end may have gained one. Compared piece by piece between
// single CR and LF: with a line between them gone, a CR and an LF of two
// lines make one CR LF, every byte kept.
void CheckHiddenLinesKept(const HostsLines& before, const std::string& afterBytes) {
    std::string beforeBytes = before.Bytes();
    std::string nowBytes = afterBytes;
    const std::vector<RawLine> old = RawLines(beforeBytes, before.Encoding(), true);
    const std::vector<RawLine> now = RawLines(nowBytes, before.Encoding(), false);
    FUZZ_CHECK(old.size() == before.Count());
    std::vector<RawLine> hidden;
    for (std::size_t i = 0; i < old.size(); ++i) {
        if (before.Shown(i)) continue;
        const std::size_t unit = IsUtf16(before.Encoding()) ? 2 : 1;
        hidden.push_back({old[i].text, old[i].end.substr(0, unit)});
        if (old[i].end.size() > unit) hidden.push_back({{}, old[i].end.substr(unit)});
    }
    std::size_t next = 0;
    for (const RawLine& line : hidden) {
        while (next < now.size() &&
               !(now[next].text == line.text && (line.end.empty() || now[next].end == line.end))) {
            ++next;
        }
        FUZZ_CHECK(next < now.size());
        ++next;
    }
}

// The text of every non-empty line of before is in after, in order: a
// line's end may take the style of the file it goes into.
void CheckEveryLineKept(const HostsLines& before, const std::string& afterBytes) {
    std::string beforeBytes = before.Bytes();
    std::string nowBytes = afterBytes;
    const std::vector<RawLine> old = RawLines(beforeBytes, before.Encoding(), false);
    const std::vector<RawLine> now = RawLines(nowBytes, before.Encoding(), false);
    std::size_t next = 0;
    for (const RawLine& line : old) {
        if (line.text.empty()) continue;
        while (next < now.size() && now[next].text != line.text) ++next;
        FUZZ_CHECK(next < now.size());
        ++next;
    }
}

// The editor's lines as the editor shows them: split at CR LF, CR or LF,
// blank ones left out, each followed by LF.
std::string EditorShows(std::string_view text) {
    std::string shown;
    std::size_t start = 0;
    for (std::size_t pos = 0; pos <= text.size(); ++pos) {
        if (pos < text.size() && text[pos] != '\r' && text[pos] != '\n') continue;
        const std::string_view line = text.substr(start, pos - start);
        if (!TrimLeadingBlanks(line).empty()) (shown += line) += '\n';
        start = pos + 1;
    }
    return shown;
}

bool IsAscii(std::string_view bytes) {
    for (char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    }
    return true;
}

// What was saved reads back in the file's encoding, as it was shown. Text
// without a mark may read as another encoding when what is left of it
// looks like one: ASCII reads as ANSI and UTF-8 alike, ANSI text may be
// well-formed UTF-8, and a line that begins like a mark may come first.
void CheckReadsBack(const HostsLines& saved, TextEncoding encoding) {
    const std::string bytes = saved.Bytes();
    const HostsLines again(bytes);
    if (again.Encoding() == encoding) {
        FUZZ_CHECK(again.ShownText() == saved.ShownText());
        return;
    }
    FUZZ_CHECK(encoding == TextEncoding::Ansi || encoding == TextEncoding::Utf8);
    FUZZ_CHECK(encoding == TextEncoding::Ansi || IsAscii(bytes) ||
               again.Encoding() == TextEncoding::Utf8WithMark);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::string_view> parts = InputParts(data, size, 3);
    const std::string file(parts[0]);
    const std::string_view editor = parts[1];

    const HostsLines loaded(file);
    FUZZ_CHECK(loaded.Bytes() == file);
    const std::string shown = loaded.ShownText();
    std::size_t shownCount = 0;
    for (std::size_t i = 0; i < loaded.Count(); ++i) shownCount += loaded.Shown(i);
    FUZZ_CHECK(static_cast<std::size_t>(std::count(shown.begin(), shown.end(), '\n')) == shownCount);
    FUZZ_CHECK(shown.find('\r') == std::string::npos);

    // The editor's text unchanged: nothing changes.
    HostsLines unchanged = loaded;
    FUZZ_CHECK(!unchanged.ApplyEditorText(shown));
    FUZZ_CHECK(unchanged.Bytes() == file);
    FUZZ_CHECK(!unchanged.Edited());

    // An edit.
    HostsLines edited = loaded;
    bool showsAsEditor = false;
    const bool changed = edited.ApplyEditorText(editor, &showsAsEditor);
    if (!changed) FUZZ_CHECK(edited.Bytes() == file);
    CheckHiddenLinesKept(loaded, edited.Bytes());
    CheckReadsBack(edited, loaded.Encoding());
    if (showsAsEditor) FUZZ_CHECK(edited.ShownText() == EditorShows(editor));

    // The same edit onto the same file as another program's gives the same
    // bytes; onto another file it keeps that file's hidden lines.
    HostsLines same(file);
    FUZZ_CHECK(HostsLines::ApplyEditorTextOnto(loaded, editor, same));
    FUZZ_CHECK(same.Bytes() == edited.Bytes());
    const std::string theirs(parts[2]);
    HostsLines other(theirs);
    if (HostsLines::ApplyEditorTextOnto(loaded, editor, other)) {
        CheckHiddenLinesKept(HostsLines(theirs), other.Bytes());
        CheckReadsBack(other, other.Encoding());
    } else {
        FUZZ_CHECK(other.Bytes() == theirs);
    }

    // Names taken out: a second pass finds none left, and what was not
    // shown stays.
    HostsLines taken = loaded;
    const bool blockingOnly = size % 2 == 0;
    const auto remove = [](std::string_view name) { return NameHash(name) % 3 == 0; };
    taken.RemoveNames(remove, blockingOnly);
    FUZZ_CHECK(taken.RemoveNames(remove, blockingOnly) == 0);
    CheckHiddenLinesKept(loaded, taken.Bytes());
    CheckReadsBack(taken, loaded.Encoding());

    // A pause: no blocking line is left; resumed with no change it is the
    // file again; resumed after an edit it keeps every line of the paused
    // file and blocks every name the file blocked.
    const auto any = [](std::string_view) { return true; };
    const auto blockedCount = [&](HostsLines lines) { return lines.RemoveNames(any, true); };
    const HostsLines paused = loaded.WithoutBlockingLines();
    FUZZ_CHECK(blockedCount(paused) == 0);
    FUZZ_CHECK(loaded.Resumed(paused).Bytes() == file);
    HostsLines pausedEdited = paused;
    pausedEdited.ApplyEditorText(editor);
    const HostsLines resumed = loaded.Resumed(pausedEdited);
    CheckEveryLineKept(pausedEdited, resumed.Bytes());
    FUZZ_CHECK(blockedCount(resumed) >= blockedCount(loaded));

    // Compaction saves the lines it said it would, blocks the same names
    // and keeps the lines it does not put together.
    HostsLines compacted = loaded;
    const HostsLines::Compaction planned = loaded.CompactionOf();
    FUZZ_CHECK(compacted.Compact() == planned.Saved());
    FUZZ_CHECK(compacted.Count() == loaded.Count() - planned.Saved());
    FUZZ_CHECK(compacted.EntryNameCount() == loaded.EntryNameCount());
    FUZZ_CHECK(compacted.CompactionOf().Saved() == 0);
    CheckHiddenLinesKept(loaded, compacted.Bytes());
    CheckReadsBack(compacted, loaded.Encoding());
    return 0;
}
