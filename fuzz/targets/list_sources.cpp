// lists.dat, as any bytes. Parse gives no records, or one record a site
// (address in any case) with names sorted without repeats and brought
// within listed; those serialize to the input's bytes and parse back the
// same. Find, ListedByOther and Claim agree with plain forms over them, and
// what Claim leaves is as valid and parses back too.
#include "fuzz/FuzzSupport.h"
#include "fuzz/Reference.h"
#include "update/ListSources.h"

#include <algorithm>
#include <string>

namespace {

bool RefHolds(const std::vector<std::uint64_t>& names, std::uint64_t name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

bool SortedWithoutRepeats(const std::vector<std::uint64_t>& names) {
    for (std::size_t i = 1; i < names.size(); ++i) {
        if (names[i - 1] >= names[i]) return false;
    }
    return true;
}

bool SameRecords(const std::vector<ListSource>& a, const std::vector<ListSource>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const ListSource& x, const ListSource& y) {
        return x.address == y.address && x.listed == y.listed && x.brought == y.brought &&
               x.pendingDigest == y.pendingDigest;
    });
}

void CheckRecords(const ListSources& sources) {
    for (const ListSource& source : sources.All()) {
        FUZZ_CHECK(SortedWithoutRepeats(source.listed));
        FUZZ_CHECK(SortedWithoutRepeats(source.brought));
        for (std::uint64_t name : source.brought) FUZZ_CHECK(RefHolds(source.listed, name));
    }
}

// A site other than except's lists the name; a site is its address, in any case.
bool RefListedByOther(const std::vector<ListSource>& sources, std::uint64_t name, const ListSource* except) {
    for (const ListSource& source : sources) {
        if (except && RefEqualWithoutCase(source.address, except->address)) continue;
        if (RefHolds(source.listed, name)) return true;
    }
    return false;
}

std::uint64_t Number(std::string_view bytes) {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < bytes.size() && i < 8; ++i) {
        value |= std::uint64_t(static_cast<unsigned char>(bytes[i])) << (8 * i);
    }
    return value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::string_view> parts = InputParts(data, size, 2);
    const ListSources parsed = ListSources::Parse(parts[0]);
    CheckRecords(parsed);

    const std::string bytes = parsed.Serialize();
    if (!parsed.All().empty()) FUZZ_CHECK(bytes == parts[0]);
    const ListSources again = ListSources::Parse(bytes);
    FUZZ_CHECK(SameRecords(again.All(), parsed.All()));
    FUZZ_CHECK(again.Serialize() == bytes);

    // Every record is the one Find gives for its address: one record a site.
    const std::vector<ListSource>& records = parsed.All();
    for (const ListSource& source : records) FUZZ_CHECK(parsed.Find(source.address) == &source);

    // Some of the records' names, one either side, and the second part's
    // eight-byte numbers, asked of some records: the plain forms are slow.
    constexpr std::size_t kSome = 32;
    std::vector<std::uint64_t> listed;
    for (const ListSource& source : records) listed.insert(listed.end(), source.listed.begin(), source.listed.end());
    std::vector<std::uint64_t> names;
    for (std::size_t i = 0; i < listed.size(); i += 1 + listed.size() / kSome) {
        for (std::uint64_t name : {listed[i], listed[i] + 1, listed[i] - 1}) names.push_back(name);
    }
    std::vector<std::uint64_t> asked;
    for (std::size_t pos = 0; pos < parts[1].size() && asked.size() < kSome; pos += 8) {
        asked.push_back(Number(parts[1].substr(pos, 8)));
    }
    names.insert(names.end(), asked.begin(), asked.end());
    std::vector<const ListSource*> excepts = {nullptr};
    for (std::size_t i = 0; i < records.size(); i += 1 + records.size() / kSome) excepts.push_back(&records[i]);
    for (const ListSource* except : excepts) {
        for (std::uint64_t name : names) {
            FUZZ_CHECK(parsed.ListedByOther(name, except) == RefListedByOther(records, name, except));
        }
    }

    // Claim takes the names out of every record's brought names, no more.
    ListSources claimed = parsed;
    std::vector<std::uint64_t> claim = asked;
    if (!records.empty() && !records.front().brought.empty()) claim.push_back(records.front().brought.back());
    const bool changed = claimed.Claim(claim);
    FUZZ_CHECK(claimed.All().size() == records.size());
    bool refChanged = false;
    for (std::size_t i = 0; i < records.size(); ++i) {
        const ListSource& before = records[i];
        const ListSource& after = claimed.All()[i];
        std::vector<std::uint64_t> kept;
        for (std::uint64_t name : before.brought) {
            if (!RefHolds(claim, name)) kept.push_back(name);
        }
        refChanged = refChanged || kept.size() != before.brought.size();
        FUZZ_CHECK(after.brought == kept);
        FUZZ_CHECK(after.address == before.address && after.listed == before.listed &&
                   after.pendingDigest == before.pendingDigest);
    }
    FUZZ_CHECK(changed == refChanged);
    CheckRecords(claimed);
    FUZZ_CHECK(SameRecords(ListSources::Parse(claimed.Serialize()).All(), claimed.All()));
    return 0;
}
