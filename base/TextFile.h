#pragma once

#include <windows.h>

#include <string>

// Whole files, read and written by every layer: the HOSTS file, block lists,
// backups, exports and the program's own files.

// Errors of the program's own, beside the system's codes.
constexpr DWORD kErrorHiddenOrSystemFile = 0x20000001;  // never written, attributes never changed
constexpr DWORD kErrorChangedMeanwhile = 0x20000002;    // another program changed the file since it was read
constexpr DWORD kErrorLinkedFolder = 0x20000010;        // the program's own folder is a link or junction

// The outcome of a write. Dropping it unread does not compile: a write that
// failed must be told or handled.
struct [[nodiscard]] WriteResult {
    DWORD error = ERROR_SUCCESS;
    // The copy of the file as it was could not be kept, so the file was not
    // touched; error says why the copy failed.
    bool backupFailed = false;

    bool Ok() const { return error == ERROR_SUCCESS; }
};

// The raw bytes of a whole file, read with read, write and delete sharing
// (the system's DNS client and security tools hold the HOSTS file open).
// ERROR_SUCCESS, or why it could not be read (ERROR_FILE_NOT_FOUND when it is
// missing, never created); bytes is then empty.
DWORD ReadFileBytes(const std::string& path, std::string& bytes);
bool IsMissingFileError(DWORD error);

// Replaces the file's bytes. The old bytes stay whole until the new ones are
// complete on disk: they go to a new file in the same folder, which then
// takes the old one's place with its security settings. A missing file is
// created only when mayCreate is set; a read-only, hidden or system file is
// never written and its attributes never changed.
WriteResult ReplaceFileBytes(const std::string& path, const std::string& bytes, bool mayCreate);
// Whether ReplaceFileBytes could replace the file now: ERROR_SUCCESS, or
// the error it would fail with before writing anything.
DWORD CheckReplaceable(const std::string& path, bool mayCreate);

// A whole text file as ANSI text, the form the editor and the merge read:
// UTF-16 and UTF-8 are converted, and NUL bytes, which no text holds, end a
// line instead of the text. Empty when the file is missing or unreadable.
std::string ReadTextFile(const std::string& path);
// Creates or replaces the file with the bytes; true only when all are in place.
bool WriteTextFile(const std::string& path, const std::string& bytes);

// A short reason in plain Chinese ("文件为只读", "请以管理员身份运行"...) for a
// failed read or write, to follow a message such as "host表保存失败：".
std::string FileErrorReason(DWORD error);
std::string FileErrorReason(const WriteResult& result);
