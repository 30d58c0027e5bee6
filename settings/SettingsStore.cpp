#include "settings/SettingsStore.h"

#include <windows.h>
#include <shlwapi.h>

#include <mutex>

namespace {

constexpr char kUpdateSection[] = "update";
constexpr char kOfficialSection[] = "official";
constexpr char kCustomSection[] = "custom";
constexpr char kExceptionSection[] = "exceptions";
constexpr char kOfficialKey[] = "official";
constexpr char kCustomKey[] = "custom";
constexpr char kStampKey[] = "lasttime";
constexpr char kDigestKey[] = "lastdigest";
constexpr DWORD kValueBufferSize = 260;
constexpr DWORD kSectionBufferSize = 10000;

std::string ReadValue(const char* section, const char* key, const char* defaultValue) {
    char value[kValueBufferSize] = {};
    GetPrivateProfileStringA(section, key, defaultValue, value, kValueBufferSize,
                             SettingsStore().GetConfigPath().c_str());
    return value;
}

bool WriteValue(const char* section, const char* key, const std::string& value) {
    return WritePrivateProfileStringA(section, key, value.c_str(),
                                      SettingsStore().GetConfigPath().c_str()) != FALSE;
}

bool IsFlagOn(const char* key) {
    return ReadValue(kUpdateSection, key, "1") == "1";
}

bool IsLeadByte(unsigned char c) {
    return IsDBCSLeadByte(c) != FALSE;
}

// The whole section as a list of zero-terminated lines. The platform cuts
// a section that does not fit and then returns the size less two; the
// buffer grows until the section fits, since a cut read followed by a
// rewrite would delete the sites beyond the cut.
std::string ReadWholeSection(const char* section) {
    std::string buffer;
    DWORD size = kSectionBufferSize;
    for (;;) {
        buffer.assign(size, '\0');
        DWORD length = GetPrivateProfileSectionA(section, &buffer[0], size,
                                                 SettingsStore().GetConfigPath().c_str());
        if (length < size - 2) {
            buffer.resize(length);
            return buffer;
        }
        size *= 2;
    }
}

// Writes zero-terminated "key=value" lines as the whole section.
bool WriteWholeSection(const char* section, std::string lines) {
    // The list ends with one more zero; an empty list is that zero alone.
    lines += '\0';
    return WritePrivateProfileSectionA(section, lines.c_str(),
                                       SettingsStore().GetConfigPath().c_str()) != FALSE;
}

}  // namespace

std::string SettingsStore::GetConfigPath() const {
    return GetPathBesideProgram("config.ini");
}

bool SettingsStore::IsOfficialUpdateEnabled() const {
    return IsFlagOn(kOfficialKey);
}

bool SettingsStore::SetOfficialUpdateEnabled(bool enabled) const {
    return WriteValue(kUpdateSection, kOfficialKey, enabled ? "1" : "0");
}

bool SettingsStore::IsCustomUpdateEnabled() const {
    return IsFlagOn(kCustomKey);
}

bool SettingsStore::SetCustomUpdateEnabled(bool enabled) const {
    return WriteValue(kUpdateSection, kCustomKey, enabled ? "1" : "0");
}

// Read from the section's lines: the platform's value read would take the
// quotes off an ETag, and it would never match again.
std::string SettingsStore::GetOfficialStamp() const {
    return RawSectionValue(ReadWholeSection(kOfficialSection), kStampKey);
}

std::string SettingsStore::GetOfficialDigest() const {
    const std::string digest = RawSectionValue(ReadWholeSection(kOfficialSection), kDigestKey);
    return IsDigestStamp(digest) ? digest : std::string();
}

bool SettingsStore::SetOfficialStamp(const std::string& stamp, const std::string& digest) const {
    const bool stored = WriteValue(kOfficialSection, kStampKey,
                                   IsStorableValidator(stamp) ? stamp : "");
    const bool digestStored =
        IsDigestStamp(digest)
            ? WriteValue(kOfficialSection, kDigestKey, digest)
            : WritePrivateProfileStringA(kOfficialSection, kDigestKey, nullptr,
                                         GetConfigPath().c_str()) != FALSE ||
                  GetLastError() == ERROR_FILE_NOT_FOUND;
    return stored && digestStored;
}

