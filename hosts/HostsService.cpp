#include "hosts/HostsService.h"

#include "hosts/HostsFile.h"
#include "hosts/HostsText.h"

int HostsService::GetWindowsVersionClass() const {
    return hosts_file::GetWindowsVersionClass();
}

std::string HostsService::GetHostsFilePath() const {
    return hosts_file::GetHostsFilePath();
}

std::string HostsService::ReadTextFile(const std::string& path) const {
    return hosts_file::AnsiText(hosts_file::ReadFileText(path));
}

FileText HostsService::ReadFileText(const std::string& path) const {
    return hosts_file::ReadFileText(path);
}

FileText HostsService::ReadHostsFile() const {
    return hosts_file::ReadHostsFile();
}

std::string HostsService::AnsiText(const FileText& file) const {
    return hosts_file::AnsiText(file);
}

bool HostsService::WriteHostsFile(const std::string& text) const {
    FileText content;
    content.text = text;
    return hosts_file::WriteHostsFile(content, nullptr).Ok();
}

WriteResult HostsService::WriteHostsFile(const FileText& content, const FileText* expected) const {
    return hosts_file::WriteHostsFile(content, expected);
}

bool HostsService::WriteTextFile(const std::string& path, const std::string& text) const {
    FileText content;
    content.text = text;
    return hosts_file::WriteFileText(path, content).Ok();
}

WriteResult HostsService::WriteFileText(const std::string& path, const FileText& content) const {
    return hosts_file::WriteFileText(path, content);
}

std::vector<std::string> HostsService::SplitEntryLines(const std::string& text) const {
    return hosts_text::SplitEntryLines(text);
}

std::vector<std::string> HostsService::SplitRawLines(const std::string& text,
                                                     const std::string& separators) const {
    return hosts_text::SplitRawLines(text, separators);
}

HostEntry HostsService::SplitHostEntry(const std::string& line) const {
    return hosts_text::SplitHostEntry(line);
}

bool HostsService::IsEntryLine(const std::string& line) const {
    return hosts_text::IsEntryLine(line);
}

void HostsService::AppendNewEntries(std::string& listText, const std::string& newText) const {
    hosts_text::AppendNewEntries(listText, newText);
}

bool HostsService::SortHostsText(const std::string& text, std::string& entryText,
                                 std::string& headText) const {
    return hosts_text::SortHostsText(text, entryText, headText);
}

bool HostsService::SplitForEditor(const FileText& hosts, std::string& entryText,
                                  std::string& headText) const {
    return hosts_text::SplitForEditor(hosts, entryText, headText);
}

std::string HostsService::ComposeHostsText(const std::string& headText, const std::string& entryText,
                                           TextEncoding encoding) const {
    return hosts_text::ComposeHostsText(headText, entryText, encoding);
}
