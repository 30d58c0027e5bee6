#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// What a window paints, read back as 32-bit pixels: the window is asked to
// paint itself into a DIB (WM_PRINTCLIENT), not read from the screen. Only
// the frames of child windows (borders, scroll bars), which no message
// paints into a given surface, are copied as the system last drew them.
class PixelCapture {
public:
    // The window's own painting of its client area.
    static PixelCapture OfClient(HWND hwnd);
    // The window and, on top, each visible child at its place (recursively),
    // as the user sees the client area.
    static PixelCapture OfTree(HWND hwnd);
    // Whatever the function paints on a black surface of the size.
    static PixelCapture OfPainting(int width, int height, const std::function<void(HDC)>& paint);

    // The part inside the rectangle (clipped to the image).
    PixelCapture Crop(const RECT& rect) const;
    // Every pixel as a square of factor x factor pixels.
    PixelCapture Scaled(int factor) const;
    // Copies the pixels onto the surface with their top left corner at (x, y).
    void DrawTo(HDC dc, int x, int y) const;

    int Width() const { return width_; }
    int Height() const { return height_; }
    COLORREF At(int x, int y) const;
    // Number of pixels of the colour inside the rectangle.
    int Count(const RECT& rect, COLORREF color) const;
    bool SavePng(const std::string& path) const;

private:
    static PixelCapture OfWindow(HWND hwnd, bool children);

    int width_ = 0;
    int height_ = 0;
    std::vector<uint32_t> pixels_;  // top-down, 0x00RRGGBB
};

// Pumps the calling thread's messages for about the given time.
void PumpMessages(DWORD milliseconds = 0);
