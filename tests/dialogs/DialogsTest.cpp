#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "PixelCapture.h"
#include "UserActions.h"
#include "dialogs/AddSiteDialog.h"
#include "dialogs/ProgressDialog.h"
#include "dialogs/RestoreDialog.h"
#include "dialogs/TextDialog.h"
#include "res/resource.h"
#include "base/UniqueHandle.h"

namespace {

constexpr char kSaved[] = "host表保存成功！";
constexpr char kQuestionTitle[] = "TarvoZorvaSitemoat";

bool IsUp(const Dialog& dialog) {
    return dialog.Hwnd() && IsWindowVisible(dialog.Hwnd());
}

// A key as the keyboard delivers it: posted to the control with the focus,
// so the modal loop's dialog manager sees it first.
bool PressKey(const Dialog& dialog, WPARAM key) {
    HWND focus = GetFocus();
    if (!focus || (focus != dialog.Hwnd() && !IsChild(dialog.Hwnd(), focus))) return false;
    PostMessageA(focus, WM_KEYDOWN, key, 1);
    PostMessageA(focus, WM_KEYUP, key, 0xC0000001);
    return true;
}

bool Click(HWND dialog, int buttonId) {
    HWND button = GetDlgItem(dialog, buttonId);
    if (!button || !IsWindowEnabled(button)) return false;
    SendMessageA(button, BM_CLICK, 0, 0);
    return true;
}

UniqueKernelHandle MakeEvent() {
    return UniqueKernelHandle(CreateEventA(nullptr, TRUE, FALSE, nullptr));
}

bool IsSet(const UniqueKernelHandle& event) {
    return WaitForSingleObject(event.Get(), 0) == WAIT_OBJECT_0;
}

TEST(MessageDialogTest, ShowsItsTextAndEndsWithOneOnEnterAndOnEscape) {
    for (WPARAM key : {VK_RETURN, VK_ESCAPE}) {
        MessageDialog dialog(kSaved);
        std::string title, text;
        LoopScript press([&] {
            if (!IsUp(dialog)) return false;
            char caption[64] = {};
            GetWindowTextA(dialog.Hwnd(), caption, sizeof caption);
            title = caption;
            text = ItemText(dialog.Hwnd(), IDC_MESSAGE_TEXT);
            return PressKey(dialog, key);
        });
        EXPECT_EQ(1, dialog.Run()) << "key " << key;
        EXPECT_EQ("ZorvaSitemoat", title);
        EXPECT_EQ(kSaved, text);
        EXPECT_EQ(nullptr, dialog.Hwnd());
    }
}

TEST(ConfirmDialogTest, EnterAndUpgradeGiveOneNoUpgradeAndEscapeGiveTwo) {
    struct Case {
        const char* name;
        std::function<bool(ConfirmDialog&)> act;
        INT_PTR expected;
    };
    const Case cases[] = {
        {"Enter", [](ConfirmDialog& d) { return PressKey(d, VK_RETURN); }, 1},
        {"升级", [](ConfirmDialog& d) { return Click(d.Hwnd(), IDOK); }, 1},
        {"不升级", [](ConfirmDialog& d) { return Click(d.Hwnd(), IDCANCEL); }, 2},
        {"Escape", [](ConfirmDialog& d) { return PressKey(d, VK_ESCAPE); }, 2},
    };
    for (const Case& c : cases) {
        ConfirmDialog dialog(kUpdateQuestion);
        std::string text, yes, no;
        LoopScript answer([&] {
            if (!IsUp(dialog)) return false;
            text = ItemText(dialog.Hwnd(), IDC_MESSAGE_TEXT);
            yes = ItemText(dialog.Hwnd(), IDOK);
            no = ItemText(dialog.Hwnd(), IDCANCEL);
            return c.act(dialog);
        });
        EXPECT_EQ(c.expected, dialog.Run()) << c.name;
        EXPECT_EQ(kUpdateQuestion, text);
        EXPECT_EQ("升级", yes);
        EXPECT_EQ("不升级", no);
    }
}

// The user picks a backup with the mouse: a click on a row and "确定", or a
// double click on it; "取消" chooses none.
TEST(RestoreDialogTest, TheRowClickedIsTheOneChosen) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    const std::vector<RestoreDialog::Item> items = {{"2026-12-08 08:23:51", "12条"},
                                                    {"2026-12-01 10:00:00（最初的Host表）", "3条"}};
    struct Case {
        const char* name;
        UINT press;  // on the second row
        int button;  // clicked afterwards, or 0
        INT_PTR result;
        int chosen;
    };
    const Case cases[] = {
        {"click and 确定", WM_LBUTTONDOWN, IDOK, IDOK, 1},
        {"double click", WM_LBUTTONDBLCLK, 0, IDOK, 1},
        {"取消", WM_LBUTTONDOWN, IDCANCEL, IDCANCEL, -1},
    };
    for (const Case& c : cases) {
        RestoreDialog dialog(items);
        std::string cell;
        LoopScript pick([&] {
            if (!IsUp(dialog)) return false;
            HWND list = dialog.List().Hwnd();
            RECT row;
            if (!ListView_GetItemRect(list, 1, &row, LVIR_BOUNDS)) return false;
            char text[64] = {};
            ListView_GetItemText(list, 1, 1, text, sizeof text);
            cell = text;
            const LPARAM at = MAKELPARAM((row.left + row.right) / 2, (row.top + row.bottom) / 2);
            SendMessageA(list, c.press, MK_LBUTTON, at);
            SendMessageA(list, WM_LBUTTONUP, 0, at);
            return c.button == 0 || Click(dialog.Hwnd(), c.button);
        });
        EXPECT_EQ(c.result, dialog.Run()) << c.name;
        EXPECT_EQ(c.chosen, dialog.Chosen()) << c.name;
        EXPECT_EQ("3条", cell) << c.name;
    }
}

