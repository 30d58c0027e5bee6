#include "update/UpdateEngine.h"

#include "base/UniqueHandle.h"
#include "settings/SettingsStore.h"
#include "tests/support/HeadlessProgress.h"
#include "tests/support/LoopbackHttpServer.h"
#include "tests/support/ProgramFiles.h"

#include <windows.h>

#include "hosts/HostsLine.h"
#include "update/ListSourcesFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <future>
#include <set>
#include <sstream>
#include <thread>
#include <utility>

namespace {

constexpr char kConfig[] = "config.ini";
constexpr char kTemp[] = "temp.txt";
constexpr char kRecords[] = "lists.dat";
constexpr char kOld[] = "Mon, 01 Mar 2021 00:00:00 GMT";
constexpr char kNew[] = "Wed, 17 Mar 2021 08:51:11 GMT";
constexpr char kOfficialPath[] = "/host/host.txt";
constexpr char kHostsHead[] =
    "127.0.0.1       localhost\r\n"
    "# kept as it is\r\n"
    "0.0.0.0 Existing.Example\r\n";

std::string Digest(const std::string& body) {
    return ContentDigestStamp(body);
}

class UpdatePassTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server.IsRunning());
        ASSERT_EQ(kHostsHead, Hosts());
        RemoveFileBesideProgram(kConfig);
        RemoveFileBesideProgram(kTemp);
        RemoveFileBesideProgram(kRecords);
    }
    void TearDown() override {
        RemoveFileBesideProgram(kConfig);
        RemoveFileBesideProgram(kTemp);
        RemoveFileBesideProgram(kRecords);
    }

    // A "config.ini" as the program itself writes it.
    void WriteConfig(const std::string& flags, const std::string& officialStamp,
                     const std::vector<std::pair<std::string, std::string>>& sites) {
        std::string text = "[update]\r\n" + flags;
        text += "[official]\r\nlasttime=" + officialStamp + "\r\n";
        text += "[custom]\r\n";
        for (const auto& site : sites) text += server.Url(site.first) + "|" + site.second + "=\r\n";
        WriteFileBesideProgram(kConfig, text);
    }

    std::shared_ptr<HeadlessProgress> Run(int answer) {
        auto progress = std::make_shared<HeadlessProgress>(answer);
        engine.RunUpdateWork(progress);
        return progress;
    }

    std::string Hosts() const { return ReadWholeFile(hostsPath); }

    LoopbackHttpServer server;
    UpdateEngine engine{server.Url(kOfficialPath)};
    HostsFileScope hostsFile{kHostsHead};
    const std::string hostsPath = hostsFile.Path();
};

constexpr char kBothOn[] = "official=1\r\ncustom=1\r\n";

TEST_F(UpdatePassTest, BothSourcesOffAsksNobody) {
    server.SetList(kOfficialPath, kNew, "0.0.0.0 off.example\r\n");
    server.SetList("/a", kNew, "0.0.0.0 a.example\r\n");
    WriteConfig("official=0\r\ncustom=0\r\n", kOld, {{"/a", kOld}});
    std::string config = ReadFileBesideProgram(kConfig);

    auto progress = Run(kAnswerUpdate);
    EXPECT_EQ(0, server.ConnectionCount());
    EXPECT_TRUE(progress->Questions().empty());
    EXPECT_TRUE(progress->Messages().empty());
    EXPECT_FALSE(progress->HasResult());
    EXPECT_EQ(kHostsHead, Hosts());
    EXPECT_EQ(config, ReadFileBesideProgram(kConfig));
}

// Stored dates are compared as before, without regard to case: a config.ini
// of older versions goes on working unchanged.
TEST_F(UpdatePassTest, StampsEqualIgnoringCaseOfferNothing) {
    server.SetList(kOfficialPath, kNew, "0.0.0.0 off.example\r\n");
    server.SetList("/b", kNew, "0.0.0.0 b.example\r\n");
    WriteConfig(kBothOn, "wed, 17 MAR 2021 08:51:11 gmt", {{"/b", kNew}});
    std::string config = ReadFileBesideProgram(kConfig);

    EXPECT_FALSE(engine.IsUpdateAvailable());
    EXPECT_EQ((std::vector<std::string>{kOfficialPath, "/b"}), server.RequestedPaths());
    auto progress = Run(kAnswerUpdate);
    EXPECT_TRUE(progress->Questions().empty());
    EXPECT_EQ(kHostsHead, Hosts());
    EXPECT_EQ(config, ReadFileBesideProgram(kConfig));
}

