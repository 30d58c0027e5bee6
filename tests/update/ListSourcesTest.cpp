#include "update/ListSources.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string U32(std::uint32_t value) {
    std::string bytes;
    for (int i = 0; i < 4; ++i) bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
    return bytes;
}

std::string U64(std::uint64_t value) {
    return U32(static_cast<std::uint32_t>(value)) + U32(static_cast<std::uint32_t>(value >> 32));
}

std::string Text(const std::string& text) {
    return U32(static_cast<std::uint32_t>(text.size())) + text;
}

std::string Names(const std::vector<std::uint64_t>& names) {
    std::string bytes = U32(static_cast<std::uint32_t>(names.size()));
    for (std::uint64_t name : names) bytes += U64(name);
    return bytes;
}

std::string File(const std::vector<std::string>& records) {
    std::string bytes = "SMLS" + U32(1) + U32(static_cast<std::uint32_t>(records.size()));
    for (const std::string& record : records) bytes += record;
    return bytes;
}

std::string Record(const std::string& address, const std::vector<std::uint64_t>& listed,
                   const std::vector<std::uint64_t>& brought, const std::string& pending = "") {
    return Text(address) + Text(pending) + Names(listed) + Names(brought);
}

TEST(ListSources, WrittenAsReadAndReadAsWritten) {
    ListSources sources;
    ListSource& a = sources.Get("http://a.example/host.txt");
    a.listed = {1, 5, 0x8000000000000000ull};
    a.brought = {5};
    ListSource& b = sources.Get("http://b.example/list.txt");
    b.listed = {3};
    b.pendingDigest = "sha256:" + std::string(64, 'c');
    const std::string bytes = File({Record("http://a.example/host.txt", {1, 5, 0x8000000000000000ull}, {5}),
                                    Record("http://b.example/list.txt", {3}, {}, b.pendingDigest)});
    EXPECT_EQ(bytes, sources.Serialize());
    const ListSources read = ListSources::Parse(bytes);
    ASSERT_EQ(2u, read.All().size());
    EXPECT_EQ(bytes, read.Serialize());
    EXPECT_EQ(&read.All()[1], read.Find("HTTP://B.example/list.txt"));
    EXPECT_TRUE(read.ListedByOther(3, read.Find("http://a.example/host.txt")));
    EXPECT_FALSE(read.ListedByOther(3, read.Find("http://b.example/list.txt")));
}

// Whatever is malformed reads as no records, so nothing leaves HOSTS for it.
TEST(ListSources, MalformedFilesReadAsNoRecords) {
    const std::string one = File({Record("http://a.example/", {1, 5}, {5})});
    ASSERT_EQ(1u, ListSources::Parse(one).All().size());
    const std::string malformed[] = {
        "",
        one.substr(0, one.size() - 1),
        one + "x",
        "SMLT" + one.substr(4),
        one.substr(0, 4) + U32(2) + one.substr(8),
        "SMLS" + U32(1) + U32(2) + one.substr(12),
        "SMLS" + U32(1) + U32(0xFFFFFFFFu) + one.substr(12),
        File({Text("a") + Text("") + U32(0x7FFFFFFFu) + U64(1) + Names({})}),
        "SMLS" + U32(1) + U32(1) + U32(0xFFFFFFF0u) + "a",
        File({Record("a", {9, 5}, {})}),
        File({Record("a", {5, 5}, {5})}),
        File({Record("a", {5}, {6})}),
        // Two records of one site: the second would count as another
        // site's list, and keep in HOSTS every name the site drops.
        File({Record("http://a.example/", {1}, {1}), Record("http://A.example/", {2}, {})}),
        File({Record("", {}, {}), Record("", {0}, {})}),
    };
    for (const std::string& bytes : malformed) {
        EXPECT_TRUE(ListSources::Parse(bytes).All().empty()) << ::testing::PrintToString(bytes);
    }
}

// A record too large to read back is not written, so it cannot make the
// whole file unreadable.
TEST(ListSources, RecordsTooLargeToReadAreLeftOut) {
    ListSources sources;
    sources.Get("http://a.example/").listed = {1};
    sources.Get("http://b.example/" + std::string(70000, 'b')).listed = {2};
    sources.Get("http://c.example/").listed = {3};
    const ListSources read = ListSources::Parse(sources.Serialize());
    ASSERT_EQ(2u, read.All().size());
    EXPECT_EQ("http://a.example/", read.All()[0].address);
    EXPECT_EQ("http://c.example/", read.All()[1].address);
}

// Names the user typed are the user's: no list takes them out any more,
// though the lists still hold them.
TEST(ListSources, ClaimTakesNamesOutOfWhatListsBrought) {
    ListSources sources;
    sources.Get("a").listed = {1, 2, 3};
    sources.Get("a").brought = {1, 2};
    sources.Get("b").listed = {2, 4};
    sources.Get("b").brought = {2, 4};
    EXPECT_TRUE(sources.Claim({9, 2, 2}));
    EXPECT_EQ((std::vector<std::uint64_t>{1}), sources.Find("a")->brought);
    EXPECT_EQ((std::vector<std::uint64_t>{4}), sources.Find("b")->brought);
    EXPECT_EQ((std::vector<std::uint64_t>{1, 2, 3}), sources.Find("a")->listed);
    EXPECT_FALSE(sources.Claim({2}));
}

}  // namespace
