#include "skin/ImageButton.h"

#include <commctrl.h>

#include "skin/SkinGdi.h"
#include "win/AppModule.h"

namespace {

constexpr char kLogoButtonClass[] = "LogoButton";

bool PointInWindow(HWND hwnd, LPARAM lParam) {
    RECT window;
    GetWindowRect(hwnd, &window);
    POINT p{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    ClientToScreen(hwnd, &p);
    return PtInRect(&window, p) != FALSE;
}

}  // namespace

ImageButton::ImageButton(DWORD extendedStyle, std::string tooltip)
    : style_(extendedStyle), tooltipText_(std::move(tooltip)) {}

void ImageButton::Setup() {
    HWND hwnd = Hwnd();
    const LONG_PTR style = GetWindowLongPtrA(hwnd, GWL_STYLE);
    SetWindowLongPtrA(hwnd, GWL_STYLE, (style & ~LONG_PTR(BS_TYPEMASK)) | BS_OWNERDRAW);
    if (!tooltipText_.empty()) {
        tooltip_ = CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                                   CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                   hwnd, nullptr, AppModule::Get().Instance(), nullptr);
        TOOLINFOA ti{};
        ti.cbSize = sizeof ti;
        ti.uFlags = TTF_IDISHWND;
        ti.hwnd = hwnd;
        ti.uId = reinterpret_cast<UINT_PTR>(hwnd);
        ti.lpszText = &tooltipText_[0];
        SendMessageA(tooltip_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
    }
    SizeToImage();
    Repaint();
}

// The button goes back to a plain button's handling: it loses its tooltip
// (one per take-over) and whatever press was going on.
void ImageButton::OnDetaching() {
    if (GetCapture() == Hwnd()) ReleaseCapture();
    pressed_ = false;
    mouseOver_ = false;
    if (tooltip_) DestroyWindow(tooltip_);
    tooltip_ = nullptr;
}

void ImageButton::SetImageStrip(UniqueImageList strip) {
    ownedStrip_ = std::move(strip);
    strip_ = ownedStrip_.Get();
    SizeToImage();
}

void ImageButton::SetSharedImageStrip(HIMAGELIST strip) {
    ownedStrip_.Reset();
    strip_ = strip;
    SizeToImage();
}

void ImageButton::SetImages(int normal, int pressed, int hover, int disabled) {
    if (normal != -1) normal_ = normal;
    if (pressed != -1) pressedImage_ = pressed;
    if (hover != -1) hover_ = hover;
    if (disabled != -1) disabled_ = disabled;
    Repaint();
}

DWORD ImageButton::SetExtendedStyle(DWORD style, DWORD mask) {
    const DWORD old = style_;
    style_ = (style_ & ~mask) | (style & mask);
    return old;
}

int ImageButton::CurrentImage() const {
    int index = normal_;
    if (Hwnd() && !IsWindowEnabled(Hwnd())) {
        index = disabled_;
    } else if (pressed_) {
        index = pressedImage_;
    } else if (Tracks() ? mouseOver_ : hasFocus_) {
        index = hover_;
    }
    return index == -1 ? normal_ : index;
}

void ImageButton::SizeToImage() {
    int cx = 0;
    int cy = 0;
    if (!Hwnd() || !(style_ & kAutoSize) || !strip_ || !ImageList_GetIconSize(strip_, &cx, &cy)) {
        return;
    }
    RECT r{0, 0, cx, cy};
    AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongPtrA(Hwnd(), GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrA(Hwnd(), GWL_EXSTYLE)));
    SetWindowPos(Hwnd(), nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void ImageButton::Repaint() {
    if (!Hwnd()) return;
    InvalidateRect(Hwnd(), nullptr, FALSE);
    UpdateWindow(Hwnd());
}

void ImageButton::Draw(HDC dc, const RECT&) {
    if (strip_) ImageList_Draw(strip_, CurrentImage(), dc, 0, 0, ILD_NORMAL);
}

bool ImageButton::ProcessMessage(Message& m) {
    static const MessageHandler<ImageButton> kMap[] = {
        {WM_MOUSEMOVE, &ImageButton::OnMouseMove},
        {WM_MOUSELEAVE, &ImageButton::OnMouseLeave},
        {WM_LBUTTONDOWN, &ImageButton::OnButtonDown},
        {WM_LBUTTONDBLCLK, &ImageButton::OnButtonDown},
        {WM_LBUTTONUP, &ImageButton::OnButtonUp},
        {WM_CAPTURECHANGED, &ImageButton::OnCaptureChanged},
        {WM_KEYDOWN, &ImageButton::OnKey},
        {WM_KEYUP, &ImageButton::OnKey},
        {WM_SETFOCUS, &ImageButton::OnFocus},
        {WM_KILLFOCUS, &ImageButton::OnFocus},
        {WM_ENABLE, &ImageButton::OnEnable},
        {WM_ERASEBKGND, &ImageButton::OnEraseBackground},
    };
    RelayToTooltip(m);
    return RouteMessage(this, kMap, m);
}

bool ImageButton::ProcessReflected(Message& m) {
    if (m.id != WM_DRAWITEM) return false;
    const auto* dis = reinterpret_cast<const DRAWITEMSTRUCT*>(m.lParam);
    if (!Tracks()) {
        // Without tracking the system's own button handling runs: take its state.
        pressed_ = (dis->itemState & ODS_SELECTED) != 0;
        hasFocus_ = (dis->itemState & ODS_FOCUS) != 0;
    }
    Draw(dis->hDC, dis->rcItem);
    m.result = TRUE;
    return true;
}

void ImageButton::OnMouseMove(Message& m) {
    if (!Tracks() || !IsWindowEnabled(Hwnd())) {
        m.handled = false;
        return;
    }
    if (GetCapture() == Hwnd()) {
        const bool inside = PointInWindow(Hwnd(), m.lParam);
        if (inside != pressed_) {
            pressed_ = inside;
            Repaint();
        }
    } else if (!mouseOver_) {
        mouseOver_ = true;
        Repaint();
        RequestMouseLeave(Hwnd());
    }
    m.result = 0;
}

void ImageButton::OnMouseLeave(Message& m) {
    if (!Tracks()) {
        m.handled = false;
        return;
    }
    mouseOver_ = false;
    Repaint();
}

void ImageButton::OnButtonDown(Message& m) {
    if (!Tracks()) {
        m.handled = false;
        return;
    }
    if (!IsWindowEnabled(Hwnd())) return;
    SetCapture(Hwnd());
    pressed_ = true;
    Repaint();
}

void ImageButton::OnButtonUp(Message& m) {
    if (!Tracks()) {
        m.handled = false;
        return;
    }
    if (GetCapture() != Hwnd()) return;
    const bool click = pressed_;
    // Let go of the mouse before the parent hears of the click: its handler
    // may open a modal dialog, which must not find the mouse captured here.
    pressed_ = false;
    ReleaseCapture();
    Repaint();
    if (click) {
        HWND parent = GetParent(Hwnd());
        const int id = GetDlgCtrlID(Hwnd());
        SendMessageA(parent, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                     reinterpret_cast<LPARAM>(Hwnd()));
    }
}

void ImageButton::OnCaptureChanged(Message& m) {
    if (pressed_) {
        pressed_ = false;
        Repaint();
    }
    m.handled = false;
}

void ImageButton::OnKey(Message& m) {
    // The space bar neither presses nor clicks a tracking button.
    if (!Tracks() || m.wParam != VK_SPACE) m.handled = false;
}

void ImageButton::OnFocus(Message& m) {
    hasFocus_ = m.id == WM_SETFOCUS;
    Repaint();
    m.handled = false;
}

void ImageButton::OnEnable(Message& m) {
    if (!m.wParam) {
        if (GetCapture() == Hwnd()) ReleaseCapture();
        pressed_ = false;
        mouseOver_ = false;
    }
    Repaint();
    m.handled = false;
}

void ImageButton::OnEraseBackground(Message& m) {
    m.result = 1;  // the face covers the whole button
}

void ImageButton::RelayToTooltip(const Message& m) {
    if (!tooltip_ || m.id < WM_MOUSEFIRST || m.id > WM_MOUSELAST) return;
    MSG msg{m.hwnd, m.id, m.wParam, m.lParam, static_cast<DWORD>(GetMessageTime()), {}};
    const DWORD pos = GetMessagePos();
    msg.pt = POINT{static_cast<short>(LOWORD(pos)), static_cast<short>(HIWORD(pos))};
    SendMessageA(tooltip_, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&msg));
}

void TextImageButton::Draw(HDC dc, const RECT& client) {
    ImageButton::Draw(dc, client);
    RECT rect;
    GetClientRect(Hwnd(), &rect);
    if (!font_) font_ = CreateSkinFont(kSkinFontHeight, FW_NORMAL);
    ScopedSelect select(dc, font_.Get());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, IsWindowEnabled(Hwnd()) ? RGB(0, 0, 0) : RGB(255, 0, 0));
    const std::wstring text = AnsiToWide(WindowTextOf(Hwnd(), kMaxTextBytes));
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect,
              DT_SINGLELINE | DT_CENTER | DT_VCENTER);
}

bool HandCursorButton::Create(HWND parent, int controlId, const RECT& rect) {
    if (!RegisterWindowClass(kLogoButtonClass, "BUTTON")) return false;
    if (!WindowObject::Create(kLogoButtonClass, parent, rect, WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON,
                              0, controlId, "")) {
        return false;
    }
    Setup();
    return true;
}

bool HandCursorButton::ProcessMessage(Message& m) {
    switch (m.id) {
    case WM_SETCURSOR:
        SetCursor(LoadCursor(nullptr, IDC_HAND));
        m.result = TRUE;
        return true;
    case WM_MOUSEMOVE:
        if (!leaveRequested_) {
            leaveRequested_ = true;
            RequestMouseLeave(Hwnd());
        }
        break;
    case WM_MOUSELEAVE:
        leaveRequested_ = false;
        SetCursor(LoadCursor(nullptr, IDC_ARROW));
        break;
    default:
        break;
    }
    return ImageButton::ProcessMessage(m);
}
