#include "pages/HostsPage.h"

#include <commctrl.h>
#include <commdlg.h>
#include <windowsx.h>
#include <richedit.h>

#include <algorithm>
#include <vector>

#include "SitemoatConfig.h"
#include "base/TextEncoding.h"
#include "dialogs/OpenInBrowser.h"
#include "dialogs/PauseDialog.h"
#include "dialogs/TextDialog.h"
#include "hosts/BlockList.h"
#include "hosts/HostsBackup.h"
#include "hosts/HostsText.h"
#include "hosts/AnsiText.h"
#include "hosts/HostsLine.h"
#include "res/resource.h"
#include "settings/SettingsStore.h"
#include "update/ListSourcesFile.h"
#include "skin/SkinGdi.h"
#include "win/AppModule.h"
#include "win/OpenUrl.h"
#include "win/WindowText.h"

namespace {

constexpr char kSavedMessage[] = "host表保存成功！";
constexpr char kSaveFailed[] = "host表保存失败：";
constexpr char kSaveConflict[] =
    "host表未保存：Host表已被其他程序修改，您修改过的行在其中已不存在。现已显示Host表的当前内容，"
    "并保留了您输入的内容，请确认后再保存。";
constexpr char kImportFailed[] = "导入失败：";
constexpr char kExportFailed[] = "导出失败：";
constexpr char kRestoreFailed[] = "恢复失败：";
constexpr char kUnreadable[] = "无法读取Host表：";
constexpr char kEditorUnreadable[] = "无法读取编辑框中的全部内容";
constexpr char kReadAgain[] = "已重新读取Host表，您输入的内容已保留，请确认后再保存。";
constexpr char kNoBackups[] = "还没有Host表的备份。";
constexpr char kOriginalLabel[] = "（最初的Host表）";
constexpr char kExceptionsApplied[] = "例外站点已保存，已从Host表中移除";
constexpr char kExceptionsNotApplied[] = "例外站点已保存，但Host表未能更新：";
constexpr char kMakerNamesTakenOut[] = "已解除Host表对本软件网站的";
constexpr char kMakerNamesNotTakenOut[] = "未能解除对本软件网站的屏蔽：";
constexpr char kPauseLink[] = "暂停拦截";
constexpr char kResumeLink[] = "恢复拦截";
constexpr char kPauseFailed[] = "暂停拦截失败：";
constexpr char kResumeFailed[] = "恢复拦截失败：";
constexpr UINT_PTR kPauseTimer = 2;
// The pause link counts minutes: a look twice a minute is often enough.
constexpr UINT kPauseCheckMs = 30 * 1000;
constexpr unsigned long long kFileTimeMinute = 60ull * 1000 * 1000 * 10;
constexpr char kWhereFromItem[] = "这个域名来自哪里？";
constexpr char kAllowItem[] = "加入例外站点";
constexpr UINT kWhereFromCommand = 1;
constexpr UINT kAllowCommand = 2;
constexpr char kExceptionNotSaved[] = "例外站点保存失败：无法写入config.ini";
// Lines named in an answer, at most; more are counted.
constexpr std::size_t kLinesNamed = 5;
constexpr char kFileFilter[] = "TXT Files (*.txt)\0*.txt\0All Files (*.*)\0*.*\0";
constexpr char kDefaultExportName[] = "host.txt";
// File dialogs refuse a longer name rather than cut it.
constexpr DWORD kPathBufferSize = 32768;
constexpr char kFillProgress[] = "正在载入Host表… ";
constexpr char kNothingToCompact[] = "Host表中没有可以合并的单个域名屏蔽行。";
constexpr char kCompacted[] = "已整理Host表，减少了";
constexpr char kCompactFailed[] = "整理Host表失败：";
// Right of the input format, left of the help link.
constexpr RECT kStatusRect{226, 39, 436, 51};

std::string TimeText(const SYSTEMTIME& t) {
    char text[32];
    wsprintfA(text, "%04u-%02u-%02u %02u:%02u:%02u", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
              t.wSecond);
    return text;
}

bool AskPath(bool save, std::string& path) {
    std::vector<char> buffer(kPathBufferSize, '\0');
    if (save) lstrcpynA(buffer.data(), kDefaultExportName, static_cast<int>(buffer.size()));
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = GetActiveWindow();
    ofn.lpstrFilter = kFileFilter;
    ofn.lpstrFile = buffer.data();
    ofn.nMaxFile = kPathBufferSize;
    ofn.lpstrDefExt = "txt";
    ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_ENABLESIZING;
    if (save) ofn.Flags |= OFN_OVERWRITEPROMPT;
    if (!(save ? GetSaveFileNameA(&ofn) : GetOpenFileNameA(&ofn))) return false;
    path = buffer.data();
    return true;
}

HWND CreateLabelWindow(HWND page, int id, const RECT& r) {
    return CreateWindowExA(0, "STATIC", "", WS_CHILD | SS_LEFT, r.left, r.top, r.right - r.left,
                           r.bottom - r.top, page, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                           AppModule::Get().Instance(), nullptr);
}

// The lines of a text, between CR and LF; empty ones left out.
std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t pos = 0; pos <= text.size(); ++pos) {
        if (pos < text.size() && text[pos] != '\r' && text[pos] != '\n') continue;
        if (pos > start) lines.push_back(text.substr(start, pos - start));
        start = pos + 1;
    }
    return lines;
}

