#include "win/ControlProcHook.h"

namespace {

// The control's own procedure, for when the hook is gone but its
// procedure could not leave the chain (another was put in after it).
constexpr char kPreviousProp[] = "SitemoatPreviousProc";

}  // namespace

bool ControlProcHook::Attach(HWND control, Handler handler) {
    Detach();
    // A control whose user data is taken, or which still has a hook's
    // procedure in its chain, is left alone.
    if (!control || GetWindowLongPtrA(control, GWLP_USERDATA) != 0 || GetPropA(control, kPreviousProp)) {
        return false;
    }
    handler_ = std::move(handler);
    SetWindowLongPtrA(control, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    previous_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ControlProcHook::Proc)));
    if (!previous_ || !SetPropA(control, kPreviousProp, reinterpret_cast<HANDLE>(previous_))) {
        if (previous_) SetWindowLongPtrA(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous_));
        SetWindowLongPtrA(control, GWLP_USERDATA, 0);
        previous_ = nullptr;
        handler_ = nullptr;
        return false;
    }
    control_ = control;
    return true;
}

void ControlProcHook::Detach() {
    if (!control_) return;
    if (IsWindow(control_)) {
        SetWindowLongPtrA(control_, GWLP_USERDATA, 0);
        // Only while the procedure is still this one: taking back one that
        // a later subclass put in would cut that out. Else the procedure
        // stays and passes every message on.
        if (GetWindowLongPtrA(control_, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&ControlProcHook::Proc)) {
            SetWindowLongPtrA(control_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous_));
            RemovePropA(control_, kPreviousProp);
        }
    }
    control_ = nullptr;
    previous_ = nullptr;
    handler_ = nullptr;
}

LRESULT CALLBACK ControlProcHook::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<ControlProcHook*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!self || self->control_ != hwnd) {
        const auto previous = reinterpret_cast<WNDPROC>(GetPropA(hwnd, kPreviousProp));
        if (message == WM_NCDESTROY) RemovePropA(hwnd, kPreviousProp);
        return previous ? CallWindowProcA(previous, hwnd, message, wParam, lParam)
                        : DefWindowProcA(hwnd, message, wParam, lParam);
    }
    const WNDPROC previous = self->previous_;
    if (message == WM_NCDESTROY) {
        self->Detach();
        RemovePropA(hwnd, kPreviousProp);
        return CallWindowProcA(previous, hwnd, message, wParam, lParam);
    }
    // A copy: what the handler runs may attach the hook to another control.
    const Handler handler = self->handler_;
    LRESULT result = 0;
    if (handler && handler(message, wParam, lParam, result)) return result;
    return CallWindowProcA(previous, hwnd, message, wParam, lParam);
}