// Whatever a server gives to tell versions apart (a date, an entity tag, or
// nothing, so that the list's digest stands in), a list merged once is not
// offered again; with a validator the second look costs no body at all.
TEST_F(UpdatePassTest, EachKindOfStampMakesTheSecondStartQuiet) {
    struct Row {
        const char* kind;
        std::string lastModified;
        std::string etag;
        std::string storedPrefix;  // how the stored stamp begins
    };
    const Row rows[] = {
        {"date", kNew, "", kNew},
        {"entity tag", "", "\"5f2-a1b2\"", "\"5f2-a1b2\""},
        {"weak entity tag", "", "W/\"xyz\"", "W/\"xyz\""},
        {"nothing", "", "", "sha256:"},
    };
    for (const Row& row : rows) {
        hostsFile.Replace(kHostsHead);
        // A long remark: a body is easy to tell from a bare 304 by its size.
        server.SetStaticList("/list?kind=x", row.lastModified, row.etag,
                             "# " + std::string(2000, '-') + "\r\n0.0.0.0 new.example\r\n");
        WriteConfig("official=0\r\ncustom=1\r\n", "", {{"/list?kind=x", ""}});
        auto first = Run(kAnswerUpdate);
        EXPECT_EQ(1u, first->Questions().size()) << row.kind;
        EXPECT_EQ(std::string(kHostsHead) + "0.0.0.0 new.example\r\n", Hosts()) << row.kind;
        const std::vector<CustomSite> sites = SettingsStore().ReadCustomSites();
        ASSERT_EQ(1u, sites.size());
        EXPECT_EQ(0u, sites[0].stamp.find(row.storedPrefix)) << row.kind << ": " << sites[0].stamp;

        server.ClearRequests();
        auto second = Run(kAnswerUpdate);
        EXPECT_TRUE(second->Questions().empty()) << row.kind;
        EXPECT_EQ(std::string(kHostsHead) + "0.0.0.0 new.example\r\n", Hosts()) << row.kind;
        ASSERT_EQ(1u, server.Requests().size()) << row.kind;
        if (!row.etag.empty()) {
            EXPECT_EQ(row.etag, server.Requests()[0].Header("If-None-Match"));
        }
        if (!row.lastModified.empty()) {
            EXPECT_EQ(row.lastModified, server.Requests()[0].Header("If-Modified-Since"));
        }
        const bool validated = !row.etag.empty() || !row.lastModified.empty();
        EXPECT_EQ(validated, server.BytesSent() < 1000) << row.kind << ": " << server.BytesSent();
    }
}

// Whether a blocking line of HOSTS names the name.
bool Blocks(const std::string& hosts, const std::string& name) {
    std::istringstream lines(hosts);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::string word;
        if (!(words >> word) || word != "0.0.0.0") continue;
        while (words >> word) {
            if (word == name) return true;
        }
    }
    return false;
}

