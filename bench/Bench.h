#pragma once

#include <windows.h>

#include <string>

// A benchmark case runs its work once per call and returns the milliseconds
// of the part it measures (set-up such as reading input files stays outside
// the stop watch). The runner calls it several times and prints the median.
using BenchBody = double (*)();

bool RegisterBench(const char* name, int runs, BenchBody body);

// Folder of the real block lists (a Windows path ending in a backslash).
const std::string& BenchDataDir();
// Whole file from the data folder; stops the run when it is missing.
std::string ReadBenchData(const char* fileName);
// Stops the run when hostsText holds a line that SortHostsText would drop
// for blocking the maker's sites: it would then rewrite the prefix's HOSTS
// file. what names the text in the message.
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

#define SITEMOAT_BENCH_CAT2(a, b) a##b
#define SITEMOAT_BENCH_CAT(a, b) SITEMOAT_BENCH_CAT2(a, b)
// SITEMOAT_BENCH("case-name", runs) { ...; return elapsedMs; }
#define SITEMOAT_BENCH(name, runs)                                              \
    static double SITEMOAT_BENCH_CAT(BenchBody_, __LINE__)();                   \
    static const bool SITEMOAT_BENCH_CAT(benchRegistered_, __LINE__) =          \
        RegisterBench(name, runs, &SITEMOAT_BENCH_CAT(BenchBody_, __LINE__));   \
    static double SITEMOAT_BENCH_CAT(BenchBody_, __LINE__)()
