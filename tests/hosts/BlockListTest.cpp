#include "hosts/BlockList.h"
#include "hosts/HostsLine.h"
#include "hosts/HostsLines.h"
#include "tests/support/WholeFile.h"

#include "SitemoatConfig.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

using namespace std::string_literals;

const std::string kDomain1 = kProtectedDomain1;
const std::string kDomain2 = kProtectedDomain2;

std::string Upper(std::string text) {
    for (char& c : text) c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    return text;
}

std::string Lower(std::string text) {
    for (char& c : text) c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    return text;
}

// The result in one line: "added N" and every counter that is not zero.
std::string Describe(const ListMergeResult& result) {
    const ListDropCounts& d = result.dropped;
    const std::pair<const char*, std::size_t> counts[] = {
        {"not blocking", d.notBlocking}, {"local", d.localName},
        {"address", d.addressAsName},    {"invalid", d.invalidName},
        {"protected", d.protectedName},  {"excepted", d.excepted},
        {"repeated", d.repeatedInList},  {"held", d.alreadyHeld},
        {"over limit", d.overLimit},
    };
    std::string text = (result.isList ? "added " : "refused, added ") + std::to_string(result.added);
    for (const auto& [label, count] : counts) {
        if (count != 0) text += ", "s + label + " " + std::to_string(count);
    }
    return text;
}

TEST(ExceptionList, MatchesNamesAndWildcards) {
    const ExceptionList exceptions(
        "Ads.Example\r\n  # note\r\n\r\n \t spaced.example \t\n*.wild.example\r#commented.example\n");
    const std::pair<const char*, bool> cases[] = {
        {"ads.example", true},       {"ADS.eXample", true},        {"x.ads.example", false},
        {"ads.example.com", false},  {"spaced.example", true},     {"a.wild.example", true},
        {"X.Y.Wild.Example", true},  {"wild.example", false},      {"notwild.example", false},
        {"commented.example", false}, {"# note", false},           {"", false},
    };
    for (const auto& [name, matches] : cases) EXPECT_EQ(matches, exceptions.Matches(name)) << name;

    EXPECT_FALSE(exceptions.Empty());
    EXPECT_TRUE(ExceptionList("# remarks only\r\n\r\n   \r\n").Empty());
    EXPECT_TRUE(ExceptionList().Empty());
    EXPECT_FALSE(ExceptionList().Matches("ads.example"));
}

const char kTableHosts[] =
    "# HOSTS\r\n"
    "#0.0.0.0 commented.example\r\n"
    "127.0.0.1       localhost\r\n"
    "0.0.0.0 Held.Example\r\n"
    "1.2.3.4 redirect.example second.example # note\r\n";
const char kTableExceptions[] = "keep.example\n*.allowed.example\n";

struct ListCase {
    const char* what;
    std::string body;
    std::string added;
    const char* result;
};

