#pragma once

#include <windows.h>

#include "skin/PaintedControl.h"

// Base of the labels that take over a static control and draw its window
// text themselves on a transparent background: the static never paints or
// erases anything itself, so the parent's skin shows through.
class StaticLabel : public PaintedControl {
protected:
    bool ProcessMessage(Message& m) override;

private:
    void OnSetText(Message& m);
    void OnEnable(Message& m);
};
