#pragma once

#include <windows.h>

#include "skin/ImageButton.h"
#include "win/Dialog.h"
#include "win/Handles.h"

// What every skinned dialog loads for its frame; nothing is shared between
// dialogs.
struct FrameSkin {
    FrameSkin();

    UniqueImageList caption;         // 0 left end, 1 middle (stretched), 2 right end
    UniqueImageList side;            // 0 left border, 1 right border
    UniqueImageList bottom;          // 0 left corner, 1 middle (stretched), 2 right corner
    UniqueImageList closeButton;     // caption button images
    UniqueImageList minimizeButton;
    UniqueImageList thirdButton;
    UniqueBrush skinBrush;           // background of pop-ups and their statics
    UniqueBrush pageBrush;           // background of child pages
};

// Base of every window of the program: a dialog that draws itself instead
// of letting the system draw caption, border and buttons. A pop-up gets the
// whole frame (caption bar with icon and title, borders, caption buttons,
// dragging by the caption bar); a child page only a white background.
//
// The frame sees every message first: a derived dialog's ProcessMessage
// calls SkinnedDialog::ProcessMessage before its own map and goes on only
// with what the frame did not consume.
class SkinnedDialog : public Dialog {
public:
    static constexpr int kCaptionHeight = 24;

    explicit SkinnedDialog(int templateId);

    bool IsPopup() const;

protected:
    // The frame's own map; true when it consumed the message.
    bool ProcessMessage(Message& m) override;
    // Called after the frame is drawn, with the off-screen surface.
    virtual void PaintHook(HDC dc, const RECT& client);

    const FrameSkin& Skin() const { return skin_; }
    // A window whose size is fixed in pixels, whatever the template font's
    // metrics give: the frame sizes it before it places anything.
    void SetFixedSize(int width, int height) { fixedSize_ = SIZE{width, height}; }

private:

    void OnNcHitTest(Message& m);
    void OnCtlColorStatic(Message& m);
    void OnInitDialog(Message& m);
    void OnCommand(Message& m);
    void OnPaint(Message& m);
    void OnPrintClient(Message& m);
    void OnEraseBackground(Message& m);

    void SetUpCaptionButtons();
    void MakeTitleFont();
    void Paint(HDC target);
    void PaintFrame(HDC dc, const RECT& client);

    FrameSkin skin_;
    SIZE fixedSize_{0, 0};
    UniqueIcon smallIcon_;
    UniqueFont titleFont_;  // the dialog's font in bold, made at WM_INITDIALOG
    ImageButton closeButton_;
    ImageButton minimizeButton_;
    ImageButton thirdButton_;
};
