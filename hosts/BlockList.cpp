#include "hosts/BlockList.h"
#include "hosts/HostsLine.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>
#include <unordered_set>
#include <vector>

namespace {

enum CharClass : unsigned char {
    kLineEnd = 1,  // CR, LF and NUL: a NUL ends a line, never the list
    kBlank = 2,    // space, tab, VT, FF and NUL
    kUpper = 8,
};

constexpr std::array<unsigned char, 256> MakeClasses() {
    std::array<unsigned char, 256> table{};
    table['\t'] = kBlank;
    table['\v'] = kBlank;
    table['\f'] = kBlank;
    table[' '] = kBlank;
    table['\r'] = kLineEnd;
    table['\n'] = kLineEnd;
    table[0] |= kLineEnd | kBlank;
    for (int c = 'A'; c <= 'Z'; ++c) table[c] = kUpper;
    return table;
}
constexpr std::array<unsigned char, 256> kClasses = MakeClasses();

bool Is(char c, unsigned char classes) {
    return (kClasses[static_cast<unsigned char>(c)] & classes) != 0;
}

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kDomainOnlyAddress = "0.0.0.0";
// The addresses of the lines the merger writes.
constexpr std::string_view kIpv4Line = "0.0.0.0";
constexpr std::string_view kIpv6Line = "::";
constexpr std::size_t kMarkupProbeLength = 1024;
// More control bytes than one in this many: binary data, not text.
constexpr std::size_t kControlShareLimit = 32;

std::string_view WithoutMark(std::string_view text) {
    if (text.substr(0, kUtf8Mark.size()) == kUtf8Mark) text.remove_prefix(kUtf8Mark.size());
    return text;
}

// Calls visit(line) for every line that is not empty.
template <typename Visit>
void ForEachLine(std::string_view text, Visit visit) {
    std::size_t start = 0;
    for (std::size_t pos = 0; pos < text.size(); ++pos) {
        if (Is(text[pos], kLineEnd)) {
            if (pos > start) visit(text.substr(start, pos - start));
            start = pos + 1;
        }
    }
    if (start < text.size()) visit(text.substr(start));
}

std::size_t CountWords(std::string_view text) {
    std::size_t count = 0;
    while (!NextWord(text).empty()) ++count;
    return count;
}

enum class NameForm { kHost, kAddress, kInvalid };

// The name's key (NameKey) in name when it is a plausible host name.
NameForm ReadName(std::string_view word, std::string& name) {
    if (LooksLikeAddress(word)) return NameForm::kAddress;
    if (!IsHostName(word)) return NameForm::kInvalid;
    std::string store;
    name.assign(NameKey(word, store));
    return NameForm::kHost;
}

bool IsMarkup(std::string_view body) {
    std::size_t start = 0;
    while (start < body.size() && Is(body[start], kBlank | kLineEnd)) ++start;
    if (start == body.size() || body[start] != '<') return false;
    std::string head(body.substr(start, kMarkupProbeLength));
    for (char& c : head) {
        if (Is(c, kUpper)) c = static_cast<char>(c - 'A' + 'a');
    }
    return head.compare(0, 5, "<?xml") == 0 || head.find("<html") != std::string::npos ||
           head.find("<!doctype") != std::string::npos;
}

bool IsBinary(std::string_view body) {
    if (body.size() >= 2 && body[0] == '\x1F' && body[1] == '\x8B') return true;  // gzip
    // Control bytes: below space but tab, CR and LF, and DEL. Counted in a
    // form the compiler turns into vector code: the body may be megabytes.
    std::size_t controls = 0;
    for (char c : body) {
        const auto u = static_cast<unsigned char>(c);
        controls += static_cast<std::size_t>(((u < 0x20) & (u != '\t') & (u != '\r') & (u != '\n')) |
                                             (u == 0x7F));
    }
    return controls * kControlShareLimit > body.size();
}

std::string LoweredKey(std::string_view text) {
    std::string store;
    return std::string(NameKey(text, store));
}

// FNV-1a taken from a name's last byte backwards: one walk from the end
// passes the hash of every dot suffix.
constexpr std::uint32_t kHashBasis = 2166136261u;

std::uint32_t HashStep(std::uint32_t hash, char c) {
    return (hash ^ static_cast<unsigned char>(c)) * 16777619u;
}

std::uint32_t BackwardHash(std::string_view name) {
    std::uint32_t hash = kHashBasis;
    for (std::size_t i = name.size(); i-- > 0;) hash = HashStep(hash, name[i]);
    return hash;
}

// One bit per value of a hash's top bits. A clear bit rules a name out
// without the cost of a set lookup, which nearly every name would pay.
class HashFilter {
public:
    void Add(std::uint32_t hash) { bits_[Bit(hash) / 64] |= std::uint64_t(1) << (Bit(hash) % 64); }
    bool MayHold(std::uint32_t hash) const {
        return (bits_[Bit(hash) / 64] >> (Bit(hash) % 64) & 1) != 0;
    }

private:
    static constexpr int kBitCount = 16;
    static std::uint32_t Bit(std::uint32_t hash) { return hash >> (32 - kBitCount); }
    std::array<std::uint64_t, (1u << kBitCount) / 64> bits_{};
};

}  // namespace

