#include "skin/PaintedControl.h"

#include "win/Handles.h"

bool PaintedControl::ProcessMessage(Message& m) {
    static const MessageHandler<PaintedControl> kMap[] = {
        {WM_PAINT, &PaintedControl::OnPaint},
        {WM_PRINTCLIENT, &PaintedControl::OnPrintClient},
        {WM_ERASEBKGND, &PaintedControl::OnEraseBackground},
    };
    return RouteMessage(this, kMap, m);
}

void PaintedControl::OnPaint(Message&) {
    PaintDc dc(Hwnd());
    Paint(dc.Get());
}

void PaintedControl::OnPrintClient(Message& m) {
    Paint(reinterpret_cast<HDC>(m.wParam));
}

void PaintedControl::OnEraseBackground(Message& m) {
    m.result = TRUE;
}
