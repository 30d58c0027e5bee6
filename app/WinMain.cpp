#include <windows.h>

#include <iterator>

#include "app/MainWindow.h"
#include "app/ProgramServices.h"
#include "app/UnattendedUpdate.h"
#include "base/SystemLibrary.h"
#include "base/UniqueHandle.h"
#include "dialogs/TextDialog.h"

namespace {

constexpr char kInstanceMutex[] = "ZorvaACTIVEDEF";
// Linked delay-loaded from the system folder (update/CMakeLists.txt); comctl32
// is delay-loaded too, but from the side-by-side store the manifest names.
constexpr const wchar_t* kDelayLoaded[] = {L"wininet.dll", L"bcrypt.dll"};
// How long a copy that holds the guard may take to show its window, and
// to answer a message once it has.
constexpr DWORD kWindowWaitMs = 3000;
constexpr DWORD kAnswerWaitMs = 2000;
constexpr char kNoRunningWindow[] =
    "Sitemoat似乎已在运行，但找不到它的窗口。\r\n"
    "如果Sitemoat并没有在运行，可能是其他程序占用了它的运行标记，"
    "请关闭可疑的程序或重新启动计算机后再试。";

// The main window of the copy that holds the guard answers within the
// wait. A copy still starting shows its window meanwhile.
bool RunningCopyAnswers() {
    const ULONGLONG until = GetTickCount64() + kWindowWaitMs;
    do {
        HWND window = FindWindowA("#32770", MainWindow::kTitle);
        DWORD_PTR ignored = 0;
        if (window && SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK,
                                          kAnswerWaitMs, &ignored)) {
            return true;
        }
        Sleep(100);
    } while (GetTickCount64() < until);
    return false;
}

// Whether the guard's name is still held by another process once ours is
// let go: a copy that was going away has gone meanwhile.
bool GuardStillHeld(UniqueKernelHandle& guard) {
    guard.Reset();
    const UniqueKernelHandle other(OpenMutexA(SYNCHRONIZE, FALSE, kInstanceMutex));
    return static_cast<bool>(other) || GetLastError() != ERROR_FILE_NOT_FOUND;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    // Before any library is loaded by name: none from the program's folder.
    RestrictDllSearchToSystemFolder(kDelayLoaded, std::size(kDelayLoaded));

    // Arguments are never ignored: one not understood gets the usage text.
    const LaunchMode mode = ModeOf(CommandLineArguments());
    if (mode == LaunchMode::BadArguments) {
        ProgramServices services(instance);
        MessageDialog(kUsageText).Run();
        return static_cast<int>(ExitCode::BadArguments);
    }

    // One copy at a time; the guard is held until the very end, so a copy
    // started while this one shuts down still goes away. The unattended
    // update never writes beside a running window.
    UniqueKernelHandle guard(CreateMutexA(nullptr, FALSE, kInstanceMutex));
    if (guard && GetLastError() == ERROR_ALREADY_EXISTS) {
        if (mode == LaunchMode::Update) {
            LogAlreadyRunning();
            return static_cast<int>(ExitCode::AlreadyRunning);
        }
        // Any program may hold the name; then no window answers, and the
        // user is told why nothing opens.
        if (!RunningCopyAnswers() && GuardStillHeld(guard)) {
            ProgramServices services(instance);
            MessageDialog(kNoRunningWindow).Run();
        }
        return 0;
    }
    if (mode == LaunchMode::Update) return static_cast<int>(RunUnattendedUpdate(UpdateEngine()));

    INT_PTR result;
    {
        ProgramServices services(instance);  // outlives the window
        MainWindow window;
        result = window.DoModal(GetActiveWindow());
    }
    return static_cast<int>(result);
}
