#include "update/UpdateEngine.h"

#include "SitemoatConfig.h"
#include "hosts/BlockList.h"
#include "base/TextEncoding.h"
#include "base/TextFile.h"
#include "hosts/HostsDocument.h"
#include "hosts/HostsLine.h"
#include "update/ListSourcesFile.h"
#include "settings/SettingsStore.h"

#include <algorithm>
#include <iterator>
#include <unordered_map>

namespace {

constexpr char kTempFileName[] = "temp.txt";
constexpr char kUpdateFailed[] = "host表更新失败：";
constexpr char kPausedNotMerged[] = "拦截已暂停且无法恢复，未更新Host表：";
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
           d.excepted + d.repeatedInList + d.alreadyHeld + d.overLimit;
}

// One newer list's part in the pass.
struct ListMerge {
    std::vector<std::uint64_t> listed;   // every name it holds, sorted
    std::vector<std::uint64_t> brought;  // those it added, sorted
    // Its dropped names may leave HOSTS: false for a list far smaller than
    // the last one, until the same body comes again.
    bool trusted = true;
    std::string digest;  // of such a body
    std::vector<std::uint64_t> inherited;  // names another list dropped and this one holds
    std::size_t removed = 0;
};

// Which names leave HOSTS: each list's names it brought and no longer
// holds, to the index of that list. A name another list holds stays and
// passes to that list: to the lists of this pass through their merges, to
// the others through inherited (address, names).
std::unordered_map<std::uint64_t, std::size_t> Leaving(
    const std::vector<UpdateEngine::SiteCheck>& newer, const ListSources& sources,
    std::vector<ListMerge>& merges, std::vector<std::pair<std::string, std::uint64_t>>& inherited) {
    std::vector<const ListSource*> others;
    for (const ListSource& source : sources.All()) {
        const bool mergedNow = std::any_of(newer.begin(), newer.end(), [&](const UpdateEngine::SiteCheck& check) {
            return sources.Find(check.result.address) == &source;
        });
        if (!mergedNow) others.push_back(&source);
    }
    std::unordered_map<std::uint64_t, std::size_t> leaving;
    for (std::size_t i = 0; i < newer.size(); ++i) {
        const ListSource* record = sources.Find(newer[i].result.address);
        if (!record) continue;
        if (merges[i].listed.size() * 2 < record->listed.size()) {
            merges[i].digest = newer[i].newDigest;
            if (merges[i].digest != record->pendingDigest) {
                merges[i].trusted = false;
                continue;
            }
        }
        for (std::uint64_t name : record->brought) {
            if (Holds(merges[i].listed, name)) continue;
            const auto holder = std::find_if(merges.begin(), merges.end(), [&](const ListMerge& merge) {
                return &merge != &merges[i] && Holds(merge.listed, name);
            });
            if (holder != merges.end()) {
                holder->inherited.push_back(name);
                continue;
            }
            const auto other = std::find_if(others.begin(), others.end(),
                                             [&](const ListSource* source) { return Holds(source->listed, name); });
            if (other != others.end()) {
                inherited.emplace_back((*other)->address, name);
            } else {
                leaving.emplace(name, i);
            }
        }
    }
    return leaving;
}

std::vector<std::uint64_t> Union(const std::vector<std::uint64_t>& a, const std::vector<std::uint64_t>& b) {
    std::vector<std::uint64_t> both;
    std::set_union(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(both));
    return both;
}

// The records once HOSTS holds the lists: what each list holds now, and
// which of its names it brought.
void RecordSources(const ListSourcesFile& file, const std::vector<UpdateEngine::SiteCheck>& newer,
                   std::vector<ListMerge>& merges,
                   const std::vector<std::pair<std::string, std::uint64_t>>& inherited) {
    file.Edit([&](ListSources& sources) {
        std::unordered_map<std::string, std::vector<std::uint64_t>> byAddress;
        for (const auto& [address, name] : inherited) byAddress[address].push_back(name);
        for (auto& [address, names] : byAddress) {
            ListSource& source = sources.Get(address);
            SortUnique(names);
            source.brought = Union(source.brought, names);
        }
        for (std::size_t i = 0; i < newer.size(); ++i) {
            ListMerge& merge = merges[i];
            ListSource& source = sources.Get(newer[i].result.address);
            SortUnique(merge.inherited);
            std::vector<std::uint64_t> brought = Union(merge.brought, merge.inherited);
            if (merge.trusted) {
                std::vector<std::uint64_t> kept;
                std::set_intersection(source.brought.begin(), source.brought.end(), merge.listed.begin(),
                                      merge.listed.end(), std::back_inserter(kept));
                source.brought = Union(kept, brought);
                source.listed = std::move(merge.listed);
                source.pendingDigest.clear();
            } else {
                source.brought = Union(source.brought, brought);
                source.listed = Union(source.listed, merge.listed);
                source.pendingDigest = merge.digest;
            }
        }
        return true;
    });
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
    // Blocking paused: it comes back before the pass.
    std::string pausedReason;
    if (const HostsPause pause; pause.Exists()) {
        std::string unused;
        const HostsOutcome resumed = HostsDocument().Resume(pause, unused);
        if (!resumed.Ok()) pausedReason = resumed.Reason();
    }
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
    // While blocking stays paused, no list is merged into a HOSTS that
    // lacks its blocking lines.
    if (!pausedReason.empty()) {
        report.failure = kPausedNotMerged + pausedReason;
        progress->ReportFailure(report.failure);
        return report;
    }
    const ExceptionList exceptions(SettingsStore().GetExceptionText());
    const ListSourcesFile sourcesFile;
    const ListSources sources = sourcesFile.Read();
    std::vector<ListMerge> merges;
    std::vector<std::pair<std::string, std::uint64_t>> inherited;
    std::size_t added = 0;
    // The lists merge into HOSTS as it is right before the write, after the
    // downloads; a file that cannot be read is left alone, since the lists
    // merged into nothing would replace every line it has.
    HostsDocument hosts;
    const HostsOutcome outcome = hosts.Update([&](HostsLines& lines) {
        BlockListMerger merger(ReadableText(lines.Bytes()));
        merges.assign(newer.size(), ListMerge());
        for (std::size_t i = 0; i < newer.size(); ++i) {
            ListMergeResult merged = merger.Append(newer[i].body, exceptions);
            newer[i].result.added = merged.added;
            newer[i].result.dropped = Total(merged.dropped);
            merges[i].listed = std::move(merged.listed);
            merges[i].brought = std::move(merged.brought);
            SortUnique(merges[i].listed);
            SortUnique(merges[i].brought);
        }
        inherited.clear();
        const std::unordered_map<std::uint64_t, std::size_t> leaving =
            Leaving(newer, sources, merges, inherited);
        lines.RemoveNames(
            [&](std::string_view name) {
                std::string store;
                const auto found = leaving.find(NameHash(NameKey(name, store)));
                if (found == leaving.end()) return false;
                ++merges[found->second].removed;
                return true;
            },
            true);
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
    RecordSources(sourcesFile, newer, merges, inherited);
    std::vector<SiteCheck> trusted;
    for (std::size_t i = 0; i < newer.size(); ++i) {
        newer[i].result.removed = merges[i].removed;
        newer[i].result.heldBack = !merges[i].trusted;
        report.removed += merges[i].removed;
        // A list held back comes again: its names are taken out when it does.
        if (merges[i].trusted) trusted.push_back(newer[i]);
    }
    StoreStamps(trusted);
    StoreStamps(known);
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
