#include "tests/support/ProgramFiles.h"

#include "hosts/HostsFile.h"
#include "settings/SettingsStore.h"

#include <windows.h>

namespace {

// Writing with every argument null makes the platform drop what it holds
// in memory of the file, so a file changed behind its back (possibly within
// the same file-time tick) is read afresh.
void ForgetCachedIni(const std::string& path) {
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, path.c_str());
}

}  // namespace

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
