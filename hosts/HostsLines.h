#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "base/TextEncoding.h"

// What a line of a HOSTS file is.
enum class LineKind : std::uint8_t {
    Blank,         // nothing but white space
    Remark,        // a "#" line that comments out no entry
    CommentedOut,  // "#127.0.0.1 name": an entry switched off
    Local,         // an entry, or a commented-out one, whose only name is localhost
    Entry,         // an address and its names
};

// What the line is, by the line grammar; text as HostsLines::Text gives it.
LineKind KindOf(std::string_view text);

class HostsLines;
// True when most names the blocking lines of was blocked are not blocked
// by is: another program has put HOSTS back, an antivirus say.
bool LostMostBlockedNames(const HostsLines& was, const HostsLines& is);

// The text of a HOSTS file as it stands on disk: its encoding and
// byte-order mark, and every line in its place with its own end (CR LF, LF,
// CR or none). Nothing is normalised: a file loaded and rendered without an
// edit gives back its bytes, whatever they are. (An odd last byte of UTF-16,
// read with a zero byte, is written with it once the file is edited.)
//
// The editor shows the entry lines and commented-out entries that it can
// show as they are, in ANSI text (code page 936): lines holding control
// characters, a NUL byte, bytes no character of the code page is made of,
// or characters it lacks are never shown, and so never touched. Edits
// change only the lines they concern: an edited line is replaced where it
// stood, with its own end.
class HostsLines {
public:
    HostsLines();  // an empty ANSI file
    explicit HostsLines(std::string bytes);

    TextEncoding Encoding() const { return encoding_; }
    // The file as it stands, edits included.
    std::string Bytes() const;
    bool Edited() const { return edited_; }

    std::size_t Count() const { return lines_.size(); }
    LineKind Kind(std::size_t line) const { return lines_[line].kind; }
    bool Shown(std::size_t line) const { return lines_[line].shown; }
    // A line without its end, as the line grammar reads it: the bytes in
    // the file for ANSI and UTF-8 files, UTF-8 for UTF-16 ones.
    std::string Text(std::size_t line) const;
    // The line after which the update pass adds its entries: the last entry
    // line (localhost lines included), or npos when there is none.
    std::size_t LastEntryLine() const;

    // What the editor shows: the shown lines as ANSI text, each followed by LF.
    std::string ShownText() const;
    // The names of the entry lines, localhost aside: how many entries a
    // file holds.
    std::size_t EntryNameCount() const;

    // Changes the lines so that the shown ones read as the editor's text
    // (lines split at CR LF, CR or LF; blank lines left out). Lines the
    // editor still holds stay as they are, byte for byte; a line the editor
    // no longer holds goes; an edited line is replaced where it stood; a
    // line typed between two shown lines goes right after the first, one
    // typed at the end after the last entry line. True when a line changed;
    // showsAsEditor, when given, tells whether the shown lines now read as
    // the editor's text (not so when the user typed a remark, say).
    bool ApplyEditorText(std::string_view editorText, bool* showsAsEditor = nullptr);
    // The lines a change of the editor's text to this text types in:
    // replaced and added ones, as the editor holds them.
    std::vector<std::string> TypedLines(std::string_view editorText) const;
    // The same change, made by the editor to the text of base, onto target,
    // the file as another program left it. Matched by their text, base's
    // lines are found in target; where a line the editor replaced is no
    // longer there as it was, nothing happens and the result is false.
    // Lines typed after a line that target lacks go after its last entry line.
    static bool ApplyEditorTextOnto(const HostsLines& base, std::string_view editorText,
                                    HostsLines& target);

    // Takes names out of the shown entry lines (only those with a blocking
    // address when blockingOnly): only the name goes, with the blanks before
    // it, and the line goes only when no name is left. Remarks and
    // commented-out entries are never touched. Returns how many names went.
    std::size_t RemoveNames(const std::function<bool(std::string_view name)>& remove,
                            bool blockingOnly);
    // Adds lines (text as the line grammar reads it, lines split at CR or
    // LF, empty ones left out) after the last entry line, or at the end of
    // a file that has none.
    void InsertAfterLastEntry(std::string_view text);

