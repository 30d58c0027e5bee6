#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "dialogs/DialogButtons.h"
#include "skin/HeaderListView.h"
#include "skin/SkinnedDialog.h"

// Lists the kept copies of HOSTS, newest first, and lets the user choose
// one: "确定" (or a double click on a row) ends with 1 and the row chosen,
// "取消" with 2.
class RestoreDialog : public SkinnedDialog {
public:
    // The texts of one row.
    struct Item {
        std::string time;     // "2026-12-08 08:23:51", or the original's own label
        std::string entries;  // "1234条"
    };

    explicit RestoreDialog(std::vector<Item> items);

    INT_PTR Run() { return DoModal(GetActiveWindow()); }
    // The row chosen, or -1.
    int Chosen() const { return chosen_; }
    HeaderListView& List() { return list_; }

protected:
    bool ProcessMessage(Message& m) override;

private:
    void OnInitDialog(Message& m);
    void OnNotify(Message& m);
    void OnOk();
    void OnCancel();

    std::vector<Item> items_;
    DialogButtons buttons_;
    HeaderListView list_;
    int chosen_ = -1;
};
