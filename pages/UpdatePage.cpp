#include "pages/UpdatePage.h"

#include <commctrl.h>

#include <algorithm>
#include <functional>
#include <memory>

#include "SitemoatConfig.h"
#include "app/OpenUrl.h"
#include "dialogs/AddSiteDialog.h"
#include "res/resource.h"
#include "settings/SettingsStore.h"
#include "skin/SkinGdi.h"

namespace {

constexpr int kTickColumnWidth = 18;
constexpr int kAddressColumnWidth = 440;

std::string OfficialListAddress() {
    return MakerUrl("/host/host.txt");
}

void InsertColumn(HWND list, int index, const char* title, int width) {
    LVCOLUMNA column{};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = LVCFMT_LEFT;
    column.cx = width;
    column.pszText = const_cast<char*>(title);
    column.iSubItem = index;
    SendMessageA(list, LVM_INSERTCOLUMNA, index, reinterpret_cast<LPARAM>(&column));
}

void AttachSiteButton(ImageButton& button, HWND page, int id, int bitmapId) {
    button.SetImageStrip(LoadImageStrip(bitmapId, 55, 20));
    button.AttachItem(page, id);
    button.SetImages(0, 2, 1, 0);
    button.SetExtendedStyle(ImageButton::kHover);
}

bool IsChecked(HWND page, int id) {
    return IsDlgButtonChecked(page, id) == BST_CHECKED;
}

}  // namespace

UpdatePage::UpdatePage()
    : SkinnedDialog(IDD_UPDATE_PAGE),
      addButton_(ImageButton::kAutoSize),
      removeButton_(ImageButton::kAutoSize) {}

bool UpdatePage::ProcessDialogMessage(Message& m) {
    static const MessageHandler<UpdatePage> kMap[] = {
        {WM_INITDIALOG, &UpdatePage::OnInitDialog},
    };
    static const CommandHandler<UpdatePage> kCommands[] = {
        {IDC_OFFICIAL_CHECK, &UpdatePage::OnOfficialCheck},
        {IDC_CUSTOM_CHECK, &UpdatePage::OnCustomCheck},
        {IDC_ADD_SITE, &UpdatePage::OnAddSite},
        {IDC_REMOVE_SITES, &UpdatePage::OnRemoveSites},
        {IDC_LINK_OFFICIAL_LIST, &UpdatePage::OnOfficialListLink},
        {IDC_LINK_RECOMMENDED, &UpdatePage::OnRecommendedLink},
        {IDC_LINK_BUILD_SITE, &UpdatePage::OnBuildSiteLink},
    };
    return RouteCommand(this, kCommands, m) || RouteMessage(this, kMap, m);
}

void UpdatePage::OnInitDialog(Message&) {
    HWND page = Hwnd();
    officialListLink_.Create(page, IDC_LINK_OFFICIAL_LIST, RECT{154, 83, 390, 95},
                             OfficialListAddress().c_str());
    recommendedLink_.Create(page, IDC_LINK_RECOMMENDED, RECT{192, 128, 289, 140}, "查看推荐升级站点");
    buildSiteLink_.Create(page, IDC_LINK_BUILD_SITE, RECT{30, 350, 138, 362}, "如何制作升级站点？");
    SetDlgItemTextA(page, IDC_OFFICIAL_ADDRESS, OfficialListAddress().c_str());

    siteList_.AttachItem(page, IDC_SITE_LIST);
    HWND list = siteList_.Hwnd();
    InsertColumn(list, 0, "", kTickColumnWidth);
    InsertColumn(list, 1, "   网址", kAddressColumnWidth);
    const DWORD extended = LVS_EX_GRIDLINES | LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT;
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, extended, extended);

    officialLabel_.AttachItem(page, IDC_OFFICIAL_LABEL);
    officialLabel_.SetFont(RGB(0, 0, 0), true, kSkinFontHeight);
    customLabel_.AttachItem(page, IDC_CUSTOM_LABEL);
    customLabel_.SetFont(RGB(0, 0, 0), true, kSkinFontHeight);

    AttachSiteButton(addButton_, page, IDC_ADD_SITE, IDB_ADD_BUTTON);
    AttachSiteButton(removeButton_, page, IDC_REMOVE_SITES, IDB_REMOVE_BUTTON);

    SettingsStore settings;
    CheckDlgButton(page, IDC_OFFICIAL_CHECK,
                   settings.IsOfficialUpdateEnabled() ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(page, IDC_CUSTOM_CHECK,
                   settings.IsCustomUpdateEnabled() ? BST_CHECKED : BST_UNCHECKED);

    std::vector<std::string> addresses;
    std::vector<std::string> stamps;
    ReadCustomSites(addresses, stamps);
    if (addresses.size() == stamps.size()) {
        for (const std::string& address : addresses) AppendSiteRow(address);
    }
}

