#pragma once

#include <string>
#include <string_view>

// Pieces of the block-list line format shared by HostsService and the
// plain pairwise merge that tests and benchmarks hold it against.

// SplitHostEntry without copies: views into the line.
struct EntryParts {
    std::string_view address;
    std::string_view name;
};
EntryParts SplitEntryParts(std::string_view line);

// Appends CR LF and the entry in its written form: the address padded with
// spaces to 16 columns, then the name.
void AppendWrittenEntry(std::string& text, std::string_view address, std::string_view name);
