#pragma once

#include <windows.h>

#include <string>

#include "tests/support/ProgramFiles.h"

// The prefix's HOSTS file, given the test's text for the test's duration
// and put back as it was afterwards.
class HostsFileScope {
public:
    explicit HostsFileScope(const std::string& text);
    ~HostsFileScope();
    HostsFileScope(const HostsFileScope&) = delete;
    HostsFileScope& operator=(const HostsFileScope&) = delete;

    const std::string& Path() const { return path_; }
    std::string Text() const { return ReadWholeFile(path_); }
    void Replace(const std::string& text) const { WriteWholeFile(path_, text); }

private:
    std::string path_;
    std::string saved_;
};

// The text of the custom hosts page's editor in a main window of any
// process (found by its control id); "" when there is none.
std::string HostsEditorText(HWND mainWindow);
