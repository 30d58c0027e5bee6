#include "hosts/HostsService.h"
#include "tests/hosts/HostsTestSupport.h"
#include "tests/support/ProgramFiles.h"

#include "SitemoatConfig.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

const std::string kDomain1 = kProtectedDomain1;
const std::string kDomain2 = kProtectedDomain2;

// A HOSTS text with every kind of line; the protected line is added by the
// tests that want it.
const std::string kMixedText =
    "# Copyright (c) 1993-2009 Microsoft Corp.\r\n"
    "\r\n"
    "127.0.0.1       LocalHost\r\n"
    "::1 localhost\n"
    "0.0.0.0 Ads.Example.com\r\n"
    "#127.0.0.1 old.example.net\r\n"
    "# just words\n"
    "   # indented remark\r\n"
    "0.0.0.0 中文.cn\r\n";
const std::string kMixedHead =
    "# copyright (c) 1993-2009 microsoft corp.\n"
    "127.0.0.1       localhost\n"
    "::1 localhost\n"
    "# just words\n";
const std::string kMixedEntries =
    "0.0.0.0 ads.example.com\n"
    "#127.0.0.1 old.example.net\n"
    "   # indented remark\n"
    "0.0.0.0 中文.cn\n";

// The prefix's HOSTS file holds a sentinel text, so a rewrite shows.
class SortHostsTextTest : public testing::Test {
protected:
    void SetUp() override {
        if (IsWin9xRun()) GTEST_SKIP() << "the HOSTS file of the NT family";
        path_ = SystemFolder() + "\\drivers\\etc\\hosts";
        hostsFile_.emplace(path_, kSentinel);
        ASSERT_EQ(kSentinel, ReadWholeFile(path_));
    }
    bool Sort(const std::string& text) { return HostsService().SortHostsText(text, entries_, head_); }

    static constexpr char kSentinel[] = "sentinel HOSTS text\r\n";
    std::string path_;
    std::optional<HostsFileScope> hostsFile_;
    std::string entries_ = "stale entries\n";
    std::string head_ = "stale head\n";
};

TEST_F(SortHostsTextTest, SortsWithoutTouchingTheFile) {
    EXPECT_FALSE(Sort(kMixedText));
    EXPECT_EQ(kMixedHead, head_);
    EXPECT_EQ(kMixedEntries, entries_);
    EXPECT_EQ(kSentinel, ReadWholeFile(path_));
}

// The cut never writes: the page that shows HOSTS writes it back without
// the dropped lines itself, where it says so.
TEST_F(SortHostsTextTest, DroppedProtectedLineIsToldAndNothingWritten) {
    EXPECT_TRUE(Sort("0.0.0.0 www." + kDomain1 + "\r\n" + kMixedText + "127.0.0.1 " + kDomain2 +
                     " other.com\n"));
    EXPECT_EQ(kMixedHead, head_);
    EXPECT_EQ(kMixedEntries, entries_);
    EXPECT_EQ(kSentinel, ReadWholeFile(path_));
}

TEST_F(SortHostsTextTest, ProtectedDomainMatchesInAnyCaseAndAsSubDomain) {
    std::string upper = kDomain2;
    CharUpperA(&upper[0]);
    EXPECT_TRUE(Sort("0.0.0.0 a.com\n#0.0.0.0 Update." + upper + "\r\n127.0.0.1 localhost\n"));
    EXPECT_EQ("127.0.0.1 localhost\n", head_);
    EXPECT_EQ("0.0.0.0 a.com\n", entries_);
}

TEST_F(SortHostsTextTest, LookalikeInsideADoubleByteCharacterIsKept) {
    // A lead byte before the domain turns its first letter into the second
    // byte of a character: the name no longer contains the domain.
    const unsigned char first = kDomain1[0];
    if (first < 0x40 || first > 0x7E) GTEST_SKIP() << "the domain's first letter is no trail byte";
    const std::string line = "0.0.0.0 \xB0" + kDomain1;
    EXPECT_FALSE(Sort(line + "\r\n"));
    EXPECT_EQ(line + "\n", entries_);
}

TEST_F(SortHostsTextTest, TheDomainAfterALookalikeInsideACharacterIsFound) {
    const unsigned char first = kDomain1[0];
    if (first < 0x40 || first > 0x7E) GTEST_SKIP() << "the domain's first letter is no trail byte";
    EXPECT_TRUE(Sort("0.0.0.0 \xB0" + kDomain1 + "." + kDomain1 + "\r\n127.0.0.1 localhost\n"));
    EXPECT_EQ("", entries_);
}

}  // namespace
