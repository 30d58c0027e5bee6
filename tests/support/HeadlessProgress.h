#pragma once

#include "update/UpdateProgress.h"

#include <functional>
#include <mutex>
#include <string>
#include <vector>

// The update pass's view of its dialogs, without a window: answers the
// question with a scripted answer and records what the pass told it. Safe
// to use from the worker thread and the test thread at once.
class HeadlessProgress : public UpdateProgress {
public:
    explicit HeadlessProgress(int answer) : answer_(answer) {}

    void SetMessage(const std::string& text) override;
    int AskToUpdate(const std::string& question) override;
    void SetResult(const std::string& hostsBytes) override;
    void ReportFailure(const std::string& message) override;
    void SetSiteResults(const std::vector<SiteResult>& sites) override;
    bool IsCancelled() const override;
    bool Commit() override;

    // What the user does: gives up waiting. Refused once the pass has
    // committed to writing HOSTS.
    bool Cancel();
    // Runs inside AskToUpdate, on the asking thread, before the answer is
    // given: the user's time to think.
    void OnAsk(std::function<void()> hook);
    // Runs inside SetMessage, after the text is recorded.
    void OnMessage(std::function<void()> hook);

    std::vector<std::string> Messages() const;
    std::vector<std::string> Questions() const;
    bool HasResult() const;
    std::string Result() const;
    std::vector<std::string> Failures() const;
    std::vector<SiteResult> SiteResults() const;

private:
    const int answer_;
    mutable std::mutex mutex_;
    bool cancelled_ = false;
    bool committed_ = false;
    std::function<void()> onAsk_;
    std::function<void()> onMessage_;
    std::vector<std::string> messages_;
    std::vector<std::string> questions_;
    bool hasResult_ = false;
    std::string result_;
    std::vector<std::string> failures_;
    std::vector<SiteResult> sites_;
};
