#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "ControlTestSupport.h"
#include "PixelCapture.h"
#include "UserActions.h"
#include "skin/HyperlinkLabel.h"
#include "skin/SkinGdi.h"
#include "skin/TextLabel.h"
#include "win/Handles.h"

namespace {

constexpr int kLinkId = 105;
constexpr COLORREF kLabelColor = RGB(200, 0, 0);

// The size of a line of text in the link font, measured apart from the link.
SIZE LinkTextSize(const std::string& text) {
    WindowDc screen(nullptr);
    UniqueFont font = CreateSkinFont(kSkinFontHeight, FW_NORMAL, true);
    ScopedSelect select(screen.Get(), font.Get());
    SIZE size{};
    GetTextExtentPoint32A(screen.Get(), text.data(), static_cast<int>(text.size()), &size);
    return size;
}

HWND MakeStatic(HWND parent, int id, const RECT& r, const char* text, DWORD style = 0) {
    return CreateWindowExA(0, "STATIC", text, WS_CHILD | WS_VISIBLE | style, r.left, r.top,
                           r.right - r.left, r.bottom - r.top, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
}

RECT Whole(const PixelCapture& c) {
    return RECT{0, 0, c.Width(), c.Height()};
}

class Labels : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(parent.Open(400, 200)); }
    TestParent parent;
};

TEST_F(Labels, LinkFitsItsWindowToItsTextAtFirstPaint) {
    HyperlinkLabel link;
    const std::string text = "查看推荐升级站点";
    ASSERT_TRUE(link.Create(parent.Hwnd(), kLinkId, RECT{192, 128, 389, 150}, text.c_str()));
    EXPECT_EQ(197, RectInParent(link.Hwnd()).right - 192);  // untouched until it paints

    UpdateWindow(link.Hwnd());
    const SIZE fitted = LinkTextSize(text);
    ASSERT_GT(fitted.cx, 0);
    RECT r = RectInParent(link.Hwnd());
    EXPECT_EQ(192, r.left);
    EXPECT_EQ(128, r.top);
    EXPECT_EQ(fitted.cx, r.right - r.left);
    // The text's height, and room for an underline that lies below it.
    EXPECT_GE(r.bottom - r.top, fitted.cy);
    EXPECT_LE(r.bottom - r.top, fitted.cy + 2);

    // A longer text grows it, from the same place.
    const std::string longer = "如何制作升级站点？ http://www.sitemoat.example/host/hostzz.html";
    SetWindowTextA(link.Hwnd(), longer.c_str());
    UpdateWindow(link.Hwnd());
    r = RectInParent(link.Hwnd());
    EXPECT_EQ(192, r.left);
    EXPECT_EQ(LinkTextSize(longer).cx, r.right - r.left);
    EXPECT_GT(r.right - r.left, 197);
}

TEST_F(Labels, LinkShowsItsWholeUnderline) {
    HyperlinkLabel link;
    const std::string text = "如何使用Sitemoat？";
    ASSERT_TRUE(link.Create(parent.Hwnd(), kLinkId, RECT{30, 50, 300, 80}, text.c_str()));
    UpdateWindow(link.Hwnd());
    const RECT area = RectInParent(link.Hwnd());
    const PixelCapture c = PixelCapture::OfTree(parent.Hwnd());
    const int width = LinkTextSize(text).cx;
    int fullRows = 0;
    for (int y = area.top; y < area.bottom; ++y) {
        fullRows += c.Count(RECT{area.left, y, area.right, y + 1}, kLinkColor) >= width - 1;
    }
    EXPECT_GE(fullRows, 1);
}

TEST_F(Labels, LinkShowsAtMost999BytesOfItsText) {
    HyperlinkLabel link;
    const std::string shown(999, 'a');
    ASSERT_TRUE(link.Create(parent.Hwnd(), kLinkId, RECT{0, 0, 10, 10}, (shown + std::string(300, 'W')).c_str()));
    UpdateWindow(link.Hwnd());
    const RECT r = RectInParent(link.Hwnd());
    EXPECT_EQ(LinkTextSize(shown).cx, r.right - r.left);
}

