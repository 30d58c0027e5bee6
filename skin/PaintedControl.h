#pragma once

#include <windows.h>

#include "win/Window.h"

// A control that paints all of its client area itself, in one go, both for
// the screen and for WM_PRINTCLIENT, and never has its background erased
// separately.
class PaintedControl : public WindowObject {
protected:
    bool ProcessMessage(Message& m) override;
    virtual void Paint(HDC dc) = 0;

private:
    void OnPaint(Message& m);
    void OnPrintClient(Message& m);
    void OnEraseBackground(Message& m);
};
