#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <vector>

#include "PixelCapture.h"
#include "SkinTestWindows.h"
#include "skin/ImageButton.h"

namespace {

constexpr COLORREF kNormal = RGB(10, 20, 30);
constexpr COLORREF kPressed = RGB(200, 0, 0);
constexpr COLORREF kHover = RGB(0, 200, 0);
constexpr COLORREF kSpare = RGB(0, 0, 200);
constexpr COLORREF kDisabled = RGB(90, 90, 90);
constexpr int kButtonId = 1005;

// The tooltip windows of the thread made for the control: a pop-up made
// with a child for its parent belongs to the child's top-level window.
std::vector<HWND> TooltipsOf(HWND control) {
    struct Search {
        HWND owner;
        std::vector<HWND> found;
    } search{GetAncestor(control, GA_ROOT), {}};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND hwnd, LPARAM lParam) -> BOOL {
            auto* s = reinterpret_cast<Search*>(lParam);
            char className[64] = {};
            GetClassNameA(hwnd, className, sizeof className);
            if (GetWindow(hwnd, GW_OWNER) == s->owner && lstrcmpiA(className, TOOLTIPS_CLASSA) == 0) {
                s->found.push_back(hwnd);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

class ImageButtonTest : public ::testing::Test {
protected:
    HWND MakeButton(const char* text = "按钮") {
        return CreateWindowExA(0, "BUTTON", text, WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 10, 10, 200,
                               100, parent.Hwnd(), reinterpret_cast<HMENU>(kButtonId), nullptr,
                               nullptr);
    }
    // The colour at the centre of the button's own painting.
    COLORREF Face(HWND button) {
        PixelCapture c = PixelCapture::OfClient(button);
        return c.At(2, 2);
    }
    void Attach(ImageButton& button, HWND hwnd) {
        button.SetImageStrip(MakeSolidStrip(40, 24, {kNormal, kPressed, kHover, kSpare, kDisabled}));
        ASSERT_TRUE(button.Attach(hwnd));
        button.SetImages(0, 1, 2, 4);
        button.SetExtendedStyle(ImageButton::kHover);
    }
    int Clicks() const {
        int n = 0;
        for (const CommandRecorder::Command& c : parent.commands) {
            n += c.id == kButtonId && c.code == BN_CLICKED;
        }
        return n;
    }
    void TearDown() override { ReleaseCapture(); }

    CommandRecorder parent;
};

TEST_F(ImageButtonTest, AttachingMakesItOwnerDrawnAndSizesItToOneCell) {
    ImageButton button;
    HWND hwnd = MakeButton();
    Attach(button, hwnd);
    EXPECT_EQ(BS_OWNERDRAW, GetWindowLongPtrA(hwnd, GWL_STYLE) & BS_TYPEMASK);
    RECT client;
    GetClientRect(hwnd, &client);
    EXPECT_EQ(40, client.right);
    EXPECT_EQ(24, client.bottom);
}

TEST_F(ImageButtonTest, ImageFollowsTheState) {
    ImageButton button;
    HWND hwnd = MakeButton();
    Attach(button, hwnd);
    EXPECT_EQ(kNormal, Face(hwnd));

    SendMouse(hwnd, WM_MOUSEMOVE, 5, 5);
    EXPECT_TRUE(button.IsMouseOver());
    EXPECT_EQ(kHover, Face(hwnd));

    SendMouse(hwnd, WM_LBUTTONDOWN, 5, 5, MK_LBUTTON);
    EXPECT_EQ(kPressed, Face(hwnd));
    SendMouse(hwnd, WM_LBUTTONUP, 5, 5);
    SendMessageA(hwnd, WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(kNormal, Face(hwnd));

    EnableWindow(hwnd, FALSE);
    EXPECT_EQ(kDisabled, Face(hwnd));
}

TEST_F(ImageButtonTest, UnsetIndicesFallBackToTheNormalImage) {
    ImageButton button;
    HWND hwnd = MakeButton();
    button.SetImageStrip(MakeSolidStrip(40, 24, {kNormal, kPressed, kHover}));
    ASSERT_TRUE(button.Attach(hwnd));
    button.SetImages(0);  // pressed, hover and disabled stay unset (-1)
    button.SetExtendedStyle(ImageButton::kHover);
    SendMouse(hwnd, WM_MOUSEMOVE, 5, 5);
    EXPECT_EQ(kNormal, Face(hwnd));
    SendMouse(hwnd, WM_LBUTTONDOWN, 5, 5, MK_LBUTTON);
    EXPECT_EQ(kNormal, Face(hwnd));
    SendMouse(hwnd, WM_LBUTTONUP, 5, 5);
    EnableWindow(hwnd, FALSE);
    EXPECT_EQ(kNormal, Face(hwnd));

    // -1 leaves an index as it was.
    EnableWindow(hwnd, TRUE);
    button.SetImages(-1, -1, 2, -1);
    SendMessageA(hwnd, WM_MOUSELEAVE, 0, 0);
    SendMouse(hwnd, WM_MOUSEMOVE, 5, 5);
    EXPECT_EQ(kHover, Face(hwnd));
    EXPECT_EQ(2, button.CurrentImage());
}

TEST_F(ImageButtonTest, AnIndexPastTheStripDrawsNothing) {
    ImageButton button;
    HWND hwnd = MakeButton();
    button.SetImageStrip(MakeSolidStrip(40, 24, {kNormal, kPressed, kHover, kSpare}));
    ASSERT_TRUE(button.Attach(hwnd));
    button.SetImages(0, 1, 2, 4);  // four images: index 4 does not exist
    EnableWindow(hwnd, FALSE);
    PixelCapture c = PixelCapture::OfClient(hwnd);
    const RECT all{0, 0, 40, 24};
    for (COLORREF color : {kNormal, kPressed, kHover, kSpare}) EXPECT_EQ(0, c.Count(all, color));
}

TEST_F(ImageButtonTest, ReleaseOutsideIsNoClickAndDraggingBackInIsOne) {
    ImageButton button;
    HWND hwnd = MakeButton();
    Attach(button, hwnd);

    SendMouse(hwnd, WM_LBUTTONDOWN, 5, 5, MK_LBUTTON);
    EXPECT_EQ(hwnd, GetCapture());
    SendMouse(hwnd, WM_MOUSEMOVE, 300, 300, MK_LBUTTON);
    EXPECT_FALSE(button.IsPressed());
    SendMouse(hwnd, WM_LBUTTONUP, 300, 300);
    EXPECT_EQ(0, Clicks());
    EXPECT_EQ(nullptr, GetCapture());

    SendMouse(hwnd, WM_LBUTTONDOWN, 5, 5, MK_LBUTTON);
    SendMouse(hwnd, WM_MOUSEMOVE, -20, 5, MK_LBUTTON);
    EXPECT_FALSE(button.IsPressed());
    SendMouse(hwnd, WM_MOUSEMOVE, 39, 23, MK_LBUTTON);
    EXPECT_TRUE(button.IsPressed());
    SendMouse(hwnd, WM_LBUTTONUP, 39, 23);
    ASSERT_EQ(1, Clicks());
    // The parent cannot tell it from a system button's click.
    EXPECT_EQ(reinterpret_cast<LPARAM>(hwnd), parent.commands.back().lParam);
    EXPECT_EQ(nullptr, GetCapture());
    EXPECT_FALSE(button.IsPressed());
}

TEST_F(ImageButtonTest, DoubleClickPressesLikeAButtonDownAndLostCaptureCancels) {
    ImageButton button;
    HWND hwnd = MakeButton();
    Attach(button, hwnd);
    SendMouse(hwnd, WM_LBUTTONDBLCLK, 5, 5, MK_LBUTTON);
    EXPECT_TRUE(button.IsPressed());
    EXPECT_EQ(hwnd, GetCapture());
    ReleaseCapture();  // e.g. another window took the mouse
    EXPECT_FALSE(button.IsPressed());
    EXPECT_EQ(kNormal, Face(hwnd));
    SendMouse(hwnd, WM_LBUTTONUP, 5, 5);
    EXPECT_EQ(0, Clicks());
}

TEST_F(ImageButtonTest, SpaceBarNeitherPressesNorClicks) {
    ImageButton button;
    HWND hwnd = MakeButton();
    Attach(button, hwnd);
    SetFocus(hwnd);
    SendMessageA(hwnd, WM_KEYDOWN, VK_SPACE, 0x00390001);
    EXPECT_FALSE(button.IsPressed());
    EXPECT_EQ(0, SendMessageA(hwnd, BM_GETSTATE, 0, 0) & BST_PUSHED);
    SendMessageA(hwnd, WM_KEYUP, VK_SPACE, 0xC0390001);
    PumpMessages();
    EXPECT_EQ(0, Clicks());
}

TEST_F(ImageButtonTest, WithoutTrackingFocusSelectsTheHoverImage) {
    ImageButton button;
    HWND hwnd = MakeButton();
    button.SetImageStrip(MakeSolidStrip(40, 24, {kNormal, kPressed, kHover}));
    ASSERT_TRUE(button.Attach(hwnd));
    button.SetImages(0, 1, 2);
    SetForegroundWindow(parent.Hwnd());
    SetFocus(hwnd);
    ASSERT_EQ(hwnd, GetFocus());
    PumpMessages();
    // The system draws the focus state through WM_DRAWITEM's item state.
    InvalidateRect(hwnd, nullptr, FALSE);
    UpdateWindow(hwnd);
    EXPECT_EQ(2, button.CurrentImage());
}

TEST_F(ImageButtonTest, DisabledTextButtonDrawsRedTextAndIgnoresTheMouse) {
    TextImageButton button;
    HWND hwnd = MakeButton("确定");
    Attach(button, hwnd);
    const RECT all{0, 0, 40, 24};

    PixelCapture enabled = PixelCapture::OfClient(hwnd);
    EXPECT_GT(enabled.Count(all, RGB(0, 0, 0)), 10);
    EXPECT_EQ(0, enabled.Count(all, RGB(255, 0, 0)));

    EnableWindow(hwnd, FALSE);
    PixelCapture disabled = PixelCapture::OfClient(hwnd);
    EXPECT_GT(disabled.Count(all, RGB(255, 0, 0)), 10);
    EXPECT_EQ(0, disabled.Count(all, RGB(0, 0, 0)));
    EXPECT_GT(disabled.Count(all, kDisabled), 0);

    SendMouse(hwnd, WM_MOUSEMOVE, 5, 5);
    SendMouse(hwnd, WM_LBUTTONDOWN, 5, 5, MK_LBUTTON);
    EXPECT_FALSE(button.IsPressed());
    EXPECT_NE(hwnd, GetCapture());
    SendMouse(hwnd, WM_LBUTTONUP, 5, 5);
    EXPECT_EQ(0, Clicks());
}

TEST_F(ImageButtonTest, DetachingTakesTheTooltipAwayAndAttachingAgainAddsOne) {
    ImageButton button(ImageButton::kAutoSize, "提示");
    HWND hwnd = MakeButton();
    Attach(button, hwnd);
    EXPECT_EQ(1u, TooltipsOf(hwnd).size());
    button.Detach();
    EXPECT_EQ(nullptr, WindowObject::FromHandle(hwnd));
    EXPECT_TRUE(TooltipsOf(hwnd).empty());
    ASSERT_TRUE(button.Attach(hwnd));
    EXPECT_EQ(1u, TooltipsOf(hwnd).size());
}

TEST_F(ImageButtonTest, TextIsDrawnEvenWithoutAStrip) {
    TextImageButton button(ImageButton::kAutoSize);
    HWND hwnd = MakeButton("保存");
    ASSERT_TRUE(button.Attach(hwnd));
    PixelCapture c = PixelCapture::OfClient(hwnd);
    EXPECT_GT(c.Count(RECT{0, 0, 200, 100}, RGB(0, 0, 0)), 10);
}

TEST_F(ImageButtonTest, HandCursorButtonIsALogoButtonShowingTheHand) {
    HandCursorButton logo;
    logo.SetImageStrip(MakeSolidStrip(60, 30, {kNormal}));
    ASSERT_TRUE(logo.Create(parent.Hwnd(), 217, RECT{10, 10, 70, 40}));
    logo.SetImages(0, 1, 2, 4);
    logo.SetExtendedStyle(ImageButton::kHover);
    char className[32] = {};
    GetClassNameA(logo.Hwnd(), className, sizeof className);
    EXPECT_STREQ("LogoButton", className);
    EXPECT_EQ(217, GetDlgCtrlID(logo.Hwnd()));
    // Made owner-drawn like an attached button.
    EXPECT_EQ(BS_OWNERDRAW, GetWindowLongPtrA(logo.Hwnd(), GWL_STYLE) & BS_TYPEMASK);

    SendMouse(logo.Hwnd(), WM_MOUSEMOVE, 5, 5);
    EXPECT_TRUE(SendMessageA(logo.Hwnd(), WM_SETCURSOR, reinterpret_cast<WPARAM>(logo.Hwnd()),
                             MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)));
    EXPECT_EQ(LoadCursor(nullptr, IDC_HAND), GetCursor());
    SendMessageA(logo.Hwnd(), WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(LoadCursor(nullptr, IDC_ARROW), GetCursor());

    SendMouse(logo.Hwnd(), WM_LBUTTONDOWN, 5, 5, MK_LBUTTON);
    SendMouse(logo.Hwnd(), WM_LBUTTONUP, 5, 5);
    ASSERT_EQ(1u, parent.commands.size());
    EXPECT_EQ(217, parent.commands[0].id);
}

}  // namespace
