#pragma once

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>

#include "skin/PaintedControl.h"
#include "win/Handles.h"
#include "win/Window.h"

// The record a row of a HeaderListView carries as its item data. Owners
// derive their own rows from it (the update settings page's SiteRow adds the
// address). The list owns every record: it frees a row's record when the row
// is deleted (by DeleteRow, LVM_DELETEITEM or LVM_DELETEALLITEMS) and deletes
// all rows when its window is destroyed. Never set a row's item data
// (LVIF_PARAM) directly.
struct ListRow {
    virtual ~ListRow() = default;
    int ticked = 0;  // non-zero: the row's check box is ticked
    // A short remark drawn at the end of the row's last column, such as
    // why a site's last check failed; the cell's own text gives way.
    std::string note;
    COLORREF noteColor = RGB(255, 0, 0);
};

// The list's header, drawn from bitmaps: background stretched over the whole
// header, a separator over each item's last two pixels, an optional sort
// mark, and the items' texts in the skin font.
class ListHeader : public PaintedControl {
public:
    ListHeader();

    // column -1: no sort mark.
    void SetSortColumn(int column, bool ascending);
    int SortColumn() const { return sortColumn_; }
    bool SortAscending() const { return ascending_; }

protected:
    void Paint(HDC target) override;

private:
    void DrawSortMark(HDC dc, const RECT& item) const;

    UniqueFont font_;
    UniqueBitmap background_;
    UniqueBitmap separator_;
    int sortColumn_ = -1;
    bool ascending_ = true;
};

// A report-style list view whose rows and header the program draws: white
// rows (blue and white text when selected) with a grid line at the bottom,
// and, with LVS_EX_CHECKBOXES, a check box per row whose state is the row
// record's ticked flag, toggled by a press on the box.
//
// Attach it to a list view made with LVS_REPORT (it adds LVS_OWNERDRAWFIXED
// itself); it takes over the list's header too. Detaching it deletes the
// rows and gives the list and the header back. The rows reach it as WM_DRAWITEM of the parent, so the parent
// must be a window object, which reflects them. The rows draw their own grid
// line, so the list's grid lines (LVS_EX_GRIDLINES), which would cover them,
// stay off.
class HeaderListView : public WindowObject {
public:
    HeaderListView();
    ~HeaderListView() override;

    ListHeader& Header() { return header_; }

    // Appends a left-aligned column with the heading and width in pixels.
    void AddColumn(const char* title, int width);
    // Appends a row owning the record, with the text in its first column;
    // returns its index, or -1 (the record is then freed).
    int AppendRow(std::unique_ptr<ListRow> row, const char* firstCellText = "");
    bool SetCellText(int row, int column, const char* text);
    // The record of the row, or null.
    ListRow* Row(int row) const;
    int RowCount() const;
    // Deletes the row and frees its record.
    bool DeleteRow(int row);

    // The check box of a row whose bounds are given, in client coordinates.
    static RECT CheckBoxRect(const RECT& rowBounds);

protected:
    bool ProcessMessage(Message& m) override;
    bool ProcessReflected(Message& m) override;
    void OnAttached() override;
    void OnDetaching() override;

private:
    void DrawRow(const DRAWITEMSTRUCT& item);
    void DrawNote(HDC dc, const std::string& note, COLORREF color, bool selected, RECT& cell) const;
    bool HasCheckBoxes() const;
    // The visible row under the point and its bounds, or -1.
    int RowAt(POINT point, RECT& bounds) const;
    void DeleteAllRows();
    void ReleaseImageLists();

    void OnButtonDown(Message& m);
    void OnSetExtendedStyle(Message& m);
    void OnDeleteItem(Message& m);
    void OnDeleteAllItems(Message& m);
    void OnDestroy(Message& m);

    ListHeader header_;
    UniqueImageList checks_;       // 0 ticked, 1 not ticked
    UniqueImageList smallImages_;  // reserves the 16 x 16 icon place of each row
};
