#pragma once

#include <string>
#include <vector>

// One line of block-list text cut into its two parts.
struct HostEntry {
    std::string address;  // text before the first space or tab
    std::string name;     // the rest, leading white space removed
};

// The HOSTS file and the block-list text format. Keeps no state between
// calls: every user makes its own instance when it needs one. All text is
// 8-bit text in the system's ANSI code page.
class HostsService {
public:
    // 0 unknown, 1 Win32s, 2 Windows 95/98, 3 Windows Me, 4 NT 4 or older,
    // 5 Windows 2000, 6 XP and later NT; below 4 is the 9x family.
    int GetWindowsVersionClass() const;
    std::string GetHostsFilePath() const;

    // Whole file as 8-bit text; UTF-16 files (with a byte-order mark) are
    // converted. Empty when the file is missing or cannot be opened.
    std::string ReadTextFile(const std::string& path) const;
    // Replaces the HOSTS file's text; never creates the file. True only when
    // the whole new text is in place.
    bool WriteHostsFile(const std::string& text) const;
    // Creates or replaces the file; true only when the whole text is in place.
    bool WriteTextFile(const std::string& path, const std::string& text) const;

    std::vector<std::string> SplitEntryLines(const std::string& text) const;
    std::vector<std::string> SplitRawLines(const std::string& text,
                                           const std::string& separators = "\r\n") const;
    HostEntry SplitHostEntry(const std::string& line) const;
    bool IsEntryLine(const std::string& line) const;
    // Appends to listText every entry of newText whose name listText does not
    // hold yet, in the 16-column written form, each after CR LF.
    void AppendNewEntries(std::string& listText, const std::string& newText) const;
    // Cuts a HOSTS text into entry lines and head lines (each ended by LF);
    // drops lines that would block the maker's sites and, if it dropped any,
    // rewrites the HOSTS file without them.
    void SortHostsText(const std::string& text, std::string& entryText,
                       std::string& headText) const;
    // The same cut without touching the HOSTS file, for text that is not
    // the HOSTS file's own (an import); true when a protected line was dropped.
    bool SplitHostsText(const std::string& text, std::string& entryText,
                        std::string& headText) const;
};
