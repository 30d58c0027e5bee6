#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "GallerySupport.h"
#include "PixelCapture.h"
#include "UserActions.h"
#include "app/MainWindow.h"
#include "app/ProgramServices.h"
#include "dialogs/AddSiteDialog.h"
#include "dialogs/ExceptionsDialog.h"
#include "dialogs/PauseDialog.h"
#include "dialogs/RestoreDialog.h"
#include "dialogs/ProgressDialog.h"
#include "dialogs/TextDialog.h"
#include "hosts/HostsFile.h"
#include "res/resource.h"
#include "settings/SettingsStore.h"
#include "skin/SkinGdi.h"
#include "base/UniqueHandle.h"

namespace {

// No update source is on, so nothing would ask the network even if the
// check ran; the two sites only fill the list of the update settings page.
constexpr char kConfig[] =
    "[update]\r\n"
    "official=0\r\n"
    "custom=0\r\n"
    "[custom]\r\n"
    "http://hosts.example.org/host.txt|=\r\n"
    "http://blocklist.example.net/host.txt|Mon, 07 Dec 2026 08:00:00 GMT=\r\n";

constexpr char kSampleHosts[] =
    "# HOSTS of the gallery\r\n"
    "127.0.0.1       localhost\r\n"
    "127.0.0.1       ad2.doubleclick.net\r\n"
    "127.0.0.1       ad.adstailor.com\r\n"
    "127.0.0.1       ad.apsalar.com\r\n"
    "127.0.0.1       ad.auditude.com\r\n"
    "127.0.0.1       adacts.com\r\n"
    "127.0.0.1       adaptv.advertising.com\r\n"
    "127.0.0.1       adashxgc.ut.taobao.com\r\n"
    "127.0.0.1       adb.brandreachsys.com\r\n"
    "127.0.0.1       ad-apac.doubleclick.net\r\n";

constexpr char kSavedText[] = "host表保存成功！";
constexpr char kQuestion[] = "检测到升级路径有最新更新，您是否要将您的Host表升级至最新？";
constexpr char kChecking[] = "请稍候，正在检测升级……";

bool WriteWholeFile(const std::string& path, const std::string& text) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    return std::fclose(f) == 0 && ok;
}

// The services the program's entry brings up, the settings and a HOSTS
// with entries to show; HOSTS and the settings are put back afterwards.
class GalleryEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        services_ = std::make_unique<ProgramServices>(GetModuleHandleA(nullptr));
        ASSERT_TRUE(WriteWholeFile(SettingsStore().GetConfigPath(), kConfig));
        ASSERT_EQ(DWORD(ERROR_SUCCESS), ReadHostsFile(originalHosts_));
        ASSERT_TRUE(WriteHostsFile(kSampleHosts).Ok());
    }
    void TearDown() override {
        EXPECT_TRUE(WriteHostsFile(originalHosts_).Ok());
        DeleteFileA(SettingsStore().GetConfigPath().c_str());
        services_.reset();
    }

private:
    std::unique_ptr<ProgramServices> services_;
    std::string originalHosts_;
};

[[maybe_unused]] const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new GalleryEnvironment);

// The main window without its start-up check: the hosts page is filled
// from HOSTS as after a check that found nothing new, and no address is
// opened.
class GalleryMainWindow : public MainWindow {
public:
    bool filled = false;

protected:
    void RunStartupCheck() override {
        Hosts().LoadHostsFile();
        filled = true;
    }
    bool Open(const std::string&) override { return true; }
};

// The frame alone, on the main window's template (caption buttons only).
class BareFrame : public SkinnedDialog {
public:
    BareFrame(int width, int height) : SkinnedDialog(IDD_MAIN) { SetFixedSize(width, height); }
};

SIZE ClientSize(HWND hwnd) {
    RECT r{};
    GetClientRect(hwnd, &r);
    return SIZE{r.right, r.bottom};
}

RECT ChildRect(HWND parent, HWND child) {
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

int Area(const RECT& r) {
    return (r.right - r.left) * (r.bottom - r.top);
}

HWND Show(HWND hwnd) {
    ShowWindow(hwnd, SW_SHOWNOACTIVATE);
    UpdateWindow(hwnd);
    PumpMessages(50);
    return hwnd;
}

class Gallery : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        main_ = new GalleryMainWindow;
        if (Show(main_->CreateModeless(nullptr))) {
            PumpUntil([] { return main_->filled; });
        }
    }
    static void TearDownTestSuite() {
        if (main_->Hwnd()) DestroyWindow(main_->Hwnd());
        delete main_;
        main_ = nullptr;
    }
    void SetUp() override { ASSERT_NE(nullptr, main_->Hwnd()); }

    // Chooses a tab the way the user does: the button goes up over it.
    static void ChooseTab(int index) {
        TabStrip& tabs = main_->Tabs();
        const RECT hit = tabs.HitRect(index);
        const LPARAM at = MAKELPARAM((hit.left + hit.right) / 2, (hit.top + hit.bottom) / 2);
        SendMessageA(tabs.Hwnd(), WM_LBUTTONUP, 0, at);
        PumpMessages(50);
    }

    static GalleryMainWindow* main_;
};

