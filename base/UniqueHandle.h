#pragma once

#include <windows.h>

// Move-only owners for the handles the program keeps. Each frees what it
// holds in its destructor; copying one does not compile. This header holds
// the owner and the kernel handles; win/Handles.h adds the window ones.
template <class Traits>
class UniqueHandle {
public:
    using Type = typename Traits::Type;

    UniqueHandle() = default;
    explicit UniqueHandle(Type handle) : handle_(handle) {}
    ~UniqueHandle() { Reset(); }

    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.Release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    Type Get() const { return handle_; }
    explicit operator bool() const { return Traits::IsValid(handle_); }

    Type Release() {
        Type handle = handle_;
        handle_ = Traits::Invalid();
        return handle;
    }
    // Resetting to the handle already held keeps it open.
    void Reset(Type handle = Traits::Invalid()) {
        if (handle == handle_) return;
        if (Traits::IsValid(handle_)) Traits::Close(handle_);
        handle_ = handle;
    }
    // Closes the handle now; false when closing failed (a file whose last
    // buffered bytes could not be written, say).
    bool Close() {
        const bool closed = !Traits::IsValid(handle_) || Traits::Close(handle_);
        handle_ = Traits::Invalid();
        return closed;
    }

private:
    Type handle_ = Traits::Invalid();
};

namespace handle_traits {

template <class T>
struct NullIsInvalid {
    using Type = T;
    static T Invalid() { return nullptr; }
    static bool IsValid(T h) { return h != nullptr; }
};

struct Kernel : NullIsInvalid<HANDLE> {
    static bool Close(HANDLE h) { return CloseHandle(h) != FALSE; }
};
struct File {
    using Type = HANDLE;
    static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
    static bool IsValid(HANDLE h) { return h != INVALID_HANDLE_VALUE && h != nullptr; }
    static bool Close(HANDLE h) { return CloseHandle(h) != FALSE; }
};
// A FindFirstFileA search: FindClose, not CloseHandle, ends it.
struct Find {
    using Type = HANDLE;
    static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
    static bool IsValid(HANDLE h) { return h != INVALID_HANDLE_VALUE && h != nullptr; }
    static bool Close(HANDLE h) { return FindClose(h) != FALSE; }
};
struct Module : NullIsInvalid<HMODULE> {
    static bool Close(HMODULE h) { return FreeLibrary(h) != FALSE; }
};

}  // namespace handle_traits

using UniqueKernelHandle = UniqueHandle<handle_traits::Kernel>;
using UniqueFileHandle = UniqueHandle<handle_traits::File>;
using UniqueFindHandle = UniqueHandle<handle_traits::Find>;
using UniqueModule = UniqueHandle<handle_traits::Module>;
