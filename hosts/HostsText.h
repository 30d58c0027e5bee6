#pragma once

#include <string>
#include <string_view>
#include <vector>

// Block-list text as the editor and an import see it: lines cut, trimmed
// and split into address and names, and new entries appended in the
// written form. Lines are read by the HOSTS line grammar (HostsLine.h).

// One line of block-list text cut into its two parts.
struct HostEntry {
    std::string address;  // text before the first space or tab
    std::string name;     // the rest, leading white space removed
};

// SplitHostEntry without copies: views into the line.
struct EntryParts {
    std::string_view address;
    std::string_view name;
};
EntryParts SplitEntryParts(std::string_view line);
HostEntry SplitHostEntry(const std::string& line);

// Appends CR LF and the entry in its written form: the address padded with
// spaces to 16 columns, then the name.
void AppendWrittenEntry(std::string& text, std::string_view address, std::string_view name);

// The entry lines of a text, lowered and trimmed; blank and "#" lines left out.
std::vector<std::string> SplitEntryLines(const std::string& text);
// The pieces between runs of the separator characters, each lowered.
std::vector<std::string> SplitRawLines(const std::string& text, const std::string& separators = "\r\n");
// True for an entry line or a commented-out entry ("#127.0.0.1 x").
bool IsEntryLine(const std::string& line);
// Appends to listText every entry of newText whose name part listText does
// not hold yet (letter case aside), in the written form, each after CR LF.
// The entries keep their letter case; listText itself stays as it was.
void AppendNewEntries(std::string& listText, const std::string& newText);