GalleryMainWindow* Gallery::main_ = nullptr;

TEST_F(Gallery, MainWindowOnEachTab) {
    HWND hwnd = main_->Hwnd();
    const SIZE size = ClientSize(hwnd);
    ASSERT_EQ(640, size.cx);
    ASSERT_EQ(480, size.cy);
    EXPECT_NE(0, GetWindowTextLengthA(main_->Hosts().Editor()));  // HOSTS is shown

    struct Tab {
        const char* name;
        const char* title;
        HWND page;
    };
    const Tab tabs[] = {
        {"main-window-hosts", "first tab chosen", main_->Hosts().Hwnd()},
        {"main-window-update", "second tab chosen", main_->Updates().Hwnd()},
        {"main-window-news", "third tab chosen", main_->News().Hwnd()},
    };
    // The update page shows one ticked site and one selected.
    HeaderListView& sites = main_->Updates().SiteList();
    ASSERT_EQ(2, sites.RowCount());
    sites.Row(0)->ticked = 1;
    ListView_SetItemState(sites.Hwnd(), 1, LVIS_SELECTED, LVIS_SELECTED);

    const RECT strip{13, 24, 271, 93};
    const RECT band{3, 24, size.cx - 3, 94};
    const RECT pageArea{10, 95, size.cx - 10, size.cy - 10};
    const RECT leftMargin{3, 100, 10, 460};
    std::vector<PixelCapture> strips;
    std::vector<SheetRow> bands;
    for (int i = 2; i >= 0; --i) {  // the first tab is chosen already: start at the last
        ChooseTab(i);
        ASSERT_EQ(i, main_->Tabs().Current());
        for (int j = 0; j < 3; ++j) EXPECT_EQ(i == j, IsWindowVisible(tabs[j].page) != FALSE) << i;
        const RECT placed = ChildRect(hwnd, tabs[i].page);
        EXPECT_TRUE(EqualRect(&pageArea, &placed));

        const PixelCapture shot = PixelCapture::OfTree(hwnd);
        EXPECT_TRUE(SaveToGallery(shot, tabs[i].name));
        EXPECT_EQ(Area(leftMargin), shot.Count(leftMargin, kSkinColor)) << tabs[i].name;
        EXPECT_GT(shot.Count(pageArea, kPageColor), Area(pageArea) / 3) << tabs[i].name;
        strips.push_back(shot.Crop(strip));
        bands.insert(bands.begin(), SheetRow{tabs[i].title, {shot.Crop(band)}});
    }
    EXPECT_FALSE(SamePixels(strips[0], strips[1]));
    EXPECT_FALSE(SamePixels(strips[1], strips[2]));
    EXPECT_FALSE(SamePixels(strips[0], strips[2]));
    EXPECT_TRUE(SaveToGallery(ComposeSheet({}, bands), "tab-strip"));
}

