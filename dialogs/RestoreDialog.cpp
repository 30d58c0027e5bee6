#include "dialogs/RestoreDialog.h"

#include <commctrl.h>

#include <memory>

#include "res/resource.h"
#include "win/Placement.h"

namespace {

constexpr char kTitle[] = "恢复Host表";
constexpr int kTimeColumnWidth = 220;
constexpr int kEntriesColumnWidth = 90;

}  // namespace

RestoreDialog::RestoreDialog(std::vector<Item> items)
    : SkinnedDialog(IDD_RESTORE), items_(std::move(items)) {}

bool RestoreDialog::ProcessMessage(Message& m) {
    if (SkinnedDialog::ProcessMessage(m)) return true;  // the frame first
    static const MessageHandler<RestoreDialog> kMap[] = {
        {WM_INITDIALOG, &RestoreDialog::OnInitDialog},
        {WM_NOTIFY, &RestoreDialog::OnNotify},
    };
    static const CommandHandler<RestoreDialog> kCommands[] = {
        {IDOK, &RestoreDialog::OnOk},
        {IDCANCEL, &RestoreDialog::OnCancel},
    };
    return RouteCommand(this, kCommands, m) || RouteMessage(this, kMap, m);
}

void RestoreDialog::OnInitDialog(Message&) {
    CenterInWorkArea(Hwnd());
    SetWindowTextA(Hwnd(), kTitle);
    buttons_.Attach(Hwnd(), {IDOK, IDCANCEL});
    list_.AttachItem(Hwnd(), IDC_BACKUP_LIST);
    HWND list = list_.Hwnd();
    list_.AddColumn("   备份时间", kTimeColumnWidth);
    list_.AddColumn("条目数", kEntriesColumnWidth);
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    for (const Item& item : items_) {
        const int row = list_.AppendRow(std::make_unique<ListRow>(), item.time.c_str());
        if (row >= 0) list_.SetCellText(row, 1, item.entries.c_str());
    }
    if (!items_.empty()) ListView_SetItemState(list, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    EnableWindow(GetDlgItem(Hwnd(), IDOK), !items_.empty());
}

void RestoreDialog::OnNotify(Message& m) {
    const auto* header = reinterpret_cast<const NMHDR*>(m.lParam);
    if (header->idFrom == IDC_BACKUP_LIST && header->code == NM_DBLCLK) {
        // The row under the double click, whatever was selected before it.
        const int row = reinterpret_cast<const NMITEMACTIVATE*>(m.lParam)->iItem;
        if (row >= 0) {
            chosen_ = row;
            End(IDOK);
        }
        return;
    }
    m.handled = false;
}

void RestoreDialog::OnOk() {
    chosen_ = ListView_GetNextItem(list_.Hwnd(), -1, LVNI_SELECTED);
    if (chosen_ < 0) return;  // nothing chosen yet
    End(IDOK);
}

void RestoreDialog::OnCancel() {
    chosen_ = -1;
    End(IDCANCEL);
}
