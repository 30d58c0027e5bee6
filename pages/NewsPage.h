#pragma once

#include <windows.h>
#include <exdisp.h>

#include "pages/NewsPageExternal.h"
#include "skin/SkinnedDialog.h"
#include "win/Handles.h"

// The third page: the maker's news page in an embedded browser that fills
// the page. Nothing is made or loaded until the page is first shown: the
// browser runs inside the elevated program, so only when the user asks for
// it. Where no browser can be made (Wine without its HTML engine), the page
// stays white and quiet.
class NewsPage : public SkinnedDialog {
public:
    NewsPage();

    // The browser, or null when it could not be created.
    IWebBrowser2* Browser() const { return browser_.Get(); }
    HWND HostWindow() const { return host_; }
    NewsPageExternal& External() { return external_; }

protected:
    // Opens an address the page leaves the maker's host for in the user's
    // browser; tests answer in its stead.
    virtual void OpenElsewhere(const std::wstring& address);

    bool ProcessMessage(Message& m) override;

private:
    void OnInitDialog(Message& m);
    void OnShowWindow(Message& m);
    void OnSize(Message& m);
    void OnDestroy(Message& m);
    void CreateBrowser();
    void Navigate();

    NewsPageExternal external_;
    bool started_ = false;  // first shown: the browser made and sent to the news
    HWND host_ = nullptr;   // "AtlAxWin" child, destroyed with the page
    ComPtr<IWebBrowser2> browser_;
    ComPtr<IConnectionPoint> events_;
    DWORD eventsCookie_ = 0;
};
