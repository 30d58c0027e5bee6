#pragma once

#include "update/UpdateProgress.h"

#include <memory>
#include <string>
#include <vector>

// The start-up update pass: asks the official site and the user's sites
// for their list stamps and merges every newer list into HOSTS. Holds only
// the official list address, so a copy can go to the worker thread.
class UpdateEngine {
public:
    // "http://<maker's host>/host/host.txt".
    static std::string DefaultOfficialAddress();

    explicit UpdateEngine(std::string officialAddress = DefaultOfficialAddress());

    const std::string& GetOfficialAddress() const { return officialAddress_; }

    // Asks the site at address for its stamp; a stamp that is not empty and
    // differs, ignoring case, from the stored one is new. With checkOnly,
    // true means new. Otherwise the list is downloaded into "temp.txt" and
    // its new entries appended to hostsText; true (and stamp replaced) only
    // when that was done.
    bool CheckListSite(std::string& hostsText, const std::string& address, std::string& stamp,
                       bool checkOnly) const;
    // True at the first enabled site with a new stamp, the official one first.
    bool IsUpdateAvailable() const;

    // A list newer than its stored stamp, downloaded and kept until merged.
    struct NewList {
        std::string address;
        std::string stamp;
        std::string text;
        bool official = false;
    };
    // Every enabled site's newer list, the official one first.
    std::vector<NewList> FetchNewerLists() const;

    // The worker body behind the progress dialog: check, ask, merge, write
    // HOSTS once. See UpdateProgress for who owns what.
    void RunUpdateWork(std::shared_ptr<UpdateProgress> progress) const;

private:
    bool FetchIfNewer(const std::string& address, const std::string& stamp, bool checkOnly,
                      NewList& list) const;
    void StoreStamps(const std::vector<NewList>& lists) const;

    std::string officialAddress_;
};