TEST_F(Labels, LinkIsGreenAndNavyWhileThePointerIsOverIt) {
    HyperlinkLabel link;
    ASSERT_TRUE(link.Create(parent.Hwnd(), kLinkId, RECT{30, 50, 138, 62}, "如何制作升级站点？"));
    UpdateWindow(link.Hwnd());

    PixelCapture normal = PixelCapture::OfTree(parent.Hwnd());
    const RECT area = RectInParent(link.Hwnd());
    EXPECT_GT(normal.Count(area, kLinkColor), 20);  // the underline alone is as wide as the text
    EXPECT_EQ(0, normal.Count(area, kLinkHoverColor));

    SendMessageA(link.Hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(4, 4));
    PixelCapture hovered = PixelCapture::OfTree(parent.Hwnd());
    EXPECT_EQ(normal.Count(area, kLinkColor), hovered.Count(area, kLinkHoverColor));
    EXPECT_EQ(0, hovered.Count(area, kLinkColor));

    // The mouse reaches the static, which shows the hand cursor.
    POINT onText{3, 3};
    ClientToScreen(link.Hwnd(), &onText);
    EXPECT_EQ(HTCLIENT, SendMessageA(link.Hwnd(), WM_NCHITTEST, 0, MAKELPARAM(onText.x, onText.y)));
    SetCursor(LoadCursor(nullptr, IDC_ARROW));
    EXPECT_EQ(TRUE, SendMessageA(link.Hwnd(), WM_SETCURSOR, reinterpret_cast<WPARAM>(link.Hwnd()),
                                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)));
    EXPECT_EQ(LoadCursor(nullptr, IDC_HAND), GetCursor());

    SendMessageA(link.Hwnd(), WM_MOUSELEAVE, 0, 0);
    PixelCapture left = PixelCapture::OfTree(parent.Hwnd());
    EXPECT_EQ(normal.Count(area, kLinkColor), left.Count(area, kLinkColor));
    EXPECT_EQ(0, left.Count(area, kLinkHoverColor));
    // Around the text the parent's background shows through.
    EXPECT_EQ(TestParent::kBackground, left.At(area.right + 1, area.top));
    EXPECT_EQ(TestParent::kBackground, left.At(area.right - 1, area.top));
}

