#include "pages/UpdatePage.h"

#include <commctrl.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <set>
#include <sstream>

#include "SitemoatConfig.h"
#include "base/InstalledProgram.h"
#include "dialogs/OpenInBrowser.h"
#include "dialogs/AddSiteDialog.h"
#include "dialogs/ExceptionsDialog.h"
#include "dialogs/TextDialog.h"
#include "res/resource.h"
#include "settings/SettingsStore.h"
#include "skin/SkinGdi.h"
#include "hosts/HostsLine.h"
#include "update/DailyUpdateTask.h"
#include "update/ListSourcesFile.h"
#include "update/UpdateLog.h"

namespace {

constexpr int kTickColumnWidth = 18;
constexpr int kAddressColumnWidth = 440;

constexpr COLORREF kFailureColor = RGB(255, 0, 0);
constexpr char kCheckFailed[] = "检测失败：";
constexpr char kLastRun[] = "上次自动升级：";
constexpr char kExceptionsNotSaved[] = "例外站点保存失败：无法写入config.ini";
constexpr char kSchedulerMissing[] = "无法设置每天自动检测升级：系统的任务计划程序不可用";
constexpr char kNamesNotTakenOut[] = "未能从Host表中移除这些站点的域名：";
constexpr char kSchedulerRefused[] = "无法设置每天自动检测升级：任务计划程序拒绝了该任务（错误代码 ";
constexpr char kNotInstalled[] =
    "每天自动检测升级会以管理员权限自动运行Sitemoat，为了安全，只能用于安装版的Sitemoat。\r\n"
    "请运行安装程序（Sitemoat-版本号-setup.exe）把Sitemoat安装到系统的Program Files文件夹，"
    "再从开始菜单启动Sitemoat，然后勾选此项。";

constexpr COLORREF kCountsColor = RGB(96, 96, 96);

// What a site's row says of its last check: why it failed, or what its
// list changed in HOSTS.
std::string SiteNote(const SiteResult& site) {
    if (site.outcome == SiteOutcome::Failed) return kCheckFailed + site.reason;
    if (site.outcome != SiteOutcome::Newer) return {};
    std::string note = "新增" + std::to_string(site.added) + "条，移除" + std::to_string(site.removed) + "条";
    if (site.heldBack) note += "（列表比上次少一半以上，再次收到时才移除）";
    return note;
}

// "上次自动升级：2026-12-08 08:23 已更新", the seconds left out.
std::string LastRunText(const UpdateLog::Entry& last) {
    return kLastRun + last.time.substr(0, 16) + " " + last.result;
}

std::string TrimmedLower(std::string line) {
    const size_t first = line.find_first_not_of(" \t\r");
    const size_t last = line.find_last_not_of(" \t\r");
    line = first == std::string::npos ? std::string() : line.substr(first, last - first + 1);
    if (!line.empty()) CharLowerBuffA(&line[0], static_cast<DWORD>(line.size()));
    return line;
}

// The lines of after that before does not hold, one a line.
std::string LinesAdded(const std::string& before, const std::string& after) {
    std::set<std::string> known;
    std::istringstream old(before);
    for (std::string line; std::getline(old, line);) known.insert(TrimmedLower(line));
    std::string added;
    std::istringstream now(after);
    for (std::string line; std::getline(now, line);) {
        if (!known.count(TrimmedLower(line))) added += line + "\n";
    }
    return added;
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

bool UpdatePage::ProcessMessage(Message& m) {
    if (SkinnedDialog::ProcessMessage(m)) return true;  // the frame first
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
        {IDC_LINK_EXCEPTIONS, &UpdatePage::OnExceptions},
        {IDC_DAILY_CHECK, &UpdatePage::OnDailyCheck},
    };
    return RouteCommand(this, kCommands, m) || RouteMessage(this, kMap, m);
}

void UpdatePage::OnInitDialog(Message&) {
    HWND page = Hwnd();
    officialListLink_.Create(page, IDC_LINK_OFFICIAL_LIST, RECT{154, 83, 390, 95},
                             OfficialListAddress().c_str());
    recommendedLink_.Create(page, IDC_LINK_RECOMMENDED, RECT{192, 128, 289, 140}, "查看推荐升级站点");
    buildSiteLink_.Create(page, IDC_LINK_BUILD_SITE, RECT{30, 350, 138, 362}, "如何制作升级站点？");
    exceptionsLink_.Create(page, IDC_LINK_EXCEPTIONS, RECT{164, 350, 212, 362}, "例外站点");
    SetDlgItemTextA(page, IDC_OFFICIAL_ADDRESS, OfficialListAddress().c_str());

    siteList_.AttachItem(page, IDC_SITE_LIST);
    HWND list = siteList_.Hwnd();
    siteList_.AddColumn("", kTickColumnWidth);
    siteList_.AddColumn("   网址", kAddressColumnWidth);
    const DWORD extended = LVS_EX_GRIDLINES | LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT;
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, extended, extended);

