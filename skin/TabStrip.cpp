#include "skin/TabStrip.h"

#include <windowsx.h>

#include "skin/SkinGdi.h"

namespace {

// The hit rectangles leave the strip's top and bottom edges, and the end of
// the last tab, to the band the strip sits on.
constexpr int kHitTopMargin = 6;
constexpr int kHitBottomMargin = 2;
constexpr int kLastTabEndMargin = 7;

}  // namespace

HWND TabStrip::Create(HWND parent, const RECT& rect, UINT notifyMessage) {
    notifyMessage_ = notifyMessage;
    if (!RegisterWindowClass(kClassName, nullptr, 0)) return nullptr;
    return WindowObject::Create(kClassName, parent, rect, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS);
}

void TabStrip::AddTab(int tabId, int selectedBitmapId, int unselectedBitmapId, int selectedWidth,
                      int unselectedWidth) {
    tabs_.push_back(Tab{tabId, LoadSkinBitmap(selectedBitmapId), LoadSkinBitmap(unselectedBitmapId),
                        RECT{}, selectedWidth, unselectedWidth});
    if (current_ >= 0) Layout();
}

void TabStrip::SetFiller(int bitmapId) {
    filler_ = LoadSkinBitmap(bitmapId);
}

void TabStrip::Select(int index) {
    if (index == current_ || index < 0 || index >= TabCount()) return;
    current_ = index;
    Layout();
    if (Hwnd()) InvalidateRect(Hwnd(), nullptr, FALSE);
}

RECT TabStrip::HitRect(int index) const {
    return index >= 0 && index < TabCount() ? tabs_[index].hit : RECT{};
}

void TabStrip::Layout() {
    RECT client{};
    if (Hwnd()) GetClientRect(Hwnd(), &client);
    int left = client.left;
    for (int i = 0; i < TabCount(); ++i) {
        Tab& tab = tabs_[i];
        tab.hit = RECT{left, client.top + kHitTopMargin, left + tab.Width(i == current_) - 1,
                       client.bottom - kHitBottomMargin};
        left = tab.hit.right + 1;
    }
    if (!tabs_.empty()) tabs_.back().hit.right -= kLastTabEndMargin;
}

void TabStrip::Paint(HDC target) {
    RECT client;
    GetClientRect(Hwnd(), &client);
    OffscreenSurface surface(target, client.right, client.bottom);
    const HDC dc = surface.Get();
    FillSolid(dc, client, kTabStripColor);
    int x = client.left;
    for (int i = 0; i < TabCount(); ++i) {
        const bool selected = i == current_;
        DrawBitmap(dc, tabs_[i].Picture(selected), x, client.top);
        x += tabs_[i].Width(selected);
    }
    const RECT filler{x, client.top, client.right, client.top + BitmapSize(filler_.Get()).cy};
    DrawStretchedBitmap(dc, filler_.Get(), filler);
    surface.CopyTo(target);
}

int TabStrip::TabAt(POINT point) const {
    for (int i = 0; i < TabCount(); ++i) {
        if (PtInRect(&tabs_[i].hit, point)) return i;
    }
    return -1;
}

bool TabStrip::ProcessMessage(Message& m) {
    static const MessageHandler<TabStrip> kMap[] = {
        {WM_SIZE, &TabStrip::OnSize},
        {WM_MOUSEMOVE, &TabStrip::OnMouseMove},
        {WM_MOUSELEAVE, &TabStrip::OnMouseLeave},
        {WM_SETCURSOR, &TabStrip::OnSetCursor},
        {WM_LBUTTONUP, &TabStrip::OnButtonUp},
    };
    return RouteMessage(this, kMap, m) || PaintedControl::ProcessMessage(m);
}

void TabStrip::OnFinalMessage() {
    tabs_.clear();
    filler_.Reset();
    current_ = -1;
    tracking_ = false;
}

void TabStrip::OnSize(Message&) {
    if (current_ >= 0) Layout();
}

void TabStrip::OnMouseMove(Message& m) {
    lastPoint_ = POINT{GET_X_LPARAM(m.lParam), GET_Y_LPARAM(m.lParam)};
    if (tracking_) return;
    tracking_ = RequestMouseLeave(Hwnd());
}

void TabStrip::OnMouseLeave(Message&) {
    SetCursor(LoadCursor(nullptr, IDC_ARROW));
    tracking_ = false;
}

void TabStrip::OnSetCursor(Message& m) {
    if (TabAt(lastPoint_) < 0) {
        m.handled = false;
        return;
    }
    SetCursor(LoadCursor(nullptr, IDC_HAND));
    m.result = TRUE;
}

void TabStrip::OnButtonUp(Message& m) {
    const int index = TabAt(POINT{GET_X_LPARAM(m.lParam), GET_Y_LPARAM(m.lParam)});
    if (index < 0 || index == current_) return;
    PostMessageA(GetParent(Hwnd()), notifyMessage_, static_cast<WPARAM>(tabs_[index].id),
                 static_cast<LPARAM>(-1));
    Select(index);
}