// A list's dropped names leave HOSTS at its next merge, but not those
// another list holds (they pass to it), those the user typed, nor those
// HOSTS held before any list brought them. A list far smaller than the
// last takes nothing out until the same body comes a second time.
TEST_F(UpdatePassTest, NamesAListDropsLeaveHostsButNotTheUsersOrAnotherListsNames) {
    struct Step {
        const char* what;
        const char* path;
        std::string stamp;
        std::string body;
        std::vector<const char*> blocked;
        std::vector<const char*> gone;
        std::size_t removed;  // by the site
        bool heldBack;
    };
    const Step steps[] = {
        {"both lists merged", "/b", "S1", "0.0.0.0 shared.example\n0.0.0.0 b1.example\n",
         {"a1.example", "a2.example", "shared.example", "b1.example"}, {}, 0, false},
        {"a1 dropped and taken out", "/a", "S2", "a3.example\na4.example\na5.example\n",
         {"a2.example", "shared.example", "a5.example"}, {"a1.example"}, 1, false},
        {"shared dropped by the list it passed to", "/b", "S2", "0.0.0.0 b1.example\n",
         {"b1.example"}, {"shared.example"}, 1, false},
        {"a list cut to a third", "/a", "S3", "a3.example\n", {"a4.example", "a5.example"}, {}, 0, true},
        {"the same list again", "/a", "S3", "a3.example\n", {"a3.example"}, {"a4.example", "a5.example"}, 2,
         false},
    };
    server.SetList("/a", "S1", "0.0.0.0 existing.example\n0.0.0.0 a1.example\n0.0.0.0 a2.example\n"
                              "0.0.0.0 shared.example\n0.0.0.0 a3.example\n0.0.0.0 a4.example\n");
    WriteConfig("official=0\r\ncustom=1\r\n", "", {{"/a", ""}, {"/b", ""}});
    for (const Step& step : steps) {
        server.SetList(step.path, step.stamp, step.body);
        auto progress = Run(kAnswerUpdate);
        const std::string hosts = Hosts();
        for (const char* name : step.blocked) EXPECT_TRUE(Blocks(hosts, name)) << step.what << ": " << name;
        for (const char* name : step.gone) EXPECT_FALSE(Blocks(hosts, name)) << step.what << ": " << name;
        // HOSTS had it before any list brought it.
        EXPECT_NE(std::string::npos, hosts.find("0.0.0.0 Existing.Example\r\n")) << step.what;
        const std::vector<SiteResult> sites = progress->SiteResults();
        const auto site = std::find_if(sites.begin(), sites.end(),
                                       [&](const SiteResult& s) { return s.address == server.Url(step.path); });
        ASSERT_NE(sites.end(), site) << step.what;
        EXPECT_EQ(step.removed, site->removed) << step.what;
        EXPECT_EQ(step.heldBack, site->heldBack) << step.what;
        // A list held back keeps its old stamp, so the same list comes again.
        const std::vector<CustomSite> stored = SettingsStore().ReadCustomSites();
        const auto record = std::find_if(stored.begin(), stored.end(),
                                         [&](const CustomSite& s) { return s.address == server.Url(step.path); });
        ASSERT_NE(stored.end(), record);
        EXPECT_EQ(step.heldBack, record->stamp != step.stamp) << step.what;
        // The user typed a2 into the editor and saved: it is theirs now.
        if (step.path == steps[0].path && step.stamp == "S1") {
            ListSourcesFile().Edit([](ListSources& sources) {
                return sources.Claim({NameHash("a2.example")});
            });
        }
    }
}

// Every site is asked once; the newer lists' bodies are kept and merged,
// the official list first.
TEST_F(UpdatePassTest, NewerListsAreFetchedOnceAndMergedOfficialFirst) {
    const std::string official =
        "# official\r\n0.0.0.0 off1.example\r\n0.0.0.0 existing.example\r\n127.0.0.1\tOff2.Example\r\n";
    const std::string a = "0.0.0.0 a1.example\n0.0.0.0 off1.example\n0.0.0.0 a2.example\n";
    server.SetList(kOfficialPath, kNew, official);
    server.SetList("/a", "Thu, 18 Mar 2021 10:00:00 GMT", a);
    server.SetList("/b", kOld, "0.0.0.0 b1.example\r\n");
    server.SetList("/c", "Fri, 19 Mar 2021 10:00:00 GMT", "0.0.0.0 c1.example");
    WriteConfig(kBothOn, kOld, {{"/a", ""}, {"/b", kOld}, {"/c", kOld}});

    auto progress = Run(kAnswerUpdate);
    EXPECT_EQ((std::vector<std::string>{kOfficialPath, "/a", "/b", "/c"}), server.RequestedPaths());
    EXPECT_EQ((std::vector<std::string>{kUpdateQuestion}), progress->Questions());
    EXPECT_EQ((std::vector<std::string>{kUpdatingMessage}), progress->Messages());
    std::string expected = std::string(kHostsHead) +
                           "0.0.0.0 off1.example off2.example a1.example a2.example c1.example\r\n";
    EXPECT_EQ(expected, Hosts());
    EXPECT_TRUE(progress->HasResult());
    EXPECT_EQ(expected, progress->Result());
    EXPECT_EQ("[update]\r\nofficial=1\r\ncustom=1\r\n"
              "[official]\r\nlasttime=" + std::string(kNew) + "\r\n"
              "lastdigest=" + Digest(official) + "\r\n"
              "[custom]\r\n" +
                  server.Url("/a") + "|Thu, 18 Mar 2021 10:00:00 GMT=" + Digest(a) + "\r\n" +
                  server.Url("/b") + "|" + kOld + "=\r\n" +
                  server.Url("/c") + "|Fri, 19 Mar 2021 10:00:00 GMT=" + Digest("0.0.0.0 c1.example") +
                  "\r\n",
              ReadFileBesideProgram(kConfig));
    EXPECT_EQ("0.0.0.0 c1.example", ReadFileBesideProgram(kTemp));
}

