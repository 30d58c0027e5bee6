#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "PixelCapture.h"

// The folder "gallery" beside the test executable, where the pictures go;
// made when missing.
std::string GalleryFolder();
// Writes the picture to <GalleryFolder>\<name>.png.
bool SaveToGallery(const PixelCapture& picture, const std::string& name);

bool SamePixels(const PixelCapture& a, const PixelCapture& b);

// What the window and its visible children show inside the rectangle of a
// child (its window rectangle, widened by margin on every side).
PixelCapture CaptureAround(HWND child, int margin);

// A sheet for a reader: pictures in a grid under column titles, each row
// with a title at its left, on white.
struct SheetRow {
    std::string title;
    std::vector<PixelCapture> cells;
};
PixelCapture ComposeSheet(const std::vector<std::string>& columnTitles,
                          const std::vector<SheetRow>& rows);

// Pumps messages until the condition holds or the time is up; true when it held.
template <class Condition>
bool PumpUntil(Condition condition, DWORD milliseconds = 5000) {
    const DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > milliseconds) return false;
        PumpMessages(20);
    }
    return true;
}
