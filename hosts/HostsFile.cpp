#include "hosts/HostsFile.h"

#include <shlobj.h>
#include <shlwapi.h>

#include <cstring>

#include "hosts/DnsCache.h"
#include "hosts/HostsBackup.h"

namespace {

constexpr int kFirstNtClass = 4;
constexpr char kTcpipParametersKey[] = "SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters";
constexpr char kDataBasePathValue[] = "DataBasePath";
constexpr char kHostsSuffix[] = "\\HOSTS";
// The result of DataBasePath plus "\HOSTS" is kept within this many characters.
constexpr std::size_t kMaxJoinedPath = MAX_PATH - 2;

std::string SystemFolderJoined(const char* more) {
    char path[MAX_PATH] = {};
    // Without the system folder a bare "HOSTS" would name a file in the
    // current folder.
    if (!SHGetSpecialFolderPathA(nullptr, path, CSIDL_SYSTEM, FALSE)) return {};
    if (!PathAppendA(path, more)) return {};
    return path;
}

}  // namespace

int WindowsVersionClassOf(DWORD platformId, DWORD majorVersion, DWORD minorVersion) {
    switch (platformId) {
    case VER_PLATFORM_WIN32s:
        return 1;
    case VER_PLATFORM_WIN32_WINDOWS:
        return majorVersion == 4 && minorVersion == 90 ? 3 : 2;
    case VER_PLATFORM_WIN32_NT:
        if (majorVersion < 5) return 4;
        if (majorVersion == 5 && minorVersion == 0) return 5;
        return 6;
    default:
        return 0;
    }
}

int GetWindowsVersionClass() {
    OSVERSIONINFOEXA info = {};
    info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOEXA);
    if (!GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&info))) {
        info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
        if (!GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&info))) return 0;
    }
    return WindowsVersionClassOf(info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion);
}

std::string GetHostsFilePath() {
    if (GetWindowsVersionClass() < kFirstNtClass) return SystemFolderJoined("HOSTS");

    char path[MAX_PATH] = {};
    DWORD size = sizeof(path);
    if (SHGetValueA(HKEY_LOCAL_MACHINE, kTcpipParametersKey, kDataBasePathValue, nullptr, path,
                    &size) != ERROR_SUCCESS) {
        return SystemFolderJoined("DRIVERS\\ETC\\HOSTS");
    }
    path[MAX_PATH - 1] = '\0';
    // Plain concatenation: a value ending in a backslash gives a doubled one.
    const std::size_t length = std::strlen(path);
    if (length < kMaxJoinedPath) {
        std::strncat(path, kHostsSuffix, kMaxJoinedPath - length);
    }
    return path;
}

DWORD ReadHostsFile(std::string& bytes) {
    const std::string path = GetHostsFilePath();
    if (path.empty()) {
        bytes.clear();
        return ERROR_PATH_NOT_FOUND;
    }
    return ReadFileBytes(path, bytes);
}

WriteResult WriteHostsFile(const std::string& bytes, const std::string* expected) {
    WriteResult result;
    const std::string path = GetHostsFilePath();
    // The HOSTS file is never created: a missing one fails at once, and the
    // writer refuses one that goes missing after this look.
    if (path.empty() || !PathFileExistsA(path.c_str())) {
        result.error = ERROR_FILE_NOT_FOUND;
        return result;
    }
    // Asked before the backup: a file that cannot be replaced gets none.
    if ((result.error = CheckReplaceable(path, false))) return result;
    std::string before;
    if ((result.error = ReadFileBytes(path, before))) return result;
    if (expected && before != *expected) {
        result.error = kErrorChangedMeanwhile;
        return result;
    }
    if ((result.error = HostsBackups().Keep(before))) {
        result.backupFailed = true;
        return result;
    }
    result = ReplaceFileBytes(path, bytes, false);
    if (!result.Ok()) return result;
    // The resolver would go on answering from what it cached before.
    FlushDnsCache();
    HostsBackups().KeepWritten(bytes);
    return result;
}
