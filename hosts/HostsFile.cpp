#include "hosts/HostsService.h"
#include "hosts/HostsFile.h"

#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "win/UniqueHandle.h"

namespace {

constexpr int kFirstNtClass = 4;
constexpr char kTcpipParametersKey[] = "SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters";
constexpr char kDataBasePathValue[] = "DataBasePath";
constexpr char kHostsSuffix[] = "\\HOSTS";
// The result of DataBasePath plus "\HOSTS" is kept within this many characters.
constexpr std::size_t kMaxJoinedPath = MAX_PATH - 2;
constexpr DWORD kUnwritableAttributes = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY |
                                        FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
constexpr char kTempPrefix[] = "smt";

// A new, uniquely named file in a folder; deleted again unless Keep() is
// called once it has taken its final name.
class TempFile {
public:
    explicit TempFile(const std::string& folder) {
        if (!GetTempFileNameA(folder.c_str(), kTempPrefix, 0, path_)) path_[0] = '\0';
    }
    ~TempFile() {
        if (path_[0] != '\0') DeleteFileA(path_);
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    bool Created() const { return path_[0] != '\0'; }
    const char* Path() const { return path_; }
    void Keep() { path_[0] = '\0'; }

private:
    char path_[MAX_PATH] = {};
};

std::string SystemFolderJoined(const char* more) {
    char path[MAX_PATH] = {};
    // Without the system folder a bare "HOSTS" would name a file in the
    // current folder.
    if (!SHGetSpecialFolderPathA(nullptr, path, CSIDL_SYSTEM, FALSE)) return {};
    if (!PathAppendA(path, more)) return {};
    return path;
}

// Text after a UTF-16 byte-order mark, converted to the ANSI code page.
std::string FromUtf16(const std::string& bytes, bool bigEndian) {
    std::wstring units;
    units.reserve(bytes.size() / 2);
    for (std::size_t pos = 2; pos < bytes.size(); pos += 2) {
        const unsigned first = static_cast<unsigned char>(bytes[pos]);
        // An odd last byte pairs with a zero byte.
        const unsigned second = pos + 1 < bytes.size() ? static_cast<unsigned char>(bytes[pos + 1]) : 0;
        const wchar_t unit = static_cast<wchar_t>(bigEndian ? (first << 8) | second : (second << 8) | first);
        if (unit == 0) break;
        units += unit;
    }
    if (units.empty()) return {};
    const int length = WideCharToMultiByte(CP_ACP, 0, units.data(), static_cast<int>(units.size()),
                                           nullptr, 0, nullptr, nullptr);
    if (length <= 0) return {};
    std::string text(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, 0, units.data(), static_cast<int>(units.size()), &text[0], length,
                        nullptr, nullptr);
    return text;
}

std::string DecodeText(const std::string& bytes) {
    if (bytes.size() >= 2) {
        const unsigned char first = bytes[0];
        const unsigned char second = bytes[1];
        if (first == 0xFF && second == 0xFE) return FromUtf16(bytes, false);
        if (first == 0xFE && second == 0xFF) return FromUtf16(bytes, true);
    }
    return std::string(bytes.c_str());
}

bool WriteWholeFile(const char* path, const std::string& text) {
    UniqueFileHandle file(CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    std::size_t done = 0;
    while (done < text.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(text.size() - done, 1u << 30));
        DWORD written = 0;
        if (!WriteFile(file.Get(), text.data() + done, chunk, &written, nullptr) || written == 0) {
            return false;
        }
        done += written;
    }
    return FlushFileBuffers(file.Get()) && file.Close();
}

// The file's own name as the folder spells it, so replacing it through a
// name in another case does not rename it.
std::string OnDiskPath(const char* fullPath, const char* fileName) {
    WIN32_FIND_DATAA found;
    const UniqueFindHandle search(FindFirstFileA(fullPath, &found));
    if (!search) return fullPath;
    return std::string(fullPath, fileName) + found.cFileName;
}

// True when no other program holds the file open and we may write and
// replace it.
bool CanReplace(const std::string& path) {
    UniqueFileHandle file(CreateFileA(path.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    return static_cast<bool>(file);
}

// The old text stays whole until the new one is complete on disk: the text
// goes to a new file in the same folder, which then takes the old file's
// place. ReplaceFileA keeps the old file's security settings. A missing file
// is created only when mayCreate is set.
bool ReplaceWholeFile(const std::string& path, const std::string& text, bool mayCreate) {
    char fullPath[MAX_PATH];
    char* fileName = nullptr;
    const DWORD length = GetFullPathNameA(path.c_str(), MAX_PATH, fullPath, &fileName);
    if (length == 0 || length >= MAX_PATH || fileName == nullptr) return false;

    const DWORD attributes = GetFileAttributesA(fullPath);
    const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
    if (!exists && !mayCreate) return false;
    // Such files refuse CreateFileA with CREATE_ALWAYS and
    // FILE_ATTRIBUTE_NORMAL; the program never changes attributes.
    if (exists && (attributes & kUnwritableAttributes) != 0) return false;
    const std::string target = exists ? OnDiskPath(fullPath, fileName) : fullPath;
    // Asked first: a failed ReplaceFileA may leave a file of its own behind.
    if (exists && !CanReplace(target)) return false;

    TempFile temp(std::string(fullPath, fileName));
    if (!temp.Created() || !WriteWholeFile(temp.Path(), text)) return false;

    BOOL placed = FALSE;
    if (exists) {
        placed = ReplaceFileA(target.c_str(), temp.Path(), nullptr, 0, nullptr, nullptr);
        // The old file has been moved aside but the new one did not take its
        // name: put it there rather than lose both.
        if (!placed && GetLastError() == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2) {
            placed = MoveFileExA(temp.Path(), target.c_str(), MOVEFILE_WRITE_THROUGH);
        }
    } else {
        placed = MoveFileExA(temp.Path(), target.c_str(), MOVEFILE_WRITE_THROUGH);
    }
    if (placed) temp.Keep();
    return placed != FALSE;
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

int HostsService::GetWindowsVersionClass() const {
    OSVERSIONINFOEXA info = {};
    info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOEXA);
    if (!GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&info))) {
        info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
        if (!GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&info))) return 0;
    }
    return WindowsVersionClassOf(info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion);
}

