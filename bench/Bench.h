#pragma once

#include <windows.h>

#include <string>
#include <type_traits>

// A benchmark case runs its work once per call and returns the milliseconds
// of the part it measures (set-up such as reading input files stays outside
// the stop watch). The runner calls it several times and prints the median.
using BenchBody = double (*)();

bool RegisterBench(const char* name, int runs, BenchBody body);
// A case that counts rather than times: printed "name: <count> <unit>".
using CountBody = std::size_t (*)();
bool RegisterCount(const char* name, const char* unit, CountBody body);
// A figure of the case besides its time, such as the bytes a server sent;
// printed once after the case's time, as the last run left it.
void SetBenchFigure(const std::string& figure);

// Folder of the real block lists (a Windows path ending in a backslash).
const std::string& BenchDataDir();
// Whole file from the data folder; stops the run when it is missing.
std::string ReadBenchData(const char* fileName);
namespace bench_detail {

// A visit may return nothing, or whether the walk goes on.
template <typename Visit>
bool GoesOnAfter(Visit& visit, const std::string& line) {
    if constexpr (std::is_same_v<decltype(visit(line)), bool>) {
        return visit(line);
    } else {
        visit(line);
        return true;
    }
}

}  // namespace bench_detail

// Calls visit(line) for every line of text, without its LF (a CR before it
// stays); a visit that returns false ends the walk.
template <typename Visit>
void ForEachLine(const std::string& text, Visit visit) {
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(start, end - start);
        start = end + 1;
        if (!bench_detail::GoesOnAfter(visit, line)) return;
    }
}

// Calls visit(line) for every line of a block list that is neither empty nor
// a comment, without its line end (LF or CR LF); a visit that returns false
// ends the walk.
template <typename Visit>
void ForEachListLine(const std::string& text, Visit visit) {
    ForEachLine(text, [&](std::string line) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line.front() == '#') return true;
        return bench_detail::GoesOnAfter(visit, line);
    });
}

// A list of bare domain names as "0.0.0.0 name" lines, each ended by LF;
// comments and empty lines are left out.
std::string DomainsAsHosts(const std::string& domains);

// Stops the run when hostsText blocks one of the maker's names: loading it
// would take them out and rewrite the prefix's HOSTS file. what names the
// text in the message.
void RequireNoProtectedLines(const char* what, const std::string& hostsText);

class StopWatch {
public:
    StopWatch() {
        QueryPerformanceFrequency(&frequency_);
        QueryPerformanceCounter(&start_);
    }
    double ElapsedMs() const {
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        return double(now.QuadPart - start_.QuadPart) * 1000.0 / double(frequency_.QuadPart);
    }

private:
    LARGE_INTEGER frequency_;
    LARGE_INTEGER start_;
};

// SITEMOAT_COUNT("case-name", "lines") { ...; return count; }
#define SITEMOAT_COUNT(name, unit)                                              \
    static std::size_t SITEMOAT_BENCH_CAT(CountBody_, __LINE__)();              \
    static const bool SITEMOAT_BENCH_CAT(countRegistered_, __LINE__) =          \
        RegisterCount(name, unit, &SITEMOAT_BENCH_CAT(CountBody_, __LINE__));   \
    static std::size_t SITEMOAT_BENCH_CAT(CountBody_, __LINE__)()

#define SITEMOAT_BENCH_CAT2(a, b) a##b
#define SITEMOAT_BENCH_CAT(a, b) SITEMOAT_BENCH_CAT2(a, b)
// SITEMOAT_BENCH("case-name", runs) { ...; return elapsedMs; }
#define SITEMOAT_BENCH(name, runs)                                              \
    static double SITEMOAT_BENCH_CAT(BenchBody_, __LINE__)();                   \
    static const bool SITEMOAT_BENCH_CAT(benchRegistered_, __LINE__) =          \
        RegisterBench(name, runs, &SITEMOAT_BENCH_CAT(BenchBody_, __LINE__));   \
    static double SITEMOAT_BENCH_CAT(BenchBody_, __LINE__)()
