// The custom hosts page's editor with a HOSTS file of 50,000 entries: filled
// while empty, refilled while full (as after an import), and saved; and a
// HOSTS file of 250,000 entries loaded as at start-up: how soon the page
// answers, how long it keeps a message waiting while the rest fills in, and
// how long the whole fill takes.
#include "bench/Bench.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <string>
#include <vector>

#include <richedit.h>

#include "app/ProgramServices.h"
#include "hosts/HostsLines.h"
#include "pages/HostsPage.h"
#include "res/resource.h"
#include "skin/SkinnedDialog.h"
#include "tests/support/ProgramFiles.h"
#include "tests/support/ResponseProbe.h"

namespace {

constexpr std::size_t kLines = 50000;
constexpr std::size_t kStartLines = 250000;

// A HOSTS text: the usual head, then the first entries of real lists, one
// list after the other, "0.0.0.0 name" lines with CR LF endings. Bare domain
// lists become entries.
std::string HostsOf(std::initializer_list<const char*> listNames, std::size_t count) {
    std::string hosts = "# HOSTS\r\n127.0.0.1       localhost\r\n";
    std::size_t taken = 0;
    for (const char* listName : listNames) {
        ForEachListLine(ReadBenchData(listName), [&](const std::string& line) {
            if (taken == count) return false;
            const bool bare = line.find(' ') == std::string::npos && line.find('\t') == std::string::npos;
            hosts += (bare ? "0.0.0.0 " + line : line) + "\r\n";
            ++taken;
            return true;
        });
    }
    if (taken < count) {
        std::fprintf(stderr, "not %u usable entries\n", unsigned(count));
        std::exit(2);
    }
    // The maker's names in it would make the page rewrite the prefix's
    // HOSTS file.
    RequireNoProtectedLines("the lists", hosts);
    return hosts;
}

const std::string& Hosts50k() {
    static const std::string text = HostsOf({"1hosts-lite.hosts"}, kLines);
    return text;
}
const std::string& Other50k() {
    static const std::string text = HostsOf({"1hosts-pro.domains"}, kLines);
    return text;
}
// 250,000 names of the three lists a user merges (names in more than one
// included), as the update pass writes them: nine a line.
const std::string& Hosts250k() {
    static const std::string text = [] {
        const std::string lines =
            HostsOf({"anudeep-adservers.hosts", "1hosts-lite.hosts", "1hosts-pro.domains"}, kStartLines);
        std::string hosts;
        std::size_t names = 0;
        ForEachLine(lines, [&](std::string line) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            const std::size_t space = line.find(' ');
            if (line.compare(0, 8, "0.0.0.0 ") != 0 || line.find(' ', space + 1) != std::string::npos) {
                hosts += line + "\r\n";  // the head
                return;
            }
            hosts += (names % 9 == 0 ? "0.0.0.0" : "") + line.substr(space) + (names % 9 == 8 ? "\r\n" : "");
            ++names;
        });
        if (names % 9 != 0) hosts += "\r\n";
        return hosts;
    }();
    return text;
}

// What the program's entry brings up before its window, once.
void PrepareWindows() {
    static const ProgramServices services(GetModuleHandleA(nullptr));
    if (!services.HasRichEdit()) {
        std::fprintf(stderr, "RICHED32.DLL cannot be loaded\n");
        std::exit(2);
    }
}

// The page in a frame the size of the main window, without its message
// box: a save only writes.
class BenchHostsPage : public HostsPage {
protected:
    void ShowMessage(const std::string&) override {}
};

// The main window's frame, without tabs: the page's parent.
class Frame : public SkinnedDialog {
public:
    Frame() : SkinnedDialog(IDD_MAIN) { SetFixedSize(640, 480); }
};

class PageInFrame {
public:
    PageInFrame() {
        PrepareWindows();
        frame_.CreateModeless(nullptr);
        HWND hwnd = page_.CreateModeless(frame_.Hwnd());
        SetWindowPos(hwnd, nullptr, 10, 95, 620, 375, SWP_NOZORDER | SWP_NOACTIVATE);
        ShowWindow(frame_.Hwnd(), SW_SHOW);
        ShowWindow(hwnd, SW_SHOW);
        if (!page_.Editor()) {
            std::fprintf(stderr, "the page has no editor\n");
            std::exit(2);
        }
    }
    ~PageInFrame() { DestroyWindow(frame_.Hwnd()); }

    BenchHostsPage& Page() { return page_; }

    // Runs the message loop until the editor holds its whole text.
    void FinishFill() {
        MSG msg;
        while (page_.IsFilling() && GetMessageA(&msg, nullptr, 0, 0) > 0) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }

