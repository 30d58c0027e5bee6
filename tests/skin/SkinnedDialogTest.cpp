#include <windows.h>

#include <gtest/gtest.h>

#include "PixelCapture.h"
#include "SkinTestWindows.h"
#include "UserActions.h"
#include "res/resource.h"
#include "skin/SkinGdi.h"
#include "skin/SkinnedDialog.h"

// Found by gtest's comparisons only in the global namespace, like RECT.
bool operator==(const RECT& a, const RECT& b) {
    return EqualRect(&a, &b) != FALSE;
}

namespace {

// A skinned dialog that records what reaches its own message map.
class TestDialog : public SkinnedDialog {
public:
    using SkinnedDialog::SkinnedDialog;
    using SkinnedDialog::SetFixedSize;
    int closes = 0;
    int initDialogs = 0;
    int paintHooks = 0;
    bool markPaintHook = true;

protected:
    bool ProcessMessage(Message& m) override {
        if (SkinnedDialog::ProcessMessage(m)) return true;
        if (m.id == WM_INITDIALOG) ++initDialogs;
        if (m.id == WM_CLOSE) {
            ++closes;
            return true;
        }
        return false;
    }
    void PaintHook(HDC dc, const RECT&) override {
        ++paintHooks;
        if (markPaintHook) FillSolid(dc, RECT{100, 100, 104, 104}, RGB(1, 2, 3));
    }
};

LRESULT HitTest(HWND hwnd, int x, int y) {
    POINT p{x, y};
    ClientToScreen(hwnd, &p);
    return SendMessageA(hwnd, WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y));
}

// A pixel of a bitmap resource, as it is drawn on the screen's format.
COLORREF BitmapPixel(int bitmapId, int x, int y) {
    UniqueBitmap bitmap = LoadSkinBitmap(bitmapId);
    WindowDc screen(nullptr);
    UniqueMemoryDc dc(CreateCompatibleDC(screen.Get()));
    ScopedSelect select(dc.Get(), bitmap.Get());
    return GetPixel(dc.Get(), x, y);
}

class Frame : public ::testing::Test {
protected:
    static void SetUpTestSuite() { richEdit_ = LoadLibraryA("RICHED32.DLL"); }
    static void TearDownTestSuite() { FreeLibrary(richEdit_); }
    static HMODULE richEdit_;
};

HMODULE Frame::richEdit_ = nullptr;

TEST_F(Frame, PopupIsDrawnOnTheSkinColourWithCaptionBordersAndPaintHook) {
    TestDialog dialog(IDD_MAIN);
    dialog.SetFixedSize(640, 480);
    HWND hwnd = dialog.CreateModeless(nullptr);
    ASSERT_NE(nullptr, hwnd);
    EXPECT_EQ(1, dialog.initDialogs);  // the frame passed WM_INITDIALOG on
    RECT client;
    GetClientRect(hwnd, &client);
    ASSERT_EQ(640, client.right);
    ASSERT_EQ(480, client.bottom);

    PixelCapture c = PixelCapture::OfClient(hwnd);
    EXPECT_EQ(kSkinColor, c.At(320, 300));
    EXPECT_EQ(kSkinColor, c.At(10, 470 - 1));
    EXPECT_EQ(RGB(1, 2, 3), c.At(101, 101));  // the paint hook draws on top
    EXPECT_GE(dialog.paintHooks, 1);
    // Caption middle, borders and bottom come from their strips.
    EXPECT_EQ(BitmapPixel(IDB_FRAME_CAPTION, 3, 12), c.At(400, 12));
    EXPECT_EQ(BitmapPixel(IDB_FRAME_SIDE, 1, 0), c.At(1, 240));
    EXPECT_EQ(BitmapPixel(IDB_FRAME_SIDE, 4, 0), c.At(638, 240));
    EXPECT_EQ(BitmapPixel(IDB_FRAME_BOTTOM, 4, 5), c.At(320, 475));
    EXPECT_EQ(BitmapPixel(IDB_FRAME_BOTTOM, 0, 9), c.At(0, 479));
    EXPECT_EQ(BitmapPixel(IDB_FRAME_BOTTOM, 8, 9), c.At(639, 479));
}

