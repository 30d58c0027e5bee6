#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "ControlTestSupport.h"
#include "PixelCapture.h"
#include "TestBitmaps.h"
#include "skin/SkinGdi.h"
#include "skin/TabStrip.h"

namespace {

// Any message number will do; the strip posts the one it is given.
constexpr UINT kNotify = WM_APP + 7;

// Tab ids that differ from the indexes.
constexpr int kIdA = 10;
constexpr int kIdB = 20;
constexpr int kIdC = 30;
constexpr int kTabWidth = 87;
constexpr int kPictureHeight = 70;

class Tabs : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(parent.Open(400, 200)); }

    // The main window's strip: three 87-pixel tabs in 258 x 69 pixels.
    void MakeStrip(const RECT& rect) {
        ASSERT_NE(nullptr, strip.Create(parent.Hwnd(), rect, kNotify));
        strip.AddTab(kIdA, IDB_TEST_TAB_A_ON, IDB_TEST_TAB_A_OFF, kTabWidth, kTabWidth);
        strip.AddTab(kIdB, IDB_TEST_TAB_B_ON, IDB_TEST_TAB_B_OFF, kTabWidth, kTabWidth);
        strip.AddTab(kIdC, IDB_TEST_TAB_C_ON, IDB_TEST_TAB_C_OFF, kTabWidth, kTabWidth);
        strip.SetFiller(IDB_TEST_FILLER);
        strip.Select(0);
    }

    std::vector<MSG> Posted() { return TakePosted(parent.Hwnd(), kNotify); }

    TestParent parent;
    TabStrip strip;
};

// Columns [from, to) of the capture that are wholly of the colour.
bool ColumnsAre(const PixelCapture& c, int from, int to, COLORREF color) {
    const RECT r{from, 0, to, c.Height() < kPictureHeight ? c.Height() : kPictureHeight};
    return c.Count(r, color) == (r.right - r.left) * (r.bottom - r.top);
}

TEST_F(Tabs, ThirdPictureIsCutAtTheRightEdgeOfA258PixelStrip) {
    MakeStrip(RECT{13, 24, 271, 93});
    PixelCapture c = PixelCapture::OfClient(strip.Hwnd());
    ASSERT_EQ(258, c.Width());
    EXPECT_TRUE(ColumnsAre(c, 0, 87, kTestTabAOnColor));
    EXPECT_TRUE(ColumnsAre(c, 87, 174, kTestTabBOffColor));
    EXPECT_TRUE(ColumnsAre(c, 174, 258, kTestTabCOffColor));
    EXPECT_EQ(0, c.Count(RECT{0, 0, 258, 69}, kTestFillerColor));

    strip.Select(2);
    c = PixelCapture::OfClient(strip.Hwnd());
    EXPECT_TRUE(ColumnsAre(c, 0, 87, kTestTabAOffColor));
    EXPECT_TRUE(ColumnsAre(c, 87, 174, kTestTabBOffColor));
    EXPECT_TRUE(ColumnsAre(c, 174, 258, kTestTabCOnColor));
}

TEST_F(Tabs, FillerCoversTheRestOfAWiderStripAtItsOwnHeight) {
    MakeStrip(RECT{0, 0, 300, 75});
    PixelCapture c = PixelCapture::OfClient(strip.Hwnd());
    EXPECT_TRUE(ColumnsAre(c, 174, 261, kTestTabCOffColor));
    EXPECT_TRUE(ColumnsAre(c, 261, 300, kTestFillerColor));
    // Below the 70-pixel pictures and filler: the strip's own colour.
    EXPECT_EQ(300 * 5, c.Count(RECT{0, 70, 300, 75}, kTabStripColor));
}

TEST_F(Tabs, EachTabTakesTheWidthOfItsState) {
    ASSERT_NE(nullptr, strip.Create(parent.Hwnd(), RECT{0, 0, 300, 70}, kNotify));
    strip.AddTab(kIdA, IDB_TEST_TAB_A_ON, IDB_TEST_TAB_A_OFF, 87, 50);
    strip.AddTab(kIdB, IDB_TEST_TAB_B_ON, IDB_TEST_TAB_B_OFF, 87, 50);
    strip.Select(1);
    PixelCapture c = PixelCapture::OfClient(strip.Hwnd());
    EXPECT_TRUE(ColumnsAre(c, 0, 50, kTestTabAOffColor));  // the next picture covers the rest
    EXPECT_TRUE(ColumnsAre(c, 50, 137, kTestTabBOnColor));
    EXPECT_TRUE(ColumnsAre(c, 137, 300, kTabStripColor));  // no filler set
    EXPECT_EQ(49, strip.HitRect(0).right);
}

