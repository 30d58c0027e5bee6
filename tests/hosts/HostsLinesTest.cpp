#include "hosts/HostsLine.h"
#include "hosts/HostsLines.h"
#include "tests/support/TestText.h"
#include "tests/support/WholeFile.h"
#include "tests/support/WindowsHosts.h"

#include "SitemoatConfig.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

using namespace std::string_literals;

std::string Utf16(const std::u16string& text, bool bigEndian) {
    return Utf16Bytes(text, bigEndian);
}

// What the editor shows is GBK; written out, so that a compiler that keeps
// narrow literals in UTF-8 (the native build's) reads them alike.
const std::string kGbkAds = "\xB9\xE3\xB8\xE6";     // 广告
const std::string kGbkNew = "\xD0\xC2";              // 新
const std::string kGbkBlock = "\xC6\xC1\xB1\xCE";   // 屏蔽

// A file, what the editor shows of it, what the user leaves in the editor,
// and the bytes a save writes. Text literals are GBK, u8 literals UTF-8.
struct SaveRow {
    const char* what;
    std::string before;
    std::string shown;
    std::string editor;
    std::string after;
};

TEST(HostsLines, SavesChangeOnlyWhatTheUserChanged) {
    const std::string mixed = "# My Hosts\n\n10.0.0.5 NAS.Home\n# see sitemoat.example for help\n"
                              "0.0.0.0 Ads.Example  # ad\n\n0.0.0.0 b.example\n# the end\n";
    const SaveRow rows[] = {
        {"Windows' own file, no edit", kWindowsHosts,
         "#      102.54.94.97     rhino.acme.com          # source server\n"
         "#       38.25.63.10     x.acme.com              # x client host\n",
         "#      102.54.94.97     rhino.acme.com          # source server\n"
         "#       38.25.63.10     x.acme.com              # x client host\n",
         kWindowsHosts},
        {"LF, comments between entries, case, an edit in the middle and a line typed at the end",
         mixed, "10.0.0.5 NAS.Home\n0.0.0.0 Ads.Example  # ad\n0.0.0.0 b.example\n",
         "10.0.0.5 NAS.Home\n0.0.0.0 Ads.Example2  # ad\n\n0.0.0.0 b.example\n0.0.0.0 New.example\n",
         "# My Hosts\n\n10.0.0.5 NAS.Home\n# see sitemoat.example for help\n"
         "0.0.0.0 Ads.Example2  # ad\n\n0.0.0.0 b.example\n0.0.0.0 New.example\n# the end\n"},
        {"a line typed between two entries goes after the first", mixed, "",
         "10.0.0.5 NAS.Home\n0.0.0.0 between.example\r0.0.0.0 Ads.Example  # ad\r\n0.0.0.0 b.example",
         "# My Hosts\n\n10.0.0.5 NAS.Home\n0.0.0.0 between.example\n# see sitemoat.example for help\n"
         "0.0.0.0 Ads.Example  # ad\n\n0.0.0.0 b.example\n# the end\n"},
        {"CR ends, a line deleted", "127.0.0.1 localhost\r0.0.0.0 a.example\r0.0.0.0 b.example\r",
         "0.0.0.0 a.example\n0.0.0.0 b.example\n", "0.0.0.0 b.example\n",
         "127.0.0.1 localhost\r0.0.0.0 b.example\r"},
        {"each line keeps its own end", "0.0.0.0 a.example\r\n0.0.0.0 b.example\n0.0.0.0 c.example\r\n",
         "", "0.0.0.0 A.example\n0.0.0.0 B.example\n0.0.0.0 c.example\n",
         "0.0.0.0 A.example\r\n0.0.0.0 B.example\n0.0.0.0 c.example\r\n"},
        {"no line end at the end of the file", "0.0.0.0 a.example", "0.0.0.0 a.example\n",
         "0.0.0.0 a.example\n0.0.0.0 c.example\n", "0.0.0.0 a.example\r\n0.0.0.0 c.example"},
        {"several names a line", "0.0.0.0 a.example b.example c.example\r\n", "",
         "0.0.0.0 a.example c.example", "0.0.0.0 a.example c.example\r\n"},
        {"UTF-8 with its mark; characters the code page lacks stay hidden",
         u8"\uFEFF# 中文注释 ✓\r\n0.0.0.0 k.example # 광고\r\n0.0.0.0 Ad.example # 广告\r\n"s,
         "0.0.0.0 Ad.example # " + kGbkAds + "\n",
         "0.0.0.0 Ad.example # " + kGbkAds + "\n0.0.0.0 typed.example # " + kGbkNew + "\n",
         u8"\uFEFF# 中文注释 ✓\r\n0.0.0.0 k.example # 광고\r\n0.0.0.0 Ad.example # 广告\r\n"
         u8"0.0.0.0 typed.example # 新\r\n"s},
        {"UTF-8 without its mark", u8"0.0.0.0 a.example # 广告\n0.0.0.0 b.example\n"s, "",
         "0.0.0.0 b.example\n", "0.0.0.0 b.example\n"},
        {"UTF-16 little-endian", Utf16(u"# 注释\r\n0.0.0.0 a.example # 广告\r\n", false),
         "0.0.0.0 a.example # " + kGbkAds + "\n", "0.0.0.0 a.example # " + kGbkBlock + "\n",
         Utf16(u"# 注释\r\n0.0.0.0 a.example # 屏蔽\r\n", false)},
        {"UTF-16 big-endian", Utf16(u"0.0.0.0 a.example\n0.0.0.0 b.example\n", true), "",
         "0.0.0.0 b.example\n0.0.0.0 c.example\n", Utf16(u"0.0.0.0 b.example\n0.0.0.0 c.example\n", true)},
        {"an odd last byte of UTF-16 is read with a zero byte, and written so once edited",
         Utf16(u"0.0.0.0 a.example\r\n0.0.0.0 c.example", false) + "z",
         "0.0.0.0 a.example\n0.0.0.0 c.examplez\n", "0.0.0.0 a.example\n0.0.0.0 c.examplez\n0.0.0.0 b.example\n",
         Utf16(u"0.0.0.0 a.example\r\n0.0.0.0 c.examplez\r\n0.0.0.0 b.example", false)},
        {"a NUL byte and bytes that make no GBK character are never touched",
         "0.0.0.0 a\0b.example\r\n\xE9 \xA1\xA1\r\n0.0.0.0 c.example\r\n"s, "0.0.0.0 c.example\n", "",
         "0.0.0.0 a\0b.example\r\n\xE9 \xA1\xA1\r\n"s},
        {"control characters are never shown", "0.0.0.0 a.example\x1A\r\n0.0.0.0 b.example\r\n",
         "0.0.0.0 b.example\n", "", "0.0.0.0 a.example\x1A\r\n"},
        {"typed into an empty file", "", "", "0.0.0.0 a.example\n", "0.0.0.0 a.example\r\n"},
    };
    for (const SaveRow& row : rows) {
        HostsLines lines(row.before);
        if (!row.shown.empty()) {
            EXPECT_EQ(row.shown, lines.ShownText()) << row.what;
        }
        // No edit changes nothing.
        EXPECT_FALSE(lines.ApplyEditorText(lines.ShownText())) << row.what;
        EXPECT_EQ(row.before, lines.Bytes()) << row.what;
        lines.ApplyEditorText(row.editor);
        EXPECT_EQ(row.after, lines.Bytes()) << row.what;
        EXPECT_EQ(HostsLines(row.after).ShownText(), lines.ShownText()) << row.what;
    }
}

