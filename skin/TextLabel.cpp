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

void TextLabel::Paint(HDC dc) {
    const std::string text = WindowTextOf(Hwnd(), kMaxTextBytes);
    HFONT font = font_ ? font_.Get() : reinterpret_cast<HFONT>(SendMessageA(Hwnd(), WM_GETFONT, 0, 0));
    ScopedSelect select(dc, font ? static_cast<HGDIOBJ>(font) : GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, color_);
    RECT client;
    GetClientRect(Hwnd(), &client);
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &client, DT_WORDBREAK | DT_NOPREFIX);
}