// What a server sends to tell versions apart is data, never lines of
// config.ini: a validator that could carry INI text, or longer than the
// file keeps, is not stored and the list counts by its digest; an ETag
// keeps its quotes and is sent back as it came. A second start is quiet.
TEST_F(UpdatePassTest, HostileValidatorsNeverBecomeSettings) {
    const std::string body = "0.0.0.0 hostile.example\r\n";
    const std::string digest = Digest(body);
    const std::string injection = "\r[custom]\r" + server.Url("/evil") + "|";
    struct Row {
        const char* what;
        std::vector<std::string> headers;
        std::string stamp;  // stored, and sent back when a validator
    };
    const Row rows[] = {
        {"CR in the date", {"Last-Modified: Mon" + injection}, digest},
        {"CR in the ETag", {"ETag: \"a" + injection + "\""}, digest},
        {"a date too long", {"Last-Modified: " + std::string(260, 'M')}, digest},
        {"the longest date kept", {"Last-Modified: " + std::string(259, 'M')}, std::string(259, 'M')},
        {"not ASCII", {"Last-Modified: \xD0\xC7\xC6\xDA\xD2\xBB"}, digest},
        {"a bad date beside a good ETag", {"Last-Modified: Mon" + injection, "ETag: \"e1\""}, "\"e1\""},
        {"an ETag ending in =", {"ETag: \"YWJj==\""}, "\"YWJj==\""},
        {"INI signs in a weak ETag", {"ETag: W/\"[official];x=y\""}, "W/\"[official];x=y\""},
    };
    for (const Row& row : rows) {
        hostsFile.Replace(kHostsHead);
        std::vector<std::string> headers = row.headers;
        headers.push_back("Content-Length: " + std::to_string(body.size()));
        server.SetResponse("/list", RawHttpResponse("200 OK", headers, body));
        WriteConfig("official=0\r\ncustom=1\r\n", "", {{"/list", ""}});
        auto first = Run(kAnswerUpdate);
        EXPECT_EQ(std::string(kHostsHead) + "0.0.0.0 hostile.example\r\n", Hosts()) << row.what;
        EXPECT_EQ("[update]\r\nofficial=0\r\ncustom=1\r\n[official]\r\nlasttime=\r\n[custom]\r\n" +
                      server.Url("/list") + "|" + row.stamp + "=" + digest + "\r\n",
                  ReadFileBesideProgram(kConfig))
            << row.what;

        server.ClearRequests();
        auto second = Run(kAnswerUpdate);
        EXPECT_TRUE(second->Questions().empty()) << row.what;
        ASSERT_EQ(1u, server.Requests().size()) << row.what;
        const ReceivedRequest asked = server.Requests()[0];
        const std::string sent = asked.Header("If-None-Match") + asked.Header("If-Modified-Since");
        EXPECT_EQ(row.stamp == digest ? "" : row.stamp, sent) << row.what;
    }
    EXPECT_EQ(std::vector<std::string>{"/list"}, server.RequestedPaths());
}

// The official list's ETag comes back with its quotes, so the second start
// asks conditionally and gets nothing new; a list whose ETag changes at
// every request but whose body does not is not new either, and its latest
// ETag is kept.
TEST_F(UpdatePassTest, AnUnchangedListIsNeverNewWhateverItsValidators) {
    const std::string body = "0.0.0.0 official.example\r\n";
    server.SetStaticList(kOfficialPath, "", "\"v1\"", body);
    WriteConfig("official=1\r\ncustom=0\r\n", "", {});
    EXPECT_EQ(1u, Run(kAnswerUpdate)->Questions().size());
    EXPECT_EQ("\"v1\"", SettingsStore().GetOfficialStamp());
    server.ClearRequests();
    auto second = Run(kAnswerUpdate);
    EXPECT_TRUE(second->Questions().empty());
    ASSERT_EQ(1u, server.Requests().size());
    EXPECT_EQ("\"v1\"", server.Requests()[0].Header("If-None-Match"));
    EXPECT_LT(server.BytesSent(), 300);

    int served = 0;
    server.SetHandler(kOfficialPath, [&](const ReceivedRequest&) {
        return RawHttpResponse("200 OK",
                               {"ETag: \"changes-" + std::to_string(++served) + "\"",
                                "Content-Length: " + std::to_string(body.size())},
                               body);
    });
    for (int run = 0; run < 2; ++run) {
        auto again = Run(kAnswerUpdate);
        EXPECT_TRUE(again->Questions().empty()) << run;
        ASSERT_EQ(1u, again->SiteResults().size());
        EXPECT_EQ(SiteOutcome::Unchanged, again->SiteResults()[0].outcome);
        EXPECT_EQ("\"changes-" + std::to_string(served) + "\"", SettingsStore().GetOfficialStamp());
    }
    EXPECT_EQ(std::string(kHostsHead) + "0.0.0.0 official.example\r\n", Hosts());
}

