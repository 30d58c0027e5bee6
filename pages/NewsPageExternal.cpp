#include "pages/NewsPageExternal.h"

#include <string>

namespace {

// A property of a script object read through IDispatch, as text.
std::wstring TextProperty(IDispatch* object, const wchar_t* name) {
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    if (FAILED(object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id))) return {};
    DISPPARAMS none{};
    VARIANT value;
    VariantInit(&value);
    std::wstring text;
    if (SUCCEEDED(object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none,
                                 &value, nullptr, nullptr)) &&
        value.vt == VT_BSTR && value.bstrVal) {
        text.assign(value.bstrVal, SysStringLen(value.bstrVal));
    }
    VariantClear(&value);
    return text;
}

// An <input type="text"> field: there the browser's own menu (cut, copy,
// paste) stays.
bool IsTextField(IDispatch* element) {
    return element && lstrcmpiW(TextProperty(element, L"tagName").c_str(), L"INPUT") == 0 &&
           lstrcmpiW(TextProperty(element, L"type").c_str(), L"text") == 0;
}

bool SameObject(IUnknown* a, IUnknown* b) {
    if (!a || !b) return false;
    IUnknown* ia = nullptr;
    IUnknown* ib = nullptr;
    const bool same = SUCCEEDED(a->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&ia))) &&
                      SUCCEEDED(b->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&ib))) &&
                      ia == ib;
    if (ia) ia->Release();
    if (ib) ib->Release();
    return same;
}

}  // namespace

HRESULT NewsPageExternal::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ||
        IsEqualIID(iid, kIidDocHostUIHandlerDispatch) || IsEqualIID(iid, kDiidWebBrowserEvents2)) {
        *object = static_cast<IDocHostUIHandlerDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG NewsPageExternal::AddRef() {
    return static_cast<ULONG>(InterlockedIncrement(&references_));
}

ULONG NewsPageExternal::Release() {
    return static_cast<ULONG>(InterlockedDecrement(&references_));
}

HRESULT NewsPageExternal::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT NewsPageExternal::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info) *info = nullptr;
    return E_NOTIMPL;
}

HRESULT NewsPageExternal::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    if (!names || !ids) return E_POINTER;
    HRESULT result = S_OK;
    for (UINT i = 0; i < count; ++i) {
        if (names[i] && lstrcmpiW(names[i], L"ExternalCommand") == 0) {
            ids[i] = kExternalCommand;
        } else {
            ids[i] = DISPID_UNKNOWN;
            result = DISP_E_UNKNOWNNAME;
        }
    }
    return result;
}

HRESULT NewsPageExternal::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*,
                                 EXCEPINFO*, UINT*) {
    // "ExternalCommand" only looks at whether it was given the page's own
    // browser; it changes nothing. Browser events are received and ignored.
    if (id == kExternalCommand && params && params->cArgs >= 1) {
        const VARIANT& argument = params->rgvarg[params->cArgs - 1];
        if (argument.vt == VT_DISPATCH) static_cast<void>(SameObject(argument.pdispVal, browser_));
    }
    return S_OK;
}

HRESULT NewsPageExternal::ShowContextMenu(DWORD id, DWORD, DWORD, IUnknown*, IDispatch* element,
                                          HRESULT* result) {
    if (!result) return E_POINTER;
    // Not implemented here means the browser shows its own menu; success
    // means the host has dealt with it: no menu at all.
    *result = id == kControlMenu && IsTextField(element) ? E_NOTIMPL : S_OK;
    return S_OK;
}

HRESULT NewsPageExternal::GetHostInfo(DWORD*, DWORD*) {
    return S_OK;  // the host window's own defaults stay
}

HRESULT NewsPageExternal::ShowUI(DWORD, IUnknown*, IUnknown*, IUnknown*, IUnknown*, HRESULT* result) {
    if (result) *result = S_FALSE;  // the browser shows its own
    return S_OK;
}

HRESULT NewsPageExternal::HideUI() {
    return S_OK;
}

HRESULT NewsPageExternal::UpdateUI() {
    return S_OK;
}

HRESULT NewsPageExternal::EnableModeless(VARIANT_BOOL) {
    return S_OK;
}

HRESULT NewsPageExternal::OnDocWindowActivate(VARIANT_BOOL) {
    return S_OK;
}

HRESULT NewsPageExternal::OnFrameWindowActivate(VARIANT_BOOL) {
    return S_OK;
}

HRESULT NewsPageExternal::ResizeBorder(long, long, long, long, IUnknown*, VARIANT_BOOL) {
    return S_OK;
}

HRESULT NewsPageExternal::TranslateAccelerator(DWORD_PTR, DWORD, DWORD_PTR, DWORD_PTR, BSTR, DWORD,
                                               HRESULT* result) {
    if (result) *result = S_FALSE;  // not translated here
    return S_OK;
}

HRESULT NewsPageExternal::GetOptionKeyPath(BSTR* key, DWORD) {
    if (key) *key = nullptr;
    return E_NOTIMPL;
}

HRESULT NewsPageExternal::GetDropTarget(IUnknown*, IUnknown** replacement) {
    if (replacement) *replacement = nullptr;
    return E_NOTIMPL;
}

HRESULT NewsPageExternal::GetExternal(IDispatch** external) {
    if (!external) return E_POINTER;
    *external = this;
    AddRef();
    return S_OK;
}

HRESULT NewsPageExternal::TranslateUrl(DWORD, BSTR, BSTR* urlOut) {
    if (urlOut) *urlOut = nullptr;
    return S_FALSE;
}

HRESULT NewsPageExternal::FilterDataObject(IUnknown*, IUnknown** replacement) {
    if (replacement) *replacement = nullptr;
    return S_FALSE;
}
