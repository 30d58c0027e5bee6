#include <windows.h>

#include "app/MainWindow.h"
#include "app/ProgramServices.h"
#include "win/UniqueHandle.h"

namespace {

constexpr char kInstanceMutex[] = "ZorvaACTIVEDEF";

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    // One copy at a time; the guard is held until the very end, so a copy
    // started while this one shuts down still goes away.
    UniqueKernelHandle guard(CreateMutexA(nullptr, FALSE, kInstanceMutex));
    if (guard && GetLastError() == ERROR_ALREADY_EXISTS) return 0;

    INT_PTR result;
    {
        ProgramServices services(instance);  // outlives the window
        MainWindow window;
        result = window.DoModal(GetActiveWindow());
    }
    return static_cast<int>(result);
}
