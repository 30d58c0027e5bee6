#pragma once

#include <windows.h>

#include <atomic>
#include <thread>

// Sends WM_NULL to a window from a thread of its own, one message after
// the other, and keeps the longest time the window took to answer one: how
// long a click or a key would have waited meanwhile.
class ResponseProbe {
public:
    explicit ResponseProbe(HWND window);
    ~ResponseProbe();
    ResponseProbe(const ResponseProbe&) = delete;
    ResponseProbe& operator=(const ResponseProbe&) = delete;

    // Stops sending; then the results below are final.
    void Stop();
    double LongestWaitMs() const { return longestMs_; }
    int Answered() const { return answered_; }

private:
    void Run();

    HWND window_;  // not owned
    std::atomic<bool> stop_{false};
    std::atomic<bool> finished_{false};
    std::atomic<double> longestMs_{0};
    std::atomic<int> answered_{0};
    std::thread thread_;
};