class ProgressDialogTest : public ::testing::Test {
protected:
    // Waits on the worker thread for the test to let it go on; false if the
    // test never does.
    static bool Await(const UniqueKernelHandle& event) {
        return WaitForSingleObject(event.Get(), 20000) == WAIT_OBJECT_0;
    }
};

TEST_F(ProgressDialogTest, EndsItselfWithOneWhenTheWorkEnds) {
    bool ran = false;
    ProgressDialog dialog(kCheckingMessage, [&](std::shared_ptr<UpdateProgress>) { ran = true; });
    EXPECT_EQ(1, dialog.Run());
    EXPECT_TRUE(ran);
    EXPECT_EQ("", dialog.Result());
}

// The work changes the text while the dialog shows it, stores its result and
// ends; the result is there once the dialog has ended by itself.
TEST_F(ProgressDialogTest, ShowsTheWorksMessageAndKeepsItsResult) {
    UniqueKernelHandle looked = MakeEvent();
    UniqueKernelHandle seen = MakeEvent();
    std::string shownFirst;
    bool waited = false;
    ProgressDialog dialog(kCheckingMessage, [&](std::shared_ptr<UpdateProgress> progress) {
        waited = Await(looked);
        progress->SetMessage(kUpdatingMessage);
        waited = waited && Await(seen);
        progress->SetResult("0.0.0.0 a.example\r\n");
    });
    LoopScript watch([&] {
        if (!IsUp(dialog)) return false;
        if (!IsSet(looked)) {
            shownFirst = ItemText(dialog.Hwnd(), IDC_MESSAGE_TEXT);
            SetEvent(looked.Get());
        }
        if (ItemText(dialog.Hwnd(), IDC_MESSAGE_TEXT) != kUpdatingMessage) return false;
        SetEvent(seen.Get());
        return true;
    });
    EXPECT_EQ(1, dialog.Run());
    EXPECT_TRUE(waited);
    EXPECT_EQ(kCheckingMessage, shownFirst);
    EXPECT_EQ("0.0.0.0 a.example\r\n", dialog.Result());
}

// The question comes from the worker thread, owned by the waiting dialog;
// its two buttons are the two answers.
TEST_F(ProgressDialogTest, AsksFromTheWorkerOwnedByTheDialog) {
    for (int button : {IDOK, IDCANCEL}) {
        int answer = 0;
        ProgressDialog dialog(kCheckingMessage, [&](std::shared_ptr<UpdateProgress> progress) {
            answer = progress->AskToUpdate(kUpdateQuestion);
        });
        HWND owner = nullptr;
        HWND waiting = nullptr;
        std::string text;
        LoopScript reply([&] {
            if (!IsUp(dialog)) return false;
            waiting = dialog.Hwnd();
            for (HWND w : FindTopWindows(GetCurrentProcessId(), kQuestionTitle)) {
                if (w == dialog.Hwnd() || !GetDlgItem(w, IDOK)) continue;
                owner = GetWindow(w, GW_OWNER);
                text = ItemText(w, IDC_MESSAGE_TEXT);
                return Click(w, button);
            }
            return false;
        });
        EXPECT_EQ(1, dialog.Run());
        EXPECT_EQ(button == IDOK ? kAnswerUpdate : kAnswerKeep, answer);
        EXPECT_NE(nullptr, owner);
        EXPECT_EQ(waiting, owner);
        EXPECT_EQ(kUpdateQuestion, text);
    }
}

