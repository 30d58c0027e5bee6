#include "bench/Bench.h"

#include "hosts/HostsService.h"
#include "tests/support/HeadlessProgress.h"
#include "tests/support/LoopbackHttpServer.h"
#include "tests/support/ProgramFiles.h"
#include "update/UpdateEngine.h"

#include <cstdio>
#include <memory>
#include <sstream>

namespace {

// "127.0.0.1 " before every line of a domain list that is not a comment.
std::string HostsForm(const std::string& domains) {
    std::istringstream lines(domains);
    std::string line;
    std::string hosts;
    while (std::getline(lines, line)) {
        if (!line.empty() && line[0] != '#') hosts += "127.0.0.1 ";
        hosts += line + "\n";
    }
    return hosts;
}

}  // namespace

// The user has said "升级": both lists are newer than the stored stamps.
// Measured from the first request to HOSTS written.
SITEMOAT_BENCH("update-pass-real", 5) {
    static const std::string lite = ReadBenchData("1hosts-lite.hosts");
    static const std::string pro = HostsForm(ReadBenchData("1hosts-pro.domains"));
    static const std::string held = ReadBenchData("anudeep-adservers.hosts");
    const char stamp[] = "Wed, 17 Mar 2021 08:51:11 GMT";

    LoopbackHttpServer server;
    server.SetList("/host/host.txt", stamp, lite);
    server.SetList("/pro/hosts.txt", stamp, pro);
    WriteFileBesideProgram("config.ini", "[update]\r\nofficial=1\r\ncustom=1\r\n"
                                         "[official]\r\nlasttime=old\r\n"
                                         "[custom]\r\n" +
                                             server.Url("/pro/hosts.txt") + "|old=\r\n");
    HostsService hosts;
    if (!hosts.WriteHostsFile(held)) std::fprintf(stderr, "update-pass-real: no HOSTS file\n");
    UpdateEngine engine(server.Url("/host/host.txt"));
    auto progress = std::make_shared<HeadlessProgress>(kAnswerUpdate);

    StopWatch watch;
    engine.RunUpdateWork(progress);
    double elapsed = watch.ElapsedMs();
    if (!progress->HasResult() || server.RequestedPaths().size() != 5) {
        std::fprintf(stderr, "update-pass-real: the lists were not applied\n");
    }
    return elapsed;
}
