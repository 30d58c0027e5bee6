#include "win/Dialog.h"

#include "win/AppModule.h"

INT_PTR Dialog::DoModal(HWND owner) {
    if (Hwnd()) return -1;
    modal_ = true;
    INT_PTR code;
    {
        CreatingScope creating(this);
        code = DialogBoxParamA(AppModule::Get().Instance(), MAKEINTRESOURCEA(templateId_), owner,
                               StartDialogProc, 0);
    }
    modal_ = false;
    return code;
}

HWND Dialog::CreateModeless(HWND parent) {
    if (Hwnd()) return nullptr;
    modal_ = false;
    CreatingScope creating(this);
    return CreateDialogParamA(AppModule::Get().Instance(), MAKEINTRESOURCEA(templateId_), parent,
                              StartDialogProc, 0);
}

void Dialog::End(INT_PTR code) {
    if (!Hwnd()) return;
    if (modal_) {
        EndDialog(Hwnd(), code);
    } else {
        DestroyWindow(Hwnd());
    }
}

INT_PTR CALLBACK Dialog::StartDialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    WindowObject* self = AppModule::Get().ExtractCreating();
    if (!self) return FALSE;
    self->Bind(hwnd, Binding::Dialog);
    SetWindowLongPtrA(hwnd, DWLP_DLGPROC, reinterpret_cast<LONG_PTR>(DialogProc));
    return DialogProc(hwnd, msg, wParam, lParam);
}

INT_PTR CALLBACK Dialog::DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    WindowObject* self = FromHandle(hwnd);
    if (!self) return FALSE;
    Message m{hwnd, msg, wParam, lParam};
    if (msg == WM_INITDIALOG) m.result = TRUE;  // let the system set the focus
    const bool handled = self->Dispatch(m);
    if (msg == WM_NCDESTROY) self->Unbind(true);
    // Focus goes to the system unless a handler set it and said so.
    if (msg == WM_INITDIALOG) return m.result;
    if (!handled) return FALSE;
    switch (msg) {
    // These return their result directly; every other one through DWLP_MSGRESULT.
    case WM_INITDIALOG:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
        return m.result;
    default:
        SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, m.result);
        return TRUE;
    }
}
