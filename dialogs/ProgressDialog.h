#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "dialogs/TextDialog.h"
#include "update/UpdateProgress.h"
#include "win/Handles.h"

// Waits for a piece of work that runs on a worker thread, showing a text
// the work may change; ends itself with 1 when the work is done. "取消检测"
// ends it with 2 at once, without waiting: the worker is let go and its
// result is absent.
//
// The work talks to the dialog only through an UpdateProgress object that
// the dialog and the worker own together, so either may outlive the other.
// An abandoned worker asks the user nothing and writes nothing; while the
// work is writing HOSTS (after Commit), a cancel is refused for that moment.
class ProgressDialog : public TextDialog {
public:
    using Work = std::function<void(std::shared_ptr<UpdateProgress>)>;

    ProgressDialog(std::string text, Work work);
    ~ProgressDialog() override;

    // The result the work stored (the HOSTS bytes it wrote), once the
    // dialog has ended with 1; empty otherwise.
    std::string Result() const;
    // What the work asked to tell the user, once the dialog has ended with 1.
    std::vector<std::string> Failures() const;
    // How each site's check ended, once the dialog has ended with 1.
    std::vector<SiteResult> SiteResults() const;

protected:
    bool ProcessMessage(Message& m) override;

private:
    class Link;
    struct WorkerStart;

    void OnInitDialog(Message& m);
    void OnShowMessage(Message& m);
    void OnWorkDone(Message& m);
    void OnDestroy(Message& m);
    void OnCancel();

    static DWORD WINAPI WorkerMain(void* start);

    Work work_;
    std::shared_ptr<Link> link_;
    UniqueKernelHandle worker_;
    bool finished_ = false;
};
