#pragma once

#include <windows.h>
#include <commdlg.h>
#include <richedit.h>

#include <functional>
#include <memory>
#include <string>

#include "pages/EditorFill.h"
#include "win/Handles.h"
#include "win/ModelessDialogKeys.h"
#include "win/Window.h"

// Find in the hosts editor: Ctrl+F opens the system's Find dialog, F3 finds
// the next match the dialog's way, Shift+F3 the other way. The whole text is
// searched, also while the editor still fills: a match past what the editor
// holds is selected when the fill reaches it. The match is selected and
// scrolled into view.
class EditorFind {
public:
    // The editor's whole text when no fill runs, as the page reads it.
    using ReadText = std::function<bool(std::string& text)>;
    // A short message to the user: wrapped round, not found.
    using Say = std::function<void(const std::string& text)>;

    EditorFind(EditorFill& fill, ReadText readText, Say say);
    ~EditorFind();
    EditorFind(const EditorFind&) = delete;
    EditorFind& operator=(const EditorFind&) = delete;

    // Finds in the page's editor, the one it has now.
    void Watch(HWND editor) { editor_ = editor; }
    // Keys that reach the editor (WM_KEYDOWN, WM_CHAR); true when they were
    // the find's, which the editor must then not see.
    bool OnEditorKey(UINT message, WPARAM key);
    // The page's messages: the dialog's FINDMSGSTRING, and WM_DESTROY, which
    // takes the dialog along. True when handled.
    bool ProcessMessage(Message& m);

private:
    static constexpr WORD kWhatSize = 256;

    void OpenDialog();
    void CloseDialog();
    void OnFindMessage(const FINDREPLACEA& request);
    void FindAgain(bool reverse);
    void FindNext(bool down);

    EditorFill& fill_;
    ReadText readText_;
    Say say_;
    HWND editor_ = nullptr;  // not owned
    // What the dialog shows and was last asked: it writes into both while it
    // is open. The direction, case and whole-word flags stay for F3 once it
    // is closed.
    char what_[kWhatSize] = {};
    FINDREPLACEA request_{};
    // A match found past what the editor holds, selected once the fill
    // reaches it.
    bool awaiting_ = false;
    CHARRANGE awaited_{};
    UniqueWindow dialog_;
    std::unique_ptr<ModelessDialogKeys> dialogKeys_;
};
