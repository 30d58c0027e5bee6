#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

#include "ControlTestSupport.h"
#include "PixelCapture.h"
#include "TestBitmaps.h"
#include "skin/HeaderListView.h"
#include "skin/SkinGdi.h"
#include "win/Handles.h"

namespace {

constexpr int kListId = 1008;
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);

// A row like the update settings page's: it says when it is freed.
struct SiteRow : ListRow {
    SiteRow(std::string a, int* freed) : address(std::move(a)), freedCount(freed) {}
    ~SiteRow() override { ++*freedCount; }
    std::string address;
    int* freedCount;
};

class List : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES};
        ASSERT_TRUE(InitCommonControlsEx(&icc));
    }

    void SetUp() override {
        ASSERT_TRUE(parent.Open(600, 300));
        font = CreateSkinFont(kSkinFontHeight, FW_NORMAL);
    }

    // The update settings page's list: report style, two columns, check
    // boxes, grid lines, full-row select.
    HWND MakeList(HeaderListView& view, DWORD extendedStyle = LVS_EX_GRIDLINES | LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT) {
        HWND list = CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SINGLESEL,
                                    10, 10, 480, 200, parent.Hwnd(),
                                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(kListId)), nullptr, nullptr);
        if (!list) return nullptr;
        SendMessageA(list, WM_SETFONT, reinterpret_cast<WPARAM>(font.Get()), FALSE);
        if (!view.Attach(list)) return nullptr;
        AddColumn(list, 0, "", 18);
        AddColumn(list, 1, "   网址", 440);
        ListView_SetExtendedListViewStyle(list, extendedStyle);
        return list;
    }

    static void AddColumn(HWND list, int index, const char* text, int width) {
        LVCOLUMNA column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
        column.fmt = LVCFMT_LEFT;
        column.pszText = const_cast<char*>(text);
        column.cx = width;
        ListView_InsertColumn(list, index, &column);
    }

    int AddSite(HeaderListView& view, const std::string& address) {
        const int row = view.AppendRow(std::make_unique<SiteRow>(address, &freed));
        view.SetCellText(row, 1, address.c_str());
        return row;
    }

    void AddThreeSites(HeaderListView& view) {
        for (const char* site : {"http://a.example/host.txt", "http://b.example/host.txt", "http://c.example/host.txt"}) {
            AddSite(view, site);
        }
    }

    TestParent parent;
    UniqueFont font;
    int freed = 0;
};

RECT Bounds(HWND list, int row) {
    RECT r{};
    ListView_GetItemRect(list, row, &r, LVIR_BOUNDS);
    return r;
}

int Area(const RECT& r) {
    return (r.right - r.left) * (r.bottom - r.top);
}

// Pixels in the rectangle that are of neither colour.
int OtherThan(const PixelCapture& c, const RECT& r, COLORREF a, COLORREF b) {
    return Area(r) - c.Count(r, a) - c.Count(r, b);
}

TEST_F(List, PressInsideTheCheckBoxTogglesOnlyThatRow) {
    HeaderListView view;
    HWND list = MakeList(view);
    ASSERT_NE(nullptr, list);
    AddThreeSites(view);
    const RECT row = Bounds(list, 1);
    const RECT box = HeaderListView::CheckBoxRect(row);
    ASSERT_EQ(13, box.bottom - box.top);
    ASSERT_LT(row.top, box.top);  // room above the box within the row
    const int y = (box.top + box.bottom) / 2;
    auto ticks = [&] { return std::to_string(view.Row(0)->ticked) + std::to_string(view.Row(1)->ticked) +
                              std::to_string(view.Row(2)->ticked); };

    UpdateWindow(list);
    ClickAt(list, row.left + 2, y);
    EXPECT_EQ("010", ticks());
    RECT dirty{};
    GetUpdateRect(list, &dirty, FALSE);
    EXPECT_TRUE(EqualRect(&box, &dirty));
    EXPECT_EQ(0u, ListView_GetSelectedCount(list));  // the press went no further

    ClickAt(list, row.left + 14, y);
    EXPECT_EQ("000", ticks());
    ClickAt(list, row.left + 8, box.bottom - 1);
    EXPECT_EQ("010", ticks());
    for (POINT outside : {POINT{row.left + 1, y}, POINT{row.left + 15, y}, POINT{row.left + 40, y},
                          POINT{row.left + 8, box.top - 1}, POINT{row.left + 8, box.bottom}}) {
        ClickAt(list, outside.x, outside.y);
        EXPECT_EQ("010", ticks()) << outside.x << "," << outside.y;
    }
    // Presses beside the box select the row as usual.
    EXPECT_EQ(LVIS_SELECTED, ListView_GetItemState(list, 1, LVIS_SELECTED));

    PixelCapture c = PixelCapture::OfClient(list);
    EXPECT_EQ(Area(box), c.Count(box, kTestCheckOnColor));
    const RECT first = HeaderListView::CheckBoxRect(Bounds(list, 0));
    EXPECT_EQ(Area(first), c.Count(first, kTestCheckOffColor));
}