struct ExceptionList::Names {
    bool Holds(std::string_view name) const {
        std::uint32_t hash = kHashBasis;
        for (std::size_t i = name.size(); i-- > 0;) {
            if (name[i] == '.' && parentFilter.MayHold(hash) &&
                parents.count(name.substr(i + 1)) != 0) {
                return true;
            }
            hash = HashStep(hash, name[i]);
        }
        return exactFilter.MayHold(hash) && exact.count(name) != 0;
    }

    // The sets view these strings, which stay put once the sets are built.
    std::vector<std::string> exactStore;
    std::vector<std::string> parentStore;
    std::unordered_set<std::string_view> exact;
    std::unordered_set<std::string_view> parents;  // "example.com" of "*.example.com"
    HashFilter exactFilter;
    HashFilter parentFilter;
};

ExceptionList::ExceptionList(std::string_view text) {
    auto names = std::make_shared<Names>();
    ForEachLine(text, [&](std::string_view line) {
        std::size_t first = 0;
        while (first < line.size() && Is(line[first], kBlank)) ++first;
        std::size_t end = line.size();
        while (end > first && Is(line[end - 1], kBlank)) --end;
        const std::string_view name = line.substr(first, end - first);
        if (name.empty() || name.front() == '#') return;
        if (name.substr(0, 2) == "*.") {
            if (name.size() > 2) names->parentStore.push_back(LoweredKey(name.substr(2)));
        } else {
            names->exactStore.push_back(LoweredKey(name));
        }
    });
    for (const std::string& name : names->exactStore) {
        names->exact.insert(name);
        names->exactFilter.Add(BackwardHash(name));
    }
    for (const std::string& name : names->parentStore) {
        names->parents.insert(name);
        names->parentFilter.Add(BackwardHash(name));
    }
    names_ = std::move(names);
}

bool ExceptionList::Empty() const {
    return !names_ || (names_->exact.empty() && names_->parents.empty());
}

bool ExceptionList::Matches(std::string_view name) const {
    if (Empty()) return false;
    std::string store;
    return names_->Holds(NameKey(name, store));
}

struct BlockListMerger::HeldNames {
    static constexpr std::size_t kBlockSize = 1 << 16;

    // Names live in blocks that never move, so the table's keys stay valid.
    std::string_view Keep(std::string_view name) {
        if (name.size() > blockSize - blockUsed) {
            // A word of HOSTS may be longer than a block: it gets one of its own.
            blockSize = std::max(kBlockSize, name.size());
            blocks.push_back(std::make_unique<char[]>(blockSize));
            blockUsed = 0;
        }
        char* place = blocks.back().get() + blockUsed;
        std::memcpy(place, name.data(), name.size());
        blockUsed += name.size();
        return {place, name.size()};
    }
    // The name the last successful Insert kept.
    std::string_view Last() const { return names.back(); }
    // Takes back the last successful Insert. Nothing inserted since probed
    // past its slot, so emptying the slot leaves every other name findable.
    void Forget() {
        blockUsed -= names.back().size();
        names.pop_back();
        slots[lastSlot] = Slot();
    }

