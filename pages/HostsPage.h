#pragma once

#include <windows.h>

#include <string>

#include "skin/HyperlinkLabel.h"
#include "skin/ImageButton.h"
#include "skin/SkinnedDialog.h"

// The first page: the HOSTS file's entry lines in an editor, saved back,
// imported into, exported, and two of the maker's pages. The lines that are
// not entries (the "localhost" lines and comments, the head) are kept aside
// and put back in front of the editor's text on every save and export.
class HostsPage : public SkinnedDialog {
public:
    HostsPage();

    // Empties the editor and fills it with the entry lines of the HOSTS
    // text; its head lines become the page's head.
    void RefillEditor(const std::string& hostsText);
    // Appends text at the end of the editor in the colour (and bold).
    void AppendColoredText(const std::string& text, COLORREF color, bool bold);

    // The editor, or null when the rich edit control could not be made.
    HWND Editor() const { return editor_; }
    std::string EditorText() const;
    const std::string& HostsHead() const { return hostsHead_; }

protected:
    // What the page asks of the user and the shell; tests answer in their stead.
    virtual bool AskImportPath(std::string& path);
    virtual bool AskExportPath(std::string& path);
    virtual void ShowMessage(const std::string& text);
    virtual bool Open(const std::string& address);

    bool ProcessDialogMessage(Message& m) override;
    void PaintHook(HDC dc, const RECT& client) override;

private:
    void OnInitDialog(Message& m);
    void OnSave();
    void OnImport();
    void OnExport();
    void OnHelp();
    void OnShare();

    // Puts the entry text into an empty editor.
    void FillEditor(const std::string& entryText);
    // A fresh, empty editor in the old one's place: the control deletes the
    // text it holds very slowly, a new one starts empty at once. Returns the
    // old editor, hidden, for the caller to destroy; null when no fresh one
    // could be made and the old one was emptied instead.
    HWND RenewEditor();
    void PrepareEditor();

    TextImageButton saveButton_;
    HyperlinkLabel helpLink_;
    HyperlinkLabel importLink_;
    HyperlinkLabel exportLink_;
    HyperlinkLabel shareLink_;
    HWND editor_ = nullptr;  // a child of the page, destroyed with it
    std::string hostsHead_;
};
