#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "PagesTestSupport.h"
#include "PixelCapture.h"
#include "SitemoatConfig.h"
#include "UserActions.h"
#include "dialogs/AddSiteDialog.h"
#include "hosts/HostsLine.h"
#include "pages/UpdatePage.h"
#include "update/ListSourcesFile.h"
#include "update/DailyUpdateTask.h"
#include "res/resource.h"
#include "tests/support/ProgramFiles.h"

namespace {

constexpr char kConfig[] = "config.ini";
constexpr char kBothOn[] = "[update]\r\nofficial=1\r\ncustom=1\r\n";
// Two stored sites, as the program writes them: the first with the stamp
// its list last came with, the second not fetched yet.
constexpr char kTwoSites[] =
    "[custom]\r\n"
    "http://a.example/hosts.txt|Tue, 02 Jan 2024 03:04:05 GMT=\r\n"
    "https://B.example/list|=\r\n";

// The page with the user, the stored list and the shell answered by the test:
// the add-site dialog gives what the user typed, completed by the dialog's
// own rule.
class TestUpdatePage : public UpdatePage {
public:
    std::string typed;
    bool confirmed = true;  // OK, not cancel
    int asked = 0;
    std::vector<std::string> opened;
    std::vector<std::string> messages;
    std::string installed;  // the installed copy's path; "": the real check (this test is none)
    bool takeOutNames = false;
    std::vector<std::size_t> namesAsked;

protected:
    bool AskTakeOutNames(std::size_t count) override {
        namesAsked.push_back(count);
        return takeOutNames;
    }
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    std::string InstalledProgram() override {
        return installed.empty() ? UpdatePage::InstalledProgram() : installed;
    }
    bool AskSiteAddress(std::string& address) override {
        ++asked;
        if (!confirmed) return false;
        address = AddSiteDialog::CompleteAddress(typed);
        return true;
    }
    bool Open(const std::string& address) override {
        opened.push_back(address);
        return true;
    }
};

bool IsChecked(const UpdatePage& page, int id) {
    return IsDlgButtonChecked(page.Hwnd(), id) == BST_CHECKED;
}

// What the list shows in its address column; each row's record must carry
// the address its cell shows.
std::vector<std::string> ShownSites(UpdatePage& page) {
    HeaderListView& list = page.SiteList();
    std::vector<std::string> shown;
    for (int i = 0; i < list.RowCount(); ++i) {
        char text[1000] = {};
        ListView_GetItemText(list.Hwnd(), i, 1, text, sizeof text);
        const auto* row = static_cast<const SiteRow*>(list.Row(i));
        EXPECT_NE(nullptr, row) << "row " << i;
        if (row) {
            EXPECT_EQ(row->address, text) << "row " << i;
        }
        shown.push_back(text);
    }
    return shown;
}

// A press on the row's check box, where the user ticks it.
void ClickTick(UpdatePage& page, int row) {
    HWND list = page.SiteList().Hwnd();
    RECT bounds{};
    ListView_GetItemRect(list, row, &bounds, LVIR_BOUNDS);
    const RECT box = HeaderListView::CheckBoxRect(bounds);
    ClickAt(list, (box.left + box.right) / 2, (box.top + box.bottom) / 2);
}

bool IsTicked(UpdatePage& page, int row) {
    const ListRow* record = page.SiteList().Row(row);
    return record && record->ticked;
}

void Command(const UpdatePage& page, int id) {
    SendMessageA(page.Hwnd(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(page.Hwnd(), id)));
}

class UpdatePageTest : public ::testing::Test {
protected:
    void TearDown() override { RemoveFileBesideProgram(kConfig); }

    // The page over the stored settings, where the main window puts it.
    HWND Show(const std::string& config) {
        WriteFileBesideProgram(kConfig, config);
        HWND hwnd = parent.Place(page);
        EXPECT_NE(nullptr, hwnd);
        ShowWindow(parent.Hwnd(), SW_SHOWNA);
        return hwnd;
    }

