#pragma once

#include <cstddef>
#include <string>
#include <vector>

// How one site's check ended in an update pass.
enum class SiteOutcome {
    Unchanged,  // nothing newer than the stored stamp
    Newer,      // a newer list, merged when the user agreed
    Failed,     // no list: the reason says why
};

struct SiteResult {
    std::string address;
    bool official = false;
    SiteOutcome outcome = SiteOutcome::Unchanged;
    std::string reason;      // plain Chinese, for a failed check
    std::size_t added = 0;    // names its list added to HOSTS
    std::size_t removed = 0;  // names it no longer holds, taken out of HOSTS
    std::size_t dropped = 0;  // names of its list left out (not blocking, excepted...)
    // Far fewer names than its last list: a cut transfer looks like that, so
    // nothing was taken out for it until the same list comes again.
    bool heldBack = false;
};

// What an update pass did, for the user, the log and the exit code of the
// unattended update.
struct UpdateReport {
    std::vector<SiteResult> sites;  // every site checked, in the order checked
    bool offered = false;           // a newer list was there to merge
    bool applied = false;           // HOSTS now holds the newer lists
    std::size_t added = 0;          // names added to HOSTS
    std::size_t removed = 0;        // names taken out of HOSTS
    std::string failure;            // why HOSTS could not be read or written, "" if it could

    std::size_t FailedSites() const {
        std::size_t failed = 0;
        for (const SiteResult& site : sites) failed += site.outcome == SiteOutcome::Failed;
        return failed;
    }
};
