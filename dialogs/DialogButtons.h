#pragma once

#include <windows.h>

#include <vector>

#include "skin/ImageButton.h"
#include "win/Handles.h"

// The labelled buttons of the program's small dialogs ("确定", "取消",
// "升级", ...): text image buttons sharing one strip cut from bitmap 204.
class DialogButtons {
public:
    static constexpr int kMaxButtons = 2;

    // Takes over the dialog's buttons with these ids (at most two).
    void Attach(HWND dialog, const std::vector<int>& ids);

private:
    UniqueImageList strip_;  // shared by the buttons
    TextImageButton buttons_[kMaxButtons];
};
