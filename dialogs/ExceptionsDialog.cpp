#include "dialogs/ExceptionsDialog.h"

#include "res/resource.h"
#include "win/Placement.h"
#include "win/WindowText.h"

namespace {

constexpr char kTitle[] = "例外站点";

// The edit control breaks lines at CR LF only.
std::string WithCrLf(const std::string& text) {
    std::string converted;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) converted += '\r';
        converted += text[i];
    }
    return converted;
}

}  // namespace

ExceptionsDialog::ExceptionsDialog(std::string text)
    : SkinnedDialog(IDD_EXCEPTIONS), text_(std::move(text)) {}

bool ExceptionsDialog::ProcessMessage(Message& m) {
    if (SkinnedDialog::ProcessMessage(m)) return true;  // the frame first
    static const MessageHandler<ExceptionsDialog> kMap[] = {
        {WM_INITDIALOG, &ExceptionsDialog::OnInitDialog},
    };
    static const CommandHandler<ExceptionsDialog> kCommands[] = {
        {IDOK, &ExceptionsDialog::OnOk},
        {IDCANCEL, &ExceptionsDialog::OnCancel},
    };
    return RouteCommand(this, kCommands, m) || RouteMessage(this, kMap, m);
}

void ExceptionsDialog::OnInitDialog(Message& m) {
    CenterInWorkArea(Hwnd());
    SetWindowTextA(Hwnd(), kTitle);
    buttons_.Attach(Hwnd(), {IDOK, IDCANCEL});
    HWND edit = GetDlgItem(Hwnd(), IDC_EXCEPTION_TEXT);
    // Far more lines than anyone keeps; the control's default is 32K.
    SendMessageA(edit, EM_SETLIMITTEXT, 0, 0);
    SetWindowTextA(edit, WithCrLf(text_).c_str());
    // The caret after the last line, where a new name goes, with nothing
    // selected that a first key would replace.
    SetFocus(edit);
    SendMessageA(edit, EM_SETSEL, 0x7FFFFFFF, 0x7FFFFFFF);
    m.result = FALSE;
}

void ExceptionsDialog::OnOk() {
    text_ = WindowText(GetDlgItem(Hwnd(), IDC_EXCEPTION_TEXT));
    End(IDOK);
}

void ExceptionsDialog::OnCancel() {
    End(IDCANCEL);
}