TEST_F(List, WithoutTheCheckBoxStyleThereIsNoBoxToPress) {
    HeaderListView view;
    HWND list = MakeList(view, LVS_EX_FULLROWSELECT);
    ASSERT_NE(nullptr, list);
    AddSite(view, "http://a.example/host.txt");
    const RECT box = HeaderListView::CheckBoxRect(Bounds(list, 0));
    ClickAt(list, box.left + 5, box.top + 5);
    EXPECT_EQ(0, view.Row(0)->ticked);
    EXPECT_EQ(LVIS_SELECTED, ListView_GetItemState(list, 0, LVIS_SELECTED));
    PixelCapture c = PixelCapture::OfClient(list);
    EXPECT_EQ(0, c.Count(box, kTestCheckOffColor) + c.Count(box, kTestCheckOnColor));
}

TEST_F(List, SelectedRowIsWhiteOnBlueAndEveryRowHasAGridLine) {
    HeaderListView view;
    HWND list = MakeList(view);
    ASSERT_NE(nullptr, list);
    AddThreeSites(view);
    ListView_SetItemState(list, 1, LVIS_SELECTED, LVIS_SELECTED);
    PixelCapture c = PixelCapture::OfClient(list);
    for (int i = 0; i < 3; ++i) {
        const RECT row = Bounds(list, i);
        const RECT line{row.left, row.bottom - 1, row.right, row.bottom};
        EXPECT_EQ(Area(line), c.Count(line, kRowGridColor)) << i;
        RECT body{row.left, row.top, row.right, row.bottom - 1};
        EXPECT_EQ(0, c.Count(body, kRowGridColor)) << i;
        body.left = HeaderListView::CheckBoxRect(row).right;  // past the check box
        if (i == 1) {
            EXPECT_GT(c.Count(body, kWhite), 50);
            EXPECT_EQ(0, OtherThan(c, body, kSelectedRowColor, kWhite));
        } else {
            EXPECT_GT(c.Count(body, kBlack), 50) << i;
            EXPECT_EQ(0, OtherThan(c, body, kWhite, kBlack)) << i;
        }
    }

    ListView_SetItemState(list, 1, 0, LVIS_SELECTED);
    c = PixelCapture::OfClient(list);
    const RECT row = Bounds(list, 1);
    const RECT body{HeaderListView::CheckBoxRect(row).right, row.top, row.right, row.bottom - 1};
    EXPECT_GT(c.Count(body, kBlack), 50);
    EXPECT_EQ(0, OtherThan(c, body, kWhite, kBlack));
}

TEST_F(List, CellTooLongForItsColumnEndsInAnEllipsis) {
    HeaderListView view;
    HWND list = MakeList(view);
    ASSERT_NE(nullptr, list);
    AddSite(view, "http://" + std::string(200, 'W') + ".example/host.txt");
    const RECT row = Bounds(list, 0);
    RECT cell{};
    ListView_GetSubItemRect(list, 0, 1, LVIR_LABEL, &cell);
    const int textRight = cell.right - 2;
    PixelCapture c = PixelCapture::OfClient(list);

    // The text's rows, from its start ("http://W...").
    int top = row.bottom;
    int bottom = row.top;
    for (int y = row.top; y < row.bottom - 1; ++y) {
        if (c.Count(RECT{cell.left, y, cell.left + 60, y + 1}, kBlack) == 0) continue;
        top = std::min(top, y);
        bottom = std::max(bottom, y + 1);
    }
    ASSERT_LT(top, bottom);
    const int middle = (top + bottom) / 2;
    // Just before the end only the dots remain: ink low on the line, none high.
    const RECT tailHigh{textRight - 12, top, textRight - 6, middle};
    const RECT tailLow{textRight - 12, middle, textRight - 6, bottom};
    EXPECT_EQ(0, c.Count(tailHigh, kBlack));
    EXPECT_GT(c.Count(tailLow, kBlack), 0);
    // Nothing beyond the text's right edge.
    EXPECT_EQ(0, c.Count(RECT{textRight, row.top, row.right, row.bottom - 1}, kBlack));
}