TEST(BlockListMerger, ListFaults) {
    const ListCase cases[] = {
        {"domain-only lines", "Ads.Example\n  track.example  \n",
         "0.0.0.0 ads.example track.example\r\n", "added 2"},
        {"lone CR line ends", "0.0.0.0 a.example\r0.0.0.0 b.example\r",
         "0.0.0.0 a.example b.example\r\n", "added 2"},
        {"UTF-8 mark", "\xEF\xBB\xBF" "0.0.0.0 a.example\n", "0.0.0.0 a.example\r\n",
         "added 1"},
        {"NUL byte", "0.0.0.0 a.example\0" "0.0.0.0 b.example\n0.0.0.0 c.example"s,
         "0.0.0.0 a.example b.example c.example\r\n",
         "added 3"},
        {"HTML page", "\r\n  <!DOCTYPE html>\n<html><body>\n0.0.0.0 a.example\n</body></html>\n", "",
         "refused, added 0"},
        {"HTML after a mark", "\xEF\xBB\xBF<HEAD><TITLE>x</TITLE></HEAD><HTML>\n0.0.0.0 a.example\n",
         "",
         "refused, added 0"},
        {"XML", "<?xml version=\"1.0\"?>\n<Error>0.0.0.0 a.example</Error>\n", "", "refused, added 0"},
        {"gzip", "\x1F\x8B\x08\0\n0.0.0.0 a.example\n0.0.0.0 b.example\n0.0.0.0 c.example\n"
                 "0.0.0.0 d.example\n0.0.0.0 e.example\n0.0.0.0 f.example\n0.0.0.0 g.example\n"s,
         "", "refused, added 0"},
        {"control bytes", "0.0.0.0 a.example\n\x01\x02\x03\x04\x05\x06", "", "refused, added 0"},
        {"repeats", "0.0.0.0 a.example\n127.0.0.1 A.EXAMPLE\na.example\n0.0.0.0 b.example a.example\n",
         "0.0.0.0 a.example b.example\r\n", "added 2, repeated 3"},
        {"trailing comments",
         "0.0.0.0 a.example # ads\n0.0.0.0\ta.example\t#x\n0.0.0.0 b.example#y c.example\n",
         "0.0.0.0 a.example b.example\r\n", "added 2, repeated 1"},
        {"protected", "0.0.0.0 " + kDomain1 + "\n0.0.0.0 cdn." + kDomain2 + "\n127.0.0.1 WWW." +
                          Upper(kDomain1) + " a.example\n" + kDomain2 + "\n0.0.0.0 update.microsoft.com\n" +
                          "0.0.0.0 my" + kDomain1 + "\nwww.virustotal.com\n",
         "0.0.0.0 a.example my" + kDomain1 + "\r\n", "added 2, protected 6"},
        {"other addresses", "10.0.0.1 a.example\n1.2.3.4 b.example c.example\n::1 d.example\n"
                            ":: e.example\n0.0.0.00 f.example\nfe80::1%lo0 g.example\n",
         ":: d.example e.example\r\n", "added 2, not blocking 5"},
        {"local and IP names", "127.0.0.1 localhost\n127.0.0.1 LocalHost.LocalDomain\n127.0.0.1 local\n"
                               "255.255.255.255 broadcasthost\n0.0.0.0 broadcasthost\n"
                               "::1 ip6-localhost ip6-loopback\n0.0.0.0 0.0.0.0\n0.0.0.0 1.2.3.4\n"
                               ":: fe80::1\n0.0.0.0\n",
         "", "added 0, not blocking 1, local 6, address 4"},
        {"invalid names", "||ads.example^\n0.0.0.0 a..example\n0.0.0.0 .a.example\n"
                          "0.0.0.0 a.example.\n0.0.0.0 a/b.example\n0.0.0.0 中文.example\n"
                          "0.0.0.0 ok_1-x.example\n0.0.0.0 " + std::string(64, 'a') + ".example\n",
         "0.0.0.0 ok_1-x.example\r\n", "added 1, invalid 7"},
        {"excepted", "0.0.0.0 keep.example\n0.0.0.0 KEEP.example\n0.0.0.0 a.b.allowed.example\n"
                     "0.0.0.0 allowed.example\n",
         "0.0.0.0 allowed.example\r\n", "added 1, excepted 3"},
        {"held by HOSTS", "0.0.0.0 held.example\n0.0.0.0 HELD.example\n0.0.0.0 second.example\n"
                          "redirect.example\n0.0.0.0 note\n0.0.0.0 commented.example\n",
         "0.0.0.0 note commented.example\r\n", "added 2, held 4"},
    };
    const ExceptionList exceptions(kTableExceptions);
    for (const ListCase& c : cases) {
        BlockListMerger merger(kTableHosts);
        const ListMergeResult result = merger.Append(c.body, exceptions);
        EXPECT_EQ(c.added, merger.Added()) << c.what;
        EXPECT_EQ(c.result, Describe(result)) << c.what;
        EXPECT_EQ(result.added, merger.AddedCount()) << c.what;
    }
}

// The merger keeps names in blocks of 64 KB; a word of HOSTS may be longer.
TEST(BlockListMerger, HoldsHostsWordsLongerThanABlock) {
    BlockListMerger merger("0.0.0.0 " + std::string(70000, 'w') + " held.example\r\n0.0.0.0 b.example");
    const ListMergeResult result =
        merger.Append("0.0.0.0 held.example\n0.0.0.0 b.example\n0.0.0.0 new.example\n", {});
    EXPECT_EQ("added 1, held 2", Describe(result));
    EXPECT_EQ("0.0.0.0 new.example\r\n", merger.Added());
}

