#include "bench/Bench.h"

#include "tests/support/HeadlessProgress.h"
#include "tests/support/LoopbackHttpServer.h"
#include "tests/support/ProgramFiles.h"
#include "update/UpdateEngine.h"

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

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

}  // namespace

// The user has said "升级": both lists are newer than the stored stamps.
// Measured from the first request to HOSTS written. The prefix's HOSTS file
// is put back and the files the pass leaves beside the program removed.
SITEMOAT_BENCH("update-pass-real", 5) {
    static const std::string lite = ReadBenchData("1hosts-lite.hosts");
    static const std::string pro = HostsForm(ReadBenchData("1hosts-pro.domains"));
    static const std::string held = ReadBenchData("anudeep-adservers.hosts");
    const char stamp[] = "Wed, 17 Mar 2021 08:51:11 GMT";

    double elapsed = 0;
    const char* failure = nullptr;
    {
        LoopbackHttpServer server;
        server.SetList("/host/host.txt", stamp, lite);
        server.SetList("/pro/hosts.txt", stamp, pro);
        WriteFileBesideProgram("config.ini", "[update]\r\nofficial=1\r\ncustom=1\r\n"
                                             "[official]\r\nlasttime=old\r\n"
                                             "[custom]\r\n" +
                                                 server.Url("/pro/hosts.txt") + "|old=\r\n");
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
            if (!progress->HasResult() || server.RequestedPaths().size() != 5) {
                failure = "the lists were not applied";
            }
        }
    }
    RemoveFileBesideProgram("config.ini");
    RemoveFileBesideProgram("temp.txt");
    // Only now: std::exit would leave HOSTS as the pass wrote it.
    if (failure) {
        std::fprintf(stderr, "update-pass-real: %s\n", failure);
        std::exit(2);
    }
    return elapsed;
}
