#include "update/ListSources.h"

#include <algorithm>
#include <iterator>


namespace {

constexpr char kMagic[] = "SMLS";
constexpr std::uint32_t kVersion = 1;
// Beyond any list: a count past it is a damaged or forged file.
constexpr std::uint32_t kMaxNames = 16u << 20;
constexpr std::uint32_t kMaxTextBytes = 64u << 10;

char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

bool SameAddress(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return LowerAscii(x) == LowerAscii(y);
           });
}

// Whether two records are of one site: Find would see only the first, and
// the second would count as another site's list for every name it holds.
bool RepeatsAnAddress(const std::vector<ListSource>& sources) {
    std::vector<std::string> addresses;
    for (const ListSource& source : sources) {
        addresses.push_back(source.address);
        std::transform(addresses.back().begin(), addresses.back().end(), addresses.back().begin(), LowerAscii);
    }
    std::sort(addresses.begin(), addresses.end());
    return std::adjacent_find(addresses.begin(), addresses.end()) != addresses.end();
}

class Writer {
public:
    void U32(std::uint32_t value) {
        for (int i = 0; i < 4; ++i) bytes_ += static_cast<char>((value >> (8 * i)) & 0xFF);
    }
    void U64(std::uint64_t value) {
        for (int i = 0; i < 8; ++i) bytes_ += static_cast<char>((value >> (8 * i)) & 0xFF);
    }
    void Text(const std::string& text) {
        U32(static_cast<std::uint32_t>(text.size()));
        bytes_ += text;
    }
    void Names(const std::vector<std::uint64_t>& names) {
        U32(static_cast<std::uint32_t>(names.size()));
        for (std::uint64_t name : names) U64(name);
    }
    std::string& Bytes() { return bytes_; }

private:
    std::string bytes_;
};

// Every read checks what is left first; a failed one leaves ok() false.
class Reader {
public:
    explicit Reader(std::string_view bytes) : rest_(bytes) {}
    bool ok() const { return ok_; }
    bool AtEnd() const { return rest_.empty(); }

    std::uint64_t Number(int size) {
        if (!ok_ || rest_.size() < std::size_t(size)) return Fail();
        std::uint64_t value = 0;
        for (int i = 0; i < size; ++i) value |= std::uint64_t(static_cast<unsigned char>(rest_[i])) << (8 * i);
        rest_.remove_prefix(size);
        return value;
    }
    std::string Text() {
        const std::uint64_t size = Number(4);
        if (!ok_ || size > kMaxTextBytes || size > rest_.size()) return Fail(), std::string();
        std::string text(rest_.substr(0, size));
        rest_.remove_prefix(size);
        return text;
    }
    // Sorted and without repeats, or the file is refused.
    std::vector<std::uint64_t> Names() {
        const std::uint64_t count = Number(4);
        std::vector<std::uint64_t> names;
        if (!ok_ || count > kMaxNames || count > rest_.size() / 8) return Fail(), names;
        names.reserve(count);
        for (std::uint64_t i = 0; i < count; ++i) {
            names.push_back(Number(8));
            if (i > 0 && names[i] <= names[i - 1]) return Fail(), std::vector<std::uint64_t>();
        }
        return names;
    }

private:
    std::uint64_t Fail() {
        ok_ = false;
        return 0;
    }
    std::string_view rest_;
    bool ok_ = true;
};

}  // namespace

void SortUnique(std::vector<std::uint64_t>& names) {
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
}

bool Holds(const std::vector<std::uint64_t>& sorted, std::uint64_t name) {
    return std::binary_search(sorted.begin(), sorted.end(), name);
}

ListSources ListSources::Parse(std::string_view bytes) {
    ListSources parsed;
    Reader reader(bytes);
    if (bytes.substr(0, 4) != std::string_view(kMagic, 4)) return parsed;
    reader.Number(4);
    if (reader.Number(4) != kVersion) return parsed;
    const std::uint64_t count = reader.Number(4);
    std::vector<ListSource> sources;
    for (std::uint64_t i = 0; reader.ok() && i < count; ++i) {
        ListSource source;
        source.address = reader.Text();
        source.pendingDigest = reader.Text();
        source.listed = reader.Names();
        source.brought = reader.Names();
        if (!std::includes(source.listed.begin(), source.listed.end(), source.brought.begin(),
                           source.brought.end())) {
            return parsed;
        }
        sources.push_back(std::move(source));
    }
    if (!reader.ok() || !reader.AtEnd() || RepeatsAnAddress(sources)) return parsed;
    parsed.sources_ = std::move(sources);
    return parsed;
}

std::string ListSources::Serialize() const {
    Writer writer;
    writer.Bytes().assign(kMagic, 4);
    writer.U32(kVersion);
    // One record that Parse refuses makes it refuse the file: a record
    // beyond its bounds (config.ini's addresses have none) is left out.
    std::vector<const ListSource*> written;
    for (const ListSource& source : sources_) {
        if (source.address.size() <= kMaxTextBytes && source.pendingDigest.size() <= kMaxTextBytes &&
            source.listed.size() <= kMaxNames && source.brought.size() <= kMaxNames) {
            written.push_back(&source);
        }
    }
    writer.U32(static_cast<std::uint32_t>(written.size()));
    for (const ListSource* record : written) {
        const ListSource& source = *record;
        writer.Text(source.address);
        writer.Text(source.pendingDigest);
        writer.Names(source.listed);
        writer.Names(source.brought);
    }
    return std::move(writer.Bytes());
}

const ListSource* ListSources::Find(std::string_view address) const {
    for (const ListSource& source : sources_) {
        if (SameAddress(source.address, address)) return &source;
    }
    return nullptr;
}

ListSource& ListSources::Get(std::string_view address) {
    for (ListSource& source : sources_) {
        if (SameAddress(source.address, address)) return source;
    }
    sources_.push_back({std::string(address), {}, {}, {}});
    return sources_.back();
}

void ListSources::Remove(std::string_view address) {
    sources_.erase(std::remove_if(sources_.begin(), sources_.end(),
                                  [&](const ListSource& s) { return SameAddress(s.address, address); }),
                   sources_.end());
}

bool ListSources::Claim(std::vector<std::uint64_t> names) {
    SortUnique(names);
    bool changed = false;
    for (ListSource& source : sources_) {
        std::vector<std::uint64_t> kept;
        std::set_difference(source.brought.begin(), source.brought.end(), names.begin(), names.end(),
                            std::back_inserter(kept));
        changed = changed || kept.size() != source.brought.size();
        source.brought.swap(kept);
    }
    return changed;
}

bool ListSources::ListedByOther(std::uint64_t name, const ListSource* except) const {
    for (const ListSource& source : sources_) {
        if (&source != except && Holds(source.listed, name)) return true;
    }
    return false;
}
