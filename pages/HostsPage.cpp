#include "pages/HostsPage.h"

#include <commdlg.h>
#include <richedit.h>

#include <algorithm>
#include <vector>

#include "SitemoatConfig.h"
#include "base/TextEncoding.h"
#include "dialogs/OpenInBrowser.h"
#include "dialogs/TextDialog.h"
#include "hosts/BlockList.h"
#include "hosts/HostsBackup.h"
#include "hosts/HostsText.h"
#include "res/resource.h"
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
    };
    static const CommandHandler<HostsPage> kCommands[] = {
        {IDC_SAVE, &HostsPage::OnSave},
        {IDC_LINK_IMPORT, &HostsPage::OnImport},
        {IDC_LINK_EXPORT, &HostsPage::OnExport},
        {IDC_LINK_HELP, &HostsPage::OnHelp},
        {IDC_LINK_SHARE, &HostsPage::OnShare},
        {IDC_LINK_RESTORE, &HostsPage::OnRestore},
        {IDC_LINK_COMPACT, &HostsPage::OnCompact},
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
    if (!fill_.OnTimer(m.wParam)) m.handled = false;
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
    std::string text;
    if (!editor_ || !ReadEditorText(text)) text = document_.Lines().ShownText();
    const std::string before = text;
    HostsOutcome outcome = document_.TakeOut(remove, text);
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
    std::string text;
    if (!editor_ || !ReadEditorText(text)) text = document_.Lines().ShownText();
    const std::string before = text;
    const HostsOutcome outcome = document_.Compact(text);
    if (!outcome.Ok()) {
        ShowMessage(kCompactFailed + outcome.Reason());
        return;
    }
    if (editor_ && text != before) FillEditor(std::move(text));
    ShowMessage(kCompacted + std::to_string(outcome.names) + "行。");
}

bool HostsPage::AskCompact(std::size_t linesSaved, std::size_t linesJoined) {
    const std::string question = "整理后Host表将减少" + std::to_string(linesSaved) + "行：" +
                                 std::to_string(linesJoined) + "个单域名屏蔽行将合并为每行9个域名。"
                                 "整理前会先备份Host表。是否整理？";
    return ConfirmDialog(question, "整理", "取消").Run() == IDOK;
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
