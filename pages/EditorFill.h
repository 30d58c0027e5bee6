#pragma once

#include <windows.h>

#include <functional>
#include <string>

// Puts a long text into a rich edit between the window's messages: the
// first screenful at once, the rest on a timer of the owner's, in pieces of
// whole lines sized to take about one timer period each. The editor is
// read-only meanwhile, so what the user would type never lands amid the
// lines still to come; their place in the text is kept as pieces come in.
class EditorFill {
public:
    // Called after every piece with the share filled so far, in percent,
    // and with -1 once the fill is over.
    using Progress = std::function<void(int percent)>;

    static constexpr UINT_PTR kTimer = 1;

    // Fills the empty editor with text, drawn in font (a rich edit does not
    // tell its own). A fill still running is given up first.
    void Start(HWND owner, HWND editor, HFONT font, std::string text, Progress progress);
    // The owner's WM_TIMER; false for another timer.
    bool OnTimer(UINT_PTR id);
    // Runs then once the editor holds Text() up to end (a byte offset), at
    // once when it does already; the fill goes on at its pace meanwhile, so
    // the window keeps answering. A later call takes the place of an earlier
    // one still waiting; a fill given up or started anew drops it.
    void WhenFilledTo(size_t end, std::function<void()> then);
    // Ends a fill where it stands.
    void Stop();

    bool Running() const { return !text_.empty(); }
    // The whole text being filled, empty when none is.
    const std::string& Text() const { return text_; }
    // Bytes of Text() the editor holds.
    size_t Filled() const { return filled_; }

private:
    void FillNextPiece();
    void Append(size_t end);

    HWND owner_ = nullptr;   // not owned
    HWND editor_ = nullptr;  // not owned
    std::string text_;
    size_t filled_ = 0;
    size_t pieceSize_ = 0;    // bytes of the next piece, from the last one's time
    double lastRepaint_ = 0;  // milliseconds, see NowMs
    Progress progress_;
    size_t awaitedEnd_ = 0;
    std::function<void()> whenFilled_;
};

// Puts the caret at the end of the editor's text and appends the text
// there in the colour, bold only when asked.
void AppendColoredText(HWND editor, const std::string& text, COLORREF color, bool bold);
