#include "update/UpdateEngine.h"

#include "SitemoatConfig.h"
#include "hosts/BlockList.h"
#include "hosts/HostsService.h"
#include "settings/SettingsStore.h"

#include <algorithm>

namespace {

constexpr char kTempFileName[] = "temp.txt";
constexpr char kUpdateFailed[] = "host表更新失败：";
constexpr char kNotAList[] = "内容不是屏蔽列表";
constexpr char kNoDigest[] = "无法计算列表的摘要";
// Another program that keeps rewriting HOSTS gets this many merges.
constexpr int kMergeAttempts = 3;

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
                                                const std::string& stamp, const std::string& digest,
                                                bool official) const {
    SiteCheck check;
    check.result.address = address;
    check.result.official = official;
    check.storedStamp = stamp;
    check.storedDigest = digest;
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
    check.newDigest = ContentDigestStamp(response.body);
    if (check.newDigest.empty()) {
        check.result.outcome = SiteOutcome::Failed;
        check.result.reason = kNoDigest;
        return check;
    }
    const std::string validator = ListValidatorOf(response);
    check.newStamp = validator.empty() ? check.newDigest : validator;
    if (check.newDigest == digest || SameStamp(check.newStamp, stamp)) return check;
    check.result.outcome = SiteOutcome::Newer;
    check.body = std::move(response.body);
    return check;
}

std::vector<UpdateEngine::SiteCheck> UpdateEngine::CheckSites() const {
    const SettingsStore settings;
    std::vector<SiteCheck> checks;
    if (settings.IsOfficialUpdateEnabled()) {
        checks.push_back(CheckSite(officialAddress_, settings.GetOfficialStamp(),
                                   settings.GetOfficialDigest(), true));
    }
    if (settings.IsCustomUpdateEnabled()) {
        for (const CustomSite& site : settings.ReadCustomSites()) {
            if (!site.address.empty()) {
                checks.push_back(CheckSite(site.address, site.stamp, site.digest, false));
            }
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
// once HOSTS holds the lists (or held them already: the same body as last
// merged), and each into the settings as they stand then: a site the user
// added or removed meanwhile stays so.
void UpdateEngine::StoreStamps(const std::vector<SiteCheck>& checks) const {
    const SettingsStore settings;
    for (const SiteCheck& check : checks) {
        if (check.newDigest.empty()) continue;
        if (check.result.outcome != SiteOutcome::Newer &&
            (check.newDigest != check.storedDigest || check.newStamp == check.storedStamp)) {
            continue;
        }
        if (check.result.official) {
            settings.SetOfficialStamp(check.newStamp, check.newDigest);
        } else {
            settings.SetCustomSiteStamp(check.result.address, check.newStamp, check.newDigest);
        }
    }
}

UpdateReport UpdateEngine::RunUpdateWork(std::shared_ptr<UpdateProgress> progress) const {
    UpdateReport report;
    if (!progress) return report;
    std::vector<SiteCheck> newer;
    std::vector<SiteCheck> known;  // not newer, some with a new stamp to keep
    for (SiteCheck& check : CheckSites()) {
        report.sites.push_back(check.result);
        (check.result.outcome == SiteOutcome::Newer ? newer : known).push_back(std::move(check));
    }
    progress->SetSiteResults(report.sites);
    report.offered = !newer.empty();
    if (progress->IsCancelled()) return report;
    if (newer.empty()) {
        StoreStamps(known);
        return report;
    }
    // The lists kept go with newer when the pass ends without merging them.
    if (progress->AskToUpdate(kUpdateQuestion) != kAnswerUpdate || progress->IsCancelled()) {
        return report;
    }
    progress->SetMessage(kUpdatingMessage);
    // Once the user has given up waiting, nothing at all is written.
    if (!progress->Commit()) return report;

    DropSitesGoneMeanwhile(newer);
    if (newer.empty()) return report;
    const HostsService hosts;
    const ExceptionList exceptions(SettingsStore().GetExceptionText());
    for (int attempt = 0; attempt < kMergeAttempts; ++attempt) {
        // Read after the downloads, right before merging, and written only
        // if no other program changed it in between. A file that cannot be
        // read is left alone: the lists merged into nothing would replace
        // every line it has.
        const FileText current = hosts.ReadHostsFile();
        if (!current.Read()) {
            report.failure = kUpdateFailed + FileErrorReason(current.error);
            break;
        }
        BlockListMerger merger(current.text);
        for (SiteCheck& check : newer) {
            const ListMergeResult merged = merger.Append(check.body, exceptions);
            check.result.added = merged.added;
            check.result.dropped = Total(merged.dropped);
        }
        // The last list merged stays beside the program, where users look
        // for what was downloaded.
        hosts.WriteTextFile(GetPathBesideProgram(kTempFileName), newer.back().body);
        FileText updated = current;
        updated.text += hosts.ComposeHostsText("", merger.Added(), current.encoding);
        const WriteResult written = merger.AddedCount() == 0
                                        ? WriteResult()
                                        : hosts.WriteHostsFile(updated, &current);
        if (written.error == kErrorChangedMeanwhile) continue;
        if (!written.Ok()) {
            report.failure = kUpdateFailed + FileErrorReason(written);
            break;
        }
        StoreStamps(newer);
        StoreStamps(known);
        report.applied = true;
        report.added = merger.AddedCount();
        for (const SiteCheck& check : newer) {
            for (SiteResult& site : report.sites) {
                if (site.address == check.result.address && site.official == check.result.official) {
                    site = check.result;
                }
            }
        }
        progress->SetSiteResults(report.sites);
        if (merger.AddedCount() > 0) progress->SetResult(updated);
        return report;
    }
    if (report.failure.empty()) report.failure = kUpdateFailed + FileErrorReason(kErrorChangedMeanwhile);
    progress->ReportFailure(report.failure);
    return report;
}
