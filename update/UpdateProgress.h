#pragma once

#include <string>

#include <vector>

#include "update/UpdateReport.h"

// Texts of the start-up update pass.
inline constexpr char kCheckingMessage[] = "请稍候，正在检测升级……";
inline constexpr char kUpdatingMessage[] = "请稍候，正在更新…………";
inline constexpr char kUpdateQuestion[] =
    "检测到升级路径有最新更新，您是否要将您的Host表升级至最新？";

// Answers of AskToUpdate.
constexpr int kAnswerUpdate = 1;  // "升级"
constexpr int kAnswerKeep = 2;    // "不升级"

// What the update pass needs from the window that waits for it.
//
// Ownership and threads: the progress dialog makes one object of this kind
// and holds it by std::shared_ptr; RunUpdateWork receives its own
// shared_ptr and runs on the worker thread, so the object lives until the
// later of the two lets go. The dialog may be cancelled and destroyed while
// the worker still runs: from then on the object must answer IsCancelled()
// with true and must not reach the gone window (keep the window handle as
// not owned, and drop it when the dialog ends). Every member is called on
// the worker thread and must be safe against the dialog's thread.
class UpdateProgress {
public:
    virtual ~UpdateProgress() = default;

    // Replaces the text the waiting dialog shows.
    virtual void SetMessage(const std::string& text) = 0;
    // Asks the user; kAnswerUpdate or kAnswerKeep.
    virtual int AskToUpdate(const std::string& question) = 0;
    // HOSTS's bytes as written; called only when HOSTS was rewritten.
    virtual void SetResult(const std::string& hostsBytes) = 0;
    // How each site's check ended, once checked and again once merged.
    virtual void SetSiteResults(const std::vector<SiteResult>& sites) = 0;
    // Something the user must be told once the wait is over, such as a
    // HOSTS file that could not be written ("host表更新失败：...").
    virtual void ReportFailure(const std::string& message) = 0;
    // True once the user has cancelled the wait. The pass then asks
    // nothing more and leaves HOSTS and the stamps as they were.
    virtual bool IsCancelled() const = 0;
    // Called once, just before HOSTS is written. False when the user has
    // already cancelled: nothing is written. After true the wait can no
    // longer be cancelled, so what the program shows of HOSTS after the
    // wait is what the pass wrote.
    virtual bool Commit() = 0;
};
