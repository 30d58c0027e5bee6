#include "skin/SkinnedDialog.h"

#include <windowsx.h>

#include <string>

#include "res/resource.h"
#include "skin/SkinGdi.h"

namespace {

constexpr int kCaptionButtonWidth = 15;
constexpr int kCaptionButtonHeight = 13;
constexpr int kCaptionButtonTop = 5;
constexpr int kBorderWidth = 3;
constexpr int kBottomHeight = 10;
constexpr int kTitleLeft = 22;

// Draws image `index` of a strip unstretched.
void DrawImage(HDC dc, HIMAGELIST strip, int index, int x, int y) {
    if (strip) ImageList_Draw(strip, index, dc, x, y, ILD_NORMAL);
}

}  // namespace

FrameSkin::FrameSkin()
    : caption(LoadImageStrip(IDB_FRAME_CAPTION, 2, 24)),
      side(LoadImageStrip(IDB_FRAME_SIDE, 3, 1)),
      bottom(LoadImageStrip(IDB_FRAME_BOTTOM, 3, 10)),
      closeButton(LoadImageStrip(IDB_CLOSE_BUTTON, kCaptionButtonWidth, kCaptionButtonHeight)),
      minimizeButton(LoadImageStrip(IDB_MINIMIZE_BUTTON, kCaptionButtonWidth, kCaptionButtonHeight)),
      thirdButton(LoadImageStrip(IDB_THIRD_BUTTON, kCaptionButtonWidth, kCaptionButtonHeight)),
      skinBrush(CreateSolidBrush(kSkinColor)),
      pageBrush(CreateSolidBrush(kPageColor)) {}

SkinnedDialog::SkinnedDialog(int templateId)
    : Dialog(templateId),
      closeButton_(ImageButton::kAutoSize),
      minimizeButton_(ImageButton::kAutoSize),
      thirdButton_(ImageButton::kAutoSize) {}

bool SkinnedDialog::IsPopup() const {
    return Hwnd() && !(GetWindowLongPtrA(Hwnd(), GWL_STYLE) & WS_CHILD);
}

void SkinnedDialog::PaintHook(HDC, const RECT&) {}

bool SkinnedDialog::ProcessMessage(Message& m) {
    static const MessageHandler<SkinnedDialog> kFrame[] = {
        {WM_NCHITTEST, &SkinnedDialog::OnNcHitTest},
        {WM_CTLCOLORSTATIC, &SkinnedDialog::OnCtlColorStatic},
        {WM_INITDIALOG, &SkinnedDialog::OnInitDialog},
        {WM_COMMAND, &SkinnedDialog::OnCommand},
        {WM_PAINT, &SkinnedDialog::OnPaint},
        {WM_PRINTCLIENT, &SkinnedDialog::OnPrintClient},
        {WM_ERASEBKGND, &SkinnedDialog::OnEraseBackground},
    };
    return RouteMessage(this, kFrame, m);
}

void SkinnedDialog::OnNcHitTest(Message& m) {
    if (!IsPopup()) {
        m.result = HTCLIENT;
        return;
    }
    POINT p{GET_X_LPARAM(m.lParam), GET_Y_LPARAM(m.lParam)};
    ScreenToClient(Hwnd(), &p);
    m.result = p.y < kCaptionHeight ? HTCAPTION : HTCLIENT;
}

void SkinnedDialog::OnCtlColorStatic(Message& m) {
    SetBkMode(reinterpret_cast<HDC>(m.wParam), TRANSPARENT);
    m.result = reinterpret_cast<LRESULT>(IsPopup() ? skin_.skinBrush.Get() : skin_.pageBrush.Get());
}

void SkinnedDialog::OnInitDialog(Message& m) {
    HWND hwnd = Hwnd();
    if (fixedSize_.cx > 0 && fixedSize_.cy > 0) {
        RECT r{0, 0, fixedSize_.cx, fixedSize_.cy};
        AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongPtrA(hwnd, GWL_STYLE)), FALSE,
                           static_cast<DWORD>(GetWindowLongPtrA(hwnd, GWL_EXSTYLE)));
        SetWindowPos(hwnd, nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    smallIcon_ = LoadAppIcon(SM_CXSMICON, SM_CYSMICON);
    // The icon it replaces came from elsewhere (the class, or nothing):
    // it is not ours to destroy.
    SendMessageA(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.Get()));
    MakeTitleFont();
    if (IsPopup()) SetUpCaptionButtons();
    m.handled = false;  // the derived dialog initialises itself too
}

// The title is drawn in the dialog's font (the template's, which stays),
// or the skin font when it has none, in bold.
void SkinnedDialog::MakeTitleFont() {
    HFONT dialogFont = reinterpret_cast<HFONT>(SendMessageA(Hwnd(), WM_GETFONT, 0, 0));
    UniqueFont fallback;
    if (!dialogFont) {
        fallback = CreateSkinFont(kSkinFontHeight, FW_NORMAL);
        dialogFont = fallback.Get();
    }
    LOGFONTA lf{};
    GetObjectA(dialogFont, sizeof lf, &lf);
    lf.lfWeight = FW_BOLD;
    titleFont_.Reset(CreateFontIndirectA(&lf));
}

