#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "base/ProgramPaths.h"

// One kept copy of the HOSTS file.
struct HostsBackup {
    std::string path;
    SYSTEMTIME time{};      // local time at which it was kept
    bool original = false;  // the HOSTS file as the program first found it
};

// Copies of the HOSTS file as it was before each write, in a folder of the
// program's own beside config.ini: the last kKeep, named by date and time,
// and the very first one, kept for good as the way back to where the user
// started. Count and total size are bounded, so backups never fill a disk.
// A folder that is a link or junction is never used: the elevated program
// would write and delete files wherever it points.
class HostsBackups {
public:
    static constexpr std::size_t kKeep = 10;
    static constexpr unsigned long long kMaxTotalBytes = 256ull << 20;

    explicit HostsBackups(std::string folder = GetPathBesideProgram("backup"));

    // Keeps the bytes as the newest backup, unless the newest already holds
    // them, and as the original when there is none yet; then lets the oldest
    // go beyond the bounds. ERROR_SUCCESS, or why nothing could be kept
    // (kErrorLinkedFolder for a link).
    DWORD Keep(const std::string& bytes) const;
    // Newest first, the original last; none from a folder that is a link.
    std::vector<HostsBackup> List() const;
    // HOSTS as the program last wrote it, kept after every write: the way
    // back when another program has put HOSTS back since.
    DWORD KeepWritten(const std::string& bytes) const;
    std::string WrittenPath() const;

    const std::string& Folder() const { return folder_; }

private:
    std::vector<HostsBackup> Dated() const;
    void Prune() const;

    std::string folder_;
};
