#pragma once

#include <windows.h>

// While one lives, the thread's keyboard messages for a modeless dialog go
// through IsDialogMessage before any loop of the thread dispatches them, so
// that Tab, Enter and Escape work in it. The program's only message loop is
// the main window's modal one, which knows no other dialog. One
// WH_GETMESSAGE hook serves every such dialog of the thread and goes with
// the last of them.
class ModelessDialogKeys {
public:
    explicit ModelessDialogKeys(HWND dialog);
    ~ModelessDialogKeys();
    ModelessDialogKeys(const ModelessDialogKeys&) = delete;
    ModelessDialogKeys& operator=(const ModelessDialogKeys&) = delete;

private:
    static LRESULT CALLBACK OnGetMessage(int code, WPARAM wParam, LPARAM lParam);

    HWND dialog_;  // not owned
};
