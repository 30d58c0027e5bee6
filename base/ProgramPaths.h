#pragma once

#include <string>

// Full path of a file in the folder that holds the running executable
// ("config.ini", "temp.txt"); empty when the path does not fit.
std::string GetPathBesideProgram(const char* fileName);