// The lines of a text as the editor holds them, one a line.
std::string WithLineFeeds(std::string_view text) {
    std::string lines;
    for (std::string_view line : SplitLines(text)) (lines += line) += '\n';
    return lines;
}

// The menu key and Shift+F10 ask for the editor's context menu at the
// caret, as a right click does: the rich edit leaves them to DefWindowProc,
// which under Wine does not turn them into WM_CONTEXTMENU.
bool IsMenuKey(UINT msg, WPARAM key) {
    return (msg == WM_KEYUP && key == VK_APPS) ||
           (msg == WM_SYSKEYUP && key == VK_F10 && GetKeyState(VK_SHIFT) < 0);
}

}  // namespace

HostsPage::HostsPage()
    : SkinnedDialog(IDD_HOSTS_PAGE),
      saveButton_(ImageButton::kAutoSize),
      find_(fill_, [this](std::string& text) { return ReadEditorText(text); },
            [this](const std::string& text) { ShowMessage(text); }) {}

bool HostsPage::ProcessMessage(Message& m) {
    if (SkinnedDialog::ProcessMessage(m)) return true;  // the frame first
    if (find_.ProcessMessage(m)) return true;
    static const MessageHandler<HostsPage> kMap[] = {
        {WM_INITDIALOG, &HostsPage::OnInitDialog},
        {WM_TIMER, &HostsPage::OnTimer},
        {WM_CONTEXTMENU, &HostsPage::OnContextMenu},
    };
    static const CommandHandler<HostsPage> kCommands[] = {
        {IDC_SAVE, &HostsPage::OnSave},
        {IDC_LINK_IMPORT, &HostsPage::OnImport},
        {IDC_LINK_EXPORT, &HostsPage::OnExport},
        {IDC_LINK_HELP, &HostsPage::OnHelp},
        {IDC_LINK_SHARE, &HostsPage::OnShare},
        {IDC_LINK_RESTORE, &HostsPage::OnRestore},
        {IDC_LINK_COMPACT, &HostsPage::OnCompact},
        {IDC_LINK_PAUSE, &HostsPage::OnPause},
    };
    return RouteCommand(this, kCommands, m) || RouteMessage(this, kMap, m);
}

void HostsPage::OnInitDialog(Message&) {
    saveButton_.SetImageStrip(LoadImageStrip(IDB_SAVE_BUTTON, 100, 24));
    saveButton_.AttachItem(Hwnd(), IDC_SAVE);
    saveButton_.SetImages(0, 1, 2, 4);
    saveButton_.SetExtendedStyle(ImageButton::kHover);

    helpLink_.Create(Hwnd(), IDC_LINK_HELP, RECT{442, 39, 590, 51}, "如何使用Sitemoat？");
    importLink_.Create(Hwnd(), IDC_LINK_IMPORT, RECT{30, 350, 54, 362}, "导入");
    exportLink_.Create(Hwnd(), IDC_LINK_EXPORT, RECT{70, 350, 94, 362}, "导出");
    shareLink_.Create(Hwnd(), IDC_LINK_SHARE, RECT{120, 350, 228, 362}, "共享host给其他网友");
    restoreLink_.Create(Hwnd(), IDC_LINK_RESTORE, RECT{254, 350, 278, 362}, "恢复");
    compactLink_.Create(Hwnd(), IDC_LINK_COMPACT, RECT{288, 350, 348, 362}, "整理Host表");
    pauseLink_.Create(Hwnd(), IDC_LINK_PAUSE, RECT{356, 350, 488, 362}, kPauseLink);
    ShowPause();
    SetTimer(Hwnd(), kPauseTimer, kPauseCheckMs, nullptr);
    if (HWND status = CreateLabelWindow(Hwnd(), IDC_HOSTS_STATUS, kStatusRect);
        status && statusLabel_.Attach(status)) {
        statusLabel_.SetFont(RGB(0, 0, 0), false, kSkinFontHeight);
    }

    editor_ = GetDlgItem(Hwnd(), IDC_HOSTS_EDITOR);
    PrepareEditor();
}

