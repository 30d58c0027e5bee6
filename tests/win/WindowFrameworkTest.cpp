#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "TestDialogs.h"
#include "win/AppModule.h"
#include "win/Dialog.h"
#include "win/Window.h"

namespace {

constexpr UINT kWmProbe = WM_APP + 1;
constexpr UINT kWmEndWith = WM_APP + 2;
constexpr char kTestClass[] = "SitemoatTestWindow";
constexpr char kTestButtonClass[] = "SitemoatTestButton";

// Counts what reaches it; answers the probe message with its own tag.
class ProbeWindow : public WindowObject {
public:
    explicit ProbeWindow(int tag) : tag_(tag) {}
    int probes = 0;
    int finalMessages = 0;
    int reflectedDraws = 0;
    DWORD createdOnThread = 0;
    // The window each hook saw bound to the object, in call order.
    std::vector<HWND> attachedTo;
    std::vector<HWND> detachingFrom;

protected:
    bool ProcessMessage(Message& m) override {
        static const MessageHandler<ProbeWindow> kMap[] = {
            {WM_CREATE, &ProbeWindow::OnCreate},
            {kWmProbe, &ProbeWindow::OnProbe},
        };
        return RouteMessage(this, kMap, m);
    }
    bool ProcessReflected(Message& m) override {
        if (m.id != WM_DRAWITEM) return false;
        ++reflectedDraws;
        m.result = TRUE;
        return true;
    }
    void OnFinalMessage() override { ++finalMessages; }
    void OnAttached() override { attachedTo.push_back(FromHandle(Hwnd()) == this ? Hwnd() : nullptr); }
    void OnDetaching() override { detachingFrom.push_back(FromHandle(Hwnd()) == this ? Hwnd() : nullptr); }

private:
    void OnCreate(Message& m) {
        createdOnThread = GetCurrentThreadId();
        m.handled = false;  // default processing still runs
    }
    void OnProbe(Message& m) {
        ++probes;
        m.result = tag_;
    }
    int tag_;
};

// A dialog that records its init and ends itself with the code it is posted.
class EndingDialog : public Dialog {
public:
    explicit EndingDialog(int templateId, INT_PTR endCode) : Dialog(templateId), endCode_(endCode) {}
    DWORD initThread = 0;
    HWND initHwnd = nullptr;
    int commands = 0;

protected:
    bool ProcessMessage(Message& m) override {
        static const MessageHandler<EndingDialog> kMap[] = {
            {WM_INITDIALOG, &EndingDialog::OnInitDialog},
            {kWmEndWith, &EndingDialog::OnEndWith},
            {kWmProbe, &EndingDialog::OnProbe},
        };
        static const CommandHandler<EndingDialog> kCommands[] = {
            {IDC_TEST_BUTTON, &EndingDialog::OnButton},
        };
        return RouteCommand(this, kCommands, m) || RouteMessage(this, kMap, m);
    }

private:
    void OnInitDialog(Message&) {
        initThread = GetCurrentThreadId();
        initHwnd = Hwnd();
        PostMessageA(Hwnd(), kWmEndWith, 0, 0);
    }
    void OnEndWith(Message&) { End(endCode_); }
    void OnProbe(Message& m) { m.result = 0x1234; }
    void OnButton() { ++commands; }
    INT_PTR endCode_;
};

class Framework : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_TRUE(WindowObject::RegisterWindowClass(kTestClass));
        ASSERT_TRUE(WindowObject::RegisterWindowClass(kTestButtonClass, "BUTTON"));
    }
};

const RECT kRect{0, 0, 100, 50};

