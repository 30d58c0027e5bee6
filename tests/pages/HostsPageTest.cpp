#include <windows.h>
#include <richedit.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "PagesTestSupport.h"
#include "PixelCapture.h"
#include "SitemoatConfig.h"
#include "UserActions.h"
#include "hosts/HostsBackup.h"
#include "hosts/HostsLine.h"
#include "hosts/HostsPause.h"
#include "pages/HostsPage.h"
#include "settings/SettingsStore.h"
#include "update/ListSourcesFile.h"
#include "res/resource.h"
#include "tests/support/ProgramFiles.h"
#include "base/UniqueHandle.h"
#include "tests/support/ResponseProbe.h"

namespace {

constexpr char kSaved[] = "host表保存成功！";
constexpr char kHead[] =
    "# Copyright (c) 1993-2009 Microsoft Corp.\r\n"
    "127.0.0.1       localhost\r\n";
constexpr char kHosts[] =
    "# Copyright (c) 1993-2009 Microsoft Corp.\r\n"
    "127.0.0.1       localhost\r\n"
    "0.0.0.0 ads.example\r\n"
    "127.0.0.1\ttracker.example\r\n";

// The page with the file dialogs, the message box and the shell answered
// by the test.
class TestHostsPage : public HostsPage {
public:
    std::string importPath;
    std::string exportPath;
    std::vector<std::string> messages;
    std::vector<std::string> opened;
    std::vector<RestoreDialog::Item> restoreItems;
    int restoreChoice = -1;
    bool compact = false;
    std::vector<std::pair<size_t, size_t>> compactAsked;
    UINT menuChoice = 0;
    std::vector<bool> menuEnabled;  // the editor menu's items as last shown
    int pauseMinutes = -1;
    unsigned long long later = 0;   // how far the clock has moved on

