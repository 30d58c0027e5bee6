#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "PagesTestSupport.h"
#include "PixelCapture.h"
#include "SitemoatConfig.h"
#include "UserActions.h"
#include "pages/NewsPage.h"
#include "pages/NewsPageExternal.h"

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);

// A script object with text properties, read as MSHTML's are: the name's id
// from GetIDsOfNames, then a property get through Invoke. It counts what is
// asked of it and the references it holds beyond the test's own.
class FakeDispatch : public IDispatch {
public:
    using Properties = std::vector<std::pair<std::wstring, std::wstring>>;

    explicit FakeDispatch(Properties properties = {}) : properties_(std::move(properties)) {}
    FakeDispatch(const FakeDispatch&) = delete;
    FakeDispatch& operator=(const FakeDispatch&) = delete;

    LONG ExtraReferences() const { return references_ - 1; }
    int invokes = 0;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch)) {
            *object = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++references_); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--references_); }

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (count) *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
        if (info) *info = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                            DISPID* ids) override {
        HRESULT result = S_OK;
        for (UINT i = 0; i < count; ++i) {
            ids[i] = DISPID_UNKNOWN;
            for (size_t p = 0; p < properties_.size(); ++p) {
                if (properties_[p].first == names[i]) ids[i] = static_cast<DISPID>(p + 1);
            }
            if (ids[i] == DISPID_UNKNOWN) result = DISP_E_UNKNOWNNAME;
        }
        return result;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS*,
                                     VARIANT* result, EXCEPINFO*, UINT*) override {
        ++invokes;
        if (!(flags & DISPATCH_PROPERTYGET) || id < 1 || id > static_cast<DISPID>(properties_.size())) {
            return DISP_E_MEMBERNOTFOUND;
        }
        if (!result) return E_INVALIDARG;
        VariantInit(result);
        result->vt = VT_BSTR;
        result->bstrVal = SysAllocString(properties_[id - 1].second.c_str());
        return S_OK;
    }

private:
    Properties properties_;
    LONG references_ = 1;  // the test's own
};

// IDs of the names asked together; sentinel where nothing was written.
std::pair<HRESULT, std::vector<DISPID>> IdsOf(NewsPageExternal& external,
                                              std::vector<std::wstring> names) {
    std::vector<LPOLESTR> pointers;
    for (std::wstring& name : names) pointers.push_back(&name[0]);
    std::vector<DISPID> ids(names.size(), 12345);
    const HRESULT result = external.GetIDsOfNames(IID_NULL, pointers.data(),
                                                  static_cast<UINT>(names.size()),
                                                  LOCALE_USER_DEFAULT, ids.data());
    return {result, ids};
}

TEST(NewsPageExternalTest, KnowsExternalCommandInAnyCaseAndNoOtherName) {
    NewsPageExternal external;
    for (const wchar_t* name : {L"ExternalCommand", L"externalcommand", L"EXTERNALCOMMAND",
                                L"eXTERNALcOMMAND"}) {
        EXPECT_EQ(std::make_pair(S_OK, std::vector<DISPID>{501}), IdsOf(external, {name}));
    }
    for (const wchar_t* name : {L"External", L"ExternalCommand2", L" ExternalCommand", L"",
                                L"Navigate", L"external_command"}) {
        EXPECT_EQ(std::make_pair(DISP_E_UNKNOWNNAME, std::vector<DISPID>{DISPID_UNKNOWN}),
                  IdsOf(external, {name}));
    }
    EXPECT_EQ(std::make_pair(DISP_E_UNKNOWNNAME, std::vector<DISPID>{DISPID_UNKNOWN, 501, DISPID_UNKNOWN}),
              IdsOf(external, {L"tagName", L"externalCOMMAND", L"Command"}));
    EXPECT_EQ(std::make_pair(DISP_E_UNKNOWNNAME, std::vector<DISPID>{501, DISPID_UNKNOWN}),
              IdsOf(external, {L"ExternalCommand", L"url"}));
    EXPECT_EQ(std::make_pair(S_OK, std::vector<DISPID>{501, 501}),
              IdsOf(external, {L"ExternalCommand", L"externalcommand"}));

    LPOLESTR none[] = {nullptr};
    DISPID id = 12345;
    EXPECT_EQ(DISP_E_UNKNOWNNAME, external.GetIDsOfNames(IID_NULL, none, 1, LOCALE_USER_DEFAULT, &id));
    EXPECT_EQ(DISPID_UNKNOWN, id);
}

