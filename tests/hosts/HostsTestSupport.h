#pragma once

#include <windows.h>

#include <set>
#include <string>

#include "tests/support/ProgramFiles.h"
#include "tests/support/TestText.h"

// Files and folders for the tests, seen through plain Win32 calls rather
// than the program's own functions. Whole files are read and written with ReadWholeFile and
// WriteWholeFile (tests/support/ProgramFiles.h).

bool FileExists(const std::string& path);
// Names of the entries of a folder ("." and ".." left out).
std::set<std::string> FolderListing(const std::string& folder);
std::string SystemFolder();
// An empty folder of its own for one test, under the prefix's temp folder.
std::string FreshScratchFolder(const std::string& name);
// True in the run whose prefix reports Windows 98.
bool IsWin9xRun();