void HostsPage::PrepareEditor() {
    if (!editor_) return;
    // A rich edit control holds 32K characters unless told otherwise; a
    // HOSTS file of several megabytes must be shown, and saved, whole.
    SendMessageA(editor_, EM_EXLIMITTEXT, 0, 0x7FFFFFFE);
    find_.Watch(editor_);
    editorKeys_.Attach(editor_, [this](UINT msg, WPARAM wParam, LPARAM, LRESULT& result) {
        result = 0;
        if ((msg == WM_KEYDOWN || msg == WM_CHAR) && find_.OnEditorKey(msg, wParam)) return true;
        if (!IsMenuKey(msg, wParam)) return false;
        SendMessageA(Hwnd(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(editor_), -1);
        return true;
    });
}

std::string HostsPage::EditorText() const {
    std::string text;
    ReadEditorText(text);
    return text;
}

bool HostsPage::ReadEditorText(std::string& text) const {
    if (!editor_) {
        text.clear();
        return false;
    }
    // The editor is read-only until filled: it holds the start of this text.
    if (IsFilling()) {
        text = fill_.Text();
        return true;
    }
    GETTEXTLENGTHEX ask{GTL_NUMBYTES | GTL_PRECISE, CP_ACP};
    const LRESULT bytes = SendMessageA(editor_, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&ask), 0);
    return ReadWindowText(editor_, text, bytes > 0 ? size_t(bytes) : 0);
}

void HostsPage::RefillEditor(std::string hostsBytes) {
    ShowLoaded(document_.Adopt(std::move(hostsBytes)));
}

void HostsPage::LoadHostsFile() {
    ShowLoaded(document_.Load());
}

void HostsPage::ShowLoaded(const HostsOutcome& loaded) {
    FillEditor(document_.Lines().ShownText());
    if (loaded.readError != ERROR_SUCCESS) {
        // A missing file shows as empty; one that cannot be read is said so.
        if (!document_.Loaded()) ShowMessage(kUnreadable + loaded.Reason());
        SetNotice("");
        return;
    }
    if (loaded.names == 0) {
        SetNotice("");
    } else if (loaded.write.Ok()) {
        SetNotice(kMakerNamesTakenOut + std::to_string(loaded.names) + "处屏蔽");
    } else {
        SetNotice(kMakerNamesNotTakenOut + loaded.Reason());
    }
}

void HostsPage::SetNotice(const std::string& text) {
    notice_ = text;
    if (!IsFilling()) ShowStatus(notice_);
}

void HostsPage::ShowStatus(const std::string& text) {
    if (!statusLabel_.Hwnd()) return;
    statusLabel_.SetText(text.c_str());
    ShowWindow(statusLabel_.Hwnd(), text.empty() ? SW_HIDE : SW_SHOWNA);
}

void HostsPage::FillEditor(std::string text) {
    if (!editor_) return;
    fill_.Stop();
    if (GetWindowTextLengthA(editor_) > 0) RenewEditor();
    shownPercent_ = -1;
    const auto font = reinterpret_cast<HFONT>(SendMessageA(Hwnd(), WM_GETFONT, 0, 0));
    fill_.Start(Hwnd(), editor_, font, std::move(text), [this](int percent) { ShowFillProgress(percent); });
}

void HostsPage::OnTimer(Message& m) {
    if (fill_.OnTimer(m.wParam)) return;
    if (m.wParam != kPauseTimer) {
        m.handled = false;
        return;
    }
    HostsPause::State state;
    if (pause_.Read(state) && state.until != 0 && Now() >= state.until) {
        ResumeBlocking();
    } else {
        ShowPause();
    }
}

