#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "base/TextCodec.h"
#include "win/Handles.h"

// Colours of the skin.
constexpr COLORREF kSkinColor = RGB(227, 239, 243);   // top-level windows
constexpr COLORREF kPageColor = RGB(255, 255, 255);   // child pages
constexpr COLORREF kTabStripColor = RGB(202, 233, 186);
constexpr COLORREF kLinkColor = RGB(0, 128, 0);
constexpr COLORREF kLinkHoverColor = RGB(0, 0, 128);
constexpr COLORREF kSelectedRowColor = RGB(49, 106, 197);
constexpr COLORREF kRowGridColor = RGB(234, 233, 225);
constexpr COLORREF kOutlineColor = RGB(128, 128, 128);

// Character height of every text of the skin.
constexpr int kSkinFontHeight = -12;
// Longest window text the skin draws (titles, button and label texts): the
// text is read as into a 1000-byte buffer.
constexpr int kMaxTextBytes = 999;

// A bitmap resource of the program.
UniqueBitmap LoadSkinBitmap(int bitmapId);
// A 24-bit image strip: the bitmap cut left to right into cells of the size.
// Empty when the bitmap is missing.
UniqueImageList LoadImageStrip(int bitmapId, int cellWidth, int cellHeight);

// The program's icon at the size of the system metrics given (SM_CXICON and
// SM_CYICON, say).
UniqueIcon LoadAppIcon(int cxMetric, int cyMetric);

// The font "宋体" (GB2312 character set) of the given height and weight.
UniqueFont CreateSkinFont(int height, int weight, bool underline = false);

// Draws one image of a strip stretched over a rectangle: the image goes to a
// scratch surface of the cell size first, which is then stretch-copied.
void DrawStretchedImage(HDC dc, HIMAGELIST strip, int index, const RECT& dest);
// Stretches a whole bitmap over a rectangle; an empty one gets nothing.
void DrawStretchedBitmap(HDC dc, HBITMAP bitmap, const RECT& dest);

// Copies a whole bitmap to (x, y) at its own size.
void DrawBitmap(HDC dc, HBITMAP bitmap, int x, int y);
// A bitmap's size in pixels; 0 x 0 when there is none.
SIZE BitmapSize(HBITMAP bitmap);

void FillSolid(HDC dc, const RECT& rect, COLORREF color);

// Repaints a control that draws on a transparent background: the parent's
// area under it is erased and painted again first, then the control, at once,
// so that new text never lands on top of the old.
void RedrawThroughParent(HWND control);

// Asks for WM_MOUSELEAVE when the pointer leaves the window; false when the
// request failed (no notice will come).
bool RequestMouseLeave(HWND hwnd);

// A window's text, at most maxBytes bytes of it.
std::string WindowTextOf(HWND hwnd, int maxBytes);
