#pragma once

#include <windows.h>

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "base/TextFile.h"
#include "hosts/HostsLines.h"
#include "hosts/HostsPause.h"

// What one of the document's rules did to HOSTS. Dropping it unread does
// not compile: every failure must be told or handled.
struct [[nodiscard]] HostsOutcome {
    DWORD readError = ERROR_SUCCESS;  // HOSTS could not be read: nothing was done
    WriteResult write;                // the write, when one was needed
    bool written = false;             // HOSTS now holds new bytes
    // Another program changed HOSTS and a line the user edited is no longer
    // there as it was: nothing was written. The document now holds the file
    // as it is; ShownTextKeeping gives the editor that file and the user's text.
    bool conflict = false;
    // HOSTS could not be read before, and now can: nothing was written; the
    // user sees what it holds, with their text kept, before saving.
    bool readAgain = false;
    // The editor no longer shows what the document holds: fill it anew.
    bool refill = false;
    std::size_t names = 0;  // names taken out (the maker's sites, exceptions)
    // NameHash of the names on the lines a save wrote in as the user typed them.
    std::vector<std::uint64_t> typedNames;

    bool Ok() const { return readError == ERROR_SUCCESS && write.Ok() && !conflict && !readAgain; }
    // Why it failed, in plain Chinese.
    std::string Reason() const;
};

// The HOSTS file behind the custom hosts page and the update pass, and the
// rules by which it is written: nothing but what the user or a rule changed
// ever changes, every write is backed up first, and a write never goes over
// what another program wrote since the document read the file.
class HostsDocument {
public:
    // Reads HOSTS. Names of the maker's sites are taken out of its entry
    // lines (only those names), and the file is written back without them.
    // A missing file reads as empty; saves then fail, as it is never created.
    HostsOutcome Load();
    // The same, for bytes just written by another writer of HOSTS (the
    // update pass).
    HostsOutcome Adopt(std::string bytes);
    // False until HOSTS has been read once.
    bool Loaded() const { return loaded_; }

    // The text the editor shows: Lines().ShownText().
    const HostsLines& Lines() const { return lines_; }

    // Writes the editor's text: only the lines it changed change, nothing
    // is written when none did. When another program changed HOSTS since,
    // the edits go onto the file as it is now.
    HostsOutcome Save(std::string_view editorText);
    // The bytes a save would write, for an export.
    std::string Export(std::string_view editorText) const;
    // The editor's text kept on top of the document as it now is.
    std::string ShownTextKeeping(std::string_view editorText) const {
        return lines_.ShownTextKeeping(editorText);
    }
    // Makes a backup's bytes the text the editor shows and the next save
    // writes; HOSTS itself is not touched until then.
    void Restore(std::string backupBytes);
    // Takes names out of HOSTS's blocking lines (only those names) and
    // writes it; the editor's text, what the user typed included, loses
    // them too.
    HostsOutcome TakeOut(const std::function<bool(std::string_view name)>& remove,
                         std::string& editorText);
    // Pauses blocking until then (see HostsPause): HOSTS loses its blocking
    // lines, after a backup; the file as it was is kept first, to come back.
    HostsOutcome Pause(const HostsPause& pause, unsigned long long until, std::string& editorText);
    // Blocking back: HOSTS as it was before the pause, with what was saved
    // meanwhile (HostsLines::Resumed). Nothing happens when nothing is paused.
    HostsOutcome Resume(const HostsPause& pause, std::string& editorText);

    // Puts HOSTS's single-name blocking lines together, nine names a line
    // (HostsLines::Compact), and writes it; names counts the lines saved.
    // The editor's text keeps what the user typed.
    HostsOutcome Compact(std::string& editorText);

    // HOSTS as it is, and as the program last wrote it, when another program
    // has since taken out most of the names that blocked (an antivirus
    // that put HOSTS back, say).
    struct Reset {
        std::string now;
        std::string written;
    };
    static bool FindReset(Reset& reset);
    // Writes HOSTS back as the program last wrote it, if it still is as found.
    HostsOutcome Restore(const Reset& reset);

    // The update pass's rule: edit gets HOSTS's lines as they are now and
    // changes them; they are written when they changed, unless another
    // program wrote meanwhile, in which case edit runs again on its text.
    HostsOutcome Update(const std::function<void(HostsLines&)>& edit);

private:
    // Changes HOSTS by a rule of the program's and writes it; change
    // returns what outcome.names counts. The editor's text becomes the file
    // as written with what the user typed on top, changed by the rule too
    // when typedToo.
    HostsOutcome Rewrite(const std::function<std::size_t(HostsLines&)>& change, bool typedToo,
                         std::string& editorText);
    // The document now holds bytes, as HOSTS does.
    void Take(std::string bytes);

    std::string disk_;  // HOSTS's bytes as last read or written
    HostsLines lines_;  // the text the editor shows, from disk_ or a backup
    bool loaded_ = false;
};
