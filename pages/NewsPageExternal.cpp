#include "pages/NewsPageExternal.h"

#include <string>

#include "SitemoatConfig.h"
#include "base/WebAddress.h"

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
    // browser; it changes nothing. Events whose arguments are not the
    // browser's are ignored.
    if (!params) return S_OK;
    switch (id) {
    case kExternalCommand:
        if (params->cArgs >= 1) {
            const VARIANT& argument = params->rgvarg[params->cArgs - 1];
            if (argument.vt == VT_DISPATCH) static_cast<void>(SameObject(argument.pdispVal, browser_));
        }
        break;
    case kBeforeNavigate2:
        OnBeforeNavigate2(*params);
        break;
    case kNewWindow3:
        OnNewWindow3(*params);
        break;
    case kNewWindow2:
        if (params->cArgs == 2) CancelEvent(*params, 0);
        break;
    case kFileDownload:
        // A document the browser shows goes this way too; a file to save does not.
        if (params->cArgs == 2 && params->rgvarg[1].vt == VT_BOOL &&
            params->rgvarg[1].boolVal == VARIANT_FALSE) {
            CancelEvent(*params, 0);
        }
        break;
    default:
        break;
    }
    return S_OK;
}

bool NewsPageExternal::StaysInPage(const std::wstring& address) {
    return address == L"about:blank" || IsAddressOnHost(address, kMakerHost);
}

void NewsPageExternal::CancelEvent(DISPPARAMS& params, UINT cancelIndex) {
    VARIANT& cancel = params.rgvarg[cancelIndex];
    if (cancel.vt == (VT_BYREF | VT_BOOL) && cancel.pboolVal) *cancel.pboolVal = VARIANT_TRUE;
}

// Arguments come last first: the browser or frame, the address, flags,
// target frame, post data, headers, and where to say "cancel".
void NewsPageExternal::OnBeforeNavigate2(DISPPARAMS& params) {
    if (params.cArgs != 7) return;
    const VARIANT& frame = params.rgvarg[6];
    const VARIANT& url = params.rgvarg[5];
    const VARIANT& cancel = params.rgvarg[0];
    if (cancel.vt != (VT_BYREF | VT_BOOL) || !cancel.pboolVal) return;
    std::wstring address;
    if (url.vt == (VT_BYREF | VT_VARIANT) && url.pvarVal && url.pvarVal->vt == VT_BSTR &&
        url.pvarVal->bstrVal) {
        address.assign(url.pvarVal->bstrVal, SysStringLen(url.pvarVal->bstrVal));
    } else if (url.vt == VT_BSTR && url.bstrVal) {
        address.assign(url.bstrVal, SysStringLen(url.bstrVal));
    }
    if (StaysInPage(address)) return;
    *cancel.pboolVal = VARIANT_TRUE;
    const bool page = frame.vt == VT_DISPATCH && SameObject(frame.pdispVal, browser_);
    if (page && openElsewhere_ && IsWebAddress(address)) openElsewhere_(address);
}

// The new window, where to say "cancel", flags, the page it came from, and
// the address it would show.
void NewsPageExternal::OnNewWindow3(DISPPARAMS& params) {
    if (params.cArgs != 5) return;
    CancelEvent(params, 3);
    const VARIANT& url = params.rgvarg[0];
    if (url.vt != VT_BSTR || !url.bstrVal) return;
    const std::wstring address(url.bstrVal, SysStringLen(url.bstrVal));
    if (openElsewhere_ && IsWebAddress(address)) openElsewhere_(address);
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
