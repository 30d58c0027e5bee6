#include "dialogs/OpenInBrowser.h"

#include <windows.h>

#include <cstring>

#include "base/TextCodec.h"
#include "dialogs/TextDialog.h"
#include "win/OpenUrl.h"

namespace {

constexpr char kOpenByHand[] =
    "为了安全，Sitemoat不会以管理员身份打开浏览器，而系统未能以普通用户身份打开它。\r\n"
    "网址已复制到剪贴板，请在浏览器中粘贴打开：\r\n";
constexpr size_t kShownLength = 200;

void CopyToClipboard(const std::wstring& text) {
    if (!OpenClipboard(nullptr)) return;
    EmptyClipboard();
    const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes)) {
        if (void* locked = GlobalLock(memory)) {
            std::memcpy(locked, text.c_str(), bytes);
            GlobalUnlock(memory);
            // The clipboard owns the memory once it takes it.
            if (!SetClipboardData(CF_UNICODETEXT, memory)) GlobalFree(memory);
        } else {
            GlobalFree(memory);
        }
    }
    CloseClipboard();
}

}  // namespace

std::string OpenByHandText(const std::wstring& address) {
    std::string shown = WideToAnsi(address);
    if (shown.size() > kShownLength) shown = shown.substr(0, kShownLength) + "……";
    return kOpenByHand + shown;
}

bool OpenInBrowser(const std::wstring& address) {
    switch (OpenUrl(address)) {
    case OpenUrlResult::Started:
        return true;
    case OpenUrlResult::NotUnelevated:
        CopyToClipboard(address);
        MessageDialog(OpenByHandText(address)).Run();
        return false;
    case OpenUrlResult::NotWebAddress:
    case OpenUrlResult::Failed:
        return false;
    }
    return false;
}

bool OpenInBrowser(const std::string& address) {
    return OpenInBrowser(AnsiToWide(address));
}
