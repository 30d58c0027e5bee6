#include "settings/SettingsStore.h"

#include "tests/support/ProgramFiles.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr char kConfig[] = "config.ini";

struct Sites {
    std::vector<std::string> addresses;
    std::vector<std::string> stamps;
    bool anyRead = false;
};

class SettingsStoreTest : public ::testing::Test {
protected:
    void SetUp() override { RemoveFileBesideProgram(kConfig); }
    void TearDown() override { RemoveFileBesideProgram(kConfig); }

    // The stored sites as two columns, for comparing each at once.
    Sites ReadSites() const {
        Sites sites;
        for (const CustomSite& site : store.ReadCustomSites()) {
            sites.addresses.push_back(site.address);
            sites.stamps.push_back(site.stamp);
        }
        sites.anyRead = !sites.addresses.empty();
        return sites;
    }

    SettingsStore store;
};

TEST_F(SettingsStoreTest, ConfigIsBesideTheExecutable) {
    char exe[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string folder = exe;
    folder.erase(folder.rfind('\\') + 1);
    EXPECT_EQ(folder + kConfig, store.GetConfigPath());
    EXPECT_EQ(folder + "temp.txt", GetPathBesideProgram("temp.txt"));
}

TEST_F(SettingsStoreTest, NoFileMeansBothSourcesOnNoStampNoSites) {
    ASSERT_FALSE(FileBesideProgramExists(kConfig));
    EXPECT_TRUE(store.IsOfficialUpdateEnabled());
    EXPECT_TRUE(store.IsCustomUpdateEnabled());
    EXPECT_EQ("", store.GetOfficialStamp());
    Sites sites = ReadSites();
    EXPECT_FALSE(sites.anyRead);
    EXPECT_TRUE(sites.addresses.empty());
    EXPECT_TRUE(sites.stamps.empty());
    EXPECT_FALSE(FileBesideProgramExists(kConfig)) << "reading must not create the file";
}

TEST_F(SettingsStoreTest, OnlyTheValueOneTurnsASourceOn) {
    const struct {
        const char* value;
        bool on;
    } cases[] = {{"1", true}, {"0", false}, {"yes", false}, {"2", false},
                 {"11", false}, {"true", false}, {"", false}};
    for (const auto& c : cases) {
        WriteFileBesideProgram(kConfig, std::string("[update]\r\nofficial=") + c.value +
                                            "\r\ncustom=" + c.value + "\r\n");
        EXPECT_EQ(c.on, store.IsOfficialUpdateEnabled()) << '"' << c.value << '"';
        EXPECT_EQ(c.on, store.IsCustomUpdateEnabled()) << '"' << c.value << '"';
    }
}

TEST_F(SettingsStoreTest, FlagsAndStampAreWrittenAsTheFileExpectsThem) {
    EXPECT_TRUE(store.SetOfficialUpdateEnabled(false));
    EXPECT_TRUE(store.SetCustomUpdateEnabled(true));
    EXPECT_TRUE(store.SetOfficialStamp("Wed, 17 Mar 2021 08:51:11 GMT"));
    EXPECT_EQ("[update]\r\nofficial=0\r\ncustom=1\r\n"
              "[official]\r\nlasttime=Wed, 17 Mar 2021 08:51:11 GMT\r\n",
              ReadFileBesideProgram(kConfig));
    EXPECT_FALSE(store.IsOfficialUpdateEnabled());
    EXPECT_TRUE(store.IsCustomUpdateEnabled());
    EXPECT_EQ("Wed, 17 Mar 2021 08:51:11 GMT", store.GetOfficialStamp());
}

TEST_F(SettingsStoreTest, CustomLineForms) {
    WriteFileBesideProgram(kConfig,
                           "[update]\r\nofficial=1\r\n"
                           "[custom]\r\n"
                           "http://a.example/host.txt|=\r\n"
                           "\r\n"
                           "   \t \r\n"
                           "http://b.example/host.txt|Wed, 17 Mar 2021 08:51:11 GMT=\r\n"
                           "no-bar-here=\r\n"
                           "http://c.example/h.txt|ends with equals==\r\n"
                           "http://\x96\x7C.example/host.txt|stamp=\r\n"
                           "[official]\r\nlasttime=x\r\n");
    Sites sites = ReadSites();
    EXPECT_TRUE(sites.anyRead);
    EXPECT_EQ((std::vector<std::string>{"http://a.example/host.txt", "http://b.example/host.txt",
                                        "", "http://c.example/h.txt",
                                        "http://\x96\x7C.example/host.txt"}),
              sites.addresses);
    EXPECT_EQ((std::vector<std::string>{"", "Wed, 17 Mar 2021 08:51:11 GMT", "no-bar-here",
                                        "ends with equals=", "stamp"}),
              sites.stamps);
}

TEST_F(SettingsStoreTest, WritingASiteKeepsItsPlaceAndNeverRepeatsIt) {
    EXPECT_TRUE(store.WriteCustomSite("http://a.example/host.txt", ""));
    EXPECT_TRUE(store.WriteCustomSite("http://b.example/host.txt", "B1"));
    EXPECT_TRUE(store.WriteCustomSite("http://a.example/host.txt", ""));
    EXPECT_TRUE(store.WriteCustomSite("http://c.example/host.txt", "C1"));
    EXPECT_EQ("[custom]\r\nhttp://a.example/host.txt|=\r\nhttp://b.example/host.txt|B1=\r\n"
              "http://c.example/host.txt|C1=\r\n",
              ReadFileBesideProgram(kConfig));
}

// The update pass and the settings page rewrite the list by emptying the
// section and writing back what they read, in order.
TEST_F(SettingsStoreTest, RewriteKeepsOrderAndTheOtherSections) {
    WriteFileBesideProgram(kConfig,
                           "[update]\r\nofficial=1\r\ncustom=1\r\n"
                           "[custom]\r\n"
                           "http://z.example/host.txt|Z0=\r\n"
                           "http://a.example/host.txt|=\r\n"
                           "http://m.example/host.txt|M0=\r\n"
                           "[official]\r\nlasttime=O0\r\n");
    Sites sites = ReadSites();
    ASSERT_EQ(3u, sites.addresses.size());
    EXPECT_TRUE(store.ReplaceCustomSection(""));
    EXPECT_EQ("[update]\r\nofficial=1\r\ncustom=1\r\n[custom]\r\n[official]\r\nlasttime=O0\r\n",
              ReadFileBesideProgram(kConfig));
    EXPECT_FALSE(ReadSites().anyRead);

    sites.stamps[1] = "A1";
    for (size_t i = 0; i < sites.addresses.size(); ++i) {
        store.WriteCustomSite(sites.addresses[i], sites.stamps[i]);
    }
    store.WriteCustomSite("http://new.example/host.txt", "");
    EXPECT_EQ("[update]\r\nofficial=1\r\ncustom=1\r\n"
              "[custom]\r\n"
              "http://z.example/host.txt|Z0=\r\n"
              "http://a.example/host.txt|A1=\r\n"
              "http://m.example/host.txt|M0=\r\n"
              "http://new.example/host.txt|=\r\n"
              "[official]\r\nlasttime=O0\r\n",
              ReadFileBesideProgram(kConfig));
}

// Lines without an address go back so that they read the same: a bar of
// the stamp's own never turns it into an address, a '[' never makes the
// head of a section that would take the sites after it.
TEST_F(SettingsStoreTest, RewriteKeepsLinesWithoutAddress) {
    const std::string file = "[custom]\r\n|a|b=\r\n|[x]=\r\nno-bar=\r\nhttp://c.example/|C1=\r\n";
    WriteFileBesideProgram(kConfig, file);
    const Sites before = ReadSites();
    EXPECT_EQ((std::vector<std::string>{"", "", "", "http://c.example/"}), before.addresses);
    EXPECT_EQ((std::vector<std::string>{"a|b", "[x]", "no-bar", "C1"}), before.stamps);
    EXPECT_TRUE(store.ReplaceCustomSites(store.ReadCustomSites()));
    EXPECT_EQ(file, ReadFileBesideProgram(kConfig));
    EXPECT_EQ(before.stamps, ReadSites().stamps);
}

// A site's line reads back as the site: the INI read would drop the
// spaces beside the line's first '=', so a stamp with them is not kept.
TEST_F(SettingsStoreTest, SitesReadBackAsWritten) {
    const std::vector<CustomSite> sites = {
        {"http://a.example/?q=1&r=2", "\"YWJj==\"", ""},
        {"http://b.example/", "\"a = b\"", ""},
        {"http://c.example/", "W/\"x\"", "sha256:" + std::string(64, 'd')},
    };
    EXPECT_TRUE(store.ReplaceCustomSites(sites));
    const std::vector<CustomSite> read = store.ReadCustomSites();
    ASSERT_EQ(3u, read.size());
    EXPECT_TRUE(read[0] == sites[0]);
    EXPECT_TRUE(read[1] == (CustomSite{"http://b.example/", "", ""}));
    EXPECT_TRUE(read[2] == sites[2]);
}

// A section far beyond the first read buffer: a cut read would make the
// next rewrite delete every site after the cut.
TEST_F(SettingsStoreTest, LongCustomSectionIsReadWhole) {
    std::string file = "[custom]\r\n";
    std::vector<std::string> addresses;
    for (int i = 0; i < 900; ++i) {
        addresses.push_back("http://site" + std::to_string(i) + ".example/lists/host.txt");
        file += addresses.back() + "|Wed, 17 Mar 2021 08:51:11 GMT=\r\n";
    }
    ASSERT_GT(file.size(), 50000u);
    WriteFileBesideProgram(kConfig, file);

    Sites sites = ReadSites();
    EXPECT_EQ(addresses, sites.addresses);
    ASSERT_EQ(900u, sites.stamps.size());
    EXPECT_EQ("Wed, 17 Mar 2021 08:51:11 GMT", sites.stamps.back());

    EXPECT_TRUE(store.ReplaceCustomSites(store.ReadCustomSites()));
    EXPECT_EQ(file, ReadFileBesideProgram(kConfig));
}

// A section whose size falls right at the platform's "does not fit" answer
// (buffer size less two) must not lose its last line either.
TEST_F(SettingsStoreTest, SectionAtTheBufferEdgeIsReadWhole) {
    for (size_t lastLength = 9960; lastLength < 10010; ++lastLength) {
        std::string last = "http://last.example/" + std::string(lastLength - 22, 'p');
        WriteFileBesideProgram(kConfig, "[custom]\r\nhttp://first.example/x|=\r\n" + last + "|=\r\n");
        Sites sites = ReadSites();
        ASSERT_EQ(2u, sites.addresses.size()) << lastLength;
        EXPECT_EQ(last, sites.addresses[1]) << lastLength;
    }
}

TEST_F(SettingsStoreTest, ExceptionLinesComeBackAsWritten) {
    WriteFileBesideProgram(kConfig, "[update]\r\nofficial=0\r\n");
    EXPECT_TRUE(store.SetExceptionText("ads.example\r\n# note\n;semicolon.example\r*.wild.example\r\n"
                                       "[bracket]\r\nkey=value=\r\n\r\n中文.example\r\n  lead.example "));
    EXPECT_EQ("ads.example\r\n# note\r\n;semicolon.example\r\n*.wild.example\r\n"
              "[bracket]\r\nkey=value=\r\n\r\n中文.example\r\nlead.example",
              store.GetExceptionText());
    EXPECT_EQ("[update]\r\nofficial=0\r\n"
              "[exceptions]\r\n1=ads.example\r\n2=# note\r\n3=;semicolon.example\r\n"
              "4=*.wild.example\r\n5=[bracket]\r\n6=key=value=\r\n7=\r\n8=中文.example\r\n"
              "9=lead.example\r\n",
              ReadFileBesideProgram(kConfig));

    EXPECT_TRUE(store.SetExceptionText("x.example\r\n"));
    EXPECT_EQ("x.example\r\n", store.GetExceptionText());
    EXPECT_TRUE(store.SetExceptionText(""));
    EXPECT_EQ("", store.GetExceptionText());
    EXPECT_TRUE(store.IsCustomUpdateEnabled());
    EXPECT_FALSE(store.IsOfficialUpdateEnabled());
}

TEST_F(SettingsStoreTest, NoExceptionSectionMeansNoExceptions) {
    EXPECT_EQ("", store.GetExceptionText());
    EXPECT_FALSE(FileBesideProgramExists(kConfig)) << "reading must not create the file";
    WriteFileBesideProgram(kConfig, "[custom]\r\nhttp://a.example/host.txt|=\r\n"
                                    "[official]\r\nlasttime=1=2\r\n");
    EXPECT_EQ("", store.GetExceptionText());
}

// An ETag keeps its quotes through the file, a digest is kept beside the
// validator, and a validator that could carry INI text is stored empty.
TEST_F(SettingsStoreTest, OfficialStampIsReadAsWritten) {
    const std::string digest = "sha256:" + std::string(64, 'e');
    EXPECT_TRUE(store.SetOfficialStamp("\"x==\"", digest));
    EXPECT_EQ("[official]\r\nlasttime=\"x==\"\r\nlastdigest=" + digest + "\r\n",
              ReadFileBesideProgram(kConfig));
    EXPECT_EQ("\"x==\"", store.GetOfficialStamp());
    EXPECT_EQ(digest, store.GetOfficialDigest());

    EXPECT_TRUE(store.SetOfficialStamp("Mon\r[custom]\rhttp://evil.example/|", digest));
    EXPECT_EQ("[official]\r\nlasttime=\r\nlastdigest=" + digest + "\r\n", ReadFileBesideProgram(kConfig));
    EXPECT_TRUE(store.ReadCustomSites().empty());
    EXPECT_TRUE(store.SetOfficialStamp("W/\"1\""));
    EXPECT_EQ("[official]\r\nlasttime=W/\"1\"\r\n", ReadFileBesideProgram(kConfig));
    EXPECT_EQ("", store.GetOfficialDigest());

    // As earlier versions wrote it, by hand with spaces, and a digest that is none.
    WriteFileBesideProgram(kConfig, "[official]\r\nLastTime = \"v1\"  \r\nlastdigest=sha256:12\r\n");
    EXPECT_EQ("\"v1\"", store.GetOfficialStamp());
    EXPECT_EQ("", store.GetOfficialDigest());
}

}  // namespace
