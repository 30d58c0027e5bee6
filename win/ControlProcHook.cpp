#include "win/ControlProcHook.h"

bool ControlProcHook::Attach(HWND control, Handler handler) {
    Detach();
    if (!control || GetWindowLongPtrA(control, GWLP_USERDATA) != 0) return false;
    handler_ = std::move(handler);
    SetWindowLongPtrA(control, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    previous_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ControlProcHook::Proc)));
    if (!previous_) {
        SetWindowLongPtrA(control, GWLP_USERDATA, 0);
        handler_ = nullptr;
        return false;
    }
    control_ = control;
    return true;
}

void ControlProcHook::Detach() {
    if (!control_) return;
    // Only while the procedure is still this one: taking back one that a
    // later hook put in would cut that hook out.
    if (IsWindow(control_) &&
        GetWindowLongPtrA(control_, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&ControlProcHook::Proc)) {
        SetWindowLongPtrA(control_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous_));
        SetWindowLongPtrA(control_, GWLP_USERDATA, 0);
    }
    control_ = nullptr;
    previous_ = nullptr;
    handler_ = nullptr;
}

LRESULT CALLBACK ControlProcHook::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<ControlProcHook*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!self || self->control_ != hwnd) return DefWindowProcA(hwnd, message, wParam, lParam);
    const WNDPROC previous = self->previous_;
    if (message == WM_NCDESTROY) {
        self->Detach();
        return CallWindowProcA(previous, hwnd, message, wParam, lParam);
    }
    // A copy: what the handler runs may attach the hook to another control.
    const Handler handler = self->handler_;
    LRESULT result = 0;
    if (handler && handler(message, wParam, lParam, result)) return result;
    return CallWindowProcA(previous, hwnd, message, wParam, lParam);
}