void UpdatePage::AppendSiteRow(const std::string& address) {
    auto row = std::make_unique<SiteRow>();
    row->address = address;
    const int index = siteList_.AppendRow(std::move(row), "");
    if (index >= 0) siteList_.SetCellText(index, 1, address.c_str());
}

void UpdatePage::OnOfficialCheck() {
    SettingsStore().SetOfficialUpdateEnabled(IsChecked(Hwnd(), IDC_OFFICIAL_CHECK));
}

void UpdatePage::OnCustomCheck() {
    SettingsStore().SetCustomUpdateEnabled(IsChecked(Hwnd(), IDC_CUSTOM_CHECK));
}

void UpdatePage::OnAddSite() {
    std::string address;
    if (!AskSiteAddress(address) || address.empty()) return;
    if (!SettingsStore::CanStoreAddress(address)) return;

    const bool added = EditCustomSites([&](std::vector<std::string>& addresses,
                                           std::vector<std::string>& stamps) {
        for (const std::string& stored : addresses) {
            if (lstrcmpiA(stored.c_str(), address.c_str()) == 0) return false;
        }
        addresses.push_back(address);
        stamps.emplace_back();
        return true;
    });
    if (added) AppendSiteRow(address);
}

void UpdatePage::OnRemoveSites() {
    std::vector<std::string> removed;
    for (int i = siteList_.RowCount() - 1; i >= 0; --i) {
        const auto* row = static_cast<const SiteRow*>(siteList_.Row(i));
        if (row && row->ticked) {
            removed.push_back(row->address);
            siteList_.DeleteRow(i);
        }
    }
    if (removed.empty()) return;

    EditCustomSites([&](std::vector<std::string>& addresses, std::vector<std::string>& stamps) {
        std::vector<std::string> keptAddresses;
        std::vector<std::string> keptStamps;
        for (size_t i = 0; i < addresses.size(); ++i) {
            const bool gone = std::any_of(removed.begin(), removed.end(), [&](const std::string& r) {
                return lstrcmpiA(addresses[i].c_str(), r.c_str()) == 0;
            });
            if (gone) continue;
            keptAddresses.push_back(addresses[i]);
            keptStamps.push_back(stamps[i]);
        }
        addresses.swap(keptAddresses);
        stamps.swap(keptStamps);
        return true;
    });
}

bool UpdatePage::EditCustomSites(const SitesEdit& edit) {
    // The update pass may set a stamp meanwhile: the section is read and
    // written back under one lock, never from an older copy.
    const auto lock = SettingsStore::LockCustomSites();
    std::vector<std::string> addresses;
    std::vector<std::string> stamps;
    ReadCustomSites(addresses, stamps);  // false for an empty list, which is fine
    // A list whose halves differ cannot be paired again: leave it as it is.
    if (addresses.size() != stamps.size() || !edit(addresses, stamps)) return false;
    return SettingsStore().ReplaceCustomSites(addresses, stamps);
}

void UpdatePage::OnOfficialListLink() {
    Open(OfficialListAddress());
}

void UpdatePage::OnRecommendedLink() {
    Open(MakerUrl("/host/hosttj.html"));
}

void UpdatePage::OnBuildSiteLink() {
    Open(MakerUrl("/host/hostzz.html"));
}

bool UpdatePage::AskSiteAddress(std::string& address) {
    AddSiteDialog dialog;
    if (dialog.Run() != IDOK) return false;
    address = dialog.Address();
    return true;
}

bool UpdatePage::ReadCustomSites(std::vector<std::string>& addresses,
                                 std::vector<std::string>& stamps) const {
    return SettingsStore().ReadCustomSites(addresses, stamps);
}

bool UpdatePage::Open(const std::string& address) {
    return OpenUrl(address);
}
