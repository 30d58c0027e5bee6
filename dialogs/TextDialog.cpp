#include "dialogs/TextDialog.h"

#include "res/resource.h"
#include "skin/SkinGdi.h"
#include "win/Placement.h"

TextDialog::TextDialog(int templateId, const char* title, std::string text,
                       std::initializer_list<int> buttonIds)
    : SkinnedDialog(templateId), title_(title), text_(std::move(text)), buttonIds_(buttonIds) {}

bool TextDialog::ProcessDialogMessage(Message& m) {
    if (m.id != WM_INITDIALOG) return ProcessTextDialogMessage(m);
    Initialize();
    ProcessTextDialogMessage(m);
    return true;  // focus is left to the system
}

void TextDialog::Initialize() {
    CenterInWorkArea(Hwnd());
    SetWindowTextA(Hwnd(), title_);
    buttons_.Attach(Hwnd(), buttonIds_);
    label_.AttachItem(Hwnd(), IDC_MESSAGE_TEXT);
    label_.SetFont(RGB(0, 0, 0), false, kSkinFontHeight);
    ShowText(text_);
}

void TextDialog::ShowText(const std::string& text) {
    text_ = text;
    label_.SetText(text_.c_str());
}

MessageDialog::MessageDialog(std::string text)
    : TextDialog(IDD_MESSAGE, "ZorvaSitemoat", std::move(text), {IDOK}) {}

bool MessageDialog::ProcessTextDialogMessage(Message& m) {
    // Escape or Alt+F4 close it like its one button: it always ends with 1.
    static const CommandHandler<MessageDialog> kCommands[] = {
        {IDOK, &MessageDialog::OnOk},
        {IDCANCEL, &MessageDialog::OnOk},
    };
    return RouteCommand(this, kCommands, m);
}

ConfirmDialog::ConfirmDialog(std::string question)
    : TextDialog(IDD_CONFIRM, "TarvoZorvaSitemoat", std::move(question), {IDOK, IDCANCEL}) {}

bool ConfirmDialog::ProcessTextDialogMessage(Message& m) {
    static const CommandHandler<ConfirmDialog> kCommands[] = {
        {IDOK, &ConfirmDialog::OnYes},
        {IDCANCEL, &ConfirmDialog::OnNo},
    };
    return RouteCommand(this, kCommands, m);
}
