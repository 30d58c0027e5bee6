#pragma once

#include <windows.h>

#include <vector>

#include "skin/PaintedControl.h"
#include "win/Handles.h"

// A row of tabs drawn entirely from bitmaps, each tab a picture in a selected
// and an unselected version, on a filler bitmap. When the user releases the
// left button over a tab other than the current one, the strip posts its
// parent the notification message (wParam = tab id, lParam = -1) and makes
// that tab current. Choosing a tab by program (Select) posts nothing.
class TabStrip : public PaintedControl {
public:
    static constexpr char kClassName[] = "SitemoatTabStrip";

    // Creates the strip as a visible child at the rectangle of the parent's
    // client area.
    HWND Create(HWND parent, const RECT& rect, UINT notifyMessage);
    // Loads both pictures and appends the tab.
    void AddTab(int tabId, int selectedBitmapId, int unselectedBitmapId, int selectedWidth,
                int unselectedWidth);
    // The bitmap stretched over the strip right of the last tab.
    void SetFiller(int bitmapId);
    // Makes the tab at the index current and repaints; an index out of range
    // is ignored.
    void Select(int index);

    int Current() const { return current_; }
    int TabCount() const { return static_cast<int>(tabs_.size()); }
    // The client rectangle that a click must fall into to choose the tab.
    RECT HitRect(int index) const;

protected:
    bool ProcessMessage(Message& m) override;
    void OnFinalMessage() override;
    void Paint(HDC target) override;

private:
    struct Tab {
        int id;
        UniqueBitmap selectedPicture;
        UniqueBitmap unselectedPicture;
        RECT hit;
        int selectedWidth;
        int unselectedWidth;

        int Width(bool selected) const { return selected ? selectedWidth : unselectedWidth; }
        HBITMAP Picture(bool selected) const {
            return selected ? selectedPicture.Get() : unselectedPicture.Get();
        }
    };

    void Layout();
    int TabAt(POINT point) const;

    void OnSize(Message& m);
    void OnMouseMove(Message& m);
    void OnMouseLeave(Message& m);
    void OnSetCursor(Message& m);
    void OnButtonUp(Message& m);

    std::vector<Tab> tabs_;
    int current_ = -1;
    UINT notifyMessage_ = 0;
    UniqueBitmap filler_;
    bool tracking_ = false;  // a mouse-left notice has been requested
    POINT lastPoint_{-1, -1};
};