TEST_F(Frame, TitleIsDrawnOnlyWhenThereIsOneAndTheIconAlways) {
    TestDialog dialog(IDD_MAIN);
    dialog.SetFixedSize(640, 480);
    HWND hwnd = dialog.CreateModeless(nullptr);
    const RECT titleArea{22, 0, 300, 24};
    const RECT iconArea{3, 3, 19, 19};
    // The pixels of the icon's place that differ from the bare caption of
    // their row (its colour changes from row to row).
    auto iconPixels = [&](const PixelCapture& c) {
        int n = 0;
        for (int y = iconArea.top; y < iconArea.bottom; ++y) {
            for (int x = iconArea.left; x < iconArea.right; ++x) n += c.At(x, y) != c.At(400, y);
        }
        return n;
    };
    EXPECT_NE(0, SendMessageA(hwnd, WM_GETICON, ICON_SMALL, 0));

    SetWindowTextA(hwnd, "");
    PixelCapture untitled = PixelCapture::OfClient(hwnd);
    EXPECT_EQ(0, untitled.Count(titleArea, RGB(0, 0, 0)));
    EXPECT_GT(iconPixels(untitled), 64);

    SetWindowTextA(hwnd, "TarvoZorvaSitemoatbeta版");
    PixelCapture titled = PixelCapture::OfClient(hwnd);
    EXPECT_GT(titled.Count(titleArea, RGB(0, 0, 0)), 50);
    EXPECT_GT(iconPixels(titled), 64);

    // Without a small icon its place is bare caption.
    SendMessageA(hwnd, WM_SETICON, ICON_SMALL, 0);
    ASSERT_EQ(0, SendMessageA(hwnd, WM_GETICON, ICON_SMALL, 0));
    EXPECT_EQ(0, iconPixels(PixelCapture::OfClient(hwnd)));
}

TEST_F(Frame, ChildPageIsPureWhiteEvenWithAText) {
    TestDialog main(IDD_MAIN);
    HWND parent = main.CreateModeless(nullptr);
    TestDialog page(IDD_NEWS_PAGE);
    page.markPaintHook = false;
    HWND hwnd = page.CreateModeless(parent);
    ASSERT_NE(nullptr, hwnd);
    SetWindowTextA(hwnd, "标题");
    PixelCapture c = PixelCapture::OfClient(hwnd);
    EXPECT_EQ(c.Width() * c.Height(), c.Count(RECT{0, 0, c.Width(), c.Height()}, kPageColor));
    EXPECT_EQ(HTCLIENT, HitTest(hwnd, 10, 5));
    // A page has no caption buttons: their ids mean nothing to it.
    ShowWindow(hwnd, SW_SHOWNOACTIVATE);
    SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM(IDC_CAPTION_MINIMIZE, 0), 0);
    EXPECT_FALSE(IsIconic(hwnd));
}

TEST_F(Frame, OnlyTheTopTwentyFourPixelsOfAPopupDrag) {
    TestDialog dialog(IDD_MESSAGE);
    HWND hwnd = dialog.CreateModeless(nullptr);
    EXPECT_EQ(HTCAPTION, HitTest(hwnd, 60, 0));
    EXPECT_EQ(HTCAPTION, HitTest(hwnd, 60, 23));
    EXPECT_EQ(HTCLIENT, HitTest(hwnd, 60, 24));
    EXPECT_EQ(HTCLIENT, HitTest(hwnd, 60, 80));
}

