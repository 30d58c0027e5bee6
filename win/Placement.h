#pragma once

#include <windows.h>

// Centres a window on its owner when the owner is visible and not
// minimised, else on the work area, then moves it inside the work area (its
// left and top edges win when it is larger). Only the position changes: the
// window is not activated and keeps its place in the Z order.
void CenterInWorkArea(HWND hwnd);
