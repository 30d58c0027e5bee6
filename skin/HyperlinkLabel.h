#pragma once

#include <windows.h>

#include "skin/StaticLabel.h"
#include "win/Handles.h"

// An underlined text that turns navy under the pointer, shows the hand
// cursor and reports a click to its parent: on left-button release it posts
// WM_COMMAND with its control id, notification code 0 and lParam 0, which the
// parent handles like a button click.
//
// By default it draws its text on one line at its top left and, at every
// paint, fits its window to the text and its underline, so that only the
// text is active.
class HyperlinkLabel : public StaticLabel {
public:
    HyperlinkLabel();

    // Creates a static control with the text at the rectangle of the parent's
    // client area and takes it over.
    bool Create(HWND parent, int controlId, const RECT& rect, const char* text);

    // Draw right-aligned in the window, or word-wrapped with an ellipsis where
    // a line does not fit; either keeps the window's size.
    void SetRightAligned(bool on) { rightAligned_ = on; }
    void SetWordWrap(bool on) { wordWrap_ = on; }

    bool IsHovered() const { return hovered_; }

protected:
    bool ProcessMessage(Message& m) override;
    void Paint(HDC dc) override;

private:
    void OnNcHitTest(Message& m);
    void OnMouseMove(Message& m);
    void OnMouseLeave(Message& m);
    void OnSetCursor(Message& m);
    void OnButtonDown(Message& m);
    void OnButtonUp(Message& m);
    void OnGetDlgCode(Message& m);
    void OnKeyDown(Message& m);
    void OnFocus(Message& m);
    void Activate();

    UniqueFont font_;
    bool hovered_ = false;
    bool tracking_ = false;  // a mouse-left notice has been requested
    POINT lastPoint_{-1, -1};
    bool rightAligned_ = false;
    bool wordWrap_ = false;
};