TEST_F(List, RowRecordsAreFreedWithTheirRows) {
    {
        HeaderListView view;
        HWND list = MakeList(view);
        ASSERT_NE(nullptr, list);
        for (const char* site : {"http://a.example/", "http://b.example/", "http://c.example/", "http://d.example/"}) {
            AddSite(view, site);
        }
        EXPECT_TRUE(view.DeleteRow(1));
        EXPECT_EQ(1, freed);
        ASSERT_EQ(3, view.RowCount());
        EXPECT_EQ("http://c.example/", static_cast<SiteRow*>(view.Row(1))->address);

        ListView_DeleteItem(list, 0);  // directly, as any owner may
        EXPECT_EQ(2, freed);
        DestroyWindow(list);
        EXPECT_EQ(4, freed);
        EXPECT_EQ(nullptr, view.Hwnd());
        EXPECT_EQ(-1, view.AppendRow(std::make_unique<SiteRow>("late", &freed)));
        EXPECT_EQ(5, freed);
    }
    HWND list;
    {
        HeaderListView view;
        list = MakeList(view);
        ASSERT_NE(nullptr, list);
        AddSite(view, "http://a.example/");
        AddSite(view, "http://b.example/");
        ListView_DeleteAllItems(list);
        EXPECT_EQ(7, freed);
        AddSite(view, "http://c.example/");
    }
    // An object that goes before its list leaves no rows pointing at it.
    EXPECT_EQ(8, freed);
    EXPECT_EQ(0, ListView_GetItemCount(list));
    DestroyWindow(list);
}

TEST_F(List, DetachingDeletesTheRowsAndGivesTheListAndHeaderBack) {
    HeaderListView view;
    HWND list = MakeList(view);
    ASSERT_NE(nullptr, list);
    HWND header = ListView_GetHeader(list);
    AddSite(view, "http://a.example/");
    AddSite(view, "http://b.example/");
    ASSERT_NE(nullptr, ListView_GetImageList(list, LVSIL_SMALL));
    ASSERT_EQ(&view.Header(), WindowObject::FromHandle(header));

    view.Detach();
    EXPECT_EQ(2, freed);
    EXPECT_EQ(0, ListView_GetItemCount(list));
    // The image list stays the object's: the list must not destroy it too.
    EXPECT_EQ(nullptr, ListView_GetImageList(list, LVSIL_SMALL));
    EXPECT_EQ(nullptr, WindowObject::FromHandle(list));
    EXPECT_EQ(nullptr, WindowObject::FromHandle(header));

    // Both can be taken over again, as when first attached.
    ASSERT_TRUE(view.Attach(list));
    EXPECT_NE(nullptr, ListView_GetImageList(list, LVSIL_SMALL));
    EXPECT_EQ(&view.Header(), WindowObject::FromHandle(header));
    AddSite(view, "http://c.example/");
    DestroyWindow(list);
    EXPECT_EQ(3, freed);
}

TEST_F(List, HeaderIsDrawnFromItsBitmaps) {
    HeaderListView view;
    HWND list = MakeList(view);
    ASSERT_NE(nullptr, list);
    HWND header = ListView_GetHeader(list);
    RECT client;
    GetClientRect(header, &client);
    const int h = client.bottom;
    ASSERT_GT(h, 0);

    PixelCapture c = PixelCapture::OfClient(header);
    // Separators over the last two pixels of each item, full height.
    for (int x : {16, 17, 456, 457}) {
        EXPECT_EQ(h, c.Count(RECT{x, 0, x + 1, h}, kTestHeaderSeparatorColor)) << x;
    }
    // The background everywhere else, past the items too, but for the text.
    EXPECT_EQ(Area(RECT{0, 0, 16, h}), c.Count(RECT{0, 0, 16, h}, kTestHeaderBackColor));
    EXPECT_EQ(Area(RECT{458, 0, client.right, h}), c.Count(RECT{458, 0, client.right, h}, kTestHeaderBackColor));
    EXPECT_EQ(0, c.Count(RECT{0, 0, 18, h}, kBlack));
    const RECT second{18, 0, 456, h};
    const int text = c.Count(second, kBlack);
    EXPECT_GT(text, 20);  // "   网址"
    EXPECT_EQ(Area(second), c.Count(second, kTestHeaderBackColor) + text);

    // A sort mark at the right end of the sort column, pointing up or down.
    const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
    const RECT end{436, 0, 456, h};
    EXPECT_EQ(0, c.Count(end, shadow));
    view.Header().SetSortColumn(1, true);
    PixelCapture up = PixelCapture::OfClient(header);
    view.Header().SetSortColumn(1, false);
    PixelCapture down = PixelCapture::OfClient(header);
    ASSERT_GT(up.Count(end, shadow), 0);
    ASSERT_GT(down.Count(end, shadow), 0);
    EXPECT_EQ(0, up.Count(RECT{0, 0, 436, h}, shadow));
    // Lit from the top left: pointing down, the mark's top edge is in shadow
    // too; pointing up, only its left side is.
    const RECT topHalf{end.left, 0, end.right, h / 2};
    EXPECT_GT(down.Count(topHalf, shadow), up.Count(topHalf, shadow));
}

}  // namespace
