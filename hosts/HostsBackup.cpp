#include "hosts/HostsBackup.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "base/TextFile.h"
#include "base/UniqueHandle.h"

namespace {

constexpr char kOriginalName[] = "hosts-original.bak";
constexpr char kWrittenName[] = "hosts-written.bak";
constexpr char kPrefix[] = "hosts-";
constexpr char kSuffix[] = ".bak";
// Room the disk must keep beside a new backup.
constexpr unsigned long long kSpareBytes = 16ull << 20;

// "hosts-20261208-082351-123.bak", or with "-2" and on when that name is
// taken; the stamp sorts as text, the counter as a number.
struct DatedName {
    std::string stamp;
    unsigned counter = 0;
    SYSTEMTIME time{};
};

bool ParseDatedName(const std::string& name, DatedName& parsed) {
    const std::size_t prefix = sizeof kPrefix - 1;
    const std::size_t suffix = sizeof kSuffix - 1;
    if (name.size() < prefix + 19 + suffix || name.compare(0, prefix, kPrefix) != 0 ||
        name.compare(name.size() - suffix, suffix, kSuffix) != 0) {
        return false;
    }
    const std::string middle = name.substr(prefix, name.size() - prefix - suffix);
    unsigned y, mo, d, h, mi, s, ms;
    char tail[16] = {};
    const int fields = std::sscanf(middle.c_str(), "%4u%2u%2u-%2u%2u%2u-%3u%15s", &y, &mo, &d, &h,
                                   &mi, &s, &ms, tail);
    if (fields < 7) return false;
    parsed.stamp = middle.substr(0, 19);
    parsed.counter = 0;
    if (fields == 8 && std::sscanf(tail, "-%u", &parsed.counter) != 1) return false;
    parsed.time.wYear = WORD(y);
    parsed.time.wMonth = WORD(mo);
    parsed.time.wDay = WORD(d);
    parsed.time.wHour = WORD(h);
    parsed.time.wMinute = WORD(mi);
    parsed.time.wSecond = WORD(s);
    parsed.time.wMilliseconds = WORD(ms);
    return true;
}

std::string DatedFileName(const SYSTEMTIME& t, unsigned counter) {
    char name[64];
    std::snprintf(name, sizeof name, "%s%04u%02u%02u-%02u%02u%02u-%03u", kPrefix, t.wYear, t.wMonth,
                  t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds);
    std::string result = name;
    if (counter > 0) result += "-" + std::to_string(counter);
    return result + kSuffix;
}

bool IsLink(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

unsigned long long SizeOf(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

SYSTEMTIME LocalWriteTime(const std::string& path) {
    SYSTEMTIME local{};
    WIN32_FILE_ATTRIBUTE_DATA data;
    FILETIME localFile;
    if (GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) &&
        FileTimeToLocalFileTime(&data.ftLastWriteTime, &localFile)) {
        FileTimeToSystemTime(&localFile, &local);
    }
    return local;
}

DWORD WriteBackup(const std::string& path, const std::string& bytes) {
    return ReplaceFileBytes(path, bytes, true).error;
}

}  // namespace

HostsBackups::HostsBackups(std::string folder) : folder_(std::move(folder)) {}

std::vector<HostsBackup> HostsBackups::Dated() const {
    std::vector<std::pair<DatedName, std::string>> found;
    WIN32_FIND_DATAA data;
    const UniqueFindHandle search(FindFirstFileA((folder_ + "\\hosts-*.bak").c_str(), &data));
    if (search) {
        do {
            DatedName parsed;
            if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                ParseDatedName(data.cFileName, parsed)) {
                found.emplace_back(parsed, folder_ + "\\" + data.cFileName);
            }
        } while (FindNextFileA(search.Get(), &data));
    }
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) {
        if (a.first.stamp != b.first.stamp) return a.first.stamp > b.first.stamp;
        return a.first.counter > b.first.counter;
    });
    std::vector<HostsBackup> backups;
    for (const auto& entry : found) backups.push_back({entry.second, entry.first.time, false});
    return backups;
}

std::vector<HostsBackup> HostsBackups::List() const {
    if (IsLink(folder_)) return {};
    std::vector<HostsBackup> backups = Dated();
    const std::string original = folder_ + "\\" + kOriginalName;
    if (Exists(original)) backups.push_back({original, LocalWriteTime(original), true});
    return backups;
}

DWORD HostsBackups::Keep(const std::string& bytes) const {
    if (folder_.empty()) return ERROR_PATH_NOT_FOUND;
    if (!CreateDirectoryA(folder_.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
        return GetLastError();
    }
    if (IsLink(folder_)) return kErrorLinkedFolder;
    const DWORD attributes = GetFileAttributesA(folder_.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        return ERROR_DIRECTORY;
    }
    ULARGE_INTEGER available;
    if (GetDiskFreeSpaceExA(folder_.c_str(), &available, nullptr, nullptr) &&
        available.QuadPart < bytes.size() + kSpareBytes) {
        return ERROR_DISK_FULL;
    }

    const std::string original = folder_ + "\\" + kOriginalName;
    if (!Exists(original)) {
        if (const DWORD error = WriteBackup(original, bytes)) return error;
    }
    const std::vector<HostsBackup> dated = Dated();
    std::string newest;
    if (!dated.empty() && ReadFileBytes(dated.front().path, newest) == ERROR_SUCCESS &&
        newest == bytes) {
        return ERROR_SUCCESS;
    }
    SYSTEMTIME now;
    GetLocalTime(&now);
    std::string path;
    unsigned counter = 0;
    do {
        path = folder_ + "\\" + DatedFileName(now, counter++);
    } while (Exists(path));
    if (const DWORD error = WriteBackup(path, bytes)) return error;
    Prune();
    return ERROR_SUCCESS;
}

DWORD HostsBackups::KeepWritten(const std::string& bytes) const {
    if (folder_.empty()) return ERROR_PATH_NOT_FOUND;
    if (IsLink(folder_)) return kErrorLinkedFolder;
    const DWORD attributes = GetFileAttributesA(folder_.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        return ERROR_DIRECTORY;
    }
    return WriteBackup(WrittenPath(), bytes);
}

std::string HostsBackups::WrittenPath() const {
    return folder_ + "\\" + kWrittenName;
}

// The newest backup always stays, whatever its size.
void HostsBackups::Prune() const {
    const std::vector<HostsBackup> dated = Dated();
    unsigned long long total = 0;
    for (std::size_t i = 0; i < dated.size(); ++i) {
        total += SizeOf(dated[i].path);
        if (i > 0 && (i >= kKeep || total > kMaxTotalBytes)) DeleteFileA(dated[i].path.c_str());
    }
}
