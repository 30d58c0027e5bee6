#include "dialogs/ProgressDialog.h"

#include <memory>
#include <mutex>
#include <vector>

#include "res/resource.h"

namespace {

constexpr UINT WM_PROGRESS_MESSAGE = WM_APP + 1;  // the work changed the text
constexpr UINT WM_PROGRESS_DONE = WM_APP + 2;     // the work has ended

}  // namespace

// What the dialog and its worker share. The worker reaches the dialog only
// by posting to its window while holding the lock; the dialog drops the
// window under the same lock before it goes away.
class ProgressDialog::Link : public UpdateProgress {
public:
    explicit Link(HWND dialog) : dialog_(dialog) {}

    void SetMessage(const std::string& text) override {
        std::lock_guard<std::mutex> lock(mutex_);
        message_ = text;
        if (dialog_) PostMessageA(dialog_, WM_PROGRESS_MESSAGE, 0, 0);
    }

    int AskToUpdate(const std::string& question) override {
        HWND owner;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (!dialog_) return kAnswerKeep;
            owner = dialog_;
        }
        // The question belongs to the dialog that waits for it: owned by it,
        // it stays in front and keeps the wait from being cancelled meanwhile.
        ConfirmDialog confirm(question);
        const INT_PTR answer = confirm.Run(owner);
        std::lock_guard<std::mutex> lock(mutex_);
        return answer == IDOK && dialog_ ? kAnswerUpdate : kAnswerKeep;
    }

    void SetResult(const std::string& hostsBytes) override {
        std::lock_guard<std::mutex> lock(mutex_);
        result_ = hostsBytes;
    }

    void SetSiteResults(const std::vector<SiteResult>& sites) override {
        std::lock_guard<std::mutex> lock(mutex_);
        sites_ = sites;
    }

    void ReportFailure(const std::string& message) override {
        std::lock_guard<std::mutex> lock(mutex_);
        failures_.push_back(message);
    }

    bool IsCancelled() const override {
        std::lock_guard<std::mutex> lock(mutex_);
        return cancelled_;
    }

    bool Commit() override {
        std::lock_guard<std::mutex> lock(mutex_);
        committed_ = !cancelled_;
        return committed_;
    }

    // Worker: the work has ended.
    void Finish() {
        std::lock_guard<std::mutex> lock(mutex_);
        if (dialog_) PostMessageA(dialog_, WM_PROGRESS_DONE, 0, 0);
    }

    // Dialog: gives up the wait, unless HOSTS is being written this moment.
    bool Cancel() {
        std::lock_guard<std::mutex> lock(mutex_);
        if (committed_) return false;
        cancelled_ = true;
        dialog_ = nullptr;
        return true;
    }

    // Dialog: its window is going away.
    void Drop() {
        std::lock_guard<std::mutex> lock(mutex_);
        dialog_ = nullptr;
    }

    std::string Message() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return message_;
    }
    std::string Result() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return result_;
    }
    std::vector<std::string> Failures() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return failures_;
    }
    std::vector<SiteResult> SiteResults() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return sites_;
    }

private:
    mutable std::mutex mutex_;
    HWND dialog_;  // not owned; null once the dialog has ended
    std::string message_;
    std::string result_;
    std::vector<std::string> failures_;
    std::vector<SiteResult> sites_;
    bool cancelled_ = false;
    bool committed_ = false;
};

struct ProgressDialog::WorkerStart {
    Work work;
    std::shared_ptr<Link> link;
};

ProgressDialog::ProgressDialog(std::string text, Work work)
    : TextDialog(IDD_PROGRESS, "TarvoZorvaSitemoat", std::move(text), {IDCANCEL}),
      work_(std::move(work)) {}

ProgressDialog::~ProgressDialog() {
    if (link_) link_->Drop();
}

std::string ProgressDialog::Result() const {
    return finished_ && link_ ? link_->Result() : std::string();
}

std::vector<std::string> ProgressDialog::Failures() const {
    return finished_ && link_ ? link_->Failures() : std::vector<std::string>();
}

std::vector<SiteResult> ProgressDialog::SiteResults() const {
    return finished_ && link_ ? link_->SiteResults() : std::vector<SiteResult>();
}

bool ProgressDialog::ProcessMessage(Message& m) {
    if (TextDialog::ProcessMessage(m)) return true;
    static const MessageHandler<ProgressDialog> kMap[] = {
        {WM_INITDIALOG, &ProgressDialog::OnInitDialog},
        {WM_PROGRESS_MESSAGE, &ProgressDialog::OnShowMessage},
        {WM_PROGRESS_DONE, &ProgressDialog::OnWorkDone},
        {WM_DESTROY, &ProgressDialog::OnDestroy},
    };
    static const CommandHandler<ProgressDialog> kCommands[] = {
        {IDCANCEL, &ProgressDialog::OnCancel},
    };
    return RouteCommand(this, kCommands, m) || RouteMessage(this, kMap, m);
}

void ProgressDialog::OnInitDialog(Message&) {
    finished_ = false;
    link_ = std::make_shared<Link>(Hwnd());
    auto start = std::make_unique<WorkerStart>(WorkerStart{work_, link_});
    worker_.Reset(CreateThread(nullptr, 0, WorkerMain, start.get(), 0, nullptr));
    if (worker_) {
        start.release();  // the worker owns it now
    } else {
        link_->Finish();  // nothing will run: end as if the work were done
    }
}

DWORD WINAPI ProgressDialog::WorkerMain(void* param) {
    std::unique_ptr<WorkerStart> start(static_cast<WorkerStart*>(param));
    if (start->work) start->work(start->link);
    start->link->Finish();
    return 0;
}

void ProgressDialog::OnShowMessage(Message&) {
    ShowText(link_->Message());
}

void ProgressDialog::OnWorkDone(Message&) {
    finished_ = true;
    End(IDOK);
}

void ProgressDialog::OnCancel() {
    if (!link_ || !link_->Cancel()) return;
    worker_.Reset();  // let go of the thread without waiting for it
    End(IDCANCEL);
}

void ProgressDialog::OnDestroy(Message& m) {
    link_->Drop();
    m.handled = false;
}
