#include <windows.h>
#include <richedit.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "PagesTestSupport.h"
#include "PixelCapture.h"
#include "SitemoatConfig.h"
#include "UserActions.h"
#include "pages/HostsPage.h"
#include "res/resource.h"
#include "tests/support/ProgramFiles.h"

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

protected:
    bool AskImportPath(std::string& path) override {
        path = importPath;
        return !path.empty();
    }
    bool AskExportPath(std::string& path) override {
        path = exportPath;
        return !path.empty();
    }
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    bool Open(const std::string& address) override {
        opened.push_back(address);
        return true;
    }
};

// The page shows, and saves, every line in lower case.
std::string Lower(std::string text) {
    if (!text.empty()) CharLowerBuffA(&text[0], static_cast<DWORD>(text.size()));
    return text;
}

std::string WithoutCr(std::string text) {
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    return text;
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

std::vector<std::string> SortedLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) lines.push_back(line);
        start = end + 1;
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

TEST_F(HostsPageTest, ShowsTheEntriesAndSavesTheHeadWithWhatWasTyped) {
    ASSERT_NE(nullptr, Show(kHosts));
    EXPECT_EQ(Lower(WithoutCr(kHead)), WithoutCr(page.HostsHead()));
    EXPECT_EQ("0.0.0.0 ads.example\n127.0.0.1\ttracker.example\n", WithoutCr(page.EditorText()));

    TypeAtEnd(page, "127.0.0.1 typed.example\r");
    Command(page, IDC_SAVE);
    EXPECT_EQ(Lower(WithoutCr(kHead)) +
                  "0.0.0.0 ads.example\n127.0.0.1\ttracker.example\n127.0.0.1 typed.example\n",
              WithoutCr(hosts.Text()));
    EXPECT_EQ(page.HostsHead() + page.EditorText(), hosts.Text());
    EXPECT_EQ(std::vector<std::string>{kSaved}, page.messages);

    // Everything deleted: the head stays, and the user is told.
    SetWindowTextA(page.Editor(), "");
    Command(page, IDC_SAVE);
    EXPECT_EQ(Lower(WithoutCr(kHead)), WithoutCr(hosts.Text()));
    EXPECT_EQ((std::vector<std::string>{kSaved, kSaved}), page.messages);
}

// A save that cannot write says nothing: the user must not believe the
// file holds what it does not.
TEST_F(HostsPageTest, FailedSaveOfAReadOnlyHostsSaysNothing) {
    ASSERT_NE(nullptr, Show(kHosts));
    ASSERT_TRUE(SetFileAttributesA(hosts.Path().c_str(), FILE_ATTRIBUTE_READONLY));
    TypeAtEnd(page, "0.0.0.0 lost.example\r");
    Command(page, IDC_SAVE);
    SetFileAttributesA(hosts.Path().c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(kHosts, hosts.Text());
    EXPECT_TRUE(page.messages.empty());
    EXPECT_NE(std::string::npos, page.EditorText().find("lost.example"));  // still there to retry
}

TEST_F(HostsPageTest, ImportAddsOnlyNewNamesAndLeavesHostsAndItsHeadAlone) {
    ASSERT_NE(nullptr, Show(kHosts));
    const std::string folder = ScratchFolder("import");
    page.importPath = folder + "\\list.txt";
    WriteWholeFile(page.importPath,
                   "# their own comment\r\n"
                   "127.0.0.1 localhost\r\n"
                   "0.0.0.0 ADS.EXAMPLE\r\n"          // known, in another case
                   "10.0.0.1 tracker.example\r\n"     // known, under another address
                   "0.0.0.0 new-one.example\r\n"
                   "127.0.0.1\tnew-one.example\r\n"   // twice in the list: both come
                   "0.0.0.0 new-two.example\n");

    Command(page, IDC_LINK_IMPORT);
    const std::string shown = WithoutCr(page.EditorText());
    EXPECT_EQ("0.0.0.0 ads.example\n127.0.0.1\ttracker.example\n"
              "0.0.0.0         new-one.example\n127.0.0.1       new-one.example\n"
              "0.0.0.0         new-two.example\n",
              shown);
    EXPECT_EQ(Lower(WithoutCr(kHead)), WithoutCr(page.HostsHead()));
    EXPECT_EQ(kHosts, hosts.Text());  // only a save writes HOSTS
    EXPECT_TRUE(page.messages.empty());

    // The same list again brings nothing new.
    Command(page, IDC_LINK_IMPORT);
    EXPECT_EQ(shown, WithoutCr(page.EditorText()));

    // A comment the user typed is not an entry: it goes to the head.
    TypeAtEnd(page, "# mine\r");
    Command(page, IDC_LINK_IMPORT);
    EXPECT_EQ(shown, WithoutCr(page.EditorText()));
    EXPECT_EQ(Lower(WithoutCr(kHead)) + "# mine\n", WithoutCr(page.HostsHead()));

    Command(page, IDC_SAVE);
    EXPECT_EQ(Lower(WithoutCr(kHead)) + "# mine\n" + shown, WithoutCr(hosts.Text()));
}

TEST_F(HostsPageTest, ExportWritesTheHeadAndTheTextToTheChosenFile) {
    ASSERT_NE(nullptr, Show(kHosts));
    const std::string folder = ScratchFolder("export");
    page.exportPath = folder + "\\host.txt";
    WriteWholeFile(page.exportPath, std::string(100000, 'x'));  // an older, longer export

    TypeAtEnd(page, "0.0.0.0 exported.example\r");
    Command(page, IDC_LINK_EXPORT);
    EXPECT_EQ(page.HostsHead() + page.EditorText(), ReadWholeFile(page.exportPath));
    EXPECT_NE(std::string::npos, ReadWholeFile(page.exportPath).find("exported.example"));
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
    EXPECT_EQ(SortedLines(Lower(std::string(kHead) + list)),
              SortedLines(page.HostsHead() + page.EditorText()));
    EXPECT_GT(page.EditorText().size(), 1000000u);

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

    Command(page, IDC_SAVE);
    EXPECT_EQ(page.HostsHead() + page.EditorText(), hosts.Text());
    EXPECT_EQ(SortedLines(Lower(std::string(kHead) + list)), SortedLines(hosts.Text()));
    EXPECT_EQ(std::vector<std::string>{kSaved}, page.messages);
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
// be drawn all the same, on the first fill and on a refill alike.
TEST_F(HostsPageTest, TheScrollBarIsDrawnOnceTheTextOutgrowsTheEditor) {
    const std::string list = ReadWholeFile(std::string(std::getenv("SITEMOAT_TEST_DATA")) +
                                           "anudeep-coinminer.hosts");
    ASSERT_NE(nullptr, Show(std::string(kHead) + list));
    for (int fill = 0; fill < 2; ++fill) {
        if (fill == 1) {
            page.RefillEditor(kHosts);
            page.RefillEditor(std::string(kHead) + list);
        }
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
