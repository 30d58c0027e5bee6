#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "AppTestSupport.h"
#include "PixelCapture.h"
#include "SitemoatConfig.h"
#include "UserActions.h"
#include "app/MainWindow.h"
#include "hosts/HostsFile.h"
#include "hosts/HostsPause.h"
#include "app/ProgramServices.h"
#include "hosts/HostsBackup.h"
#include "res/resource.h"
#include "settings/SettingsStore.h"
#include "skin/SkinGdi.h"
#include "tests/support/LoopbackHttpServer.h"
#include "tests/support/ProgramFiles.h"

// Found by gtest's comparisons only in the global namespace.
bool operator==(const RECT& a, const RECT& b) {
    return EqualRect(&a, &b) != FALSE;
}

namespace {

constexpr char kConfig[] = "config.ini";
constexpr char kMainTitle[] = "TarvoZorvaSitemoatbeta版";
constexpr char kDialogTitle[] = "TarvoZorvaSitemoat";
constexpr RECT kPageArea{10, 95, 630, 470};

// The main window with its start-up check counted (and run for real only
// when asked) and its browser calls recorded.
class TestMainWindow : public MainWindow {
public:
    using MainWindow::MainWindow;
    int startupChecks = 0;
    bool runRealCheck = false;
    int resetQuestions = 0;
    bool restoreReset = false;
    std::function<void()> beforeCheck;
    std::vector<std::string> opened;

protected:
    void RunStartupCheck() override {
        ++startupChecks;
        if (beforeCheck) beforeCheck();
        if (runRealCheck) MainWindow::RunStartupCheck();
    }
    bool Open(const std::string& address) override {
        opened.push_back(address);
        return true;
    }
    bool AskRestoreResetHosts() override {
        ++resetQuestions;
        return restoreReset;
    }
};

bool HasVisibleStyle(HWND hwnd) {
    return (GetWindowLongPtrA(hwnd, GWL_STYLE) & WS_VISIBLE) != 0;
}

// Pixels of the captured area at (x, y) that differ from the bitmap's
// top-left width x height pixels, as the bitmap comes out on the screen.
int Mismatches(const PixelCapture& c, int x, int y, int bitmapId, int width, int height) {
    UniqueBitmap bitmap = LoadSkinBitmap(bitmapId);
    WindowDc screen(nullptr);
    UniqueMemoryDc dc(CreateCompatibleDC(screen.Get()));
    ScopedSelect select(dc.Get(), bitmap.Get());
    int n = 0;
    for (int j = 0; j < height; ++j) {
        for (int i = 0; i < width; ++i) n += c.At(x + i, y + j) != GetPixel(dc.Get(), i, j);
    }
    return n;
}

class MainWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { services_ = new ProgramServices(GetModuleHandleA(nullptr)); }
    static void TearDownTestSuite() {
        delete services_;
        services_ = nullptr;
    }
    void SetUp() override {
        // Never the maker's site: only a loopback server, when a test sets one.
        WriteFileBesideProgram(kConfig, "[update]\r\nofficial=0\r\ncustom=0\r\n");
    }
    void TearDown() override {
        if (window.Hwnd()) DestroyWindow(window.Hwnd());
        RemoveFileBesideProgram(kConfig);
        RemoveFileBesideProgram("temp.txt");
    }
    HWND Create() {
        HWND hwnd = window.CreateModeless(nullptr);
        EXPECT_NE(nullptr, hwnd);
        return hwnd;
    }

    static ProgramServices* services_;
    TestMainWindow window;
};

ProgramServices* MainWindowTest::services_ = nullptr;