// "ExternalCommand" (and every browser event) answers success and leaves
// everything as it was: its arguments, references to them and to the page's
// browser, and the page.
TEST(NewsPageExternalTest, ExternalCommandChangesNothing) {
    NewsPageExternal external;
    FakeDispatch browser;
    FakeDispatch stranger;
    external.SetBrowser(&browser);

    VARIANT arguments[3];
    for (VARIANT& v : arguments) VariantInit(&v);
    arguments[2].vt = VT_DISPATCH;  // the first argument: arguments come last first
    arguments[2].pdispVal = &browser;
    arguments[1].vt = VT_DISPATCH;
    arguments[1].pdispVal = &stranger;
    arguments[0].vt = VT_I4;
    arguments[0].lVal = 7;
    VARIANT nullDispatch;
    VariantInit(&nullDispatch);
    nullDispatch.vt = VT_DISPATCH;
    nullDispatch.pdispVal = nullptr;
    VARIANT text;
    VariantInit(&text);
    text.vt = VT_BSTR;
    text.bstrVal = SysAllocString(L"ExternalCommand");

    DISPPARAMS all{arguments, nullptr, 3, 0};
    DISPPARAMS stranger1{&arguments[1], nullptr, 1, 0};
    DISPPARAMS nullOne{&nullDispatch, nullptr, 1, 0};
    DISPPARAMS textOne{&text, nullptr, 1, 0};
    DISPPARAMS noArguments{nullptr, nullptr, 0, 0};
    DISPPARAMS* calls[] = {&all, &stranger1, &nullOne, &textOne, &noArguments, nullptr};
    const WORD flags[] = {DISPATCH_METHOD, DISPATCH_PROPERTYGET, DISPATCH_METHOD | DISPATCH_PROPERTYGET};

    const ULONG ownReferences = external.AddRef();
    external.Release();
    // 250: the browser's BeforeNavigate2 event.
    const DISPID ids[] = {NewsPageExternal::kExternalCommand, DISPID_VALUE, 250, 0};
    for (DISPID id : ids) {
        for (DISPPARAMS* params : calls) {
            for (WORD flag : flags) {
                VARIANT result;
                VariantInit(&result);
                EXCEPINFO exception{};
                UINT argumentError = 99;
                EXPECT_EQ(S_OK, external.Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flag, params,
                                                &result, &exception, &argumentError));
                EXPECT_EQ(S_OK, external.Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flag, params,
                                                nullptr, nullptr, nullptr));
                EXPECT_EQ(VT_EMPTY, result.vt);
            }
        }
    }
    EXPECT_EQ(0, browser.ExtraReferences());
    EXPECT_EQ(0, stranger.ExtraReferences());
    EXPECT_EQ(0, browser.invokes + stranger.invokes);
    EXPECT_EQ(VT_DISPATCH, arguments[2].vt);
    EXPECT_EQ(&browser, arguments[2].pdispVal);
    EXPECT_EQ(&stranger, arguments[1].pdispVal);
    EXPECT_EQ(VT_I4, arguments[0].vt);
    EXPECT_EQ(7, arguments[0].lVal);
    ASSERT_EQ(VT_BSTR, text.vt);
    EXPECT_STREQ(L"ExternalCommand", text.bstrVal);
    EXPECT_EQ(ownReferences, external.AddRef());
    external.Release();
    VariantClear(&text);
}

