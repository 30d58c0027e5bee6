#include "base/ProgramPaths.h"

#include <windows.h>
#include <shlwapi.h>

std::string GetPathBesideProgram(const char* fileName) {
    char path[MAX_PATH] = {};
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return std::string();
    std::string relative = std::string("..\\") + fileName;
    if (!PathAppendA(path, relative.c_str())) return std::string();
    return path;
}