TEST_F(MainWindowTest, ComesUpAt640By480WithBandFirstTabChosenAndTheHostsPage) {
    HWND hwnd = Create();
    ASSERT_NE(nullptr, hwnd);
    RECT client;
    GetClientRect(hwnd, &client);
    EXPECT_EQ((RECT{0, 0, 640, 480}), client);
    char title[64] = {};
    GetWindowTextA(hwnd, title, sizeof title);
    EXPECT_STREQ(kMainTitle, title);
    EXPECT_NE(0, SendMessageA(hwnd, WM_GETICON, ICON_BIG, 0));

    HWND pages[] = {window.Hosts().Hwnd(), window.Updates().Hwnd(), window.News().Hwnd()};
    for (HWND page : pages) {
        ASSERT_NE(nullptr, page);
        EXPECT_EQ(hwnd, GetParent(page));
        EXPECT_EQ(kPageArea, RectInParent(page));
    }
    EXPECT_TRUE(HasVisibleStyle(pages[0]));
    EXPECT_FALSE(HasVisibleStyle(pages[1]));
    EXPECT_FALSE(HasVisibleStyle(pages[2]));

    EXPECT_EQ((RECT{13, 24, 271, 93}), RectInParent(window.Tabs().Hwnd()));
    EXPECT_EQ(3, window.Tabs().TabCount());
    EXPECT_EQ(0, window.Tabs().Current());
    HWND logo = GetDlgItem(hwnd, IDC_LOGO);
    ASSERT_NE(nullptr, logo);
    EXPECT_EQ((RECT{440, 24, 635, 94}), RectInParent(logo));
    char logoClass[32] = {};
    GetClassNameA(logo, logoClass, sizeof logoClass);
    EXPECT_STREQ("LogoButton", logoClass);

    ShowWindow(hwnd, SW_SHOWNA);
    PixelCapture c = PixelCapture::OfTree(hwnd);
    // The band shows left of the tabs and between the tabs and the logo.
    EXPECT_EQ(0, Mismatches(c, 3, 24, IDB_BAND, 1, 70));
    EXPECT_EQ(0, Mismatches(c, 300, 24, IDB_BAND, 1, 70));
    EXPECT_EQ(0, Mismatches(c, 436, 24, IDB_BAND, 1, 70));
    // The first tab in its chosen picture, the others not chosen.
    ASSERT_NE(0, Mismatches(c, 13, 24, IDB_TAB_HOSTS_OFF, 87, 69));
    EXPECT_EQ(0, Mismatches(c, 13, 24, IDB_TAB_HOSTS_ON, 87, 69));
    EXPECT_EQ(0, Mismatches(c, 100, 24, IDB_TAB_UPDATE_OFF, 87, 69));
    EXPECT_EQ(0, Mismatches(c, 187, 24, IDB_TAB_NEWS_OFF, 84, 69));
    EXPECT_EQ(0, Mismatches(c, 440, 24, IDB_LOGO, 195, 70));
    EXPECT_EQ(kPageColor, c.At(15, 295));  // the hosts page's own background
}

TEST_F(MainWindowTest, TabSelectShowsTheChosenPageAndAnyOtherValueNone) {
    HWND hwnd = Create();
    ASSERT_NE(nullptr, hwnd);
    HWND pages[] = {window.Hosts().Hwnd(), window.Updates().Hwnd(), window.News().Hwnd()};
    struct Case {
        WPARAM value;
        int shown;  // -1: none
    };
    const Case cases[] = {{1, 1}, {2, 2}, {0, 0}, {3, -1}, {2, 2}, {static_cast<WPARAM>(-1), -1},
                          {0, 0}};
    for (const Case& c : cases) {
        EXPECT_EQ(1, SendMessageA(hwnd, WM_TABSELECT, c.value, -1));
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(i == c.shown, HasVisibleStyle(pages[i])) << "value " << c.value << " page " << i;
        }
    }
}

TEST_F(MainWindowTest, StartupCheckWaitsUntilVisibleAndRunsOnce) {
    HWND hwnd = Create();
    ASSERT_NE(nullptr, hwnd);
    PumpMessages(500);  // several ticks of the 100 ms timer
    EXPECT_EQ(0, window.startupChecks);

    ShowWindow(hwnd, SW_SHOWNA);
    EXPECT_TRUE(WaitFor([&] { return window.startupChecks > 0; }));
    PumpMessages(500);
    ShowWindow(hwnd, SW_HIDE);
    ShowWindow(hwnd, SW_SHOWNA);
    PumpMessages(300);
    EXPECT_EQ(1, window.startupChecks);
}

TEST_F(MainWindowTest, LogoOpensTheMakersHomePageAndOtherCommandsDoNothing) {
    HWND hwnd = Create();
    ASSERT_NE(nullptr, hwnd);
    ShowWindow(hwnd, SW_SHOWNA);
    SendMessageA(GetDlgItem(hwnd, IDC_LOGO), BM_CLICK, 0, 0);
    EXPECT_EQ((std::vector<std::string>{std::string("http://") + kMakerHost + "/"}), window.opened);
    for (int id : {IDOK, IDCANCEL, 1234}) SendMessageA(hwnd, WM_COMMAND, id, 0);
    EXPECT_TRUE(IsWindow(hwnd));
    EXPECT_EQ(1u, window.opened.size());
}