TEST_F(Framework, CreatedWindowRoutesToItsObjectUntilDestroyed) {
    ProbeWindow probe(7);
    HWND hwnd = probe.Create(kTestClass, nullptr, kRect, WS_POPUP);
    ASSERT_NE(nullptr, hwnd);
    EXPECT_EQ(hwnd, probe.Hwnd());
    EXPECT_EQ(&probe, WindowObject::FromHandle(hwnd));
    EXPECT_EQ(GetCurrentThreadId(), probe.createdOnThread);  // WM_CREATE reached the object

    EXPECT_EQ(7, SendMessageA(hwnd, kWmProbe, 0, 0));
    EXPECT_EQ(1, probe.probes);
    // A message outside the map gets the default processing.
    EXPECT_TRUE(SetWindowTextA(hwnd, "title"));
    char text[16] = {};
    GetWindowTextA(hwnd, text, sizeof text);
    EXPECT_STREQ("title", text);

    DestroyWindow(hwnd);
    EXPECT_EQ(nullptr, probe.Hwnd());
    EXPECT_EQ(1, probe.finalMessages);
    EXPECT_EQ(nullptr, WindowObject::FromHandle(hwnd));
}

TEST_F(Framework, DestroyingTheObjectFirstDestroysItsWindowWithoutCallingBack) {
    HWND hwnd;
    {
        ProbeWindow probe(1);
        hwnd = probe.Create(kTestClass, nullptr, kRect, WS_POPUP);
        ASSERT_TRUE(IsWindow(hwnd));
    }
    EXPECT_FALSE(IsWindow(hwnd));
}

TEST_F(Framework, SuperclassKeepsTheBaseClassBehaviour) {
    ProbeWindow probe(3);
    HWND hwnd = probe.Create(kTestButtonClass, nullptr, kRect, WS_POPUP | BS_PUSHBUTTON, 0, 0, "OK");
    ASSERT_NE(nullptr, hwnd);
    EXPECT_EQ(3, SendMessageA(hwnd, kWmProbe, 0, 0));
    // BM_SETSTATE / BM_GETSTATE are the button class's own.
    SendMessageA(hwnd, BM_SETSTATE, TRUE, 0);
    EXPECT_NE(0, SendMessageA(hwnd, BM_GETSTATE, 0, 0) & BST_PUSHED);
    EXPECT_EQ(DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON, SendMessageA(hwnd, WM_GETDLGCODE, 0, 0));
    DestroyWindow(hwnd);
}

TEST_F(Framework, AttachedControlIsGivenBackIntactWhenTheObjectGoes) {
    ProbeWindow parent(0);
    ASSERT_NE(nullptr, parent.Create(kTestClass, nullptr, kRect, WS_POPUP));
    HWND button = CreateWindowExA(0, "BUTTON", "Press", WS_CHILD | BS_OWNERDRAW, 0, 0, 40, 20,
                                  parent.Hwnd(), reinterpret_cast<HMENU>(5), nullptr, nullptr);
    ASSERT_NE(nullptr, button);
    {
        ProbeWindow control(9);
        ASSERT_TRUE(control.Attach(button));
        EXPECT_FALSE(ProbeWindow(10).Attach(button));  // one object per window
        EXPECT_EQ(9, SendMessageA(button, kWmProbe, 0, 0));

        // The parent reflects owner drawing back to the control's object.
        DRAWITEMSTRUCT dis{};
        dis.CtlType = ODT_BUTTON;
        dis.CtlID = 5;
        dis.hwndItem = button;
        EXPECT_EQ(TRUE, SendMessageA(parent.Hwnd(), WM_DRAWITEM, 5, reinterpret_cast<LPARAM>(&dis)));
        EXPECT_EQ(1, control.reflectedDraws);
    }
    EXPECT_TRUE(IsWindow(button));
    EXPECT_EQ(nullptr, WindowObject::FromHandle(button));
    EXPECT_EQ(0, SendMessageA(button, kWmProbe, 0, 0));
    char text[16] = {};
    GetWindowTextA(button, text, sizeof text);
    EXPECT_STREQ("Press", text);
    DestroyWindow(parent.Hwnd());
}

