#include "pages/HostsPage.h"

#include <commdlg.h>
#include <richedit.h>

#include <algorithm>
#include <vector>

#include "SitemoatConfig.h"
#include "dialogs/OpenInBrowser.h"
#include "base/TextCodec.h"
#include "dialogs/TextDialog.h"
#include "hosts/BlockList.h"
#include "hosts/HostsBackup.h"
#include "hosts/HostsService.h"
#include "res/resource.h"
#include "skin/SkinGdi.h"
#include "win/AppModule.h"
#include "win/WindowText.h"

namespace {

constexpr char kSavedMessage[] = "host表保存成功！";
constexpr char kSaveFailed[] = "host表保存失败：";
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
constexpr char kFileFilter[] = "TXT Files (*.txt)\0*.txt\0All Files (*.*)\0*.*\0";
constexpr char kDefaultExportName[] = "host.txt";
// File dialogs refuse a longer name rather than cut it.
constexpr DWORD kPathBufferSize = 32768;
constexpr char kFillProgress[] = "正在载入Host表… ";
constexpr RECT kFillProgressRect{300, 350, 460, 362};
constexpr UINT_PTR kFillTimer = 1;
// How long one piece of a fill may keep the window from its messages. Not
// much less than the timer's period (10 ms), or the thread idles between
// ticks and the fill takes twice as long. The control's cost per byte
// varies with the text and the machine, so each piece is sized from the
// time the last one took, the first at a guess.
constexpr double kPieceTargetMs = 10;
constexpr size_t kFirstPieceSize = 4 * 1024;
constexpr size_t kMinPieceSize = 256;
constexpr size_t kMaxPieceSize = 256 * 1024;
// Drawing the editor costs about half a piece: the scroll bar, and lines
// coming into view, follow the fill at this pace rather than every piece.
constexpr double kRepaintIntervalMs = 100;
// Selecting past the end puts the caret at the end at once; the end's own
// offset is looked up line by line from the top.
constexpr LONG kPastTheEnd = 0x7FFFFFFF;

// Lines of the added head that the kept head does not hold yet, after it.
std::string MergeHead(const std::string& kept, const std::string& added) {
    std::string head = kept;
    size_t start = 0;
    while (start < added.size()) {
        size_t end = added.find('\n', start);
        end = end == std::string::npos ? added.size() : end + 1;
        const std::string line = added.substr(start, end - start);
        if (("\n" + head).find("\n" + line) == std::string::npos) head += line;
        start = end;
    }
    return head;
}

double NowMs() {
    LARGE_INTEGER frequency;
    LARGE_INTEGER now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&now);
    return double(now.QuadPart) * 1000.0 / double(frequency.QuadPart);
}

// Just past the whole lines from text[from] on that make at least size bytes.
size_t WholeLinesEnd(const std::string& text, size_t from, size_t size) {
    if (text.size() - from <= size) return text.size();
    const size_t end = text.find('\n', from + size - 1);
    return end == std::string::npos ? text.size() : end + 1;
}

// Just past the next lines lines from text[from] on.
size_t LinesEnd(const std::string& text, size_t from, int lines) {
    size_t end = from;
    for (int i = 0; i < lines && end < text.size(); ++i) end = WholeLinesEnd(text, end, 1);
    return end;
}

// Lines of the editor's font that fill its height, and one more, so that
// a longer text has its scroll bar from the first screenful on. The font is
// the page's, which the editor was given: a rich edit does not tell its own.
int ScreenfulOfLines(HWND editor, HFONT font) {
    RECT client{};
    GetClientRect(editor, &client);
    WindowDc dc(editor);
    ScopedSelect selected(dc.Get(), font);
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc.Get(), &metrics);
    return static_cast<int>(client.bottom / std::max<LONG>(metrics.tmHeight, 1)) + 1;
}

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

}  // namespace

HostsPage::HostsPage() : SkinnedDialog(IDD_HOSTS_PAGE), saveButton_(ImageButton::kAutoSize) {}

