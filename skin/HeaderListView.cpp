#include "skin/HeaderListView.h"

#include <windowsx.h>

#include <algorithm>
#include <vector>

#include "res/resource.h"
#include "skin/SkinGdi.h"

namespace {

constexpr int kCheckSize = 13;
constexpr int kCheckLeft = 2;  // from the row's left edge
constexpr int kSmallImageSize = 16;
constexpr int kCellTextBytes = 1000;
// The first column's text goes over the icon place, which no row uses.
constexpr int kFirstColumnShift = 17;
constexpr int kCellLeftPadding = 5;
constexpr int kCellRightPadding = 2;
constexpr int kHeaderTextPadding = 2;
constexpr int kSortMarkSpace = 20;
constexpr COLORREF kRowColor = RGB(255, 255, 255);
constexpr COLORREF kRowTextColor = RGB(0, 0, 0);
constexpr COLORREF kSelectedTextColor = RGB(255, 255, 255);
constexpr int kNoteGap = 8;

// Image 0 ticked, image 1 not ticked; empty if either picture is missing,
// so that an image never stands for the wrong state.
UniqueImageList MakeCheckImages() {
    UniqueBitmap ticked = LoadSkinBitmap(IDB_CHECK_ON);
    UniqueBitmap unticked = LoadSkinBitmap(IDB_CHECK_OFF);
    UniqueImageList images(ImageList_Create(kCheckSize, kCheckSize, ILC_COLOR24, 2, 0));
    if (images && ticked && unticked) {
        ImageList_Add(images.Get(), ticked.Get(), nullptr);
        ImageList_Add(images.Get(), unticked.Get(), nullptr);
    }
    return images;
}

ListRow* RecordOf(HWND list, int row) {
    LVITEMA item{};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    if (!ListView_GetItem(list, &item)) return nullptr;
    return reinterpret_cast<ListRow*>(item.lParam);
}

UINT HeaderTextAlignment(int format) {
    switch (format & HDF_JUSTIFYMASK) {
    case HDF_CENTER:
        return DT_CENTER;
    case HDF_RIGHT:
        return DT_RIGHT;
    default:
        return DT_LEFT;
    }
}

}  // namespace

ListHeader::ListHeader()
    : font_(CreateSkinFont(kSkinFontHeight, FW_NORMAL)),
      background_(LoadSkinBitmap(IDB_HEADER_BACK)),
      separator_(LoadSkinBitmap(IDB_HEADER_SEPARATOR)) {}

void ListHeader::SetSortColumn(int column, bool ascending) {
    sortColumn_ = column;
    ascending_ = ascending;
    if (Hwnd()) InvalidateRect(Hwnd(), nullptr, FALSE);
}

void ListHeader::Paint(HDC target) {
    RECT client;
    GetClientRect(Hwnd(), &client);
    OffscreenSurface surface(target, client.right, client.bottom);
    const HDC dc = surface.Get();
    DrawStretchedBitmap(dc, background_.Get(), client);
    ScopedSelect font(dc, font_.Get());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 0));
    const int count = Header_GetItemCount(Hwnd());
    for (int i = 0; i < count; ++i) {
        RECT item;
        if (!Header_GetItemRect(Hwnd(), i, &item)) continue;
        DrawStretchedBitmap(dc, separator_.Get(), RECT{item.right - 2, client.top, item.right, client.bottom});
        RECT textRect = item;
        if (i == sortColumn_) {
            DrawSortMark(dc, item);
            textRect.right -= kSortMarkSpace;
        }
        InflateRect(&textRect, -kHeaderTextPadding, 0);
        char text[MAX_PATH] = {};
        HDITEMA info{};
        info.mask = HDI_TEXT | HDI_FORMAT;
        info.pszText = text;
        info.cchTextMax = sizeof text;
        if (!Header_GetItem(Hwnd(), i, &info)) continue;
        DrawTextA(dc, text, -1, &textRect,
                  HeaderTextAlignment(info.fmt) | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    }
    surface.CopyTo(target);
}

// A triangle a quarter of the item's height tall at the item's right end,
// pointing up for ascending, down for descending; lit from the top left.
void ListHeader::DrawSortMark(HDC dc, const RECT& item) const {
    const int size = std::max(2, static_cast<int>(item.bottom - item.top) / 4);
    const int centerX = item.right - kSortMarkSpace / 2;
    const int top = (item.top + item.bottom - size) / 2;
    const int bottom = top + size;
    UniquePen light(CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNHIGHLIGHT)));
    UniquePen dark(CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW)));
    ScopedSelect pen(dc, dark.Get());
    if (ascending_) {
        MoveToEx(dc, centerX, top, nullptr);
        LineTo(dc, centerX - size, bottom);
        SelectObject(dc, light.Get());
        LineTo(dc, centerX + size, bottom);
        LineTo(dc, centerX, top);
    } else {
        MoveToEx(dc, centerX + size, top, nullptr);
        LineTo(dc, centerX - size, top);
        LineTo(dc, centerX, bottom);
        SelectObject(dc, light.Get());
        LineTo(dc, centerX + size, top);
    }
}

