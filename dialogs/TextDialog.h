#pragma once

#include <windows.h>

#include <initializer_list>
#include <vector>
#include <string>

#include "dialogs/DialogButtons.h"
#include "skin/SkinnedDialog.h"
#include "skin/TextLabel.h"

// Base of the message, confirmation and progress dialogs: a skinned pop-up
// with a title, the caller's text in static 1015 and labelled image buttons
// that share one strip (bitmap 204).
class TextDialog : public SkinnedDialog {
public:
    TextDialog(int templateId, const char* title, std::string text, std::initializer_list<int> buttonIds);

    // Runs modally, owned by the window active at this moment; returns the
    // end code.
    INT_PTR Run() { return Run(GetActiveWindow()); }
    INT_PTR Run(HWND owner) { return DoModal(owner); }

protected:
    // The frame, then the common initialisation; the concrete dialog's map
    // comes after it and sees WM_INITDIALOG too.
    bool ProcessMessage(Message& m) override;
    void ShowText(const std::string& text);

private:
    void Initialize();
    void FitText();

    const char* title_;
    std::string text_;
    std::vector<int> buttonIds_;
    DialogButtons buttons_;
    TextLabel label_;
};

// "host表保存成功！" and the like: one button, always ends with 1.
class MessageDialog : public TextDialog {
public:
    explicit MessageDialog(std::string text);

protected:
    bool ProcessMessage(Message& m) override;

private:
    void OnOk() { End(IDOK); }
};

// A yes/no question: "升级" ends with 1, "不升级" (or Escape) with 2. Other
// questions name their own two answers.
class ConfirmDialog : public TextDialog {
public:
    explicit ConfirmDialog(std::string question, const char* yes = nullptr, const char* no = nullptr);

protected:
    bool ProcessMessage(Message& m) override;

private:
    void OnYes() { End(IDOK); }
    void OnNo() { End(IDCANCEL); }

    const char* yes_;  // not owned; null for the template's own
    const char* no_;
};
