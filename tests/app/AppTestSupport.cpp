#include "AppTestSupport.h"

#include "res/resource.h"

namespace {

BOOL CALLBACK FindEditor(HWND hwnd, LPARAM param) {
    if (GetDlgCtrlID(hwnd) != IDC_HOSTS_EDITOR) return TRUE;
    *reinterpret_cast<HWND*>(param) = hwnd;
    return FALSE;
}

}  // namespace

HWND FindHostsEditor(HWND mainWindow) {
    HWND editor = nullptr;
    EnumChildWindows(mainWindow, FindEditor, reinterpret_cast<LPARAM>(&editor));
    return editor;
}

std::string HostsEditorText(HWND mainWindow) {
    HWND editor = FindHostsEditor(mainWindow);
    if (!editor) return std::string();
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutA(editor, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length)) {
        return std::string();
    }
    std::string text(length + 1, '\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutA(editor, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(&text[0]),
                        SMTO_ABORTIFHUNG, 5000, &copied);
    text.resize(copied);
    return text;
}
