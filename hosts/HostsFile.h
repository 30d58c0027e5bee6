#pragma once

#include <windows.h>

// The Windows version class of HostsService::GetWindowsVersionClass for the
// numbers GetVersionExA reports.
int WindowsVersionClassOf(DWORD platformId, DWORD majorVersion, DWORD minorVersion);

#include <string>

// The raw bytes of a whole file, read with read, write and delete sharing.
// ERROR_SUCCESS, or why it could not be read (ERROR_FILE_NOT_FOUND when it is
// missing, never created); bytes is then empty.
DWORD ReadFileBytes(const std::string& path, std::string& bytes);
