#pragma once

#include <windows.h>

#include <string>

// Outcome of a scheduler operation, for the caller's message.
enum class TaskSchedulerResult {
    Ok,
    SchedulerMissing,  // no Task Scheduler 2.0 here, or its service cannot run
    Refused,           // the scheduler refused: access denied, a definition it rejects...
};

// The daily unattended update, "<program> /update" with the highest
// privileges, kept by the Windows Task Scheduler through its COM interface.
// Any thread may call, whatever COM state it is in. Only the installed copy
// may be registered (InstalledProgramPath): what the task starts runs
// elevated with no prompt. The uninstaller removes the task by its name.
class DailyUpdateTask {
public:
    static constexpr char kTaskName[] = "Sitemoat Daily Update";  // in the root folder

    // True when the scheduler has the task; the check box shows this, not a
    // stored flag. False also when the scheduler cannot be reached.
    bool Exists() const;
    // Registers the task, or replaces the one there, for the current user.
    // error, when given, receives the HRESULT that failed, or S_OK.
    TaskSchedulerResult Register(const std::string& programPath, HRESULT* error = nullptr) const;
    // Ok also when there was none.
    TaskSchedulerResult Remove(HRESULT* error = nullptr) const;

    // What Register hands the scheduler: from start (local time) on, once a
    // day, programPath (ANSI, in quotes when it holds white space) with
    // "/update" at the highest run level with
    // the registering user's logon; a missed run starts when it can, battery
    // power neither stops nor prevents it, and a run is ended after an hour.
    static std::wstring DefinitionXml(const std::string& programPath, const SYSTEMTIME& start);
};