// A server whose response head never ends (a header line every few
// tenths of a second, for two minutes) is given up at the total limit, and
// the next site is still checked and merged.
TEST_F(UpdatePassTest, AHeadThatNeverEndsDoesNotHoldThePass) {
    std::string lines;
    while (lines.size() < 1200) lines += "X-More: " + std::to_string(lines.size()) + "\r\n";
    server.SetStalledResponse("/endless", "HTTP/1.1 200 OK\r\n", lines, 100);
    LoopbackHttpServer other;  // this one answers one connection at a time
    ASSERT_TRUE(other.IsRunning());
    other.SetList("/fine", kNew, "0.0.0.0 fine.example\r\n");
    WriteFileBesideProgram(kConfig, "[update]\r\nofficial=0\r\ncustom=1\r\n[custom]\r\n" +
                                        server.Url("/endless") + "|=\r\n" + other.Url("/fine") + "|=\r\n");
    FetchLimits limits;
    limits.idleMs = 1000;
    limits.totalMs = 2000;
    engine.SetFetchLimits(limits);

    const ULONGLONG start = GetTickCount64();
    auto progress = Run(kAnswerUpdate);
    // Far below the two minutes the server would hold a fetch that waits for it.
    EXPECT_LT(GetTickCount64() - start, 60000u);
    const std::vector<SiteResult> sites = progress->SiteResults();
    ASSERT_EQ(2u, sites.size());
    EXPECT_EQ(SiteOutcome::Failed, sites[0].outcome);
    EXPECT_EQ("连接超时", sites[0].reason);
    EXPECT_EQ(SiteOutcome::Newer, sites[1].outcome);
    EXPECT_EQ(std::string(kHostsHead) + "0.0.0.0 fine.example\r\n", Hosts());
}

TEST_F(UpdatePassTest, DeclinedUpdateChangesNothing) {
    server.SetList(kOfficialPath, kNew, "0.0.0.0 off1.example\r\n");
    server.SetList("/a", kNew, "0.0.0.0 a1.example\r\n");
    WriteConfig(kBothOn, kOld, {{"/a", kOld}});
    std::string config = ReadFileBesideProgram(kConfig);

    auto progress = Run(kAnswerKeep);
    EXPECT_EQ((std::vector<std::string>{kUpdateQuestion}), progress->Questions());
    EXPECT_TRUE(progress->Messages().empty());
    EXPECT_FALSE(progress->HasResult());
    EXPECT_EQ((std::vector<std::string>{kOfficialPath, "/a"}), server.RequestedPaths());
    EXPECT_EQ(kHostsHead, Hosts());
    EXPECT_EQ(config, ReadFileBesideProgram(kConfig));
    EXPECT_FALSE(FileBesideProgramExists(kTemp));
}

// A list whose download fails keeps its old stamp, so it is offered again;
// the others, a chunked one among them, are merged and stored, each into
// the line of its own site.
TEST_F(UpdatePassTest, FailedDownloadKeepsThatSitesOldStamp) {
    server.SetList(kOfficialPath, kOld, "");
    server.SetResponse("/cut", RawHttpResponse("200 OK",
                                               {"Last-Modified: " + std::string(kNew),
                                                "Content-Length: 400"},
                                               "0.0.0.0 cut1.example\r\n0.0.0.0 cut2.exa"));
    server.SetResponse("/chunked",
                       RawHttpResponse("200 OK",
                                       {"Last-Modified: " + std::string(kNew),
                                        "Transfer-Encoding: chunked"},
                                       "17\r\n0.0.0.0 chunk.example\r\n0\r\n\r\n"));
    server.SetList("/b", kNew, "0.0.0.0 b1.example\r\n");
    WriteFileBesideProgram(kConfig,
                           "[update]\r\nofficial=1\r\ncustom=1\r\n"
                           "[official]\r\nlasttime=" + std::string(kOld) + "\r\n"
                           "[custom]\r\n" +
                               server.Url("/cut") + "|" + kOld + "=\r\n"
                               "no address here=\r\n" +
                               server.Url("/chunked") + "|=\r\n" +
                               server.Url("/b") + "|" + kOld + "=\r\n");

    auto progress = Run(kAnswerUpdate);
    EXPECT_EQ(std::string(kHostsHead) + "0.0.0.0 chunk.example b1.example\r\n", Hosts());
    EXPECT_EQ("[update]\r\nofficial=1\r\ncustom=1\r\n"
              "[official]\r\nlasttime=" + std::string(kOld) + "\r\n"
              "[custom]\r\n" +
                  server.Url("/cut") + "|" + kOld + "=\r\n"
                  "no address here=\r\n" +
                  server.Url("/chunked") + "|" + kNew + "=" + Digest("0.0.0.0 chunk.example\r\n") +
                  "\r\n" + server.Url("/b") + "|" + kNew + "=" + Digest("0.0.0.0 b1.example\r\n") + "\r\n",
              ReadFileBesideProgram(kConfig));
}