TEST_F(Framework, AttachAndDetachCallTheirHooksWhileTheWindowIsBound) {
    HWND first = CreateWindowExA(0, "BUTTON", "", WS_POPUP, 0, 0, 40, 20, nullptr, nullptr,
                                 nullptr, nullptr);
    HWND second = CreateWindowExA(0, "BUTTON", "", WS_POPUP, 0, 0, 40, 20, nullptr, nullptr,
                                  nullptr, nullptr);
    {
        ProbeWindow control(4);
        ASSERT_TRUE(control.Attach(first));
        EXPECT_EQ(std::vector<HWND>{first}, control.attachedTo);
        EXPECT_FALSE(control.Attach(second));  // already bound: no second call
        control.Detach();
        EXPECT_EQ(std::vector<HWND>{first}, control.detachingFrom);
        EXPECT_EQ(nullptr, WindowObject::FromHandle(first));
        control.Detach();  // nothing bound: no call

        ASSERT_TRUE(control.Attach(second));
        EXPECT_EQ((std::vector<HWND>{first, second}), control.attachedTo);
        EXPECT_EQ(std::vector<HWND>{first}, control.detachingFrom);
    }
    // A created window is neither attached nor detached.
    ProbeWindow created(6);
    ASSERT_NE(nullptr, created.Create(kTestClass, nullptr, kRect, WS_POPUP));
    created.Detach();
    EXPECT_EQ(&created, WindowObject::FromHandle(created.Hwnd()));
    EXPECT_TRUE(created.attachedTo.empty());
    EXPECT_TRUE(created.detachingFrom.empty());
    DestroyWindow(first);
    DestroyWindow(second);
}

TEST_F(Framework, AttachedObjectLetsGoWhenItsWindowIsDestroyed) {
    HWND button = CreateWindowExA(0, "BUTTON", "", WS_POPUP, 0, 0, 40, 20, nullptr, nullptr,
                                  nullptr, nullptr);
    ProbeWindow control(2);
    ASSERT_TRUE(control.Attach(button));
    DestroyWindow(button);
    EXPECT_EQ(nullptr, control.Hwnd());
    EXPECT_EQ(1, control.finalMessages);
}

TEST_F(Framework, ModalDialogRoutesMessagesAndCommandsAndReturnsItsEndCode) {
    EndingDialog dialog(IDD_TEST_BUTTON, 42);
    EXPECT_EQ(42, dialog.DoModal(nullptr));
    EXPECT_NE(nullptr, dialog.initHwnd);
    EXPECT_EQ(GetCurrentThreadId(), dialog.initThread);
    EXPECT_EQ(nullptr, dialog.Hwnd());
    EXPECT_FALSE(IsWindow(dialog.initHwnd));
}

TEST_F(Framework, ModelessDialogAnswersThroughItsMessageResult) {
    EndingDialog dialog(IDD_TEST_BUTTON, 0);
    HWND hwnd = dialog.CreateModeless(nullptr);
    ASSERT_NE(nullptr, hwnd);
    EXPECT_EQ(0x1234, SendMessageA(hwnd, kWmProbe, 0, 0));
    SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM(IDC_TEST_BUTTON, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(hwnd, IDC_TEST_BUTTON)));
    EXPECT_EQ(1, dialog.commands);
    // The posted end request destroys a modeless dialog.
    MSG msg;
    while (IsWindow(hwnd) && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(nullptr, dialog.Hwnd());
}

TEST_F(Framework, MissingTemplateFailsAndLeavesNothingBehind) {
    EndingDialog missing(999, 1);
    EXPECT_EQ(-1, missing.DoModal(nullptr));
    // The next creation on this thread still binds to its own object.
    ProbeWindow probe(5);
    HWND hwnd = probe.Create(kTestClass, nullptr, kRect, WS_POPUP);
    EXPECT_EQ(&probe, WindowObject::FromHandle(hwnd));
    EXPECT_EQ(nullptr, missing.Hwnd());
    DestroyWindow(hwnd);
}

TEST_F(Framework, DialogsOnWorkerThreadsBindToTheirOwnObjects) {
    constexpr int kThreads = 4;
    constexpr int kDialogsEach = 10;
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &wrong] {
            for (int i = 0; i < kDialogsEach; ++i) {
                const INT_PTR code = 100 * t + i;
                EndingDialog dialog(IDD_TEST_EMPTY, code);
                if (dialog.DoModal(nullptr) != code || dialog.initThread != GetCurrentThreadId()) {
                    ++wrong;
                }
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(0, wrong.load());
}

}  // namespace
