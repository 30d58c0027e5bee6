#pragma once

#include <windows.h>

#include <functional>

// Sees a control's messages before the control does, by replacing its
// window procedure with an ANSI one, like the control's own. Not through
// SetWindowSubclass: that runs every message of an ANSI control through
// Unicode and back, and under Wine costs a rich edit a fifth of the time it
// takes to fill with text. One control at a time; its GWLP_USERDATA, which
// belongs to whoever made the control, points back here. The control gets
// its own procedure back when it is destroyed, or at Detach; if another
// subclass was put in after this one, the hook's procedure stays in the
// chain and passes every message on.
class ControlProcHook {
public:
    // Returns true when it handled the message, result then being the answer.
    using Handler = std::function<bool(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)>;

    ControlProcHook() = default;
    ~ControlProcHook() { Detach(); }
    ControlProcHook(const ControlProcHook&) = delete;
    ControlProcHook& operator=(const ControlProcHook&) = delete;

    // Leaves the control it had, if any, and takes this one.
    bool Attach(HWND control, Handler handler);
    void Detach();

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    HWND control_ = nullptr;  // not owned
    WNDPROC previous_ = nullptr;
    Handler handler_;
};
