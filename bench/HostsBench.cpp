#include "bench/Bench.h"
#include "hosts/HostsService.h"
#include "hosts/PairwiseMerge.h"

#include <string>

namespace {

// Entry lines of a list, at most count of them, with CR LF endings.
std::string FirstEntries(const std::string& text, std::size_t count) {
    std::string lines;
    std::size_t taken = 0;
    ForEachListLine(text, [&](const std::string& line) {
        if (taken == count) return false;
        lines += line + "\r\n";
        ++taken;
        return true;
    });
    return lines;
}

const std::string& Adservers() {
    static const std::string text = ReadBenchData("anudeep-adservers.hosts");
    return text;
}
const std::string& Lite() {
    static const std::string text = ReadBenchData("1hosts-lite.hosts");
    return text;
}
const std::string& ProAsHosts() {
    static const std::string text = DomainsAsHosts(ReadBenchData("1hosts-pro.domains"));
    return text;
}

// A HOSTS text of 250,000 lines: the usual head, then entries and comments
// of the real lists. It names no protected domain, so SortHostsText only
// sorts and the prefix's HOSTS file is not rewritten.
const std::string& Hosts250k() {
    static const std::string text = [] {
        std::string hosts = "# HOSTS\r\n127.0.0.1       localhost\r\n::1             localhost\r\n";
        std::size_t lines = 3;
        for (const std::string* list : {&Lite(), &Adservers(), &ProAsHosts()}) {
            ForEachLine(*list, [&](const std::string& line) {
                if (lines == 250000) return false;
                hosts += line + "\r\n";
                ++lines;
                return true;
            });
        }
        RequireNoProtectedLines("the sort input", hosts);
        return hosts;
    }();
    return text;
}

const std::string& List20k() {
    static const std::string text = FirstEntries(Adservers(), 20000);
    return text;
}
const std::string& New20k() {
    static const std::string text = FirstEntries(Lite(), 20000);
    return text;
}

}  // namespace

SITEMOAT_BENCH("merge-lite-into-adservers", 5) {
    std::string list = Adservers();
    StopWatch watch;
    HostsService().AppendNewEntries(list, Lite());
    return watch.ElapsedMs();
}

SITEMOAT_BENCH("merge-pro-into-both", 5) {
    std::string list = Adservers() + Lite();
    const std::string& added = ProAsHosts();
    StopWatch watch;
    HostsService().AppendNewEntries(list, added);
    return watch.ElapsedMs();
}

SITEMOAT_BENCH("sort-250k", 5) {
    const std::string& text = Hosts250k();
    std::string entries;
    std::string head;
    StopWatch watch;
    HostsService().SortHostsText(text, entries, head);
    return watch.ElapsedMs();
}

SITEMOAT_BENCH("pairwise-20k", 3) {
    std::string list = List20k();
    const std::string& added = New20k();
    StopWatch watch;
    AppendNewEntriesPairwise(list, added);
    return watch.ElapsedMs();
}

SITEMOAT_BENCH("merge-20k", 5) {
    std::string list = List20k();
    const std::string& added = New20k();
    StopWatch watch;
    HostsService().AppendNewEntries(list, added);
    return watch.ElapsedMs();
}
