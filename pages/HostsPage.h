#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "dialogs/RestoreDialog.h"
#include "hosts/HostsDocument.h"
#include "hosts/HostsPause.h"
#include "pages/EditorFill.h"
#include "pages/EditorFind.h"
#include "skin/HyperlinkLabel.h"
#include "skin/ImageButton.h"
#include "skin/SkinnedDialog.h"
#include "skin/TextLabel.h"
#include "win/ControlProcHook.h"

// The first page: the entry lines of the HOSTS file in an editor, saved
// back, imported into, exported, and two of the maker's pages. The page is
// a view of a HostsDocument, which holds the file and the rules by which it
// is written: a save changes only the lines the user changed.
//
// A long text reaches the editor in pieces between the window's messages
// (EditorFill). Until the last piece is in, the page reads, saves and
// exports the whole text it is filling, never the editor's part of it.
class HostsPage : public SkinnedDialog {
public:
    HostsPage();

    // Shows HOSTS as it now holds these bytes (the update pass has just
    // written them). Names of the maker's sites are taken out of its
    // entry lines and HOSTS is written back without them; the page says so.
    void RefillEditor(std::string hostsBytes);
    // Reads the HOSTS file into the editor, and the same. A file that
    // exists but cannot be read is said so, and no save goes over it until
    // a read succeeds.
    void LoadHostsFile();

    // The editor, or null when the rich edit control could not be made.
    HWND Editor() const { return editor_; }
    const HostsDocument& Document() const { return document_; }
    // Takes the names the new exception lines cover out of HOSTS (after a
    // backup) and out of the editor, and says how many went.
    void TakeOutExcepted(const std::string& exceptionLines);
    // Takes names out of HOSTS's blocking lines (after a backup) and out of
    // the editor, keeping what the user typed.
    HostsOutcome TakeOut(const std::function<bool(std::string_view name)>& remove);
    // Puts blocking back, when it is paused; the editor keeps what the user
    // typed. Says why, when it cannot.
    void ResumeBlocking();
    // The pause link says whether blocking is paused and how long it stays so.
    void ShowPause();

    // True while the editor holds only the first part of its text.
    bool IsFilling() const { return fill_.Running(); }
    // The editor's whole text, "" when there is none or it cannot be read.
    std::string EditorText() const;
    // The editor's whole text, whatever length the control reports; false
    // when it could not be read whole. While filling, the whole text it is
    // being filled with.
    bool ReadEditorText(std::string& text) const;
    // The line of text above the editor that tells what the page did to
    // HOSTS on its own, once the editor is filled.
    std::string Notice() const { return notice_; }

protected:
    // What the page asks of the user and the shell; tests answer in their stead.
    virtual bool AskImportPath(std::string& path);
    virtual bool AskExportPath(std::string& path);
    virtual void ShowMessage(const std::string& text);
    // The backup chosen from the list shown, or -1.
    virtual int AskRestoreChoice(const std::vector<RestoreDialog::Item>& items);
    virtual bool Open(const std::string& address);
    // Whether to compact HOSTS, told how many lines it saves.
    virtual bool AskCompact(std::size_t linesSaved, std::size_t linesJoined);
    // The command chosen from the editor's menu at the screen point, or 0.
    virtual UINT ChooseFromMenu(HMENU menu, POINT at);
    // How long blocking pauses, in minutes (PauseDialog::kUntilNextStart:
    // until the next start), or -1.
    virtual int AskPauseMinutes();
    // Now, as a FILETIME in UTC.
    virtual unsigned long long Now() const;

    bool ProcessMessage(Message& m) override;
    void PaintHook(HDC dc, const RECT& client) override;

private:
    // Runs one of the document's rules on HOSTS and on the editor's text,
    // which keeps what the user typed and has not saved yet; the editor is
    // filled anew when the rule changed its text.
    HostsOutcome RunRule(const std::function<HostsOutcome(std::string& editorText)>& rule);

    void OnInitDialog(Message& m);
    void OnTimer(Message& m);
    void OnContextMenu(Message& m);
    void OnSave();
    void OnImport();
    void OnExport();
    void OnHelp();
    void OnShare();
    void OnRestore();
    void OnCompact();
    void OnPause();

    // Shows what loading HOSTS did, as the notice or a message.
    void ShowLoaded(const HostsOutcome& loaded);
    void SetNotice(const std::string& text);
    void ShowStatus(const std::string& text);
    // Empties the editor and fills it with text (EditorFill); a fill still
    // running is given up.
    void FillEditor(std::string text);
    void ShowFillProgress(int percent);
    // The name the user points at: the selection's first word, else the
    // word at the point (client coordinates of the editor), else at the
    // caret; "" when that is no host name.
    std::string NameAt(const POINT* point) const;
    // Where HOSTS blocks the name: the update sites whose lists brought it,
    // the user's own lines.
    std::string WhereFrom(const std::string& name) const;
    // The name joins the exceptions and leaves HOSTS and the editor.
    void Allow(const std::string& name);
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
    HyperlinkLabel compactLink_;
    HyperlinkLabel pauseLink_;
    // The fill's progress while the editor fills, else the notice.
    TextLabel statusLabel_;
    HWND editor_ = nullptr;  // a child of the page, destroyed with it
    EditorFill fill_;
    EditorFind find_;
    // The find's keys and the menu keys, before the editor sees them.
    ControlProcHook editorKeys_;
    int shownPercent_ = -1;
    HostsDocument document_;
    HostsPause pause_;
    std::string notice_;
};
