#include "dialogs/AddSiteDialog.h"

#include <shlwapi.h>

#include "res/resource.h"
#include "win/Placement.h"
#include "win/WindowText.h"

namespace {

constexpr char kHttp[] = "http://";
constexpr char kHttps[] = "https://";

bool StartsWithNoCase(const std::string& text, const char* prefix) {
    const int n = lstrlenA(prefix);
    return text.size() >= static_cast<size_t>(n) && StrCmpNIA(text.c_str(), prefix, n) == 0;
}

}  // namespace

AddSiteDialog::AddSiteDialog() : SkinnedDialog(IDD_ADD_SITE) {}

std::string AddSiteDialog::CompleteAddress(const std::string& typed) {
    if (StartsWithNoCase(typed, kHttp) || StartsWithNoCase(typed, kHttps)) return typed;
    return kHttp + typed;
}

bool AddSiteDialog::ProcessMessage(Message& m) {
    if (SkinnedDialog::ProcessMessage(m)) return true;  // the frame first
    static const MessageHandler<AddSiteDialog> kMap[] = {
        {WM_INITDIALOG, &AddSiteDialog::OnInitDialog},
    };
    static const CommandHandler<AddSiteDialog> kCommands[] = {
        {IDOK, &AddSiteDialog::OnOk},
        {IDCANCEL, &AddSiteDialog::OnCancel},
    };
    return RouteCommand(this, kCommands, m) || RouteMessage(this, kMap, m);
}

void AddSiteDialog::OnInitDialog(Message&) {
    CenterInWorkArea(Hwnd());
    SetWindowTextA(Hwnd(), "添加升级站点");
    buttons_.Attach(Hwnd(), {IDOK, IDCANCEL});
}

void AddSiteDialog::OnOk() {
    // The whole text, however long: a cut address would name another site.
    address_ = CompleteAddress(WindowText(GetDlgItem(Hwnd(), IDC_SITE_ADDRESS)));
    End(IDOK);
}

void AddSiteDialog::OnCancel() {
    End(IDCANCEL);
}
