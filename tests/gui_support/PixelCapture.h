#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// What a window paints, read back as 32-bit pixels: the window is asked to
// paint itself into a DIB (WM_PRINTCLIENT), never read from the screen.
class PixelCapture {
public:
    // The window's own painting of its client area.
    static PixelCapture OfClient(HWND hwnd);
    // The window and, on top, each visible child at its place (recursively),
    // as the user sees the client area.
    static PixelCapture OfTree(HWND hwnd);

    int Width() const { return width_; }
    int Height() const { return height_; }
    COLORREF At(int x, int y) const;
    // Number of pixels of the colour inside the rectangle.
    int Count(const RECT& rect, COLORREF color) const;
    bool SavePng(const std::string& path) const;

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<uint32_t> pixels_;  // top-down, 0x00RRGGBB
};

// Pumps the calling thread's messages for about the given time.
void PumpMessages(DWORD milliseconds = 0);