void HostsPage::ShowFillProgress(int percent) {
    if (percent < 0) {
        ShowStatus(notice_);
    } else if (percent != shownPercent_) {
        ShowStatus(kFillProgress + std::to_string(percent) + "%");
        shownPercent_ = percent;
    }
}

void HostsPage::RenewEditor() {
    HWND old = editor_;
    RECT rect;
    GetWindowRect(old, &rect);
    MapWindowPoints(nullptr, Hwnd(), reinterpret_cast<POINT*>(&rect), 2);
    char className[64] = {};
    GetClassNameA(old, className, sizeof className);
    // The control drops WS_VSCROLL from its style while its text fits; the
    // fresh one must still get its scroll bar once the text grows.
    const DWORD style = static_cast<DWORD>(GetWindowLongPtrA(old, GWL_STYLE)) | WS_VSCROLL;
    const DWORD exStyle = static_cast<DWORD>(GetWindowLongPtrA(old, GWL_EXSTYLE));
    const auto id = reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_HOSTS_EDITOR));
    HWND fresh = CreateWindowExA(exStyle, className, "", style, rect.left, rect.top,
                                 rect.right - rect.left, rect.bottom - rect.top, Hwnd(), id,
                                 AppModule::Get().Instance(), nullptr);
    if (!fresh) {
        SetWindowTextA(old, "");  // slow, but still right
        return;
    }
    const bool hadFocus = GetFocus() == old;
    // The same place in the Z and tab order, and the template's font, which
    // the dialog gave the first editor (a rich edit does not tell its own).
    SetWindowPos(fresh, old, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SendMessageA(fresh, WM_SETFONT, SendMessageA(Hwnd(), WM_GETFONT, 0, 0), FALSE);
    editor_ = fresh;
    PrepareEditor();
    if (hadFocus) SetFocus(fresh);
    // Freeing the old text takes a while too (under Wine some 6 us a line):
    // better now, right after the user's command, than amid the fill.
    DestroyWindow(old);
}

void HostsPage::OnSave() {
    // Without an editor there is nothing to save.
    if (!editor_) return;
    std::string text;
    if (!ReadEditorText(text)) {
        ShowMessage(std::string(kSaveFailed) + kEditorUnreadable);
        return;
    }
    const bool wasLoaded = document_.Loaded();
    const HostsOutcome saved = document_.Save(text);
    if (saved.readAgain || saved.conflict) {
        FillEditor(document_.ShownTextKeeping(text));
        ShowMessage(saved.readAgain ? kReadAgain : kSaveConflict);
        return;
    }
    if (!saved.Ok()) {
        ShowMessage((wasLoaded ? kSaveFailed : kUnreadable) + saved.Reason());
        return;
    }
    if (saved.refill) FillEditor(document_.Lines().ShownText());
    // What the user typed is theirs: no list takes it out again.
    if (!saved.typedNames.empty()) {
        ListSourcesFile().Edit([&](ListSources& sources) { return sources.Claim(saved.typedNames); });
    }
    ShowMessage(kSavedMessage);
}

void HostsPage::OnImport() {
    std::string path;
    if (!editor_ || !AskImportPath(path)) return;
    std::string bytes;
    if (const DWORD error = ReadFileBytes(path, bytes)) {
        ShowMessage(kImportFailed + FileErrorReason(error));
        return;
    }
    std::string text;
    if (!ReadEditorText(text)) {
        ShowMessage(std::string(kImportFailed) + kEditorUnreadable);
        return;
    }
    // Only entries whose names the editor does not hold yet; HOSTS has its
    // localhost lines already.
    const std::string imported = AnsiText(bytes);
    std::string entries;
    for (std::string_view line : SplitLines(imported)) {
        if (KindOf(line) != LineKind::Local) (entries += line) += '\n';
    }
    std::string combined = text;
    AppendNewEntries(combined, entries);
    if (combined.size() == text.size()) return;
    FillEditor(WithLineFeeds(combined));
}

void HostsPage::OnExport() {
    std::string path;
    if (!AskExportPath(path)) return;
    std::string text;
    if (!ReadEditorText(text)) {
        ShowMessage(std::string(kExportFailed) + kEditorUnreadable);
        return;
    }
    const WriteResult written = ReplaceFileBytes(path, document_.Export(text), true);
    if (!written.Ok()) ShowMessage(kExportFailed + FileErrorReason(written));
}

