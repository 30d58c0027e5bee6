// The update pass's merge: downloaded list bodies into the text of HOSTS,
// with the user's exceptions. Input parts: first list, HOSTS, exceptions,
// second list, limits (names, then bytes HOSTS may grow by).
//
// What it writes is blocking lines only, "0.0.0.0" or "::" and at most nine
// names, each a checked name that a list blocks at an address of that
// family, not local, not protected, not excepted, not held by HOSTS or
// written twice; within the pass's limits; and when no limit was reached,
// every such name. Every name of a list is counted once, added or dropped.
#include "base/TextEncoding.h"
#include "fuzz/FuzzSupport.h"
#include "fuzz/Reference.h"
#include "hosts/BlockList.h"
#include "hosts/HostsLine.h"
#include "hosts/HostsLines.h"

#include <map>
#include <set>
#include <string>

namespace {

bool RefIsBlockingAddress(std::string_view word) {
    return word == "0.0.0.0" || word == "127.0.0.1" || word == "::" || word == "::1";
}

bool RefIsIpv6(std::string_view address) {
    return address.find(':') != std::string_view::npos;
}

// Names HOSTS holds: every word after an entry line's first.
std::set<std::string> RefHeldNames(std::string_view hostsText) {
    std::set<std::string> held;
    for (std::string_view line : RefLines(RefWithoutMark(hostsText))) {
        const std::vector<std::string_view> words = RefEntryWords(line);
        for (std::size_t w = 1; w < words.size(); ++w) held.insert(RefKey(words[w]));
    }
    return held;
}

// A host name as written ("a.example." is none), and by its key not local,
// not protected and not excepted.
bool Checked(std::string_view word, const RefExceptions& exceptions) {
    const std::string key = RefKey(word);
    return IsHostName(word) && !LooksLikeAddress(word) && !IsLocalName(key) && !IsMakerName(key) &&
           !IsSystemServiceName(key) && !exceptions.Matches(key);
}

// The list's checked names with the families they are blocked at (4 or
// 6), and how many names its lines hold in all, blocking or not.
struct RefList {
    std::map<std::string, std::set<int>> names;
    std::size_t words = 0;
};

RefList ReadList(std::string_view body, const RefExceptions& exceptions) {
    RefList list;
    for (std::string_view line : RefLines(RefWithoutMark(body))) {
        const std::vector<std::string_view> words = RefEntryWords(line);
        if (words.empty()) continue;
        if (words.size() == 1) {
            ++list.words;
            if (Checked(words[0], exceptions)) list.names[RefKey(words[0])].insert(4);
            continue;
        }
        list.words += words.size() - 1;
        if (!RefIsBlockingAddress(words[0])) continue;
        for (std::size_t w = 1; w < words.size(); ++w) {
            if (!Checked(words[w], exceptions)) continue;
            list.names[RefKey(words[w])].insert(RefIsIpv6(words[0]) ? 6 : 4);
        }
    }
    return list;
}

std::size_t Total(const ListDropCounts& d) {
    return d.notBlocking + d.localName + d.addressAsName + d.invalidName + d.protectedName +
           d.excepted + d.repeatedInList + d.alreadyHeld + d.overLimit;
}

// The names of the merger's text, with their families, in order.
std::vector<std::pair<std::string, int>> ReadAdded(const std::string& added) {
    std::vector<std::pair<std::string, int>> names;
    bool ipv6Seen = false;
    std::size_t start = 0;
    while (start < added.size()) {
        const std::size_t end = added.find("\r\n", start);
        FUZZ_CHECK(end != std::string::npos);
        const std::string line = added.substr(start, end - start);
        start = end + 2;
        FUZZ_CHECK(line.find_first_of("\r\n\t") == std::string::npos);
        std::vector<std::string> words;
        for (std::size_t pos = 0; pos <= line.size();) {
            const std::size_t space = std::min(line.find(' ', pos), line.size());
            words.push_back(line.substr(pos, space - pos));
            pos = space + 1;
        }
        FUZZ_CHECK(words[0] == "0.0.0.0" || words[0] == "::");
        const int family = words[0] == "::" ? 6 : 4;
        // IPv4 lines first, then IPv6.
        FUZZ_CHECK(family == 6 || !ipv6Seen);
        ipv6Seen = ipv6Seen || family == 6;
        FUZZ_CHECK(words.size() >= 2);
        FUZZ_CHECK(words.size() - 1 <= BlockListMerger::kNamesPerLine);
        for (std::size_t w = 1; w < words.size(); ++w) names.emplace_back(words[w], family);
    }
    return names;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::string_view> parts = InputParts(data, size, 5);
    const std::string_view bodies[] = {parts[0], parts[3]};
    const std::string_view limits = parts[4];

    // As the update pass does it: HOSTS's text in the form the grammar reads.
    HostsLines lines{std::string(parts[1])};
    const std::string hostsText = ReadableText(lines.Bytes());
    std::size_t maxNames = BlockListMerger::kMaxNames;
    std::size_t maxBytes = BlockListMerger::kMaxHostsBytes;
    if (limits.size() >= 1) maxNames = static_cast<unsigned char>(limits[0]);
    if (limits.size() >= 3) {
        maxBytes = hostsText.size() + (static_cast<unsigned char>(limits[1]) |
                                       static_cast<std::size_t>(static_cast<unsigned char>(limits[2])) << 8);
    }
    const ExceptionList exceptions(parts[2]);
    const RefExceptions refExceptions(parts[2]);
    BlockListMerger merger(hostsText, maxNames, maxBytes);

    const std::set<std::string> held = RefHeldNames(hostsText);
    std::map<std::string, std::set<int>> expected;  // what the lists should bring
    bool overLimit = false;
    std::size_t added = 0;
    for (std::string_view body : bodies) {
        const std::string before = merger.Added();
        const ListMergeResult result = merger.Append(body, exceptions);
        FUZZ_CHECK(result.isList == IsBlockListBody(body));
        FUZZ_CHECK(result.added == result.brought.size());
        FUZZ_CHECK(result.brought.size() <= result.listed.size());
        added += result.added;
        FUZZ_CHECK(merger.AddedCount() == added);
        if (!result.isList) {
            FUZZ_CHECK(result.added == 0 && Total(result.dropped) == 0 && result.listed.empty());
            FUZZ_CHECK(merger.Added() == before);
            continue;
        }
        const RefList list = ReadList(body, refExceptions);
        FUZZ_CHECK(Total(result.dropped) + result.added == list.words);
        overLimit = overLimit || result.dropped.overLimit != 0;
        for (const auto& [name, families] : list.names) {
            if (held.count(name) != 0) continue;
            expected[name].insert(families.begin(), families.end());
        }
    }

    const std::string text = merger.Added();
    const std::vector<std::pair<std::string, int>> names = ReadAdded(text);
    FUZZ_CHECK(names.size() == added);
    FUZZ_CHECK(added <= maxNames);
    FUZZ_CHECK(text.size() <= (maxBytes > hostsText.size() ? maxBytes - hostsText.size() : 0));
    std::set<std::string> written;
    for (const auto& [name, family] : names) {
        FUZZ_CHECK(RefKey(name) == name);
        FUZZ_CHECK(written.insert(name).second);
        const auto found = expected.find(name);
        FUZZ_CHECK(found != expected.end());
        FUZZ_CHECK(found->second.count(family) != 0);
    }
    if (!overLimit) FUZZ_CHECK(written.size() == expected.size());

    // The update pass puts them after HOSTS's last entry line; nothing
    // else of HOSTS changes. (Empty lines aside: a CR and an LF of two
    // lines read as one CR LF once a line between them is gone.)
    const std::size_t last = lines.LastEntryLine();
    const std::size_t place = last == static_cast<std::size_t>(-1) ? lines.Count() : last + 1;
    std::vector<std::string> expectedTexts;
    for (std::size_t i = 0; i <= lines.Count(); ++i) {
        if (i == place) {
            for (std::size_t start = 0; start < text.size(); start = text.find("\r\n", start) + 2) {
                expectedTexts.push_back(text.substr(start, text.find("\r\n", start) - start));
            }
        }
        if (i < lines.Count() && !lines.Text(i).empty()) expectedTexts.push_back(lines.Text(i));
    }
    lines.InsertAfterLastEntry(text);
    const HostsLines after(lines.Bytes());
    FUZZ_CHECK(after.Encoding() == lines.Encoding());
    std::vector<std::string> texts;
    for (std::size_t i = 0; i < after.Count(); ++i) {
        if (!after.Text(i).empty()) texts.push_back(after.Text(i));
    }
    FUZZ_CHECK(texts == expectedTexts);
    return 0;
}
