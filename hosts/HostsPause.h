#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "base/ProgramPaths.h"

// Blocking paused: HOSTS as it was before the pause, kept beside
// config.ini until blocking comes back, and when the pause ends by itself.
// The file is read as hostile input: a damaged one is no pause.
class HostsPause {
public:
    struct State {
        std::string original;          // HOSTS's bytes before the pause
        unsigned long long until = 0;  // when it ends, as a FILETIME in UTC; 0: at the next start
    };

    explicit HostsPause(std::string path = GetPathBesideProgram("pause.dat"));

    // False when blocking is not paused, or the file cannot be read whole.
    bool Read(State& state) const;
    bool Exists() const;
    // ERROR_SUCCESS, or why the state could not be kept.
    DWORD Write(const State& state) const;
    void Remove() const;

    static std::string Serialize(const State& state);
    static bool Parse(std::string_view bytes, State& state);

private:
    std::string path_;
};

// Now, as a FILETIME in UTC.
unsigned long long FileTimeNow();