TEST(NewsPageExternalTest, OnlyATextFieldKeepsTheBrowsersControlMenu) {
    NewsPageExternal external;
    FakeDispatch textField(FakeDispatch::Properties{{L"tagName", L"INPUT"}, {L"type", L"text"}});
    FakeDispatch lowerTextField(FakeDispatch::Properties{{L"tagName", L"input"}, {L"type", L"TEXT"}});
    FakeDispatch button(FakeDispatch::Properties{{L"tagName", L"INPUT"}, {L"type", L"button"}});
    FakeDispatch checkbox(FakeDispatch::Properties{{L"tagName", L"INPUT"}, {L"type", L"checkbox"}});
    FakeDispatch typeless(FakeDispatch::Properties{{L"tagName", L"INPUT"}});
    FakeDispatch anchor(FakeDispatch::Properties{{L"tagName", L"A"}, {L"type", L"text"}});
    FakeDispatch nameless(FakeDispatch::Properties{{L"type", L"text"}});
    FakeDispatch textInName(FakeDispatch::Properties{{L"tagName", L"INPUTX"}, {L"type", L"texts"}});
    struct Case {
        const char* name;
        DWORD kind;
        FakeDispatch* element;
        HRESULT expected;
    };
    const Case cases[] = {
        {"text field", NewsPageExternal::kControlMenu, &textField, E_NOTIMPL},
        {"text field, other case", NewsPageExternal::kControlMenu, &lowerTextField, E_NOTIMPL},
        {"button", NewsPageExternal::kControlMenu, &button, S_OK},
        {"check box", NewsPageExternal::kControlMenu, &checkbox, S_OK},
        {"input without type", NewsPageExternal::kControlMenu, &typeless, S_OK},
        {"anchor", NewsPageExternal::kControlMenu, &anchor, S_OK},
        {"no tag name", NewsPageExternal::kControlMenu, &nameless, S_OK},
        {"longer names", NewsPageExternal::kControlMenu, &textInName, S_OK},
        {"no element", NewsPageExternal::kControlMenu, nullptr, S_OK},
        {"default menu", 0, &textField, S_OK},
        {"image menu", 1, &textField, S_OK},
        {"table menu", 3, &textField, S_OK},
        {"selection menu", 4, &textField, S_OK},
        {"anchor menu", 5, &textField, S_OK},
    };
    for (const Case& c : cases) {
        HRESULT result = E_UNEXPECTED;
        EXPECT_EQ(S_OK, external.ShowContextMenu(c.kind, 10, 20, nullptr, c.element, &result)) << c.name;
        EXPECT_EQ(c.expected, result) << c.name;
        if (c.element) {
            EXPECT_EQ(0, c.element->ExtraReferences()) << c.name;
        }
    }
    EXPECT_GT(textField.invokes, 0);  // the answer came from the element
    EXPECT_EQ(E_POINTER, external.ShowContextMenu(NewsPageExternal::kControlMenu, 0, 0, nullptr,
                                                   &textField, nullptr));
}

// A browser event as the browser sends it: arguments last first.
struct NavigationEvent {
    VARIANT url;
    VARIANT args[7];
    VARIANT_BOOL cancel = VARIANT_FALSE;

    NavigationEvent(IDispatch* frame, const wchar_t* address) {
        VariantInit(&url);
        url.vt = VT_BSTR;
        url.bstrVal = SysAllocString(address);
        for (VARIANT& v : args) VariantInit(&v);
        args[6].vt = VT_DISPATCH;
        args[6].pdispVal = frame;
        args[5].vt = VT_BYREF | VT_VARIANT;
        args[5].pvarVal = &url;
        args[0].vt = VT_BYREF | VT_BOOL;
        args[0].pboolVal = &cancel;
    }
    ~NavigationEvent() { VariantClear(&url); }
    DISPPARAMS Params() { return DISPPARAMS{args, nullptr, 7, 0}; }
};