TEST_F(Gallery, EachDialogOnTheSkin) {
    UniqueKernelHandle release(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    HANDLE releaseEvent = release.Get();
    // The progress dialog's work waits for the event, which is set however
    // the test ends.
    struct SetOnExit {
        HANDLE event;
        ~SetOnExit() { SetEvent(event); }
    } setOnExit{releaseEvent};
    MessageDialog message(kSavedText);
    ConfirmDialog confirm(kQuestion);
    ProgressDialog progress(kChecking, [releaseEvent](std::shared_ptr<UpdateProgress>) {
        WaitForSingleObject(releaseEvent, 30000);
    });
    AddSiteDialog addSite;

    struct Shown {
        SkinnedDialog& dialog;
        const char* name;
        const char* title;
        SIZE size;  // the template at 1.5 pixels per dialog unit
        std::vector<int> buttons;
        const char* text;  // in static 1015, if the dialog has one
        bool centred;
    };
    Shown shown[] = {
        {message, "dialog-message", "message (214)", {272, 144}, {IDOK}, kSavedText, true},
        {confirm, "dialog-confirm", "confirmation (215)", {279, 159}, {IDOK, IDCANCEL}, kQuestion, false},
        {progress, "dialog-progress", "progress (216)", {272, 144}, {IDCANCEL}, kChecking, true},
        {addSite, "dialog-add-site", "add site (211)", {332, 141}, {IDOK, IDCANCEL}, nullptr, false},
    };
    std::vector<SheetRow> rows;
    for (Shown& s : shown) {
        HWND hwnd = s.dialog.CreateModeless(nullptr);
        ASSERT_NE(nullptr, hwnd) << s.name;
        if (&s.dialog == &addSite) SetDlgItemTextA(hwnd, IDC_SITE_ADDRESS, "hosts.example.org/host.txt");
        Show(hwnd);
        const SIZE size = ClientSize(hwnd);
        EXPECT_EQ(s.size.cx, size.cx) << s.name;
        EXPECT_EQ(s.size.cy, size.cy) << s.name;

        const PixelCapture shot = PixelCapture::OfTree(hwnd);
        EXPECT_TRUE(SaveToGallery(shot, s.name));
        const RECT inside{3, 24, size.cx - 3, size.cy - 10};
        EXPECT_GT(shot.Count(inside, kSkinColor), Area(inside) / 2) << s.name;
        EXPECT_EQ(0, shot.Count(RECT{0, 0, size.cx, 1}, kSkinColor)) << s.name;  // caption
        EXPECT_GT(shot.Count(RECT{22, 0, size.cx, 24}, RGB(0, 0, 0)), 0) << s.name;  // title
        for (int id : s.buttons) {
            const RECT face = ChildRect(hwnd, GetDlgItem(hwnd, id));
            EXPECT_EQ(75 * 24, Area(face)) << s.name << " " << id;
            EXPECT_LT(shot.Count(face, kSkinColor), Area(face) / 2) << s.name << " " << id;
            EXPECT_GT(shot.Count(face, RGB(0, 0, 0)), 0) << s.name << " " << id;  // label
        }
        if (s.text) {
            HWND label = GetDlgItem(hwnd, IDC_MESSAGE_TEXT);
            EXPECT_EQ(s.text, WindowTextOf(label, 1000)) << s.name;
            const RECT box = ChildRect(hwnd, label);
            int first = box.right;
            int last = box.left - 1;
            for (int x = box.left; x < box.right; ++x) {
                if (shot.Count(RECT{x, box.top, x + 1, box.bottom}, RGB(0, 0, 0)) == 0) continue;
                first = std::min(first, x);
                last = std::max(last, x);
            }
            ASSERT_LE(first, last) << s.name << ": no text";
            if (s.centred) {
                // Within the blank that ends a full-width "！".
                EXPECT_NEAR(first - box.left, box.right - 1 - last, 8) << s.name;
            } else {
                EXPECT_LE(first - box.left, 2) << s.name;
            }
        }
        rows.push_back(SheetRow{s.title, {shot}});
    }
    EXPECT_TRUE(SaveToGallery(ComposeSheet({}, rows), "dialogs"));

    // The progress dialog goes away by itself once its work is let go.
    HWND progressWindow = progress.Hwnd();
    SetEvent(releaseEvent);
    EXPECT_TRUE(PumpUntil([progressWindow] { return !IsWindow(progressWindow); }));
    for (Shown& s : shown) {
        if (s.dialog.Hwnd()) DestroyWindow(s.dialog.Hwnd());
    }
}

// What the user sees of a failed check on the update settings page, and
// the exception and restore dialogs.
TEST_F(Gallery, FailedChecksExceptionsAndRestore) {
    ChooseTab(1);
    SiteResult official;
    official.official = true;
    official.outcome = SiteOutcome::Failed;
    official.reason = "无法连接";
    SiteResult failed;
    failed.address = "http://blocklist.example.net/host.txt";
    failed.outcome = SiteOutcome::Failed;
    failed.reason = "证书不受信任";
    main_->Updates().ShowSiteResults({official, failed});
    PumpMessages(50);
    const PixelCapture page = PixelCapture::OfTree(main_->Hwnd());
    EXPECT_TRUE(SaveToGallery(page, "update-settings-failed"));
    EXPECT_GT(page.Count(RECT{10, 95, 630, 470}, RGB(255, 0, 0)), 100);
    main_->Updates().ShowSiteResults({});
    ChooseTab(0);

    ExceptionsDialog exceptions("# 我需要访问的网站\r\nmail.example.com\r\n*.cdn.example.net\r\n");
    RestoreDialog restore({{"2026-12-08 08:23:51", "52130条"},
                           {"2026-12-07 21:10:04", "51988条"},
                           {"2026-11-30 09:00:00（最初的Host表）", "12条"}});
    struct Shown {
        SkinnedDialog& dialog;
        const char* name;
    };
    PauseDialog pause;
    for (const Shown& s : {Shown{exceptions, "dialog-exceptions"}, Shown{restore, "dialog-restore"},
                           Shown{pause, "dialog-pause"}}) {
        HWND hwnd = s.dialog.CreateModeless(nullptr);
        ASSERT_NE(nullptr, hwnd) << s.name;
        Show(hwnd);
        const PixelCapture shot = PixelCapture::OfTree(hwnd);
        EXPECT_TRUE(SaveToGallery(shot, s.name));
        const SIZE size = ClientSize(hwnd);
        EXPECT_GT(shot.Count(RECT{22, 0, size.cx, 24}, RGB(0, 0, 0)), 0) << s.name;  // the title
        if (&s.dialog == &pause) {
            EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(hwnd, IDC_PAUSE_TEN_MINUTES));  // the default
        }
        DestroyWindow(hwnd);
    }
}