// "取消检测" returns at once while the work still runs. The dialog object is
// gone before the worker goes on; from then on the worker finds itself
// cancelled, is asked nothing, and nothing it does reaches a window.
TEST_F(ProgressDialogTest, CancelReturnsTwoAtOnceAndTheWorkerFinishesAlone) {
    // Shared with the worker, which outlives this test's dialog.
    struct Shared {
        UniqueKernelHandle release = MakeEvent();
        UniqueKernelHandle finished = MakeEvent();
        bool released = false;
        bool cancelled = false;
        bool committed = true;
        int answer = 0;
    };
    auto shared = std::make_shared<Shared>();
    HWND closed = nullptr;
    {
        ProgressDialog dialog(kCheckingMessage, [shared](std::shared_ptr<UpdateProgress> progress) {
            shared->released = Await(shared->release);
            progress->SetMessage(kUpdatingMessage);
            shared->answer = progress->AskToUpdate(kUpdateQuestion);
            shared->cancelled = progress->IsCancelled();
            shared->committed = progress->Commit();
            progress->SetResult("0.0.0.0 late.example\r\n");
            SetEvent(shared->finished.Get());
        });
        LoopScript cancel([&] {
            if (!IsUp(dialog)) return false;
            closed = dialog.Hwnd();
            return Click(dialog.Hwnd(), IDCANCEL);
        });
        EXPECT_EQ(2, dialog.Run());
        EXPECT_FALSE(IsSet(shared->finished));  // it did not wait for the work
        EXPECT_EQ("", dialog.Result());
    }
    ASSERT_NE(nullptr, closed);
    EXPECT_FALSE(IsWindow(closed));

    SetEvent(shared->release.Get());
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(shared->finished.Get(), 20000))
        << "the abandoned worker is stuck (asked the user?)";
    PumpMessages(200);
    EXPECT_TRUE(shared->released);
    EXPECT_EQ(kAnswerKeep, shared->answer);
    EXPECT_TRUE(shared->cancelled);
    EXPECT_FALSE(shared->committed);
    EXPECT_TRUE(FindTopWindows(GetCurrentProcessId(), kQuestionTitle).empty());
}

// Once the work has committed to writing HOSTS, cancel is refused: the
// dialog waits and what it returns is what the work wrote.
TEST_F(ProgressDialogTest, CancelIsRefusedOnceTheWorkHasCommitted) {
    UniqueKernelHandle committed = MakeEvent();
    UniqueKernelHandle release = MakeEvent();
    bool refusedCancelLeftItUp = false;
    ProgressDialog dialog(kCheckingMessage, [&](std::shared_ptr<UpdateProgress> progress) {
        if (!progress->Commit()) return;
        SetEvent(committed.Get());
        Await(release);
        progress->SetResult("written");
    });
    LoopScript cancel([&] {
        if (!IsUp(dialog) || !IsSet(committed)) return false;
        Click(dialog.Hwnd(), IDCANCEL);
        refusedCancelLeftItUp = IsUp(dialog);
        SetEvent(release.Get());
        return true;
    });
    EXPECT_EQ(1, dialog.Run());
    EXPECT_TRUE(refusedCancelLeftItUp);
    EXPECT_EQ("written", dialog.Result());
}

// The address as the user typed it, in full, completed by the dialog; the
// edit is filled as typing would, one character at a time.
TEST(AddSiteDialogTest, OkGivesTheWholeCompletedAddressAndCancelGivesTwo) {
    const std::string longPath(600, 'p');  // longer than any fixed buffer
    struct Case {
        std::string typed;
        int button;
        INT_PTR expected;
        std::string address;
    };
    const Case cases[] = {
        {"lists.example/" + longPath, IDOK, IDOK, "http://lists.example/" + longPath},
        {"HTTPS://Lists.Example/hosts.txt", IDOK, IDOK, "HTTPS://Lists.Example/hosts.txt"},
        {"", IDOK, IDOK, "http://"},
        {"lists.example", IDCANCEL, IDCANCEL, ""},
    };
    for (const Case& c : cases) {
        AddSiteDialog dialog;
        std::string title;
        LoopScript type([&] {
            if (!IsUp(dialog)) return false;
            char caption[64] = {};
            GetWindowTextA(dialog.Hwnd(), caption, sizeof caption);
            title = caption;
            HWND edit = GetDlgItem(dialog.Hwnd(), IDC_SITE_ADDRESS);
            for (char ch : c.typed) SendMessageA(edit, WM_CHAR, static_cast<unsigned char>(ch), 0);
            return Click(dialog.Hwnd(), c.button);
        });
        EXPECT_EQ(c.expected, dialog.Run()) << c.typed;
        EXPECT_EQ("添加升级站点", title);
        EXPECT_EQ(c.address, dialog.Address()) << c.typed;
    }
}

}  // namespace
