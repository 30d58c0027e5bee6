#pragma once

#include <string>
#include <vector>

#include "update/UpdateEngine.h"
#include "update/UpdateReport.h"

// Exit codes of Sitemoat.exe, as the README lists them. The window ends
// with its own end code; the unattended update with one of these.
enum class ExitCode : int {
    NothingNew = 0,        // /update: no list was newer
    Updated = 1,           // /update: HOSTS holds the newer lists
    SitesFailed = 2,       // /update: at least one site could not be checked
    HostsNotWritable = 3,  // /update: newer lists, but HOSTS could not be read or written
    AlreadyRunning = 4,    // /update: the program is open; nothing was done
    BadArguments = 5,      // an argument other than /update; the usage text was shown
};

// What the command line asks for.
enum class LaunchMode { Window, Update, BadArguments };
LaunchMode ModeOf(const std::vector<std::wstring>& arguments);
// The arguments after the program's name.
std::vector<std::wstring> CommandLineArguments();

// Shown for an argument that is not understood.
extern const char kUsageText[];

ExitCode ExitCodeOf(const UpdateReport& report);

// The update pass without any window: the same checks, merge, exceptions,
// backups and stamps as a start with "升级", but asking nothing. Appends the
// run's line to the update log.
ExitCode RunUnattendedUpdate(const UpdateEngine& engine);
// Logs a run that could not start because the program is open.
void LogAlreadyRunning();