TEST(HostsLines, EditsGoOntoTheFileAsAnotherProgramLeftIt) {
    const HostsLines base("0.0.0.0 a.example\r\n0.0.0.0 b.example\r\n");
    const std::string editor = "0.0.0.0 a.example\n0.0.0.0 b2.example\n0.0.0.0 c.example\n";
    HostsLines target("# theirs\r\n0.0.0.0 a.example\r\n0.0.0.0 b.example\r\n0.0.0.0 other.example\r\n");
    EXPECT_TRUE(HostsLines::ApplyEditorTextOnto(base, editor, target));
    // c was typed at the end: it goes after the last entry line, theirs.
    EXPECT_EQ("# theirs\r\n0.0.0.0 a.example\r\n0.0.0.0 b2.example\r\n0.0.0.0 other.example\r\n"
              "0.0.0.0 c.example\r\n",
              target.Bytes());

    // The line the user edited is gone: nothing is applied.
    const std::string gone = "0.0.0.0 a.example\r\n0.0.0.0 other.example\r\n";
    HostsLines changed(gone);
    EXPECT_FALSE(HostsLines::ApplyEditorTextOnto(base, editor, changed));
    EXPECT_EQ(gone, changed.Bytes());
    EXPECT_EQ("0.0.0.0 a.example\n0.0.0.0 other.example\n0.0.0.0 b2.example\n0.0.0.0 c.example\n",
              changed.ShownTextKeeping(editor));
}