std::string HostsService::GetHostsFilePath() const {
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

std::string HostsService::ReadTextFile(const std::string& path) const {
    // Asked first so that a missing file on a removable drive reads as empty
    // without the system's "no disk" question; OPEN_EXISTING then makes sure
    // that a file deleted meanwhile is not created.
    if (!PathFileExistsA(path.c_str())) return {};
    UniqueFileHandle file(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return {};
    const DWORD size = GetFileSize(file.Get(), nullptr);
    if (size == INVALID_FILE_SIZE) return {};
    std::string bytes(size, '\0');
    DWORD done = 0;
    while (done < size) {
        DWORD read = 0;
        // Half a file is no text to edit and write back.
        if (!ReadFile(file.Get(), &bytes[done], size - done, &read, nullptr)) return {};
        if (read == 0) break;
        done += read;
    }
    bytes.resize(done);
    return DecodeText(bytes);
}

bool HostsService::WriteHostsFile(const std::string& text) const {
    const std::string path = GetHostsFilePath();
    // The HOSTS file is never created: a missing one fails at once, and the
    // writer refuses one that goes missing after this look.
    if (path.empty() || !PathFileExistsA(path.c_str())) return false;
    return ReplaceWholeFile(path, text, false);
}

bool HostsService::WriteTextFile(const std::string& path, const std::string& text) const {
    if (path.empty()) return false;
    return ReplaceWholeFile(path, text, true);
}