std::vector<CustomSite> SettingsStore::ReadCustomSites() const {
    std::vector<CustomSite> sites;
    std::string section = ReadWholeSection(kCustomSection);
    for (size_t start = 0; start < section.size();) {
        const char* rawLine = section.c_str() + start;
        start += std::char_traits<char>::length(rawLine) + 1;
        CustomSite site;
        if (ParseCustomSiteLine(rawLine, IsLeadByte, site)) sites.push_back(site);
    }
    return sites;
}

bool SettingsStore::WriteCustomSite(const std::string& address, const std::string& stamp) const {
    std::string line;
    if (address.empty() || !FormatCustomSiteLine({address, stamp, ""}, IsLeadByte, line) ||
        line != address + "|" + stamp + "=") {
        return false;
    }
    line.pop_back();
    return WriteValue(kCustomSection, line.c_str(), "");
}

bool SettingsStore::ReplaceCustomSites(const std::vector<CustomSite>& sites) const {
    std::string text;
    for (const CustomSite& site : sites) {
        std::string line;
        if (FormatCustomSiteLine(site, IsLeadByte, line)) text += line + "\n";
    }
    return ReplaceCustomSection(text);
}

bool SettingsStore::EditCustomSites(const std::function<bool(std::vector<CustomSite>&)>& edit) const {
    static std::mutex lock;
    const std::lock_guard<std::mutex> held(lock);
    std::vector<CustomSite> sites = ReadCustomSites();
    return edit(sites) && ReplaceCustomSites(sites);
}

bool SettingsStore::SetCustomSiteStamp(const std::string& address, const std::string& stamp,
                                       const std::string& digest) const {
    return EditCustomSites([&](std::vector<CustomSite>& sites) {
        bool found = false;
        for (CustomSite& site : sites) {
            if (lstrcmpiA(site.address.c_str(), address.c_str()) != 0) continue;
            site.stamp = stamp;
            site.digest = digest;
            found = true;
        }
        return found;
    });
}

bool SettingsStore::CanStoreAddress(const std::string& address) {
    return CanStoreSiteAddress(address, IsLeadByte);
}

bool SettingsStore::ReplaceCustomSection(const std::string& text) const {
    // The platform takes the lines as zero-terminated strings followed by
    // one more zero.
    std::string lines;
    for (char c : text) {
        if (c == '\r') continue;
        lines += c == '\n' ? '\0' : c;
    }
    if (!lines.empty() && lines.back() != '\0') lines += '\0';
    lines += '\0';
    return WritePrivateProfileSectionA(kCustomSection, lines.c_str(),
                                       GetConfigPath().c_str()) != FALSE;
}

// Lines are stored as "1=line", "2=line", ...: a line of its own could start
// with ";" or "[" or hold "=", which the file format would take for
// something else.
std::string SettingsStore::GetExceptionText() const {
    const std::string section = ReadWholeSection(kExceptionSection);
    std::string text;
    for (size_t start = 0; start < section.size();) {
        if (start != 0) text += "\r\n";
        const std::string line = section.c_str() + start;
        start += line.size() + 1;
        const size_t equals = line.find('=');
        text += equals == std::string::npos ? line : line.substr(equals + 1);
    }
    return text;
}

bool SettingsStore::SetExceptionText(const std::string& text) const {
    std::string lines;
    int number = 0;
    for (size_t start = 0; !text.empty() && start <= text.size();) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos) end = text.size();
        // The file format drops white space around a value, in its own way
        // on each system: none is stored.
        const std::string line = TrimConfigSpace(text.substr(start, end - start).c_str(), IsLeadByte);
        lines += std::to_string(++number) + "=" + line + '\0';
        start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
    return WriteWholeSection(kExceptionSection, lines);
}
