#include "tests/support/ResponseProbe.h"

namespace {

// Far longer than any wait the probe is used to catch.
constexpr UINT kTimeoutMs = 30000;

}  // namespace

ResponseProbe::ResponseProbe(HWND window) : window_(window), thread_([this] { Run(); }) {}

ResponseProbe::~ResponseProbe() {
    Stop();
}

// Called on the window's thread, too: a message the probe is sending now is
// answered while it waits, or it would wait for the probe and the probe for it.
void ResponseProbe::Stop() {
    stop_ = true;
    while (!finished_) {
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        Sleep(1);
    }
    if (thread_.joinable()) thread_.join();
}

void ResponseProbe::Run() {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    while (!stop_) {
        LARGE_INTEGER sent;
        LARGE_INTEGER answered;
        DWORD_PTR result = 0;
        QueryPerformanceCounter(&sent);
        const bool ok = SendMessageTimeoutA(window_, WM_NULL, 0, 0, SMTO_NORMAL, kTimeoutMs, &result) != 0;
        QueryPerformanceCounter(&answered);
        const double ms = double(answered.QuadPart - sent.QuadPart) * 1000.0 / double(frequency.QuadPart);
        if (ms > longestMs_) longestMs_ = ms;
        if (ok) ++answered_;
        Sleep(1);
    }
    finished_ = true;
}