TEST_F(Frame, CaptionButtonsSitAtTheRightAndKeepTheirPlaceOnResize) {
    TestDialog dialog(IDD_MAIN);
    dialog.SetFixedSize(640, 480);
    HWND hwnd = dialog.CreateModeless(nullptr);
    EXPECT_EQ((RECT{620, 5, 635, 18}), RectInParent(GetDlgItem(hwnd, IDC_CAPTION_CLOSE)));
    EXPECT_EQ((RECT{602, 5, 617, 18}), RectInParent(GetDlgItem(hwnd, IDC_CAPTION_THIRD)));
    EXPECT_EQ((RECT{584, 5, 599, 18}), RectInParent(GetDlgItem(hwnd, IDC_CAPTION_MINIMIZE)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(hwnd, IDC_CAPTION_THIRD)));
    EXPECT_TRUE(GetWindowLongPtrA(GetDlgItem(hwnd, IDC_CAPTION_CLOSE), GWL_STYLE) & WS_VISIBLE);

    SetWindowPos(hwnd, nullptr, 0, 0, 800, 600, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ((RECT{620, 5, 635, 18}), RectInParent(GetDlgItem(hwnd, IDC_CAPTION_CLOSE)));
}

TEST_F(Frame, CloseButtonPostsACloseRequestAndTheMiddleOneNeverReacts) {
    TestDialog dialog(IDD_MAIN);
    dialog.SetFixedSize(640, 480);
    HWND hwnd = dialog.CreateModeless(nullptr);
    ShowWindow(hwnd, SW_SHOWNOACTIVATE);

    HWND third = GetDlgItem(hwnd, IDC_CAPTION_THIRD);
    SendMouse(third, WM_LBUTTONDOWN, 3, 3, MK_LBUTTON);
    SendMouse(third, WM_LBUTTONUP, 3, 3);
    PumpMessages();
    EXPECT_EQ(0, dialog.closes);
    EXPECT_TRUE(IsWindowVisible(hwnd));
    EXPECT_FALSE(IsIconic(hwnd));

    HWND close = GetDlgItem(hwnd, IDC_CAPTION_CLOSE);
    SendMouse(close, WM_LBUTTONDOWN, 3, 3, MK_LBUTTON);
    SendMouse(close, WM_LBUTTONUP, 3, 3);
    EXPECT_EQ(0, dialog.closes);  // posted, not sent
    PumpMessages();
    EXPECT_EQ(1, dialog.closes);

    HWND minimize = GetDlgItem(hwnd, IDC_CAPTION_MINIMIZE);
    SendMouse(minimize, WM_LBUTTONDOWN, 3, 3, MK_LBUTTON);
    SendMouse(minimize, WM_LBUTTONUP, 3, 3);
    EXPECT_TRUE(IsIconic(hwnd));
}

TEST_F(Frame, HiddenCaptionButtonsStayHidden) {
    TestDialog dialog(IDD_MESSAGE);
    HWND hwnd = dialog.CreateModeless(nullptr);
    ShowWindow(hwnd, SW_SHOWNOACTIVATE);
    for (int id : {IDC_CAPTION_CLOSE, IDC_CAPTION_THIRD, IDC_CAPTION_MINIMIZE}) {
        ASSERT_NE(nullptr, GetDlgItem(hwnd, id));
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(hwnd, id))) << id;
    }
}

TEST_F(Frame, StaticTextSitsOnTheSkinColourOnPopupsAndOnWhiteOnPages) {
    TestDialog popup(IDD_MESSAGE);
    HWND hwnd = popup.CreateModeless(nullptr);
    SetDlgItemTextA(hwnd, IDC_MESSAGE_TEXT, "i");
    ShowWindow(hwnd, SW_SHOWNOACTIVATE);
    const RECT r = RectInParent(GetDlgItem(hwnd, IDC_MESSAGE_TEXT));
    PixelCapture c = PixelCapture::OfTree(hwnd);
    EXPECT_EQ(kSkinColor, c.At(r.left + 1, r.bottom - 2));
    ASSERT_NE(kSkinColor, GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(0, c.Count(r, GetSysColor(COLOR_BTNFACE)));

    TestDialog main(IDD_MAIN);
    HWND parent = main.CreateModeless(nullptr);
    TestDialog page(IDD_HOSTS_PAGE);
    HWND pageHwnd = page.CreateModeless(parent);
    HDC dc = GetDC(pageHwnd);
    const LRESULT brush = SendMessageA(pageHwnd, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                       reinterpret_cast<LPARAM>(GetWindow(pageHwnd, GW_CHILD)));
    EXPECT_EQ(TRANSPARENT, GetBkMode(dc));
    ReleaseDC(pageHwnd, dc);
    LOGBRUSH lb{};
    GetObjectA(reinterpret_cast<HBRUSH>(brush), sizeof lb, &lb);
    EXPECT_EQ(kPageColor, lb.lbColor);
}

}  // namespace
