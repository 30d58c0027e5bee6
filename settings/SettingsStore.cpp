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

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Steps by whole characters of the ANSI code page, so the trail byte of a
// double-byte character is never taken for white space.
std::string TrimSpace(const char* line) {
    const char* first = line;
    while (*first && IsSpace(*first)) first = CharNextA(first);
    const char* end = first;
    for (const char* p = first; *p; p = CharNextA(p)) {
        if (!IsSpace(*p)) end = CharNextA(p);
    }
    return std::string(first, end);
}

// The first '|' that is a character of its own, not the trail byte of a
// double-byte character (such as the one of "東").
size_t FindBar(const std::string& line) {
    for (const char* p = line.c_str(); *p; p = CharNextA(p)) {
        if (*p == '|') return size_t(p - line.c_str());
    }
    return std::string::npos;
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

std::string SettingsStore::GetOfficialStamp() const {
    return ReadValue(kOfficialSection, kStampKey, "");
}

bool SettingsStore::SetOfficialStamp(const std::string& stamp) const {
    return WriteValue(kOfficialSection, kStampKey, stamp);
}

std::vector<CustomSite> SettingsStore::ReadCustomSites() const {
    std::vector<CustomSite> sites;
    std::string section = ReadWholeSection(kCustomSection);
    for (size_t start = 0; start < section.size();) {
        const char* rawLine = section.c_str() + start;
        start += std::char_traits<char>::length(rawLine) + 1;
        std::string line = TrimSpace(rawLine);
        if (line.empty()) continue;
        size_t bar = FindBar(line);
        CustomSite site;
        site.address = bar == std::string::npos ? std::string() : line.substr(0, bar);
        site.stamp = bar == std::string::npos ? line : line.substr(bar + 1);
        if (!site.stamp.empty() && site.stamp.back() == '=') site.stamp.pop_back();
        sites.push_back(site);
    }
    return sites;
}

bool SettingsStore::WriteCustomSite(const std::string& address, const std::string& stamp) const {
    return WriteValue(kCustomSection, (address + "|" + stamp).c_str(), "");
}

bool SettingsStore::ReplaceCustomSites(const std::vector<CustomSite>& sites) const {
    std::string text;
    for (const CustomSite& site : sites) {
        // A line without an address goes back as it was read.
        text += (site.address.empty() ? site.stamp : site.address + "|" + site.stamp) + "=\n";
    }
    return ReplaceCustomSection(text);
}

bool SettingsStore::EditCustomSites(const std::function<bool(std::vector<CustomSite>&)>& edit) const {
    static std::mutex lock;
    const std::lock_guard<std::mutex> held(lock);
    std::vector<CustomSite> sites = ReadCustomSites();
    return edit(sites) && ReplaceCustomSites(sites);
}

bool SettingsStore::SetCustomSiteStamp(const std::string& address, const std::string& stamp) const {
    return EditCustomSites([&](std::vector<CustomSite>& sites) {
        bool found = false;
        for (CustomSite& site : sites) {
            if (lstrcmpiA(site.address.c_str(), address.c_str()) != 0) continue;
            site.stamp = stamp;
            found = true;
        }
        return found;
    });
}

bool SettingsStore::CanStoreAddress(const std::string& address) {
    return FindBar(address) == std::string::npos;
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
        const std::string line = TrimSpace(text.substr(start, end - start).c_str());
        lines += std::to_string(++number) + "=" + line + '\0';
        start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
    return WriteWholeSection(kExceptionSection, lines);
}
