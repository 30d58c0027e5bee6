#pragma once

#include <windows.h>

#include "dialogs/DialogButtons.h"
#include "skin/SkinnedDialog.h"

// "暂停拦截": how long blocking pauses. OK ends with 1 and leaves the
// choice, 10 minutes unless the user picks another; cancel ends with 2.
class PauseDialog : public SkinnedDialog {
public:
    static constexpr int kUntilNextStart = 0;

    PauseDialog();

    INT_PTR Run() { return DoModal(GetActiveWindow()); }
    // Minutes, or kUntilNextStart.
    int Minutes() const { return minutes_; }

protected:
    bool ProcessMessage(Message& m) override;

private:
    void OnInitDialog(Message& m);
    void OnOk();
    void OnCancel();

    DialogButtons buttons_;
    int minutes_ = 10;
};
