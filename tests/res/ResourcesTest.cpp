#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "res/resource.h"
#include "win/Handles.h"

namespace {

constexpr COLORREF kSkin = RGB(227, 239, 243);

HMODULE Self() {
    return GetModuleHandleA(nullptr);
}

struct WindowDestroyer {
    void operator()(HWND window) const { DestroyWindow(window); }
};
using OwnedWindow = std::unique_ptr<std::remove_pointer_t<HWND>, WindowDestroyer>;

// A bitmap resource as it is stored in the module.
class StoredBitmap {
public:
    StoredBitmap(HMODULE module, int id) {
        if (HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), RT_BITMAP))
            header_ = static_cast<const BITMAPINFOHEADER*>(LockResource(LoadResource(module, found)));
    }
    bool Found() const { return header_ != nullptr; }
    int Width() const { return header_->biWidth; }
    int Height() const { return std::abs(header_->biHeight); }
    int Bits() const { return header_->biBitCount; }
    DWORD Compression() const { return header_->biCompression; }

    COLORREF Pixel(int x, int y) const {
        const BYTE* rows = reinterpret_cast<const BYTE*>(header_) + header_->biSize +
                           header_->biClrUsed * sizeof(RGBQUAD);
        const int stride = (Width() * 3 + 3) & ~3;
        const int row = header_->biHeight > 0 ? Height() - 1 - y : y;
        const BYTE* p = rows + row * stride + x * 3;
        return RGB(p[2], p[1], p[0]);
    }

private:
    const BITMAPINFOHEADER* header_ = nullptr;  // not owned: the module's memory
};

struct BitmapSize {
    int id;
    int width;
    int height;
};

constexpr BitmapSize kBitmaps[] = {
    {IDB_FRAME_BOTTOM, 9, 10},      {IDB_FRAME_CAPTION, 6, 24},     {IDB_FRAME_SIDE, 6, 1},
    {IDB_DIALOG_BUTTON, 300, 24},   {IDB_FRAME_SPARE, 9, 10},       {IDB_CLOSE_BUTTON, 45, 13},
    {IDB_LIST_SMALL, 1, 27},        {IDB_REMOVE_BUTTON, 165, 20},   {IDB_ADD_BUTTON, 165, 20},
    {IDB_LOGO, 195, 70},            {IDB_HEADER_SEPARATOR, 2, 20},  {IDB_HEADER_BACK, 2, 20},
    {IDB_HEADER_SPARE, 2, 20},      {IDB_BAND, 1, 70},              {IDB_THIRD_BUTTON, 45, 13},
    {IDB_MINIMIZE_BUTTON, 45, 13},  {IDB_TAB_UPDATE_ON, 87, 70},    {IDB_TAB_NEWS_OFF, 87, 70},
    {IDB_TAB_NEWS_ON, 87, 70},      {IDB_TAB_HOSTS_OFF, 87, 70},    {IDB_TAB_HOSTS_ON, 87, 70},
    {IDB_TAB_UPDATE_OFF, 87, 70},   {IDB_CHECK_OFF, 13, 13},        {IDB_CHECK_ON, 13, 13},
    {IDB_SAVE_BUTTON, 500, 24},
};

