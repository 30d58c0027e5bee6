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
// Linked delay-loaded (update/CMakeLists.txt): loaded at first use.
constexpr const wchar_t* kDelayLoaded[] = {L"wininet.dll", L"bcrypt.dll"};

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
        if (mode == LaunchMode::Window) return 0;
        LogAlreadyRunning();
        return static_cast<int>(ExitCode::AlreadyRunning);
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
