#pragma once

#include <windows.h>

#include "win/Window.h"

// A dialog built from a template of the program's resources, run modally
// (DoModal) or modeless (CreateModeless, e.g. a child page). The dialog
// procedure routes every message to the object's message map; a message the
// map declines goes to the dialog manager.
class Dialog : public WindowObject {
public:
    explicit Dialog(int templateId) : templateId_(templateId) {}

    int TemplateId() const { return templateId_; }

    // Runs the dialog modally; returns its end code, or -1 when it could not
    // be created.
    INT_PTR DoModal(HWND owner);
    // Creates the dialog modeless (visible only if its template says so).
    HWND CreateModeless(HWND parent);
    // Ends a modal run with the code, or destroys a modeless dialog.
    void End(INT_PTR code);
    bool IsModal() const { return modal_; }

private:
    static INT_PTR CALLBACK StartDialogProc(HWND, UINT, WPARAM, LPARAM);
    static INT_PTR CALLBACK DialogProc(HWND, UINT, WPARAM, LPARAM);

    const int templateId_;
    bool modal_ = false;
};
