#include "hosts/HostsText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

// In GBK 丄 is 81 41 and 乤 is 81 61: their second bytes are "A" and "a".
// 乗 ends in 5C ("\"), 華 in 41 ("A").

TEST(SplitEntryLines, LowersTrimsAndDropsCommentsAndBlankLines) {
    EXPECT_EQ(Lines{"127.0.0.1\twww.example.com"},
              SplitEntryLines("127.0.0.1\tWWW.Example.COM\r\n"));
    EXPECT_EQ((Lines{"127.0.0.1  a.com  b.com", "0.0.0.0 x.org", "1.2.3.4 y.net"}),
              SplitEntryLines("# Head\r\n\r\n  # indented\r\n   \r\n\t127.0.0.1  A.com  B.com \t\r\n"
                                    "\n\n0.0.0.0 x.org\n\v\f 1.2.3.4 y.net \v\r\n#\n"));
    EXPECT_EQ(Lines{}, SplitEntryLines(""));
    EXPECT_EQ(Lines{}, SplitEntryLines("\r\n \n#127.0.0.1 a.com\n"));
}

TEST(SplitEntryLines, KeepsDoubleByteCharactersWhole) {
    EXPECT_EQ((Lines{"0.0.0.0 丄.cn", "0.0.0.0 乤.cn", "0.0.0.0 ａｂ.華.cn", "乗 ω.cn"}),
              SplitEntryLines("0.0.0.0 丄.CN\n0.0.0.0 乤.cn \r\n0.0.0.0 ＡＢ.華.CN\r\n乗 Ω.cn"));
}

TEST(SplitRawLines, LowersOnlyAndCutsAtRunsOfSeparators) {
    EXPECT_EQ((Lines{"a", "b c", "  # x ", "\t"}),
              SplitRawLines("A\r\n\r\nB c\n  # X \r\t\r\n"));
    EXPECT_EQ((Lines{"a", "b", "c"}), SplitRawLines(";a;b;;c;", ";"));
    EXPECT_EQ(Lines{}, SplitRawLines("\r\n\r\n"));
}

TEST(SplitRawLines, NeverCutsInsideADoubleByteCharacter) {
    EXPECT_EQ((Lines{"乗", "b"}), SplitRawLines("乗\\B", "\\"));
    EXPECT_EQ((Lines{"華", "x"}), SplitRawLines("華AX", "A"));
}

TEST(SplitHostEntry, CutsAtTheFirstSpaceOrTab) {
    struct Case {
        const char* line;
        const char* address;
        const char* name;
    };
    const Case cases[] = {
        {"127.0.0.1\tName.com", "127.0.0.1", "Name.com"},
        {"127.0.0.1   a.com b.com # ads", "127.0.0.1", "a.com b.com # ads"},
        {"1.2.3.4 \t  x.com ", "1.2.3.4", "x.com "},
        {"a\tb c", "a", "b c"},
        {"a b\tc", "a", "b\tc"},
        {"1.2.3.4\v\tx.com", "1.2.3.4", "x.com"},
        {"localhost", "localhost", ""},
        {" 1.2.3.4 x.com", "", "1.2.3.4 x.com"},
        {"", "", ""},
        {"1.2.3.4 中文.网站", "1.2.3.4", "中文.网站"},
    };
    for (const Case& c : cases) {
        const HostEntry entry = SplitHostEntry(c.line);
        EXPECT_EQ(c.address, entry.address) << c.line;
        EXPECT_EQ(c.name, entry.name) << c.line;
    }
}

TEST(IsEntryLine, EntriesAndCommentedOutEntries) {
    for (const char* line : {"127.0.0.1 x.com", "x.com", " # indented remark", "#127.0.0.1 x.com",
                             "#  102.54.94.97  rhino.acme.com", "#1.2.3.4", "#\t1 2 3 4", "#12 34"}) {
        EXPECT_TRUE(IsEntryLine(line)) << line;
    }
    for (const char* line : {"", "#", "# comment", "#12.3", "#1.2.3 x.com", "#12a34", "#中1234",
                             "#-1234"}) {
        EXPECT_FALSE(IsEntryLine(line)) << line;
    }
}

std::string Appended(std::string listText, const std::string& newText) {
    AppendNewEntries(listText, newText);
    return listText;
}

TEST(AppendNewEntries, AppendsUnknownNamesInTheWrittenForm) {
    EXPECT_EQ("127.0.0.1 a.com\r\n\r\n127.0.0.1       B.com",
              Appended("127.0.0.1 a.com\r\n", "127.0.0.1 B.com\r\n0.0.0.0 A.COM\n"));
    EXPECT_EQ("127.0.0.1 a.com\r\n1.1.1.1         c.com", Appended("127.0.0.1 a.com", "1.1.1.1 c.com"));
    EXPECT_EQ("\r\n0.0.0.0         B.com\tc.com", Appended("", "  0.0.0.0\tB.com\tc.com  \r\n"));
    EXPECT_EQ("\r\nExample.com     ", Appended("", "Example.com\r\n"));
}

TEST(AppendNewEntries, LongAddressKeepsOneSpaceBeforeTheName) {
    EXPECT_EQ("\r\n255.255.255.255 a.com\r\n0000:0000:0000:1 b.com\r\n1234:5678:9ABC::1 c.com",
              Appended("", "255.255.255.255 a.com\n0000:0000:0000:1 b.com\n1234:5678:9ABC::1\tc.com"));
}

TEST(AppendNewEntries, LeavesTheListTextAsItWas) {
    const std::string list = "# My List\r\n127.0.0.1   X.Com\r\n\r\n#0.0.0.0 y.com\n";
    EXPECT_EQ(list, Appended(list, "0.0.0.0 x.COM\n  # 0.0.0.0 z.com\n#comment\n   \n"));
    EXPECT_EQ(list + "\r\n0.0.0.0         y.com", Appended(list, "0.0.0.0 y.com"));
}

TEST(AppendNewEntries, WholeNamePartMustMatch) {
    EXPECT_EQ("127.0.0.1 a.com #ads\r\n\r\n0.0.0.0         a.com",
              Appended("127.0.0.1 a.com #ads\r\n", "0.0.0.0 a.com"));
    EXPECT_EQ("0.0.0.0 a.com b.com\r\n0.0.0.0         a.com",
              Appended("0.0.0.0 a.com b.com", "0.0.0.0 a.com b.com\n0.0.0.0 a.com"));
}

TEST(AppendNewEntries, RepeatedNewNamesAreAllAppended) {
    EXPECT_EQ("1.1.1.1 a.com\r\n0.0.0.0         d.com\r\n127.0.0.1       D.com",
              Appended("1.1.1.1 a.com", "0.0.0.0 d.com\n127.0.0.1 D.com\n0.0.0.0 a.com"));
}

TEST(AppendNewEntries, ComparesDoubleByteNamesAsCharacters) {
    // 丄 and 乤 differ only in a second byte that is an ASCII letter.
    EXPECT_EQ("127.0.0.1 丄.cn\r\n0.0.0.0         乤.cn",
              Appended("127.0.0.1 丄.cn", "0.0.0.0 乤.cn\n0.0.0.0 丄.CN"));
    EXPECT_EQ("127.0.0.1 ＡＢ.中文\r\n0.0.0.0         Ω.cn\r\n0.0.0.0         ω.cn",
              Appended("127.0.0.1 ＡＢ.中文", "0.0.0.0 ａｂ.中文\n0.0.0.0 Ω.cn\n0.0.0.0 ω.cn"));
}

}  // namespace