HeaderListView::HeaderListView()
    : checks_(MakeCheckImages()),
      smallImages_(LoadImageStrip(IDB_LIST_SMALL, kSmallImageSize, kSmallImageSize)) {}

HeaderListView::~HeaderListView() {
    // The list outlives this object: leave it nothing that points here.
    if (Hwnd()) OnDetaching();
}

void HeaderListView::OnAttached() {
    const HWND list = Hwnd();
    const LONG_PTR style = GetWindowLongPtrA(list, GWL_STYLE);
    if ((style & LVS_OWNERDRAWFIXED) == 0) SetWindowLongPtrA(list, GWL_STYLE, style | LVS_OWNERDRAWFIXED);
    ListView_SetExtendedListViewStyleEx(list, LVS_EX_GRIDLINES, 0);
    if (smallImages_) ListView_SetImageList(list, smallImages_.Get(), LVSIL_SMALL);
    header_.Attach(ListView_GetHeader(list));
}

// The rows' records and the small image list are this object's; a list
// left holding the image list would destroy it a second time.
void HeaderListView::OnDetaching() {
    DeleteAllRows();
    ReleaseImageLists();
    header_.Detach();
}

void HeaderListView::AddColumn(const char* title, int width) {
    LVCOLUMNA column{};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = LVCFMT_LEFT;
    column.cx = width;
    column.pszText = const_cast<char*>(title);
    column.iSubItem = Header_GetItemCount(ListView_GetHeader(Hwnd()));
    SendMessageA(Hwnd(), LVM_INSERTCOLUMNA, column.iSubItem, reinterpret_cast<LPARAM>(&column));
}

int HeaderListView::AppendRow(std::unique_ptr<ListRow> row, const char* firstCellText) {
    if (!Hwnd()) return -1;
    LVITEMA item{};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = RowCount();
    item.pszText = const_cast<char*>(firstCellText);
    item.lParam = reinterpret_cast<LPARAM>(row.get());
    const int index = ListView_InsertItem(Hwnd(), &item);
    if (index >= 0) row.release();
    return index;
}

