#include "win/ModelessDialogKeys.h"

#include <algorithm>
#include <vector>

#include "win/Handles.h"

namespace {

struct ThreadDialogs {
    UniqueHook hook;
    std::vector<HWND> dialogs;  // not owned
};

thread_local ThreadDialogs threadDialogs;

}  // namespace

ModelessDialogKeys::ModelessDialogKeys(HWND dialog) : dialog_(dialog) {
    ThreadDialogs& thread = threadDialogs;
    thread.dialogs.push_back(dialog_);
    if (!thread.hook) {
        thread.hook.Reset(SetWindowsHookExA(WH_GETMESSAGE, OnGetMessage, nullptr, GetCurrentThreadId()));
    }
}

ModelessDialogKeys::~ModelessDialogKeys() {
    ThreadDialogs& thread = threadDialogs;
    const auto it = std::find(thread.dialogs.begin(), thread.dialogs.end(), dialog_);
    if (it != thread.dialogs.end()) thread.dialogs.erase(it);
    if (thread.dialogs.empty()) thread.hook.Reset();
}

LRESULT CALLBACK ModelessDialogKeys::OnGetMessage(int code, WPARAM wParam, LPARAM lParam) {
    auto* msg = reinterpret_cast<MSG*>(lParam);
    if (code == HC_ACTION && wParam == PM_REMOVE && msg->message >= WM_KEYFIRST &&
        msg->message <= WM_KEYLAST) {
        for (HWND dialog : threadDialogs.dialogs) {
            if (IsDialogMessageA(dialog, msg)) {
                // Handled: the loop that took it dispatches nothing.
                *msg = MSG{};
                msg->message = WM_NULL;
                break;
            }
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