    // The page goes with its parent's window, before the object.
    TestUpdatePage page;
    PageParent parent;
};

TEST_F(UpdatePageTest, BoxesStartFromTheStoredFlags) {
    struct Case {
        const char* config;
        bool official;
        bool custom;
    };
    const Case cases[] = {
        {"[update]\r\nofficial=0\r\ncustom=1\r\n", false, true},
        {"[update]\r\nofficial=1\r\ncustom=0\r\n", true, false},
        {"[update]\r\nofficial=0\r\ncustom=0\r\n", false, false},
        {"[update]\r\nofficial=yes\r\ncustom=2\r\n", false, false},  // on only when "1"
        {"", true, true},                                           // absent: on
    };
    for (const Case& c : cases) {
        WriteFileBesideProgram(kConfig, c.config);
        TestUpdatePage casePage;
        PageParent caseParent;
        ASSERT_NE(nullptr, caseParent.Place(casePage));
        EXPECT_EQ(c.official, IsChecked(casePage, IDC_OFFICIAL_CHECK)) << c.config;
        EXPECT_EQ(c.custom, IsChecked(casePage, IDC_CUSTOM_CHECK)) << c.config;
    }
}

TEST_F(UpdatePageTest, EveryTickOfABoxIsInTheSettingsFileAtOnce) {
    ASSERT_NE(nullptr, Show(std::string(kBothOn) + kTwoSites));
    struct Step {
        int box;
        const char* flags;
    };
    const Step steps[] = {
        {IDC_OFFICIAL_CHECK, "official=0\r\ncustom=1\r\n"},
        {IDC_CUSTOM_CHECK, "official=0\r\ncustom=0\r\n"},
        {IDC_OFFICIAL_CHECK, "official=1\r\ncustom=0\r\n"},
        {IDC_CUSTOM_CHECK, "official=1\r\ncustom=1\r\n"},
        {IDC_CUSTOM_CHECK, "official=1\r\ncustom=0\r\n"},
    };
    for (const Step& s : steps) {
        SendDlgItemMessageA(page.Hwnd(), s.box, BM_CLICK, 0, 0);
        EXPECT_EQ(std::string("[update]\r\n") + s.flags + kTwoSites, ReadFileBesideProgram(kConfig))
            << "after a click on " << s.box;
    }
    EXPECT_FALSE(IsChecked(page, IDC_CUSTOM_CHECK));
    EXPECT_TRUE(IsChecked(page, IDC_OFFICIAL_CHECK));
}

TEST_F(UpdatePageTest, AddCompletesTheAddressAndPutsItLastInListAndFile) {
    ASSERT_NE(nullptr, Show(std::string(kBothOn) + kTwoSites));
    EXPECT_EQ((std::vector<std::string>{"http://a.example/hosts.txt", "https://B.example/list"}),
              ShownSites(page));

    struct Case {
        const char* typed;
        const char* stored;
    };
    const Case cases[] = {
        {"c.example/hosts.txt", "http://c.example/hosts.txt"},
        {"HTTP://D.example/a.txt", "HTTP://D.example/a.txt"},
        {"https://e.example/", "https://e.example/"},
        {"HTTPS://F.example", "HTTPS://F.example"},
        {"", "http://"},
        {"httpg.example", "http://httpg.example"},
        {"http:/h.example", "http://http:/h.example"},
        {"ftp://i.example", "http://ftp://i.example"},
        {"东.example/列表", "http://东.example/列表"},
        {"東.example/hosts", "http://東.example/hosts"},  // its trail byte is '|'
    };
    std::vector<std::string> shown = ShownSites(page);
    std::string expected = std::string(kBothOn) + kTwoSites;
    int asked = 0;
    for (const Case& c : cases) {
        page.typed = c.typed;
        Command(page, IDC_ADD_SITE);
        EXPECT_EQ(++asked, page.asked);
        shown.push_back(c.stored);
        expected += std::string(c.stored) + "|=\r\n";
        EXPECT_EQ(shown, ShownSites(page)) << "typed " << c.typed;
        EXPECT_EQ(expected, ReadFileBesideProgram(kConfig)) << "typed " << c.typed;
    }

    // Each comes back whole the next time the page is made.
    TestUpdatePage next;
    PageParent nextParent;
    ASSERT_NE(nullptr, nextParent.Place(next));
    EXPECT_EQ(shown, ShownSites(next));
}

TEST_F(UpdatePageTest, AddLeavesAStoredAddressABarAndACancelAlone) {
    const std::string config = std::string(kBothOn) + kTwoSites;
    ASSERT_NE(nullptr, Show(config));
    const std::vector<std::string> shown = ShownSites(page);
    ASSERT_EQ(2u, shown.size());

    struct Case {
        const char* typed;
        bool confirmed;
    };
    const Case cases[] = {
        {"http://a.example/hosts.txt", true},
        {"a.example/hosts.txt", true},  // completed, it is stored
        {"HTTP://A.EXAMPLE/HOSTS.TXT", true},
        {"https://b.example/LIST", true},
        {"c.example/a|b", true},  // "|" would cut it from its stamp
        {"|", true},
        {"東.example|b", true},  // a bar of its own after a double-byte character
        {"d.example", false},
    };
    int asked = 0;
    for (const Case& c : cases) {
        page.typed = c.typed;
        page.confirmed = c.confirmed;
        Command(page, IDC_ADD_SITE);
        EXPECT_EQ(++asked, page.asked);
        EXPECT_EQ(shown, ShownSites(page)) << "typed " << c.typed;
        EXPECT_EQ(config, ReadFileBesideProgram(kConfig)) << "typed " << c.typed;
    }
}

// Removing a site asks whether the names its list brought leave HOSTS;
// a name another site's list holds stays and passes to that site, and the
// removed site's record goes either way.
TEST_F(UpdatePageTest, RemovingASiteAsksWhetherItsNamesLeaveHosts) {
    const std::string a = "http://a.example/1.txt";
    const std::string b = "http://b.example/2.txt";
    const auto hashes = [](std::vector<const char*> names) {
        std::vector<std::uint64_t> hashed;
        for (const char* name : names) hashed.push_back(NameHash(name));
        SortUnique(hashed);
        return hashed;
    };
    for (bool takeOut : {false, true}) {
        ListSourcesFile().Edit([&](ListSources& sources) {
            sources = ListSources();
            ListSource& first = sources.Get(a);
            first.listed = hashes({"x.example", "y.example", "shared.example", "kept.example"});
            first.brought = hashes({"x.example", "y.example", "shared.example"});
            sources.Get(b).listed = hashes({"shared.example"});
            return true;
        });
        TestUpdatePage casePage;
        PageParent caseParent;
        WriteFileBesideProgram(kConfig, std::string(kBothOn) + "[custom]\r\n" + a + "|=\r\n" + b + "|=\r\n");
        ASSERT_NE(nullptr, caseParent.Place(casePage));
        std::vector<std::string> asked;
        casePage.takeOutNames = takeOut;
        casePage.SetOnTakeOutNames([&](const UpdatePage::NameTest& remove) {
            for (const char* name : {"x.example", "Y.Example", "shared.example", "kept.example", "other.example"}) {
                if (remove(name)) asked.push_back(name);
            }
            return std::string();
        });
        ClickTick(casePage, 0);
        Command(casePage, IDC_REMOVE_SITES);
        EXPECT_EQ(std::vector<std::size_t>{2}, casePage.namesAsked) << takeOut;
        const std::vector<std::string> taken = {"x.example", "Y.Example"};
        EXPECT_EQ(takeOut ? taken : std::vector<std::string>(), asked);
        const ListSources sources = ListSourcesFile().Read();
        EXPECT_EQ(nullptr, sources.Find(a));
        ASSERT_NE(nullptr, sources.Find(b));
        EXPECT_EQ(hashes({"shared.example"}), sources.Find(b)->brought);
    }
    RemoveFileBesideProgram("lists.dat");
}

TEST_F(UpdatePageTest, RemoveDeletesTheTickedSitesAndKeepsTheRestInOrderWithTheirStamps) {
    const std::string sites =
        "[custom]\r\n"
        "http://a.example/1.txt|Mon, 01 Jan 2024 00:00:01 GMT=\r\n"
        "http://b.example/2.txt|=\r\n"
        "https://c.example/3.txt|Wed, 03 Jan 2024 00:00:03 GMT=\r\n"
        "HTTP://D.example/4.txt|Thu, 04 Jan 2024 00:00:04 GMT=\r\n"
        "http://e.example/5.txt|Fri, 05 Jan 2024 00:00:05 GMT=\r\n";
    ASSERT_NE(nullptr, Show(std::string(kBothOn) + sites));
    ASSERT_EQ(5, page.SiteList().RowCount());

    // Nothing ticked: nothing goes.
    Command(page, IDC_REMOVE_SITES);
    EXPECT_EQ(5, page.SiteList().RowCount());
    EXPECT_EQ(std::string(kBothOn) + sites, ReadFileBesideProgram(kConfig));

    for (int row : {1, 2, 3, 2}) ClickTick(page, row);  // the third ticked and unticked again
    EXPECT_FALSE(IsTicked(page, 0));
    EXPECT_TRUE(IsTicked(page, 1));
    EXPECT_FALSE(IsTicked(page, 2));
    EXPECT_TRUE(IsTicked(page, 3));
    EXPECT_FALSE(IsTicked(page, 4));

    Command(page, IDC_REMOVE_SITES);
    EXPECT_EQ((std::vector<std::string>{"http://a.example/1.txt", "https://c.example/3.txt",
                                        "http://e.example/5.txt"}),
              ShownSites(page));
    EXPECT_EQ(std::string(kBothOn) +
                  "[custom]\r\n"
                  "http://a.example/1.txt|Mon, 01 Jan 2024 00:00:01 GMT=\r\n"
                  "https://c.example/3.txt|Wed, 03 Jan 2024 00:00:03 GMT=\r\n"
                  "http://e.example/5.txt|Fri, 05 Jan 2024 00:00:05 GMT=\r\n",
              ReadFileBesideProgram(kConfig));
    for (int row = 0; row < page.SiteList().RowCount(); ++row) EXPECT_FALSE(IsTicked(page, row));

    // All of them: the section stays, empty.
    for (int row = 0; row < 3; ++row) ClickTick(page, row);
    Command(page, IDC_REMOVE_SITES);
    EXPECT_EQ(0, page.SiteList().RowCount());
    EXPECT_EQ(std::string(kBothOn) + "[custom]\r\n", ReadFileBesideProgram(kConfig));

    // And an added site comes after nothing.
    page.typed = "f.example";
    Command(page, IDC_ADD_SITE);
    EXPECT_EQ((std::vector<std::string>{"http://f.example"}), ShownSites(page));
    EXPECT_EQ(std::string(kBothOn) + "[custom]\r\nhttp://f.example|=\r\n",
              ReadFileBesideProgram(kConfig));
}

// A list whose addresses and stamps cannot be paired is shown empty and
// never written back, whether it was so at start or became so later.
// A stored line without an address (written by hand, say) is neither lost
// nor changed when sites are added and removed around it.
TEST_F(UpdatePageTest, ALineWithoutAnAddressSurvivesAddAndRemove) {
    ASSERT_NE(nullptr, Show(std::string(kBothOn) + "[custom]\r\n"
                                                   "http://a.example/hosts.txt|A1=\r\n"
                                                   "no address here=\r\n"
                                                   "https://B.example/list|=\r\n"));
    ASSERT_EQ(3, page.SiteList().RowCount());
    page.typed = "c.example";
    Command(page, IDC_ADD_SITE);
    ClickTick(page, 0);
    Command(page, IDC_REMOVE_SITES);
    EXPECT_EQ(std::string(kBothOn) + "[custom]\r\n"
                                     "no address here=\r\n"
                                     "https://B.example/list|=\r\n"
                                     "http://c.example|=\r\n",
              ReadFileBesideProgram(kConfig));
}

TEST_F(UpdatePageTest, LinksOpenTheOfficialListTheRecommendedSitesAndTheGuide) {
    ASSERT_NE(nullptr, Show(kBothOn));
    const std::string official = MakerUrl("/host/host.txt");
    EXPECT_EQ(official, ItemText(page.Hwnd(), IDC_LINK_OFFICIAL_LIST));

    const int links[] = {IDC_LINK_OFFICIAL_LIST, IDC_LINK_RECOMMENDED, IDC_LINK_BUILD_SITE};
    for (size_t i = 0; i < 3; ++i) {
        HWND link = GetDlgItem(page.Hwnd(), links[i]);
        ASSERT_NE(nullptr, link) << links[i];
        ClickAt(link, 2, 2);
        EXPECT_TRUE(WaitFor([&] { return page.opened.size() > i; }, 5000)) << links[i];
    }
    PumpMessages(100);
    EXPECT_EQ((std::vector<std::string>{official, MakerUrl("/host/hosttj.html"),
                                        MakerUrl("/host/hostzz.html")}),
              page.opened);
}

// A site whose check failed says why in red at the end of its row; the
// official site says it under its address. A later check clears it.
TEST_F(UpdatePageTest, FailedChecksAreShownWithTheirReason) {
    ASSERT_NE(nullptr, Show(std::string(kBothOn) + kTwoSites));
    SiteResult official;
    official.official = true;
    official.outcome = SiteOutcome::Failed;
    official.reason = "证书不受信任";
    SiteResult failed;
    failed.address = "https://b.example/list";  // stored as B.example: any case
    failed.outcome = SiteOutcome::Failed;
    failed.reason = "未找到（404）";
    SiteResult fine;
    fine.address = "http://a.example/hosts.txt";
    page.ShowSiteResults({official, fine, failed});
    EXPECT_EQ("检测失败：证书不受信任", ItemText(page.Hwnd(), IDC_OFFICIAL_STATUS));
    EXPECT_EQ("", page.SiteList().Row(0)->note);
    EXPECT_EQ("检测失败：未找到（404）", page.SiteList().Row(1)->note);

    RECT rows[2];
    for (int i = 0; i < 2; ++i) ListView_GetItemRect(page.SiteList().Hwnd(), i, &rows[i], LVIR_BOUNDS);
    const PixelCapture shown = PixelCapture::OfTree(page.SiteList().Hwnd());
    EXPECT_EQ(0, shown.Count(rows[0], RGB(255, 0, 0)));
    EXPECT_GT(shown.Count(rows[1], RGB(255, 0, 0)), 20);

    page.ShowSiteResults({fine});
    EXPECT_EQ("", ItemText(page.Hwnd(), IDC_OFFICIAL_STATUS));
    EXPECT_EQ("", page.SiteList().Row(1)->note);
}

// The box shows whether the scheduler really has the daily task: ticking
// registers it, for the installed copy only, unticking removes it. Beside
// it, the last unattended run.
TEST_F(UpdatePageTest, DailyUpdateBoxRegistersTheTaskAndTheLastRunIsShown) {
    DailyUpdateTask().Remove();
    WriteFileBesideProgram("update.log",
                           "2026-12-07 03:00:00\t无新内容\t检查1个站点，新增0条\r\n"
                           "2026-12-08 03:00:01\t已更新\t检查2个站点，新增120条\r\n");
    ASSERT_NE(nullptr, Show(kBothOn));
    EXPECT_EQ("上次自动升级：2026-12-08 03:00 已更新", ItemText(page.Hwnd(), IDC_LAST_RUN));
    EXPECT_FALSE(IsChecked(page, IDC_DAILY_CHECK));

    // A copy that is not the installed one: no task, and the user is told
    // why and what to do.
    SendMessageA(GetDlgItem(page.Hwnd(), IDC_DAILY_CHECK), BM_CLICK, 0, 0);
    EXPECT_FALSE(DailyUpdateTask().Exists());
    EXPECT_FALSE(IsChecked(page, IDC_DAILY_CHECK));
    ASSERT_EQ(1u, page.messages.size());
    EXPECT_EQ(0u, page.messages[0].find("每天自动检测升级会以管理员权限自动运行Sitemoat"));
    EXPECT_NE(std::string::npos, page.messages[0].find("安装"));
    page.messages.clear();

    page.installed = "C:\\Program Files\\Sitemoat\\Sitemoat.exe";

    SendMessageA(GetDlgItem(page.Hwnd(), IDC_DAILY_CHECK), BM_CLICK, 0, 0);
    EXPECT_TRUE(DailyUpdateTask().Exists());
    EXPECT_TRUE(IsChecked(page, IDC_DAILY_CHECK));
    SendMessageA(GetDlgItem(page.Hwnd(), IDC_DAILY_CHECK), BM_CLICK, 0, 0);
    EXPECT_FALSE(DailyUpdateTask().Exists());
    EXPECT_FALSE(IsChecked(page, IDC_DAILY_CHECK));
    EXPECT_TRUE(page.messages.empty());
    RemoveFileBesideProgram("update.log");
}

}  // namespace