// The chosen backup is loaded into the editor; the user saves it, and that
// save keeps a backup of what it replaces, so a restore can be undone too.
void HostsPage::OnRestore() {
    if (!editor_) return;
    const std::vector<HostsBackup> backups = HostsBackups().List();
    if (backups.empty()) {
        ShowMessage(kNoBackups);
        return;
    }
    std::vector<std::string> texts(backups.size());
    std::vector<DWORD> errors(backups.size());
    std::vector<RestoreDialog::Item> items;
    for (size_t i = 0; i < backups.size(); ++i) {
        errors[i] = ReadFileBytes(backups[i].path, texts[i]);
        const HostsLines lines(texts[i]);
        items.push_back({TimeText(backups[i].time) + (backups[i].original ? kOriginalLabel : ""),
                         std::to_string(lines.EntryNameCount()) + "条"});
    }
    const int chosen = AskRestoreChoice(items);
    if (chosen < 0 || size_t(chosen) >= texts.size()) return;
    if (errors[chosen] != ERROR_SUCCESS) {
        ShowMessage(kRestoreFailed + FileErrorReason(errors[chosen]));
        return;
    }
    document_.Restore(std::move(texts[chosen]));
    FillEditor(document_.Lines().ShownText());
}

void HostsPage::TakeOutExcepted(const std::string& exceptionLines) {
    const ExceptionList added(exceptionLines);
    const HostsOutcome outcome = TakeOut([&](std::string_view name) { return added.Matches(name); });
    if (!outcome.Ok()) {
        ShowMessage(kExceptionsNotApplied + outcome.Reason());
        return;
    }
    ShowMessage(kExceptionsApplied + std::to_string(outcome.names) + "行。");
}

HostsOutcome HostsPage::TakeOut(const std::function<bool(std::string_view name)>& remove) {
    return RunRule([&](std::string& text) { return document_.TakeOut(remove, text); });
}

HostsOutcome HostsPage::RunRule(const std::function<HostsOutcome(std::string& editorText)>& rule) {
    std::string text;
    if (!editor_ || !ReadEditorText(text)) text = document_.Lines().ShownText();
    const std::string before = text;
    HostsOutcome outcome = rule(text);
    // The editor too, keeping what the user typed and has not saved yet.
    if (outcome.Ok() && editor_ && text != before) FillEditor(std::move(text));
    return outcome;
}

// Single-name blocking lines, nine names a line, after the user has heard
// how many lines that saves; a backup comes first, as before every write.
void HostsPage::OnCompact() {
    const HostsLines::Compaction compaction = document_.Lines().CompactionOf();
    if (compaction.Saved() == 0) {
        ShowMessage(kNothingToCompact);
        return;
    }
    if (!AskCompact(compaction.Saved(), compaction.lines)) return;
    const HostsOutcome outcome = RunRule([&](std::string& text) { return document_.Compact(text); });
    if (!outcome.Ok()) {
        ShowMessage(kCompactFailed + outcome.Reason());
        return;
    }
    ShowMessage(kCompacted + std::to_string(outcome.names) + "行。");
}

// The link pauses blocking, or while paused, puts it back at once.
void HostsPage::OnPause() {
    if (pause_.Exists()) {
        ResumeBlocking();
        return;
    }
    const int minutes = AskPauseMinutes();
    if (minutes < 0) return;
    const unsigned long long until =
        minutes == PauseDialog::kUntilNextStart ? 0 : Now() + static_cast<unsigned long long>(minutes) * kFileTimeMinute;
    const HostsOutcome paused = RunRule([&](std::string& text) { return document_.Pause(pause_, until, text); });
    if (!paused.Ok()) ShowMessage(kPauseFailed + paused.Reason());
    ShowPause();
}

void HostsPage::ResumeBlocking() {
    if (!pause_.Exists()) return;
    const HostsOutcome resumed = RunRule([&](std::string& text) { return document_.Resume(pause_, text); });
    if (!resumed.Ok()) ShowMessage(kResumeFailed + resumed.Reason());
    ShowPause();
}

