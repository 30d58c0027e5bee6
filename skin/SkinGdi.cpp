#include "skin/SkinGdi.h"

#include <vector>

#include "res/resource.h"
#include "win/AppModule.h"

UniqueBitmap LoadSkinBitmap(int bitmapId) {
    return UniqueBitmap(static_cast<HBITMAP>(LoadImageA(AppModule::Get().Instance(),
                                                        MAKEINTRESOURCEA(bitmapId), IMAGE_BITMAP,
                                                        0, 0, LR_DEFAULTCOLOR)));
}

UniqueImageList LoadImageStrip(int bitmapId, int cellWidth, int cellHeight) {
    UniqueBitmap bitmap = LoadSkinBitmap(bitmapId);
    if (!bitmap) return UniqueImageList();
    BITMAP info{};
    GetObjectA(bitmap.Get(), sizeof info, &info);
    const int cells = cellWidth > 0 ? info.bmWidth / cellWidth : 0;
    UniqueImageList strip(ImageList_Create(cellWidth, cellHeight, ILC_COLOR24, cells, 1));
    if (strip) ImageList_Add(strip.Get(), bitmap.Get(), nullptr);
    return strip;
}

UniqueIcon LoadAppIcon(int cxMetric, int cyMetric) {
    return UniqueIcon(static_cast<HICON>(LoadImageA(AppModule::Get().Instance(),
                                                    MAKEINTRESOURCEA(IDI_APP), IMAGE_ICON,
                                                    GetSystemMetrics(cxMetric),
                                                    GetSystemMetrics(cyMetric), 0)));
}

UniqueFont CreateSkinFont(int height, int weight, bool underline) {
    LOGFONTA lf{};
    lf.lfHeight = height;
    lf.lfWeight = weight;
    lf.lfUnderline = underline ? TRUE : FALSE;
    lf.lfCharSet = GB2312_CHARSET;
    lstrcpynA(lf.lfFaceName, "宋体", LF_FACESIZE);
    return UniqueFont(CreateFontIndirectA(&lf));
}

void DrawStretchedImage(HDC dc, HIMAGELIST strip, int index, const RECT& dest) {
    int cx = 0;
    int cy = 0;
    if (!strip || !ImageList_GetIconSize(strip, &cx, &cy)) return;
    OffscreenSurface scratch(dc, cx, cy);
    if (!ImageList_Draw(strip, index, scratch.Get(), 0, 0, ILD_NORMAL)) return;
    StretchBlt(dc, dest.left, dest.top, dest.right - dest.left, dest.bottom - dest.top,
               scratch.Get(), 0, 0, cx, cy, SRCCOPY);
}

void DrawStretchedBitmap(HDC dc, HBITMAP bitmap, const RECT& dest) {
    const SIZE size = BitmapSize(bitmap);
    // An inverted destination would mirror the picture instead of drawing nothing.
    if (size.cx <= 0 || size.cy <= 0 || IsRectEmpty(&dest)) return;
    UniqueMemoryDc source(CreateCompatibleDC(dc));
    ScopedSelect select(source.Get(), bitmap);
    StretchBlt(dc, dest.left, dest.top, dest.right - dest.left, dest.bottom - dest.top,
               source.Get(), 0, 0, size.cx, size.cy, SRCCOPY);
}

void DrawBitmap(HDC dc, HBITMAP bitmap, int x, int y) {
    const SIZE size = BitmapSize(bitmap);
    if (size.cx <= 0 || size.cy <= 0) return;
    UniqueMemoryDc source(CreateCompatibleDC(dc));
    ScopedSelect select(source.Get(), bitmap);
    BitBlt(dc, x, y, size.cx, size.cy, source.Get(), 0, 0, SRCCOPY);
}

SIZE BitmapSize(HBITMAP bitmap) {
    BITMAP info{};
    if (!bitmap || !GetObjectA(bitmap, sizeof info, &info)) return SIZE{0, 0};
    return SIZE{info.bmWidth, info.bmHeight};
}

void FillSolid(HDC dc, const RECT& rect, COLORREF color) {
    const COLORREF old = SetBkColor(dc, color);
    ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
    SetBkColor(dc, old);
}

void RedrawThroughParent(HWND control) {
    const HWND parent = GetParent(control);
    if (!parent || (GetWindowLongA(control, GWL_STYLE) & WS_CHILD) == 0) {
        RedrawWindow(control, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        return;
    }
    RECT area;
    GetWindowRect(control, &area);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&area), 2);
    RedrawWindow(parent, &area, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

bool RequestMouseLeave(HWND hwnd) {
    TRACKMOUSEEVENT track{};
    track.cbSize = sizeof track;
    track.dwFlags = TME_LEAVE;
    track.hwndTrack = hwnd;
    return TrackMouseEvent(&track) != FALSE;
}

std::string WindowTextOf(HWND hwnd, int maxBytes) {
    std::vector<char> buffer(maxBytes + 1, '\0');
    const int n = GetWindowTextA(hwnd, buffer.data(), maxBytes + 1);
    return std::string(buffer.data(), n > 0 ? n : 0);
}
