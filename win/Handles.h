#pragma once

#include <windows.h>
#include <commctrl.h>

#include <utility>

#include "base/ComOwners.h"
#include "base/UniqueHandle.h"

namespace handle_traits {

template <class T>
struct Gdi : NullIsInvalid<T> {
    static bool Close(T h) { return DeleteObject(h) != FALSE; }
};
struct MemoryDc : NullIsInvalid<HDC> {
    static bool Close(HDC h) { return DeleteDC(h) != FALSE; }
};
struct ImageList : NullIsInvalid<HIMAGELIST> {
    static bool Close(HIMAGELIST h) { return ImageList_Destroy(h) != FALSE; }
};
struct Icon : NullIsInvalid<HICON> {
    static bool Close(HICON h) { return DestroyIcon(h) != FALSE; }
};
struct Menu : NullIsInvalid<HMENU> {
    static bool Close(HMENU h) { return DestroyMenu(h) != FALSE; }
};
// A top-level window of the program's own, such as a modeless dialog; one
// that its owner's destruction took along is gone already.
struct Window : NullIsInvalid<HWND> {
    static bool Close(HWND h) { return !IsWindow(h) || DestroyWindow(h) != FALSE; }
};
struct Hook : NullIsInvalid<HHOOK> {
    static bool Close(HHOOK h) { return UnhookWindowsHookEx(h) != FALSE; }
};

}  // namespace handle_traits

using UniqueBitmap = UniqueHandle<handle_traits::Gdi<HBITMAP>>;
using UniqueFont = UniqueHandle<handle_traits::Gdi<HFONT>>;
using UniqueBrush = UniqueHandle<handle_traits::Gdi<HBRUSH>>;
using UniquePen = UniqueHandle<handle_traits::Gdi<HPEN>>;
using UniqueMemoryDc = UniqueHandle<handle_traits::MemoryDc>;
using UniqueImageList = UniqueHandle<handle_traits::ImageList>;
using UniqueIcon = UniqueHandle<handle_traits::Icon>;
using UniqueMenu = UniqueHandle<handle_traits::Menu>;
using UniqueWindow = UniqueHandle<handle_traits::Window>;
using UniqueHook = UniqueHandle<handle_traits::Hook>;

// A device context borrowed from a window with GetDC, given back on exit.
class WindowDc {
public:
    explicit WindowDc(HWND hwnd) : hwnd_(hwnd), dc_(GetDC(hwnd)) {}
    ~WindowDc() {
        if (dc_) ReleaseDC(hwnd_, dc_);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC Get() const { return dc_; }

private:
    HWND hwnd_;  // not owned
    HDC dc_;
};

// BeginPaint / EndPaint.
class PaintDc {
public:
    explicit PaintDc(HWND hwnd) : hwnd_(hwnd) { dc_ = BeginPaint(hwnd, &ps_); }
    ~PaintDc() { EndPaint(hwnd_, &ps_); }
    PaintDc(const PaintDc&) = delete;
    PaintDc& operator=(const PaintDc&) = delete;
    HDC Get() const { return dc_; }
    const RECT& Dirty() const { return ps_.rcPaint; }

private:
    HWND hwnd_;  // not owned
    HDC dc_;
    PAINTSTRUCT ps_{};
};

// Selects a GDI object into a DC and puts the previous one back on exit.
class ScopedSelect {
public:
    ScopedSelect(HDC dc, HGDIOBJ object) : dc_(dc), old_(SelectObject(dc, object)) {}
    ~ScopedSelect() {
        if (old_ && old_ != HGDI_ERROR) SelectObject(dc_, old_);
    }
    ScopedSelect(const ScopedSelect&) = delete;
    ScopedSelect& operator=(const ScopedSelect&) = delete;

private:
    HDC dc_;  // not owned
    HGDIOBJ old_;
};

// An off-screen surface compatible with a target DC; everything is drawn
// into it and copied to the target in one block, so nothing flickers.
class OffscreenSurface {
public:
    OffscreenSurface(HDC target, int width, int height)
        : dc_(CreateCompatibleDC(target)),
          bitmap_(CreateCompatibleBitmap(target, width > 0 ? width : 1, height > 0 ? height : 1)),
          select_(dc_.Get(), bitmap_.Get()),
          width_(width),
          height_(height) {}
    HDC Get() const { return dc_.Get(); }
    void CopyTo(HDC target, int x = 0, int y = 0) const {
        BitBlt(target, x, y, width_, height_, dc_.Get(), 0, 0, SRCCOPY);
    }

private:
    UniqueMemoryDc dc_;
    UniqueBitmap bitmap_;
    ScopedSelect select_;  // declared last: restored before the bitmap is freed
    int width_;
    int height_;
};

// CRITICAL_SECTION owner and its scoped lock.
class CriticalSection {
public:
    CriticalSection() { InitializeCriticalSection(&cs_); }
    ~CriticalSection() { DeleteCriticalSection(&cs_); }
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;
    void Enter() { EnterCriticalSection(&cs_); }
    void Leave() { LeaveCriticalSection(&cs_); }

private:
    CRITICAL_SECTION cs_;
};

class ScopedLock {
public:
    explicit ScopedLock(CriticalSection& cs) : cs_(cs) { cs_.Enter(); }
    ~ScopedLock() { cs_.Leave(); }
    ScopedLock(const ScopedLock&) = delete;
    ScopedLock& operator=(const ScopedLock&) = delete;

private:
    CriticalSection& cs_;
};