// Closing ends the run with 1; a pause of blocking ends with it, and HOSTS
// is as it was before the pause, with what was saved meanwhile.
TEST_F(MainWindowTest, ClosingEndsTheModalRunWithOne) {
    const std::string before = "127.0.0.1 localhost\r\n0.0.0.0 a.example\r\n";
    HostsFileScope hosts("127.0.0.1 localhost\r\n0.0.0.0 saved.example\r\n");
    for (int way : {0, 1}) {
        ASSERT_EQ(DWORD(ERROR_SUCCESS), HostsPause().Write({before, 0}));
        hosts.Replace("127.0.0.1 localhost\r\n0.0.0.0 saved.example\r\n");
        TestMainWindow modal;
        LoopScript close([&] {
            if (!modal.Hwnd() || !IsWindowVisible(modal.Hwnd()) || modal.startupChecks == 0) {
                return false;
            }
            if (way == 0) {
                PostMessageA(modal.Hwnd(), WM_CLOSE, 0, 0);
            } else {
                SendMessageA(GetDlgItem(modal.Hwnd(), IDC_CAPTION_CLOSE), BM_CLICK, 0, 0);
            }
            return true;
        });
        EXPECT_EQ(1, modal.DoModal(nullptr)) << (way == 0 ? "WM_CLOSE" : "close button");
        EXPECT_EQ(1, modal.startupChecks);
        EXPECT_EQ(before + "0.0.0.0 saved.example\r\n", hosts.Text()) << way;
        EXPECT_FALSE(HostsPause().Exists());
    }
}

// The real check behind its progress dialog: with both sources off it ends
// at once, and the page shows HOSTS as it is at that moment.
TEST_F(MainWindowTest, WithNothingToCheckThePageIsFilledFromHosts) {
    HostsFileScope hosts("127.0.0.1 localhost\r\n");
    window.runRealCheck = true;
    window.beforeCheck = [&] {
        hosts.Replace("# head\r\n127.0.0.1       localhost\r\n0.0.0.0 One.Example\r\n#0.0.0.0 two.example\r\n");
    };
    HWND hwnd = Create();
    ASSERT_NE(nullptr, hwnd);
    EXPECT_EQ("", window.Hosts().EditorText());
    ShowWindow(hwnd, SW_SHOWNA);
    EXPECT_TRUE(WaitFor([&] { return !window.Hosts().EditorText().empty(); }));
    EXPECT_EQ(1, window.startupChecks);
    EXPECT_EQ("0.0.0.0 One.Example\n#0.0.0.0 two.example\n", window.Hosts().EditorText());
}

// HOSTS that lost most of what the program last wrote, as an antivirus
// leaves it: the user is asked before the update pass, and only a yes puts
// the program's HOSTS back.
TEST_F(MainWindowTest, AResetHostsIsRestoredOnlyWhenTheUserSaysSo) {
    const std::string written = "127.0.0.1 localhost\r\n0.0.0.0 a.example b.example c.example\r\n";
    const std::string reset = "# Copyright (c) 1993-2009 Microsoft Corp.\r\n";
    HostsFileScope hosts(reset);
    ASSERT_TRUE(WriteHostsFile(written).Ok());
    hosts.Replace(reset);
    for (bool restore : {false, true}) {
        TestMainWindow window;
        window.runRealCheck = true;
        window.restoreReset = restore;
        HWND hwnd = window.CreateModeless(nullptr);
        ASSERT_NE(nullptr, hwnd);
        ShowWindow(hwnd, SW_SHOWNA);
        EXPECT_TRUE(WaitFor([&] { return window.startupChecks == 1 && !window.Hosts().IsFilling(); }));
        PumpMessages(50);
        EXPECT_EQ(1, window.resetQuestions) << restore;
        EXPECT_EQ(restore ? written : reset, hosts.Text()) << restore;
        DestroyWindow(hwnd);
    }
}