// Inside the page the browser stays on the maker's host. The page itself
// going elsewhere is cancelled and the address opened in the user's
// browser; a frame's is only cancelled; what is no web address is never
// opened. New windows open in the user's browser; downloads are cancelled.
TEST(NewsPageExternalTest, TheBrowserStaysOnTheMakersHost) {
    NewsPageExternal external;
    FakeDispatch browser;
    FakeDispatch frame;
    external.SetBrowser(&browser);
    std::vector<std::wstring> opened;
    external.SetOpenElsewhere([&](const std::wstring& address) { opened.push_back(address); });
    const std::string maker = std::string("http://") + kMakerHost;
    const std::wstring news(maker.begin(), maker.end());
    const struct {
        std::wstring address;
        bool fromFrame;
        bool cancelled;
        bool opened;
    } cases[] = {
        {news + L"/host/hostnews.php", false, false, false},
        {L"HTTPS" + news.substr(4) + L":443/x?y#z", false, false, false},
        {L"about:blank", true, false, false},
        {L"http://evil.example/", false, true, true},
        {L"http://evil.example/", true, true, false},
        {news + L".evil.example/", false, true, true},
        {news + L"@evil.example/", false, true, true},
        {L"http://evil.example@" + news.substr(7), false, true, true},
        {L"http://sitemoat.example/", false, true, true},
        {L"http://evil.example\\" + news.substr(7), false, true, true},
        {L"javascript:alert(1)", false, true, false},
        {L"file:///C:/Windows/System32/calc.exe", false, true, false},
        {L"res://ieframe.dll/navcancl.htm", false, true, false},
    };
    for (const auto& c : cases) {
        opened.clear();
        NavigationEvent event(c.fromFrame ? &frame : &browser, c.address.c_str());
        DISPPARAMS params = event.Params();
        EXPECT_EQ(S_OK, external.Invoke(NewsPageExternal::kBeforeNavigate2, IID_NULL, LOCALE_USER_DEFAULT,
                                        DISPATCH_METHOD, &params, nullptr, nullptr, nullptr));
        const std::string shown(c.address.begin(), c.address.end());
        EXPECT_EQ(c.cancelled ? VARIANT_TRUE : VARIANT_FALSE, event.cancel) << shown;
        EXPECT_EQ(c.opened ? std::vector<std::wstring>{c.address} : std::vector<std::wstring>{}, opened)
            << shown;
    }

    opened.clear();
    VARIANT_BOOL cancel = VARIANT_FALSE;
    IDispatch* created = nullptr;
    VARIANT window[5];
    for (VARIANT& v : window) VariantInit(&v);
    window[4].vt = VT_BYREF | VT_DISPATCH;
    window[4].ppdispVal = &created;
    window[3].vt = VT_BYREF | VT_BOOL;
    window[3].pboolVal = &cancel;
    window[0].vt = VT_BSTR;
    window[0].bstrVal = SysAllocString(L"https://elsewhere.example/a");
    DISPPARAMS newWindow{window, nullptr, 5, 0};
    external.Invoke(NewsPageExternal::kNewWindow3, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD,
                    &newWindow, nullptr, nullptr, nullptr);
    EXPECT_EQ(VARIANT_TRUE, cancel);
    EXPECT_EQ(std::vector<std::wstring>{L"https://elsewhere.example/a"}, opened);
    VariantClear(&window[0]);

    for (VARIANT_BOOL document : {VARIANT_FALSE, VARIANT_TRUE}) {
        VARIANT download[2];
        VariantInit(&download[1]);
        download[1].vt = VT_BOOL;
        download[1].boolVal = document;
        cancel = VARIANT_FALSE;
        download[0].vt = VT_BYREF | VT_BOOL;
        download[0].pboolVal = &cancel;
        DISPPARAMS params{download, nullptr, 2, 0};
        external.Invoke(NewsPageExternal::kFileDownload, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD,
                        &params, nullptr, nullptr, nullptr);
        EXPECT_EQ(document ? VARIANT_FALSE : VARIANT_TRUE, cancel);
    }
}

// References to the object besides the page's own.
ULONG OthersHolding(NewsPageExternal& external) {
    const ULONG count = external.AddRef();
    external.Release();
    return count - 1;
}

