#include "pages/EditorFill.h"

#include <richedit.h>

#include <algorithm>

#include "skin/SkinGdi.h"
#include "win/Handles.h"

namespace {

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

// Lines of the font that fill the editor's height, and one more, so that a
// longer text has its scroll bar from the first screenful on.
int ScreenfulOfLines(HWND editor, HFONT font) {
    RECT client{};
    GetClientRect(editor, &client);
    WindowDc dc(editor);
    ScopedSelect selected(dc.Get(), font);
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc.Get(), &metrics);
    return static_cast<int>(client.bottom / std::max<LONG>(metrics.tmHeight, 1)) + 1;
}

}  // namespace

void AppendColoredText(HWND editor, const std::string& text, COLORREF color, bool bold) {
    if (!editor) return;
    CHARRANGE range{kPastTheEnd, kPastTheEnd};
    SendMessageA(editor, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
    CHARFORMATA format{};
    format.cbSize = sizeof format;
    format.dwMask = CFM_COLOR | CFM_BOLD;
    format.dwEffects = bold ? CFE_BOLD : 0;  // and no automatic colour
    format.crTextColor = color;
    SendMessageA(editor, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    SendMessageA(editor, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
}

void EditorFill::Start(HWND owner, HWND editor, HFONT font, std::string text, Progress progress) {
    Stop();
    owner_ = owner;
    editor_ = editor;
    text_ = std::move(text);
    filled_ = 0;
    pieceSize_ = kFirstPieceSize;
    progress_ = std::move(progress);
    SendMessageA(editor_, WM_SETREDRAW, FALSE, 0);
    Append(LinesEnd(text_, 0, ScreenfulOfLines(editor_, font)));
    // The user starts reading at the first line, not at the last.
    CHARRANGE top{0, 0};
    SendMessageA(editor_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&top));
    SendMessageA(editor_, EM_SCROLLCARET, 0, 0);
    SendMessageA(editor_, WM_SETREDRAW, TRUE, 0);
    // The frame too: the scroll bar may have come while drawing was off.
    RedrawWindow(editor_, nullptr, nullptr, RDW_ERASE | RDW_FRAME | RDW_INVALIDATE);
    lastRepaint_ = NowMs();
    if (filled_ == text_.size()) {
        Stop();
        return;
    }
    SendMessageA(editor_, EM_SETREADONLY, TRUE, 0);
    // A timer's turn comes only when no input, painting or other message
    // waits: the fill goes on between the user's actions, not before them.
    SetTimer(owner_, kTimer, USER_TIMER_MINIMUM, nullptr);
}

bool EditorFill::OnTimer(UINT_PTR id) {
    if (id != kTimer) return false;
    if (Running()) FillNextPiece();
    return true;
}

void EditorFill::FillNextPiece() {
    const double start = NowMs();
    const size_t from = filled_;
    // Appending moves the caret, and the view with it, to the end: what
    // the user reads and selects meanwhile is put back as it was. The view
    // goes back in pixels, read off the first character's place: under
    // Wine EM_LINESCROLL moves by lines of the default font, twice those of
    // the text, and EM_GETSCROLLPOS scales a long text's place to 16 bits.
    SendMessageA(editor_, WM_SETREDRAW, FALSE, 0);
    CHARRANGE selection{};
    SendMessageA(editor_, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    POINTL first{};
    SendMessageA(editor_, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&first), 0);
    POINT view{0, -first.y};  // lines wrap: no horizontal scrolling
    Append(WholeLinesEnd(text_, filled_, pieceSize_));
    SendMessageA(editor_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    SendMessageA(editor_, EM_SETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&view));
    SendMessageA(editor_, WM_SETREDRAW, TRUE, 0);
    // Run last, with the fill's state as it should be: what it runs may
    // ask for the next wait, or show a message and so pump the timer.
    std::function<void()> then;
    if (whenFilled_ && filled_ >= awaitedEnd_) {
        then = std::move(whenFilled_);
        whenFilled_ = nullptr;
    }
    if (filled_ == text_.size()) {
        Stop();
    } else {
        const double now = NowMs();
        const double bytesPerMs = double(filled_ - from) / std::max(now - start, 0.5);
        const size_t next = static_cast<size_t>(bytesPerMs * kPieceTargetMs);
        pieceSize_ = std::clamp(next, std::max(pieceSize_ / 2, kMinPieceSize),
                                std::min(pieceSize_ * 2, kMaxPieceSize));
        if (now - lastRepaint_ >= kRepaintIntervalMs) {
            RedrawWindow(editor_, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
            lastRepaint_ = now;
        }
        if (progress_) progress_(static_cast<int>(filled_ * 100 / text_.size()));
    }
    if (then) then();
}

void EditorFill::WhenFilledTo(size_t end, std::function<void()> then) {
    whenFilled_ = nullptr;
    if (!Running() || end <= filled_) {
        if (then) then();
        return;
    }
    awaitedEnd_ = end;
    whenFilled_ = std::move(then);
}

void EditorFill::Stop() {
    if (!owner_) return;
    KillTimer(owner_, kTimer);
    const bool wasRunning = Running();
    whenFilled_ = nullptr;
    std::string().swap(text_);
    filled_ = 0;
    if (IsWindow(editor_)) {
        SendMessageA(editor_, EM_SETREADONLY, FALSE, 0);
        RedrawWindow(editor_, nullptr, nullptr, RDW_ERASE | RDW_FRAME | RDW_INVALIDATE);
    }
    if (wasRunning && progress_) progress_(-1);
}

void EditorFill::Append(size_t end) {
    // In pieces of whole lines: one replacement of megabytes costs the
    // control far more than the same text in pieces (under Wine 25 s rather
    // than 2.5 s for 50,000 lines).
    AppendColoredText(editor_, text_.substr(filled_, end - filled_), RGB(0, 0, 0), false);
    filled_ = end;
}