// With a newer list on a user site: the question comes from the worker,
// "升级" merges it into HOSTS and the page shows the merged entries.
TEST_F(MainWindowTest, AcceptedUpdateIsHandedToTheHostsPage) {
    LoopbackHttpServer server;
    ASSERT_TRUE(server.IsRunning());
    server.SetList("/list.txt", "Wed, 17 Mar 2021 08:51:11 GMT",
                   "# new\r\n0.0.0.0 new.example\r\n0.0.0.0 old.example\r\n");
    WriteFileBesideProgram(kConfig, "[update]\r\nofficial=0\r\ncustom=1\r\n[custom]\r\n" +
                                        server.Url("/list.txt") + "|Mon, 01 Mar 2021 00:00:00 GMT=\r\n");
    HostsFileScope hosts("127.0.0.1 localhost\r\n0.0.0.0 old.example\r\n");
    window.runRealCheck = true;

    std::string question;
    LoopScript accept([&] {
        for (HWND w : FindTopWindows(GetCurrentProcessId(), kDialogTitle)) {
            if (!GetDlgItem(w, IDOK)) continue;
            question = ItemText(w, IDC_MESSAGE_TEXT);
            SendMessageA(GetDlgItem(w, IDOK), BM_CLICK, 0, 0);
            return true;
        }
        return false;
    });
    HWND hwnd = Create();
    ASSERT_NE(nullptr, hwnd);
    ShowWindow(hwnd, SW_SHOWNA);
    EXPECT_TRUE(WaitFor([&] { return !window.Hosts().EditorText().empty(); }));
    EXPECT_EQ(kUpdateQuestion, question);
    EXPECT_EQ("127.0.0.1 localhost\r\n0.0.0.0 old.example\r\n0.0.0.0 new.example\r\n", hosts.Text());
    EXPECT_EQ("0.0.0.0 old.example\n0.0.0.0 new.example\n", window.Hosts().EditorText());
    EXPECT_TRUE(FindTopWindows(GetCurrentProcessId(), kDialogTitle).empty());
}

// The user adds an exception through its link and dialog: HOSTS loses the
// lines that block that name, after a backup, and nothing else; the editor
// follows, and a message says how many lines went.
TEST_F(MainWindowTest, AnExceptionAddedTakesItsLinesOutOfHostsAtOnce) {
    const std::string before =
        "# head\r\n127.0.0.1 localhost\r\n0.0.0.0 ads.example\r\n0.0.0.0 Needed.example # 广告\r\n"
        "10.0.0.5 needed.example\r\n0.0.0.0 cdn.needed.example\n";
    HostsFileScope hosts(before);
    HWND hwnd = Create();
    ASSERT_NE(nullptr, hwnd);
    ShowWindow(hwnd, SW_SHOWNA);
    window.Hosts().LoadHostsFile();
    SendMessageA(hwnd, WM_TABSELECT, 1, -1);

    std::string message;
    bool typed = false;
    LoopScript user([&] {
        if (!typed) {
            const std::vector<HWND> dialogs = FindTopWindows(GetCurrentProcessId(), "例外站点");
            if (dialogs.empty()) return false;
            HWND edit = GetDlgItem(dialogs[0], IDC_EXCEPTION_TEXT);
            for (char c : std::string("needed.example")) SendMessageA(edit, WM_CHAR, c, 0);
            SendMessageA(GetDlgItem(dialogs[0], IDOK), BM_CLICK, 0, 0);
            typed = true;
            return false;
        }
        for (HWND w : FindTopWindows(GetCurrentProcessId(), "ZorvaSitemoat")) {
            message = ItemText(w, IDC_MESSAGE_TEXT);
            SendMessageA(GetDlgItem(w, IDOK), BM_CLICK, 0, 0);
            return true;
        }
        return false;
    });
    HWND link = GetDlgItem(window.Updates().Hwnd(), IDC_LINK_EXCEPTIONS);
    SendMessageA(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    SendMessageA(link, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    EXPECT_TRUE(WaitFor([&] { return user.Done(); }));
    EXPECT_EQ("例外站点已保存，已从Host表中移除1行。", message);
    EXPECT_EQ("# head\r\n127.0.0.1 localhost\r\n0.0.0.0 ads.example\r\n10.0.0.5 needed.example\r\n"
              "0.0.0.0 cdn.needed.example\n",
              hosts.Text());
    EXPECT_EQ("0.0.0.0 ads.example\n10.0.0.5 needed.example\n0.0.0.0 cdn.needed.example\n",
              window.Hosts().EditorText());
    EXPECT_EQ("needed.example", SettingsStore().GetExceptionText());
    EXPECT_EQ(before, ReadWholeFile(HostsBackups().List().front().path));
}

}  // namespace
