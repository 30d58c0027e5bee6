#pragma once

#include <functional>
#include <string>

#include "update/ListSources.h"

// "lists.dat" beside config.ini. Read, changed and written under one lock:
// the update pass and the pages change it from their threads.
class ListSourcesFile {
public:
    explicit ListSourcesFile(std::string path = DefaultPath());
    static std::string DefaultPath();

    ListSources Read() const;
    // edit returns false to write nothing.
    bool Edit(const std::function<bool(ListSources&)>& edit) const;

private:
    std::string path_;
};
