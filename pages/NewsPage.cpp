#include "pages/NewsPage.h"

#include <ocidl.h>

#include <string>

#include "SitemoatConfig.h"
#include "dialogs/OpenInBrowser.h"
#include "res/resource.h"
#include "skin/SkinGdi.h"
#include "win/AppModule.h"
#include "win/AtlLibrary.h"
#include "win/OpenUrl.h"

namespace {

// {D30C1661-CDAF-11D0-8A3E-00C04FC9E26E}
constexpr IID kIidWebBrowser2 = {
    0xD30C1661, 0xCDAF, 0x11D0, {0x8A, 0x3E, 0x00, 0xC0, 0x4F, 0xC9, 0xE2, 0x6E}};
// {B6EA2050-048A-11D1-82B9-00C04FB9942E}
constexpr IID kIidAxWinHostWindow = {
    0xB6EA2050, 0x048A, 0x11D1, {0x82, 0xB9, 0x00, 0xC0, 0x4F, 0xB9, 0x94, 0x2E}};

// ATL's host window object, as far as the page uses it.
struct IAxWinHostWindow : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE CreateControl(LPCOLESTR, HWND, IStream*) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateControlEx(LPCOLESTR, HWND, IStream*, IUnknown**, REFIID,
                                                      IUnknown*) = 0;
    virtual HRESULT STDMETHODCALLTYPE AttachControl(IUnknown*, HWND) = 0;
    virtual HRESULT STDMETHODCALLTYPE QueryControl(REFIID, void**) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetExternalDispatch(IDispatch*) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetExternalUIHandler(IDocHostUIHandlerDispatch*) = 0;
};

constexpr char kHostClass[] = "AtlAxWin";

}  // namespace

NewsPage::NewsPage() : SkinnedDialog(IDD_NEWS_PAGE) {}

bool NewsPage::ProcessMessage(Message& m) {
    if (SkinnedDialog::ProcessMessage(m)) return true;  // the frame first
    static const MessageHandler<NewsPage> kMap[] = {
        {WM_INITDIALOG, &NewsPage::OnInitDialog},
        {WM_SHOWWINDOW, &NewsPage::OnShowWindow},
        {WM_SIZE, &NewsPage::OnSize},
        {WM_DESTROY, &NewsPage::OnDestroy},
    };
    return RouteMessage(this, kMap, m);
}

void NewsPage::OnInitDialog(Message&) {
    external_.SetOpenElsewhere([this](const std::wstring& address) { OpenElsewhere(address); });
}

void NewsPage::OnShowWindow(Message& m) {
    m.handled = false;
    if (!m.wParam || started_) return;
    started_ = true;
    RECT client;
    GetClientRect(Hwnd(), &client);
    host_ = CreateWindowExA(0, kHostClass, "", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0,
                            client.right, client.bottom, Hwnd(), nullptr,
                            AppModule::Get().Instance(), nullptr);
    if (!host_) return;  // the page stays white
    CreateBrowser();
    if (browser_) Navigate();
}

void NewsPage::CreateBrowser() {
    ComPtr<IUnknown> container;
    ComPtr<IUnknown> control;
    if (FAILED(atl::AxCreateControlEx(L"Shell.Explorer", host_, nullptr, container.Receive(),
                                      control.Receive(), IID_NULL, nullptr)) ||
        !control || FAILED(control.As(kIidWebBrowser2, browser_))) {
        browser_.Reset();
        return;
    }
    external_.SetBrowser(browser_.Get());

    ComPtr<IUnknown> hostObject;
    ComPtr<IAxWinHostWindow> hostWindow;
    if (SUCCEEDED(atl::AxGetHost(host_, hostObject.Receive())) && hostObject &&
        SUCCEEDED(hostObject.As(kIidAxWinHostWindow, hostWindow))) {
        hostWindow->SetExternalUIHandler(&external_);
    }

    ComPtr<IConnectionPointContainer> points;
    if (SUCCEEDED(browser_.As(IID_IConnectionPointContainer, points)) &&
        SUCCEEDED(points->FindConnectionPoint(kDiidWebBrowserEvents2, events_.Receive())) &&
        FAILED(events_->Advise(static_cast<IDispatch*>(&external_), &eventsCookie_))) {
        events_.Reset();
    }
}

void NewsPage::OpenElsewhere(const std::wstring& address) {
    OpenInBrowser(address);
}

void NewsPage::Navigate() {
    ::Navigate(browser_.Get(), MakerUrl("/host/hostnews.php"));
}

void NewsPage::OnSize(Message& m) {
    if (host_) MoveWindow(host_, 0, 0, LOWORD(m.lParam), HIWORD(m.lParam), TRUE);
    m.handled = false;
}

void NewsPage::OnDestroy(Message& m) {
    if (events_) events_->Unadvise(eventsCookie_);
    events_.Reset();
    external_.SetBrowser(nullptr);
    browser_.Reset();
    m.handled = false;
}