    // The editor's menu at the selection, as the keyboard opens it.
    void MenuAtSelection(LONG from, LONG to, UINT choice) {
        CHARRANGE range{from, to};
        SendMessageA(Editor(), EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
        menuChoice = choice;
        menuEnabled.clear();
        // From the keyboard: the menu key, as a user without a mouse asks.
        SendMessageA(Editor(), WM_KEYUP, VK_APPS, 0xC0000001);
    }

protected:
    UINT ChooseFromMenu(HMENU menu, POINT) override {
        menuEnabled.clear();
        for (int i = 0; i < GetMenuItemCount(menu); ++i) {
            menuEnabled.push_back(!(GetMenuState(menu, UINT(i), MF_BYPOSITION) & MF_GRAYED));
        }
        return menuChoice;
    }
    int AskPauseMinutes() override { return pauseMinutes; }
    unsigned long long Now() const override { return HostsPage::Now() + later; }
    bool AskImportPath(std::string& path) override {
        path = importPath;
        return !path.empty();
    }
    bool AskExportPath(std::string& path) override {
        path = exportPath;
        return !path.empty();
    }
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    bool AskCompact(size_t linesSaved, size_t linesJoined) override {
        compactAsked.emplace_back(linesSaved, linesJoined);
        return compact;
    }
    int AskRestoreChoice(const std::vector<RestoreDialog::Item>& items) override {
        restoreItems = items;
        return restoreChoice;
    }
    bool Open(const std::string& address) override {
        opened.push_back(address);
        return true;
    }
};

// The backups the page keeps beside the program, all of them.
void RemoveBackups() {
    const HostsBackups backups;
    for (const HostsBackup& backup : backups.List()) DeleteFileA(backup.path.c_str());
    DeleteFileA(backups.WrittenPath().c_str());
    RemoveDirectoryA(backups.Folder().c_str());
}

std::string WithoutCr(std::string text) {
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    return text;
}

// What a save or an export writes of the page's head and editor: every
// line ended by CR LF, whatever the control hands back.
std::string WithCrLf(const std::string& text) {
    std::string converted;
    for (char c : WithoutCr(text)) converted += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return converted;
}

void Command(const HostsPage& page, int id) {
    SendMessageA(page.Hwnd(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(page.Hwnd(), id)));
}

// Typed at the end of the editor, as keys would put it there.
void TypeAtEnd(const HostsPage& page, const std::string& text) {
    const LONG end = GetWindowTextLengthA(page.Editor());
    CHARRANGE range{end, end};
    SendMessageA(page.Editor(), EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
    for (char c : text) SendMessageA(page.Editor(), WM_CHAR, static_cast<unsigned char>(c), 0);
}

// Entry lines as the editor gives them back, LF-ended.
std::string ManyEntries(int count) {
    std::string text;
    for (int i = 0; i < count; ++i) text += "0.0.0.0 host" + std::to_string(i) + ".example\n";
    return text;
}

int EditorCount(HWND page) {
    int count = 0;
    for (HWND child = GetWindow(page, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        char name[64] = {};
        GetClassNameA(child, name, sizeof name);
        if (lstrcmpiA(name, "RICHEDIT") == 0) ++count;
    }
    return count;
}

class HostsPageTest : public ::testing::Test {
protected:
    HWND Show(const std::string& hostsText) {
        HWND hwnd = parent.Place(page);
        EXPECT_NE(nullptr, hwnd);
        EXPECT_NE(nullptr, page.Editor());
        ShowWindow(parent.Hwnd(), SW_SHOWNA);
        page.RefillEditor(hostsText);
        return hwnd;
    }

    HostsFileScope hosts{kHosts};
    // The page goes with its parent's window, before the object.
    TestHostsPage page;
    PageParent parent;
};

// The editor shows the entry lines as they are written; a save writes the
// line typed and nothing else, a save with no edit writes nothing at all.
TEST_F(HostsPageTest, ShowsTheEntriesAndSavesOnlyWhatWasTyped) {
    RemoveBackups();
    ASSERT_NE(nullptr, Show(kHosts));
    EXPECT_EQ("0.0.0.0 ads.example\n127.0.0.1\ttracker.example\n", WithoutCr(page.EditorText()));

    TypeAtEnd(page, "127.0.0.1 Typed.example\r");
    Command(page, IDC_SAVE);
    EXPECT_EQ(std::string(kHosts) + "127.0.0.1 Typed.example\r\n", hosts.Text());
    EXPECT_EQ(std::vector<std::string>{kSaved}, page.messages);
    const size_t backups = HostsBackups().List().size();
    EXPECT_EQ(2u, backups);  // the original and the one before this save

    Command(page, IDC_SAVE);
    EXPECT_EQ(std::string(kHosts) + "127.0.0.1 Typed.example\r\n", hosts.Text());
    EXPECT_EQ(backups, HostsBackups().List().size());
    EXPECT_EQ((std::vector<std::string>{kSaved, kSaved}), page.messages);

    // Everything deleted: the head stays.
    SetWindowTextA(page.Editor(), "");
    Command(page, IDC_SAVE);
    EXPECT_EQ(kHead, hosts.Text());
    RemoveBackups();
}

// Through the editor, every HOSTS file comes back byte for byte, in its own
// encoding, with only the typed line added after its last entry line.
// Lines the editor cannot show stay where they are.
TEST_F(HostsPageTest, EveryEncodingSavesBackWhole) {
    struct Row {
        const char* fault;
        std::string before;
        std::string shown;  // the editor, before the typed line
        std::string after;  // HOSTS after the save
    };
    const std::string head8 = u8"# 中文注释 ✓\r\n127.0.0.1 LocalHost\r\n";
    const std::string entries8 = u8"0.0.0.0 Ad.example # 广告\r\n0.0.0.0 k.example # 광고\r\n";
    const std::string typed8 = "0.0.0.0 typed.example\r\n";
    const std::u16string utf16 = u"# 中文注释 ✓\r\n127.0.0.1 LocalHost\r\n0.0.0.0 Ad.example # 广告\r\n"
                                 u"0.0.0.0 k.example # 광고\r\n";
    const auto utf16Bytes = [](const std::u16string& text) {
        std::string bytes = "\xFF\xFE";
        for (char16_t unit : text) bytes += {char(unit & 0xFF), char(unit >> 8)};
        return bytes;
    };
    const std::string nul(1, '\0');
    const Row rows[] = {
        {"Chinese text in an entry line", "127.0.0.1 localhost\r\n0.0.0.0 Ad.example # 广告\r\n",
         "0.0.0.0 Ad.example # 广告\n",
         "127.0.0.1 localhost\r\n0.0.0.0 Ad.example # 广告\r\n0.0.0.0 typed.example\r\n"},
        {"UTF-8 with its mark", "\xEF\xBB\xBF" + head8 + entries8, "0.0.0.0 Ad.example # 广告\n",
         "\xEF\xBB\xBF" + head8 + entries8 + typed8},
        {"UTF-8 without a mark", head8 + entries8, "0.0.0.0 Ad.example # 广告\n", head8 + entries8 + typed8},
        {"UTF-16", utf16Bytes(utf16), "0.0.0.0 Ad.example # 广告\n",
         utf16Bytes(utf16 + u"0.0.0.0 typed.example\r\n")},
        {"a NUL byte",
         "127.0.0.1 localhost\r\n0.0.0.0 a.example\r\n0.0.0.0 b" + nul + "x\r\n0.0.0.0 c.example\r\n",
         "0.0.0.0 a.example\n0.0.0.0 c.example\n",
         "127.0.0.1 localhost\r\n0.0.0.0 a.example\r\n0.0.0.0 b" + nul +
             "x\r\n0.0.0.0 c.example\r\n0.0.0.0 typed.example\r\n"},
    };
    ASSERT_NE(nullptr, Show(kHosts));
    for (const Row& row : rows) {
        hosts.Replace(row.before);
        page.LoadHostsFile();
        EXPECT_EQ(row.shown, WithoutCr(page.EditorText())) << row.fault;
        page.messages.clear();
        Command(page, IDC_SAVE);
        EXPECT_EQ(row.before, hosts.Text()) << row.fault;
        TypeAtEnd(page, "0.0.0.0 typed.example\r");
        Command(page, IDC_SAVE);
        EXPECT_EQ((std::vector<std::string>{kSaved, kSaved}), page.messages) << row.fault;
        EXPECT_EQ(row.after, hosts.Text()) << row.fault;
    }
}

// A save that fails says so and why; HOSTS stays as it was and the editor
// keeps what the user typed, to try again.
TEST_F(HostsPageTest, FailedSavesSayWhyAndChangeNothing) {
    struct Row {
        const char* fault;
        std::function<void()> arrange;
        std::function<void()> undo;
        std::string message;
    };
    UniqueFileHandle held;
    const std::string backupFolder = GetPathBesideProgram("backup");
    const std::string elsewhere = GetPathBesideProgram("elsewhere");
    std::unique_ptr<FolderLink> link;
    const Row rows[] = {
        {"read-only", [&] { SetFileAttributesA(hosts.Path().c_str(), FILE_ATTRIBUTE_READONLY); },
         [&] { SetFileAttributesA(hosts.Path().c_str(), FILE_ATTRIBUTE_NORMAL); },
         "host表保存失败：文件为只读"},
        {"held open by another program",
         [&] { held.Reset(CreateFileA(hosts.Path().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)); },
         [&] { held.Reset(); }, "host表保存失败：文件正被其他程序使用"},
        // A file where the backup folder should be: no backup, so no write.
        {"backup failed",
         [&] {
             RemoveBackups();
             WriteWholeFile(backupFolder, "not a folder");
         },
         [&] { DeleteFileA(backupFolder.c_str()); }, "host表保存失败：无法备份原文件（"},
        // A link where the backup folder should be: nothing is written
        // where it points.
        {"backup folder a link",
         [&] {
             RemoveBackups();
             CreateDirectoryA(elsewhere.c_str(), nullptr);
             link = std::make_unique<FolderLink>(backupFolder, elsewhere);
             EXPECT_TRUE(link->Made());
         },
         [&] {
             WIN32_FIND_DATAA found;
             const UniqueFindHandle written(FindFirstFileA((elsewhere + "\\*.bak").c_str(), &found));
             EXPECT_FALSE(written) << found.cFileName;
             link.reset();
             EXPECT_TRUE(RemoveDirectoryA(elsewhere.c_str()));
         },
         "host表保存失败：无法备份原文件（备份文件夹backup是链接或联接点，请删除它后再试）"},
    };
    ASSERT_NE(nullptr, Show(kHosts));
    for (const Row& row : rows) {
        TypeAtEnd(page, "0.0.0.0 kept.example\r");
        const std::string typed = page.EditorText();
        page.messages.clear();
        row.arrange();
        Command(page, IDC_SAVE);
        row.undo();
        ASSERT_EQ(1u, page.messages.size()) << row.fault;
        EXPECT_EQ(0u, page.messages[0].find(row.message)) << row.fault << ": " << page.messages[0];
        EXPECT_EQ(kHosts, hosts.Text()) << row.fault;
        EXPECT_EQ(typed, page.EditorText()) << row.fault;
    }
}

// Windows' DNS client holds HOSTS open with sharing: that reads. A program
// that holds it without sharing makes it unreadable: the page says so and
// saves nothing over it until it can read it, and then shows what it holds
// with what the user typed before anything is written.
TEST_F(HostsPageTest, AHostsThatCannotBeReadIsNeverSavedOver) {
    ASSERT_NE(nullptr, Show(kHosts));
    UniqueFileHandle shared(CreateFileA(hosts.Path().c_str(), GENERIC_READ,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                        OPEN_EXISTING, 0, nullptr));
    page.LoadHostsFile();
    EXPECT_EQ("0.0.0.0 ads.example\n127.0.0.1\ttracker.example\n", WithoutCr(page.EditorText()));
    EXPECT_TRUE(page.messages.empty());
    shared.Reset();

    UniqueFileHandle held(CreateFileA(hosts.Path().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    page.LoadHostsFile();
    const std::string unreadable = "无法读取Host表：文件正被其他程序使用";
    EXPECT_EQ(std::vector<std::string>{unreadable}, page.messages);
    EXPECT_EQ("", page.EditorText());
    TypeAtEnd(page, "0.0.0.0 typed.example\r");
    Command(page, IDC_SAVE);
    EXPECT_EQ((std::vector<std::string>{unreadable, unreadable}), page.messages);
    held.Reset();
    EXPECT_EQ(kHosts, hosts.Text());

    Command(page, IDC_SAVE);
    EXPECT_EQ("已重新读取Host表，您输入的内容已保留，请确认后再保存。", page.messages.back());
    EXPECT_EQ(kHosts, hosts.Text());
    EXPECT_EQ("0.0.0.0 ads.example\n127.0.0.1\ttracker.example\n0.0.0.0 typed.example\n",
              WithoutCr(page.EditorText()));
    Command(page, IDC_SAVE);
    EXPECT_EQ(kSaved, page.messages.back());
    EXPECT_EQ(std::string(kHosts) + "0.0.0.0 typed.example\r\n", hosts.Text());
}

// What another program wrote between the page's load and its save stays;
// where a line the user edited is gone, nothing is written, and the page
// shows HOSTS as it is with what the user typed.
TEST_F(HostsPageTest, AnotherProgramsChangeSurvivesTheSave) {
    ASSERT_NE(nullptr, Show(kHosts));
    hosts.Replace(std::string(kHosts) + "0.0.0.0 theirs.example\r\n");
    TypeAtEnd(page, "0.0.0.0 mine.example\r");
    Command(page, IDC_SAVE);
    EXPECT_EQ(kSaved, page.messages.back());
    // Typed at the end: after the last entry line, theirs.
    EXPECT_EQ(std::string(kHosts) + "0.0.0.0 theirs.example\r\n0.0.0.0 mine.example\r\n", hosts.Text());
    EXPECT_EQ("0.0.0.0 ads.example\n127.0.0.1\ttracker.example\n0.0.0.0 theirs.example\n"
              "0.0.0.0 mine.example\n",
              WithoutCr(page.EditorText()));

    const std::string theirs = std::string(kHead) + "0.0.0.0 other.example\r\n";
    hosts.Replace(theirs);
    SetWindowTextA(page.Editor(), "0.0.0.0 ads.example # edited\n127.0.0.1\ttracker.example\n");
    Command(page, IDC_SAVE);
    EXPECT_EQ(0u, page.messages.back().find("host表未保存：Host表已被其他程序修改"));
    EXPECT_EQ(theirs, hosts.Text());
    EXPECT_EQ("0.0.0.0 other.example\n0.0.0.0 ads.example # edited\n127.0.0.1\ttracker.example\n",
              WithoutCr(page.EditorText()));
}

// Every save keeps the file it replaces: the last ten, and the very first
// HOSTS for good. "恢复" loads a chosen one into the editor; saving it keeps
// the file it replaces in turn, so a restore can be undone.
TEST_F(HostsPageTest, SavesKeepBackupsAndAChosenOneComesBack) {
    RemoveBackups();
    ASSERT_NE(nullptr, Show(kHosts));
    for (int i = 0; i < 12; ++i) {
        TypeAtEnd(page, "0.0.0.0 save" + std::to_string(i) + ".example\r");
        Command(page, IDC_SAVE);
    }
    const std::vector<HostsBackup> backups = HostsBackups().List();
    ASSERT_EQ(HostsBackups::kKeep + 1, backups.size());
    EXPECT_TRUE(backups.back().original);
    EXPECT_EQ(kHosts, ReadWholeFile(backups.back().path));
    EXPECT_NE(std::string::npos, ReadWholeFile(backups.front().path).find("save10.example"));
    EXPECT_EQ(std::string::npos, ReadWholeFile(backups.front().path).find("save11.example"));

    page.restoreChoice = static_cast<int>(backups.size()) - 1;
    Command(page, IDC_LINK_RESTORE);
    ASSERT_EQ(backups.size(), page.restoreItems.size());
    EXPECT_NE(std::string::npos, page.restoreItems.back().time.find("最初的Host表"));
    EXPECT_EQ("2条", page.restoreItems.back().entries);
    EXPECT_EQ("0.0.0.0 ads.example\n127.0.0.1\ttracker.example\n", WithoutCr(page.EditorText()));
    const std::string beforeRestore = hosts.Text();
    EXPECT_NE(std::string::npos, beforeRestore.find("save11.example"));  // loaded, not yet saved

    Command(page, IDC_SAVE);
    EXPECT_EQ(kHosts, hosts.Text());
    EXPECT_EQ(beforeRestore, ReadWholeFile(HostsBackups().List().front().path));
    RemoveBackups();
}

// Only the maker's names come out of HOSTS, which is written back without
// them; the page says so in a line of its own. A read-only HOSTS stays as
// it is, shown all the same, and the line says why.
TEST_F(HostsPageTest, TheMakersNamesAreTakenOutOfHosts) {
    const std::string maker = std::string("www.") + kProtectedDomain1;
    const std::string blocking = std::string(kHosts) + "0.0.0.0 a.example " + maker + "\r\n0.0.0.0 " +
                                 maker + "\r\n0.0.0.0 my" + kProtectedDomain1 + "\r\n";
    const std::string cleaned =
        std::string(kHosts) + "0.0.0.0 a.example\r\n0.0.0.0 my" + kProtectedDomain1 + "\r\n";
    ASSERT_NE(nullptr, Show(kHosts));
    for (bool readOnly : {true, false}) {
        hosts.Replace(blocking);
        if (readOnly) SetFileAttributesA(hosts.Path().c_str(), FILE_ATTRIBUTE_READONLY);
        page.LoadHostsFile();
        SetFileAttributesA(hosts.Path().c_str(), FILE_ATTRIBUTE_NORMAL);
        EXPECT_EQ(WithoutCr(cleaned.substr(std::string(kHead).size())), WithoutCr(page.EditorText()));
        EXPECT_EQ(readOnly ? blocking : cleaned, hosts.Text()) << readOnly;
        EXPECT_EQ(readOnly ? "未能解除对本软件网站的屏蔽：文件为只读" : "已解除Host表对本软件网站的2处屏蔽",
                  page.Notice());
        EXPECT_TRUE(IsWindowVisible(GetDlgItem(page.Hwnd(), IDC_HOSTS_STATUS)));
    }
    EXPECT_TRUE(page.messages.empty());
}

// "这个域名来自哪里？" names the update site whose list brought a name, the
// lines of the user's own that block it, or says that nothing does.
TEST_F(HostsPageTest, WhereANameComesFromIsTheListOrTheUsersLine) {
    const std::string list = "http://lists.example/hosts.txt";
    ListSourcesFile().Edit([&](ListSources& sources) {
        sources = ListSources();
        ListSource& source = sources.Get(list);
        source.listed = {NameHash("listed.example")};
        source.brought = source.listed;
        return true;
    });
    ASSERT_NE(nullptr, Show(kHosts));
    hosts.Replace(std::string(kHosts) + "0.0.0.0 other.example listed.example\r\n10.0.0.5 NAS.example\r\n");
    page.LoadHostsFile();
    // Lines in the editor: ads, tracker, other+listed, nas.
    const std::string shown = WithoutCr(page.EditorText());
    struct Row {
        const char* name;  // as the editor shows it
        std::string answer;
    };
    const Row rows[] = {
        {"listed.example", "listed.example被以下位置屏蔽：\r\n升级站点的列表：" + list},
        {"ads.example", "ads.example被以下位置屏蔽：\r\n您自己写的Host表第3行"},
        {"NAS.example", "nas.example没有被Host表屏蔽。\r\nHost表第6行把它指向10.0.0.5"},
    };
    for (const Row& row : rows) {
        const LONG at = LONG(shown.find(row.name));
        page.messages.clear();
        page.MenuAtSelection(at + 2, at + 2, 1);
        EXPECT_EQ((std::vector<bool>{true, true}), page.menuEnabled) << row.name;
        EXPECT_EQ(std::vector<std::string>{row.answer}, page.messages) << row.name;
    }
    // On the address: no name, nothing to ask.
    page.MenuAtSelection(1, 1, 1);
    EXPECT_EQ((std::vector<bool>{false, false}), page.menuEnabled);
    RemoveFileBesideProgram("lists.dat");
}

// "加入例外站点": the name joins the exceptions and leaves HOSTS and the
// editor at once; the other names of its line stay blocked.
TEST_F(HostsPageTest, AllowingANameTakesOutOnlyThatName) {
    ASSERT_TRUE(SettingsStore().SetExceptionText("kept.example"));
    ASSERT_NE(nullptr, Show(kHosts));
    hosts.Replace(std::string(kHosts) + "0.0.0.0 other.example c.needed.example\r\n");
    page.LoadHostsFile();
    const std::string shown = WithoutCr(page.EditorText());
    const LONG at = LONG(shown.find("c.needed.example"));
    page.MenuAtSelection(at, at + 16, 2);
    EXPECT_EQ(std::string(kHosts) + "0.0.0.0 other.example\r\n", hosts.Text());
    EXPECT_EQ("kept.example\r\nc.needed.example", SettingsStore().GetExceptionText());
    EXPECT_EQ(std::vector<std::string>{"例外站点已保存，已从Host表中移除1行。"}, page.messages);
    EXPECT_EQ(std::string::npos, page.EditorText().find("c.needed.example"));
    SettingsStore().SetExceptionText("");
}

// Every way a pause ends gives back HOSTS as it was before the pause, with
// what the user saved meanwhile. (The program's exit, a start after it was
// killed and the unattended update are the app tests'.)
TEST_F(HostsPageTest, APauseEndsWithTheFileAsItWasAndWhatWasSaved) {
    const std::string before = std::string(kHosts) + "10.0.0.5 nas.example\r\n0.0.0.0 last.example\r\n";
    const std::string paused = std::string(kHead) + "10.0.0.5 nas.example\r\n";
    const std::function<void()> endings[] = {
        [&] { Command(page, IDC_LINK_PAUSE); },
        [&] {
            page.later = 11 * 60 * 10000000ull;  // eleven minutes on
            SendMessageA(page.Hwnd(), WM_TIMER, 2, 0);
        },
    };
    ASSERT_NE(nullptr, Show(kHosts));
    for (const auto& end : endings) {
        hosts.Replace(before);
        page.LoadHostsFile();
        page.later = 0;
        page.pauseMinutes = 10;
        Command(page, IDC_LINK_PAUSE);
        EXPECT_EQ(paused, hosts.Text());
        EXPECT_EQ("恢复拦截（剩余10分钟）", ItemText(page.Hwnd(), IDC_LINK_PAUSE));
        TypeAtEnd(page, "0.0.0.0 typed.example\r");
        Command(page, IDC_SAVE);
        end();
        EXPECT_EQ(before + "0.0.0.0 typed.example\r\n", hosts.Text());
        EXPECT_EQ("暂停拦截", ItemText(page.Hwnd(), IDC_LINK_PAUSE));
        EXPECT_FALSE(HostsPause().Exists());
    }
}

// "整理Host表" says how many lines it saves before anything happens; then
// each run of single-name blocking lines goes nine names a line where it
// stood, after a backup. Lines with a remark or another address stay.
TEST_F(HostsPageTest, CompactingSaysWhatItSavesAndKeepsABackup) {
    RemoveBackups();
    std::string file = kHead;
    std::string compacted = std::string(kHead) + "0.0.0.0";
    for (int i = 0; i < 11; ++i) {
        const std::string name = " n" + std::to_string(i) + ".example";
        file += (i % 2 ? "127.0.0.1" : "0.0.0.0") + name + "\r\n";
        compacted += (i == 9 ? "\r\n0.0.0.0" : "") + name;
    }
    const std::string tail = "0.0.0.0 kept.example # mine\r\n10.0.0.1 nas.example\r\n:: v6.example\r\n";
    file += tail;
    compacted += "\r\n" + tail;
    ASSERT_NE(nullptr, Show(kHosts));
    hosts.Replace(file);
    page.LoadHostsFile();

    Command(page, IDC_LINK_COMPACT);
    EXPECT_EQ((std::vector<std::pair<size_t, size_t>>{{9, 12}}), page.compactAsked);
    EXPECT_EQ(file, hosts.Text());
    page.compact = true;
    Command(page, IDC_LINK_COMPACT);
    EXPECT_EQ(compacted, hosts.Text());
    EXPECT_EQ(file, ReadWholeFile(HostsBackups().List().front().path));
    EXPECT_EQ("已整理Host表，减少了9行。", page.messages.back());
    EXPECT_EQ(WithoutCr(compacted.substr(std::string(kHead).size())), WithoutCr(page.EditorText()));

    Command(page, IDC_LINK_COMPACT);
    EXPECT_EQ("Host表中没有可以合并的单个域名屏蔽行。", page.messages.back());
    RemoveBackups();
}

TEST_F(HostsPageTest, ImportAddsOnlyNewNamesAndLeavesHostsAlone) {
    ASSERT_NE(nullptr, Show(kHosts));
    const std::string folder = ScratchFolder("import");
    page.importPath = folder + "\\list.txt";
    WriteWholeFile(page.importPath,
                   "# their own comment\r\n"
                   "127.0.0.1 localhost\r\n"
                   "0.0.0.0 ADS.EXAMPLE\r\n"          // known, in another case
                   "10.0.0.1 tracker.example\r\n"     // known, under another address
                   "0.0.0.0 New-one.example\r\n"
                   "127.0.0.1\tnew-one.example\r\n"   // twice in the list: both come
                   "0.0.0.0 new-two.example\n");

    Command(page, IDC_LINK_IMPORT);
    const std::string shown = WithoutCr(page.EditorText());
    EXPECT_EQ("0.0.0.0 ads.example\n127.0.0.1\ttracker.example\n"
              "0.0.0.0         New-one.example\n127.0.0.1       new-one.example\n"
              "0.0.0.0         new-two.example\n",
              shown);
    EXPECT_EQ(kHosts, hosts.Text());  // only a save writes HOSTS
    EXPECT_TRUE(page.messages.empty());

    // The same list again brings nothing new.
    Command(page, IDC_LINK_IMPORT);
    EXPECT_EQ(shown, WithoutCr(page.EditorText()));

    // A remark the user typed is saved where it stands, and no longer shown.
    TypeAtEnd(page, "# mine\r");
    Command(page, IDC_SAVE);
    EXPECT_EQ(WithCrLf(std::string(kHosts) + shown.substr(shown.find("0.0.0.0         N")) + "# mine\n"),
              hosts.Text());
    EXPECT_EQ(shown, WithoutCr(page.EditorText()));
}

TEST_F(HostsPageTest, ExportWritesTheFileAsASaveWouldToTheChosenFile) {
    ASSERT_NE(nullptr, Show(kHosts));
    const std::string folder = ScratchFolder("export");
    page.exportPath = folder + "\\host.txt";
    WriteWholeFile(page.exportPath, std::string(100000, 'x'));  // an older, longer export

    TypeAtEnd(page, "0.0.0.0 exported.example\r");
    Command(page, IDC_LINK_EXPORT);
    EXPECT_EQ(std::string(kHosts) + "0.0.0.0 exported.example\r\n", ReadWholeFile(page.exportPath));
    EXPECT_EQ(kHosts, hosts.Text());
    EXPECT_TRUE(page.messages.empty());

    // Cancelled: nothing is written anywhere.
    page.exportPath.clear();
    const std::string before = ReadWholeFile(folder + "\\host.txt");
    TypeAtEnd(page, "0.0.0.0 not-exported.example\r");
    Command(page, IDC_LINK_EXPORT);
    EXPECT_EQ(before, ReadWholeFile(folder + "\\host.txt"));
}

// Far past the control's default 32K characters, and arriving when the
// editor already holds text, as after an update.
TEST_F(HostsPageTest, AMegabyteHostsIsShownAndSavedWhole) {
    const std::string list = ReadWholeFile(std::string(std::getenv("SITEMOAT_TEST_DATA")) +
                                           "anudeep-adservers.hosts");
    ASSERT_GT(list.size(), 1000000u);
    ASSERT_NE(nullptr, Show(kHosts));
    SetFocus(page.Editor());

    hosts.Replace(std::string(kHead) + list);
    page.RefillEditor(hosts.Text());
    ASSERT_TRUE(WaitFor([&] { return !page.IsFilling(); }, 120000));
    const std::string shown = page.EditorText();
    EXPECT_GT(shown.size(), 1000000u);
    EXPECT_EQ(0u, shown.find("0.0.0.0 "));

    // One editor, found under its id, with focus, its scroll bar, and the
    // first line in view.
    HWND editor = page.Editor();
    EXPECT_EQ(editor, GetDlgItem(page.Hwnd(), IDC_HOSTS_EDITOR));
    PumpMessages(50);
    EXPECT_EQ(1, EditorCount(page.Hwnd()));
    EXPECT_EQ(editor, GetFocus());
    EXPECT_TRUE(GetWindowLongA(editor, GWL_STYLE) & WS_VSCROLL);
    EXPECT_EQ(0, SendMessageA(editor, EM_GETFIRSTVISIBLELINE, 0, 0));
    EXPECT_EQ(0, GetScrollPos(editor, SB_VERT));

    // Every line came back from the editor as it went in: nothing to write.
    Command(page, IDC_SAVE);
    EXPECT_TRUE(std::string(kHead) + list == hosts.Text());
    EXPECT_EQ(std::vector<std::string>{kSaved}, page.messages);
    // The first line deleted, the last one edited, as keys would do it:
    // only those lines change.
    const auto replaceLine = [&](LRESULT line, const char* text) {
        const LRESULT start = SendMessageA(editor, EM_LINEINDEX, line, 0);
        const LRESULT end = line == 0 ? SendMessageA(editor, EM_LINEINDEX, 1, 0)
                                      : start + SendMessageA(editor, EM_LINELENGTH, start, 0);
        CHARRANGE range{LONG(start), LONG(end)};
        SendMessageA(editor, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
        SendMessageA(editor, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text));
    };
    const std::string plain = WithoutCr(shown);
    const std::string firstLine = plain.substr(0, plain.find('\n') + 1);
    const size_t last = plain.rfind('\n', plain.size() - 2) + 1;
    const std::string lastLine = plain.substr(last, plain.size() - last - 1);
    replaceLine(SendMessageA(editor, EM_GETLINECOUNT, 0, 0) - 2, "0.0.0.0 edited.example");
    replaceLine(0, "");
    Command(page, IDC_SAVE);
    std::string expected = std::string(kHead) + list;
    expected.erase(expected.find(firstLine), firstLine.size());
    expected.replace(expected.rfind(lastLine), lastLine.size(), "0.0.0.0 edited.example");
    EXPECT_TRUE(expected == hosts.Text());
}

// Clicked while the editor holds only the first lines of a long text, a
// save and an export write every entry; what is typed meanwhile waits, and
// the page answers at once all along, saying how far it has got.
TEST_F(HostsPageTest, ASaveDuringALongFillWritesEveryEntryAndThePageKeepsAnswering) {
    ASSERT_NE(nullptr, Show(kHosts));
    const std::string entries = ManyEntries(200000);
    const std::string first = "0.0.0.0 host0.example\r\n";
    const std::string last = "0.0.0.0 host199999.example\r\n";
    hosts.Replace(std::string(kHead) + WithCrLf(entries));
    page.RefillEditor(hosts.Text());
    ASSERT_TRUE(page.IsFilling());
    TypeAtEnd(page, "x");

    // The editor holds a few lines only: had the save read them, it would
    // have deleted all the others.
    page.exportPath = ScratchFolder("export-while-filling") + "\\host.txt";
    Command(page, IDC_SAVE);
    Command(page, IDC_LINK_EXPORT);
    EXPECT_TRUE(page.IsFilling());
    EXPECT_EQ(std::vector<std::string>{kSaved}, page.messages);
    const std::string saved = hosts.Text();
    EXPECT_EQ(first, saved.substr(std::string(kHead).size(), first.size()));
    EXPECT_EQ(last, saved.substr(saved.size() - last.size()));
    EXPECT_TRUE(saved == std::string(kHead) + WithCrLf(entries));
    EXPECT_TRUE(ReadWholeFile(page.exportPath) == saved);

    HWND progress = GetDlgItem(page.Hwnd(), IDC_HOSTS_STATUS);
    ResponseProbe probe(page.Hwnd());
    EXPECT_TRUE(WaitForEachMessage([&] { return IsWindowVisible(progress) != FALSE; }, 5000));
    EXPECT_EQ(0u, ItemText(page.Hwnd(), IDC_HOSTS_STATUS).find("正在载入Host表… "));
    EXPECT_TRUE(WaitFor([&] { return !page.IsFilling(); }, 300000));
    probe.Stop();
    EXPECT_GT(probe.Answered(), 0);
    EXPECT_LT(probe.LongestWaitMs(), 100.0);
    EXPECT_FALSE(IsWindowVisible(progress));
    EXPECT_TRUE(WithoutCr(page.EditorText()) == entries);
    EXPECT_FALSE(GetWindowLongA(page.Editor(), GWL_STYLE) & ES_READONLY);
}

// An import while a fill runs adds to the whole text, and its own fill
// takes the place of the first one.
TEST_F(HostsPageTest, AnImportDuringAFillMergesIntoTheWholeText) {
    ASSERT_NE(nullptr, Show(kHosts));
    const std::string entries = ManyEntries(20000);
    page.importPath = ScratchFolder("import-while-filling") + "\\list.txt";
    WriteWholeFile(page.importPath, "0.0.0.0 host19999.example\r\n0.0.0.0 imported.example\r\n");
    hosts.Replace(std::string(kHead) + entries);
    page.RefillEditor(hosts.Text());
    ASSERT_TRUE(page.IsFilling());

    Command(page, IDC_LINK_IMPORT);
    EXPECT_TRUE(WaitFor([&] { return !page.IsFilling(); }, 60000));
    EXPECT_TRUE(WithoutCr(page.EditorText()) == entries + "0.0.0.0         imported.example\n");
    EXPECT_EQ(1, EditorCount(page.Hwnd()));
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(page.Hwnd(), IDC_HOSTS_STATUS)));
}

TEST_F(HostsPageTest, LinksOpenTheGuideAndTheSharingPageAndTheEditorHasAGreyOutline) {
    ASSERT_NE(nullptr, Show(kHosts));
    const int links[] = {IDC_LINK_HELP, IDC_LINK_SHARE};
    for (size_t i = 0; i < 2; ++i) {
        HWND link = GetDlgItem(page.Hwnd(), links[i]);
        ASSERT_NE(nullptr, link) << links[i];
        ClickAt(link, 2, 2);
        EXPECT_TRUE(WaitFor([&] { return page.opened.size() > i; }, 5000)) << links[i];
    }
    EXPECT_EQ((std::vector<std::string>{MakerUrl("/host/hosthelp.html"), MakerUrl("/3310731.html")}),
              page.opened);

    RECT outline = RectInParent(page.Editor());
    InflateRect(&outline, 1, 1);
    const PixelCapture painted = PixelCapture::OfClient(page.Hwnd());
    const COLORREF grey = RGB(128, 128, 128);
    const int midX = (outline.left + outline.right) / 2;
    const int midY = (outline.top + outline.bottom) / 2;
    EXPECT_EQ(grey, painted.At(outline.left, midY));
    EXPECT_EQ(grey, painted.At(outline.right - 1, midY));
    EXPECT_EQ(grey, painted.At(midX, outline.top));
    EXPECT_EQ(grey, painted.At(midX, outline.bottom - 1));
    EXPECT_EQ(RGB(255, 255, 255), painted.At(outline.left - 1, midY));
}

// The scroll bar comes while the editor is filled with drawing off; it must
// be drawn all the same, on the first fill and on a refill alike. The fresh
// editor of a refill shows the text in the template's font, as the first.
TEST_F(HostsPageTest, TheScrollBarIsDrawnOnceTheTextOutgrowsTheEditor) {
    const std::string list = ReadWholeFile(std::string(std::getenv("SITEMOAT_TEST_DATA")) +
                                           "anudeep-coinminer.hosts");
    ASSERT_NE(nullptr, Show(std::string(kHead) + list));
    const auto fontOf = [](HWND editor) {
        CHARFORMATA format{};
        format.cbSize = sizeof format;
        format.dwMask = CFM_SIZE | CFM_FACE;
        SendMessageA(editor, EM_GETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format));
        return std::to_string(format.yHeight) + " " + format.szFaceName;
    };
    const std::string font = fontOf(page.Editor());
    for (int fill = 0; fill < 2; ++fill) {
        if (fill == 1) {
            page.RefillEditor(kHosts);
            page.RefillEditor(std::string(kHead) + list);
            EXPECT_EQ(font, fontOf(page.Editor()));
        }
        WaitFor([&] { return !page.IsFilling(); }, 60000);
        PumpMessages(100);
        HWND editor = page.Editor();
        RECT bar = RectInParent(editor);
        bar.left = bar.right - GetSystemMetrics(SM_CXVSCROLL) - 1;
        const PixelCapture shown = PixelCapture::OfTree(page.Hwnd());
        const int barPixels = (bar.right - bar.left) * (bar.bottom - bar.top);
        EXPECT_LT(shown.Count(bar, RGB(255, 255, 255)), barPixels * 3 / 4) << "fill " << fill;
    }
}

}  // namespace