    // Lets the editor paint what it was given, as the user would see it.
    void Settle() {
        UpdateWindow(frame_.Hwnd());
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    }

private:
    Frame frame_;
    BenchHostsPage page_;
};

std::string WithoutCr(std::string text) {
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    return text;
}

// What the page shows of the HOSTS text, line ends aside (the control may
// hand back LF alone). The texts here hold no protected line.
void CheckShown(const HostsPage& page, const std::string& hosts) {
    if (WithoutCr(page.EditorText()) != HostsLines(hosts).ShownText()) {
        std::fprintf(stderr, "the editor does not show the whole text\n");
        std::exit(2);
    }
}

// RefillEditor with the HOSTS text until the editor holds all of it and has
// painted it; checks that the whole text is shown.
double TimedRefill(PageInFrame& frame, const std::string& hosts) {
    StopWatch watch;
    frame.Page().RefillEditor(hosts);
    frame.FinishFill();
    frame.Settle();
    const double ms = watch.ElapsedMs();
    CheckShown(frame.Page(), hosts);
    return ms;
}

}  // namespace

SITEMOAT_BENCH("editor-fill-50k", 3) {
    PageInFrame frame;
    return TimedRefill(frame, Hosts50k());
}

SITEMOAT_BENCH("editor-refill-50k", 3) {
    PageInFrame frame;
    frame.Page().RefillEditor(Other50k());
    frame.FinishFill();
    frame.Settle();
    return TimedRefill(frame, Hosts50k());
}

SITEMOAT_BENCH("save-50k", 3) {
    // Whatever may stop the run comes before HOSTS is touched: std::exit
    // would not put it back.
    const std::string& hostsText = Hosts50k();
    PageInFrame frame;
    double ms = 0;
    std::string saved;
    {
        // The prefix's HOSTS file comes back byte for byte once the save
        // has been read. The user has typed a line at the end.
        const HostsFileScope hostsFile(hostsText);
        frame.Page().RefillEditor(hostsText);
        frame.FinishFill();
        frame.Settle();
        HWND editor = frame.Page().Editor();
        const LONG end = GetWindowTextLengthA(editor);
        CHARRANGE range{end, end};
        SendMessageA(editor, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
        SendMessageA(editor, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>("0.0.0.0 typed.example\r"));
        StopWatch watch;
        SendMessageA(frame.Page().Hwnd(), WM_COMMAND, MAKEWPARAM(IDC_SAVE, BN_CLICKED), 0);
        ms = watch.ElapsedMs();
        saved = hostsFile.Text();
    }
    if (saved != hostsText + "0.0.0.0 typed.example\r\n") {
        std::fprintf(stderr, "the save did not write the whole text\n");
        std::exit(2);
    }
    return ms;
}

namespace {

struct StartTimes {
    double firstAnswer;  // from making the windows to the first message handled
    double longestWait;  // of a message sent to the page while the rest filled in
    double wholeFill;    // from making the windows to the last line in the editor
};

// The page made in its frame and loaded from a HOSTS file of 250,000
// entries, as the program does at start-up.
StartTimes TimedStart() {
    const std::string& hostsText = Hosts250k();
    StartTimes times{};
    {
        const HostsFileScope hostsFile(hostsText);
        StopWatch watch;
        PageInFrame frame;
        // On screen before the start-up check fills it, as in the program.
        frame.Settle();
        frame.Page().LoadHostsFile();
        PostMessageA(frame.Page().Hwnd(), WM_NULL, 0, 0);
        MSG msg;
        while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
            DispatchMessageA(&msg);
            if (msg.message == WM_NULL && msg.hwnd == frame.Page().Hwnd()) break;
        }
        times.firstAnswer = watch.ElapsedMs();
        ResponseProbe probe(frame.Page().Hwnd());
        frame.FinishFill();
        probe.Stop();
        times.wholeFill = watch.ElapsedMs();
        times.longestWait = probe.LongestWaitMs();
        CheckShown(frame.Page(), hostsText);
    }
    return times;
}

// One start per run of the three cases below: the first case to ask for a
// run makes it, the others read it.
const StartTimes& StartRun(int run) {
    static std::vector<StartTimes> runs;
    while (int(runs.size()) <= run) runs.push_back(TimedStart());
    return runs[run];
}

}  // namespace

SITEMOAT_BENCH("start-250k", 3) {
    static int run = 0;
    return StartRun(run++).firstAnswer;
}

SITEMOAT_BENCH("fill-250k-stall", 3) {
    static int run = 0;
    return StartRun(run++).longestWait;
}

SITEMOAT_BENCH("fill-250k-total", 3) {
    static int run = 0;
    return StartRun(run++).wholeFill;
}
