#include "dialogs/PauseDialog.h"

#include "res/resource.h"
#include "win/Placement.h"

namespace {

struct Choice {
    int id;
    int minutes;
};
constexpr Choice kChoices[] = {
    {IDC_PAUSE_TEN_MINUTES, 10},
    {IDC_PAUSE_ONE_HOUR, 60},
    {IDC_PAUSE_UNTIL_START, PauseDialog::kUntilNextStart},
};

}  // namespace

PauseDialog::PauseDialog() : SkinnedDialog(IDD_PAUSE) {}

bool PauseDialog::ProcessMessage(Message& m) {
    if (SkinnedDialog::ProcessMessage(m)) return true;  // the frame first
    static const MessageHandler<PauseDialog> kMap[] = {
        {WM_INITDIALOG, &PauseDialog::OnInitDialog},
    };
    static const CommandHandler<PauseDialog> kCommands[] = {
        {IDOK, &PauseDialog::OnOk},
        {IDCANCEL, &PauseDialog::OnCancel},
    };
    return RouteCommand(this, kCommands, m) || RouteMessage(this, kMap, m);
}

void PauseDialog::OnInitDialog(Message&) {
    CenterInWorkArea(Hwnd());
    SetWindowTextA(Hwnd(), "暂停拦截");
    buttons_.Attach(Hwnd(), {IDOK, IDCANCEL});
    CheckRadioButton(Hwnd(), IDC_PAUSE_TEN_MINUTES, IDC_PAUSE_UNTIL_START, IDC_PAUSE_TEN_MINUTES);
}

void PauseDialog::OnOk() {
    for (const Choice& choice : kChoices) {
        if (IsDlgButtonChecked(Hwnd(), choice.id) == BST_CHECKED) minutes_ = choice.minutes;
    }
    End(IDOK);
}

void PauseDialog::OnCancel() {
    End(IDCANCEL);
}
