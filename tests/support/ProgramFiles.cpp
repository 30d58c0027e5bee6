#include "tests/support/ProgramFiles.h"

#include "hosts/HostsFile.h"
#include "settings/SettingsStore.h"

#include <windows.h>

#include <functional>

namespace {

// Writing with every argument null makes the platform drop what it holds
// in memory of the file, so a file changed behind its back (possibly within
// the same file-time tick) is read afresh.
void ForgetCachedIni(const std::string& path) {
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, path.c_str());
}

bool IsReparsePoint(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

std::wstring Wide(const std::string& text) {
    std::wstring wide(text.size() + 1, L'\0');
    const int length = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, &wide[0], int(wide.size()));
    wide.resize(length > 0 ? size_t(length - 1) : 0);
    return wide;
}

}  // namespace

// Under Wine, the Unix path of a Windows path; "" elsewhere.
std::string UnixPath(const std::string& path) {
    using UnixFileName = char*(CDECL*)(LPCWSTR);
    const auto unixFileName = reinterpret_cast<UnixFileName>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (!unixFileName) return std::string();
    char* name = unixFileName(Wide(path).c_str());
    const std::string unixPath = name ? name : "";
    HeapFree(GetProcessHeap(), 0, name);
    return unixPath;
}

// Wine starts a Unix program given by its path. Its process cannot be
// waited for, what it leaves can: done tells when it has run.
bool RunUnixProgram(const char* program, std::string commandLine, const std::function<bool()>& done) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(program, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return false;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    for (int i = 0; i < 100 && !done(); ++i) Sleep(50);
    return done();
}

FolderLink::FolderLink(std::string link, const std::string& target) : link_(std::move(link)) {
    const std::string unixLink = UnixPath(link_);
    if (unixLink.empty()) {
        made_ = CreateSymbolicLinkA(link_.c_str(), target.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY) &&
                IsReparsePoint(link_);
        return;
    }
    made_ = RunUnixProgram("Z:\\bin\\ln", "ln -s \"" + UnixPath(target) + "\" \"" + unixLink + "\"",
                           [&] { return IsReparsePoint(link_); });
}

FolderLink::~FolderLink() {
    if (!made_) return;
    const std::string unixLink = UnixPath(link_);
    if (unixLink.empty()) {
        RemoveDirectoryA(link_.c_str());
        return;
    }
    RunUnixProgram("Z:\\bin\\rm", "rm \"" + unixLink + "\"",
                   [&] { return GetFileAttributesA(link_.c_str()) == INVALID_FILE_ATTRIBUTES; });
}

std::string ReadFileBesideProgram(const char* fileName) {
    return ReadWholeFile(GetPathBesideProgram(fileName));
}

void WriteFileBesideProgram(const char* fileName, const std::string& text) {
    const std::string path = GetPathBesideProgram(fileName);
    WriteWholeFile(path, text);
    ForgetCachedIni(path);
}

void RemoveFileBesideProgram(const char* fileName) {
    std::string path = GetPathBesideProgram(fileName);
    DeleteFileA(path.c_str());
    ForgetCachedIni(path);
}

bool FileBesideProgramExists(const char* fileName) {
    return GetFileAttributesA(GetPathBesideProgram(fileName).c_str()) != INVALID_FILE_ATTRIBUTES;
}

HostsFileScope::HostsFileScope(const std::string& text)
    : HostsFileScope(GetHostsFilePath(), text) {}

HostsFileScope::HostsFileScope(const std::string& path, const std::string& text)
    : path_(path),
      wasMissing_(GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES),
      saved_(ReadWholeFile(path)) {
    WriteWholeFile(path_, text);
}

HostsFileScope::~HostsFileScope() {
    SetFileAttributesA(path_.c_str(), FILE_ATTRIBUTE_NORMAL);  // a test may have locked it
    if (wasMissing_) {
        DeleteFileA(path_.c_str());
    } else {
        WriteWholeFile(path_, saved_);
    }
}
