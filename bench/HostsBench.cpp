#include "bench/Bench.h"
#include "hosts/BlockList.h"
#include "base/TextEncoding.h"
#include "hosts/HostsLines.h"
#include "hosts/HostsText.h"
#include "tests/support/PairwiseMerge.h"
#include "tests/support/WindowsHosts.h"

#include <cstdio>
#include <cstdlib>
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
// of the real lists, one name a line. It names no protected domain, so the
// document takes nothing out of it.
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
        RequireNoProtectedLines("the document input", hosts);
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

// 1,000 names of the pro list, every 150th, a fifth of them as "*." and
// the parent domain, so that many of the merged names really match.
const std::string& ExceptionText() {
    static const std::string text = [] {
        std::string lines;
        std::size_t exact = 0;
        std::size_t wildcards = 0;
        std::size_t index = 0;
        ForEachListLine(ProAsHosts(), [&](const std::string& line) {
            if (index++ % 150 != 0) return true;
            const std::string name = line.substr(line.find(' ') + 1);
            const std::size_t dot = name.find('.');
            // A parent of one label ("*.com") would take a whole top-level domain.
            const bool deep = dot != std::string::npos &&
                              name.find('.', dot + 1) != std::string::npos;
            if (wildcards < 200 && deep && ((exact + wildcards) % 5 == 0 || exact == 800)) {
                lines += "*." + name.substr(dot + 1) + "\r\n";
                ++wildcards;
            } else if (exact < 800) {
                lines += name + "\r\n";
                ++exact;
            }
            return exact + wildcards < 1000;
        });
        if (exact + wildcards < 1000) {
            std::fprintf(stderr, "the pro list gave %u exceptions\n", unsigned(exact + wildcards));
            std::exit(2);
        }
        return lines;
    }();
    return text;
}

// merge-pro-into-both through the update pass's merge, exceptions included.
double MergeProIntoBothBlockList(const std::string& exceptionText) {
    std::string list = Adservers() + Lite();
    const std::string& added = ProAsHosts();
    StopWatch watch;
    const ExceptionList exceptions(exceptionText);
    BlockListMerger merger(list);
    const ListMergeResult result = merger.Append(added, exceptions);
    list += merger.Added();
    const double elapsed = watch.ElapsedMs();
    if (!exceptions.Empty() && result.dropped.excepted == 0) {
        std::fprintf(stderr, "no name of the list matched an exception\n");
        std::exit(2);
    }
    return elapsed;
}

}  // namespace

SITEMOAT_BENCH("merge-lite-into-adservers", 5) {
    std::string list = Adservers();
    StopWatch watch;
    AppendNewEntries(list, Lite());
    return watch.ElapsedMs();
}

SITEMOAT_BENCH("merge-pro-into-both", 5) {
    std::string list = Adservers() + Lite();
    const std::string& added = ProAsHosts();
    StopWatch watch;
    AppendNewEntries(list, added);
    return watch.ElapsedMs();
}

SITEMOAT_BENCH("merge-pro-into-both-blocklist", 5) {
    return MergeProIntoBothBlockList("");
}

SITEMOAT_BENCH("merge-pro-into-both-exceptions", 5) {
    return MergeProIntoBothBlockList(ExceptionText());
}

SITEMOAT_BENCH("document-250k", 5) {
    const std::string& text = Hosts250k();
    StopWatch watch;
    const HostsLines lines(text);
    const std::string shown = lines.ShownText();
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
    AppendNewEntries(list, added);
    return watch.ElapsedMs();
}

// The four real lists merged into the HOSTS Windows comes with, as the
// update pass merges them: the lines HOSTS then has, and its names.
SITEMOAT_COUNT("hosts-lines-real-lists", "lines") {
    HostsLines hosts(kWindowsHosts);
    BlockListMerger merger(ReadableText(hosts.Bytes()));
    for (const std::string* list : {&Adservers(), &Lite(), &ProAsHosts()}) merger.Append(*list, {});
    merger.Append(ReadBenchData("anudeep-coinminer.hosts"), {});
    hosts.InsertAfterLastEntry(merger.Added());
    SetBenchFigure("names merged " + std::to_string(merger.AddedCount()));
    return hosts.Count();
}
