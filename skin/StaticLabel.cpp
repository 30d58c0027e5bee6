#include "skin/StaticLabel.h"

#include "skin/SkinGdi.h"

bool StaticLabel::ProcessMessage(Message& m) {
    static const MessageHandler<StaticLabel> kMap[] = {
        {WM_SETTEXT, &StaticLabel::OnSetText},
        {WM_ENABLE, &StaticLabel::OnEnable},
    };
    return RouteMessage(this, kMap, m) || PaintedControl::ProcessMessage(m);
}

// The static class paints its own look straight away when its text or its
// enabled state changes; only the text is stored here, then the label
// repaints over the parent's background. The text comes in the window's own
// character set: a static of the version 6 common controls is a Unicode
// window, and its subclass is handed UTF-16 text.
void StaticLabel::OnSetText(Message& m) {
    m.result = IsWindowUnicode(m.hwnd) ? DefWindowProcW(m.hwnd, m.id, m.wParam, m.lParam)
                                       : DefWindowProcA(m.hwnd, m.id, m.wParam, m.lParam);
    RedrawThroughParent(m.hwnd);
}

void StaticLabel::OnEnable(Message&) {
    RedrawThroughParent(Hwnd());
}
