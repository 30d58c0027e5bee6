#include <windows.h>
#include <richedit.h>

#include <gtest/gtest.h>

#include <string>

#include "PagesTestSupport.h"
#include "base/TextCodec.h"
#include "pages/HostsPage.h"
#include "tests/support/ProgramFiles.h"

namespace {

constexpr char kHead[] = "127.0.0.1 localhost\r\n";

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

void Select(HWND editor, LONG start, LONG end) {
    CHARRANGE range{start, end};
    SendMessageA(editor, EM_EXSETSEL, 0, LPARAM(&range));
}

class EditorFindTest : public ::testing::Test {
protected:
    void Show() {
        ASSERT_NE(nullptr, parent.Place(page));
        ASSERT_NE(nullptr, page.Editor());
        ShowWindow(parent.Hwnd(), SW_SHOWNA);
    }

    HostsFileScope hosts{kHead};
    HostsPage page;
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

}  // namespace
