#include "tests/support/HeadlessProgress.h"

void HeadlessProgress::SetMessage(const std::string& text) {
    std::function<void()> hook;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        messages_.push_back(text);
        hook = onMessage_;
    }
    if (hook) hook();
}

int HeadlessProgress::AskToUpdate(const std::string& question) {
    std::function<void()> hook;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        questions_.push_back(question);
        hook = onAsk_;
    }
    if (hook) hook();
    return answer_;
}

void HeadlessProgress::SetResult(const std::string& hostsBytes) {
    std::lock_guard<std::mutex> lock(mutex_);
    hasResult_ = true;
    result_ = hostsBytes;
}

void HeadlessProgress::ReportFailure(const std::string& message) {
    std::lock_guard<std::mutex> lock(mutex_);
    failures_.push_back(message);
}

bool HeadlessProgress::IsCancelled() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return cancelled_;
}

bool HeadlessProgress::Commit() {
    std::lock_guard<std::mutex> lock(mutex_);
    committed_ = !cancelled_;
    return committed_;
}

bool HeadlessProgress::Cancel() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (committed_) return false;
    cancelled_ = true;
    return true;
}

void HeadlessProgress::OnAsk(std::function<void()> hook) {
    std::lock_guard<std::mutex> lock(mutex_);
    onAsk_ = std::move(hook);
}

void HeadlessProgress::OnMessage(std::function<void()> hook) {
    std::lock_guard<std::mutex> lock(mutex_);
    onMessage_ = std::move(hook);
}

std::vector<std::string> HeadlessProgress::Messages() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return messages_;
}

std::vector<std::string> HeadlessProgress::Questions() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return questions_;
}

bool HeadlessProgress::HasResult() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return hasResult_;
}

std::string HeadlessProgress::Result() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return result_;
}

std::vector<std::string> HeadlessProgress::Failures() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return failures_;
}

void HeadlessProgress::SetSiteResults(const std::vector<SiteResult>& sites) {
    std::lock_guard<std::mutex> lock(mutex_);
    sites_ = sites;
}

std::vector<SiteResult> HeadlessProgress::SiteResults() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return sites_;
}
