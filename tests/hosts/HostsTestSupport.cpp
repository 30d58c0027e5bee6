#include "tests/hosts/HostsTestSupport.h"

#include "base/UniqueHandle.h"

#include <cstdlib>
#include <cstring>

bool FileExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::set<std::string> FolderListing(const std::string& folder) {
    std::set<std::string> names;
    WIN32_FIND_DATAA found;
    const UniqueFindHandle search(FindFirstFileA((folder + "\\*").c_str(), &found));
    if (!search) return names;
    do {
        if (std::strcmp(found.cFileName, ".") != 0 && std::strcmp(found.cFileName, "..") != 0) {
            names.insert(found.cFileName);
        }
    } while (FindNextFileA(search.Get(), &found));
    return names;
}

std::string SystemFolder() {
    char folder[MAX_PATH] = {};
    GetSystemDirectoryA(folder, MAX_PATH);
    return folder;
}

std::string FreshScratchFolder(const std::string& name) {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string folder = std::string(temp) + "sitemoat-" + name;
    for (const std::string& entry : FolderListing(folder)) {
        const std::string path = folder + "\\" + entry;
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (!DeleteFileA(path.c_str())) RemoveDirectoryA(path.c_str());
    }
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

bool IsWin9xRun() {
    const char* winver = std::getenv("SITEMOAT_EXPECT_WINVER");
    return winver && std::strcmp(winver, "win98") == 0;
}