TEST(BlockListMerger, LaterListsSeeWhatEarlierOnesAdded) {
    BlockListMerger merger("0.0.0.0 held.example");
    EXPECT_EQ("added 2", Describe(merger.Append("0.0.0.0 a.example\n0.0.0.0 b.example\n", {})));
    EXPECT_EQ("refused, added 0", Describe(merger.Append("<html>0.0.0.0 x.example</html>", {})));
    const char* third = "b.example\nc.example\nheld.example\na.example\nc.example\n";
    EXPECT_EQ("added 1, repeated 1, held 3", Describe(merger.Append(third, {})));
    EXPECT_EQ("0.0.0.0 a.example b.example c.example\r\n",
              merger.Added());
    EXPECT_EQ(3u, merger.AddedCount());
}

// Nine names a line at most, IPv4 lines to 0.0.0.0 and IPv6 lines to ::;
// past the pass's limits nothing more is added.
TEST(BlockListMerger, WritesNineNamesALineWithinItsLimits) {
    std::string body;
    std::string names;
    for (int i = 1; i <= 20; ++i) {
        const std::string name = "n" + std::to_string(i) + ".example";
        body += (i % 3 == 0 ? "" : i % 3 == 1 ? "0.0.0.0 " : "127.0.0.1 ") + name + "\n";
        names += (i % 9 == 1 ? "0.0.0.0 " : " ") + name + (i % 9 == 0 || i == 20 ? "\r\n" : "");
    }
    body += "::1 v1.example\n:: v2.example v3.example\n";
    BlockListMerger merger("");
    EXPECT_EQ("added 23", Describe(merger.Append(body, {})));
    EXPECT_EQ(names + ":: v1.example v2.example v3.example\r\n", merger.Added());

    BlockListMerger fewNames("", 5);
    EXPECT_EQ("added 5, over limit 18", Describe(fewNames.Append(body, {})));
    // HOSTS of 10 bytes may grow to 50: the first name costs its line too.
    BlockListMerger fewBytes("0123456789", 100, 50);
    EXPECT_EQ("added 2, over limit 21", Describe(fewBytes.Append(body, {})));
    EXPECT_EQ("0.0.0.0 n1.example n2.example\r\n", fewBytes.Added());
    // IPv4 and IPv6 names go on lines of their own, and each line counts.
    BlockListMerger mixed("", 100, 40);
    EXPECT_EQ("added 2, over limit 1",
              Describe(mixed.Append("0.0.0.0 a.example\n:: b.example\n0.0.0.0 c.example\n", {})));
    EXPECT_EQ("0.0.0.0 a.example\r\n:: b.example\r\n", mixed.Added());
}

TEST(BlockListMerger, UnifiedHostsLayoutAddsOnlyBlockingEntries) {
    const std::string hosts =
        "# Copyright (c) 1993-2009 Microsoft Corp.\r\n"
        "#      102.54.94.97     rhino.acme.com          # source server\r\n"
        "\r\n"
        "# localhost name resolution is handled within DNS itself.\r\n"
        "127.0.0.1       localhost\r\n"
        "::1             localhost\r\n"
        "0.0.0.0         ads.example.com\r\n";
    const std::string list =
        "# Title: unified hosts\n"
        "# Number of unique domains: 4\n"
        "# ===============================================================\n"
        "\n"
        "127.0.0.1 localhost\n"
        "127.0.0.1 localhost.localdomain\n"
        "127.0.0.1 local\n"
        "255.255.255.255 broadcasthost\n"
        "::1 localhost\n"
        "::1 ip6-localhost\n"
        "::1 ip6-loopback\n"
        "fe80::1%lo0 localhost\n"
        "ff00::0 ip6-localnet\n"
        "ff02::1 ip6-allnodes\n"
        "0.0.0.0 0.0.0.0\n"
        "\n"
        "# Custom host records are listed here.\n"
        "#=====================================\n"
        "\n"
        "0.0.0.0 ads.example.com # also in HOSTS\n"
        "0.0.0.0 tracker.example.net # Tracking\n"
        "0.0.0.0 beacon.example.org\n"
        "# 0.0.0.0 disabled.example.org\n"
        "0.0.0.0 metrics.example.io #metrics\n";
    BlockListMerger merger(hosts);
    const ListMergeResult result = merger.Append(list, ExceptionList());
    EXPECT_EQ(hosts +
                  "0.0.0.0 tracker.example.net beacon.example.org metrics.example.io\r\n",
              hosts + merger.Added());
    EXPECT_EQ("added 3, not blocking 4, local 6, address 1, held 1", Describe(result));
}

