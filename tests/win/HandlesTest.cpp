#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "win/ControlProcHook.h"
#include "win/Handles.h"

namespace {

bool IsOpen(HANDLE handle) {
    DWORD flags = 0;
    return GetHandleInformation(handle, &flags) != FALSE;
}

TEST(UniqueHandle, ResetToTheHeldHandleKeepsItOpenAndClosesItOnce) {
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(nullptr, event);
    {
        UniqueKernelHandle owner(event);
        owner.Reset(owner.Get());
        EXPECT_EQ(event, owner.Get());
        EXPECT_TRUE(IsOpen(event));
        EXPECT_TRUE(SetEvent(owner.Get()));
    }
    EXPECT_FALSE(IsOpen(event));
}

TEST(UniqueHandle, ResetToAnotherHandleClosesTheOldOne) {
    HANDLE first = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE second = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(nullptr, first);
    ASSERT_NE(nullptr, second);
    UniqueKernelHandle owner(first);
    owner.Reset(second);
    EXPECT_FALSE(IsOpen(first));
    EXPECT_TRUE(IsOpen(second));
    owner.Reset();
    EXPECT_FALSE(IsOpen(second));
    EXPECT_FALSE(owner);
}

}  // namespace

namespace {

std::string TextOf(HWND edit) {
    char text[32] = {};
    GetWindowTextA(edit, text, sizeof text);
    return text;
}

// The hook sees what the control would; what it takes the control never
// gets; moved to another control, the first has its own procedure back.
TEST(ControlProcHook, TakesMessagesFirstAndGivesTheProcedureBack) {
    HWND first = CreateWindowExA(0, "EDIT", "", WS_POPUP, 0, 0, 100, 20, nullptr, nullptr, nullptr, nullptr);
    HWND second = CreateWindowExA(0, "EDIT", "", WS_POPUP, 0, 0, 100, 20, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(first && second);
    const LONG_PTR ownProc = GetWindowLongPtrA(first, GWLP_WNDPROC);
    int seen = 0;
    ControlProcHook hook;
    const auto takeX = [&](UINT message, WPARAM key, LPARAM, LRESULT& result) {
        seen += message == WM_CHAR;
        result = 0;
        return message == WM_CHAR && key == 'x';
    };
    ASSERT_TRUE(hook.Attach(first, takeX));
    SendMessageA(first, WM_CHAR, 'x', 1);
    SendMessageA(first, WM_CHAR, 'y', 1);
    EXPECT_EQ("y", TextOf(first));
    EXPECT_EQ(2, seen);

    ASSERT_TRUE(hook.Attach(second, takeX));
    EXPECT_EQ(ownProc, GetWindowLongPtrA(first, GWLP_WNDPROC));
    SendMessageA(first, WM_CHAR, 'x', 1);
    EXPECT_EQ("yx", TextOf(first));
    EXPECT_EQ(2, seen);

    hook.Detach();
    DestroyWindow(second);
    DestroyWindow(first);
}

}  // namespace