    officialLabel_.AttachItem(page, IDC_OFFICIAL_LABEL);
    officialLabel_.SetFont(RGB(0, 0, 0), true, kSkinFontHeight);
    customLabel_.AttachItem(page, IDC_CUSTOM_LABEL);
    customLabel_.SetFont(RGB(0, 0, 0), true, kSkinFontHeight);
    dailyLabel_.AttachItem(page, IDC_DAILY_LABEL);
    dailyLabel_.SetFont(RGB(0, 0, 0), true, kSkinFontHeight);
    lastRun_.AttachItem(page, IDC_LAST_RUN);
    lastRun_.SetFont(RGB(0, 0, 0), false, kSkinFontHeight);
    officialStatus_.AttachItem(page, IDC_OFFICIAL_STATUS);
    officialStatus_.SetFont(kFailureColor, false, kSkinFontHeight);

    AttachSiteButton(addButton_, page, IDC_ADD_SITE, IDB_ADD_BUTTON);
    AttachSiteButton(removeButton_, page, IDC_REMOVE_SITES, IDB_REMOVE_BUTTON);

    SettingsStore settings;
    CheckDlgButton(page, IDC_OFFICIAL_CHECK,
                   settings.IsOfficialUpdateEnabled() ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(page, IDC_CUSTOM_CHECK,
                   settings.IsCustomUpdateEnabled() ? BST_CHECKED : BST_UNCHECKED);

    for (const CustomSite& site : settings.ReadCustomSites()) AppendSiteRow(site.address);
    ShowDailyUpdate();
}

void UpdatePage::ShowDailyUpdate() {
    CheckDlgButton(Hwnd(), IDC_DAILY_CHECK, DailyUpdateTask().Exists() ? BST_CHECKED : BST_UNCHECKED);
    UpdateLog::Entry last;
    lastRun_.SetText(UpdateLog().Last(last) ? LastRunText(last).c_str() : "");
}

void UpdatePage::ShowSiteResults(const std::vector<SiteResult>& sites) {
    std::string official;
    bool officialFailed = false;
    for (const SiteResult& site : sites) {
        if (!site.official) continue;
        official = SiteNote(site);
        officialFailed = site.outcome == SiteOutcome::Failed;
    }
    officialStatus_.SetFont(officialFailed ? kFailureColor : kCountsColor, false, kSkinFontHeight);
    officialStatus_.SetText(official.c_str());
    for (int i = 0; i < siteList_.RowCount(); ++i) {
        auto* row = static_cast<SiteRow*>(siteList_.Row(i));
        if (!row) continue;
        row->note.clear();
        for (const SiteResult& site : sites) {
            if (!site.official && lstrcmpiA(site.address.c_str(), row->address.c_str()) == 0) {
                row->note = SiteNote(site);
                row->noteColor = site.outcome == SiteOutcome::Failed ? kFailureColor : kCountsColor;
            }
        }
    }
    InvalidateRect(siteList_.Hwnd(), nullptr, FALSE);
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

    const bool added = SettingsStore().EditCustomSites([&](std::vector<CustomSite>& sites) {
        for (const CustomSite& stored : sites) {
            if (lstrcmpiA(stored.address.c_str(), address.c_str()) == 0) return false;
        }
        sites.push_back({address, "", ""});
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

    SettingsStore().EditCustomSites([&](std::vector<CustomSite>& sites) {
        const auto gone = [&](const CustomSite& site) {
            return std::any_of(removed.begin(), removed.end(), [&](const std::string& r) {
                return lstrcmpiA(site.address.c_str(), r.c_str()) == 0;
            });
        };
        sites.erase(std::remove_if(sites.begin(), sites.end(), gone), sites.end());
        return true;
    });
    TakeOutListNames(removed);
}

// The names the removed sites' lists brought leave HOSTS if the user says
// so, but for those another site's list holds, which pass to it. Either
// way the sites' records go: names left in HOSTS are the user's now.
void UpdatePage::TakeOutListNames(const std::vector<std::string>& removed) {
    const ListSourcesFile file;
    const ListSources sources = file.Read();
    std::vector<std::uint64_t> leaving;
    std::vector<std::pair<std::string, std::uint64_t>> passed;
    const auto isRemoved = [&](const ListSource& source) {
        return std::any_of(removed.begin(), removed.end(),
                           [&](const std::string& r) { return sources.Find(r) == &source; });
    };
    for (const ListSource& source : sources.All()) {
        if (!isRemoved(source)) continue;
        for (std::uint64_t name : source.brought) {
            const auto holder = std::find_if(sources.All().begin(), sources.All().end(), [&](const ListSource& other) {
                return !isRemoved(other) && Holds(other.listed, name);
            });
            if (holder == sources.All().end()) {
                leaving.push_back(name);
            } else {
                passed.emplace_back(holder->address, name);
            }
        }
    }
    SortUnique(leaving);
    if (!leaving.empty() && AskTakeOutNames(leaving.size()) && onTakeOutNames_) {
        const std::string failure = onTakeOutNames_([&](std::string_view name) {
            std::string store;
            return Holds(leaving, NameHash(NameKey(name, store)));
        });
        if (!failure.empty()) ShowMessage(kNamesNotTakenOut + failure);
    }
    file.Edit([&](ListSources& edited) {
        for (const auto& [address, name] : passed) edited.Get(address).brought.push_back(name);
        for (const auto& [address, name] : passed) SortUnique(edited.Get(address).brought);
        for (const std::string& address : removed) edited.Remove(address);
        return true;
    });
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

void UpdatePage::OnExceptions() {
    const SettingsStore settings;
    const std::string before = settings.GetExceptionText();
    std::string after = before;
    if (!AskExceptions(after) || after == before) return;
    if (!settings.SetExceptionText(after)) {
        ShowMessage(kExceptionsNotSaved);
        return;
    }
    if (onExceptionsAdded_) onExceptionsAdded_(LinesAdded(before, after));
}

// The box says whether the task really exists, whatever was asked of it.
// The task runs the program elevated with no prompt: only the installed
// copy, which only administrators can replace, is ever registered.
void UpdatePage::OnDailyCheck() {
    const DailyUpdateTask task;
    HRESULT error = S_OK;
    TaskSchedulerResult result = TaskSchedulerResult::Ok;
    if (!IsChecked(Hwnd(), IDC_DAILY_CHECK)) {
        result = task.Remove(&error);
    } else if (const std::string program = InstalledProgram(); !program.empty()) {
        result = task.Register(program, &error);
    } else {
        ShowMessage(kNotInstalled);
    }
    if (result == TaskSchedulerResult::SchedulerMissing) {
        ShowMessage(kSchedulerMissing);
    } else if (result == TaskSchedulerResult::Refused) {
        char code[16];
        wsprintfA(code, "0x%08lX", static_cast<unsigned long>(error));
        ShowMessage(std::string(kSchedulerRefused) + code + "）");
    }
    CheckDlgButton(Hwnd(), IDC_DAILY_CHECK, task.Exists() ? BST_CHECKED : BST_UNCHECKED);
}

bool UpdatePage::AskExceptions(std::string& text) {
    ExceptionsDialog dialog(text);
    if (dialog.Run() != IDOK) return false;
    text = dialog.Text();
    return true;
}

void UpdatePage::ShowMessage(const std::string& text) {
    MessageDialog(text).Run();
}

bool UpdatePage::AskTakeOutNames(std::size_t count) {
    const std::string question = "是否同时从Host表中移除这些站点的列表带来的" + std::to_string(count) + "个域名？";
    return ConfirmDialog(question, "移除", "保留").Run() == IDOK;
}

bool UpdatePage::AskSiteAddress(std::string& address) {
    AddSiteDialog dialog;
    if (dialog.Run() != IDOK) return false;
    address = dialog.Address();
    return true;
}


std::string UpdatePage::InstalledProgram() {
    return InstalledProgramPath();
}

bool UpdatePage::Open(const std::string& address) {
    return OpenInBrowser(address);
}
