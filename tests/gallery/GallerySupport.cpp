#include "GallerySupport.h"

#include <algorithm>

#include "skin/SkinGdi.h"
#include "win/Handles.h"

namespace {

constexpr int kSheetMargin = 12;
constexpr int kSheetGap = 16;
constexpr COLORREF kSheetText = RGB(64, 64, 64);

SIZE TextSize(HDC dc, const std::string& text) {
    const std::wstring wide = AnsiToWide(text);
    SIZE size{0, 0};
    if (!wide.empty()) GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &size);
    return size;
}

void DrawLabel(HDC dc, const std::string& text, RECT rect) {
    const std::wstring wide = AnsiToWide(text);
    DrawTextW(dc, wide.c_str(), static_cast<int>(wide.size()), &rect,
              DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX);
}

}  // namespace

std::string GalleryFolder() {
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, length);
    folder = folder.substr(0, folder.find_last_of('\\') + 1) + "gallery";
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

bool SaveToGallery(const PixelCapture& picture, const std::string& name) {
    return picture.SavePng(GalleryFolder() + "\\" + name + ".png");
}

bool SamePixels(const PixelCapture& a, const PixelCapture& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
    for (int y = 0; y < a.Height(); ++y) {
        for (int x = 0; x < a.Width(); ++x) {
            if (a.At(x, y) != b.At(x, y)) return false;
        }
    }
    return true;
}

PixelCapture CaptureAround(HWND child, int margin) {
    HWND top = GetAncestor(child, GA_ROOT);
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, top, reinterpret_cast<POINT*>(&r), 2);
    InflateRect(&r, margin, margin);
    return PixelCapture::OfTree(top).Crop(r);
}

PixelCapture ComposeSheet(const std::vector<std::string>& columnTitles,
                          const std::vector<SheetRow>& rows) {
    UniqueFont font = CreateSkinFont(kSkinFontHeight, FW_NORMAL);
    WindowDc screen(nullptr);
    UniqueMemoryDc measure(CreateCompatibleDC(screen.Get()));
    ScopedSelect measureFont(measure.Get(), font.Get());

    size_t columns = columnTitles.size();
    for (const SheetRow& row : rows) columns = std::max(columns, row.cells.size());
    std::vector<int> widths(columns, 0);
    std::vector<int> heights(rows.size(), 0);
    int titleWidth = 0;
    int headerHeight = 0;
    for (size_t c = 0; c < columnTitles.size(); ++c) {
        const SIZE s = TextSize(measure.Get(), columnTitles[c]);
        widths[c] = std::max(widths[c], static_cast<int>(s.cx));
        headerHeight = std::max(headerHeight, static_cast<int>(s.cy) + kSheetGap / 2);
    }
    for (size_t r = 0; r < rows.size(); ++r) {
        const SIZE s = TextSize(measure.Get(), rows[r].title);
        titleWidth = std::max(titleWidth, static_cast<int>(s.cx));
        heights[r] = s.cy;
        for (size_t c = 0; c < rows[r].cells.size(); ++c) {
            widths[c] = std::max(widths[c], rows[r].cells[c].Width());
            heights[r] = std::max(heights[r], rows[r].cells[c].Height());
        }
    }
    if (titleWidth > 0) titleWidth += kSheetGap;
    int width = 2 * kSheetMargin + titleWidth;
    for (int w : widths) width += w + kSheetGap;
    width -= columns ? kSheetGap : 0;
    int height = 2 * kSheetMargin + headerHeight;
    for (int h : heights) height += h + kSheetGap;
    height -= rows.empty() ? 0 : kSheetGap;

    return PixelCapture::OfPainting(width, height, [&](HDC dc) {
        FillSolid(dc, RECT{0, 0, width, height}, RGB(255, 255, 255));
        ScopedSelect select(dc, font.Get());
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, kSheetText);
        int x = kSheetMargin + titleWidth;
        for (size_t c = 0; c < columns; ++c) {
            if (c < columnTitles.size()) {
                DrawLabel(dc, columnTitles[c],
                          RECT{x, kSheetMargin, x + widths[c], kSheetMargin + headerHeight});
            }
            x += widths[c] + kSheetGap;
        }
        int y = kSheetMargin + headerHeight;
        for (size_t r = 0; r < rows.size(); ++r) {
            DrawLabel(dc, rows[r].title, RECT{kSheetMargin, y, kSheetMargin + titleWidth, y + heights[r]});
            x = kSheetMargin + titleWidth;
            for (size_t c = 0; c < rows[r].cells.size(); ++c) {
                const PixelCapture& cell = rows[r].cells[c];
                cell.DrawTo(dc, x, y + (heights[r] - cell.Height()) / 2);
                x += widths[c] + kSheetGap;
            }
            y += heights[r] + kSheetGap;
        }
    });
}
