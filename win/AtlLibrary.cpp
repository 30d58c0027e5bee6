#include "win/AtlLibrary.h"

#include "base/SystemLibrary.h"

namespace atl {
namespace {

using AxWinInitFn = BOOL(WINAPI*)();
using AxCreateControlExFn = HRESULT(WINAPI*)(LPCOLESTR, HWND, IStream*, IUnknown**, IUnknown**,
                                              REFIID, IUnknown*);
using AxGetHostFn = HRESULT(WINAPI*)(HWND, IUnknown**);

struct Functions {
    AxWinInitFn axWinInit = nullptr;
    AxCreateControlExFn axCreateControlEx = nullptr;
    AxGetHostFn axGetHost = nullptr;
};

template <class Fn>
Fn Find(HMODULE module, const char* name) {
    return module ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)))
                  : nullptr;
}

const Functions& Get() {
    // Never freed: windows of its class may exist until the process ends.
    static const Functions functions = [] {
        HMODULE module = LoadSystemLibrary(L"atl.dll");
        Functions f;
        f.axWinInit = Find<AxWinInitFn>(module, "AtlAxWinInit");
        f.axCreateControlEx = Find<AxCreateControlExFn>(module, "AtlAxCreateControlEx");
        f.axGetHost = Find<AxGetHostFn>(module, "AtlAxGetHost");
        return f;
    }();
    return functions;
}

}  // namespace

bool AxWinInit() {
    const Functions& f = Get();
    return f.axWinInit && f.axWinInit();
}

HRESULT AxCreateControlEx(LPCOLESTR name, HWND host, IStream* stream, IUnknown** container,
                          IUnknown** control, REFIID sinkIid, IUnknown* sink) {
    const Functions& f = Get();
    if (!f.axCreateControlEx) return E_NOTIMPL;
    return f.axCreateControlEx(name, host, stream, container, control, sinkIid, sink);
}

HRESULT AxGetHost(HWND host, IUnknown** hostObject) {
    const Functions& f = Get();
    if (!f.axGetHost) return E_NOTIMPL;
    return f.axGetHost(host, hostObject);
}

}  // namespace atl
