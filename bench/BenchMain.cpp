#include "bench/Bench.h"

#include "hosts/HostsLine.h"
#include "hosts/HostsLines.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

namespace {

struct BenchCase {
    const char* name;
    int runs;
    BenchBody body;
    const char* unit;  // a count's, with countBody
    CountBody countBody;
};

std::vector<BenchCase>& Cases() {
    static std::vector<BenchCase> cases;
    return cases;
}

std::string& Figure() {
    static std::string figure;
    return figure;
}

std::string& DataDir() {
    static std::string dir;
    return dir;
}

bool Wanted(const char* name, int argc, char** argv, int first) {
    if (first >= argc) return true;
    for (int i = first; i < argc; ++i) {
        if (std::strstr(name, argv[i])) return true;
    }
    return false;
}

}  // namespace

bool RegisterBench(const char* name, int runs, BenchBody body) {
    Cases().push_back({name, runs, body, nullptr, nullptr});
    return true;
}

bool RegisterCount(const char* name, const char* unit, CountBody body) {
    Cases().push_back({name, 1, nullptr, unit, body});
    return true;
}

void SetBenchFigure(const std::string& figure) {
    Figure() = figure;
}

const std::string& BenchDataDir() {
    return DataDir();
}

std::string ReadBenchData(const char* fileName) {
    std::ifstream in(DataDir() + fileName, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "missing benchmark data: %s%s\n", DataDir().c_str(), fileName);
        std::exit(2);
    }
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string DomainsAsHosts(const std::string& domains) {
    std::string lines;
    ForEachListLine(domains, [&](const std::string& name) { lines += "0.0.0.0 " + name + "\n"; });
    return lines;
}

void RequireNoProtectedLines(const char* what, const std::string& hostsText) {
    // The same matching as the page's, without touching the file.
    HostsLines lines(hostsText);
    if (lines.RemoveNames(IsMakerName, false) != 0) {
        std::fprintf(stderr, "%s names a protected domain\n", what);
        std::exit(2);
    }
}

// bench.exe --data <folder> [name filters...]
int main(int argc, char** argv) {
    int first = 1;
    if (argc > 2 && std::strcmp(argv[1], "--data") == 0) {
        DataDir() = argv[2];
        if (!DataDir().empty() && DataDir().back() != '\\') DataDir() += '\\';
        first = 3;
    }
    for (const BenchCase& c : Cases()) {
        if (!Wanted(c.name, argc, argv, first)) continue;
        if (c.countBody) {
            std::printf("%s: %u %s\n", c.name, unsigned(c.countBody()), c.unit);
            if (!Figure().empty()) std::printf("  %s\n", Figure().c_str());
            Figure().clear();
            std::fflush(stdout);
            continue;
        }
        std::vector<double> times;
        for (int i = 0; i < c.runs; ++i) times.push_back(c.body());
        std::sort(times.begin(), times.end());
        std::printf("%s: %.1f ms\n", c.name, times[times.size() / 2]);
        if (!Figure().empty()) std::printf("  %s\n", Figure().c_str());
        Figure().clear();
        std::fflush(stdout);
    }
    return 0;
}
