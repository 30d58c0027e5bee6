#include "update/UpdateLog.h"

#include "tests/support/ProgramFiles.h"

#include <gtest/gtest.h>

namespace {

// One line a run, whatever the run said; the oldest go first once the log
// reaches its bound, and the page finds the newest.
TEST(UpdateLog, StaysBoundedAndKeepsTheNewestRun) {
    const std::string path = GetPathBesideProgram("update-test.log");
    DeleteFileA(path.c_str());
    const UpdateLog log(path);
    UpdateReport report;
    report.sites.resize(3);
    report.sites[1].outcome = SiteOutcome::Failed;
    report.sites[1].address = "http://a.example/list\tx";
    report.sites[1].reason = "无法连接";
    report.sites[2].dropped = 7;
    SYSTEMTIME when{2026, 12, 2, 8, 3, 0, 1, 0};
    for (int i = 0; i < 2000; ++i) {
        report.added = static_cast<std::size_t>(i);
        ASSERT_TRUE(log.Append(when, report));
    }
    const std::string text = ReadWholeFile(path);
    EXPECT_LE(text.size(), UpdateLog::kMaxBytes);
    EXPECT_GT(text.size(), UpdateLog::kMaxBytes / 2);
    EXPECT_EQ(0u, text.find("2026-12-08 03:00:01\t"));  // a whole line first

    UpdateLog::Entry last;
    ASSERT_TRUE(log.Last(last));
    EXPECT_EQ("2026-12-08 03:00:01", last.time);
    EXPECT_EQ("部分站点失败", last.result);
    EXPECT_EQ("检查3个站点，新增1999条，移除0条，略去7条，失败1个：http://a.example/list x（无法连接）", last.detail);
    DeleteFileA(path.c_str());
}

}  // namespace
