#include "base/TextFile.h"

#include <shlwapi.h>

#include <algorithm>

#include "base/TextEncoding.h"
#include "base/UniqueHandle.h"

namespace {

constexpr char kTempPrefix[] = "smt";
// Not in every winerror.h: the program needs administrator rights.
constexpr DWORD kErrorElevationRequired = 740;
// Far beyond any HOSTS file or block list; a text this size is not edited.
constexpr LONGLONG kMaxFileSize = 1LL << 30;

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

DWORD WriteWholeFile(const char* path, const std::string& bytes) {
    UniqueFileHandle file(CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return GetLastError();
    std::size_t done = 0;
    while (done < bytes.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
        DWORD written = 0;
        if (!WriteFile(file.Get(), bytes.data() + done, chunk, &written, nullptr)) return GetLastError();
        if (written == 0) return ERROR_WRITE_FAULT;
        done += written;
    }
    if (!FlushFileBuffers(file.Get()) || !file.Close()) return GetLastError();
    return ERROR_SUCCESS;
}

// The file's own name as the folder spells it, so replacing it through a
// name in another case does not rename it.
std::string OnDiskPath(const char* fullPath, const char* fileName) {
    WIN32_FIND_DATAA found;
    const UniqueFindHandle search(FindFirstFileA(fullPath, &found));
    if (!search) return fullPath;
    return std::string(fullPath, fileName) + found.cFileName;
}

// Whether we may write and replace the file: no other program holds it
// open without sharing, and we have the rights.
DWORD CanReplace(const std::string& path) {
    UniqueFileHandle file(CreateFileA(path.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    return file ? ERROR_SUCCESS : GetLastError();
}

// A file that a whole new text may replace.
struct ReplaceTarget {
    std::string path;    // as the folder spells it
    std::string folder;  // with its final backslash
    bool exists = false;
};

// Asked before anything is written: a failed ReplaceFileA may leave a file
// of its own behind. A missing file may be created only when mayCreate is set.
DWORD FindReplaceTarget(const std::string& path, bool mayCreate, ReplaceTarget& target) {
    char fullPath[MAX_PATH];
    char* fileName = nullptr;
    const DWORD length = GetFullPathNameA(path.c_str(), MAX_PATH, fullPath, &fileName);
    if (length == 0 || length >= MAX_PATH || fileName == nullptr) return ERROR_INVALID_NAME;

    const DWORD attributes = GetFileAttributesA(fullPath);
    target.exists = attributes != INVALID_FILE_ATTRIBUTES;
    target.folder.assign(fullPath, fileName);
    if (!target.exists) {
        if (!mayCreate) return ERROR_FILE_NOT_FOUND;
        target.path = fullPath;
        return ERROR_SUCCESS;
    }
    // Such files refuse CreateFileA with CREATE_ALWAYS and
    // FILE_ATTRIBUTE_NORMAL; the program never changes attributes.
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return ERROR_DIRECTORY;
    if (attributes & FILE_ATTRIBUTE_READONLY) return ERROR_FILE_READ_ONLY;
    if (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) return kErrorHiddenOrSystemFile;
    target.path = OnDiskPath(fullPath, fileName);
    return CanReplace(target.path);
}

DWORD PlaceWholeText(const ReplaceTarget& target, const std::string& bytes) {
    TempFile temp(target.folder);
    if (!temp.Created()) return GetLastError();
    if (const DWORD error = WriteWholeFile(temp.Path(), bytes)) return error;

    BOOL placed = FALSE;
    if (target.exists) {
        placed = ReplaceFileA(target.path.c_str(), temp.Path(), nullptr, 0, nullptr, nullptr);
        // The old file has been moved aside but the new one did not take its
        // name: put it there rather than lose both.
        if (!placed && GetLastError() == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2) {
            placed = MoveFileExA(temp.Path(), target.path.c_str(), MOVEFILE_WRITE_THROUGH);
        }
    } else {
        placed = MoveFileExA(temp.Path(), target.path.c_str(), MOVEFILE_WRITE_THROUGH);
    }
    if (!placed) return GetLastError();
    temp.Keep();
    return ERROR_SUCCESS;
}

}  // namespace

DWORD ReadFileBytes(const std::string& path, std::string& bytes) {
    bytes.clear();
    // Asked first so that a missing file on a removable drive reads as
    // missing without the system's "no disk" question; OPEN_EXISTING then
    // makes sure that a file deleted meanwhile is not created.
    if (!PathFileExistsA(path.c_str())) return ERROR_FILE_NOT_FOUND;
    UniqueFileHandle file(CreateFileA(path.c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return GetLastError();
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.Get(), &size)) return GetLastError();
    if (size.QuadPart > kMaxFileSize) return ERROR_FILE_TOO_LARGE;
    bytes.resize(static_cast<std::size_t>(size.QuadPart));
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD read = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
        // Half a file is no text to edit and write back.
        if (!ReadFile(file.Get(), &bytes[done], chunk, &read, nullptr)) {
            const DWORD error = GetLastError();
            bytes.clear();
            return error;
        }
        if (read == 0) break;
        done += read;
    }
    bytes.resize(done);
    return ERROR_SUCCESS;
}

bool IsMissingFileError(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

WriteResult ReplaceFileBytes(const std::string& path, const std::string& bytes, bool mayCreate) {
    WriteResult result;
    ReplaceTarget target;
    if (path.empty()) {
        result.error = ERROR_INVALID_NAME;
    } else if (!(result.error = FindReplaceTarget(path, mayCreate, target))) {
        result.error = PlaceWholeText(target, bytes);
    }
    return result;
}

DWORD CheckReplaceable(const std::string& path, bool mayCreate) {
    ReplaceTarget target;
    return path.empty() ? ERROR_INVALID_NAME : FindReplaceTarget(path, mayCreate, target);
}

std::string ReadTextFile(const std::string& path) {
    std::string bytes;
    if (ReadFileBytes(path, bytes) != ERROR_SUCCESS) return {};
    return AnsiText(bytes);
}

bool WriteTextFile(const std::string& path, const std::string& bytes) {
    return ReplaceFileBytes(path, bytes, true).Ok();
}

std::string FileErrorReason(const WriteResult& result) {
    const std::string reason = FileErrorReason(result.error);
    return result.backupFailed ? "无法备份原文件（" + reason + "）" : reason;
}

std::string FileErrorReason(DWORD error) {
    switch (error) {
    case ERROR_ACCESS_DENIED:
    case ERROR_PRIVILEGE_NOT_HELD:
    case kErrorElevationRequired:
        return "没有权限，请以管理员身份运行";
    case ERROR_FILE_READ_ONLY:
    case ERROR_WRITE_PROTECT:
        return "文件为只读";
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_USER_MAPPED_FILE:
        return "文件正被其他程序使用";
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return "文件不存在";
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return "磁盘空间不足";
    case ERROR_FILE_TOO_LARGE:
        return "文件过大";
    case kErrorHiddenOrSystemFile:
        return "文件带有隐藏或系统属性";
    case kErrorChangedMeanwhile:
        return "文件已被其他程序修改";
    case kErrorLinkedFolder:
        return "备份文件夹backup是链接或联接点，请删除它后再试";
    default:
        return "系统错误 " + std::to_string(error);
    }
}
