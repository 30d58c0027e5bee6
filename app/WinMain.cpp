#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include "app/MainWindow.h"
#include "win/AppModule.h"
#include "win/AtlLibrary.h"
#include "win/UniqueHandle.h"

namespace {

constexpr char kInstanceMutex[] = "ZorvaACTIVEDEF";

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    // One copy at a time; the guard is held until the very end, so a copy
    // started while this one shuts down still goes away.
    UniqueKernelHandle guard(CreateMutexA(nullptr, FALSE, kInstanceMutex));
    if (guard && GetLastError() == ERROR_ALREADY_EXISTS) return 0;

    const bool com = SUCCEEDED(CoInitialize(nullptr));
    DefWindowProcA(nullptr, 0, 0, 0);
    // The bar and cool classes, and the list view of the update settings
    // page, whose template cannot be made without its class.
    INITCOMMONCONTROLSEX controls{sizeof controls,
                                  ICC_BAR_CLASSES | ICC_COOL_CLASSES | ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    atl::AxWinInit();
    AppModule& module = AppModule::Get();
    module.Init(instance);

    INT_PTR result;
    {
        // Loaded before the window and freed after it: the custom hosts
        // page's editor class lives as long as the window does.
        UniqueModule richEdit(LoadLibraryA("RICHED32.DLL"));
        MainWindow window;
        result = window.DoModal(GetActiveWindow());
    }
    module.Term();
    if (com) CoUninitialize();
    return static_cast<int>(result);
}