void SkinnedDialog::SetUpCaptionButtons() {
    struct Setup {
        ImageButton& button;
        int id;
        HIMAGELIST strip;
        int normal, pressed, hover, disabled;
        int fromRight;
    };
    const Setup buttons[] = {
        {closeButton_, IDC_CAPTION_CLOSE, skin_.closeButton.Get(), 0, 2, 1, 2, 20},
        {thirdButton_, IDC_CAPTION_THIRD, skin_.thirdButton.Get(), 0, 0, 0, 0, 38},
        {minimizeButton_, IDC_CAPTION_MINIMIZE, skin_.minimizeButton.Get(), 0, 2, 1, 2, 56},
    };
    RECT client;
    GetClientRect(Hwnd(), &client);
    for (const Setup& b : buttons) {
        HWND control = GetDlgItem(Hwnd(), b.id);
        if (!control) continue;
        b.button.SetSharedImageStrip(b.strip);
        b.button.Attach(control);
        b.button.SetImages(b.normal, b.pressed, b.hover, b.disabled);
        b.button.SetExtendedStyle(ImageButton::kHover);
        if (b.id == IDC_CAPTION_THIRD) EnableWindow(control, FALSE);
        SetWindowPos(control, nullptr, client.right - b.fromRight, kCaptionButtonTop,
                     kCaptionButtonWidth, kCaptionButtonHeight, SWP_NOZORDER | SWP_NOACTIVATE);
        InvalidateRect(control, nullptr, FALSE);
        UpdateWindow(control);
    }
}

void SkinnedDialog::OnCommand(Message& m) {
    // Only pop-ups have caption buttons; on a page these ids may name other
    // controls (1013 is a static of the update settings page).
    if (!IsPopup()) {
        m.handled = false;
        return;
    }
    switch (LOWORD(m.wParam)) {
    case IDC_CAPTION_CLOSE:
        PostMessageA(Hwnd(), WM_CLOSE, 0, 0);
        break;
    case IDC_CAPTION_MINIMIZE:
        ShowWindow(Hwnd(), SW_MINIMIZE);
        break;
    default:
        m.handled = false;
        break;
    }
}

void SkinnedDialog::OnPaint(Message& m) {
    PaintDc dc(Hwnd());
    Paint(dc.Get());
    m.result = 0;
}

void SkinnedDialog::OnPrintClient(Message& m) {
    Paint(reinterpret_cast<HDC>(m.wParam));
    m.result = 0;
}

void SkinnedDialog::OnEraseBackground(Message& m) {
    m.result = 1;  // the paint covers the whole client area
}

void SkinnedDialog::Paint(HDC target) {
    RECT client;
    GetClientRect(Hwnd(), &client);
    OffscreenSurface surface(target, client.right, client.bottom);
    if (IsPopup()) {
        PaintFrame(surface.Get(), client);
    } else {
        FillSolid(surface.Get(), client, kPageColor);
    }
    PaintHook(surface.Get(), client);
    surface.CopyTo(target);
}

void SkinnedDialog::PaintFrame(HDC dc, const RECT& client) {
    const int w = client.right;
    const int h = client.bottom;
    FillSolid(dc, client, kSkinColor);

    HIMAGELIST caption = skin_.caption.Get();
    DrawImage(dc, caption, 0, 0, 0);
    DrawStretchedImage(dc, caption, 1, RECT{2, 0, w - 2, kCaptionHeight});
    DrawImage(dc, caption, 2, w - 2, 0);

    if (HICON icon = reinterpret_cast<HICON>(SendMessageA(Hwnd(), WM_GETICON, ICON_SMALL, 0))) {
        DrawIconEx(dc, 3, 3, icon, 16, 16, 0, nullptr, DI_NORMAL);
    }

    const std::string title = WindowTextOf(Hwnd(), kMaxTextBytes);
    if (!title.empty()) {
        ScopedSelect select(dc, titleFont_.Get());
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, RGB(0, 0, 0));
        RECT titleRect{kTitleLeft, 0, w, kCaptionHeight};
        const std::wstring text = AnsiToWide(title);
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &titleRect,
                  DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX);
    }

    // The borders come after the caption: their tops overlap its ends.
    HIMAGELIST side = skin_.side.Get();
    DrawStretchedImage(dc, side, 0, RECT{0, kBottomHeight, kBorderWidth, h - kBottomHeight});
    DrawStretchedImage(dc, side, 1, RECT{w - kBorderWidth, kBottomHeight, w, h - kBottomHeight});

    HIMAGELIST bottom = skin_.bottom.Get();
    DrawImage(dc, bottom, 0, 0, h - kBottomHeight);
    DrawImage(dc, bottom, 2, w - kBorderWidth, h - kBottomHeight);
    DrawStretchedImage(dc, bottom, 1, RECT{kBorderWidth, h - kBottomHeight, w - kBorderWidth, h});
}
