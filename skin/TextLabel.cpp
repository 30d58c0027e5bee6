#include "skin/TextLabel.h"

#include <string>

#include "skin/SkinGdi.h"

void TextLabel::SetFont(COLORREF color, bool bold, int height) {
    font_ = CreateSkinFont(height, bold ? FW_BOLD : FW_NORMAL);
    color_ = color;
    if (Hwnd()) RedrawThroughParent(Hwnd());
}

void TextLabel::SetText(const char* text) {
    if (Hwnd()) SetWindowTextA(Hwnd(), text);  // repaints, see StaticLabel
}

// The alignment the template gives the static (the message and progress
// dialogs centre their text).
UINT TextLabel::Alignment() const {
    switch (GetWindowLongPtrA(Hwnd(), GWL_STYLE) & SS_TYPEMASK) {
    case SS_CENTER:
        return DT_CENTER;
    case SS_RIGHT:
        return DT_RIGHT;
    default:
        return DT_LEFT;
    }
}

void TextLabel::Paint(HDC dc) {
    const std::string text = WindowTextOf(Hwnd(), kMaxTextBytes);
    HFONT font = font_ ? font_.Get() : reinterpret_cast<HFONT>(SendMessageA(Hwnd(), WM_GETFONT, 0, 0));
    ScopedSelect select(dc, font ? static_cast<HGDIOBJ>(font) : GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, color_);
    RECT client;
    GetClientRect(Hwnd(), &client);
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &client,
              DT_WORDBREAK | DT_NOPREFIX | Alignment());
}