TEST_F(Tabs, ReleaseOverAnotherTabPostsItsIdAndMakesItCurrent) {
    MakeStrip(RECT{13, 24, 271, 93});
    ClickAt(strip.Hwnd(), 40, 30);  // the current tab
    EXPECT_TRUE(Posted().empty());
    EXPECT_EQ(0, strip.Current());

    ClickAt(strip.Hwnd(), 130, 30);
    std::vector<MSG> posted = Posted();
    ASSERT_EQ(1u, posted.size());
    EXPECT_EQ(static_cast<WPARAM>(kIdB), posted[0].wParam);
    EXPECT_EQ(-1, posted[0].lParam);
    EXPECT_EQ(1, strip.Current());
    EXPECT_TRUE(ColumnsAre(PixelCapture::OfClient(strip.Hwnd()), 87, 174, kTestTabBOnColor));
    ClickAt(strip.Hwnd(), 130, 30);
    EXPECT_TRUE(Posted().empty());

    // Only the release chooses.
    SendMessageA(strip.Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(200, 30));
    EXPECT_TRUE(Posted().empty());
    SendMessageA(strip.Hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(200, 30));
    posted = Posted();
    ASSERT_EQ(1u, posted.size());
    EXPECT_EQ(static_cast<WPARAM>(kIdC), posted[0].wParam);

    // Choosing by program tells nobody.
    strip.Select(0);
    EXPECT_EQ(0, strip.Current());
    EXPECT_TRUE(Posted().empty());
    EXPECT_EQ(0, parent.sentCommands);
}

TEST_F(Tabs, StripEdgesAndTheEndOfTheLastTabChooseNothing) {
    MakeStrip(RECT{0, 0, 300, 69});
    for (int y = 0; y < 6; ++y) ClickAt(strip.Hwnd(), 130, y);
    for (int y = 67; y < 69; ++y) ClickAt(strip.Hwnd(), 130, y);
    for (int x = 254; x < 261; ++x) ClickAt(strip.Hwnd(), x, 30);  // last 7 pixels of the third tab
    for (int x = 261; x < 300; x += 5) ClickAt(strip.Hwnd(), x, 30);  // the filler
    EXPECT_TRUE(Posted().empty());
    EXPECT_EQ(0, strip.Current());

    ClickAt(strip.Hwnd(), 130, 6);
    ASSERT_EQ(1u, Posted().size());
    ClickAt(strip.Hwnd(), 40, 66);
    ASSERT_EQ(1u, Posted().size());
    ClickAt(strip.Hwnd(), 252, 30);
    std::vector<MSG> posted = Posted();
    ASSERT_EQ(1u, posted.size());
    EXPECT_EQ(static_cast<WPARAM>(kIdC), posted[0].wParam);
}

TEST_F(Tabs, HandCursorOnlyOverATab) {
    MakeStrip(RECT{13, 24, 271, 93});
    const HCURSOR arrow = LoadCursor(nullptr, IDC_ARROW);
    const HCURSOR hand = LoadCursor(nullptr, IDC_HAND);
    const LPARAM query = MAKELPARAM(HTCLIENT, WM_MOUSEMOVE);
    const WPARAM self = reinterpret_cast<WPARAM>(strip.Hwnd());

    SetCursor(arrow);
    SendMessageA(strip.Hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(130, 30));
    EXPECT_EQ(TRUE, SendMessageA(strip.Hwnd(), WM_SETCURSOR, self, query));
    EXPECT_EQ(hand, GetCursor());

    SendMessageA(strip.Hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(130, 2));
    SendMessageA(strip.Hwnd(), WM_SETCURSOR, self, query);
    EXPECT_EQ(arrow, GetCursor());  // the class's cursor

    SendMessageA(strip.Hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(40, 30));
    SendMessageA(strip.Hwnd(), WM_SETCURSOR, self, query);
    EXPECT_EQ(hand, GetCursor());
    SendMessageA(strip.Hwnd(), WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(arrow, GetCursor());
}

}  // namespace
