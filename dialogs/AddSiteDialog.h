#pragma once

#include <windows.h>

#include <string>

#include "dialogs/DialogButtons.h"
#include "skin/SkinnedDialog.h"

// Asks for the address of a new update site. OK ends with 1 and leaves the
// address, "http://" put in front unless it already names HTTP or HTTPS;
// cancel ends with 2.
class AddSiteDialog : public SkinnedDialog {
public:
    AddSiteDialog();

    INT_PTR Run() { return DoModal(GetActiveWindow()); }
    const std::string& Address() const { return address_; }

    // The address as it is stored: "http://" in front of what was typed,
    // unless it already begins with "http://" or "https://" in any case.
    static std::string CompleteAddress(const std::string& typed);

protected:
    bool ProcessMessage(Message& m) override;

private:
    void OnInitDialog(Message& m);
    void OnOk();
    void OnCancel();

    DialogButtons buttons_;
    std::string address_;
};
