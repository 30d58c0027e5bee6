#pragma once

#include <windows.h>

#include "skin/StaticLabel.h"
#include "win/Handles.h"

// A plain word-wrapped text in a font and colour the owner sets, drawn over
// the parent's background, aligned as the static's style says (SS_LEFT,
// SS_CENTER, SS_RIGHT). Until SetFont is called it draws black in the
// static control's own font.
class TextLabel : public StaticLabel {
public:
    // Replaces the font: "宋体" of the height, bold (700) or normal (400).
    void SetFont(COLORREF color, bool bold, int height);
    void SetText(const char* text);

protected:
    void Paint(HDC dc) override;

private:
    UINT Alignment() const;

    UniqueFont font_;
    COLORREF color_ = RGB(0, 0, 0);
};
