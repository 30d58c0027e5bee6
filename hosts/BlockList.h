#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

// Merging downloaded block lists into HOSTS text. A downloaded list may
// block names; it may not send them anywhere else. Text is handled byte by
// byte: every character that matters here is ASCII, and no byte of a GBK or
// UTF-8 multibyte character is one of them.

// Names the user never wants blocked, from the text of the exception dialog:
// one name per line, "#" lines are remarks. "*.example.com" covers every name
// under example.com, not example.com itself. Immutable; copies share it.
class ExceptionList {
public:
    ExceptionList() = default;
    explicit ExceptionList(std::string_view text);

    bool Empty() const;
    // ASCII letters match in either case.
    bool Matches(std::string_view name) const;

private:
    struct Names;
    std::shared_ptr<const Names> names_;
};

// What a merge left out, one counter per reason, one count per name.
struct ListDropCounts {
    std::size_t notBlocking = 0;    // the line sends its names to another address
    std::size_t localName = 0;      // localhost, broadcasthost, ip6-... and the like
    std::size_t addressAsName = 0;  // "0.0.0.0 0.0.0.0"
    std::size_t invalidName = 0;    // not a host name, e.g. "||ads.example^"
    std::size_t protectedName = 0;  // would block the maker's sites
    std::size_t excepted = 0;
    std::size_t repeatedInList = 0;
    std::size_t alreadyHeld = 0;    // HOSTS or an earlier list has it
};

struct ListMergeResult {
    // False for a body that is no list (a web page, compressed or binary
    // data): nothing of it was appended, and the list should be fetched again.
    bool isList = false;
    std::size_t added = 0;
    ListDropCounts dropped;
};

// False for a body that is no list: empty, a web page, compressed or binary
// data. Such a body is refused whole and the list fetched again later.
bool IsBlockListBody(std::string_view body);

// Collects the new blocking entries of the lists of one update pass. Knows
// the names HOSTS holds and those it has added since; never changes the
// HOSTS text itself.
class BlockListMerger {
public:
    // hostsText: ANSI or UTF-8 bytes. Its names are read once, here.
    explicit BlockListMerger(std::string_view hostsText);
    ~BlockListMerger();
    BlockListMerger(BlockListMerger&&) noexcept;
    BlockListMerger& operator=(BlockListMerger&&) noexcept;

    // Adds the body's new blocking entries to Added(). Hosts lines keep their
    // blocking address (0.0.0.0, 127.0.0.1, :: or ::1); lines of a bare name
    // block it at 0.0.0.0.
    ListMergeResult Append(std::string_view listBody, const ExceptionList& exceptions);

    // Every entry added so far, each as CR LF and its 16-column written form,
    // ready to go after the HOSTS text.
    const std::string& Added() const { return added_; }
    std::size_t AddedCount() const { return addedCount_; }

private:
    struct HeldNames;
    std::unique_ptr<HeldNames> held_;
    std::string added_;
    std::size_t addedCount_ = 0;
    std::uint32_t listNumber_ = 0;
};

// Takes out of a HOSTS text (ANSI or UTF-8 bytes) the lines that block a
// name the exceptions cover, each with its own line end; every other byte
// stays as it was. Returns how many lines went.
std::size_t RemoveExceptedLines(std::string& hostsText, const ExceptionList& exceptions);
