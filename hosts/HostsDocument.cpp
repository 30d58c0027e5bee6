#include "hosts/HostsDocument.h"

#include "hosts/HostsBackup.h"
#include "hosts/HostsFile.h"
#include "hosts/HostsLine.h"

namespace {

// Another program that keeps rewriting HOSTS gets this many tries.
constexpr int kWriteAttempts = 3;

}  // namespace

std::string HostsOutcome::Reason() const {
    if (readError != ERROR_SUCCESS) return FileErrorReason(readError);
    if (conflict) return FileErrorReason(kErrorChangedMeanwhile);
    return FileErrorReason(write);
}

void HostsDocument::Take(std::string bytes) {
    disk_ = std::move(bytes);
    lines_ = HostsLines(disk_);
    loaded_ = true;
}

HostsOutcome HostsDocument::Load() {
    std::string bytes;
    const DWORD error = ReadHostsFile(bytes);
    if (error != ERROR_SUCCESS) {
        // Shown as empty, a file that exists would be saved empty over every
        // line it has: only a missing one counts as read.
        if (IsMissingFileError(error)) {
            Take(std::string());
        } else {
            *this = HostsDocument();
        }
        HostsOutcome outcome;
        outcome.readError = error;
        return outcome;
    }
    return Adopt(std::move(bytes));
}

HostsOutcome HostsDocument::Adopt(std::string bytes) {
    HostsOutcome outcome;
    Take(std::move(bytes));
    outcome.names = lines_.RemoveNames(IsMakerName, false);
    if (outcome.names == 0) return outcome;
    const std::string cleaned = lines_.Bytes();
    outcome.write = WriteHostsFile(cleaned, &disk_);
    // Left in the text the editor shows all the same: the next save
    // writes it.
    if (!outcome.write.Ok()) return outcome;
    outcome.written = true;
    Take(cleaned);
    return outcome;
}

HostsOutcome HostsDocument::Save(std::string_view editorText) {
    HostsOutcome outcome;
    std::string now;
    if ((outcome.readError = ReadHostsFile(now))) return outcome;
    if (!loaded_) {
        // Readable at last: the user sees what it holds, with what they
        // typed, before anything is written over it.
        Take(std::move(now));
        lines_.RemoveNames(IsMakerName, false);
        outcome.readAgain = true;
        return outcome;
    }
    HostsLines edited = lines_;
    bool showsAsEditor = true;
    if (now == disk_) {
        edited.ApplyEditorText(editorText, &showsAsEditor);
    } else {
        edited = HostsLines(now);
        if (!HostsLines::ApplyEditorTextOnto(lines_, editorText, edited)) {
            Take(std::move(now));
            outcome.conflict = true;
            return outcome;
        }
        outcome.refill = true;
    }
    std::string bytes = edited.Bytes();
    if (bytes != now) {
        outcome.write = WriteHostsFile(bytes, &now);
        if (!outcome.write.Ok()) return outcome;
        outcome.written = true;
        for (const std::string& line : lines_.TypedLines(editorText)) {
            std::string_view words = EntryPart(line);
            NextWord(words);
            std::string store;
            for (std::string_view name = NextWord(words); !name.empty(); name = NextWord(words)) {
                outcome.typedNames.push_back(NameHash(NameKey(name, store)));
            }
        }
    }
    // The edited lines are the file now: no need to read them again.
    disk_ = std::move(bytes);
    lines_ = std::move(edited);
    if (!showsAsEditor) outcome.refill = true;
    return outcome;
}

std::string HostsDocument::Export(std::string_view editorText) const {
    HostsLines edited = lines_;
    edited.ApplyEditorText(editorText);
    return edited.Bytes();
}

void HostsDocument::Restore(std::string backupBytes) {
    lines_ = HostsLines(std::move(backupBytes));
    lines_.RemoveNames(IsMakerName, false);
}

