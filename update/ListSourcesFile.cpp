#include "update/ListSourcesFile.h"

#include <mutex>

#include "base/ProgramPaths.h"
#include "base/TextFile.h"

ListSourcesFile::ListSourcesFile(std::string path) : path_(std::move(path)) {}

std::string ListSourcesFile::DefaultPath() {
    return GetPathBesideProgram("lists.dat");
}

ListSources ListSourcesFile::Read() const {
    std::string bytes;
    if (ReadFileBytes(path_, bytes) != ERROR_SUCCESS) return {};
    return ListSources::Parse(bytes);
}

bool ListSourcesFile::Edit(const std::function<bool(ListSources&)>& edit) const {
    static std::mutex lock;
    const std::lock_guard<std::mutex> held(lock);
    ListSources sources = Read();
    return edit(sources) && ReplaceFileBytes(path_, sources.Serialize(), true).Ok();
}
