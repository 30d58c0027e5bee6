#pragma once

#include <windows.h>

// The Windows version class of HostsService::GetWindowsVersionClass for the
// numbers GetVersionExA reports.
int WindowsVersionClassOf(DWORD platformId, DWORD majorVersion, DWORD minorVersion);
