#pragma once

#include <windows.h>

#include <string>

#include "dialogs/DialogButtons.h"
#include "skin/SkinnedDialog.h"

// "例外站点": the names no update may block, one a line, edited as text.
// "确定" ends with 1 and keeps the text, "取消" ends with 2.
class ExceptionsDialog : public SkinnedDialog {
public:
    explicit ExceptionsDialog(std::string text);

    INT_PTR Run() { return DoModal(GetActiveWindow()); }
    const std::string& Text() const { return text_; }

protected:
    bool ProcessMessage(Message& m) override;

private:
    void OnInitDialog(Message& m);
    void OnOk();
    void OnCancel();

    DialogButtons buttons_;
    std::string text_;
};
