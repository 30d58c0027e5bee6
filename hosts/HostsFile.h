#pragma once

#include <windows.h>

// The Windows version class of HostsService::GetWindowsVersionClass for the
// numbers GetVersionExA reports.
int WindowsVersionClassOf(DWORD platformId, DWORD majorVersion, DWORD minorVersion);

#include <string>

#include "hosts/FileText.h"

// The raw bytes of a whole file, read with read, write and delete sharing.
// ERROR_SUCCESS, or why it could not be read (ERROR_FILE_NOT_FOUND when it is
// missing, never created); bytes is then empty.
DWORD ReadFileBytes(const std::string& path, std::string& bytes);

// The file side of HostsService: finding, reading and writing the HOSTS file
// and other text files. HostsService is the one door to these for the rest
// of the program.
namespace hosts_file {

int GetWindowsVersionClass();
std::string GetHostsFilePath();
FileText ReadFileText(const std::string& path);
FileText ReadHostsFile();
std::string AnsiText(const FileText& file);
WriteResult WriteHostsFile(const FileText& content, const FileText* expected);
WriteResult WriteFileText(const std::string& path, const FileText& content);

}  // namespace hosts_file