bool HostsPage::ProcessMessage(Message& m) {
    if (SkinnedDialog::ProcessMessage(m)) return true;  // the frame first
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
    const RECT& r = kFillProgressRect;
    HWND progress = CreateWindowExA(0, "STATIC", "", WS_CHILD | SS_LEFT, r.left, r.top, r.right - r.left,
                                    r.bottom - r.top, Hwnd(),
                                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_FILL_PROGRESS)),
                                    AppModule::Get().Instance(), nullptr);
    if (progress && fillLabel_.Attach(progress)) {
        fillLabel_.SetFont(RGB(0, 0, 0), false, kSkinFontHeight);
    }

    editor_ = GetDlgItem(Hwnd(), IDC_HOSTS_EDITOR);
    PrepareEditor();
}

void HostsPage::PrepareEditor() {
    if (!editor_) return;
    // A rich edit control holds 32K characters unless told otherwise; a
    // HOSTS file of several megabytes must be shown, and saved, whole.
    SendMessageA(editor_, EM_EXLIMITTEXT, 0, 0x7FFFFFFE);
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
        text = fillText_;
        return true;
    }
    GETTEXTLENGTHEX ask{GTL_NUMBYTES | GTL_PRECISE, CP_ACP};
    const LRESULT bytes = SendMessageA(editor_, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&ask), 0);
    return ReadWindowText(editor_, text, bytes > 0 ? size_t(bytes) : 0);
}

