#include "app/MainWindow.h"

#include <memory>

#include "SitemoatConfig.h"
#include "dialogs/OpenInBrowser.h"
#include "dialogs/ProgressDialog.h"
#include "hosts/HostsDocument.h"
#include "dialogs/TextDialog.h"
#include "res/resource.h"
#include "skin/SkinGdi.h"
#include "win/Placement.h"

namespace {

constexpr int kTabWidth = 87;
constexpr char kResetQuestion[] =
    "Host表已被其他程序还原（例如杀毒软件），Sitemoat写入的屏蔽条目大多已不在其中。"
    "是否恢复Sitemoat上次写入的Host表？";
constexpr char kRestoreFailed[] = "恢复失败：";
constexpr int kBandTop = 24;
constexpr int kBandBottom = 94;

struct TabPictures {
    int id;
    int selected;
    int unselected;
};
constexpr TabPictures kTabs[] = {
    {0, IDB_TAB_HOSTS_ON, IDB_TAB_HOSTS_OFF},
    {1, IDB_TAB_UPDATE_ON, IDB_TAB_UPDATE_OFF},
    {2, IDB_TAB_NEWS_ON, IDB_TAB_NEWS_OFF},
};

}  // namespace

MainWindow::MainWindow(UpdateEngine engine)
    : SkinnedDialog(IDD_MAIN), engine_(std::move(engine)), logo_(ImageButton::kAutoSize) {
    SetFixedSize(kWidth, kHeight);
}

bool MainWindow::ProcessMessage(Message& m) {
    if (SkinnedDialog::ProcessMessage(m)) return true;  // the frame first
    static const MessageHandler<MainWindow> kMap[] = {
        {WM_INITDIALOG, &MainWindow::OnInitDialog},
        {WM_TIMER, &MainWindow::OnTimer},
        {WM_TABSELECT, &MainWindow::OnTabSelect},
        {WM_CLOSE, &MainWindow::OnClose},
        {WM_DESTROY, &MainWindow::OnDestroy},
    };
    static const CommandHandler<MainWindow> kCommands[] = {
        {IDC_LOGO, &MainWindow::OnLogo},
    };
    if (m.id == WM_COMMAND) {
        RouteCommand(this, kCommands, m);
        return true;  // every other command is ignored
    }
    return RouteMessage(this, kMap, m);
}

void MainWindow::OnInitDialog(Message&) {
    CenterInWorkArea(Hwnd());
    SetBigIcon();
    SetWindowTextA(Hwnd(), kTitle);
    CreateTabStrip();
    CreateLogo();
    CreatePages();
    SetTimer(Hwnd(), kStartupTimer, 100, nullptr);
}

// The frame has set the small icon already.
void MainWindow::SetBigIcon() {
    bigIcon_ = LoadAppIcon(SM_CXICON, SM_CYICON);
    SendMessageA(Hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_.Get()));
}

void MainWindow::CreateTabStrip() {
    tabStrip_.Create(Hwnd(), RECT{13, 24, 271, 93}, WM_TABSELECT);
    for (const TabPictures& tab : kTabs) {
        tabStrip_.AddTab(tab.id, tab.selected, tab.unselected, kTabWidth, kTabWidth);
    }
    tabStrip_.SetFiller(IDB_BAND);
    tabStrip_.Select(0);
}

void MainWindow::CreateLogo() {
    RECT client;
    GetClientRect(Hwnd(), &client);
    logo_.SetImageStrip(LoadImageStrip(IDB_LOGO, 195, 70));
    logo_.Create(Hwnd(), IDC_LOGO, RECT{client.right - 200, kBandTop, client.right - 5, kBandBottom});
    logo_.SetImages(0, 1, 2, 4);
    logo_.SetExtendedStyle(ImageButton::kHover);
}

void MainWindow::CreatePages() {
    RECT client;
    GetClientRect(Hwnd(), &client);
    SkinnedDialog* pages[] = {&hostsPage_, &updatePage_, &newsPage_};
    for (SkinnedDialog* page : pages) {
        if (!page->CreateModeless(Hwnd())) continue;
        SetWindowPos(page->Hwnd(), nullptr, 10, 95, client.right - 20, client.bottom - 105,
                     SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
    }
    updatePage_.SetOnExceptionsAdded([this](const std::string& lines) { hostsPage_.TakeOutExcepted(lines); });
    updatePage_.SetOnTakeOutNames([this](const UpdatePage::NameTest& remove) {
        const HostsOutcome outcome = hostsPage_.TakeOut(remove);
        return outcome.Ok() ? std::string() : outcome.Reason();
    });
    ShowWindow(hostsPage_.Hwnd(), SW_SHOW);
    ShowWindow(updatePage_.Hwnd(), SW_HIDE);
    ShowWindow(newsPage_.Hwnd(), SW_HIDE);
}

void MainWindow::OnTimer(Message& m) {
    if (m.wParam != kStartupTimer || !IsWindowVisible(Hwnd())) return;
    KillTimer(Hwnd(), kStartupTimer);
    RunStartupCheck();
}

// Before the update pass merges into it: HOSTS that lost most of what the
// program wrote was put back by another program, an antivirus most often.
// The user is asked; nothing is restored without it.
void MainWindow::OfferRestoreOfResetHosts() {
    HostsDocument::Reset reset;
    if (!HostsDocument::FindReset(reset) || !AskRestoreResetHosts()) return;
    HostsDocument hosts;
    const HostsOutcome restored = hosts.Restore(reset);
    if (!restored.Ok()) MessageDialog(kRestoreFailed + restored.Reason()).Run();
}

bool MainWindow::AskRestoreResetHosts() {
    return ConfirmDialog(kResetQuestion, "恢复", "不恢复").Run() == IDOK;
}

void MainWindow::RunStartupCheck() {
    // Paused when the program last ended (it was killed): blocking is back
    // before anything else.
    hostsPage_.ResumeBlocking();
    OfferRestoreOfResetHosts();
    const UpdateEngine engine = engine_;
    ProgressDialog progress(kCheckingMessage, [engine](std::shared_ptr<UpdateProgress> work) {
        engine.RunUpdateWork(std::move(work));
    });
    progress.Run();
    if (!Hwnd()) return;
    for (const std::string& failure : progress.Failures()) MessageDialog(failure).Run();
    updatePage_.ShowSiteResults(progress.SiteResults());
    if (!hostsPage_.Editor()) return;
    std::string result = progress.Result();
    if (result.empty()) {
        hostsPage_.LoadHostsFile();
    } else {
        hostsPage_.RefillEditor(std::move(result));
    }
}

void MainWindow::OnTabSelect(Message& m) {
    HWND pages[] = {hostsPage_.Hwnd(), updatePage_.Hwnd(), newsPage_.Hwnd()};
    for (HWND page : pages) ShowWindow(page, SW_HIDE);
    const WPARAM v = m.wParam;
    if (v < 3) ShowWindow(pages[v], SW_SHOW);
    m.result = 1;
}

// A pause ends with the program: blocking never stays off behind its back.
void MainWindow::OnClose(Message&) {
    hostsPage_.ResumeBlocking();
    End(1);
}

void MainWindow::OnDestroy(Message&) {}

void MainWindow::OnLogo() {
    Open(MakerUrl("/"));
}

bool MainWindow::Open(const std::string& address) {
    return OpenInBrowser(address);
}

void MainWindow::PaintHook(HDC dc, const RECT& client) {
    if (!band_) band_ = LoadSkinBitmap(IDB_BAND);
    DrawStretchedBitmap(dc, band_.Get(), RECT{3, kBandTop, client.right - 3, kBandBottom});
}
