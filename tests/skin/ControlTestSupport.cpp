#include "ControlTestSupport.h"

#include "skin/SkinGdi.h"
#include "win/Handles.h"

namespace {

constexpr char kParentClass[] = "SkinControlsTestParent";

}  // namespace

TestParent::~TestParent() {
    // Messages posted to this window must not reach the next test's parent.
    if (Hwnd()) TakePosted(Hwnd(), 0);
}

bool TestParent::Open(int width, int height) {
    if (!RegisterWindowClass(kParentClass)) return false;
    if (!Create(kParentClass, nullptr, RECT{0, 0, width, height}, WS_POPUP)) return false;
    ShowWindow(Hwnd(), SW_SHOWNOACTIVATE);
    UpdateWindow(Hwnd());
    return true;
}

bool TestParent::ProcessMessage(Message& m) {
    static const MessageHandler<TestParent> kMap[] = {
        {WM_ERASEBKGND, &TestParent::OnEraseBackground},
        {WM_PAINT, &TestParent::OnPaint},
        {WM_PRINTCLIENT, &TestParent::OnPrintClient},
        {WM_COMMAND, &TestParent::OnCommand},
    };
    return RouteMessage(this, kMap, m);
}

void TestParent::OnEraseBackground(Message& m) {
    RECT client;
    GetClientRect(Hwnd(), &client);
    FillSolid(reinterpret_cast<HDC>(m.wParam), client, kBackground);
    m.result = TRUE;
}

void TestParent::OnPaint(Message&) {
    PaintDc dc(Hwnd());
}

void TestParent::OnPrintClient(Message& m) {
    OnEraseBackground(m);
    m.result = 0;
}

void TestParent::OnCommand(Message&) {
    ++sentCommands;
}

std::vector<MSG> TakePosted(HWND hwnd, UINT message) {
    std::vector<MSG> taken;
    MSG msg;
    while (PeekMessageA(&msg, hwnd, message, message, PM_REMOVE | PM_QS_POSTMESSAGE)) {
        taken.push_back(msg);
    }
    return taken;
}

void ClickAt(HWND hwnd, int x, int y) {
    SendMessageA(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    SendMessageA(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}
