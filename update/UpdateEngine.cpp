#include "update/UpdateEngine.h"

#include "SitemoatConfig.h"
#include "hosts/BlockList.h"
#include "base/TextEncoding.h"
#include "base/TextFile.h"
#include "hosts/HostsDocument.h"
#include "settings/SettingsStore.h"

#include <algorithm>

namespace {

constexpr char kTempFileName[] = "temp.txt";
constexpr char kUpdateFailed[] = "host表更新失败：";
constexpr char kNotAList[] = "内容不是屏蔽列表";
constexpr char kNoDigest[] = "无法计算列表的摘要";

// Dates compare as the server writes them, in any case; an entity tag or a
// digest is the same only to the letter.
bool SameStamp(const std::string& a, const std::string& b) {
    if (IsEtagStamp(a) || IsEtagStamp(b) || IsDigestStamp(a) || IsDigestStamp(b)) return a == b;
    return lstrcmpiA(a.c_str(), b.c_str()) == 0;
}

std::size_t Total(const ListDropCounts& d) {
    return d.notBlocking + d.localName + d.addressAsName + d.invalidName + d.protectedName +
           d.excepted + d.repeatedInList + d.alreadyHeld;
}

}  // namespace

UpdateEngine::UpdateEngine(std::string officialAddress)
    : officialAddress_(std::move(officialAddress)) {}

UpdateEngine::SiteCheck UpdateEngine::CheckSite(const std::string& address,
                                                const std::string& stamp, bool official) const {
    SiteCheck check;
    check.result.address = address;
    check.result.official = official;
    check.storedStamp = stamp;
    HttpFetcher fetcher;
    fetcher.SetLimits(limits_);
    FetchResponse response = fetcher.Fetch(address, stamp);
    if (response.status == FetchStatus::NotModified) return check;
    if (response.status != FetchStatus::Ok) {
        check.result.outcome = SiteOutcome::Failed;
        check.result.reason = FetchFailureReason(response);
        return check;
    }
    // A page or junk in the list's place is no newer list: its stamp stays,
    // so it is tried again next time.
    if (!IsBlockListBody(response.body)) {
        check.result.outcome = SiteOutcome::Failed;
        check.result.reason = kNotAList;
        return check;
    }
    check.newStamp = ListStampOf(response);
    if (check.newStamp.empty()) {
        check.result.outcome = SiteOutcome::Failed;
        check.result.reason = kNoDigest;
        return check;
    }
    if (SameStamp(check.newStamp, stamp)) return check;
    check.result.outcome = SiteOutcome::Newer;
    check.body = std::move(response.body);
    return check;
}

std::vector<UpdateEngine::SiteCheck> UpdateEngine::CheckSites() const {
    const SettingsStore settings;
    std::vector<SiteCheck> checks;
    if (settings.IsOfficialUpdateEnabled()) {
        checks.push_back(CheckSite(officialAddress_, settings.GetOfficialStamp(), true));
    }
    if (settings.IsCustomUpdateEnabled()) {
        for (const CustomSite& site : settings.ReadCustomSites()) {
            if (!site.address.empty()) checks.push_back(CheckSite(site.address, site.stamp, false));
        }
    }
    return checks;
}

bool UpdateEngine::IsUpdateAvailable() const {
    for (const SiteCheck& check : CheckSites()) {
        if (check.result.outcome == SiteOutcome::Newer) return true;
    }
    return false;
}

// The user may have removed a site, or switched its source off, while its
// list downloaded: that list is not merged.
void UpdateEngine::DropSitesGoneMeanwhile(std::vector<SiteCheck>& newer) const {
    const SettingsStore settings;
    const std::vector<CustomSite> sites =
        settings.IsCustomUpdateEnabled() ? settings.ReadCustomSites() : std::vector<CustomSite>();
    const bool official = settings.IsOfficialUpdateEnabled();
    const auto gone = [&](const SiteCheck& check) {
        if (check.result.official) return !official;
        return std::none_of(sites.begin(), sites.end(), [&](const CustomSite& site) {
            return lstrcmpiA(site.address.c_str(), check.result.address.c_str()) == 0;
        });
    };
    newer.erase(std::remove_if(newer.begin(), newer.end(), gone), newer.end());
}

// A stored stamp says that its list is in HOSTS, so stamps are stored only
// once HOSTS holds the lists, and each into the settings as they stand then:
// a site the user added or removed meanwhile stays so.
void UpdateEngine::StoreStamps(const std::vector<SiteCheck>& merged) const {
    const SettingsStore settings;
    for (const SiteCheck& check : merged) {
        if (check.result.official) {
            settings.SetOfficialStamp(check.newStamp);
        } else {
            settings.SetCustomSiteStamp(check.result.address, check.newStamp);
        }
    }
}

UpdateReport UpdateEngine::RunUpdateWork(std::shared_ptr<UpdateProgress> progress) const {
    UpdateReport report;
    if (!progress) return report;
    std::vector<SiteCheck> checks = CheckSites();
    std::vector<SiteCheck> newer;
    for (SiteCheck& check : checks) {
        report.sites.push_back(check.result);
        if (check.result.outcome == SiteOutcome::Newer) newer.push_back(std::move(check));
    }
    progress->SetSiteResults(report.sites);
    report.offered = !newer.empty();
    // The lists kept go with newer when the pass ends without merging them.
    if (newer.empty() || progress->IsCancelled()) return report;
    if (progress->AskToUpdate(kUpdateQuestion) != kAnswerUpdate || progress->IsCancelled()) {
        return report;
    }
    progress->SetMessage(kUpdatingMessage);
    // Once the user has given up waiting, nothing at all is written.
    if (!progress->Commit()) return report;

    DropSitesGoneMeanwhile(newer);
    if (newer.empty()) return report;
    const ExceptionList exceptions(SettingsStore().GetExceptionText());
    // The lists merge into HOSTS as it is right before the write, after the
    // downloads; a file that cannot be read is left alone, since the lists
    // merged into nothing would replace every line it has.
    std::size_t added = 0;
    HostsDocument hosts;
    const HostsOutcome outcome = hosts.Update([&](HostsLines& lines) {
        BlockListMerger merger(ReadableText(lines.Bytes()));
        for (SiteCheck& check : newer) {
            const ListMergeResult merged = merger.Append(check.body, exceptions);
            check.result.added = merged.added;
            check.result.dropped = Total(merged.dropped);
        }
        lines.InsertAfterLastEntry(merger.Added());
        added = merger.AddedCount();
    });
    // The last list merged stays beside the program, where users look for
    // what was downloaded.
    WriteTextFile(GetPathBesideProgram(kTempFileName), newer.back().body);
    if (!outcome.Ok()) {
        report.failure = kUpdateFailed + outcome.Reason();
        progress->ReportFailure(report.failure);
        return report;
    }
    StoreStamps(newer);
    report.applied = true;
    report.added = added;
    for (const SiteCheck& check : newer) {
        for (SiteResult& site : report.sites) {
            if (site.address == check.result.address && site.official == check.result.official) {
                site = check.result;
            }
        }
    }
    progress->SetSiteResults(report.sites);
    if (outcome.written) progress->SetResult(hosts.Lines().Bytes());
    return report;
}