TEST(HostsLines, ProtectionTakesOutOnlyTheMakersNames) {
    const std::string domain = kProtectedDomain1;
    HostsLines lines("0.0.0.0 a.example " + domain + " b.example\r\n0.0.0.0 my" + domain + "\r\n" +
                     "0.0.0.0 " + domain + ".evil.test\r\n1.2.3.4 WWW." + domain + ". # moved\r\n" +
                     "# see " + domain + " for help\r\n#0.0.0.0 " + domain + "\r\n");
    EXPECT_EQ(2u, lines.RemoveNames(IsMakerName, false));
    EXPECT_EQ("0.0.0.0 a.example b.example\r\n0.0.0.0 my" + domain + "\r\n0.0.0.0 " + domain +
                  ".evil.test\r\n# see " + domain + " for help\r\n#0.0.0.0 " + domain + "\r\n",
              lines.Bytes());
}

// The maker's sites and the system's update, certificate-revocation and
// security services are protected by name or as a name's ending at a dot,
// never as a substring, in any letter case, with or without the final dot.
TEST(HostsLine, ProtectedNamesMatchByNameNotBySubstring) {
    const std::string maker = kProtectedDomain1;
    const std::pair<std::string, int> rows[] = {  // 1 the maker's, 2 the system's
        {maker, 1}, {"WWW." + maker + ".", 1}, {"my" + maker, 0}, {maker + ".evil.test", 0},
        {"update.microsoft.com", 2}, {"x.windowsupdate.com", 2}, {"Download.WindowsUpdate.com.", 2},
        {"www.virustotal.com", 2}, {"ocsp.digicert.com", 2}, {"r3.o.lencr.org", 2},
        {"notwindowsupdate.com", 0}, {"windowsupdate.com.evil.test", 0}, {"microsoft.com", 0},
        {"telemetry.microsoft.com", 0}, {"digicert.com", 0}, {"com", 0}, {"", 0},
    };
    for (const auto& [name, kind] : rows) {
        EXPECT_EQ(kind == 1, IsMakerName(name)) << name;
        EXPECT_EQ(kind == 2, IsSystemServiceName(name)) << name;
    }
}

// Loading and saving with no edit gives back every byte of real files.
TEST(HostsLines, RealFilesComeBackWhole) {
    const char* dir = std::getenv("SITEMOAT_TEST_DATA");
    ASSERT_NE(nullptr, dir);
    for (const char* name : {"anudeep-adservers.hosts", "anudeep-coinminer.hosts"}) {
        const std::string bytes = ReadWholeFile(std::string(dir) + name);
        ASSERT_GT(bytes.size(), 10000u) << name;
        for (const std::string& file : {bytes, std::string(kWindowsHosts) + bytes}) {
            HostsLines lines(file);
            EXPECT_FALSE(lines.ApplyEditorText(lines.ShownText())) << name;
            EXPECT_EQ(file, lines.Bytes()) << name;
        }
    }
}

}  // namespace