TEST_F(Gallery, FrameAlone) {
    BareFrame frame(360, 150);
    HWND hwnd = frame.CreateModeless(nullptr);
    ASSERT_NE(nullptr, hwnd);
    SetWindowTextA(hwnd, "TarvoZorvaSitemoat");
    Show(hwnd);
    const SIZE size = ClientSize(hwnd);
    ASSERT_EQ(360, size.cx);
    ASSERT_EQ(150, size.cy);

    const PixelCapture shot = PixelCapture::OfTree(hwnd);
    EXPECT_TRUE(SaveToGallery(shot, "frame"));
    const RECT inside{3, 24, 357, 140};
    EXPECT_EQ(Area(inside), shot.Count(inside, kSkinColor));
    // Caption bar, borders and bottom edge are drawn over the whole width and height.
    const RECT caption{0, 0, 360, 24};
    const RECT left{0, 24, 3, 147};
    const RECT right{357, 24, 360, 147};
    const RECT bottom{0, 147, 360, 150};
    for (const RECT& edge : {caption, left, right, bottom}) {
        EXPECT_EQ(0, shot.Count(edge, kSkinColor)) << edge.left << "," << edge.top;
    }
    EXPECT_GT(shot.Count(RECT{22, 0, 200, 24}, RGB(0, 0, 0)), 0);  // the title
    // A close-up of both ends of the caption bar.
    EXPECT_TRUE(SaveToGallery(shot.Crop(RECT{0, 0, 200, 30}).Scaled(3), "frame-caption-left"));
    EXPECT_TRUE(SaveToGallery(shot.Crop(RECT{260, 0, 360, 30}).Scaled(3), "frame-caption-right"));
    DestroyWindow(hwnd);
}

struct ButtonStates {
    PixelCapture normal;
    PixelCapture hover;
    PixelCapture pressed;
    PixelCapture disabled;
};

