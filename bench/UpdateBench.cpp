#include "bench/Bench.h"

#include "base/ProgramPaths.h"
#include "settings/SettingsStore.h"
#include "tests/support/HeadlessProgress.h"
#include "tests/support/LoopbackHttpServer.h"
#include "tests/support/ProgramFiles.h"
#include "update/HttpFetcher.h"
#include "update/UpdateEngine.h"
#include "update/UpdateReport.h"

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

constexpr char kStamp[] = "Wed, 17 Mar 2021 08:51:11 GMT";

// "127.0.0.1 " before every line of a domain list that is not a comment;
// comments and empty lines stay, as a list served in this form has them.
std::string HostsForm(const std::string& domains) {
    std::string hosts;
    ForEachLine(domains, [&](const std::string& line) {
        if (!line.empty() && line[0] != '#') hosts += "127.0.0.1 ";
        hosts += line + "\n";
    });
    return hosts;
}

// Stops the run with the case's name; the caller has put HOSTS back first.
void Fail(const char* name, const char* failure) {
    std::fprintf(stderr, "%s: %s\n", name, failure);
    std::exit(2);
}

void RemoveFilesOfThePass() {
    RemoveFileBesideProgram("config.ini");
    RemoveFileBesideProgram("temp.txt");
    RemoveFileBesideProgram("lists.dat");
}

// Every tenth name line of a list left out.
std::string WithoutEveryTenth(const std::string& list, std::size_t& left) {
    std::string kept;
    std::size_t index = 0;
    left = 0;
    ForEachLine(list, [&](const std::string& line) {
        const bool name = !line.empty() && line[0] != '#';
        if (name && ++index % 10 == 0) {
            ++left;
        } else {
            kept += line + "\n";
        }
    });
    return kept;
}

// Serves the lite list as the official one and the pro list as the user's
// site, both newer than what config.ini stores.
void ServeRealLists(LoopbackHttpServer& server, const std::string& lite, const std::string& pro) {
    server.SetList("/host/host.txt", kStamp, lite);
    server.SetList("/pro/hosts.txt", kStamp, pro);
    WriteFileBesideProgram("config.ini", "[update]\r\nofficial=1\r\ncustom=1\r\n"
                                         "[official]\r\nlasttime=old\r\n"
                                         "[custom]\r\n" +
                                             server.Url("/pro/hosts.txt") + "|old=\r\n");
}

}  // namespace

// The user has said "升级": both lists are newer than the stored stamps.
// Measured from the first request to HOSTS written. The prefix's HOSTS file
// is put back and the files the pass leaves beside the program removed.
SITEMOAT_BENCH("update-pass-real", 5) {
    static const std::string lite = ReadBenchData("1hosts-lite.hosts");
    static const std::string pro = HostsForm(ReadBenchData("1hosts-pro.domains"));
    static const std::string held = ReadBenchData("anudeep-adservers.hosts");

    double elapsed = 0;
    const char* failure = nullptr;
    {
        LoopbackHttpServer server;
        ServeRealLists(server, lite, pro);
        const HostsFileScope hostsFile(held);
        UpdateEngine engine(server.Url("/host/host.txt"));
        auto progress = std::make_shared<HeadlessProgress>(kAnswerUpdate);

        if (!server.IsRunning()) {
            failure = "the test server did not start";
        } else if (hostsFile.Text() != held) {
            failure = "HOSTS did not take the held list";
        } else {
            StopWatch watch;
            engine.RunUpdateWork(progress);
            elapsed = watch.ElapsedMs();
            // Each list's body crosses once.
            if (!progress->HasResult() ||
                server.RequestedPaths() != std::vector<std::string>{"/host/host.txt", "/pro/hosts.txt"}) {
                failure = "the lists were not applied, each fetched once";
            }
            SetBenchFigure("bytes sent " + std::to_string(server.BytesSent()) + ", bodies " +
                           std::to_string(lite.size() + pro.size()));
        }
    }
    RemoveFilesOfThePass();
    // Only now: std::exit would leave HOSTS as the pass wrote it.
    if (failure) Fail("update-pass-real", failure);
    return elapsed;
}

