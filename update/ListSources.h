#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// What an update site's list has put into HOSTS, kept so that a name the
// list drops later leaves HOSTS again. Names are kept as NameHash values.
struct ListSource {
    std::string address;                 // the official list's address for the official site
    std::vector<std::uint64_t> listed;   // every name its last merged list holds, sorted
    std::vector<std::uint64_t> brought;  // of those, the ones it added to HOSTS, sorted
    // The digest of a body that held less than half the names of the last
    // one: a cut transfer looks like that, so its names are taken out only
    // when the same body comes a second time.
    std::string pendingDigest;
};

// Every site's record, one a site. Read from bytes a user may have written:
// anything malformed (two records of one address too) reads as no records
// at all, which takes nothing out of HOSTS.
class ListSources {
public:
    static ListSources Parse(std::string_view bytes);
    std::string Serialize() const;

    const std::vector<ListSource>& All() const { return sources_; }
    // Addresses compare without regard to letter case, as the settings do.
    const ListSource* Find(std::string_view address) const;
    ListSource& Get(std::string_view address);
    void Remove(std::string_view address);

    // The names are the user's now (typed or edited by hand): no list
    // takes them out of HOSTS any more.
    // True when a record changed.
    bool Claim(std::vector<std::uint64_t> names);
    // Whether a site other than except lists the name.
    bool ListedByOther(std::uint64_t name, const ListSource* except) const;

private:
    std::vector<ListSource> sources_;
};

// Sorted, without repeats.
void SortUnique(std::vector<std::uint64_t>& names);
bool Holds(const std::vector<std::uint64_t>& sorted, std::uint64_t name);
