#include "update/UpdateEngine.h"

#include "SitemoatConfig.h"
#include "base/TextCodec.h"
#include "hosts/HostsService.h"
#include "settings/SettingsStore.h"
#include "update/HttpFetcher.h"

#include <vector>

namespace {

constexpr char kTempFileName[] = "temp.txt";
constexpr char kUpdateFailed[] = "host表更新失败：";
// Another program that keeps rewriting HOSTS gets this many merges.
constexpr int kMergeAttempts = 3;

struct CustomSites {
    std::vector<std::string> addresses;
    std::vector<std::string> stamps;
};

CustomSites ReadCustomSites(const SettingsStore& settings) {
    CustomSites sites;
    settings.ReadCustomSites(sites.addresses, sites.stamps);
    return sites;
}

// HOSTS with the entries the lists add, in the file's own encoding: the
// file's text is never rewritten, only followed.
FileText Merged(const FileText& hosts, const std::vector<UpdateEngine::NewList>& lists) {
    const HostsService service;
    const bool ansi = hosts.encoding == TextEncoding::Ansi;
    std::string merged = ansi ? hosts.text : Utf8ToAnsi(hosts.text);
    const std::size_t held = merged.size();
    for (const UpdateEngine::NewList& list : lists) service.AppendNewEntries(merged, list.text);
    const std::string added = merged.substr(held);
    FileText result = hosts;
    result.text += service.ComposeHostsText("", added, hosts.encoding);
    return result;
}

}  // namespace

std::string UpdateEngine::DefaultOfficialAddress() {
    return MakerUrl("/host/host.txt");
}

UpdateEngine::UpdateEngine(std::string officialAddress)
    : officialAddress_(std::move(officialAddress)) {}

bool UpdateEngine::CheckListSite(std::string& hostsText, const std::string& address,
                                 std::string& stamp, bool checkOnly) const {
    NewList list;
    if (!FetchIfNewer(address, stamp, checkOnly, list)) return false;
    if (!checkOnly) {
        HostsService().AppendNewEntries(hostsText, list.text);
        stamp = list.stamp;
    }
    return true;
}

bool UpdateEngine::FetchIfNewer(const std::string& address, const std::string& stamp,
                                bool checkOnly, NewList& list) const {
    HttpFetcher fetcher;
    std::string newStamp = fetcher.GetLastModified(address);
    if (newStamp.empty() || lstrcmpiA(newStamp.c_str(), stamp.c_str()) == 0) return false;
    if (checkOnly) return true;

    std::string tempPath = GetPathBesideProgram(kTempFileName);
    if (fetcher.DownloadToFile(address, tempPath) != kDownloadOk) return false;
    list.address = address;
    list.stamp = newStamp;
    list.text = HostsService().ReadTextFile(tempPath);
    return true;
}

bool UpdateEngine::IsUpdateAvailable() const {
    SettingsStore settings;
    std::string unused;
    if (settings.IsOfficialUpdateEnabled()) {
        std::string stamp = settings.GetOfficialStamp();
        if (CheckListSite(unused, officialAddress_, stamp, true)) return true;
    }
    if (settings.IsCustomUpdateEnabled()) {
        CustomSites sites = ReadCustomSites(settings);
        for (size_t i = 0; i < sites.addresses.size(); ++i) {
            if (CheckListSite(unused, sites.addresses[i], sites.stamps[i], true)) return true;
        }
    }
    return false;
}

std::vector<UpdateEngine::NewList> UpdateEngine::FetchNewerLists() const {
    SettingsStore settings;
    std::vector<NewList> lists;
    NewList list;
    if (settings.IsOfficialUpdateEnabled() &&
        FetchIfNewer(officialAddress_, settings.GetOfficialStamp(), false, list)) {
        list.official = true;
        lists.push_back(list);
    }
    if (settings.IsCustomUpdateEnabled()) {
        CustomSites sites = ReadCustomSites(settings);
        for (size_t i = 0; i < sites.addresses.size(); ++i) {
            if (sites.addresses[i].empty()) continue;
            list = NewList();
            if (FetchIfNewer(sites.addresses[i], sites.stamps[i], false, list)) lists.push_back(list);
        }
    }
    return lists;
}

// A stored stamp says that its list is in HOSTS, so stamps are stored only
// once HOSTS holds the lists, and each into the settings as they stand then:
// a site the user added or removed meanwhile stays so.
void UpdateEngine::StoreStamps(const std::vector<NewList>& lists) const {
    SettingsStore settings;
    for (const NewList& list : lists) {
        if (list.official) {
            settings.SetOfficialStamp(list.stamp);
        } else {
            settings.SetCustomSiteStamp(list.address, list.stamp);
        }
    }
}

void UpdateEngine::RunUpdateWork(std::shared_ptr<UpdateProgress> progress) const {
    if (!progress || !IsUpdateAvailable() || progress->IsCancelled()) return;
    if (progress->AskToUpdate(kUpdateQuestion) != kAnswerUpdate || progress->IsCancelled()) {
        return;
    }
    progress->SetMessage(kUpdatingMessage);

    const HostsService hosts;
    // A HOSTS file that cannot be read now (another program holds it without
    // sharing, or reading is denied) is left alone: the lists merged into
    // nothing would replace every line it has.
    FileText before = hosts.ReadHostsFile();
    if (!before.Read()) {
        progress->ReportFailure(kUpdateFailed + FileErrorReason(before.error));
        return;
    }
    const std::vector<NewList> lists = FetchNewerLists();
    // Once the user has given up waiting, nothing at all is written.
    if (lists.empty() || !progress->Commit()) return;

    for (int attempt = 0; attempt < kMergeAttempts; ++attempt) {
        // Read after the downloads, right before merging, and written only
        // if no other program changed it in between.
        const FileText current = hosts.ReadHostsFile();
        if (!current.Read()) {
            progress->ReportFailure(kUpdateFailed + FileErrorReason(current.error));
            return;
        }
        const FileText merged = Merged(current, lists);
        const WriteResult written = hosts.WriteHostsFile(merged, &current);
        if (written.error == kErrorChangedMeanwhile) continue;
        if (!written.Ok()) {
            progress->ReportFailure(kUpdateFailed + FileErrorReason(written));
            return;
        }
        StoreStamps(lists);
        progress->SetResult(merged);
        return;
    }
    progress->ReportFailure(kUpdateFailed + FileErrorReason(kErrorChangedMeanwhile));
}
