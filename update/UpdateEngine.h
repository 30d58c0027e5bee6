#pragma once

#include "SitemoatConfig.h"
#include "update/HttpFetcher.h"
#include "update/UpdateProgress.h"
#include "update/UpdateReport.h"

#include <memory>
#include <string>
#include <vector>

// The update pass: asks the official site and the user's sites, once each,
// for a list newer than the one last merged, and merges the blocking
// entries of every newer list into HOSTS when the user agrees. Holds only
// the official list address and the fetch limits, so a copy can go to the
// worker thread.
class UpdateEngine {
public:
    explicit UpdateEngine(std::string officialAddress = OfficialListAddress());

    const std::string& GetOfficialAddress() const { return officialAddress_; }
    void SetFetchLimits(const FetchLimits& limits) { limits_ = limits; }

    // One site's check: a conditional request whose body, when the list is
    // newer, is kept to be merged; it is never fetched twice in one pass. A
    // body the same as the one last merged is never newer, whatever its
    // validators say; its new stamp is kept all the same, so the next check
    // can be conditional again.
    struct SiteCheck {
        SiteResult result;
        std::string storedStamp;
        std::string storedDigest;
        std::string newStamp;   // of a list received whole, "" otherwise
        std::string newDigest;  // of a list received whole, "" otherwise
        std::string body;       // a newer list only
    };
    // Every enabled site in order, the official one first.
    std::vector<SiteCheck> CheckSites() const;
    // True when an enabled site has a newer list.
    bool IsUpdateAvailable() const;

    // The worker body behind the progress dialog, and the whole of the
    // unattended update: check, ask, merge, write HOSTS once, store the
    // stamps of the lists merged. See UpdateProgress for who owns what.
    UpdateReport RunUpdateWork(std::shared_ptr<UpdateProgress> progress) const;

private:
    SiteCheck CheckSite(const std::string& address, const std::string& stamp,
                        const std::string& digest, bool official) const;
    void DropSitesGoneMeanwhile(std::vector<SiteCheck>& newer) const;
    void StoreStamps(const std::vector<SiteCheck>& checks) const;

    std::string officialAddress_;
    FetchLimits limits_;
};