// Visible top-level windows of this process.
std::set<HWND> ShownTopWindows() {
    std::set<HWND> shown;
    EnumWindows(
        [](HWND hwnd, LPARAM found) -> BOOL {
            DWORD process = 0;
            GetWindowThreadProcessId(hwnd, &process);
            if (process == GetCurrentProcessId() && IsWindowVisible(hwnd)) {
                reinterpret_cast<std::set<HWND>*>(found)->insert(hwnd);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&shown));
    return shown;
}

// The page makes no browser and loads nothing while it is hidden; the
// first time it is shown it does.
TEST(NewsPageTest, NothingIsMadeOrLoadedUntilFirstShown) {
    NewsPage page;
    PageParent parent;
    HWND hwnd = page.CreateModeless(parent.Hwnd());
    ASSERT_NE(nullptr, hwnd);
    ShowWindow(hwnd, SW_HIDE);
    PumpMessages(100);
    EXPECT_EQ(nullptr, page.HostWindow());
    EXPECT_EQ(nullptr, page.Browser());
    ShowWindow(hwnd, SW_SHOW);
    EXPECT_NE(nullptr, page.HostWindow());
    ShowWindow(hwnd, SW_HIDE);
    HWND host = page.HostWindow();
    ShowWindow(hwnd, SW_SHOW);
    EXPECT_EQ(host, page.HostWindow());  // made once
    DestroyWindow(hwnd);
}

// Under Wine the HTML engine is switched off, so no page can be shown: the
// news page comes up at once without a word, white all over, and goes
// cleanly.
TEST(NewsPageTest, UnderWineComesUpWhiteAndQuietAndGoesCleanly) {
    NewsPage page;
    PageParent parent;
    ShowWindow(parent.Hwnd(), SW_SHOWNA);
    PumpMessages(100);
    const std::set<HWND> before = ShownTopWindows();

    const DWORD start = GetTickCount();
    HWND hwnd = parent.Place(page);
    PumpMessages(300);
    EXPECT_LT(GetTickCount() - start, 3000u);
    ASSERT_NE(nullptr, hwnd);
    EXPECT_EQ(before, ShownTopWindows());
    // Wine makes the browser object but has no engine to show a page with:
    // the object may stay, doing no harm. It was sent to the news page and
    // holds the page's dispatch object (its events, its questions); the
    // page's script handing it back changes nothing.
    if (IWebBrowser2* browser = page.Browser()) {
        const std::string news = MakerUrl("/host/hostnews.php");
        const std::wstring expected(news.begin(), news.end());
        BSTR url = nullptr;
        EXPECT_EQ(S_OK, browser->get_LocationURL(&url));
        EXPECT_EQ(expected, std::wstring(url ? url : L""));
        SysFreeString(url);
        EXPECT_GT(OthersHolding(page.External()), 0u);

        const ULONG browserReferences = browser->AddRef();
        browser->Release();
        VARIANT self;
        VariantInit(&self);
        self.vt = VT_DISPATCH;
        self.pdispVal = browser;
        DISPPARAMS params{&self, nullptr, 1, 0};
        EXPECT_EQ(S_OK, page.External().Invoke(NewsPageExternal::kExternalCommand, IID_NULL,
                                               LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params,
                                               nullptr, nullptr, nullptr));
        EXPECT_EQ(browser, page.Browser());
        EXPECT_EQ(browserReferences, browser->AddRef());
        browser->Release();
        url = nullptr;
        EXPECT_EQ(S_OK, browser->get_LocationURL(&url));
        EXPECT_EQ(expected, std::wstring(url ? url : L""));
        SysFreeString(url);
    }

    RECT client;
    GetClientRect(hwnd, &client);
    ASSERT_GT(client.right, 100);
    ASSERT_GT(client.bottom, 100);
    const PixelCapture own = PixelCapture::OfClient(hwnd);
    EXPECT_EQ(own.Width() * own.Height(), own.Count(client, kWhite));
    const PixelCapture seen = PixelCapture::OfTree(hwnd);
    EXPECT_EQ(seen.Width() * seen.Height(), seen.Count(client, kWhite));

    // The browser's host window (its class registered as the program's
    // entry does) fills the page and follows its size.
    HWND host = page.HostWindow();
    ASSERT_NE(nullptr, host);
    EXPECT_EQ(hwnd, GetParent(host));
    RECT placed = RectInParent(host);
    EXPECT_TRUE(EqualRect(&client, &placed));
    SetWindowPos(hwnd, nullptr, 0, 0, 300, 200, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    placed = RectInParent(host);
    EXPECT_EQ(0, placed.left);
    EXPECT_EQ(0, placed.top);
    EXPECT_EQ(300, placed.right);
    EXPECT_EQ(200, placed.bottom);

    // Nothing holds the page's dispatch object once the page is gone.
    DestroyWindow(hwnd);
    PumpMessages(100);
    EXPECT_EQ(nullptr, page.Hwnd());
    EXPECT_FALSE(IsWindow(host));
    EXPECT_EQ(nullptr, page.Browser());
    EXPECT_EQ(0u, OthersHolding(page.External()));
    EXPECT_TRUE(IsWindow(parent.Hwnd()));
}

}  // namespace
