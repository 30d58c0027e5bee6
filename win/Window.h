#pragma once

#include <windows.h>

#include <cstddef>

// One window message on its way to a handler. RouteMessage sets handled
// before it calls the handler, which clears it to pass the message on.
// "Passed on" means two things, by where the handler sits: in a base
// class's map (the skinned frame), the message goes on to the derived
// class's map; in the last map of the chain, it goes on to the window's
// default processing (DefWindowProc, the dialog manager, the control's own
// procedure).
struct Message {
    HWND hwnd;
    UINT id;
    WPARAM wParam;
    LPARAM lParam;
    LRESULT result = 0;
    bool handled = true;
};

// Message-map entries: a message number, or a command's control id, and the
// member that handles it.
template <class T>
struct MessageHandler {
    UINT message;
    void (T::*handler)(Message&);
};

template <class T>
struct CommandHandler {
    int id;
    void (T::*handler)();
};

// Looks the message up in the map and calls its handler; true when handled.
template <class T, std::size_t N>
bool RouteMessage(T* self, const MessageHandler<T> (&map)[N], Message& m) {
    for (const MessageHandler<T>& entry : map) {
        if (entry.message == m.id) {
            m.handled = true;
            (self->*entry.handler)(m);
            return m.handled;
        }
    }
    return false;
}

// Routes WM_COMMAND by control id; true when the id is in the map.
template <class T, std::size_t N>
bool RouteCommand(T* self, const CommandHandler<T> (&map)[N], const Message& m) {
    if (m.id != WM_COMMAND) return false;
    const int id = LOWORD(m.wParam);
    for (const CommandHandler<T>& entry : map) {
        if (entry.id == id) {
            (self->*entry.handler)();
            return true;
        }
    }
    return false;
}

// Base of every object bound to a window: a window it created, a window of
// a dialog template it attached to (subclassing), or a dialog (see Dialog).
// The window and the object are bound at the window's first message and
// unbound at its last (WM_NCDESTROY); from then on no message reaches the
// object. Destroying a bound object first unbinds it, then destroys a window
// it created or gives back an attached one. Window objects are neither
// copyable nor movable: the window holds their address.
class WindowObject {
public:
    WindowObject() = default;
    virtual ~WindowObject();
    WindowObject(const WindowObject&) = delete;
    WindowObject& operator=(const WindowObject&) = delete;

    HWND Hwnd() const { return hwnd_; }

    // Takes over an existing window's messages (a control of a template),
    // then calls OnAttached.
    bool Attach(HWND hwnd);
    bool AttachItem(HWND dialog, int controlId) { return Attach(GetDlgItem(dialog, controlId)); }
    // Calls OnDetaching, then gives the window back to its own window
    // procedure.
    void Detach();

    // Creates a window of a class registered with RegisterWindowClass.
    HWND Create(const char* className, HWND parent, const RECT& rect, DWORD style,
                DWORD exStyle = 0, int controlId = 0, const char* text = "");

    // Registers a window class whose windows bind to the object that creates
    // them. With a base class ("BUTTON"), the new class is a superclass of it:
    // unhandled messages go to the base class's window procedure.
    static bool RegisterWindowClass(const char* className, const char* baseClass = nullptr,
                                    UINT style = CS_DBLCLKS, HCURSOR cursor = nullptr);

    // The object bound to a window, or null.
    static WindowObject* FromHandle(HWND hwnd);

protected:
    // The message map. Returns true when the message was handled; the result
    // is then in m.result.
    virtual bool ProcessMessage(Message& m);
    // A notification the parent reflects back to the control that sent it
    // (WM_DRAWITEM, WM_MEASUREITEM, WM_NOTIFY, WM_CTLCOLOR*): the control
    // draws or answers for itself. Returns true when handled.
    virtual bool ProcessReflected(Message& m);
    // Called once the window has received its last message.
    virtual void OnFinalMessage() {}
    // Called by Attach once the window is bound to the object, and by Detach
    // while it still is: what a class sets up on a window it takes over, and
    // takes down again before giving the window back. The object's
    // destruction does not call OnDetaching (the derived part is gone by then).
    virtual void OnAttached() {}
    virtual void OnDetaching() {}

    // The processing the message would get without this object.
    LRESULT DefaultProcessing(const Message& m);

private:
    friend class Dialog;
    enum class Binding { None, Created, Attached, Dialog };

    void Bind(HWND hwnd, Binding binding);
    void Unbind(bool finalMessage);
    // Runs a message through reflection and the message map.
    bool Dispatch(Message& m);

    static LRESULT CALLBACK StartWindowProc(HWND, UINT, WPARAM, LPARAM);
    static LRESULT CALLBACK WindowProc(HWND, UINT, WPARAM, LPARAM);
    static LRESULT CALLBACK SubclassProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);

    HWND hwnd_ = nullptr;
    Binding binding_ = Binding::None;
    WNDPROC baseProc_ = nullptr;  // superclass's window procedure, if any
};