    // The text without its blocking lines (entry lines at a blocking
    // address), as a pause writes it; kept, when given, receives the index
    // of every line that stays.
    HostsLines WithoutBlockingLines(std::vector<std::size_t>* kept = nullptr) const;
    // This text, HOSTS as it was before a pause, with the changes made
    // since to the paused text (WithoutBlockingLines) that current shows:
    // lines changed, taken out or added stay so, the blocking lines come
    // back where they stood. Nothing of current is lost.
    HostsLines Resumed(const HostsLines& current) const;

    // Lines that block one name and carry no remark, shown ones only: how
    // many there are, and how many lines they make nine names a line.
    struct Compaction {
        std::size_t lines = 0;
        std::size_t compacted = 0;
        std::size_t Saved() const { return lines - compacted; }
    };
    Compaction CompactionOf() const;
    // Puts each run of such lines together where it stood, nine names a
    // line, IPv4 names at 0.0.0.0 and IPv6 names at ::. Returns the lines saved.
    std::size_t Compact();

    // The shown lines, then the lines of the editor's text that are none of
    // them: what the user typed, kept on top of this text.
    std::string ShownTextKeeping(std::string_view editorText) const;

private:
    enum class LineEnd : std::uint8_t { None, Lf, Cr, CrLf };
    struct Line {
        std::uint32_t offset = 0;  // into source_, or the index in added_
        std::uint32_t size = 0;    // bytes of the line without its end
        LineEnd end = LineEnd::None;
        LineKind kind = LineKind::Blank;
        bool shown = false;
        bool added = false;
        bool ascii = false;  // the editor shows the bytes as they are
    };
    // The shown lines: their ANSI text, and for each its line's index.
    struct ShownLines {
        std::string text;
        std::vector<std::string_view> lines;
        std::vector<std::size_t> where;
    };
    struct EditScript;

    void Split();
    std::string_view Raw(const Line& line) const;
    std::string_view EndBytes(LineEnd end) const;
    // The ANSI text of a line; false when the editor cannot show it as it is.
    bool AnsiOf(const Line& line, std::string& ansi) const;
    void Classify(Line& line) const;
    Line MakeLine(std::string raw, LineEnd end);
    Line LineFromAnsi(std::string_view ansi, LineEnd end);
    Line LineFromText(std::string_view text, LineEnd end);
    LineEnd CommonEnd() const;
    static void FixEnds(std::vector<Line>& lines, bool lastAdded, LineEnd common,
                        bool endedWithLineEnd);
    // The one name a compactable line blocks, and whether at an IPv6 address.
    bool CompactableName(const Line& line, std::string& name, bool& ipv6) const;
    // A line of the text after a compaction: one kept (its index), or a new one.
    struct PlannedLine {
        std::size_t keep;
        std::string text;
        LineEnd end;
    };
    Compaction PlanCompaction(std::vector<PlannedLine>* plan) const;
    std::string TextOf(const Line& line) const;
    ShownLines Shown() const;
    static EditScript Diff(const std::vector<std::string_view>& base,
                           const std::vector<std::string_view>& edited);
    // Every line as it stands in the file, without its end.
    std::vector<std::string_view> RawLines() const;
    // False when a line to replace is missing; newShown, when given, tells
    // whether every line written in is one the editor shows.
    bool Apply(const EditScript& script, const std::vector<std::size_t>& where,
               bool* newShown = nullptr);
    void Replace(std::vector<Line> lines);

    std::string source_;                // the file as read
    bool padded_ = false;               // source_ has a zero byte the file lacks
    std::vector<std::string> added_;    // bytes of lines written since
    std::vector<Line> lines_;
    TextEncoding encoding_ = TextEncoding::Ansi;
    bool edited_ = false;
};
