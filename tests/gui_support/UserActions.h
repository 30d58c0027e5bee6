#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// What a user does while a modal loop runs on the test's own thread: the
// step is called from that loop (a thread timer) every few milliseconds
// until it returns true. If it has not succeeded after the time limit, every
// dialog of the thread is ended with kGaveUp, so a broken dialog fails the
// test instead of hanging it. One script at a time per process.
class LoopScript {
public:
    static constexpr INT_PTR kGaveUp = -99;

    explicit LoopScript(std::function<bool()> step, DWORD limitMs = 20000);
    ~LoopScript();
    LoopScript(const LoopScript&) = delete;
    LoopScript& operator=(const LoopScript&) = delete;

    bool Done() const;
    bool GaveUp() const;

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
    UINT_PTR timer_;
};

// Visible top-level windows of the process whose title is exactly title.
std::vector<HWND> FindTopWindows(DWORD processId, const std::string& title);
// Where a child window lies in its parent's client area.
RECT RectInParent(HWND child);
// The window text of a dialog's control (ANSI), "" when there is none.
std::string ItemText(HWND dialog, int controlId);
// Polls the condition until it holds or the time is up, pumping the calling
// thread's messages meanwhile; returns the condition's last value.
bool WaitFor(const std::function<bool()>& condition, DWORD limitMs = 20000);
// The same, with the condition looked at after every message: work done
// on a timer that is due again after each step (a fill of the hosts page)
// keeps the queue from ever being empty, where WaitFor would look.
bool WaitForEachMessage(const std::function<bool()>& condition, DWORD limitMs = 20000);
