#include "app/UnattendedUpdate.h"

#include <windows.h>
#include <shellapi.h>

#include <memory>

#include "update/UpdateLog.h"
#include "update/UpdateProgress.h"

const char kUsageText[] = "用法：Sitemoat.exe [/update]\r\n/update：不打开窗口，检测并合并升级";

namespace {

constexpr wchar_t kUpdateSwitch[] = L"/update";

// Nobody waits and nobody is asked: the user said yes once, when ticking
// the daily update.
class Unattended : public UpdateProgress {
public:
    void SetMessage(const std::string&) override {}
    int AskToUpdate(const std::string&) override { return kAnswerUpdate; }
    void SetResult(const std::string&) override {}
    void SetSiteResults(const std::vector<SiteResult>&) override {}
    void ReportFailure(const std::string&) override {}
    bool IsCancelled() const override { return false; }
    bool Commit() override { return true; }
};

SYSTEMTIME Now() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return now;
}

}  // namespace

LaunchMode ModeOf(const std::vector<std::wstring>& arguments) {
    if (arguments.empty()) return LaunchMode::Window;
    if (arguments.size() == 1 && CompareStringOrdinal(arguments[0].c_str(), -1, kUpdateSwitch, -1,
                                                      TRUE) == CSTR_EQUAL) {
        return LaunchMode::Update;
    }
    return LaunchMode::BadArguments;
}

std::vector<std::wstring> CommandLineArguments() {
    std::vector<std::wstring> arguments;
    int count = 0;
    LPWSTR* list = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!list) return arguments;
    for (int i = 1; i < count; ++i) arguments.emplace_back(list[i]);
    LocalFree(list);
    return arguments;
}

ExitCode ExitCodeOf(const UpdateReport& report) {
    if (!report.failure.empty()) return ExitCode::HostsNotWritable;
    if (report.FailedSites() > 0) return ExitCode::SitesFailed;
    return report.applied ? ExitCode::Updated : ExitCode::NothingNew;
}

ExitCode RunUnattendedUpdate(const UpdateEngine& engine) {
    const UpdateReport report = engine.RunUpdateWork(std::make_shared<Unattended>());
    UpdateLog().Append(Now(), report);
    return ExitCodeOf(report);
}

void LogAlreadyRunning() {
    UpdateLog().Append(Now(), "未检测", "程序正在运行");
}
