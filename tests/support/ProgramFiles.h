#pragma once

#include <string>

#include "tests/support/WholeFile.h"

// Files beside the test executable, where the program keeps "config.ini"
// and "temp.txt". Byte-exact: no line-ending conversion.
std::string ReadFileBesideProgram(const char* fileName);
// Replaces the file with text; the platform's INI cache is dropped so the
// next settings call reads what is on disk.
void WriteFileBesideProgram(const char* fileName, const std::string& text);
void RemoveFileBesideProgram(const char* fileName);
bool FileBesideProgramExists(const char* fileName);

// A link named link to the folder target, as a user may plant one, for the
// owner's lifetime. Windows makes a directory symbolic link; Wine's
// CreateSymbolicLink does nothing and its file calls cannot remove a link,
// so there a Unix symbolic link is made and removed, which Wine shows as a
// reparse point.
class FolderLink {
public:
    FolderLink(std::string link, const std::string& target);
    ~FolderLink();
    FolderLink(const FolderLink&) = delete;
    FolderLink& operator=(const FolderLink&) = delete;

    // True once the link is there.
    bool Made() const { return made_; }

private:
    std::string link_;
    bool made_ = false;
};

// The prefix's HOSTS file, given the test's text for the test's duration
// and put back as it was afterwards: its old text, or no file when there was
// none. The second form names the file itself, for tests that must not
// depend on the program's own lookup of it.
class HostsFileScope {
public:
    explicit HostsFileScope(const std::string& text);
    HostsFileScope(const std::string& path, const std::string& text);
    ~HostsFileScope();
    HostsFileScope(const HostsFileScope&) = delete;
    HostsFileScope& operator=(const HostsFileScope&) = delete;

    const std::string& Path() const { return path_; }
    std::string Text() const { return ReadWholeFile(path_); }
    void Replace(const std::string& text) const { WriteWholeFile(path_, text); }

private:
    std::string path_;
    bool wasMissing_;
    std::string saved_;
};