bool HeaderListView::SetCellText(int row, int column, const char* text) {
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = const_cast<char*>(text);
    return Hwnd() && SendMessageA(Hwnd(), LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
}

ListRow* HeaderListView::Row(int row) const {
    return Hwnd() ? RecordOf(Hwnd(), row) : nullptr;
}

int HeaderListView::RowCount() const {
    return Hwnd() ? ListView_GetItemCount(Hwnd()) : 0;
}

bool HeaderListView::DeleteRow(int row) {
    return Hwnd() && ListView_DeleteItem(Hwnd(), row);
}

RECT HeaderListView::CheckBoxRect(const RECT& rowBounds) {
    const int top = rowBounds.top + (rowBounds.bottom - rowBounds.top - kCheckSize) / 2;
    const int left = rowBounds.left + kCheckLeft;
    return RECT{left, top, left + kCheckSize, top + kCheckSize};
}

bool HeaderListView::HasCheckBoxes() const {
    return (ListView_GetExtendedListViewStyle(Hwnd()) & LVS_EX_CHECKBOXES) != 0;
}

int HeaderListView::RowAt(POINT point, RECT& bounds) const {
    const int count = RowCount();
    const int first = ListView_GetTopIndex(Hwnd());
    const int last = std::min(count, first + ListView_GetCountPerPage(Hwnd()) + 1);
    for (int i = std::max(first, 0); i < last; ++i) {
        RECT r;
        if (ListView_GetItemRect(Hwnd(), i, &r, LVIR_BOUNDS) && point.y >= r.top && point.y < r.bottom) {
            bounds = r;
            return i;
        }
    }
    return -1;
}

void HeaderListView::DeleteAllRows() {
    ListView_DeleteAllItems(Hwnd());
}

void HeaderListView::ReleaseImageLists() {
    if (ListView_GetImageList(Hwnd(), LVSIL_SMALL) == smallImages_.Get()) {
        ListView_SetImageList(Hwnd(), nullptr, LVSIL_SMALL);
    }
}

bool HeaderListView::ProcessMessage(Message& m) {
    static const MessageHandler<HeaderListView> kMap[] = {
        {WM_LBUTTONDOWN, &HeaderListView::OnButtonDown},
        {WM_LBUTTONDBLCLK, &HeaderListView::OnButtonDown},
        {LVM_SETEXTENDEDLISTVIEWSTYLE, &HeaderListView::OnSetExtendedStyle},
        {LVM_DELETEITEM, &HeaderListView::OnDeleteItem},
        {LVM_DELETEALLITEMS, &HeaderListView::OnDeleteAllItems},
        {WM_DESTROY, &HeaderListView::OnDestroy},
    };
    return RouteMessage(this, kMap, m);
}

bool HeaderListView::ProcessReflected(Message& m) {
    if (m.id != WM_DRAWITEM) return false;
    const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(m.lParam);
    if (item->CtlType != ODT_LISTVIEW) return false;
    DrawRow(*item);
    m.result = TRUE;
    return true;
}

void HeaderListView::DrawRow(const DRAWITEMSTRUCT& item) {
    const HDC dc = item.hDC;
    const int saved = SaveDC(dc);
    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    const int index = static_cast<int>(item.itemID);
    // Positions follow the row's bounds, in which the cells and the check
    // box clicks are measured too; some list versions hand over a drawing
    // rectangle shifted from them, which gets painted as well.
    RECT row = item.rcItem;
    RECT bounds;
    if (ListView_GetItemRect(Hwnd(), index, &bounds, LVIR_BOUNDS)) row = bounds;
    RECT fill;
    UnionRect(&fill, &row, &item.rcItem);
    FillSolid(dc, RECT{fill.left, fill.top, fill.right, fill.bottom - 1}, selected ? kSelectedRowColor : kRowColor);
    FillSolid(dc, RECT{fill.left, fill.bottom - 1, fill.right, fill.bottom}, kRowGridColor);

    if (HasCheckBoxes()) {
        const auto* record = reinterpret_cast<const ListRow*>(item.itemData);
        const RECT box = CheckBoxRect(row);
        ImageList_Draw(checks_.Get(), record && record->ticked ? 0 : 1, dc, box.left, box.top, ILD_NORMAL);
    }

    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, selected ? kSelectedTextColor : kRowTextColor);
    const int columns = Header_GetItemCount(ListView_GetHeader(Hwnd()));
    std::vector<char> text(kCellTextBytes);
    for (int column = 0; column < columns; ++column) {
        text[0] = '\0';
        ListView_GetItemText(Hwnd(), index, column, text.data(), kCellTextBytes);
        RECT cell;
        if (!ListView_GetSubItemRect(Hwnd(), index, column, LVIR_LABEL, &cell)) continue;
        if (column == 0) {
            cell.left -= kFirstColumnShift;
        } else {
            cell.left += kCellLeftPadding;
            cell.right -= kCellRightPadding;
        }
        const auto* record = reinterpret_cast<const ListRow*>(item.itemData);
        if (column == columns - 1 && record && !record->note.empty()) {
            DrawNote(dc, record->note, record->noteColor, selected, cell);
        }
        DrawTextA(dc, text.data(), -1, &cell,
                  DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    }
    RestoreDC(dc, saved);
}

// Right-aligned in the cell, which then ends before it.
void HeaderListView::DrawNote(HDC dc, const std::string& note, COLORREF color, bool selected,
                              RECT& cell) const {
    const std::wstring wide = AnsiToWide(note);
    SIZE size{};
    GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &size);
    // Within what the list shows, however wide the column.
    RECT client;
    GetClientRect(Hwnd(), &client);
    RECT place = cell;
    place.right = std::min(cell.right, client.right - kCellRightPadding);
    place.left = std::max(cell.left, place.right - size.cx);
    const COLORREF text = GetTextColor(dc);
    SetTextColor(dc, selected ? kSelectedTextColor : color);
    DrawTextW(dc, wide.c_str(), static_cast<int>(wide.size()), &place,
              DT_SINGLELINE | DT_VCENTER | DT_RIGHT | DT_NOPREFIX | DT_END_ELLIPSIS);
    SetTextColor(dc, text);
    cell.right = place.left - kNoteGap;
}

void HeaderListView::OnButtonDown(Message& m) {
    m.handled = false;  // unless the press lands on a check box
    if (!HasCheckBoxes()) return;
    const POINT point{GET_X_LPARAM(m.lParam), GET_Y_LPARAM(m.lParam)};
    RECT bounds;
    const int index = RowAt(point, bounds);
    if (index < 0) return;
    const RECT box = CheckBoxRect(bounds);
    ListRow* record = RecordOf(Hwnd(), index);
    if (!record || !PtInRect(&box, point)) return;
    record->ticked = record->ticked ? 0 : 1;
    InvalidateRect(Hwnd(), &box, FALSE);
    m.handled = true;
}

// The list's own grid lines would be drawn over the rows' grid lines.
void HeaderListView::OnSetExtendedStyle(Message& m) {
    Message filtered = m;
    filtered.lParam &= ~static_cast<LPARAM>(LVS_EX_GRIDLINES);
    m.result = DefaultProcessing(filtered);
}

void HeaderListView::OnDeleteItem(Message& m) {
    ListRow* record = RecordOf(Hwnd(), static_cast<int>(m.wParam));
    m.result = DefaultProcessing(m);
    if (m.result) delete record;
}

void HeaderListView::OnDeleteAllItems(Message& m) {
    std::vector<ListRow*> records;
    const int count = RowCount();
    records.reserve(count);
    for (int i = 0; i < count; ++i) records.push_back(RecordOf(Hwnd(), i));
    m.result = DefaultProcessing(m);
    if (!m.result) return;
    for (ListRow* record : records) delete record;
}

void HeaderListView::OnDestroy(Message& m) {
    DeleteAllRows();
    ReleaseImageLists();
    m.handled = false;
}
