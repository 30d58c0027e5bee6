#include "PagesTestSupport.h"

#include <gtest/gtest.h>

#include <memory>

#include "app/ProgramServices.h"
#include "res/resource.h"

namespace {

constexpr int kMainWidth = 640;
constexpr int kMainHeight = 480;

// What the program's entry brings up before its window.
class PagesEnvironment : public ::testing::Environment {
public:
    void SetUp() override { services_ = std::make_unique<ProgramServices>(GetModuleHandleA(nullptr)); }
    void TearDown() override { services_.reset(); }

private:
    std::unique_ptr<ProgramServices> services_;
};

const ::testing::Environment* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new PagesEnvironment);

}  // namespace

PageParent::PageParent() : SkinnedDialog(IDD_MAIN) {
    SetFixedSize(kMainWidth, kMainHeight);
    CreateModeless(nullptr);
}

PageParent::~PageParent() {
    if (Hwnd()) DestroyWindow(Hwnd());
}

HWND PageParent::Place(SkinnedDialog& page) {
    HWND hwnd = page.CreateModeless(Hwnd());
    if (!hwnd) return nullptr;
    RECT client;
    GetClientRect(Hwnd(), &client);
    SetWindowPos(hwnd, nullptr, 10, 95, client.right - 20, client.bottom - 105,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(hwnd, SW_SHOW);
    return hwnd;
}

std::string ScratchFolder(const std::string& name) {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string folder = std::string(temp) + "sitemoat-" + name;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string path = folder + "\\" + found.cFileName;
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(path.c_str());
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

void ClickAt(HWND hwnd, int x, int y) {
    SendMessageA(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    SendMessageA(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}