TEST(Bitmaps, EveryBitmapHasItsSizeIn24BitColour) {
    for (const BitmapSize& b : kBitmaps) {
        SCOPED_TRACE(b.id);
        StoredBitmap stored(Self(), b.id);
        ASSERT_TRUE(stored.Found());
        EXPECT_EQ(b.width, stored.Width());
        EXPECT_EQ(b.height, stored.Height());
        EXPECT_EQ(24, stored.Bits());
        EXPECT_EQ(static_cast<DWORD>(BI_RGB), stored.Compression());

        UniqueBitmap loaded(static_cast<HBITMAP>(
            LoadImageA(Self(), MAKEINTRESOURCEA(b.id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
        ASSERT_TRUE(loaded);
        DIBSECTION dib = {};
        EXPECT_EQ(static_cast<int>(sizeof dib), GetObjectA(loaded.Get(), sizeof dib, &dib));
        EXPECT_EQ(b.width, dib.dsBm.bmWidth);
        EXPECT_EQ(b.height, dib.dsBm.bmHeight);
        EXPECT_EQ(24, dib.dsBm.bmBitsPixel);
    }
}

// The logo and the tabs are drawn over the band; their left and right
// edges must continue it row for row, or seams show.
TEST(Bitmaps, PicturesOnTheBandContinueIt) {
    StoredBitmap band(Self(), IDB_BAND);
    ASSERT_TRUE(band.Found());
    for (int id : {IDB_LOGO, IDB_TAB_HOSTS_ON, IDB_TAB_HOSTS_OFF, IDB_TAB_UPDATE_ON,
                   IDB_TAB_UPDATE_OFF, IDB_TAB_NEWS_ON, IDB_TAB_NEWS_OFF}) {
        SCOPED_TRACE(id);
        StoredBitmap picture(Self(), id);
        ASSERT_TRUE(picture.Found());
        for (int y = 0; y < band.Height(); ++y) {
            EXPECT_EQ(band.Pixel(0, y), picture.Pixel(0, y)) << "row " << y;
            EXPECT_EQ(band.Pixel(0, y), picture.Pixel(picture.Width() - 1, y)) << "row " << y;
        }
    }
}

// The bottom strip is drawn over the skin-coloured client area and meets
// the side borders at its corners.
TEST(Bitmaps, FrameStripsJoinTheSkinAndEachOther) {
    StoredBitmap bottom(Self(), IDB_FRAME_BOTTOM);
    StoredBitmap side(Self(), IDB_FRAME_SIDE);
    ASSERT_TRUE(bottom.Found() && side.Found());
    for (int y = 0; y < 7; ++y) {
        for (int x = 0; x < 3; ++x) {
            EXPECT_EQ(kSkin, bottom.Pixel(3 + x, y)) << x << "," << y;
            EXPECT_EQ(side.Pixel(x, 0), bottom.Pixel(x, y)) << x << "," << y;
            EXPECT_EQ(side.Pixel(3 + x, 0), bottom.Pixel(6 + x, y)) << x << "," << y;
        }
    }
}

TEST(Icon, HoldsSmallLargeAndExtraLargeImages) {
    HRSRC found = FindResourceA(Self(), MAKEINTRESOURCEA(IDI_APP), RT_GROUP_ICON);
    ASSERT_NE(nullptr, found);
    const BYTE* dir = static_cast<const BYTE*>(LockResource(LoadResource(Self(), found)));
    WORD count = 0;
    std::memcpy(&count, dir + 4, sizeof count);
    std::vector<int> widths;
    for (int i = 0; i < count; ++i) {
        const BYTE* entry = dir + 6 + 14 * i;
        EXPECT_EQ(entry[0], entry[1]);
        widths.push_back(entry[0]);
    }
    EXPECT_EQ((std::vector<int>{16, 32, 48}), widths);

    for (int size : {16, 32}) {
        UniqueIcon icon(static_cast<HICON>(
            LoadImageA(Self(), MAKEINTRESOURCEA(IDI_APP), IMAGE_ICON, size, size, 0)));
        EXPECT_TRUE(icon) << size;
    }
}

// An extended dialog template as stored: its window, font and controls.
struct DialogControl {
    DWORD style = 0;
    int id = 0;
    std::wstring className;  // lower case
    std::wstring text;
};

struct DialogTemplate {
    DWORD exStyle = 0;
    DWORD style = 0;
    int cx = 0;
    int cy = 0;
    std::wstring title;
    int points = 0;
    int weight = 0;
    int charset = 0;
    std::wstring face;
    std::vector<DialogControl> controls;
};

class TemplateReader {
public:
    explicit TemplateReader(const BYTE* start) : start_(start), p_(start) {}
    template <typename T>
    T Read() {
        T value;
        std::memcpy(&value, p_, sizeof value);
        p_ += sizeof value;
        return value;
    }
    std::wstring ReadText() {
        std::wstring text;
        for (WCHAR c = Read<WCHAR>(); c != 0; c = Read<WCHAR>())
            text += c;
        return text;
    }
    // A name, or an ordinal of a predefined control class, or nothing.
    std::wstring ReadNameOrOrdinal() {
        WORD first;
        std::memcpy(&first, p_, sizeof first);
        if (first == 0) {
            Read<WORD>();
            return L"";
        }
        if (first != 0xFFFF) {
            std::wstring name = ReadText();
            CharLowerW(&name[0]);
            return name;
        }
        Read<WORD>();
        switch (Read<WORD>()) {
        case 0x80: return L"button";
        case 0x81: return L"edit";
        case 0x82: return L"static";
        default: return L"?";
        }
    }
    void AlignToDword() { p_ = start_ + ((p_ - start_ + 3) & ~3); }
    void Skip(size_t bytes) { p_ += bytes; }

private:
    const BYTE* start_;
    const BYTE* p_;
};

bool ReadTemplate(int id, DialogTemplate* out) {
    HRSRC found = FindResourceA(Self(), MAKEINTRESOURCEA(id), RT_DIALOG);
    if (!found)
        return false;
    TemplateReader r(static_cast<const BYTE*>(LockResource(LoadResource(Self(), found))));
    if (r.Read<WORD>() != 1 || r.Read<WORD>() != 0xFFFF)
        return false;
    r.Read<DWORD>();  // help id
    out->exStyle = r.Read<DWORD>();
    out->style = r.Read<DWORD>();
    const int count = r.Read<WORD>();
    r.Skip(2 * sizeof(short));  // x, y
    out->cx = r.Read<short>();
    out->cy = r.Read<short>();
    r.ReadNameOrOrdinal();  // menu
    r.ReadNameOrOrdinal();  // window class
    out->title = r.ReadText();
    out->points = r.Read<WORD>();
    out->weight = r.Read<WORD>();
    r.Read<BYTE>();  // italic
    out->charset = r.Read<BYTE>();
    out->face = r.ReadText();
    for (int i = 0; i < count; ++i) {
        DialogControl c;
        r.AlignToDword();
        r.Skip(2 * sizeof(DWORD));  // help id, extended style
        c.style = r.Read<DWORD>();
        r.Skip(4 * sizeof(short));  // position and size
        c.id = r.Read<int>();
        c.className = r.ReadNameOrOrdinal();
        c.text = r.ReadText();
        r.Skip(r.Read<WORD>());  // creation data
        out->controls.push_back(c);
    }
    return true;
}

struct TemplateSize {
    int id;
    int cx;
    int cy;
    bool popup;
};

constexpr TemplateSize kTemplates[] = {
    {IDD_MAIN, 427, 320, true},        {IDD_UPDATE_PAGE, 411, 250, false},
    {IDD_HOSTS_PAGE, 411, 250, false}, {IDD_NEWS_PAGE, 411, 250, false},
    {IDD_ADD_SITE, 221, 94, true},     {IDD_MESSAGE, 181, 96, true},
    {IDD_CONFIRM, 186, 106, true},     {IDD_PROGRESS, 181, 96, true},
};

TEST(DialogTemplates, SizeFontAndWindowStyle) {
    for (const TemplateSize& t : kTemplates) {
        SCOPED_TRACE(t.id);
        DialogTemplate d;
        ASSERT_TRUE(ReadTemplate(t.id, &d));
        EXPECT_EQ(t.cx, d.cx);
        EXPECT_EQ(t.cy, d.cy);
        EXPECT_EQ(L"宋体", d.face);
        EXPECT_EQ(9, d.points);
        EXPECT_EQ(400, d.weight);
        EXPECT_EQ(GB2312_CHARSET, d.charset);
        // The program draws every caption and border itself and sets titles.
        EXPECT_EQ(L"", d.title);
        EXPECT_EQ(0u, d.style & (WS_CAPTION | WS_THICKFRAME | DS_MODALFRAME | WS_VISIBLE));
        EXPECT_EQ(static_cast<DWORD>(DS_SETFONT), d.style & DS_SETFONT);
        if (t.popup) {
            const DWORD popup = WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX;
            EXPECT_EQ(popup, d.style & popup);
            EXPECT_EQ(0u, d.style & (WS_CHILD | DS_CONTROL));
        } else {
            EXPECT_EQ(static_cast<DWORD>(WS_CHILD | DS_CONTROL), d.style & (WS_CHILD | DS_CONTROL));
            EXPECT_EQ(0u, d.style & WS_POPUP);
        }
        const bool main = t.id == IDD_MAIN;
        EXPECT_EQ(main, (d.style & WS_CLIPCHILDREN) != 0);
        EXPECT_EQ(main, (d.exStyle & WS_EX_APPWINDOW) != 0);
    }
}

struct ExpectedControl {
    int id;
    const wchar_t* className;
    const wchar_t* text;
    DWORD style;  // the bits of mask that must be set; the others must be clear
    DWORD mask;
};

constexpr DWORD kButtonKind = BS_TYPEMASK | WS_TABSTOP | WS_VISIBLE;
constexpr DWORD kStaticKind = SS_TYPEMASK | WS_VISIBLE;

const ExpectedControl kShownCaptionButtons[] = {
    {IDC_CAPTION_MINIMIZE, L"button", L"", BS_PUSHBUTTON | WS_VISIBLE, kButtonKind},
    {IDC_CAPTION_THIRD, L"button", L"", BS_PUSHBUTTON | WS_VISIBLE, kButtonKind},
    {IDC_CAPTION_CLOSE, L"button", L"", BS_PUSHBUTTON | WS_VISIBLE, kButtonKind},
};
const ExpectedControl kHiddenCaptionButtons[] = {
    {IDC_CAPTION_MINIMIZE, L"button", L"", BS_PUSHBUTTON, kButtonKind},
    {IDC_CAPTION_THIRD, L"button", L"", BS_PUSHBUTTON, kButtonKind},
    {IDC_CAPTION_CLOSE, L"button", L"", BS_PUSHBUTTON, kButtonKind},
};

std::vector<ExpectedControl> WithHiddenCaptionButtons(std::vector<ExpectedControl> controls) {
    controls.insert(controls.end(), std::begin(kHiddenCaptionButtons), std::end(kHiddenCaptionButtons));
    return controls;
}

void ExpectTemplateControls(int id, const std::vector<ExpectedControl>& expected) {
    SCOPED_TRACE(id);
    DialogTemplate d;
    ASSERT_TRUE(ReadTemplate(id, &d));
    ASSERT_EQ(expected.size(), d.controls.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(i);
        const ExpectedControl& e = expected[i];
        const DialogControl& c = d.controls[i];
        EXPECT_EQ(e.id, c.id);
        EXPECT_EQ(e.className, c.className);
        EXPECT_EQ(e.text, c.text);
        EXPECT_EQ(e.style, c.style & e.mask);
        EXPECT_EQ(static_cast<DWORD>(WS_CHILD), c.style & WS_CHILD);
    }
}

TEST(DialogTemplates, MainWindowHoldsOnlyTheCaptionButtons) {
    ExpectTemplateControls(IDD_MAIN, {std::begin(kShownCaptionButtons), std::end(kShownCaptionButtons)});
}

TEST(DialogTemplates, CustomHostsPage) {
    constexpr DWORD editor = ES_MULTILINE | ES_AUTOVSCROLL | ES_NOHIDESEL | ES_WANTRETURN |
                             WS_VSCROLL | WS_TABSTOP | WS_VISIBLE;
    ExpectTemplateControls(IDD_HOSTS_PAGE, {
        {-1, L"static",
         L"恶意网站会通过修改Host表来破坏系统正常运行，阻止用户访问正常安全站点。请按照指定格式将恶意网",
         SS_LEFT | WS_VISIBLE, kStaticKind},
        {-1, L"static", L"站添加入Host表中，及时遏制恶意网站的破坏。", SS_LEFT | WS_VISIBLE, kStaticKind},
        {-1, L"static", L"输入格式：127.0.0.1 www.xxx.com", SS_LEFT | WS_VISIBLE, kStaticKind},
        // No border: the page draws its own outline round the editor.
        {IDC_HOSTS_EDITOR, L"richedit", L"", editor, editor | WS_BORDER},
        {IDC_SAVE, L"button", L"保存修改内容", BS_PUSHBUTTON | WS_TABSTOP | WS_VISIBLE, kButtonKind},
    });
}

TEST(DialogTemplates, UpdateSettingsPage) {
    constexpr DWORD list = LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_OWNERDRAWFIXED |
                           WS_VISIBLE;
    ExpectTemplateControls(IDD_UPDATE_PAGE, {
        {-1, L"static",
         L"每次启动Quillon时会从您选择的路径进行升级，升级完毕后，您的Host会更新至最新，能够抵御最新恶意网站入侵。",
         SS_LEFT | WS_VISIBLE, kStaticKind},
        {IDC_OFFICIAL_CHECK, L"button", L"", BS_AUTOCHECKBOX | WS_TABSTOP | WS_VISIBLE, kButtonKind},
        {IDC_OFFICIAL_LABEL, L"static", L"从官方升级站点自动检测升级", SS_LEFT | WS_VISIBLE, kStaticKind},
        {-1, L"static", L"官方升级站点地址：", SS_LEFTNOWORDWRAP | WS_VISIBLE, kStaticKind},
        {IDC_CUSTOM_CHECK, L"button", L"", BS_AUTOCHECKBOX | WS_TABSTOP | WS_VISIBLE, kButtonKind},
        {IDC_CUSTOM_LABEL, L"static", L"从指定升级站点自动检测升级", SS_LEFT | WS_VISIBLE, kStaticKind},
        {-1, L"static", L"以下是您指定的升级站点。", SS_LEFT | WS_VISIBLE, kStaticKind},
        {IDC_SITE_LIST, L"syslistview32", L"", list, list | LVS_TYPEMASK},
        {IDC_ADD_SITE, L"button", L"", BS_PUSHBUTTON | WS_TABSTOP | WS_VISIBLE, kButtonKind},
        {IDC_REMOVE_SITES, L"button", L"", BS_PUSHBUTTON | WS_TABSTOP | WS_VISIBLE, kButtonKind},
        {IDC_OFFICIAL_ADDRESS, L"static", L"", SS_LEFT, kStaticKind},
        {IDC_OFFICIAL_STATUS, L"static", L"", SS_LEFT | WS_VISIBLE, kStaticKind},
        {IDC_DAILY_CHECK, L"button", L"", BS_AUTOCHECKBOX | WS_TABSTOP | WS_VISIBLE, kButtonKind},
        {IDC_DAILY_LABEL, L"static", L"每天自动检测升级", SS_LEFT | WS_VISIBLE, kStaticKind},
        {IDC_LAST_RUN, L"static", L"", SS_LEFT | WS_VISIBLE, kStaticKind},
    });
}

TEST(DialogTemplates, NewsPageIsEmpty) {
    ExpectTemplateControls(IDD_NEWS_PAGE, {});
}

TEST(DialogTemplates, AddSiteDialog) {
    ExpectTemplateControls(IDD_ADD_SITE, WithHiddenCaptionButtons({
        {-1, L"static", L"站点地址：", SS_LEFT | WS_VISIBLE, kStaticKind},
        {IDC_SITE_ADDRESS, L"edit", L"", ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP | WS_VISIBLE,
         ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP | WS_VISIBLE | ES_MULTILINE},
        {IDOK, L"button", L"确定", BS_DEFPUSHBUTTON | WS_TABSTOP | WS_VISIBLE, kButtonKind},
        {IDCANCEL, L"button", L"取消", BS_PUSHBUTTON | WS_TABSTOP | WS_VISIBLE, kButtonKind},
    }));
}

TEST(DialogTemplates, MessageConfirmationAndProgressDialogs) {
    ExpectTemplateControls(IDD_MESSAGE, WithHiddenCaptionButtons({
        {IDC_MESSAGE_TEXT, L"static", L"", SS_CENTER | WS_VISIBLE, kStaticKind},
        {IDOK, L"button", L"确定", BS_DEFPUSHBUTTON | WS_TABSTOP | WS_VISIBLE, kButtonKind},
    }));
    ExpectTemplateControls(IDD_CONFIRM, WithHiddenCaptionButtons({
        {IDC_MESSAGE_TEXT, L"static", L"", SS_LEFT | WS_VISIBLE, kStaticKind},
        {IDOK, L"button", L"升级", BS_DEFPUSHBUTTON | WS_TABSTOP | WS_VISIBLE, kButtonKind},
        {IDCANCEL, L"button", L"不升级", BS_PUSHBUTTON | WS_TABSTOP | WS_VISIBLE, kButtonKind},
    }));
    ExpectTemplateControls(IDD_PROGRESS, WithHiddenCaptionButtons({
        {IDC_MESSAGE_TEXT, L"static", L"", SS_CENTER | WS_VISIBLE, kStaticKind},
        {IDCANCEL, L"button", L"取消检测", BS_DEFPUSHBUTTON | WS_TABSTOP | WS_VISIBLE, kButtonKind},
    }));
}

INT_PTR CALLBACK PlainDialog(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG;
}

// A template whose control class is not registered cannot be created at
// all; the rich edit and list view classes are registered first, as the
// program does.
TEST(DialogTemplates, EveryTemplateCreatesAllItsControls) {
    UniqueModule richEdit(LoadLibraryA("riched32.dll"));
    INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&classes);
    // Pages are created inside a main window, as the program does.
    OwnedWindow main(CreateDialogParamW(Self(), MAKEINTRESOURCEW(IDD_MAIN), nullptr, PlainDialog, 0));
    ASSERT_NE(nullptr, main);
    for (const TemplateSize& t : kTemplates) {
        SCOPED_TRACE(t.id);
        DialogTemplate d;
        ASSERT_TRUE(ReadTemplate(t.id, &d));
        OwnedWindow created;
        if (t.id != IDD_MAIN) {
            created.reset(CreateDialogParamW(Self(), MAKEINTRESOURCEW(t.id),
                                             t.popup ? nullptr : main.get(), PlainDialog, 0));
            ASSERT_NE(nullptr, created);
        }
        HWND dialog = created ? created.get() : main.get();
        EXPECT_FALSE(IsWindowVisible(dialog));
        size_t children = 0;
        for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
            ++children;
        EXPECT_EQ(d.controls.size(), children);
    }
}

// Sitemoat.exe carries the same resources and, alone, the manifest that
// asks for elevation.
TEST(Program, CarriesTheResourcesAndTheManifest) {
    UniqueModule owned(LoadLibraryExA(SITEMOAT_EXE, nullptr, LOAD_LIBRARY_AS_DATAFILE));
    ASSERT_TRUE(owned) << SITEMOAT_EXE;
    HMODULE program = owned.Get();
    EXPECT_NE(nullptr, FindResourceA(program, MAKEINTRESOURCEA(IDD_MAIN), RT_DIALOG));
    EXPECT_NE(nullptr, FindResourceA(program, MAKEINTRESOURCEA(IDB_LOGO), RT_BITMAP));
    EXPECT_NE(nullptr, FindResourceA(program, MAKEINTRESOURCEA(IDI_APP), RT_GROUP_ICON));

    HRSRC found = FindResourceA(program, CREATEPROCESS_MANIFEST_RESOURCE_ID, RT_MANIFEST);
    ASSERT_NE(nullptr, found);
    const char* text = static_cast<const char*>(LockResource(LoadResource(program, found)));
    const std::string manifest(text, SizeofResource(program, found));
    EXPECT_NE(std::string::npos,
              manifest.find("<requestedExecutionLevel level=\"requireAdministrator\" uiAccess=\"false\"/>"));
    EXPECT_NE(std::string::npos, manifest.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""));
    EXPECT_EQ(std::string::npos, manifest.find("<dpiAware"));

    EXPECT_EQ(nullptr, FindResourceA(Self(), CREATEPROCESS_MANIFEST_RESOURCE_ID, RT_MANIFEST));
}

// The version resource carries the build's one version number, which the
// installer is named after too.
TEST(Program, CarriesTheBuildsVersion) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(SITEMOAT_EXE, &ignored);
    ASSERT_NE(0u, size);
    std::vector<char> info(size);
    ASSERT_TRUE(GetFileVersionInfoA(SITEMOAT_EXE, 0, size, info.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    char numbers[64];
    wsprintfA(numbers, "%u.%u.%u", HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
              HIWORD(fixed->dwFileVersionLS));
    EXPECT_STREQ(SITEMOAT_VERSION, numbers);
    char* text = nullptr;
    ASSERT_TRUE(VerQueryValueA(info.data(), "\\StringFileInfo\\080404B0\\ProductVersion",
                               reinterpret_cast<void**>(&text), &length));
    EXPECT_STREQ(SITEMOAT_VERSION, text);
}

}  // namespace
