#pragma once

#include <windows.h>

#include <string>

#include "pages/HostsPage.h"
#include "pages/NewsPage.h"
#include "pages/UpdatePage.h"
#include "skin/ImageButton.h"
#include "skin/SkinnedDialog.h"
#include "skin/TabStrip.h"
#include "update/UpdateEngine.h"
#include "win/Handles.h"

// Posted to the main window by its tab strip: wParam = the chosen tab's
// id, lParam = -1.
constexpr UINT WM_TABSELECT = WM_USER + 150;

// The program's one top-level window: title, a band with the tab strip and
// the logo, and one of the three pages below. Once it is on screen it runs
// the start-up update check, once.
class MainWindow : public SkinnedDialog {
public:
    static constexpr char kTitle[] = "TarvoZorvaSitemoatbeta版";
    static constexpr int kWidth = 640;
    static constexpr int kHeight = 480;
    static constexpr UINT_PTR kStartupTimer = 0;

    explicit MainWindow(UpdateEngine engine = UpdateEngine());

    HostsPage& Hosts() { return hostsPage_; }
    UpdatePage& Updates() { return updatePage_; }
    NewsPage& News() { return newsPage_; }
    TabStrip& Tabs() { return tabStrip_; }

protected:
    // The start-up update check behind the progress dialog, then the
    // custom hosts page refilled from its result or from HOSTS.
    virtual void RunStartupCheck();
    virtual bool Open(const std::string& address);
    // Whether HOSTS, put back by another program, goes back to what the
    // program last wrote; tests answer in the user's stead.
    virtual bool AskRestoreResetHosts();

    bool ProcessMessage(Message& m) override;
    void PaintHook(HDC dc, const RECT& client) override;

private:
    void OnInitDialog(Message& m);
    void OnTimer(Message& m);
    void OnTabSelect(Message& m);
    void OnClose(Message& m);
    void OnDestroy(Message& m);
    void OnLogo();

    void SetBigIcon();
    void CreateTabStrip();
    void CreateLogo();
    void CreatePages();
    void OfferRestoreOfResetHosts();

    UpdateEngine engine_;
    TabStrip tabStrip_;
    HandCursorButton logo_;
    HostsPage hostsPage_;
    UpdatePage updatePage_;
    NewsPage newsPage_;
    UniqueBitmap band_;
    UniqueIcon bigIcon_;
};