// Stored stamps say which lists HOSTS holds: when the merged text cannot
// be written they must stay as they were, or those lists never come.
TEST_F(UpdatePassTest, UnwritableHostsKeepsEveryStamp) {
    server.SetList(kOfficialPath, kNew, "0.0.0.0 off1.example\r\n");
    server.SetList("/a", kNew, "0.0.0.0 a1.example\r\n");
    WriteConfig(kBothOn, kOld, {{"/a", kOld}});
    std::string config = ReadFileBesideProgram(kConfig);
    ASSERT_TRUE(DeleteFileA(hostsPath.c_str()));

    auto progress = Run(kAnswerUpdate);
    EXPECT_EQ(2u, server.RequestedPaths().size());  // each site once
    EXPECT_FALSE(progress->HasResult());
    EXPECT_EQ(std::vector<std::string>{"host表更新失败：文件不存在"}, progress->Failures());
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(hostsPath.c_str()));
    EXPECT_EQ(config, ReadFileBesideProgram(kConfig));
}

// Another program holds HOSTS open: it reads as empty, and the lists merged
// into nothing would replace every line of it once it is free again.
TEST_F(UpdatePassTest, HostsThatCannotBeReadIsLeftAlone) {
    server.SetList(kOfficialPath, kNew, "0.0.0.0 off1.example\r\n");
    WriteConfig(kBothOn, kOld, {});
    std::string config = ReadFileBesideProgram(kConfig);
    {
        UniqueFileHandle held(CreateFileA(hostsPath.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(held);
        auto progress = Run(kAnswerUpdate);
        EXPECT_FALSE(progress->HasResult());
    }
    EXPECT_EQ(1u, server.RequestedPaths().size());  // the check, no download
    EXPECT_EQ(kHostsHead, Hosts());
    EXPECT_EQ(config, ReadFileBesideProgram(kConfig));
}

// The user gives up waiting while the lists download: HOSTS is not
// written behind the page that has already been refilled.
TEST_F(UpdatePassTest, CancelDuringTheApplyPhaseKeepsHostsAndStamps) {
    server.SetList(kOfficialPath, kNew, "0.0.0.0 off1.example\r\n");
    server.SetList("/a", kNew, "0.0.0.0 a1.example\r\n");
    WriteConfig(kBothOn, kOld, {{"/a", kOld}});
    std::string config = ReadFileBesideProgram(kConfig);

    auto progress = std::make_shared<HeadlessProgress>(kAnswerUpdate);
    HeadlessProgress* user = progress.get();
    progress->OnMessage([user] { user->Cancel(); });
    engine.RunUpdateWork(progress);
    EXPECT_EQ(2u, server.RequestedPaths().size());
    EXPECT_FALSE(progress->HasResult());
    EXPECT_EQ(kHostsHead, Hosts());
    EXPECT_EQ(config, ReadFileBesideProgram(kConfig));
}

// The pass only adds lines after the last entry line: a file keeps its
// encoding, and nothing after a NUL byte is lost. Another program's change
// made while the lists download stays.
TEST_F(UpdatePassTest, HostsKeepsItsEncodingAndWhatOthersWroteMeanwhile) {
    struct Row {
        const char* what;
        std::string before;
        std::string theirs;  // what another program appends while the lists download
        std::string after;
    };
    const auto utf16 = [](const std::u16string& text) {
        std::string bytes;
        for (char16_t unit : text) bytes += {char(unit & 0xFF), char(unit >> 8)};
        return bytes;
    };
    const std::string utf8 = u8"# 注释 ✓\r\n0.0.0.0 c.example\r\n";
    const std::string theirs = "0.0.0.0 theirs.example\r\n";
    const std::string nul = std::string("0.0.0.0 a") + '\0' + "b\r\n0.0.0.0 c.example\r\n";
    const std::string merged = "0.0.0.0 off1.example\r\n";
    const Row rows[] = {
        {"UTF-8 with its mark", "\xEF\xBB\xBF" + utf8, theirs, "\xEF\xBB\xBF" + utf8 + theirs + merged},
        {"UTF-8", utf8, theirs, utf8 + theirs + merged},
        {"UTF-16", "\xFF\xFE" + utf16(u"# 注释 ✓\r\n0.0.0.0 c.example\r\n"), utf16(u"0.0.0.0 theirs.example\r\n"),
         "\xFF\xFE" + utf16(u"# 注释 ✓\r\n0.0.0.0 c.example\r\n0.0.0.0 theirs.example\r\n"
                              u"0.0.0.0 off1.example\r\n")},
        {"a NUL byte", nul, theirs, nul + theirs + merged},
    };
    for (const Row& row : rows) {
        server.SetList(kOfficialPath, kNew, "0.0.0.0 off1.example\r\n0.0.0.0 c.example\r\n");
        WriteConfig("official=1\r\ncustom=0\r\n", kOld, {});
        hostsFile.Replace(row.before);
        auto progress = std::make_shared<HeadlessProgress>(kAnswerUpdate);
        const std::string path = hostsPath;
        progress->OnMessage([path, &row] { WriteWholeFile(path, ReadWholeFile(path) + row.theirs); });
        engine.RunUpdateWork(progress);
        EXPECT_EQ(row.after, Hosts()) << row.what;
        EXPECT_EQ(kNew, SettingsStore().GetOfficialStamp()) << row.what;
    }
}

// The user's exceptions hold against every list: excepted names, and every
// name under an excepted "*." domain, never reach HOSTS.
TEST_F(UpdatePassTest, ExceptedNamesNeverReachHosts) {
    server.SetList(kOfficialPath, kNew,
                   "0.0.0.0 ads.example\r\n0.0.0.0 Needed.Example\r\n0.0.0.0 cdn.shop.example\r\n"
                   "0.0.0.0 a.b.shop.example\r\n0.0.0.0 shop.example\r\n0.0.0.0 tracker.example\r\n");
    WriteConfig("official=1\r\ncustom=0\r\n", kOld, {});
    ASSERT_TRUE(SettingsStore().SetExceptionText("# 我需要的网站\r\nneeded.example\r\n*.shop.example\r\n"));

    auto progress = Run(kAnswerUpdate);
    EXPECT_EQ(std::string(kHostsHead) + "0.0.0.0 ads.example shop.example tracker.example\r\n", Hosts());
    ASSERT_EQ(1u, progress->SiteResults().size());
    EXPECT_EQ(3u, progress->SiteResults()[0].added);
    EXPECT_EQ(3u, progress->SiteResults()[0].dropped);
}

// While the worker waits on a slow server, the user removes one site and
// adds another on the settings page, and then cancels or lets the pass go
// on. A cancelled pass writes nothing at all; one that goes on sets only
// its own site's stamp in the section as it stands: the removed site does
// not come back and the added one is not lost.
TEST_F(UpdatePassTest, SitesChangedDuringTheDownloadStayAsTheUserLeftThem) {
    for (bool cancel : {true, false}) {
        std::promise<void> requested;
        std::promise<void> release;
        std::shared_future<void> released = release.get_future().share();
        bool first = true;
        server.SetHandler("/slow", [&](const ReceivedRequest&) {
            if (std::exchange(first, false)) requested.set_value();
            released.wait();
            return RawHttpResponse("200 OK", {"Last-Modified: " + std::string(kNew), "Content-Length: 21"},
                                   "0.0.0.0 slow.example\n");
        });
        server.SetList("/gone", kNew, "0.0.0.0 gone.example\r\n");
        WriteConfig("official=0\r\ncustom=1\r\n", "", {{"/slow", kOld}, {"/gone", kOld}});
        hostsFile.Replace(kHostsHead);

        auto progress = std::make_shared<HeadlessProgress>(kAnswerUpdate);
        UpdateEngine workerEngine = engine;
        std::thread worker([workerEngine, progress] { workerEngine.RunUpdateWork(progress); });
        requested.get_future().wait();
        // The page's edit, as it does it.
        SettingsStore().EditCustomSites([&](std::vector<CustomSite>& sites) {
            sites = {{server.Url("/slow"), kOld, ""}, {server.Url("/added"), "", ""}};
            return true;
        });
        if (cancel) {
            EXPECT_TRUE(progress->Cancel());
        }
        const std::string edited = ReadFileBesideProgram(kConfig);
        release.set_value();
        worker.join();

        if (cancel) {
            EXPECT_EQ(kHostsHead, Hosts());
            EXPECT_EQ(edited, ReadFileBesideProgram(kConfig));
            EXPECT_FALSE(progress->HasResult());
        } else {
            EXPECT_EQ(std::string(kHostsHead) + "0.0.0.0 slow.example\r\n", Hosts());
            EXPECT_EQ((std::vector<CustomSite>{{server.Url("/slow"), kNew, Digest("0.0.0.0 slow.example\n")},
                                               {server.Url("/added"), "", ""}}),
                      SettingsStore().ReadCustomSites());
        }
    }
}

// The dialog is cancelled and destroyed while the worker waits for the
// answer: the worker still holds the shared object, touches nothing after,
// and the object goes when the worker lets go of it.
TEST_F(UpdatePassTest, AbandonedWorkerOutlivesTheDialogSafely) {
    server.SetList(kOfficialPath, kNew, "0.0.0.0 off1.example\r\n");
    WriteConfig(kBothOn, kOld, {});
    std::string config = ReadFileBesideProgram(kConfig);

    std::promise<void> asked;
    std::promise<void> answer;
    std::shared_future<void> answered = answer.get_future().share();
    auto dialog = std::make_shared<HeadlessProgress>(kAnswerUpdate);
    dialog->OnAsk([&asked, answered] {
        asked.set_value();
        answered.wait();
    });
    std::weak_ptr<HeadlessProgress> watch = dialog;
    UpdateEngine workerEngine = engine;
    std::thread worker([workerEngine, progress = std::shared_ptr<UpdateProgress>(dialog)] {
        workerEngine.RunUpdateWork(progress);
    });

    asked.get_future().wait();
    dialog->Cancel();
    dialog.reset();
    EXPECT_FALSE(watch.expired());
    answer.set_value();
    worker.join();
    EXPECT_TRUE(watch.expired());
    EXPECT_EQ(kHostsHead, Hosts());
    EXPECT_EQ(config, ReadFileBesideProgram(kConfig));
    EXPECT_EQ(1u, server.RequestedPaths().size());
}

// Names of the entry lines of a block list, lowercased, in order.
std::vector<std::pair<std::string, std::string>> Entries(const std::string& text) {
    std::vector<std::pair<std::string, std::string>> entries;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        for (char& c : line) c = char(std::tolower(static_cast<unsigned char>(c)));
        size_t space = line.find_first_of(" \t");
        entries.emplace_back(line.substr(0, space), line.substr(line.find_first_not_of(" \t", space)));
    }
    return entries;
}

std::string TestData(const char* name) {
    const char* dir = std::getenv("SITEMOAT_TEST_DATA");
    return dir ? ReadWholeFile(std::string(dir) + name) : std::string();
}

// A real list merged into a HOSTS that already holds another real list:
// every name not yet present comes once, lowered, nine a line, after it,
// each line ended as HOSTS's lines are.
TEST_F(UpdatePassTest, RealListMergesIntoRealHosts) {
    std::string held = TestData("anudeep-coinminer.hosts");
    std::string offered = TestData("anudeep-adservers.hosts");
    ASSERT_FALSE(held.empty());
    ASSERT_FALSE(offered.empty());
    WriteWholeFile(hostsPath, held);
    server.SetList(kOfficialPath, kNew, offered);
    WriteConfig("official=1\r\ncustom=0\r\n", "", {});

    std::set<std::string> present;
    for (const auto& entry : Entries(held)) present.insert(entry.second);
    std::set<std::string> expected;
    for (const auto& entry : Entries(offered)) {
        if (!present.count(entry.second) && !IsSystemServiceName(entry.second)) expected.insert(entry.second);
    }
    ASSERT_GT(expected.size(), 30000u);

    auto progress = Run(kAnswerUpdate);
    const std::string hosts = Hosts();
    ASSERT_EQ(0, hosts.compare(0, held.size(), held));
    std::set<std::string> added;
    size_t lines = 0;
    std::istringstream merged(hosts.substr(held.size()));
    for (std::string line; std::getline(merged, line); ++lines) {
        std::istringstream words(line);
        std::string word;
        words >> word;
        ASSERT_EQ("0.0.0.0", word) << line;
        size_t names = 0;
        for (; words >> word; ++names) added.insert(word);
        ASSERT_TRUE(names >= 1 && names <= 9) << line;
    }
    EXPECT_TRUE(added == expected);
    EXPECT_EQ((expected.size() + 8) / 9, lines);
    EXPECT_EQ(std::string::npos, hosts.find('\r'));
    EXPECT_EQ(std::string(kNew), SettingsStore().GetOfficialStamp());
    EXPECT_EQ(offered, ReadFileBesideProgram(kTemp));
}

}  // namespace
