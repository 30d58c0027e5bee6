#pragma once

#include <windows.h>

// The program runs elevated: a DLL of a system name placed beside it, or in
// the current folder, must never be loaded in the system's copy's stead.

// First thing the program does: every later load by bare name, the
// delay-loaded imports among them, looks in the system folder only. Where
// the system cannot restrict the search (Windows 7 without KB2533623), the
// libraries named are loaded from the system folder at once, so that a
// load by bare name finds them already there. False in that case.
bool RestrictDllSearchToSystemFolder(const wchar_t* const* preload, size_t count);

// A library of the system folder, by file name ("atl.dll"); null when it
// is not there.
HMODULE LoadSystemLibrary(const wchar_t* name);
