#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// Merging downloaded block lists into HOSTS text. A downloaded list may
// block names; it may not send them anywhere else, nor block the maker's
// sites or the system's own services. Lines are read by the HOSTS line
// grammar (HostsLine.h).

// Names the user never wants blocked, from the text of the exception dialog:
// one name per line, "#" lines are remarks. "*.example.com" covers every name
// under example.com, not example.com itself. Letter case and a trailing dot
// make no difference. Immutable; copies share it.
class ExceptionList {
public:
    ExceptionList() = default;
    explicit ExceptionList(std::string_view text);

    bool Empty() const;
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
    std::size_t protectedName = 0;  // the maker's sites, the system's update and security services
    std::size_t excepted = 0;
    std::size_t repeatedInList = 0;
    std::size_t alreadyHeld = 0;    // HOSTS or an earlier list has it
    std::size_t overLimit = 0;      // past what one pass may add (names, HOSTS size)
};

struct ListMergeResult {
    // False for a body that is no list (a web page, compressed or binary
    // data): nothing of it was appended, and the list should be fetched again.
    bool isList = false;
    std::size_t added = 0;
    ListDropCounts dropped;
    // NameHash of every name the list blocks, held already or not, once
    // each; and of those it added.
    std::vector<std::uint64_t> listed;
    std::vector<std::uint64_t> brought;
};

// False for a body that is no list: empty, a web page, compressed or binary
// data. Such a body is refused whole and the list fetched again later.
bool IsBlockListBody(std::string_view body);

// Collects the new blocking entries of the lists of one update pass. Knows
// the names HOSTS holds and those it has added since; never changes the
// HOSTS text itself.
class BlockListMerger {
public:
    // What one pass may add: past these, names are left out (overLimit).
    static constexpr std::size_t kMaxNames = 2000000;
    static constexpr std::size_t kMaxHostsBytes = 64u << 20;

    // hostsText: ANSI or UTF-8 text (HostsLines::Text, ReadableText). Its
    // names are read once, here.
    explicit BlockListMerger(std::string_view hostsText, std::size_t maxNames = kMaxNames,
                             std::size_t maxHostsBytes = kMaxHostsBytes);
    ~BlockListMerger();
    BlockListMerger(BlockListMerger&&) noexcept;
    BlockListMerger& operator=(BlockListMerger&&) noexcept;

    // Adds the body's new blocking entries to Added(). Names of IPv4 lines
    // (0.0.0.0 and 127.0.0.1) and lines of a bare name block at 0.0.0.0,
    // names of IPv6 lines (:: and ::1) at ::.
    ListMergeResult Append(std::string_view listBody, const ExceptionList& exceptions);

    // Every name added so far, in blocking lines of at most kNamesPerLine
    // names ("0.0.0.0 a b c", ":: d e"), each ended by CR LF: the DNS
    // client reads a long HOSTS far faster in few lines.
    std::string Added() const;
    std::size_t AddedCount() const { return ipv4_.size() + ipv6_.size(); }

    static constexpr std::size_t kNamesPerLine = 9;  // all the DNS client reads of a line

private:
    struct HeldNames;
    std::unique_ptr<HeldNames> held_;
    // Views into held_, which never moves them.
    std::vector<std::string_view> ipv4_;
    std::vector<std::string_view> ipv6_;
    std::uint32_t listNumber_ = 0;
    std::size_t maxNames_;
    std::size_t bytesLeft_;  // HOSTS may grow by this much more
};
