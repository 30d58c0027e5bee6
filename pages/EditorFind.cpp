#include "pages/EditorFind.h"

#include <dlgs.h>
#include <richedit.h>

#include <algorithm>
#include <string_view>
#include <utility>

#include "base/TextCodec.h"
#include "base/TextSearch.h"

namespace {

constexpr char kNotFound[] = "找不到";
constexpr char kWrappedDown[] = "已查找到Host表末尾，从开头继续查找。";
constexpr char kWrappedUp[] = "已查找到Host表开头，从末尾继续查找。";
constexpr DWORD kOptions = FR_DOWN | FR_MATCHCASE | FR_WHOLEWORD;
// Ctrl+F also comes as this character.
constexpr WPARAM kCtrlF = 'F' - 'A' + 1;

UINT FindMessage() {
    static const UINT message = RegisterWindowMessageA(FINDMSGSTRINGA);
    return message;
}

bool KeyDown(int key) {
    return (GetKeyState(key) & 0x8000) != 0;
}

// The selection as the dialog's first guess, when it is a part of a line
// that fits in size bytes.
std::string SelectedLinePart(HWND editor, WORD size) {
    CHARRANGE selection{};
    SendMessageA(editor, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    const LONG length = selection.cpMax - selection.cpMin;
    if (length <= 0 || length * 2 >= size) return std::string();
    // EM_GETSELTEXT gives a double-byte character one byte under Wine.
    std::string text(size, '\0');
    GETTEXTEX ask{size, GT_SELECTION, CP_ACP, nullptr, nullptr};
    text.resize(static_cast<size_t>(std::max<LRESULT>(
        SendMessageA(editor, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&ask), reinterpret_cast<LPARAM>(&text[0])),
        0)));
    return text.find_first_of("\r\n") == std::string::npos ? text : std::string();
}

}  // namespace

EditorFind::EditorFind(EditorFill& fill, ReadText readText, Say say)
    : fill_(fill), readText_(std::move(readText)), say_(std::move(say)) {
    request_.Flags = FR_DOWN;
}

EditorFind::~EditorFind() {
    CloseDialog();
}

bool EditorFind::ProcessMessage(Message& m) {
    if (m.id == WM_DESTROY) {
        CloseDialog();
        return false;  // the page's own too
    }
    const UINT findMessage = FindMessage();
    if (findMessage == 0 || m.id != findMessage || !m.lParam) return false;
    OnFindMessage(*reinterpret_cast<const FINDREPLACEA*>(m.lParam));
    m.result = 0;
    return true;
}

void EditorFind::OnFindMessage(const FINDREPLACEA& request) {
    if ((request.Flags & FR_DIALOGTERM) && &request == &request_) {
        // The dialog destroys itself after this message.
        dialog_.Release();
        dialogKeys_.reset();
        return;
    }
    if (!(request.Flags & FR_FINDNEXT)) return;
    // From the dialog, or from anyone who asks as it does.
    if (request.lpstrFindWhat && request.lpstrFindWhat != what_) {
        lstrcpynA(what_, request.lpstrFindWhat, kWhatSize);
    }
    request_.Flags = (request_.Flags & ~kOptions) | (request.Flags & kOptions);
    FindNext((request.Flags & FR_DOWN) != 0);
}

void EditorFind::OpenDialog() {
    if (!editor_) return;
    const std::string selected = SelectedLinePart(editor_, kWhatSize);
    if (!selected.empty()) lstrcpynA(what_, selected.c_str(), kWhatSize);
    if (dialog_) {
        if (!selected.empty()) SetDlgItemTextA(dialog_.Get(), edt1, what_);
        SetActiveWindow(dialog_.Get());
        return;
    }
    request_.lStructSize = sizeof request_;
    request_.hwndOwner = GetParent(editor_);
    request_.Flags &= kOptions;
    request_.lpstrFindWhat = what_;
    request_.wFindWhatLen = kWhatSize;
    dialog_.Reset(FindTextA(&request_));
    if (dialog_) dialogKeys_ = std::make_unique<ModelessDialogKeys>(dialog_.Get());
}

void EditorFind::CloseDialog() {
    dialogKeys_.reset();
    dialog_.Reset();
}

void EditorFind::FindAgain(bool reverse) {
    if (!what_[0]) {
        OpenDialog();
        return;
    }
    const bool down = (request_.Flags & FR_DOWN) != 0;
    FindNext(reverse ? !down : down);
}

void EditorFind::FindNext(bool down) {
    if (!editor_ || !what_[0]) return;
    std::string read;
    if (!fill_.Running() && !readText_(read)) return;
    // While it fills, the editor holds the start of this text.
    const std::string_view text = fill_.Running() ? std::string_view(fill_.Text()) : read;
    // The control counts one position a character of the UTF-16 text it
    // made of ours: a double-byte character is one, CR LF two (Wine's rich
    // edit 1.0 keeps CR LF, and a lone CR or LF, as they are).
    const std::wstring wide = AnsiToWide(text);
    CHARRANGE selection{};
    SendMessageA(editor_, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    // A match the fill has yet to reach counts as the selection already.
    if (fill_.Running() && awaiting_) selection = awaited_;
    const LONG from = down ? selection.cpMax : selection.cpMin;
    SearchOptions options;
    options.down = down;
    options.matchCase = (request_.Flags & FR_MATCHCASE) != 0;
    options.wholeWord = (request_.Flags & FR_WHOLEWORD) != 0;
    TextMatch match;
    if (!FindMatch(wide, AnsiToWide(what_), static_cast<size_t>(std::max<LONG>(from, 0)), options, match)) {
        say_(std::string(kNotFound) + "“" + what_ + "”");
        return;
    }
    const CHARRANGE found{static_cast<LONG>(match.start), static_cast<LONG>(match.end)};
    const auto select = [this, found, wrapped = match.wrapped, down] {
        awaiting_ = false;
        SendMessageA(editor_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&found));
        SendMessageA(editor_, EM_SCROLLCARET, 0, 0);
        if (wrapped) say_(down ? kWrappedDown : kWrappedUp);
    };
    if (!fill_.Running()) {
        select();
        return;
    }
    // Megabytes still to come take the control seconds: the match is
    // selected when the fill reaches it, the window answering meanwhile.
    awaiting_ = true;
    awaited_ = found;
    fill_.WhenFilledTo(AnsiOffsetOfCharacter(text, match.end), select);
}

bool EditorFind::OnEditorKey(UINT message, WPARAM key) {
    const bool control = KeyDown(VK_CONTROL);
    if (KeyDown(VK_MENU)) return false;
    if (message == WM_CHAR) return control && key == kCtrlF;
    if (control && !KeyDown(VK_SHIFT) && key == 'F') {
        OpenDialog();
        return true;
    }
    if (!control && key == VK_F3) {
        FindAgain(KeyDown(VK_SHIFT));
        return true;
    }
    return false;
}