HostsOutcome HostsDocument::TakeOut(const std::function<bool(std::string_view name)>& remove,
                                    std::string& editorText) {
    return Rewrite([&](HostsLines& lines) { return lines.RemoveNames(remove, true); }, true, editorText);
}

HostsOutcome HostsDocument::Pause(const HostsPause& pause, unsigned long long until,
                                  std::string& editorText) {
    DWORD stored = ERROR_SUCCESS;
    HostsOutcome outcome = Rewrite(
        [&](HostsLines& lines) -> std::size_t {
            // Kept before HOSTS changes: what the pause takes out must come back.
            stored = pause.Write({lines.Bytes(), until});
            if (stored != ERROR_SUCCESS) return 0;
            lines = lines.WithoutBlockingLines();
            return 1;
        },
        false, editorText);
    if (outcome.Ok() && stored != ERROR_SUCCESS) outcome.write.error = stored;
    if (!outcome.Ok()) pause.Remove();
    return outcome;
}

HostsOutcome HostsDocument::Resume(const HostsPause& pause, std::string& editorText) {
    HostsPause::State state;
    if (!pause.Read(state)) {
        // Damaged beyond reading: HOSTS as it was is in the backups.
        if (pause.Exists()) pause.Remove();
        return HostsOutcome();
    }
    const HostsLines original(state.original);
    HostsOutcome outcome = Rewrite(
        [&](HostsLines& lines) -> std::size_t {
            lines = original.Resumed(lines);
            return 1;
        },
        false, editorText);
    if (outcome.Ok()) pause.Remove();
    return outcome;
}

HostsOutcome HostsDocument::Compact(std::string& editorText) {
    return Rewrite([](HostsLines& lines) { return lines.Compact(); }, false, editorText);
}

HostsOutcome HostsDocument::Rewrite(const std::function<std::size_t(HostsLines&)>& change,
                                    bool typedToo, std::string& editorText) {
    const HostsLines before = lines_;
    std::size_t changed = 0;
    HostsOutcome outcome = Update([&](HostsLines& lines) { changed = change(lines); });
    if (!outcome.Ok()) return outcome;
    outcome.names = changed;
    HostsLines shown = lines_;
    if (HostsLines::ApplyEditorTextOnto(before, editorText, shown)) {
        if (typedToo) change(shown);
        editorText = shown.ShownText();
    } else {
        editorText = lines_.ShownTextKeeping(editorText);
    }
    outcome.refill = true;
    return outcome;
}

bool HostsDocument::FindReset(Reset& reset) {
    if (ReadHostsFile(reset.now) != ERROR_SUCCESS) return false;
    if (ReadFileBytes(HostsBackups().WrittenPath(), reset.written) != ERROR_SUCCESS) return false;
    return reset.now != reset.written &&
           LostMostBlockedNames(HostsLines(reset.written), HostsLines(reset.now));
}

HostsOutcome HostsDocument::Restore(const Reset& reset) {
    HostsOutcome outcome;
    outcome.write = WriteHostsFile(reset.written, &reset.now);
    if (outcome.write.Ok()) {
        outcome.written = true;
        Take(reset.written);
    }
    return outcome;
}

HostsOutcome HostsDocument::Update(const std::function<void(HostsLines&)>& edit) {
    HostsOutcome outcome;
    for (int attempt = 0; attempt < kWriteAttempts; ++attempt) {
        std::string now;
        if ((outcome.readError = ReadHostsFile(now))) return outcome;
        HostsLines lines(now);
        edit(lines);
        std::string bytes = lines.Bytes();
        if (bytes == now) {
            Take(std::move(now));
            return outcome;
        }
        outcome.write = WriteHostsFile(bytes, &now);
        if (outcome.write.error == kErrorChangedMeanwhile) continue;
        if (outcome.write.Ok()) {
            outcome.written = true;
            // As after a save, the edited lines are the file now.
            disk_ = std::move(bytes);
            lines_ = std::move(lines);
            loaded_ = true;
        }
        return outcome;
    }
    return outcome;
}
