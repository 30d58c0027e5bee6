#include "settings/ConfigText.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

void PrintTo(const CustomSite& site, std::ostream* out) {
    *out << '{' << ::testing::PrintToString(site.address) << ", " << ::testing::PrintToString(site.stamp)
         << ", " << ::testing::PrintToString(site.digest) << '}';
}

namespace {

bool Cp936LeadByte(unsigned char c) {
    return c >= 0x81 && c <= 0xFE;
}

// The lines of section "custom" as the section read gives them: the forms
// of earlier versions read as they always did, the digest after the last
// '=' when it is one.
TEST(ConfigText, CustomSiteLines) {
    const std::string digest = "sha256:" + std::string(63, '0') + "f";
    const struct {
        std::string line;
        CustomSite site;
    } cases[] = {
        {"http://a.example/x|=", {"http://a.example/x", "", ""}},
        {"http://a.example/x|Wed, 17 Mar 2021 08:51:11 GMT=", {"http://a.example/x", "Wed, 17 Mar 2021 08:51:11 GMT", ""}},
        {"http://a.example/x|\"YWJj==\"=", {"http://a.example/x", "\"YWJj==\"", ""}},
        {"http://a.example/x|\"YWJj==\"=" + digest, {"http://a.example/x", "\"YWJj==\"", digest}},
        {"http://a.example/x|=" + digest, {"http://a.example/x", "", digest}},
        {"http://a.example/x|" + digest + "=" + digest, {"http://a.example/x", digest, digest}},
        {"http://a.example/x|" + digest + "=", {"http://a.example/x", digest, ""}},
        {"http://a.example/x|W/\"a\"=sha256:12", {"http://a.example/x", "W/\"a\"=sha256:12", ""}},
        {"http://a.example/?q=1|ends==", {"http://a.example/?q=1", "ends=", ""}},
        {"no-bar-here=" + digest, {"", "no-bar-here=" + digest, ""}},
        {"  http://\x96\x7C.example/|s=  ", {"http://\x96\x7C.example/", "s", ""}},
        {"||", {"", "|", ""}},
        {"|a|b=", {"", "a|b", ""}},
        {"| a=", {"", " a", ""}},
        {"|[x]=", {"", "[x]", ""}},
        {"|;x=", {"", ";x", ""}},
    };
    for (const auto& c : cases) {
        CustomSite site;
        ASSERT_TRUE(ParseCustomSiteLine(c.line, Cp936LeadByte, site)) << c.line;
        EXPECT_EQ(c.site.address, site.address) << c.line;
        EXPECT_EQ(c.site.stamp, site.stamp) << c.line;
        EXPECT_EQ(c.site.digest, site.digest) << c.line;
        // What is written reads back the same.
        std::string written;
        ASSERT_TRUE(FormatCustomSiteLine(site, Cp936LeadByte, written)) << c.line;
        CustomSite again;
        ASSERT_TRUE(ParseCustomSiteLine(written, Cp936LeadByte, again)) << written;
        EXPECT_EQ(site, again) << written;
    }
    CustomSite blank;
    EXPECT_FALSE(ParseCustomSiteLine(" \t ", Cp936LeadByte, blank));
}

// A line read without an address is written as it was read, with the bar
// before its stamp where the stamp would not read back without it.
TEST(ConfigText, LinesWithoutAddress) {
    const struct {
        std::string stamp;
        std::string line;
    } cases[] = {
        {"no-bar-here", "no-bar-here="}, {"", "="},         {"a|b", "|a|b="},
        {" a", "| a="},                  {"|", "||="},      {"\x96|", "\x96|="},
        {"[x]", "|[x]="},                {";x", "|;x="},    {"x[y]", "x[y]="},
    };
    for (const auto& c : cases) {
        std::string line;
        ASSERT_TRUE(FormatCustomSiteLine({"", c.stamp, ""}, Cp936LeadByte, line)) << c.stamp;
        EXPECT_EQ(c.line, line);
    }
}

TEST(ConfigText, WhatMayBeStored) {
    const struct {
        std::string validator;
        bool storable;
    } validators[] = {
        {"Wed, 17 Mar 2021 08:51:11 GMT", true}, {"\"x==\"", true}, {"W/\"a;[b]=c\"", true},
        {std::string(259, 'a'), true},          {std::string(260, 'a'), false},
        {"", false},                             {"Mon\r[custom]", false},
        {"a\nb", false},                          {"a\tb", false},
        {std::string("a\0b", 3), false},          {"a\x7f", false},
        {"\xD0\xC7\xC6\xDA", false},             {" lead", false},
        {"trail ", false},                       {"\"a =b\"", false},
        {"W/\"a= b\"", false},                   {"\"a = b\"", false},
    };
    for (const auto& v : validators) {
        EXPECT_EQ(v.storable, IsStorableValidator(v.validator)) << v.validator;
    }
    // A site whose stamp may not be stored keeps its line, without the stamp.
    std::string line;
    ASSERT_TRUE(FormatCustomSiteLine({"http://a.example/", "x\r[update]", ""}, Cp936LeadByte, line));
    EXPECT_EQ("http://a.example/|=", line);
    EXPECT_FALSE(FormatCustomSiteLine({"http://a.example/\r[x]", "", ""}, Cp936LeadByte, line));
    EXPECT_FALSE(FormatCustomSiteLine({"http://a|b.example/", "", ""}, Cp936LeadByte, line));
    EXPECT_TRUE(FormatCustomSiteLine({"http://\x96\x7C.example/", "", ""}, Cp936LeadByte, line));
}

// An address is stored only when its line reads back with that address.
TEST(ConfigText, AddressesThatReadBack) {
    const struct {
        std::string address;
        bool storable;
    } addresses[] = {
        {"http://a.example/host.txt", true},   {"http://a.example/host.txt ", true},
        {"http://\xD6\xD0.example/", true},     {"http://\x96\x7C.example/", true},
        {"http://a.example/\x96", false},      {"http://\xD6\xD0\xCE.example/\xCE", false},
        {" http://a.example/", false},         {"http://a|b.example/", false},
        {"http://a.example/\r[update]", false}, {"http://a.example/?q=1", true},
        {"http://[::1]/host.txt", true},       {"[custom]", false},
        {";remark", false},                     {"http://a.example/?q =1", false},
        {"http://a.example/?q= 1", false},
    };
    for (const auto& a : addresses) {
        EXPECT_EQ(a.storable, CanStoreSiteAddress(a.address, Cp936LeadByte)) << a.address;
        std::string line;
        EXPECT_EQ(a.storable, FormatCustomSiteLine({a.address, "s", ""}, Cp936LeadByte, line)) << a.address;
        if (!a.storable) continue;
        CustomSite read;
        ASSERT_TRUE(ParseCustomSiteLine(line, Cp936LeadByte, read)) << line;
        EXPECT_EQ((CustomSite{a.address, "s", ""}), read);
    }
}

}  // namespace