void HostsPage::AppendColoredText(const std::string& text, COLORREF color, bool bold) {
    if (!editor_) return;
    CHARRANGE range{kPastTheEnd, kPastTheEnd};
    SendMessageA(editor_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
    CHARFORMATA format{};
    format.cbSize = sizeof format;
    format.dwMask = CFM_COLOR | CFM_BOLD;
    format.dwEffects = bold ? CFE_BOLD : 0;  // and no automatic colour
    format.crTextColor = color;
    SendMessageA(editor_, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    SendMessageA(editor_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
}

void HostsPage::RefillEditor(const std::string& hostsText) {
    FileText hosts;
    hosts.text = hostsText;
    RefillEditor(hosts);
}

void HostsPage::RefillEditor(const FileText& hosts) {
    if (!ShowHosts(hosts)) return;
    // Lines that block the maker's sites were left out; HOSTS is rewritten
    // as shown, without them.
    const HostsService service;
    FileText cleaned{service.ComposeHostsText(hostsHead_, EditorText(), encoding_), encoding_};
    service.WriteHostsFile(cleaned);
}

void HostsPage::LoadHostsFile() {
    const FileText hosts = HostsService().ReadHostsFile();
    if (hosts.Read()) {
        RefillEditor(hosts);
        return;
    }
    if (hosts.Missing()) {
        RefillEditor(FileText());
        return;
    }
    // Shown as empty, it would be saved empty over every line it has.
    ShowHosts(FileText());
    readError_ = hosts.error;
    ShowMessage(kUnreadable + FileErrorReason(hosts.error));
}

bool HostsPage::ShowHosts(const FileText& hosts) {
    std::string entries;
    std::string head;
    const bool dropped = HostsService().SplitForEditor(hosts, entries, head);
    hostsHead_ = std::move(head);
    encoding_ = hosts.encoding;
    readError_ = ERROR_SUCCESS;
    FillEditor(std::move(entries));
    return dropped;
}

void HostsPage::MergeIntoEditor(const std::string& editorText, const std::string& added) {
    const HostsService hosts;
    std::string combined = editorText;
    hosts.AppendNewEntries(combined, added);
    // The combined text is not the HOSTS file: cut it without writing HOSTS,
    // and keep the file's head, which the editor never held.
    std::string entries;
    std::string head;
    hosts.SortHostsText(combined, entries, head);
    hostsHead_ = MergeHead(hostsHead_, encoding_ == TextEncoding::Ansi ? head : AnsiToUtf8(head));
    FillEditor(std::move(entries));
}

void HostsPage::FillEditor(std::string entryText) {
    if (!editor_) return;
    if (IsFilling()) EndFill();
    if (GetWindowTextLengthA(editor_) > 0) RenewEditor();
    fillText_ = std::move(entryText);
    filled_ = 0;
    pieceSize_ = kFirstPieceSize;
    shownPercent_ = -1;
    SendMessageA(editor_, WM_SETREDRAW, FALSE, 0);
    const auto font = reinterpret_cast<HFONT>(SendMessageA(Hwnd(), WM_GETFONT, 0, 0));
    AppendFillText(LinesEnd(fillText_, 0, ScreenfulOfLines(editor_, font)));
    // The user starts reading at the first line, not at the last.
    CHARRANGE top{0, 0};
    SendMessageA(editor_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&top));
    SendMessageA(editor_, EM_SCROLLCARET, 0, 0);
    SendMessageA(editor_, WM_SETREDRAW, TRUE, 0);
    // The frame too: the scroll bar may have come while drawing was off.
    RedrawWindow(editor_, nullptr, nullptr, RDW_ERASE | RDW_FRAME | RDW_INVALIDATE);
    lastRepaint_ = NowMs();
    if (filled_ == fillText_.size()) {
        EndFill();
        return;
    }
    // What the user typed now would land amid the lines still to come.
    SendMessageA(editor_, EM_SETREADONLY, TRUE, 0);
    // A timer's turn comes only when no input, painting or other message
    // waits: the fill goes on between the user's actions, not before them.
    SetTimer(Hwnd(), kFillTimer, USER_TIMER_MINIMUM, nullptr);
}

void HostsPage::OnTimer(Message& m) {
    if (m.wParam != kFillTimer) {
        m.handled = false;
        return;
    }
    if (IsFilling()) FillNextPiece();
}

void HostsPage::FillNextPiece() {
    const double start = NowMs();
    const size_t from = filled_;
    // Appending moves the caret, and the view with it, to the end: what
    // the user reads and selects meanwhile is put back as it was.
    SendMessageA(editor_, WM_SETREDRAW, FALSE, 0);
    CHARRANGE selection{};
    SendMessageA(editor_, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    const LRESULT firstLine = SendMessageA(editor_, EM_GETFIRSTVISIBLELINE, 0, 0);
    AppendFillText(WholeLinesEnd(fillText_, filled_, pieceSize_));
    SendMessageA(editor_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    const LRESULT shownLine = SendMessageA(editor_, EM_GETFIRSTVISIBLELINE, 0, 0);
    if (shownLine != firstLine) SendMessageA(editor_, EM_LINESCROLL, 0, firstLine - shownLine);
    SendMessageA(editor_, WM_SETREDRAW, TRUE, 0);
    if (filled_ == fillText_.size()) {
        EndFill();
        return;
    }
    const double now = NowMs();
    const double bytesPerMs = double(filled_ - from) / std::max(now - start, 0.5);
    const size_t next = static_cast<size_t>(bytesPerMs * kPieceTargetMs);
    pieceSize_ = std::clamp(next, std::max(pieceSize_ / 2, kMinPieceSize),
                            std::min(pieceSize_ * 2, kMaxPieceSize));
    if (now - lastRepaint_ >= kRepaintIntervalMs) {
        RedrawWindow(editor_, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
        lastRepaint_ = now;
    }
    ShowFillProgress();
}

void HostsPage::EndFill() {
    KillTimer(Hwnd(), kFillTimer);
    std::string().swap(fillText_);
    filled_ = 0;
    SendMessageA(editor_, EM_SETREADONLY, FALSE, 0);
    RedrawWindow(editor_, nullptr, nullptr, RDW_ERASE | RDW_FRAME | RDW_INVALIDATE);
    if (fillLabel_.Hwnd()) ShowWindow(fillLabel_.Hwnd(), SW_HIDE);
}

void HostsPage::AppendFillText(size_t end) {
    // In pieces of whole lines: one replacement of megabytes costs the
    // control far more than the same text in pieces (under Wine 25 s rather
    // than 2.5 s for 50,000 lines).
    AppendColoredText(fillText_.substr(filled_, end - filled_), RGB(0, 0, 0), false);
    filled_ = end;
}

void HostsPage::ShowFillProgress() {
    if (!fillLabel_.Hwnd()) return;
    const int percent = static_cast<int>(filled_ * 100 / fillText_.size());
    if (percent != shownPercent_) {
        fillLabel_.SetText((kFillProgress + std::to_string(percent) + "%").c_str());
        shownPercent_ = percent;
    }
    if (!IsWindowVisible(fillLabel_.Hwnd())) ShowWindow(fillLabel_.Hwnd(), SW_SHOWNA);
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
    // Without an editor there is nothing to save: writing the head alone
    // would throw the entries away.
    if (!editor_) return;
    std::string text;
    if (!ReadEditorText(text)) {
        ShowMessage(std::string(kSaveFailed) + kEditorUnreadable);
        return;
    }
    const HostsService hosts;
    if (readError_ != ERROR_SUCCESS) {
        const FileText current = hosts.ReadHostsFile();
        if (!current.Read()) {
            ShowMessage(kUnreadable + FileErrorReason(current.error));
            return;
        }
        // Readable at last: the user sees what it holds, with what they
        // typed, before anything is written over it.
        RefillEditor(current);
        MergeIntoEditor(EditorText(), text);
        ShowMessage(kReadAgain);
        return;
    }
    const FileText content{hosts.ComposeHostsText(hostsHead_, text, encoding_), encoding_};
    const WriteResult written = hosts.WriteHostsFile(content);
    ShowMessage(written.Ok() ? std::string(kSavedMessage) : kSaveFailed + FileErrorReason(written));
}

void HostsPage::OnImport() {
    std::string path;
    if (!editor_ || !AskImportPath(path)) return;
    const HostsService hosts;
    const FileText file = hosts.ReadFileText(path);
    if (!file.Read()) {
        ShowMessage(kImportFailed + FileErrorReason(file.error));
        return;
    }
    std::string text;
    if (!ReadEditorText(text)) {
        ShowMessage(std::string(kImportFailed) + kEditorUnreadable);
        return;
    }
    MergeIntoEditor(text, hosts.AnsiText(file));
}

void HostsPage::OnExport() {
    std::string path;
    if (!AskExportPath(path)) return;
    std::string text;
    if (!ReadEditorText(text)) {
        ShowMessage(std::string(kExportFailed) + kEditorUnreadable);
        return;
    }
    const HostsService hosts;
    const FileText content{hosts.ComposeHostsText(hostsHead_, text, encoding_), encoding_};
    const WriteResult written = hosts.WriteFileText(path, content);
    if (!written.Ok()) ShowMessage(kExportFailed + FileErrorReason(written));
}

// The chosen backup is loaded into the editor; the user saves it, and that
// save keeps a backup of what it replaces, so a restore can be undone too.
void HostsPage::OnRestore() {
    if (!editor_) return;
    const HostsService hosts;
    const std::vector<HostsBackup> backups = HostsBackups().List();
    if (backups.empty()) {
        ShowMessage(kNoBackups);
        return;
    }
    std::vector<FileText> texts;
    std::vector<RestoreDialog::Item> items;
    for (const HostsBackup& backup : backups) {
        texts.push_back(hosts.ReadFileText(backup.path));
        std::string entries;
        std::string head;
        hosts.SplitForEditor(texts.back(), entries, head);
        const auto count = std::count(entries.begin(), entries.end(), '\n');
        items.push_back({TimeText(backup.time) + (backup.original ? kOriginalLabel : ""),
                         std::to_string(count) + "条"});
    }
    const int chosen = AskRestoreChoice(items);
    if (chosen < 0 || size_t(chosen) >= texts.size()) return;
    if (!texts[chosen].Read()) {
        ShowMessage(kRestoreFailed + FileErrorReason(texts[chosen].error));
        return;
    }
    ShowHosts(texts[chosen]);
}

void HostsPage::TakeOutExcepted(const std::string& exceptionLines) {
    const ExceptionList added(exceptionLines);
    const HostsService hosts;
    const FileText current = hosts.ReadHostsFile();
    if (!current.Read()) {
        ShowMessage(kExceptionsNotApplied + FileErrorReason(current.error));
        return;
    }
    FileText updated = current;
    const size_t removed = added.Empty() ? 0 : RemoveExceptedLines(updated.text, added);
    if (removed > 0) {
        const WriteResult written = hosts.WriteHostsFile(updated, &current);
        if (!written.Ok()) {
            ShowMessage(kExceptionsNotApplied + FileErrorReason(written));
            return;
        }
    }
    // The editor too, keeping what the user typed and has not saved yet.
    std::string text;
    if (!added.Empty() && ReadEditorText(text) && RemoveExceptedLines(text, added) > 0) FillEditor(text);
    ShowMessage(kExceptionsApplied + std::to_string(removed) + "行。");
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
