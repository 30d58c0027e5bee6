#pragma once

#include <windows.h>

#include <functional>
#include <string>
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
    // Reads again whether the daily update task exists and the log's last run.
    void ShowDailyUpdate();

protected:
    // What the page asks of the user, the settings and the shell; tests
    // answer in their stead.
    virtual bool AskSiteAddress(std::string& address);
    virtual bool ReadCustomSites(std::vector<std::string>& addresses,
                                 std::vector<std::string>& stamps) const;
    virtual bool Open(const std::string& address);
    virtual bool AskExceptions(std::string& text);
    virtual void ShowMessage(const std::string& text);

    bool ProcessDialogMessage(Message& m) override;

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
    // Reads the stored sites, lets edit change them and writes them back,
    // all under the settings' lock. False, with nothing written, when the
    // stored list cannot be read as pairs or edit declines.
    using SitesEdit = std::function<bool(std::vector<std::string>& addresses,
                                         std::vector<std::string>& stamps)>;
    bool EditCustomSites(const SitesEdit& edit);

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
};