    // Room for this many names in all without growing on the way.
    void Reserve(std::size_t count) {
        if (count * 4 > slots.size() * 3) Rehash(count);
        names.reserve(count);
    }

    // True when the name was new; number then becomes its owner. hash is
    // NameHash(name).
    bool Insert(std::string_view name, std::uint64_t hash, std::uint32_t number, std::uint32_t& owner) {
        if ((names.size() + 1) * 4 > slots.size() * 3) Rehash(names.size() + 1);
        std::size_t i = Home(hash);
        for (;; i = (i + 1) & (slots.size() - 1)) {
            const Slot& slot = slots[i];
            if (slot.index == 0) break;
            if (slot.hash == hash && names[slot.index - 1] == name) {
                owner = slot.owner;
                return false;
            }
        }
        names.push_back(Keep(name));
        slots[i] = Slot{hash, static_cast<std::uint32_t>(names.size()), number};
        lastSlot = i;
        owner = number;
        return true;
    }

    // A name's hash, where it is in names, and which list brought it: 0
    // for HOSTS, then the lists in order.
    struct Slot {
        std::uint64_t hash = 0;
        std::uint32_t index = 0;  // one past; 0: the slot is free
        std::uint32_t owner = 0;
    };

    std::size_t Home(std::uint64_t hash) const {
        // The seed keeps a list's author from choosing names that crowd
        // one run of slots; the multiplication spreads FNV's low bits.
        return static_cast<std::size_t>(((hash ^ seed) * 0x9E3779B97F4A7C15ull) >> shift);
    }

    void Rehash(std::size_t count) {
        std::size_t size = 16;
        int bits = 4;
        while (count * 4 > size * 3) {
            size *= 2;
            ++bits;
        }
        std::vector<Slot> old(size);
        old.swap(slots);
        shift = 64 - bits;
        for (const Slot& slot : old) {
            if (slot.index == 0) continue;
            std::size_t i = Home(slot.hash);
            while (slots[i].index != 0) i = (i + 1) & (slots.size() - 1);
            slots[i] = slot;
        }
    }

    std::vector<std::unique_ptr<char[]>> blocks;
    std::size_t blockSize = 0;  // of the last block
    std::size_t blockUsed = 0;
    // Every name held, in the order kept.
    std::vector<std::string_view> names;
    // Open addressing, probed one slot on, at most three quarters full.
    std::vector<Slot> slots;
    std::size_t lastSlot = 0;
    int shift = 64;
    std::uint64_t seed = static_cast<std::uint64_t>(
        std::chrono::steady_clock::now().time_since_epoch().count());
};

BlockListMerger::BlockListMerger(std::string_view hostsText, std::size_t maxNames,
                                 std::size_t maxHostsBytes)
    : held_(std::make_unique<HeldNames>()),
      maxNames_(maxNames),
      bytesLeft_(maxHostsBytes > hostsText.size() ? maxHostsBytes - hostsText.size() : 0) {
    hostsText = WithoutMark(hostsText);
    // Room for a name a line to start with, the table grows past that.
    held_->Reserve(std::min(static_cast<std::size_t>(std::count(hostsText.begin(), hostsText.end(), '\n')),
                            maxNames_));
    std::string store;
    std::uint32_t owner = 0;
    ForEachLine(hostsText, [&](std::string_view line) {
        std::string_view rest = EntryPart(line);
        // A word alone blocks nothing; the names follow the address.
        if (NextWord(rest).empty()) return;
        for (std::string_view word = NextWord(rest); !word.empty(); word = NextWord(rest)) {
            const std::string_view key = NameKey(word, store);
            held_->Insert(key, NameHash(key), 0, owner);
        }
    });
}

