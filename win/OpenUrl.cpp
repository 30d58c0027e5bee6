#include "win/OpenUrl.h"

#include <windows.h>
#include <exdisp.h>
#include <shellapi.h>

#include "base/ComOwners.h"
#include "base/TextCodec.h"

namespace {

// {0002DF01-0000-0000-C000-000000000046}
constexpr CLSID kInternetExplorer = {
    0x0002DF01, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
// {D30C1661-CDAF-11D0-8A3E-00C04FC9E26E}
constexpr IID kWebBrowser2 = {
    0xD30C1661, 0xCDAF, 0x11D0, {0x8A, 0x3E, 0x00, 0xC0, 0x4F, 0xC9, 0xE2, 0x6E}};

}  // namespace

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

bool OpenUrl(const std::string& address) {
    const HINSTANCE shell =
        ShellExecuteA(nullptr, "Open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    if (reinterpret_cast<INT_PTR>(shell) > 32) return true;

    const ComApartment com;
    ComPtr<IWebBrowser2> browser;
    if (FAILED(CoCreateInstance(kInternetExplorer, nullptr,
                                CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER,
                                kWebBrowser2, browser.ReceiveVoid()))) {
        return false;
    }
    SHANDLE_PTR window = 0;
    if (SUCCEEDED(browser->get_HWND(&window)) && window) {
        HWND hwnd = reinterpret_cast<HWND>(window);
        SetForegroundWindow(hwnd);
        ShowWindow(hwnd, SW_SHOWMAXIMIZED);
    }
    if (!address.empty()) Navigate(browser.Get(), address);
    return true;
}
