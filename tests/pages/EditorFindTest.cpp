#include <windows.h>
#include <commdlg.h>
#include <dlgs.h>
#include <richedit.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "PagesTestSupport.h"
#include "UserActions.h"
#include "base/TextCodec.h"
#include "pages/HostsPage.h"
#include "tests/support/ProgramFiles.h"
#include "win/WindowText.h"

namespace {

constexpr char kHead[] = "127.0.0.1 localhost\r\n";

class FindPage : public HostsPage {
public:
    std::vector<std::string> messages;

protected:
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
};

// EM_GETSELTEXT and EM_GETTEXTRANGE give a double-byte character one byte
// under Wine; EM_GETTEXTEX gives it whole.
std::string TextOf(HWND editor, DWORD which) {
    std::string text(4096, '\0');
    GETTEXTEX ask{DWORD(text.size()), which, CP_ACP, nullptr, nullptr};
    text.resize(size_t(SendMessageA(editor, EM_GETTEXTEX, WPARAM(&ask), LPARAM(&text[0]))));
    return text;
}

std::string Selected(HWND editor) {
    return TextOf(editor, GT_SELECTION);
}

CHARRANGE Selection(HWND editor) {
    CHARRANGE range{};
    SendMessageA(editor, EM_EXGETSEL, 0, LPARAM(&range));
    return range;
}

LRESULT SelectedLine(HWND editor) {
    return SendMessageA(editor, EM_EXLINEFROMCHAR, 0, Selection(editor).cpMin);
}

// The selection's first and last characters lie in the editor's client area.
bool SelectionInView(HWND editor) {
    RECT client{};
    GetClientRect(editor, &client);
    const CHARRANGE selection = Selection(editor);
    for (LONG at : {selection.cpMin, selection.cpMax - 1}) {
        POINTL point{};
        SendMessageA(editor, EM_POSFROMCHAR, WPARAM(&point), at);
        if (!PtInRect(&client, POINT{point.x, point.y})) return false;
    }
    return true;
}

void Select(HWND editor, LONG start, LONG end) {
    CHARRANGE range{start, end};
    SendMessageA(editor, EM_EXSETSEL, 0, LPARAM(&range));
}

// As the Find dialog asks its owner.
void AskFind(const HostsPage& page, const std::string& what, DWORD options) {
    std::string buffer = what;
    FINDREPLACEA request{};
    request.lStructSize = sizeof request;
    request.hwndOwner = page.Hwnd();
    request.Flags = FR_FINDNEXT | options;
    request.lpstrFindWhat = &buffer[0];
    request.wFindWhatLen = WORD(buffer.size() + 1);
    SendMessageA(page.Hwnd(), RegisterWindowMessageA(FINDMSGSTRINGA), 0, LPARAM(&request));
}

// A key pressed in the editor with Ctrl and Shift as given.
void PressKey(HWND editor, WPARAM key, bool control = false, bool shift = false) {
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    BYTE pressed[256];
    CopyMemory(pressed, keys, sizeof keys);
    pressed[VK_CONTROL] = control ? 0x80 : 0;
    pressed[VK_SHIFT] = shift ? 0x80 : 0;
    SetKeyboardState(pressed);
    SendMessageA(editor, WM_KEYDOWN, key, 1);
    SetKeyboardState(keys);
}

BOOL CALLBACK CollectOwned(HWND hwnd, LPARAM param) {
    auto* found = reinterpret_cast<std::vector<HWND>*>(param);
    if (GetWindow(hwnd, GW_OWNER) == found->front() && GetDlgItem(hwnd, edt1)) found->push_back(hwnd);
    return TRUE;
}

// The Find dialog owned by the window, or null.
HWND FindDialogOf(HWND owner) {
    std::vector<HWND> found{owner};
    EnumThreadWindows(GetCurrentThreadId(), CollectOwned, LPARAM(&found));
    return found.size() == 2 ? found[1] : nullptr;
}

class EditorFindTest : public ::testing::Test {
protected:
    void Show() {
        ASSERT_NE(nullptr, parent.Place(page));
        ASSERT_NE(nullptr, page.Editor());
        ShowWindow(parent.Hwnd(), SW_SHOWNA);
    }