std::string BlockListMerger::Added() const {
    std::string text;
    for (const auto& [address, names] : {std::pair{kIpv4Line, &ipv4_}, std::pair{kIpv6Line, &ipv6_}}) {
        for (std::size_t i = 0; i < names->size(); ++i) {
            text += i % kNamesPerLine == 0 ? address : "";
            text += ' ';
            text += (*names)[i];
            if (i % kNamesPerLine == kNamesPerLine - 1 || i + 1 == names->size()) text += "\r\n";
        }
    }
    return text;
}

bool IsBlockListBody(std::string_view body) {
    if (IsBinary(body)) return false;
    body = WithoutMark(body);
    // Nothing at all is a server's hiccup more often than an emptied list.
    const bool blank = std::all_of(body.begin(), body.end(), [](char c) { return Is(c, kBlank | kLineEnd); });
    return !blank && !IsMarkup(body);
}

BlockListMerger::~BlockListMerger() = default;
BlockListMerger::BlockListMerger(BlockListMerger&&) noexcept = default;
BlockListMerger& BlockListMerger::operator=(BlockListMerger&&) noexcept = default;

ListMergeResult BlockListMerger::Append(std::string_view listBody,
                                        const ExceptionList& exceptions) {
    ListMergeResult result;
    if (!IsBlockListBody(listBody)) return result;
    listBody = WithoutMark(listBody);
    result.isList = true;
    ++listNumber_;
    // One growth of the table for the whole list, not several along the way;
    // a body of empty lines asks for no more room than a pass may add.
    const auto lines = static_cast<std::size_t>(std::count(listBody.begin(), listBody.end(), '\n'));
    held_->Reserve(held_->names.size() + std::min(lines, maxNames_));

    ListDropCounts& dropped = result.dropped;
    std::string name;
    const auto mergeName = [&](std::string_view address, std::string_view word) {
        switch (ReadName(word, name)) {
        case NameForm::kAddress: ++dropped.addressAsName; return;
        case NameForm::kInvalid: ++dropped.invalidName; return;
        case NameForm::kHost: break;
        }
        if (IsLocalName(name)) {
            ++dropped.localName;
            return;
        }
        if (IsMakerName(name) || IsSystemServiceName(name)) {
            ++dropped.protectedName;
            return;
        }
        if (exceptions.Matches(name)) {
            ++dropped.excepted;
            return;
        }
        std::uint32_t owner = 0;
        const std::uint64_t hash = NameHash(name);
        if (!held_->Insert(name, hash, listNumber_, owner)) {
            if (owner == listNumber_) {
                ++dropped.repeatedInList;
            } else {
                ++dropped.alreadyHeld;
                result.listed.push_back(hash);
            }
            return;
        }
        // Past the limits the list holds the name all the same.
        result.listed.push_back(hash);
        // A name and a space, and a line's address and end for every ninth
        // of its family: IPv4 and IPv6 names go on lines of their own.
        const bool ipv6 = IsIpv6Address(address);
        std::vector<std::string_view>& family = ipv6 ? ipv6_ : ipv4_;
        const std::size_t lineCost = (ipv6 ? kIpv6Line : kIpv4Line).size() + 2;
        const std::size_t cost = name.size() + 1 + (family.size() % kNamesPerLine == 0 ? lineCost : 0);
        if (AddedCount() >= maxNames_ || cost > bytesLeft_) {
            held_->Forget();
            ++dropped.overLimit;
            return;
        }
        family.push_back(held_->Last());
        result.brought.push_back(result.listed.back());
        bytesLeft_ -= cost;
        ++result.added;
    };

    ForEachLine(listBody, [&](std::string_view line) {
        std::string_view rest = EntryPart(line);
        const std::string_view first = NextWord(rest);
        if (first.empty()) return;
        const std::string_view second = NextWord(rest);
        if (second.empty()) {
            mergeName(kDomainOnlyAddress, first);
            return;
        }
        if (!IsBlockingAddress(first)) {
            dropped.notBlocking += 1 + CountWords(rest);
            return;
        }
        for (std::string_view word = second; !word.empty(); word = NextWord(rest)) {
            mergeName(first, word);
        }
    });
    return result;
}
