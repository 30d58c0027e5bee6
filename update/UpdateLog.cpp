#include "update/UpdateLog.h"

#include <cstdio>

#include "base/TextEncoding.h"
#include "base/TextFile.h"

namespace {

constexpr char kLineEnd[] = "\r\n";

std::string TimeText(const SYSTEMTIME& t) {
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", t.wYear, t.wMonth, t.wDay,
                  t.wHour, t.wMinute, t.wSecond);
    return text;
}

// A field must not hold the separators of the log's lines and fields.
std::string OneField(std::string text) {
    for (char& c : text) {
        if (c == '\t' || c == '\r' || c == '\n') c = ' ';
    }
    return text;
}

}  // namespace

UpdateLog::UpdateLog(std::string path) : path_(std::move(path)) {}

std::string UpdateLog::ResultOf(const UpdateReport& report) {
    if (!report.failure.empty()) return "Host表无法写入";
    if (report.FailedSites() > 0) return "部分站点失败";
    return report.applied ? "已更新" : "无新内容";
}

std::string UpdateLog::DetailOf(const UpdateReport& report) {
    std::size_t dropped = 0;
    for (const SiteResult& site : report.sites) dropped += site.dropped;
    std::string detail = "检查" + std::to_string(report.sites.size()) + "个站点，新增" +
                         std::to_string(report.added) + "条，移除" + std::to_string(report.removed) + "条";
    // Lines a list held but may not add: elsewhere-pointing, excepted, held already...
    if (dropped > 0) detail += "，略去" + std::to_string(dropped) + "条";
    if (const std::size_t failed = report.FailedSites()) {
        detail += "，失败" + std::to_string(failed) + "个：";
        bool first = true;
        for (const SiteResult& site : report.sites) {
            if (site.outcome != SiteOutcome::Failed) continue;
            if (!first) detail += "；";
            first = false;
            detail += site.address + "（" + site.reason + "）";
        }
    }
    for (const SiteResult& site : report.sites) {
        if (site.heldBack) detail += "，" + site.address + "的列表比上次少一半以上，暂不移除";
    }
    if (!report.failure.empty()) detail += "，" + report.failure;
    return detail;
}

bool UpdateLog::Append(const SYSTEMTIME& when, const UpdateReport& report) const {
    return Append(when, ResultOf(report), DetailOf(report));
}

bool UpdateLog::Append(const SYSTEMTIME& when, const std::string& result,
                       const std::string& detail) const {
    std::string text;
    const DWORD error = ReadFileBytes(path_, text);
    if (error != ERROR_SUCCESS && !IsMissingFileError(error)) return false;
    if (!text.empty() && text.back() != '\n') text += kLineEnd;
    text += TimeText(when) + "\t" + OneField(result) + "\t" + OneField(detail) + kLineEnd;
    // The oldest lines go, so the log stays small however long it runs.
    while (text.size() > kMaxBytes) {
        const std::size_t end = text.find('\n');
        if (end == std::string::npos || end + 1 >= text.size()) break;
        text.erase(0, end + 1);
    }
    return WriteTextFile(path_, text);
}

bool UpdateLog::Last(Entry& entry) const {
    std::string bytes;
    if (ReadFileBytes(path_, bytes) != ERROR_SUCCESS) return false;
    std::string text = AnsiText(bytes);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    const std::size_t start = text.find_last_of('\n');
    const std::string line = start == std::string::npos ? text : text.substr(start + 1);
    const std::size_t tab1 = line.find('\t');
    const std::size_t tab2 = tab1 == std::string::npos ? tab1 : line.find('\t', tab1 + 1);
    if (tab2 == std::string::npos) return false;
    entry.time = line.substr(0, tab1);
    entry.result = line.substr(tab1 + 1, tab2 - tab1 - 1);
    entry.detail = line.substr(tab2 + 1);
    return true;
}
