#pragma once

#include <windows.h>

#include <vector>

#include "win/Handles.h"
#include "win/Window.h"

// A plain top-level window for hosting controls under test; it records the
// commands it receives.
class CommandRecorder : public WindowObject {
public:
    struct Command {
        int id;
        int code;
        LPARAM lParam;
    };

    explicit CommandRecorder(const RECT& rect = RECT{100, 100, 500, 400});
    std::vector<Command> commands;

protected:
    bool ProcessMessage(Message& m) override;
};

// An image strip of solid cells, one colour each, so that a pixel tells
// which image was drawn.
UniqueImageList MakeSolidStrip(int cellWidth, int cellHeight, const std::vector<COLORREF>& colors);

// Sends a mouse message with client coordinates.
void SendMouse(HWND hwnd, UINT message, int x, int y, WPARAM keys = 0);
