#pragma once

#include <windows.h>
#include <ole2.h>

#include <functional>
#include <string>

// The dispatch-based user-interface handler that ATL's host window hands
// the browser's questions to (as ATL declares it).
struct IDocHostUIHandlerDispatch : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE ShowContextMenu(DWORD id, DWORD x, DWORD y,
                                                      IUnknown* commandTarget, IDispatch* element,
                                                      HRESULT* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetHostInfo(DWORD* flags, DWORD* doubleClick) = 0;
    virtual HRESULT STDMETHODCALLTYPE ShowUI(DWORD id, IUnknown* activeObject,
                                             IUnknown* commandTarget, IUnknown* frame,
                                             IUnknown* doc, HRESULT* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE HideUI() = 0;
    virtual HRESULT STDMETHODCALLTYPE UpdateUI() = 0;
    virtual HRESULT STDMETHODCALLTYPE EnableModeless(VARIANT_BOOL enable) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnDocWindowActivate(VARIANT_BOOL activate) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnFrameWindowActivate(VARIANT_BOOL activate) = 0;
    virtual HRESULT STDMETHODCALLTYPE ResizeBorder(long left, long top, long right, long bottom,
                                                   IUnknown* window, VARIANT_BOOL frameWindow) = 0;
    virtual HRESULT STDMETHODCALLTYPE TranslateAccelerator(DWORD_PTR hwnd, DWORD message,
                                                           DWORD_PTR wParam, DWORD_PTR lParam,
                                                           BSTR commandGroup, DWORD commandId,
                                                           HRESULT* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetOptionKeyPath(BSTR* key, DWORD reserved) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDropTarget(IUnknown* dropTarget,
                                                    IUnknown** replacement) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetExternal(IDispatch** external) = 0;
    virtual HRESULT STDMETHODCALLTYPE TranslateUrl(DWORD translate, BSTR urlIn, BSTR* urlOut) = 0;
    virtual HRESULT STDMETHODCALLTYPE FilterDataObject(IUnknown* dataObject,
                                                       IUnknown** replacement) = 0;
};

// {425B5AF0-65F1-11D1-9611-0000F81E0D0D}
constexpr IID kIidDocHostUIHandlerDispatch = {
    0x425B5AF0, 0x65F1, 0x11D1, {0x96, 0x11, 0x00, 0x00, 0xF8, 0x1E, 0x0D, 0x0D}};
// {34A715A0-6587-11D0-924A-0020AFC7AC4D}: the browser's event interface.
constexpr IID kDiidWebBrowserEvents2 = {
    0x34A715A0, 0x6587, 0x11D0, {0x92, 0x4A, 0x00, 0x20, 0xAF, 0xC7, 0xAC, 0x4D}};

// The news page's one dispatch object, in three roles: the browser's
// external user-interface handler (context menus, and the script's external
// object), the script's external object with its one name "ExternalCommand",
// and the receiver of the browser's events. As the receiver it keeps the
// browser on the maker's host: any other navigation is cancelled, and the
// page's own (not a frame's) goes to the user's browser instead; so do new
// windows, and downloads are cancelled. It lives as long as the page; COM
// references do not decide its lifetime.
class NewsPageExternal : public IDocHostUIHandlerDispatch {
public:
    static constexpr DISPID kExternalCommand = 501;
    // The browser's events, as DWebBrowserEvents2 numbers them.
    static constexpr DISPID kBeforeNavigate2 = 250;
    static constexpr DISPID kNewWindow2 = 251;
    static constexpr DISPID kFileDownload = 270;
    static constexpr DISPID kNewWindow3 = 273;
    // The context-menu kind of a control (a text field, say).
    static constexpr DWORD kControlMenu = 2;

    NewsPageExternal() = default;
    NewsPageExternal(const NewsPageExternal&) = delete;
    NewsPageExternal& operator=(const NewsPageExternal&) = delete;

    // The page's browser, which "ExternalCommand" compares its argument with.
    void SetBrowser(IUnknown* browser) { browser_ = browser; }
    // Called with an address that leaves the maker's host, to open it in
    // the user's browser.
    void SetOpenElsewhere(std::function<void(const std::wstring&)> open) {
        openElsewhere_ = std::move(open);
    }
    // Whether the browser may show the address itself: an http or https
    // address on the maker's host, or the empty page.
    static bool StaysInPage(const std::wstring& address);

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IDispatch
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid,
                                            DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags,
                                     DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                                     UINT* argumentError) override;

    // IDocHostUIHandlerDispatch
    HRESULT STDMETHODCALLTYPE ShowContextMenu(DWORD id, DWORD x, DWORD y, IUnknown* commandTarget,
                                              IDispatch* element, HRESULT* result) override;
    HRESULT STDMETHODCALLTYPE GetHostInfo(DWORD* flags, DWORD* doubleClick) override;
    HRESULT STDMETHODCALLTYPE ShowUI(DWORD id, IUnknown* activeObject, IUnknown* commandTarget,
                                     IUnknown* frame, IUnknown* doc, HRESULT* result) override;
    HRESULT STDMETHODCALLTYPE HideUI() override;
    HRESULT STDMETHODCALLTYPE UpdateUI() override;
    HRESULT STDMETHODCALLTYPE EnableModeless(VARIANT_BOOL enable) override;
    HRESULT STDMETHODCALLTYPE OnDocWindowActivate(VARIANT_BOOL activate) override;
    HRESULT STDMETHODCALLTYPE OnFrameWindowActivate(VARIANT_BOOL activate) override;
    HRESULT STDMETHODCALLTYPE ResizeBorder(long left, long top, long right, long bottom,
                                           IUnknown* window, VARIANT_BOOL frameWindow) override;
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(DWORD_PTR hwnd, DWORD message, DWORD_PTR wParam,
                                                   DWORD_PTR lParam, BSTR commandGroup,
                                                   DWORD commandId, HRESULT* result) override;
    HRESULT STDMETHODCALLTYPE GetOptionKeyPath(BSTR* key, DWORD reserved) override;
    HRESULT STDMETHODCALLTYPE GetDropTarget(IUnknown* dropTarget, IUnknown** replacement) override;
    HRESULT STDMETHODCALLTYPE GetExternal(IDispatch** external) override;
    HRESULT STDMETHODCALLTYPE TranslateUrl(DWORD translate, BSTR urlIn, BSTR* urlOut) override;
    HRESULT STDMETHODCALLTYPE FilterDataObject(IUnknown* dataObject, IUnknown** replacement) override;

private:
    void OnBeforeNavigate2(DISPPARAMS& params);
    void OnNewWindow3(DISPPARAMS& params);
    static void CancelEvent(DISPPARAMS& params, UINT cancelIndex);

    IUnknown* browser_ = nullptr;  // not owned: the page's
    std::function<void(const std::wstring&)> openElsewhere_;
    LONG references_ = 0;          // counted, but the page owns the object
};
