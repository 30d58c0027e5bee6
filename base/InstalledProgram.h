#pragma once

#include <string>

// Where the installer put the program, as it recorded it: the value
// InstallPath (the full path of Sitemoat.exe) of HKLM\Software\Sitemoat,
// a key only administrators can write. The daily task, which runs the
// program elevated with no prompt, may only start that copy: a copy in a
// folder the user can write could be replaced by any program.
inline constexpr wchar_t kInstallKey[] = L"Software\\Sitemoat";
inline constexpr wchar_t kInstallPathValue[] = L"InstallPath";

// The recorded path, "" when there is none.
std::wstring RecordedInstallPath();

// Whether the running program (its full path) is the recorded one and
// lies inside the system's Program Files folder; any case.
bool IsInstalledCopy(const std::wstring& running, const std::wstring& recorded,
                     const std::wstring& programFiles);

// The running program's path (ANSI) when it is the installed copy, else "".
std::string InstalledProgramPath();
