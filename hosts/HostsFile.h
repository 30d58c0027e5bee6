#pragma once

#include <windows.h>

#include <string>

#include "base/TextFile.h"

// Finding, reading and writing the system's HOSTS file. Nothing is kept
// between calls: the path is looked up afresh every time.

// The Windows version class for the numbers GetVersionExA reports: 0
// unknown, 1 Win32s, 2 Windows 95/98, 3 Windows Me, 4 NT 4 or older, 5
// Windows 2000, 6 XP and later NT; below 4 is the 9x family.
int WindowsVersionClassOf(DWORD platformId, DWORD majorVersion, DWORD minorVersion);
int GetWindowsVersionClass();
std::string GetHostsFilePath();

// HOSTS' bytes: ERROR_SUCCESS, or why they could not be read
// (ERROR_FILE_NOT_FOUND when it is missing).
DWORD ReadHostsFile(std::string& bytes);
// Replaces HOSTS' bytes; never creates the file. The file as it was is
// kept as a backup first, and a failed backup stops the write. With
// expected, the write is refused (kErrorChangedMeanwhile) unless the file
// still holds those bytes: another program changed it in between. After a
// write the system's DNS cache is emptied, so the new text takes effect at
// once, and the bytes are kept as HOSTS as the program last wrote it.
WriteResult WriteHostsFile(const std::string& bytes, const std::string* expected = nullptr);