// Drives the button through its states with the messages the user's mouse
// would send; the press ends by losing the capture, so nothing is clicked.
ButtonStates CaptureStates(HWND button) {
    constexpr int kMargin = 3;
    ButtonStates s;
    s.normal = CaptureAround(button, kMargin);
    SendMessageA(button, WM_MOUSEMOVE, 0, MAKELPARAM(4, 4));
    s.hover = CaptureAround(button, kMargin);
    SendMessageA(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
    s.pressed = CaptureAround(button, kMargin);
    ReleaseCapture();
    SendMessageA(button, WM_MOUSELEAVE, 0, 0);
    const BOOL enabled = IsWindowEnabled(button);
    EnableWindow(button, FALSE);
    s.disabled = CaptureAround(button, kMargin);
    EnableWindow(button, enabled);
    return s;
}

TEST_F(Gallery, EachButtonInEachState) {
    MessageDialog message(kSavedText);
    HWND dialog = Show(message.CreateModeless(nullptr));
    ASSERT_NE(nullptr, dialog);
    HWND hwnd = main_->Hwnd();

    enum Look { kAllDiffer, kDisabledAsNormal, kNeverChanges };
    struct Button {
        const char* title;
        int tab;  // the tab whose page holds the button, or -1
        HWND button;
        Look look;
    };
    const Button buttons[] = {
        {"caption close (201)", -1, GetDlgItem(hwnd, IDC_CAPTION_CLOSE), kAllDiffer},
        {"caption minimise (1013)", -1, GetDlgItem(hwnd, IDC_CAPTION_MINIMIZE), kAllDiffer},
        {"caption middle (1014)", -1, GetDlgItem(hwnd, IDC_CAPTION_THIRD), kNeverChanges},
        {"dialog button (204)", -1, GetDlgItem(dialog, IDOK), kAllDiffer},
        {"save (251)", 0, GetDlgItem(main_->Hosts().Hwnd(), IDC_SAVE), kAllDiffer},
        {"add site (213)", 1, GetDlgItem(main_->Updates().Hwnd(), IDC_ADD_SITE), kDisabledAsNormal},
        {"remove sites (212)", 1, GetDlgItem(main_->Updates().Hwnd(), IDC_REMOVE_SITES),
         kDisabledAsNormal},
    };
    std::vector<SheetRow> rows;
    for (const Button& b : buttons) {
        ASSERT_NE(nullptr, b.button) << b.title;
        if (b.tab >= 0) ChooseTab(b.tab);
        const ButtonStates s = CaptureStates(b.button);
        if (b.look == kNeverChanges) {
            EXPECT_TRUE(SamePixels(s.normal, s.hover)) << b.title;
            EXPECT_TRUE(SamePixels(s.normal, s.pressed)) << b.title;
            EXPECT_TRUE(SamePixels(s.normal, s.disabled)) << b.title;
        } else {
            EXPECT_FALSE(SamePixels(s.normal, s.hover)) << b.title;
            EXPECT_FALSE(SamePixels(s.normal, s.pressed)) << b.title;
            EXPECT_FALSE(SamePixels(s.hover, s.pressed)) << b.title;
            EXPECT_EQ(b.look == kDisabledAsNormal, SamePixels(s.normal, s.disabled)) << b.title;
        }
        rows.push_back(SheetRow{b.title, {s.normal, s.hover, s.pressed, s.disabled}});
    }
    // The logo has one image: its other states draw nothing over it, so on
    // screen it keeps that image, where a fresh capture would be empty.
    EXPECT_TRUE(SaveToGallery(CaptureAround(GetDlgItem(hwnd, IDC_LOGO), 0), "button-logo"));
    ChooseTab(0);
    EXPECT_TRUE(SaveToGallery(ComposeSheet({"normal", "hover", "pressed", "disabled"}, rows),
                              "buttons"));
    DestroyWindow(dialog);
}

// The custom hosts page while a long HOSTS fills in, a third of it shown,
// with the words that say so in the row of links.
TEST_F(Gallery, HostsPageWhileItFills) {
    ChooseTab(0);
    HostsPage& page = main_->Hosts();
    std::string hosts = kSampleHosts;
    for (int i = 0; i < 30000; ++i) hosts += "127.0.0.1       ad" + std::to_string(i) + ".example.net\r\n";
    page.RefillEditor(hosts);
    ASSERT_TRUE(page.IsFilling());
    HWND progress = GetDlgItem(page.Hwnd(), IDC_HOSTS_STATUS);
    const auto percent = [&] {
        const std::string text = WindowTextOf(progress, 100);
        const size_t space = text.rfind(' ');
        return IsWindowVisible(progress) && space != std::string::npos ? std::atoi(text.c_str() + space) : -1;
    };
    ASSERT_TRUE(WaitForEachMessage([&] { return percent() >= 30; }, 60000));
    UpdateWindow(main_->Hwnd());

    const PixelCapture shot = PixelCapture::OfTree(main_->Hwnd());
    EXPECT_TRUE(SaveToGallery(shot, "main-window-filling"));
    EXPECT_EQ(0u, WindowTextOf(progress, 100).find("正在载入Host表… "));
    EXPECT_GT(shot.Count(ChildRect(main_->Hwnd(), progress), RGB(0, 0, 0)), 0);
    // Clear of the entries, the links and the button.
    const RECT words = ChildRect(page.Hwnd(), progress);
    for (int id : {IDC_HOSTS_EDITOR, IDC_LINK_IMPORT, IDC_LINK_EXPORT, IDC_LINK_SHARE, IDC_LINK_RESTORE,
                   IDC_SAVE}) {
        const RECT other = ChildRect(page.Hwnd(), GetDlgItem(page.Hwnd(), id));
        RECT overlap;
        EXPECT_FALSE(IntersectRect(&overlap, &words, &other)) << id;
    }

    page.RefillEditor(kSampleHosts);
    EXPECT_FALSE(page.IsFilling());
}

}  // namespace