// Only the excepted names go, from blocking lines only; a line goes when
// it has no name left.
TEST(HostsLines, ExceptionsTakeOutOnlyTheExceptedNames) {
    HostsLines hosts(
        "\xEF\xBB\xBF" "0.0.0.0 ads.example\r\n"
        "# ads hosts\r\n"
        "127.0.0.1       localhost\r\n"
        "0.0.0.0 ads.example.\n"
        "0.0.0.0 other.example\r\n"
        "127.0.0.1 img.cdn.example # ads\r\n"
        "0.0.0.0 cdn.example\r\n"
        "#0.0.0.0 ads.example\r\n"
        "10.1.2.3 ads.example\r\n"
        "\r\n"
        "0.0.0.0 first.example ADS.example\tlast.example\n"
        "::1\tx.y.cdn.example\r\n"
        "0.0.0.0 ads.example");
    const ExceptionList exceptions("ads.example.\n# remark\n*.cdn.example\n");
    EXPECT_EQ(6u, hosts.RemoveNames([&](std::string_view name) { return exceptions.Matches(name); },
                                    true));
    EXPECT_EQ(
        "\xEF\xBB\xBF"
        "# ads hosts\r\n"
        "127.0.0.1       localhost\r\n"
        "0.0.0.0 other.example\r\n"
        "0.0.0.0 cdn.example\r\n"
        "#0.0.0.0 ads.example\r\n"
        "10.1.2.3 ads.example\r\n"
        "\r\n"
        "0.0.0.0 first.example\tlast.example\n",
        hosts.Bytes());
}

// The names of a plain "0.0.0.0 name" list, lowered, in order.
std::vector<std::string> ListNames(const std::string& list) {
    std::vector<std::string> names;
    std::size_t start = 0;
    while (start < list.size()) {
        std::size_t end = std::min(list.find('\n', start), list.size());
        std::string line = list.substr(start, end - start);
        start = end + 1;
        if (line.empty() || line[0] == '#') continue;
        EXPECT_EQ(0u, line.rfind("0.0.0.0 ", 0)) << line;
        names.push_back(Lower(line.substr(8)));
    }
    return names;
}

TEST(BlockListMerger, RealListGivesThePlainUnion) {
    const char* dir = std::getenv("SITEMOAT_TEST_DATA");
    ASSERT_NE(nullptr, dir);
    const std::string coinminer = ReadWholeFile(std::string(dir) + "anudeep-coinminer.hosts");
    const std::string adservers = ReadWholeFile(std::string(dir) + "anudeep-adservers.hosts");

    const std::vector<std::string> heldNames = ListNames(coinminer);
    const std::set<std::string> held(heldNames.begin(), heldNames.end());
    std::set<std::string> seen;
    std::string expected;
    std::size_t added = 0;
    std::size_t alreadyHeld = 0;
    std::size_t repeated = 0;
    std::size_t protectedNames = 0;
    for (const std::string& name : ListNames(adservers)) {
        if (IsSystemServiceName(name)) {
            ++protectedNames;
        } else if (held.count(name) != 0) {
            ++alreadyHeld;
        } else if (!seen.insert(name).second) {
            ++repeated;
        } else {
            expected += (added % 9 == 0 ? "0.0.0.0 " : " ") + name + (added % 9 == 8 ? "\r\n" : "");
            ++added;
        }
    }
    ASSERT_GT(added, 40000u);
    if (added % 9 != 0) expected += "\r\n";

    BlockListMerger merger(coinminer);
    const ListMergeResult result = merger.Append(adservers, ExceptionList());
    // Not EXPECT_EQ: a difference would print megabytes.
    EXPECT_TRUE(expected == merger.Added());
    EXPECT_EQ("added " + std::to_string(added) + ", protected " + std::to_string(protectedNames) +
                  ", repeated " + std::to_string(repeated) + ", held " + std::to_string(alreadyHeld),
              Describe(result));
}

}  // namespace
