#include "update/UpdateEngine.h"

#include "SitemoatConfig.h"
#include "hosts/HostsService.h"
#include "settings/SettingsStore.h"
#include "update/HttpFetcher.h"

#include <vector>

namespace {

constexpr char kTempFileName[] = "temp.txt";

struct CustomSites {
    std::vector<std::string> addresses;
    std::vector<std::string> stamps;
};

CustomSites ReadCustomSites(const SettingsStore& settings) {
    CustomSites sites;
    settings.ReadCustomSites(sites.addresses, sites.stamps);
    return sites;
}

// Writes back every site that has an address, in order, in place of the
// section.
void RewriteCustomSites(const SettingsStore& settings, const CustomSites& sites) {
    CustomSites kept;
    for (size_t i = 0; i < sites.addresses.size(); ++i) {
        if (sites.addresses[i].empty()) continue;
        kept.addresses.push_back(sites.addresses[i]);
        kept.stamps.push_back(sites.stamps[i]);
    }
    settings.ReplaceCustomSites(kept.addresses, kept.stamps);
}

struct StoredStamps {
    std::string official;
    CustomSites custom;
};

StoredStamps ReadStoredStamps(const SettingsStore& settings) {
    return {settings.GetOfficialStamp(), ReadCustomSites(settings)};
}

void RestoreStoredStamps(const SettingsStore& settings, const StoredStamps& saved) {
    if (settings.GetOfficialStamp() != saved.official) settings.SetOfficialStamp(saved.official);
    CustomSites now = ReadCustomSites(settings);
    if (now.addresses != saved.custom.addresses || now.stamps != saved.custom.stamps) {
        RewriteCustomSites(settings, saved.custom);
    }
}

ULONGLONG FileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (ULONGLONG(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

}  // namespace

std::string UpdateEngine::DefaultOfficialAddress() {
    return MakerUrl("/host/host.txt");
}

UpdateEngine::UpdateEngine(std::string officialAddress)
    : officialAddress_(std::move(officialAddress)) {}

bool UpdateEngine::CheckListSite(std::string& hostsText, const std::string& address,
                                 std::string& stamp, bool checkOnly) const {
    HttpFetcher fetcher;
    std::string newStamp = fetcher.GetLastModified(address);
    if (newStamp.empty() || lstrcmpiA(newStamp.c_str(), stamp.c_str()) == 0) return false;
    if (checkOnly) return true;

    std::string tempPath = GetPathBesideProgram(kTempFileName);
    if (fetcher.DownloadToFile(address, tempPath) != kDownloadOk) return false;
    HostsService hosts;
    hosts.AppendNewEntries(hostsText, hosts.ReadTextFile(tempPath));
    stamp = newStamp;
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

void UpdateEngine::ApplyOfficialUpdate(std::string& hostsText) const {
    SettingsStore settings;
    if (!settings.IsOfficialUpdateEnabled()) return;
    std::string stamp = settings.GetOfficialStamp();
    if (CheckListSite(hostsText, officialAddress_, stamp, false)) settings.SetOfficialStamp(stamp);
}

void UpdateEngine::ApplyCustomUpdates(std::string& hostsText) const {
    SettingsStore settings;
    if (!settings.IsCustomUpdateEnabled()) return;
    CustomSites sites = ReadCustomSites(settings);
    if (sites.addresses.empty()) return;
    for (size_t i = 0; i < sites.addresses.size(); ++i) {
        CheckListSite(hostsText, sites.addresses[i], sites.stamps[i], false);
    }
    // Rewritten only after every download, so that a pass cut short (the
    // process ending under an abandoned worker) never leaves the section
    // emptied.
    RewriteCustomSites(settings, sites);
}

void UpdateEngine::RunUpdateWork(std::shared_ptr<UpdateProgress> progress) const {
    if (!progress || !IsUpdateAvailable() || progress->IsCancelled()) return;
    if (progress->AskToUpdate(kUpdateQuestion) != kAnswerUpdate || progress->IsCancelled()) {
        return;
    }
    progress->SetMessage(kUpdatingMessage);

    SettingsStore settings;
    StoredStamps before = ReadStoredStamps(settings);
    HostsService hosts;
    const std::string hostsPath = hosts.GetHostsFilePath();
    std::string hostsText = hosts.ReadTextFile(hostsPath);
    // A HOSTS file that holds text but cannot be read now (another program
    // has it open) reads as empty: merged into nothing and written back
    // later, it would lose every line it had.
    if (hostsText.empty() && FileSize(hostsPath) > 0) return;
    ApplyOfficialUpdate(hostsText);
    ApplyCustomUpdates(hostsText);
    // A stored stamp says its list is in HOSTS. Unless the merged text is
    // really written (HOSTS read-only, or the user gave up waiting), the
    // stamps go back, so the same lists are offered again next time.
    if (!progress->Commit() || !hosts.WriteHostsFile(hostsText)) {
        RestoreStoredStamps(settings, before);
        return;
    }
    progress->SetResult(hostsText);
}
