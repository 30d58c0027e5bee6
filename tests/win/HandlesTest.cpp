#include <windows.h>

#include <gtest/gtest.h>

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
