#include "SkinTestWindows.h"

#include "skin/SkinGdi.h"

namespace {
constexpr char kRecorderClass[] = "SitemoatCommandRecorder";
}

CommandRecorder::CommandRecorder(const RECT& rect) {
    RegisterWindowClass(kRecorderClass);
    Create(kRecorderClass, nullptr, rect, WS_POPUP | WS_VISIBLE);
}

bool CommandRecorder::ProcessMessage(Message& m) {
    if (m.id == WM_COMMAND) {
        commands.push_back({LOWORD(m.wParam), HIWORD(m.wParam), m.lParam});
        return true;
    }
    if (m.id == WM_ERASEBKGND) {
        m.result = 1;
        return true;
    }
    return false;
}

UniqueImageList MakeSolidStrip(int cellWidth, int cellHeight, const std::vector<COLORREF>& colors) {
    const int count = static_cast<int>(colors.size());
    WindowDc screen(nullptr);
    UniqueBitmap bitmap(CreateCompatibleBitmap(screen.Get(), cellWidth * count, cellHeight));
    UniqueMemoryDc dc(CreateCompatibleDC(screen.Get()));
    {
        ScopedSelect select(dc.Get(), bitmap.Get());
        for (int i = 0; i < count; ++i) {
            FillSolid(dc.Get(), RECT{i * cellWidth, 0, (i + 1) * cellWidth, cellHeight}, colors[i]);
        }
    }
    UniqueImageList strip(ImageList_Create(cellWidth, cellHeight, ILC_COLOR24, count, 0));
    ImageList_Add(strip.Get(), bitmap.Get(), nullptr);
    return strip;
}

void SendMouse(HWND hwnd, UINT message, int x, int y, WPARAM keys) {
    SendMessageA(hwnd, message, keys, MAKELPARAM(x, y));
}
