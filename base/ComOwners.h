#pragma once

#include <objbase.h>
#include <oleauto.h>

#include <string>
#include <utility>

// Owning pointer to a COM interface.
template <class T>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() { Reset(); }
    ComPtr(ComPtr&& other) noexcept : p_(other.p_) { other.p_ = nullptr; }
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) {
            Reset();
            p_ = other.p_;
            other.p_ = nullptr;
        }
        return *this;
    }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;

    T* Get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    // For out-parameters: releases what is held first.
    T** Receive() {
        Reset();
        return &p_;
    }
    void** ReceiveVoid() { return reinterpret_cast<void**>(Receive()); }
    void Reset() {
        if (p_) p_->Release();
        p_ = nullptr;
    }
    template <class U>
    HRESULT As(const IID& iid, ComPtr<U>& out) const {
        if (!p_) return E_POINTER;
        return p_->QueryInterface(iid, out.ReceiveVoid());
    }

private:
    T* p_ = nullptr;
};

// COM for the calling thread, for the owner's lifetime. The thread may
// already be in an apartment: the same kind (S_FALSE) is counted and
// balanced like a first start; the other kind (RPC_E_CHANGED_MODE) serves
// as well and is not ours to end.
class ComApartment {
public:
    ComApartment() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComApartment() {
        if (SUCCEEDED(result_)) CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

    // S_OK when COM can be used on this thread, else why not.
    HRESULT Usable() const {
        return SUCCEEDED(result_) || result_ == RPC_E_CHANGED_MODE ? S_OK : result_;
    }

private:
    HRESULT result_;
};

// Owning BSTR; null when allocation failed or nothing was received.
class Bstr {
public:
    Bstr() = default;
    explicit Bstr(const std::wstring& text)
        : text_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
    ~Bstr() { SysFreeString(text_); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;

    BSTR Get() const { return text_; }
    std::wstring Text() const {
        return text_ ? std::wstring(text_, SysStringLen(text_)) : std::wstring();
    }
    // For out-parameters: frees what is held first.
    BSTR* Receive() {
        SysFreeString(text_);
        text_ = nullptr;
        return &text_;
    }

private:
    BSTR text_ = nullptr;
};

// Owning VARIANT; starts empty (VT_EMPTY), as optional COM arguments are passed.
class Variant {
public:
    Variant() { VariantInit(&value_); }
    ~Variant() { VariantClear(&value_); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;

    // A shallow copy, for parameters taken by value; this owner keeps the contents.
    const VARIANT& Get() const { return value_; }

private:
    VARIANT value_;
};
