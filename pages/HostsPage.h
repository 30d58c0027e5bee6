#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "dialogs/RestoreDialog.h"
#include "hosts/FileText.h"
#include "skin/HyperlinkLabel.h"
#include "skin/ImageButton.h"
#include "skin/SkinnedDialog.h"
#include "skin/TextLabel.h"

// The first page: the HOSTS file's entry lines in an editor, saved back,
// imported into, exported, and two of the maker's pages. The lines that are
// not entries (the "localhost" lines and comments, the head) are kept aside
// and put back in front of the editor's text on every save and export.
//
// A long text reaches the editor in pieces between the window's messages:
// the first screenful at once, the rest on a timer, the editor read-only
// meanwhile. Until the last piece is in, the page reads, saves and exports
// the whole text it is filling, never the editor's part of it.
class HostsPage : public SkinnedDialog {
public:
    HostsPage();

    // Empties the editor and fills it with the entry lines of the HOSTS
    // text; its head lines become the page's head. Lines that would block
    // the maker's sites are dropped, and the HOSTS file is rewritten without
    // them.
    void RefillEditor(const std::string& hostsText);
    void RefillEditor(const FileText& hosts);
    // Reads the HOSTS file into the editor. A file that exists but cannot be
    // read is said so, and no save goes over it until a read succeeds.
    void LoadHostsFile();

    // The editor, or null when the rich edit control could not be made.
    HWND Editor() const { return editor_; }
    // Takes the lines that block names of the new exception lines out of
    // HOSTS (after a backup) and out of the editor, and says how many went.
    void TakeOutExcepted(const std::string& exceptionLines);

    // True while the editor holds only the first part of its text.
    bool IsFilling() const { return !fillText_.empty(); }
    // The editor's whole text, "" when there is none or it cannot be read.
    std::string EditorText() const;
    // The editor's whole text, whatever length the control reports; false
    // when it could not be read whole. While filling, the whole text it is
    // being filled with.
    bool ReadEditorText(std::string& text) const;
    // The head in the HOSTS file's own encoding.
    const std::string& HostsHead() const { return hostsHead_; }
    TextEncoding HostsEncoding() const { return encoding_; }

protected:
    // What the page asks of the user and the shell; tests answer in their stead.
    virtual bool AskImportPath(std::string& path);
    virtual bool AskExportPath(std::string& path);
    virtual void ShowMessage(const std::string& text);
    // The backup chosen from the list shown, or -1.
    virtual int AskRestoreChoice(const std::vector<RestoreDialog::Item>& items);
    virtual bool Open(const std::string& address);

    bool ProcessMessage(Message& m) override;
    void PaintHook(HDC dc, const RECT& client) override;

private:
    void OnInitDialog(Message& m);
    void OnTimer(Message& m);
    void OnSave();
    void OnImport();
    void OnExport();
    void OnHelp();
    void OnShare();
    void OnRestore();

    // Shows a HOSTS file's entries and keeps its head and encoding; true
    // when it held lines that block the maker's sites, which are left out.
    bool ShowHosts(const FileText& hosts);
    // Adds the entries of ANSI text that the editor does not hold yet, and
    // its comments to the head, as an import does.
    void MergeIntoEditor(const std::string& editorText, const std::string& added);
    // Empties the editor and puts the entry text into it: the first
    // screenful at once, the rest by FillNextPiece. A fill still running is
    // given up.
    void FillEditor(std::string entryText);
    void FillNextPiece();
    void EndFill();
    // Appends the fill text up to end, in black, after what the editor holds.
    void AppendFillText(size_t end);
    void AppendColoredText(const std::string& text, COLORREF color, bool bold);
    void ShowFillProgress();
    // A fresh, empty editor in the old one's place, the old one destroyed:
    // the control deletes the text it holds very slowly, a new one starts
    // empty at once. When no fresh one can be made the old one is emptied.
    void RenewEditor();
    void PrepareEditor();

    TextImageButton saveButton_;
    HyperlinkLabel helpLink_;
    HyperlinkLabel importLink_;
    HyperlinkLabel exportLink_;
    HyperlinkLabel shareLink_;
    HyperlinkLabel restoreLink_;
    TextLabel fillLabel_;
    HWND editor_ = nullptr;  // a child of the page, destroyed with it
    // The entry text being put into the editor, empty when none is; the
    // editor holds its first filled_ bytes.
    std::string fillText_;
    size_t filled_ = 0;
    size_t pieceSize_ = 0;     // bytes of the next piece, from the last one's time
    double lastRepaint_ = 0;   // milliseconds, see NowMs
    int shownPercent_ = -1;
    std::string hostsHead_;
    TextEncoding encoding_ = TextEncoding::Ansi;
    // Why the HOSTS file could not be read at the last try; ERROR_SUCCESS
    // once it has been.
    DWORD readError_ = ERROR_SUCCESS;
};
