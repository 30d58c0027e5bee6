#pragma once

#include <windows.h>

#include <string>

// How a text file is written back.
enum class TextEncoding {
    Ansi,          // the system's code page, byte for byte as read
    Utf8,          // UTF-8 without a byte-order mark; also what UTF-16 files become
    Utf8WithMark,  // UTF-8 after the mark EF BB BF
};

// A whole text file: its text in the file's own encoding, without a
// byte-order mark (a UTF-16 file's text comes as UTF-8, the form it is
// written back in), and why it could not be read. NUL bytes are kept.
struct FileText {
    std::string text;
    TextEncoding encoding = TextEncoding::Ansi;
    DWORD error = ERROR_SUCCESS;  // ERROR_FILE_NOT_FOUND when the file is missing

    bool Read() const { return error == ERROR_SUCCESS; }
    bool Missing() const { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }
};

// The outcome of a write.
struct WriteResult {
    DWORD error = ERROR_SUCCESS;
    // The copy of the file as it was could not be kept, so the file was not
    // touched; error says why the copy failed.
    bool backupFailed = false;

    bool Ok() const { return error == ERROR_SUCCESS; }
};

// Errors of the program's own, beside the system's codes.
constexpr DWORD kErrorHiddenOrSystemFile = 0x20000001;  // never written, attributes never changed
constexpr DWORD kErrorChangedMeanwhile = 0x20000002;    // another program changed the file since it was read
constexpr DWORD kErrorLinkedFolder = 0x20000010;        // the program's own folder is a link or junction

// A short reason in plain Chinese ("文件为只读", "请以管理员身份运行"...) for a
// failed read or write, to follow a message such as "host表保存失败：".
std::string FileErrorReason(DWORD error);
std::string FileErrorReason(const WriteResult& result);