    HostsFileScope hosts{kHead};
    FindPage page;
    PageParent parent;
};

// What the find's positions rest on, measured here: the editor counts one
// position a UTF-16 character of the text it was given, a double-byte
// character one, and keeps CR LF (two), a lone LF and a lone CR as they
// come, typed, set or appended as the fill appends.
TEST_F(EditorFindTest, TheEditorCountsAPositionACharacterAndKeepsLineEndsAsGiven) {
    Show();
    const std::string text = "a\r\nb\n中c\r广告\r\nd";
    const std::wstring wide = AnsiToWide(text);
    HWND editor = page.Editor();
    for (bool appended : {false, true}) {
        SetWindowTextA(editor, appended ? "" : text.c_str());
        if (appended) SendMessageA(editor, EM_REPLACESEL, FALSE, LPARAM(text.c_str()));
        EXPECT_EQ(text, TextOf(editor, GT_DEFAULT)) << appended;
        for (size_t i = 0; i < wide.size(); ++i) {
            const size_t end = wide.compare(i, 2, L"\r\n") == 0 ? i + 2 : i + 1;
            Select(editor, LONG(i), LONG(end));
            EXPECT_EQ(WideToAnsi(wide.substr(i, end - i)), Selected(editor)) << appended << " " << i;
            i = end - 1;
        }
    }
    // Enter typed makes CR LF.
    Select(editor, 1, 1);
    SendMessageA(editor, WM_CHAR, '\r', 0);
    EXPECT_EQ("a\r\n\r\nb\n中c\r广告\r\nd", TextOf(editor, GT_DEFAULT));
    Select(editor, 3, 5);
    EXPECT_EQ("\r\n", Selected(editor));
}

// Found past what the editor holds: the fill goes on at its pace, the
// window answering, and once it is there the name and nothing else is
// selected, in view, and stays so. Chinese remarks on the way shift no
// position.
TEST_F(EditorFindTest, ANameNearTheEndIsFoundWhileTheEditorFills) {
    Show();
    std::string entries;
    for (int i = 0; i < 200000; ++i) {
        entries += "0.0.0.0 host" + std::to_string(i) + ".example" + (i % 100 ? "" : " # 广告") + "\r\n";
    }
    page.RefillEditor(kHead + entries);
    ASSERT_TRUE(page.IsFilling());
    HWND editor = page.Editor();

    AskFind(page, "HOST199990.example", FR_DOWN);
    // Answered at once: the editor does not hold the name yet.
    EXPECT_LT(SendMessageA(editor, EM_GETLINECOUNT, 0, 0), 199000);
    ASSERT_TRUE(WaitFor([&] { return Selected(editor) == "host199990.example"; }, 300000));
    EXPECT_TRUE(page.messages.empty());
    EXPECT_TRUE(SelectionInView(editor));
    const LRESULT line = SelectedLine(editor);
    EXPECT_GT(line, 199000);

    ASSERT_TRUE(WaitFor([&] { return !page.IsFilling(); }, 300000));
    EXPECT_EQ("host199990.example", Selected(editor));
    EXPECT_EQ(line, SelectedLine(editor));
    EXPECT_TRUE(SelectionInView(editor));

    // Up, whole word: the one a remark follows, 90 lines before.
    AskFind(page, "host199900.example", FR_WHOLEWORD);
    EXPECT_EQ("host199900.example", Selected(editor));
    EXPECT_EQ(line - 90, SelectedLine(editor));
    EXPECT_TRUE(SelectionInView(editor));
    EXPECT_TRUE(page.messages.empty());
}

// Each row goes on from where the row before left the selection.
TEST_F(EditorFindTest, NextPreviousMatchCaseWholeWordAndNotFound) {
    enum class Ask { Dialog, F3, ShiftF3 };
    struct Row {
        const char* what;
        Ask ask;
        DWORD options;  // FR_DOWN, FR_MATCHCASE, FR_WHOLEWORD, for the dialog
        std::string selected;
        LRESULT line;
        std::string message;
    };
    const std::string wrapped = "已查找到Host表末尾，从开头继续查找。";
    const Row rows[] = {
        {"ads", Ask::Dialog, FR_DOWN, "ads", 0, ""},
        {"", Ask::F3, 0, "Ads", 0, ""},
        {"", Ask::F3, 0, "ads", 1, ""},
        {"", Ask::ShiftF3, 0, "Ads", 0, ""},
        {"ADS", Ask::Dialog, FR_DOWN | FR_MATCHCASE, "ADS", 2, ""},
        {"ads", Ask::Dialog, FR_DOWN | FR_WHOLEWORD, "ads", 4, ""},
        {"", Ask::F3, 0, "ads", 0, wrapped},
        {"广告", Ask::Dialog, FR_DOWN, "广告", 0, ""},
        {"", Ask::F3, 0, "广告", 3, ""},
        {"nothing.example", Ask::Dialog, FR_DOWN, "广告", 3, "找不到“nothing.example”"},
        {"ADSL", Ask::Dialog, 0, "adsl", 1, ""},
        {"", Ask::ShiftF3, 0, "adsl", 1, wrapped},
        {"example # 广告", Ask::Dialog, FR_DOWN | FR_WHOLEWORD, "example # 广告", 3, ""},
    };
    Show();
    HWND editor = page.Editor();
    SetWindowTextA(editor,
                   "0.0.0.0 ads.example # 广告 Ads\r\n"
                   "0.0.0.0 adsl.example\n"
                   "127.0.0.1 中文.example ADS.example\r\n"
                   "0.0.0.0 my_ads.example # 广告\n"
                   "0.0.0.0 ads.example.cn\r\n");
    Select(editor, 0, 0);
    for (const Row& row : rows) {
        page.messages.clear();
        if (row.ask == Ask::Dialog) AskFind(page, row.what, row.options);
        if (row.ask != Ask::Dialog) PressKey(editor, VK_F3, false, row.ask == Ask::ShiftF3);
        const std::string what = row.what + std::string(" ") + std::to_string(int(row.ask));
        EXPECT_EQ(row.selected, Selected(editor)) << what;
        EXPECT_EQ(row.line, SelectedLine(editor)) << what;
        EXPECT_EQ(row.message, page.messages.empty() ? "" : page.messages.back()) << what;
        EXPECT_GE(1u, page.messages.size()) << what;
    }
}

// Ctrl+F opens the system's dialog with the selection in it; Enter and
// Escape work in it though no loop of the program knows it, and it goes
// with the page.
TEST_F(EditorFindTest, CtrlFOpensTheSystemsFindDialogWhoseKeysWorkAndWhichGoesWithThePage) {
    Show();
    HWND editor = page.Editor();
    SetWindowTextA(editor, "0.0.0.0 tracker.example\n0.0.0.0 ads.example # 广告\r\n");
    Select(editor, 8, 15);
    PressKey(editor, 'F', true);
    HWND dialog = FindDialogOf(parent.Hwnd());
    ASSERT_NE(nullptr, dialog);
    EXPECT_TRUE(IsWindowVisible(dialog));
    EXPECT_EQ("查找", WindowText(dialog));
    EXPECT_EQ("tracker", ItemText(dialog, edt1));
    EXPECT_EQ("0.0.0.0 tracker.example\n0.0.0.0 ads.example # 广告\r\n", TextOf(editor, GT_DEFAULT));

    HWND input = GetDlgItem(dialog, edt1);
    SetWindowTextA(input, "广告");
    PostMessageA(input, WM_KEYDOWN, VK_RETURN, 1);
    EXPECT_TRUE(WaitFor([&] { return Selected(editor) == "广告"; }));
    EXPECT_EQ(1, SelectedLine(editor));
    // F3 goes on with what the dialog asked; Ctrl+F again only comes back to it.
    PressKey(editor, VK_F3);
    EXPECT_EQ(std::vector<std::string>{"已查找到Host表末尾，从开头继续查找。"}, page.messages);
    PressKey(editor, 'F', true);
    EXPECT_EQ(dialog, FindDialogOf(parent.Hwnd()));
    EXPECT_EQ("广告", ItemText(dialog, edt1));

    PostMessageA(input, WM_KEYDOWN, VK_ESCAPE, 1);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(dialog); }));
    PressKey(editor, 'F', true);
    dialog = FindDialogOf(parent.Hwnd());
    ASSERT_NE(nullptr, dialog);
    DestroyWindow(page.Hwnd());
    EXPECT_FALSE(IsWindow(dialog));
}

}  // namespace
