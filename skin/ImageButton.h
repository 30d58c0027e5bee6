#pragma once

#include <windows.h>

#include <string>

#include "win/Handles.h"
#include "win/Window.h"

// A push button drawn from an image strip instead of by the system. It
// attaches to an existing button, makes it owner-drawn (from then on), with
// auto-size sizes its client area to one image cell, and shows one of four
// images after its state. A completed click reaches the parent as the
// ordinary BN_CLICKED command.
class ImageButton : public WindowObject {
public:
    // Extended styles.
    static constexpr DWORD kHover = 1;     // track the pointer, show the hover image
    static constexpr DWORD kAutoSize = 8;  // size the button to one image cell

    explicit ImageButton(DWORD extendedStyle = kAutoSize, std::string tooltip = std::string());

    // The button owns this strip and destroys it with itself.
    void SetImageStrip(UniqueImageList strip);
    // A strip that someone else owns (a dialog's skin, shared by buttons).
    void SetSharedImageStrip(HIMAGELIST strip);
    // Image indices; -1 leaves an index as it was. Unset indices fall back
    // to the normal image.
    void SetImages(int normal, int pressed = -1, int hover = -1, int disabled = -1);
    // Sets the styles in mask to those of style; returns the old styles.
    DWORD SetExtendedStyle(DWORD style, DWORD mask = ~DWORD(0));
    DWORD ExtendedStyle() const { return style_; }

    // The image the button shows now.
    int CurrentImage() const;
    bool IsPressed() const { return pressed_; }
    bool IsMouseOver() const { return mouseOver_; }

protected:
    bool ProcessMessage(Message& m) override;
    bool ProcessReflected(Message& m) override;
    void OnAttached() override { Setup(); }
    void OnDetaching() override;
    // Draws the button's face; the base draws the current image at (0, 0).
    virtual void Draw(HDC dc, const RECT& client);
    HIMAGELIST Strip() const { return strip_; }

    // Makes the bound button owner-drawn, sizes it and adds its tooltip:
    // on Attach, and by a derived class that creates its button itself.
    void Setup();
    void Repaint();

private:
    void SizeToImage();
    void OnMouseMove(Message& m);
    void OnMouseLeave(Message& m);
    void OnButtonDown(Message& m);
    void OnButtonUp(Message& m);
    void OnCaptureChanged(Message& m);
    void OnKey(Message& m);
    void OnFocus(Message& m);
    void OnEnable(Message& m);
    void OnEraseBackground(Message& m);
    void RelayToTooltip(const Message& m);
    bool Tracks() const { return (style_ & kHover) != 0; }

    DWORD style_;
    UniqueImageList ownedStrip_;
    HIMAGELIST strip_ = nullptr;  // ownedStrip_ or a shared one (not owned)
    int normal_ = -1;
    int pressedImage_ = -1;
    int hover_ = -1;
    int disabled_ = -1;
    std::string tooltipText_;
    HWND tooltip_ = nullptr;  // destroyed with the button (owned by its window)
    bool mouseOver_ = false;
    bool hasFocus_ = false;
    bool pressed_ = false;
};

// An image button that also draws its window text centred over the image:
// black when enabled, red when disabled, in the skin font.
class TextImageButton : public ImageButton {
public:
    using ImageButton::ImageButton;

protected:
    void Draw(HDC dc, const RECT& client) override;

private:
    UniqueFont font_;  // made at the first drawing
};

// The image button of a window class of its own ("LogoButton", a superclass
// of BUTTON) that shows the hand cursor while the pointer is over it.
class HandCursorButton : public ImageButton {
public:
    using ImageButton::ImageButton;

    // Creates the button as a visible child and attaches to it.
    bool Create(HWND parent, int controlId, const RECT& rect);

protected:
    bool ProcessMessage(Message& m) override;

private:
    bool leaveRequested_ = false;
};
