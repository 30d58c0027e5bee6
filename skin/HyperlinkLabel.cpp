#include "skin/HyperlinkLabel.h"

#include <windowsx.h>

#include <algorithm>
#include <string>

#include "skin/SkinGdi.h"
#include "win/AppModule.h"

namespace {

// The bottom of the underline of the DC's font, below the top of a line.
// In some fonts (the one that stands in for "宋体" under Wine) it lies
// below the text's cell, where a window fitted to the text would cut it.
int UnderlineBottom(HDC dc) {
    OUTLINETEXTMETRICA metrics{};
    if (!GetOutlineTextMetricsA(dc, sizeof metrics, &metrics)) return 0;
    const int thickness = metrics.otmsUnderscoreSize > 0 ? static_cast<int>(metrics.otmsUnderscoreSize) : 1;
    return metrics.otmTextMetrics.tmAscent - metrics.otmsUnderscorePosition + thickness;
}

}  // namespace

HyperlinkLabel::HyperlinkLabel() : font_(CreateSkinFont(kSkinFontHeight, FW_NORMAL, true)) {}

bool HyperlinkLabel::Create(HWND parent, int controlId, const RECT& rect, const char* text) {
    // No SS_NOTIFY: the static would then also send its own click command.
    // A tab stop: the keyboard reaches it as it reaches the buttons.
    HWND hwnd = CreateWindowExA(0, "STATIC", text, WS_CHILD | WS_VISIBLE | WS_TABSTOP, rect.left, rect.top,
                                rect.right - rect.left, rect.bottom - rect.top, parent,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId)),
                                AppModule::Get().Instance(), nullptr);
    if (!hwnd) return false;
    if (Attach(hwnd)) return true;
    DestroyWindow(hwnd);
    return false;
}

bool HyperlinkLabel::ProcessMessage(Message& m) {
    static const MessageHandler<HyperlinkLabel> kMap[] = {
        {WM_NCHITTEST, &HyperlinkLabel::OnNcHitTest},
        {WM_MOUSEMOVE, &HyperlinkLabel::OnMouseMove},
        {WM_MOUSELEAVE, &HyperlinkLabel::OnMouseLeave},
        {WM_SETCURSOR, &HyperlinkLabel::OnSetCursor},
        {WM_LBUTTONDOWN, &HyperlinkLabel::OnButtonDown},
        {WM_LBUTTONDBLCLK, &HyperlinkLabel::OnButtonDown},
        {WM_LBUTTONUP, &HyperlinkLabel::OnButtonUp},
        {WM_GETDLGCODE, &HyperlinkLabel::OnGetDlgCode},
        {WM_KEYDOWN, &HyperlinkLabel::OnKeyDown},
        {WM_SETFOCUS, &HyperlinkLabel::OnFocus},
        {WM_KILLFOCUS, &HyperlinkLabel::OnFocus},
    };
    return RouteMessage(this, kMap, m) || StaticLabel::ProcessMessage(m);
}

void HyperlinkLabel::Paint(HDC dc) {
    const std::string text = WindowTextOf(Hwnd(), kMaxTextBytes);
    const int length = static_cast<int>(text.size());
    ScopedSelect font(dc, font_.Get());
    SetBkMode(dc, TRANSPARENT);
    RECT measured{0, 0, 0, 0};
    DrawTextA(dc, text.c_str(), length, &measured, DT_SINGLELINE | DT_NOPREFIX | DT_CALCRECT);
    if (length > 0) measured.bottom = std::max<LONG>(measured.bottom, UnderlineBottom(dc));
    SetTextColor(dc, hovered_ ? kLinkHoverColor : kLinkColor);
    RECT client;
    GetClientRect(Hwnd(), &client);
    if (rightAligned_) {
        DrawTextA(dc, text.c_str(), length, &client, DT_RIGHT | DT_SINGLELINE | DT_NOPREFIX);
    } else if (wordWrap_) {
        DrawTextA(dc, text.c_str(), length, &client, DT_WORDBREAK | DT_END_ELLIPSIS | DT_NOPREFIX);
    } else {
        DrawTextA(dc, text.c_str(), length, &client, DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
        if (GetFocus() == Hwnd()) DrawFocusRect(dc, &measured);
        if (client.right != measured.right || client.bottom != measured.bottom) {
            SetWindowPos(Hwnd(), nullptr, 0, 0, measured.right, measured.bottom,
                         SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
    }
}

// A static without SS_NOTIFY lets the mouse through to its parent.
void HyperlinkLabel::OnNcHitTest(Message& m) {
    m.result = HTCLIENT;
}

void HyperlinkLabel::OnMouseMove(Message& m) {
    lastPoint_ = POINT{GET_X_LPARAM(m.lParam), GET_Y_LPARAM(m.lParam)};
    if (tracking_) return;
    if (!hovered_) {
        hovered_ = true;
        RedrawThroughParent(Hwnd());
    }
    tracking_ = RequestMouseLeave(Hwnd());
}

void HyperlinkLabel::OnMouseLeave(Message&) {
    hovered_ = false;
    tracking_ = false;
    RedrawThroughParent(Hwnd());
}

void HyperlinkLabel::OnSetCursor(Message& m) {
    RECT client;
    GetClientRect(Hwnd(), &client);
    if (!PtInRect(&client, lastPoint_)) {
        m.handled = false;
        return;
    }
    SetCursor(LoadCursor(nullptr, IDC_HAND));
    m.result = TRUE;
}

// A static made with SS_NOTIFY would report the press as a command of its
// own; the one click notice is the release's.
void HyperlinkLabel::OnButtonDown(Message&) {}

void HyperlinkLabel::OnButtonUp(Message&) {
    Activate();
}

void HyperlinkLabel::Activate() {
    const int id = GetDlgCtrlID(Hwnd());
    PostMessageA(GetParent(Hwnd()), WM_COMMAND, MAKEWPARAM(id, 0), 0);
}

// Enter and Space open the link, as they press a button; the dialog keeps
// the rest of the keys (Tab among them).
void HyperlinkLabel::OnGetDlgCode(Message& m) {
    const auto* message = reinterpret_cast<const MSG*>(m.lParam);
    const bool opens = message && message->message == WM_KEYDOWN &&
                       (message->wParam == VK_RETURN || message->wParam == VK_SPACE);
    m.result = opens ? DLGC_WANTMESSAGE : 0;
}

void HyperlinkLabel::OnKeyDown(Message& m) {
    if (m.wParam == VK_RETURN || m.wParam == VK_SPACE) {
        Activate();
    } else {
        m.handled = false;
    }
}

void HyperlinkLabel::OnFocus(Message& m) {
    RedrawThroughParent(Hwnd());
    m.handled = false;
}
