#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "hosts/FileText.h"

// The block-list line format: the text side of HostsService, and the pieces
// it shares with the block-list merger and the plain pairwise merge that
// tests and benchmarks hold it against.

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

// Appends CR LF and the entry in its written form: the address padded with
// spaces to 16 columns, then the name.
void AppendWrittenEntry(std::string& text, std::string_view address, std::string_view name);

namespace hosts_text {

std::vector<std::string> SplitEntryLines(const std::string& text);
std::vector<std::string> SplitRawLines(const std::string& text, const std::string& separators);
HostEntry SplitHostEntry(const std::string& line);
bool IsEntryLine(const std::string& line);
void AppendNewEntries(std::string& listText, const std::string& newText);
bool SortHostsText(const std::string& text, std::string& entryText, std::string& headText);
bool SplitForEditor(const FileText& hosts, std::string& entryText, std::string& headText);
std::string ComposeHostsText(const std::string& headText, const std::string& entryText,
                             TextEncoding encoding);

}  // namespace hosts_text