// A second pass after one list lost a tenth of its names, which it brought
// into HOSTS: they leave HOSTS. Measured as update-pass-real.
SITEMOAT_BENCH("update-drop-real", 5) {
    static const std::string lite = ReadBenchData("1hosts-lite.hosts");
    static const std::string pro = HostsForm(ReadBenchData("1hosts-pro.domains"));
    static const std::string held = ReadBenchData("anudeep-adservers.hosts");
    static std::size_t left = 0;
    static const std::string cut = WithoutEveryTenth(pro, left);

    double elapsed = 0;
    const char* failure = nullptr;
    {
        LoopbackHttpServer server;
        ServeRealLists(server, lite, pro);
        RemoveFileBesideProgram("lists.dat");
        const HostsFileScope hostsFile(held);
        UpdateEngine engine(server.Url("/host/host.txt"));
        engine.RunUpdateWork(std::make_shared<HeadlessProgress>(kAnswerUpdate));
        server.SetList("/pro/hosts.txt", "Thu, 18 Mar 2021 08:51:11 GMT", cut);
        StopWatch watch;
        const UpdateReport report = engine.RunUpdateWork(std::make_shared<HeadlessProgress>(kAnswerUpdate));
        elapsed = watch.ElapsedMs();
        // Names the other lists hold stay: at most the tenth leaves, and
        // most of it.
        if (!report.applied || report.removed == 0 || report.removed > left || report.removed * 2 < left) {
            failure = "the names the list dropped did not leave HOSTS";
        }
        SetBenchFigure("names dropped by the list " + std::to_string(left) + ", taken out " +
                       std::to_string(report.removed));
    }
    RemoveFilesOfThePass();
    if (failure) Fail("update-drop-real", failure);
    return elapsed;
}

// A start at which no list changed: one site stamped by date, one by entity
// tag (both answer 304), one by the digest of a list served with neither
// validator (whose body must cross to be compared).
SITEMOAT_BENCH("update-check-unchanged", 5) {
    static const std::string dated = ReadBenchData("anudeep-adservers.hosts");
    static const std::string tagged = ReadBenchData("1hosts-lite.hosts");
    static const std::string plain = ReadBenchData("anudeep-coinminer.hosts");
    const std::string tag = "\"5f2a-1b3c\"";

    double elapsed = 0;
    const char* failure = nullptr;
    {
        LoopbackHttpServer validated;
        LoopbackHttpServer digested;
        validated.SetStaticList("/dated", kStamp, "", dated);
        validated.SetStaticList("/tagged", "", tag, tagged);
        digested.SetStaticList("/plain", "", "", plain);
        WriteFileBesideProgram("config.ini", "[update]\r\nofficial=0\r\ncustom=1\r\n[custom]\r\n" +
                                                 validated.Url("/dated") + "|" + kStamp + "=\r\n" +
                                                 validated.Url("/tagged") + "|" + tag + "=\r\n" +
                                                 digested.Url("/plain") + "|" +
                                                 ContentDigestStamp(plain) + "=\r\n");
        const HostsFileScope hostsFile(dated);
        auto progress = std::make_shared<HeadlessProgress>(kAnswerUpdate);
        StopWatch watch;
        const UpdateReport report = UpdateEngine().RunUpdateWork(progress);
        elapsed = watch.ElapsedMs();
        if (!progress->Questions().empty() || report.offered || report.sites.size() != 3) {
            failure = "an unchanged list was offered";
        } else if (validated.BytesSent() >= 3 * 1024) {
            failure = "the validator sites sent 3 KB or more";
        }
        SetBenchFigure("bytes sent: validator sites " + std::to_string(validated.BytesSent()) +
                       ", digest site " + std::to_string(digested.BytesSent()));
    }
    RemoveFilesOfThePass();
    if (failure) Fail("update-check-unchanged", failure);
    return elapsed;
}

// 1Hosts Pro as the domain list it is, fetched plain and gzip-compressed
// (tools/bench compresses it beside bench.exe): the time of the compressed
// fetch, and the bytes of both.
SITEMOAT_BENCH("update-fetch-1hosts-pro-gzip", 5) {
    static const std::string list = ReadBenchData("1hosts-pro.domains");
    static const std::string gzip = ReadWholeFile(GetPathBesideProgram("1hosts-pro.domains.gz"));
    if (gzip.empty()) Fail("update-fetch-1hosts-pro-gzip", "1hosts-pro.domains.gz is missing");

    LoopbackHttpServer server;
    server.SetHandler("/pro", [&](const ReceivedRequest& request) {
        if (request.Header("Accept-Encoding").find("gzip") == std::string::npos) {
            return RawHttpResponse("200 OK", {"Content-Length: " + std::to_string(list.size())}, list);
        }
        return RawHttpResponse("200 OK",
                               {"Content-Encoding: gzip", "Content-Length: " + std::to_string(gzip.size())},
                               gzip);
    });
    server.SetList("/pro-plain", "", list);
    HttpFetcher fetcher;
    if (fetcher.Fetch(server.Url("/pro-plain")).body != list) {
        Fail("update-fetch-1hosts-pro-gzip", "the plain list did not arrive whole");
    }
    const long long plainBytes = server.BytesSent();
    server.ClearRequests();
    StopWatch watch;
    const FetchResponse compressed = fetcher.Fetch(server.Url("/pro"));
    const double elapsed = watch.ElapsedMs();
    if (compressed.status != FetchStatus::Ok || compressed.body != list) {
        Fail("update-fetch-1hosts-pro-gzip", "the compressed list did not arrive decoded");
    }
    SetBenchFigure("bytes sent: plain " + std::to_string(plainBytes) + ", gzip " +
                   std::to_string(server.BytesSent()));
    return elapsed;
}
