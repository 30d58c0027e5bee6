#include "win/Placement.h"

void CenterInWorkArea(HWND hwnd) {
    HWND owner = GetWindow(hwnd, GW_OWNER);
    const bool onOwner = owner && IsWindowVisible(owner) && !IsIconic(owner);

    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoA(MonitorFromWindow(onOwner ? owner : hwnd, MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT work = monitor.rcWork;

    RECT around = work;
    if (onOwner) GetWindowRect(owner, &around);
    RECT window;
    GetWindowRect(hwnd, &window);
    const int width = window.right - window.left;
    const int height = window.bottom - window.top;

    int x = around.left + ((around.right - around.left) - width) / 2;
    int y = around.top + ((around.bottom - around.top) - height) / 2;
    if (x + width > work.right) x = work.right - width;
    if (y + height > work.bottom) y = work.bottom - height;
    if (x < work.left) x = work.left;
    if (y < work.top) y = work.top;

    // Top-level windows are placed in screen coordinates; a child (never
    // centred by the program, but harmless) in its parent's.
    if (GetWindowLongPtrA(hwnd, GWL_STYLE) & WS_CHILD) {
        POINT p{x, y};
        ScreenToClient(GetParent(hwnd), &p);
        x = p.x;
        y = p.y;
    }
    SetWindowPos(hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
