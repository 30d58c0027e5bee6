#include "base/InstalledProgram.h"

#include <windows.h>
#include <shlobj.h>

#include <vector>

#include "base/TextCodec.h"

namespace {

bool SameText(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), int(a.size()), b.c_str(), int(b.size()), TRUE) == CSTR_EQUAL;
}

// The path with its short (8.3) names spelled out, as the module path is.
std::wstring LongPath(const std::wstring& path) {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = GetLongPathNameW(path.c_str(), buffer.data(), DWORD(buffer.size()));
        if (length == 0) return path;
        if (length < buffer.size()) return std::wstring(buffer.data(), length);
        buffer.resize(length);
    }
}

std::wstring RunningProgram() {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), DWORD(buffer.size()));
        if (length == 0) return std::wstring();
        if (length < buffer.size()) return std::wstring(buffer.data(), length);
        buffer.resize(buffer.size() * 2);
    }
}

std::wstring ProgramFilesFolder() {
    wchar_t folder[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES, nullptr, SHGFP_TYPE_CURRENT, folder))) {
        return std::wstring();
    }
    return folder;
}

}  // namespace

std::wstring RecordedInstallPath() {
    DWORD size = 0;
    constexpr DWORD kFlags = RRF_RT_REG_SZ;
    if (RegGetValueW(HKEY_LOCAL_MACHINE, kInstallKey, kInstallPathValue, kFlags, nullptr, nullptr,
                     &size) != ERROR_SUCCESS || size < sizeof(wchar_t)) {
        return std::wstring();
    }
    std::wstring path(size / sizeof(wchar_t), L'\0');
    if (RegGetValueW(HKEY_LOCAL_MACHINE, kInstallKey, kInstallPathValue, kFlags, nullptr, &path[0],
                     &size) != ERROR_SUCCESS) {
        return std::wstring();
    }
    path.resize(size / sizeof(wchar_t));
    while (!path.empty() && path.back() == L'\0') path.pop_back();
    return path;
}

bool IsInstalledCopy(const std::wstring& running, const std::wstring& recorded,
                     const std::wstring& programFiles) {
    if (running.empty() || programFiles.empty() || !SameText(running, recorded)) return false;
    std::wstring folder = programFiles;
    if (folder.back() != L'\\') folder += L'\\';
    return running.size() > folder.size() && SameText(running.substr(0, folder.size()), folder) &&
           running.find(L"\\..\\") == std::wstring::npos;
}

std::string InstalledProgramPath() {
    const std::wstring running = LongPath(RunningProgram());
    const std::wstring recorded = RecordedInstallPath();
    if (recorded.empty() ||
        !IsInstalledCopy(running, LongPath(recorded), LongPath(ProgramFilesFolder()))) {
        return std::string();
    }
    bool lossy = false;
    const std::string path = WideToAnsi(running, &lossy);
    return lossy ? std::string() : path;
}
