#include "UserActions.h"

#include <utility>

#include "PixelCapture.h"

namespace {

constexpr UINT kTickMs = 20;

struct ScriptState {
    std::function<bool()> step;
    DWORD start = 0;
    DWORD limit = 0;
    bool done = false;
    bool gaveUp = false;
};
ScriptState script;

BOOL CALLBACK EndDialogOfThread(HWND hwnd, LPARAM) {
    EndDialog(hwnd, LoopScript::kGaveUp);
    return TRUE;
}

struct WindowSearch {
    DWORD processId;
    const std::string* title;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND hwnd, LPARAM param) {
    auto* search = reinterpret_cast<WindowSearch*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != search->processId || !IsWindowVisible(hwnd)) return TRUE;
    char title[256] = {};
    GetWindowTextA(hwnd, title, sizeof title);
    if (*search->title == title) search->found.push_back(hwnd);
    return TRUE;
}

}  // namespace

LoopScript::LoopScript(std::function<bool()> step, DWORD limitMs) {
    script = ScriptState{std::move(step), GetTickCount(), limitMs};
    timer_ = SetTimer(nullptr, 0, kTickMs, &LoopScript::Tick);
}

LoopScript::~LoopScript() {
    KillTimer(nullptr, timer_);
    script.step = nullptr;
}

bool LoopScript::Done() const {
    return script.done;
}

bool LoopScript::GaveUp() const {
    return script.gaveUp;
}

void CALLBACK LoopScript::Tick(HWND, UINT, UINT_PTR, DWORD) {
    if (!script.step) return;
    // Taken out while it runs: a step that pumps messages must not re-enter.
    std::function<bool()> step = std::move(script.step);
    script.step = nullptr;
    if (step()) {
        script.done = true;
        return;
    }
    if (GetTickCount() - script.start > script.limit) {
        script.gaveUp = true;
        EnumThreadWindows(GetCurrentThreadId(), EndDialogOfThread, 0);
        return;
    }
    script.step = std::move(step);
}

std::vector<HWND> FindTopWindows(DWORD processId, const std::string& title) {
    WindowSearch search{processId, &title, {}};
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

RECT RectInParent(HWND child) {
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

std::string ItemText(HWND dialog, int controlId) {
    HWND item = GetDlgItem(dialog, controlId);
    if (!item) return std::string();
    char text[4096] = {};
    SendMessageA(item, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return text;
}

bool WaitFor(const std::function<bool()>& condition, DWORD limitMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (condition()) return true;
        if (GetTickCount() - start > limitMs) return false;
        PumpMessages(20);
    }
}

bool WaitForEachMessage(const std::function<bool()>& condition, DWORD limitMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (condition()) return true;
        if (GetTickCount() - start > limitMs) return false;
        MSG msg;
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        } else {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        }
    }
}
