#include "dialogs/TextDialog.h"

#include "res/resource.h"
#include "skin/SkinGdi.h"
#include "win/Placement.h"

TextDialog::TextDialog(int templateId, const char* title, std::string text,
                       std::initializer_list<int> buttonIds)
    : SkinnedDialog(templateId), title_(title), text_(std::move(text)), buttonIds_(buttonIds) {}

bool TextDialog::ProcessMessage(Message& m) {
    if (SkinnedDialog::ProcessMessage(m)) return true;  // the frame first
    if (m.id == WM_INITDIALOG) Initialize();
    return false;
}

void TextDialog::Initialize() {
    SetWindowTextA(Hwnd(), title_);
    buttons_.Attach(Hwnd(), buttonIds_);
    label_.AttachItem(Hwnd(), IDC_MESSAGE_TEXT);
    label_.SetFont(RGB(0, 0, 0), false, kSkinFontHeight);
    ShowText(text_);
    FitText();
    CenterInWorkArea(Hwnd());
}

// A text longer than the template's room makes the dialog taller, the
// buttons moving down with it; a short one leaves the template as it is.
void TextDialog::FitText() {
    HWND label = GetDlgItem(Hwnd(), IDC_MESSAGE_TEXT);
    if (!label) return;
    RECT room;
    GetClientRect(label, &room);
    RECT needed = room;
    {
        WindowDc dc(label);
        UniqueFont font = CreateSkinFont(kSkinFontHeight, FW_NORMAL);
        ScopedSelect select(dc.Get(), font.Get());
        DrawTextA(dc.Get(), text_.c_str(), static_cast<int>(text_.size()), &needed,
                  DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    }
    const int grow = needed.bottom - room.bottom;
    if (grow <= 0) return;
    const auto moveBy = [&](HWND control, int dy, int dh) {
        RECT r;
        GetWindowRect(control, &r);
        MapWindowPoints(nullptr, Hwnd(), reinterpret_cast<POINT*>(&r), 2);
        SetWindowPos(control, nullptr, r.left, r.top + dy, r.right - r.left, r.bottom - r.top + dh,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    };
    moveBy(label, 0, grow);
    for (int id : buttonIds_) {
        if (HWND button = GetDlgItem(Hwnd(), id)) moveBy(button, grow, 0);
    }
    RECT window;
    GetWindowRect(Hwnd(), &window);
    SetWindowPos(Hwnd(), nullptr, 0, 0, window.right - window.left, window.bottom - window.top + grow,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TextDialog::ShowText(const std::string& text) {
    text_ = text;
    label_.SetText(text_.c_str());
}

MessageDialog::MessageDialog(std::string text)
    : TextDialog(IDD_MESSAGE, "ZorvaSitemoat", std::move(text), {IDOK}) {}

bool MessageDialog::ProcessMessage(Message& m) {
    if (TextDialog::ProcessMessage(m)) return true;
    // Escape or Alt+F4 close it like its one button: it always ends with 1.
    static const CommandHandler<MessageDialog> kCommands[] = {
        {IDOK, &MessageDialog::OnOk},
        {IDCANCEL, &MessageDialog::OnOk},
    };
    return RouteCommand(this, kCommands, m);
}

ConfirmDialog::ConfirmDialog(std::string question, const char* yes, const char* no)
    : TextDialog(IDD_CONFIRM, "TarvoZorvaSitemoat", std::move(question), {IDOK, IDCANCEL}),
      yes_(yes),
      no_(no) {}

bool ConfirmDialog::ProcessMessage(Message& m) {
    // Before the buttons take their labels.
    if (m.id == WM_INITDIALOG) {
        if (yes_) SetDlgItemTextA(Hwnd(), IDOK, yes_);
        if (no_) SetDlgItemTextA(Hwnd(), IDCANCEL, no_);
    }
    if (TextDialog::ProcessMessage(m)) return true;
    static const CommandHandler<ConfirmDialog> kCommands[] = {
        {IDOK, &ConfirmDialog::OnYes},
        {IDCANCEL, &ConfirmDialog::OnNo},
    };
    return RouteCommand(this, kCommands, m);
}
