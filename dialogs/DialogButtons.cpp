#include "dialogs/DialogButtons.h"

#include "res/resource.h"
#include "skin/SkinGdi.h"

void DialogButtons::Attach(HWND dialog, const std::vector<int>& ids) {
    strip_ = LoadImageStrip(IDB_DIALOG_BUTTON, 75, 24);
    int i = 0;
    for (int id : ids) {
        if (i == kMaxButtons) break;
        TextImageButton& button = buttons_[i++];
        button.SetSharedImageStrip(strip_.Get());
        button.AttachItem(dialog, id);
        button.SetImages(0, 1, 2, 4);
        button.SetExtendedStyle(ImageButton::kHover);
    }
}
