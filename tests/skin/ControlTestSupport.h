#pragma once

#include <windows.h>

#include <vector>

#include "win/Window.h"

// The parent of the controls under test: a visible pop-up window that paints
// its client area in one colour and counts the commands sent (not posted)
// to it. Posted messages stay in the queue until TakePosted takes them.
class TestParent : public WindowObject {
public:
    static constexpr COLORREF kBackground = RGB(227, 239, 243);

    ~TestParent() override;
    bool Open(int width, int height);

    int sentCommands = 0;

protected:
    bool ProcessMessage(Message& m) override;

private:
    void OnEraseBackground(Message& m);
    void OnPaint(Message& m);
    void OnPrintClient(Message& m);
    void OnCommand(Message& m);
};

// The messages of the kind (0: all) posted to the window or its children so
// far, taken off the queue.
std::vector<MSG> TakePosted(HWND hwnd, UINT message);

// A press and a release of the left button at the client point.
void ClickAt(HWND hwnd, int x, int y);
