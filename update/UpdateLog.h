#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

#include "base/ProgramPaths.h"
#include "update/UpdateReport.h"

// The log of the unattended updates, "update.log" beside config.ini: one
// line a run, newest last, of the form
//   2026-12-08 08:23:51<TAB>已更新<TAB>检查3个站点，新增120条，失败1个：<address>（无法连接）
// It never grows past kMaxBytes: the oldest lines go first.
class UpdateLog {
public:
    static constexpr std::size_t kMaxBytes = 64 * 1024;

    // The last run, as the update settings page shows it.
    struct Entry {
        std::string time;    // "2026-12-08 08:23:51"
        std::string result;  // "已更新", "无新内容", "部分站点失败", "Host表无法写入", "未检测"
        std::string detail;  // the rest of the line
    };

    explicit UpdateLog(std::string path = GetPathBesideProgram("update.log"));

    // The result word of a report.
    static std::string ResultOf(const UpdateReport& report);
    // The detail of a report: sites checked, entries added, failures.
    static std::string DetailOf(const UpdateReport& report);

    bool Append(const SYSTEMTIME& when, const UpdateReport& report) const;
    // A run that did not come to a pass, such as one while the program is open.
    bool Append(const SYSTEMTIME& when, const std::string& result, const std::string& detail) const;
    // False when no run is logged.
    bool Last(Entry& entry) const;

    const std::string& Path() const { return path_; }

private:
    std::string path_;
};
