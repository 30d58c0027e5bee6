#include "app/ProgramServices.h"

#include <commctrl.h>
#include <objbase.h>

#include "base/SystemLibrary.h"
#include "win/AppModule.h"
#include "win/AtlLibrary.h"

ProgramServices::ProgramServices(HINSTANCE instance) {
    com_ = SUCCEEDED(CoInitialize(nullptr));
    DefWindowProcA(nullptr, 0, 0, 0);
    // The bar and cool classes, and the list view of the update settings
    // page, whose template cannot be made without its class.
    INITCOMMONCONTROLSEX controls{sizeof controls,
                                  ICC_BAR_CLASSES | ICC_COOL_CLASSES | ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    atl::AxWinInit();
    AppModule::Get().Init(instance);
    // Loaded before any window and freed after the last: the editor's class
    // lives as long as the windows do.
    richEdit_.Reset(LoadSystemLibrary(L"riched32.dll"));
}

ProgramServices::~ProgramServices() {
    richEdit_.Reset();
    AppModule::Get().Term();
    if (com_) CoUninitialize();
}