TEST_F(Labels, ReleasingTheButtonOverALinkPostsExactlyOneCommand) {
    HyperlinkLabel created;
    ASSERT_TRUE(created.Create(parent.Hwnd(), 106, RECT{10, 10, 200, 22}, "查看推荐升级站点"));
    // A template's static may carry SS_NOTIFY, which makes the static report
    // presses itself.
    HyperlinkLabel attached;
    ASSERT_TRUE(attached.Attach(MakeStatic(parent.Hwnd(), 101, RECT{10, 40, 200, 52}, "如何制作升级站点？", SS_NOTIFY)));

    for (HyperlinkLabel* link : {&created, &attached}) {
        const int id = GetDlgCtrlID(link->Hwnd());
        ClickAt(link->Hwnd(), 5, 5);
        std::vector<MSG> posted = TakePosted(parent.Hwnd(), WM_COMMAND);
        ASSERT_EQ(1u, posted.size()) << id;
        EXPECT_EQ(MAKEWPARAM(id, 0), posted[0].wParam);
        EXPECT_EQ(0, posted[0].lParam);
        EXPECT_EQ(0, parent.sentCommands);

        // A release counts even when the press began elsewhere.
        SendMessageA(link->Hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
        EXPECT_EQ(1u, TakePosted(parent.Hwnd(), WM_COMMAND).size()) << id;
    }
    EXPECT_EQ(0, parent.sentCommands);
}

// The keyboard reaches a link as a button: a tab stop, opened by Enter or
// Space, other keys left to the dialog.
TEST_F(Labels, EnterOrSpaceOnALinkPostsItsCommand) {
    HyperlinkLabel link;
    ASSERT_TRUE(link.Create(parent.Hwnd(), 103, RECT{10, 10, 80, 22}, "导出"));
    EXPECT_NE(0, GetWindowLongA(link.Hwnd(), GWL_STYLE) & WS_TABSTOP);
    for (WPARAM key : {WPARAM(VK_RETURN), WPARAM(VK_SPACE), WPARAM(VK_TAB)}) {
        MSG message{link.Hwnd(), WM_KEYDOWN, key, 0, 0, {}};
        const LRESULT code = SendMessageA(link.Hwnd(), WM_GETDLGCODE, key, reinterpret_cast<LPARAM>(&message));
        SendMessageA(link.Hwnd(), WM_KEYDOWN, key, 0);
        const bool opens = key != VK_TAB;
        EXPECT_EQ(opens, (code & DLGC_WANTMESSAGE) != 0) << key;
        EXPECT_EQ(opens ? 1u : 0u, TakePosted(parent.Hwnd(), WM_COMMAND).size()) << key;
    }
}

TEST_F(Labels, TextLabelWrapsItsTextInTheSetColourOverTheParent) {
    const RECT r{20, 20, 140, 90};
    TextLabel label;
    ASSERT_TRUE(label.Attach(MakeStatic(parent.Hwnd(), 1015, r, "alpha beta gamma delta epsilon zeta")));
    label.SetFont(kLabelColor, false, kSkinFontHeight);

    PixelCapture c = PixelCapture::OfTree(parent.Hwnd());
    EXPECT_GT(c.Count(RECT{r.left, r.top, r.right, r.top + 12}, kLabelColor), 0);
    EXPECT_GT(c.Count(RECT{r.left, r.top + 12, r.right, r.top + 24}, kLabelColor), 0);  // wrapped
    const RECT below{r.left, r.top + 40, r.right, r.bottom};
    EXPECT_EQ((below.right - below.left) * (below.bottom - below.top), c.Count(below, TestParent::kBackground));

    // Bold is wider and darker: more of the area is covered.
    const int area = (r.right - r.left) * (r.bottom - r.top);
    const int normalInk = area - c.Count(r, TestParent::kBackground);
    label.SetFont(kLabelColor, true, kSkinFontHeight);
    EXPECT_GT(area - PixelCapture::OfTree(parent.Hwnd()).Count(r, TestParent::kBackground), normalInk);

    label.SetText("");
    EXPECT_EQ(0, PixelCapture::OfTree(parent.Hwnd()).Count(r, kLabelColor));
}

// The columns of the rectangle that hold pixels of the colour: first, last.
std::pair<int, int> InkColumns(const PixelCapture& c, const RECT& r, COLORREF color) {
    int first = r.right;
    int last = r.left - 1;
    for (int x = r.left; x < r.right; ++x) {
        if (c.Count(RECT{x, r.top, x + 1, r.bottom}, color) == 0) continue;
        if (first == r.right) first = x;
        last = x;
    }
    return {first, last};
}

TEST_F(Labels, TextLabelAlignsItsTextAsTheStaticSays) {
    const RECT r{20, 20, 220, 40};
    for (DWORD style : {DWORD(SS_LEFT), DWORD(SS_CENTER), DWORD(SS_RIGHT)}) {
        TextLabel label;
        ASSERT_TRUE(label.Attach(MakeStatic(parent.Hwnd(), 1015, r, "host表保存成功", style)));
        label.SetFont(kLabelColor, false, kSkinFontHeight);
        const PixelCapture c = PixelCapture::OfTree(parent.Hwnd());
        const std::pair<int, int> ink = InkColumns(c, r, kLabelColor);
        ASSERT_LT(ink.first, ink.second) << style;
        const int left = ink.first - r.left;
        const int right = r.right - 1 - ink.second;
        switch (style) {
        case SS_LEFT:
            EXPECT_LE(left, 2);
            EXPECT_GT(right, 50);
            break;
        case SS_CENTER:
            EXPECT_NEAR(left, right, 2);
            break;
        default:
            EXPECT_LE(right, 2);
            EXPECT_GT(left, 50);
            break;
        }
        DestroyWindow(label.Hwnd());
    }
}

TEST_F(Labels, LabelsKeepTheirTextOnUnicodeStatics) {
    // The statics of the common controls version 6 are Unicode windows: a
    // new text reaches the label as UTF-16.
    const std::string text = "host表保存成功！";
    TextLabel label;
    HyperlinkLabel link;
    StaticLabel* labels[] = {&label, &link};
    int y = 20;
    for (StaticLabel* l : labels) {
        HWND hwnd = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 20, y, 200, 16,
                                    parent.Hwnd(), nullptr, nullptr, nullptr);
        y += 30;
        ASSERT_TRUE(IsWindowUnicode(hwnd));
        ASSERT_TRUE(l->Attach(hwnd));
        SetWindowTextA(hwnd, text.c_str());
        EXPECT_EQ(text, WindowTextOf(hwnd, 1000));
    }
    label.SetText("请稍候，正在检测升级……");
    EXPECT_EQ("请稍候，正在检测升级……", WindowTextOf(label.Hwnd(), 1000));
}

TEST_F(Labels, TextLabelShowsAtMost999BytesOfItsText) {
    // One line wide enough for 1000 characters: only the last one is visible.
    TextLabel label;
    ASSERT_TRUE(label.Attach(MakeStatic(parent.Hwnd(), 1015, RECT{0, 0, 7000, 16}, "")));
    label.SetFont(kLabelColor, false, kSkinFontHeight);

    label.SetText((std::string(998, ' ') + "X").c_str());
    PixelCapture c = PixelCapture::OfClient(label.Hwnd());
    EXPECT_GT(c.Count(Whole(c), kLabelColor), 0);

    label.SetText((std::string(999, ' ') + "X").c_str());
    c = PixelCapture::OfClient(label.Hwnd());
    EXPECT_EQ(0, c.Count(Whole(c), kLabelColor));
}

}  // namespace
