#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "skin/HeaderListView.h"
#include "skin/HyperlinkLabel.h"
#include "skin/ImageButton.h"
#include "skin/SkinnedDialog.h"
#include "skin/TextLabel.h"
#include "update/UpdateReport.h"

// A row of the update site list.
struct SiteRow : ListRow {
    std::string address;
};

// The second page: where the start-up check looks for block lists (the
// official site, the user's own sites, both or neither) and the list of the
// user's sites. Every change goes to the settings file at once.
class UpdatePage : public SkinnedDialog {
public:
    UpdatePage();

    HeaderListView& SiteList() { return siteList_; }

    // Shows how each site's last check ended: a failure and its reason in
    // the site's row, or under the official address.
    void ShowSiteResults(const std::vector<SiteResult>& sites);
    // Called with the lines the user adds to the exceptions, once stored.
    void SetOnExceptionsAdded(std::function<void(const std::string& lines)> handler) {
        onExceptionsAdded_ = std::move(handler);
    }
    // Takes the names the test says out of HOSTS; "" or why it failed.
    using NameTest = std::function<bool(std::string_view name)>;
    void SetOnTakeOutNames(std::function<std::string(const NameTest& remove)> handler) {
        onTakeOutNames_ = std::move(handler);
    }
    // Reads again whether the daily update task exists and the log's last run.
    void ShowDailyUpdate();

protected:
    // What the page asks of the user, the settings and the shell; tests
    // answer in their stead.
    virtual bool AskSiteAddress(std::string& address);
    virtual bool Open(const std::string& address);
    virtual bool AskExceptions(std::string& text);
    virtual void ShowMessage(const std::string& text);
    // Whether the names the removed sites' lists brought leave HOSTS too.
    virtual bool AskTakeOutNames(std::size_t count);
    // The running program's path when it is the installed copy, else "".
    virtual std::string InstalledProgram();

    bool ProcessMessage(Message& m) override;

private:
    void OnInitDialog(Message& m);
    void OnOfficialCheck();
    void OnCustomCheck();
    void OnAddSite();
    void OnRemoveSites();
    void OnOfficialListLink();
    void OnRecommendedLink();
    void OnBuildSiteLink();
    void OnExceptions();
    void OnDailyCheck();

    void AppendSiteRow(const std::string& address);
    void TakeOutListNames(const std::vector<std::string>& removed);
    HeaderListView siteList_;
    TextLabel officialLabel_;
    TextLabel customLabel_;
    ImageButton addButton_;
    ImageButton removeButton_;
    HyperlinkLabel officialListLink_;
    HyperlinkLabel recommendedLink_;
    HyperlinkLabel buildSiteLink_;
    HyperlinkLabel exceptionsLink_;
    TextLabel officialStatus_;
    TextLabel dailyLabel_;
    TextLabel lastRun_;
    std::function<void(const std::string&)> onExceptionsAdded_;
    std::function<std::string(const NameTest&)> onTakeOutNames_;
};
