#include <windows.h>

#include <gtest/gtest.h>

#include "win/Placement.h"

namespace {

RECT WorkArea(HWND hwnd) {
    MONITORINFO mi{};
    mi.cbSize = sizeof mi;
    GetMonitorInfoA(MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST), &mi);
    return mi.rcWork;
}

RECT WindowRect(HWND hwnd) {
    RECT r;
    GetWindowRect(hwnd, &r);
    return r;
}

HWND Popup(HWND owner, int x, int y, int w, int h, bool visible) {
    return CreateWindowExA(0, "STATIC", "", WS_POPUP | (visible ? WS_VISIBLE : 0), x, y, w, h,
                           owner, nullptr, nullptr, nullptr);
}

TEST(Placement, CentresOnAVisibleOwner) {
    HWND owner = Popup(nullptr, 100, 50, 400, 300, true);
    HWND dialog = Popup(owner, 0, 0, 200, 100, false);
    CenterInWorkArea(dialog);
    const RECT r = WindowRect(dialog);
    EXPECT_EQ(200, r.left);
    EXPECT_EQ(150, r.top);
    EXPECT_EQ(200, r.right - r.left);  // only moved
    DestroyWindow(owner);
}

TEST(Placement, CentresOnTheWorkAreaWhenTheOwnerIsHiddenOrMinimised) {
    const RECT work = WorkArea(nullptr);
    HWND hidden = Popup(nullptr, 0, 0, 100, 100, false);
    HWND minimised = Popup(nullptr, 0, 0, 100, 100, true);
    ShowWindow(minimised, SW_MINIMIZE);
    for (HWND owner : {static_cast<HWND>(nullptr), hidden, minimised}) {
        HWND dialog = Popup(owner, 3, 3, 200, 100, false);
        CenterInWorkArea(dialog);
        const RECT r = WindowRect(dialog);
        EXPECT_EQ(work.left + (work.right - work.left - 200) / 2, r.left);
        EXPECT_EQ(work.top + (work.bottom - work.top - 100) / 2, r.top);
        DestroyWindow(dialog);
    }
    DestroyWindow(hidden);
    DestroyWindow(minimised);
}

TEST(Placement, StaysInsideTheWorkAreaAndKeepsItsTopLeftWhenTooLarge) {
    const RECT work = WorkArea(nullptr);
    // An owner at the right edge: centring on it would push the dialog out.
    HWND owner = Popup(nullptr, work.right - 100, work.top + 10, 100, 100, true);
    HWND dialog = Popup(owner, 0, 0, 300, 200, false);
    CenterInWorkArea(dialog);
    EXPECT_EQ(work.right, WindowRect(dialog).right);

    HWND huge = Popup(nullptr, 0, 0, (work.right - work.left) + 400, (work.bottom - work.top) + 300,
                      false);
    CenterInWorkArea(huge);
    EXPECT_EQ(work.left, WindowRect(huge).left);
    EXPECT_EQ(work.top, WindowRect(huge).top);
    DestroyWindow(huge);
    DestroyWindow(owner);
}

}  // namespace