void HostsPage::ShowPause() {
    if (!pauseLink_.Hwnd()) return;
    HostsPause::State state;
    std::string text = kPauseLink;
    if (pause_.Read(state)) {
        text = kResumeLink;
        if (state.until == 0) {
            text += "（直到下次启动）";
        } else {
            const unsigned long long now = Now();
            const unsigned long long left = state.until > now ? state.until - now : 0;
            text += "（剩余" + std::to_string((left + kFileTimeMinute - 1) / kFileTimeMinute) + "分钟）";
        }
    }
    if (WindowText(pauseLink_.Hwnd()) != text) SetWindowTextA(pauseLink_.Hwnd(), text.c_str());
}

int HostsPage::AskPauseMinutes() {
    PauseDialog dialog;
    return dialog.Run() == IDOK ? dialog.Minutes() : -1;
}

unsigned long long HostsPage::Now() const {
    return FileTimeNow();
}

bool HostsPage::AskCompact(std::size_t linesSaved, std::size_t linesJoined) {
    const std::string question = "整理后Host表将减少" + std::to_string(linesSaved) + "行：" +
                                 std::to_string(linesJoined) + "个单域名屏蔽行将合并为每行9个域名。"
                                 "整理前会先备份Host表。是否整理？";
    return ConfirmDialog(question, "整理", "取消").Run() == IDOK;
}

// The editor's menu, by the right button or the keyboard (Shift+F10, the
// menu key: lParam -1, the menu comes at the caret).
void HostsPage::OnContextMenu(Message& m) {
    if (!editor_ || reinterpret_cast<HWND>(m.wParam) != editor_) {
        m.handled = false;
        return;
    }
    POINT at{GET_X_LPARAM(m.lParam), GET_Y_LPARAM(m.lParam)};
    std::string name;
    if (m.lParam == -1) {
        CHARRANGE selection{};
        SendMessageA(editor_, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
        POINTL caret{};
        SendMessageA(editor_, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&caret), selection.cpMin);
        at = POINT{caret.x, caret.y + kSkinFontHeight};
        name = NameAt(nullptr);
        ClientToScreen(editor_, &at);
    } else {
        POINT inEditor = at;
        ScreenToClient(editor_, &inEditor);
        name = NameAt(&inEditor);
    }
    UniqueMenu menu(CreatePopupMenu());
    if (!menu) return;
    const UINT state = name.empty() ? MF_GRAYED : MF_ENABLED;
    AppendMenuA(menu.Get(), MF_STRING | state, kWhereFromCommand, kWhereFromItem);
    AppendMenuA(menu.Get(), MF_STRING | state, kAllowCommand, kAllowItem);
    switch (ChooseFromMenu(menu.Get(), at)) {
    case kWhereFromCommand: ShowMessage(WhereFrom(name)); break;
    case kAllowCommand: Allow(name); break;
    default: break;
    }
}

UINT HostsPage::ChooseFromMenu(HMENU menu, POINT at) {
    return static_cast<UINT>(TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_LEFTALIGN, at.x,
                                            at.y, 0, Hwnd(), nullptr));
}

