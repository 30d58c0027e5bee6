#include "win/Window.h"

#include <commctrl.h>

#include <cctype>
#include <map>
#include <string>

#include "win/AppModule.h"
#include "win/Handles.h"

namespace {

constexpr char kObjectProp[] = "SitemoatWindowObject";
constexpr UINT_PTR kSubclassId = 1;

// Window procedures of the base classes of our superclasses, by class name.
struct BaseProcs {
    CriticalSection lock;
    std::map<std::string, WNDPROC> byClass;
};

BaseProcs& GetBaseProcs() {
    static BaseProcs procs;
    return procs;
}

std::string LowerName(const char* name) {
    std::string s(name);  // class names are ASCII and compared without case
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

WNDPROC BaseProcOf(const char* className) {
    BaseProcs& procs = GetBaseProcs();
    ScopedLock lock(procs.lock);
    auto it = procs.byClass.find(LowerName(className));
    return it == procs.byClass.end() ? nullptr : it->second;
}

// The child window that a parent's notification is about.
HWND ReflectTarget(const Message& m) {
    switch (m.id) {
    case WM_DRAWITEM:
        return m.wParam ? reinterpret_cast<const DRAWITEMSTRUCT*>(m.lParam)->hwndItem : nullptr;
    case WM_MEASUREITEM:
        return m.wParam ? GetDlgItem(m.hwnd, static_cast<int>(m.wParam)) : nullptr;
    case WM_NOTIFY:
        return reinterpret_cast<const NMHDR*>(m.lParam)->hwndFrom;
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
        return reinterpret_cast<HWND>(m.lParam);
    default:
        return nullptr;
    }
}

}  // namespace

WindowObject::~WindowObject() {
    if (!hwnd_) return;
    const HWND hwnd = hwnd_;
    const Binding binding = binding_;
    Unbind(false);
    if (binding == Binding::Created || binding == Binding::Dialog) DestroyWindow(hwnd);
}

WindowObject* WindowObject::FromHandle(HWND hwnd) {
    return hwnd ? static_cast<WindowObject*>(GetPropA(hwnd, kObjectProp)) : nullptr;
}

bool WindowObject::Attach(HWND hwnd) {
    if (!hwnd || hwnd_ || FromHandle(hwnd)) return false;
    if (!SetWindowSubclass(hwnd, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this))) {
        return false;
    }
    Bind(hwnd, Binding::Attached);
    OnAttached();
    return true;
}

void WindowObject::Detach() {
    if (binding_ != Binding::Attached) return;
    OnDetaching();
    Unbind(false);
}

HWND WindowObject::Create(const char* className, HWND parent, const RECT& rect, DWORD style,
                          DWORD exStyle, int controlId, const char* text) {
    if (hwnd_) return nullptr;
    baseProc_ = BaseProcOf(className);
    CreatingScope creating(this);
    return CreateWindowExA(exStyle, className, text, style, rect.left, rect.top,
                           rect.right - rect.left, rect.bottom - rect.top, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId)),
                           AppModule::Get().Instance(), nullptr);
}

bool WindowObject::RegisterWindowClass(const char* className, const char* baseClass, UINT style,
                                       HCURSOR cursor) {
    HINSTANCE instance = AppModule::Get().Instance();
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    if (GetClassInfoExA(instance, className, &wc)) return true;  // already there
    if (baseClass) {
        if (!GetClassInfoExA(nullptr, baseClass, &wc) && !GetClassInfoExA(instance, baseClass, &wc)) {
            return false;
        }
        BaseProcs& procs = GetBaseProcs();
        ScopedLock lock(procs.lock);
        procs.byClass[LowerName(className)] = wc.lpfnWndProc;
    } else {
        wc.style = style;
        wc.hCursor = cursor ? cursor : LoadCursor(nullptr, IDC_ARROW);
    }
    wc.cbSize = sizeof wc;
    wc.hInstance = instance;
    wc.lpszClassName = className;
    wc.lpfnWndProc = StartWindowProc;
    return RegisterClassExA(&wc) != 0;
}

bool WindowObject::ProcessMessage(Message&) {
    return false;
}

bool WindowObject::ProcessReflected(Message&) {
    return false;
}

LRESULT WindowObject::DefaultProcessing(const Message& m) {
    switch (binding_) {
    case Binding::Attached:
        return DefSubclassProc(m.hwnd, m.id, m.wParam, m.lParam);
    case Binding::Created:
        return baseProc_ ? CallWindowProcA(baseProc_, m.hwnd, m.id, m.wParam, m.lParam)
                         : DefWindowProcA(m.hwnd, m.id, m.wParam, m.lParam);
    default:
        // A dialog's default processing is the dialog manager's, which runs
        // when the dialog procedure declines the message.
        return 0;
    }
}

void WindowObject::Bind(HWND hwnd, Binding binding) {
    hwnd_ = hwnd;
    binding_ = binding;
    SetPropA(hwnd, kObjectProp, this);
}

void WindowObject::Unbind(bool finalMessage) {
    const HWND hwnd = hwnd_;
    if (!hwnd) return;
    RemovePropA(hwnd, kObjectProp);
    switch (binding_) {
    case Binding::Attached:
        RemoveWindowSubclass(hwnd, SubclassProc, kSubclassId);
        break;
    case Binding::Created:
        SetWindowLongPtrA(hwnd, GWLP_WNDPROC,
                          reinterpret_cast<LONG_PTR>(baseProc_ ? baseProc_ : DefWindowProcA));
        break;
    case Binding::Dialog:
    case Binding::None:
        break;  // the dialog procedure finds no object and declines
    }
    hwnd_ = nullptr;
    binding_ = Binding::None;
    if (finalMessage) OnFinalMessage();
}

bool WindowObject::Dispatch(Message& m) {
    if (HWND target = ReflectTarget(m)) {
        WindowObject* control = target != m.hwnd ? FromHandle(target) : nullptr;
        if (control) {
            Message reflected = m;
            if (control->ProcessReflected(reflected)) {
                m.result = reflected.result;
                return true;
            }
        }
    }
    return ProcessMessage(m);
}

LRESULT CALLBACK WindowObject::StartWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    WindowObject* self = AppModule::Get().ExtractCreating();
    if (!self) return DefWindowProcA(hwnd, msg, wParam, lParam);
    self->Bind(hwnd, Binding::Created);
    SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WindowProc));
    return WindowProc(hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK WindowObject::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    WindowObject* self = FromHandle(hwnd);
    if (!self) return DefWindowProcA(hwnd, msg, wParam, lParam);
    Message m{hwnd, msg, wParam, lParam};
    const LRESULT result = self->Dispatch(m) ? m.result : self->DefaultProcessing(m);
    if (msg == WM_NCDESTROY) self->Unbind(true);
    return result;
}

LRESULT CALLBACK WindowObject::SubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam,
                                            UINT_PTR, DWORD_PTR refData) {
    auto* self = reinterpret_cast<WindowObject*>(refData);
    Message m{hwnd, msg, wParam, lParam};
    const LRESULT result = self->Dispatch(m) ? m.result : DefSubclassProc(hwnd, msg, wParam, lParam);
    if (msg == WM_NCDESTROY) self->Unbind(true);
    return result;
}
