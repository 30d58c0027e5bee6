#pragma once

#include <string>
#include <vector>

#include "hosts/FileText.h"
#include "hosts/HostsText.h"

// The HOSTS file and the block-list text format: the one door to them for
// the pages, the update pass and the tests, over the file functions
// (HostsFile.cpp) and the text functions (HostsText.cpp). Keeps no state
// between calls: every user makes its own instance when it needs one. Text handed
// to the editor and the merge is 8-bit text in the system's ANSI code page;
// the HOSTS file itself keeps its own encoding (FileText).
class HostsService {
public:
    // 0 unknown, 1 Win32s, 2 Windows 95/98, 3 Windows Me, 4 NT 4 or older,
    // 5 Windows 2000, 6 XP and later NT; below 4 is the 9x family.
    int GetWindowsVersionClass() const;
    std::string GetHostsFilePath() const;

    // A whole text file as ANSI text: UTF-16 and UTF-8 files are converted,
    // and NUL bytes, which no text holds, end a line instead of the text.
    // Empty when the file is missing or cannot be read.
    std::string ReadTextFile(const std::string& path) const;
    // A whole text file in its own encoding, or why it could not be read.
    // Read with read, write and delete sharing: the system's DNS client and
    // security tools hold the HOSTS file open.
    FileText ReadFileText(const std::string& path) const;
    FileText ReadHostsFile() const;
    // A file's text as ANSI text, the way ReadTextFile gives it.
    std::string AnsiText(const FileText& file) const;

    // Replaces the HOSTS file's text; never creates the file. Before any
    // write the file as it was is kept as a backup; a failed backup stops the
    // write. After it the system's DNS cache is emptied, so the new text
    // takes effect at once. The ANSI form is true only when the whole new
    // text is in place.
    bool WriteHostsFile(const std::string& text) const;
    // With expected, the write is refused (kErrorChangedMeanwhile) unless the
    // file still holds that text: another program changed it in between.
    WriteResult WriteHostsFile(const FileText& content, const FileText* expected = nullptr) const;
    // Creates or replaces the file; true only when the whole text is in place.
    bool WriteTextFile(const std::string& path, const std::string& text) const;
    WriteResult WriteFileText(const std::string& path, const FileText& content) const;

    std::vector<std::string> SplitEntryLines(const std::string& text) const;
    std::vector<std::string> SplitRawLines(const std::string& text,
                                           const std::string& separators = "\r\n") const;
    HostEntry SplitHostEntry(const std::string& line) const;
    bool IsEntryLine(const std::string& line) const;
    // Appends to listText every entry of newText whose name listText does not
    // hold yet, in the 16-column written form, each after CR LF.
    void AppendNewEntries(std::string& listText, const std::string& newText) const;
    // Cuts a HOSTS text into entry lines and head lines (each ended by LF)
    // and drops lines that would block the maker's sites; true when it
    // dropped one. It writes nothing: a caller that cut the HOSTS file's
    // own text writes it back without those lines itself.
    bool SortHostsText(const std::string& text, std::string& entryText,
                       std::string& headText) const;
    // The same cut of a HOSTS file in any encoding, for the editor: the entry
    // lines come as ANSI text, the head stays in the file's own encoding. A
    // line the editor could not show as it is (one holding a NUL byte, or
    // characters the ANSI code page lacks) stays with the head, so no save
    // ever loses it. True when a protected line was dropped.
    bool SplitForEditor(const FileText& hosts, std::string& entryText, std::string& headText) const;
    // A HOSTS file's text from a head in the encoding and ANSI entry text,
    // every line ended by CR LF, as Windows writes HOSTS.
    std::string ComposeHostsText(const std::string& headText, const std::string& entryText,
                                 TextEncoding encoding) const;
};