std::string HostsPage::NameAt(const POINT* point) const {
    CHARRANGE selection{};
    SendMessageA(editor_, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    std::string text;
    std::size_t column = 0;
    if (selection.cpMax > selection.cpMin) {
        text.assign(size_t(selection.cpMax - selection.cpMin) * 2 + 1, '\0');
        text.resize(size_t(SendMessageA(editor_, EM_GETSELTEXT, 0, reinterpret_cast<LPARAM>(&text[0]))));
    } else {
        LONG index = selection.cpMin;
        if (point) {
            POINTL at{point->x, point->y};
            index = LONG(SendMessageA(editor_, EM_CHARFROMPOS, 0, reinterpret_cast<LPARAM>(&at)));
        }
        const LRESULT line = SendMessageA(editor_, EM_EXLINEFROMCHAR, 0, index);
        const LRESULT start = SendMessageA(editor_, EM_LINEINDEX, line, 0);
        const LRESULT length = SendMessageA(editor_, EM_LINELENGTH, start, 0);
        text.assign(size_t(std::max<LRESULT>(length, 0)) * 2 + 2, '\0');
        *reinterpret_cast<WORD*>(&text[0]) = static_cast<WORD>(text.size());
        text.resize(size_t(SendMessageA(editor_, EM_GETLINE, line, reinterpret_cast<LPARAM>(&text[0]))));
        // Characters of the code page to bytes.
        for (LRESULT c = start; c < index && column < text.size(); ++c) column += AnsiCharSize(text, column);
    }
    // The word at the column, or the selection's first.
    std::size_t first = std::min(column, text.size());
    while (first > 0 && !IsWordBreak(text[first - 1]) && text[first - 1] != '#' && !IsLineBreak(text[first - 1])) --first;
    std::string_view rest = std::string_view(text).substr(first);
    const std::string_view word = NextWord(rest);
    const std::string_view name = word.substr(0, word.find_first_of("#\r\n"));
    if (!IsHostName(name) && !(name.size() > 1 && name.back() == '.' && IsHostName(name.substr(0, name.size() - 1)))) {
        return {};
    }
    return std::string(name);
}

std::string HostsPage::WhereFrom(const std::string& name) const {
    std::string store;
    const std::string key(NameKey(name, store));
    const std::uint64_t hash = NameHash(key);
    std::vector<std::string> sites;
    const ListSources sources = ListSourcesFile().Read();
    for (const ListSource& source : sources.All()) {
        if (Holds(source.brought, hash)) sites.push_back(source.address);
    }
    std::vector<std::size_t> blocking;
    std::vector<std::pair<std::size_t, std::string>> elsewhere;
    const HostsLines& lines = document_.Lines();
    for (std::size_t i = 0; i < lines.Count(); ++i) {
        if (lines.Kind(i) != LineKind::Entry) continue;
        const std::string text = lines.Text(i);
        std::string_view words = EntryPart(text);
        const std::string_view address = NextWord(words);
        for (std::string_view word = NextWord(words); !word.empty(); word = NextWord(words)) {
            if (!SameName(word, key)) continue;
            if (IsBlockingAddress(address)) {
                blocking.push_back(i + 1);
            } else {
                elsewhere.emplace_back(i + 1, std::string(address));
            }
            break;
        }
    }
    std::string answer;
    if (blocking.empty() && sites.empty()) {
        answer = key + "没有被Host表屏蔽。";
    } else {
        answer = key + "被以下位置屏蔽：";
        for (const std::string& site : sites) answer += "\r\n升级站点的列表：" + site;
        // Lines a list brought are the list's; the others the user's own.
        if (sites.empty()) {
            answer += "\r\n您自己写的Host表第";
            for (std::size_t i = 0; i < blocking.size() && i < kLinesNamed; ++i) {
                answer += (i ? "、" : "") + std::to_string(blocking[i]);
            }
            answer += blocking.size() > kLinesNamed ? "等" + std::to_string(blocking.size()) + "行" : "行";
        }
    }
    for (const auto& [line, address] : elsewhere) {
        answer += "\r\nHost表第" + std::to_string(line) + "行把它指向" + address;
    }
    return answer;
}

void HostsPage::Allow(const std::string& name) {
    const SettingsStore settings;
    std::string exceptions = settings.GetExceptionText();
    if (!ExceptionList(exceptions).Matches(name)) {
        exceptions += (exceptions.empty() ? "" : "\r\n") + name;
        if (!settings.SetExceptionText(exceptions)) {
            ShowMessage(kExceptionNotSaved);
            return;
        }
    }
    TakeOutExcepted(name);
}

void HostsPage::OnHelp() {
    Open(MakerUrl("/host/hosthelp.html"));
}

void HostsPage::OnShare() {
    Open(MakerUrl("/3310731.html"));
}

bool HostsPage::AskImportPath(std::string& path) {
    return AskPath(false, path);
}

bool HostsPage::AskExportPath(std::string& path) {
    return AskPath(true, path);
}

void HostsPage::ShowMessage(const std::string& text) {
    MessageDialog(text).Run();
}

int HostsPage::AskRestoreChoice(const std::vector<RestoreDialog::Item>& items) {
    RestoreDialog dialog(items);
    return dialog.Run() == IDOK ? dialog.Chosen() : -1;
}

bool HostsPage::Open(const std::string& address) {
    return OpenInBrowser(address);
}

void HostsPage::PaintHook(HDC dc, const RECT&) {
    if (!editor_) return;
    RECT outline;
    GetWindowRect(editor_, &outline);
    MapWindowPoints(nullptr, Hwnd(), reinterpret_cast<POINT*>(&outline), 2);
    InflateRect(&outline, 1, 1);
    UniqueBrush grey(CreateSolidBrush(kOutlineColor));
    FrameRect(dc, &outline, grey.Get());
}
