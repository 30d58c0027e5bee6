#include "win/OpenUrl.h"

#include <windows.h>
#include <exdisp.h>
#include <servprov.h>
#include <shellapi.h>
#include <shldisp.h>
#include <shlguid.h>
#include <shobjidl.h>

#include "base/ComOwners.h"
#include "base/TextCodec.h"
#include "base/UniqueHandle.h"
#include "base/WebAddress.h"

namespace {

// The desktop's shell dispatch, reached through the desktop window's view:
// what it starts, Explorer starts, with the desktop user's token. Null
// where there is no desktop shell to ask.
ComPtr<IShellDispatch2> DesktopShell() {
    ComPtr<IShellWindows> windows;
    if (FAILED(CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER, IID_IShellWindows,
                                windows.ReceiveVoid()))) {
        return {};
    }
    const Variant none;
    VARIANT location = none.Get();
    VARIANT root = none.Get();
    long window = 0;
    ComPtr<IDispatch> desktop;
    if (windows->FindWindowSW(&location, &root, SWC_DESKTOP, &window, SWFO_NEEDDISPATCH,
                              desktop.Receive()) != S_OK ||
        !desktop) {
        return {};
    }
    ComPtr<IServiceProvider> services;
    ComPtr<IShellBrowser> browser;
    ComPtr<IShellView> view;
    ComPtr<IDispatch> background;
    ComPtr<IShellFolderViewDual> folderView;
    ComPtr<IDispatch> application;
    ComPtr<IShellDispatch2> shell;
    if (FAILED(desktop.As(IID_IServiceProvider, services)) ||
        FAILED(services->QueryService(SID_STopLevelBrowser, IID_IShellBrowser, browser.ReceiveVoid())) ||
        FAILED(browser->QueryActiveShellView(view.Receive())) ||
        FAILED(view->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch, background.ReceiveVoid())) ||
        FAILED(background.As(IID_IShellFolderViewDual, folderView)) ||
        FAILED(folderView->get_Application(application.Receive())) ||
        FAILED(application.As(IID_IShellDispatch2, shell))) {
        return {};
    }
    return shell;
}

bool StartThroughDesktop(const std::wstring& address) {
    const ComApartment com;
    if (FAILED(com.Usable())) return false;
    const ComPtr<IShellDispatch2> shell = DesktopShell();
    if (!shell) return false;
    const Bstr file(address);
    const Variant none;
    VARIANT show;
    VariantInit(&show);
    show.vt = VT_I4;
    show.lVal = SW_SHOWNORMAL;
    // Explorer may bring the browser it starts to the front.
    AllowSetForegroundWindow(ASFW_ANY);
    return file.Get() && SUCCEEDED(shell->ShellExecute(file.Get(), none.Get(), none.Get(),
                                                        none.Get(), show));
}

}  // namespace

bool IsProcessElevated() {
    HANDLE raw = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw)) return true;
    const UniqueKernelHandle token(raw);
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    if (!GetTokenInformation(token.Get(), TokenElevation, &elevation, sizeof elevation, &size)) {
        return true;
    }
    return elevation.TokenIsElevated != 0;
}

OpenUrlResult OpenUrl(const std::wstring& address) {
    // Whatever the shell is given it runs: a path or a file: address
    // would be a program started.
    if (!IsWebAddress(address)) return OpenUrlResult::NotWebAddress;
    if (IsProcessElevated()) {
        // The shell here, or the browser as a COM object, would run with
        // this process's administrator rights, and so would every page.
        return StartThroughDesktop(address) ? OpenUrlResult::Started : OpenUrlResult::NotUnelevated;
    }
    const HINSTANCE shell =
        ShellExecuteW(nullptr, L"open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    return reinterpret_cast<INT_PTR>(shell) > 32 ? OpenUrlResult::Started : OpenUrlResult::Failed;
}

OpenUrlResult OpenUrl(const std::string& address) {
    return OpenUrl(AnsiToWide(address));
}

HRESULT Navigate(IWebBrowser2* browser, const std::string& address) {
    // The whole address: a cut one would open another page.
    const std::wstring wide = AnsiToWide(address);
    VARIANT url;
    VariantInit(&url);
    url.vt = VT_BSTR;
    url.bstrVal = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
    if (!url.bstrVal) return E_OUTOFMEMORY;
    VARIANT empty;
    VariantInit(&empty);
    const HRESULT result = browser->Navigate2(&url, &empty, &empty, &empty, &empty);
    VariantClear(&url);
    return result;
}
