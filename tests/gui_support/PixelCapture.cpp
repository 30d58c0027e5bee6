#include "PixelCapture.h"

#include <cstdio>

#include "win/Handles.h"

namespace {

// A child's frame (border, scroll bars) as the system last painted it: no
// message paints a frame into a given surface, so it is read back from the
// window's own frame.
void PrintFrame(HWND hwnd, HDC dc, POINT clientOffset) {
    RECT window{};
    GetWindowRect(hwnd, &window);
    RECT client{};
    GetClientRect(hwnd, &client);
    MapWindowPoints(hwnd, nullptr, reinterpret_cast<POINT*>(&client), 2);
    if (EqualRect(&window, &client)) return;
    const int x = clientOffset.x - (client.left - window.left);
    const int y = clientOffset.y - (client.top - window.top);
    HDC frame = GetWindowDC(hwnd);
    if (!frame) return;
    BitBlt(dc, x, y, window.right - window.left, window.bottom - window.top, frame, 0, 0, SRCCOPY);
    ReleaseDC(hwnd, frame);
}

// Paints one window's client area into the DC at the offset, on top of what
// the DC holds there already (transparent controls show it through), then
// its visible children on top of it. Each window paints into a surface of
// its own with the origin at its corner: controls clip their painting to
// their client rectangle in device coordinates, which a moved origin would
// put in the wrong place.
void PrintTree(HWND hwnd, HDC dc, POINT offset, bool children) {
    if (children && (GetWindowLongPtrA(hwnd, GWL_STYLE) & WS_CHILD)) PrintFrame(hwnd, dc, offset);
    RECT client{};
    GetClientRect(hwnd, &client);
    UniqueMemoryDc scratch(CreateCompatibleDC(dc));
    UniqueBitmap bitmap(CreateCompatibleBitmap(dc, client.right, client.bottom));
    if (scratch && bitmap) {
        ScopedSelect select(scratch.Get(), bitmap.Get());
        BitBlt(scratch.Get(), 0, 0, client.right, client.bottom, dc, offset.x, offset.y, SRCCOPY);
        SendMessageA(hwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(scratch.Get()), PRF_CLIENT);
        BitBlt(dc, offset.x, offset.y, client.right, client.bottom, scratch.Get(), 0, 0, SRCCOPY);
    }
    if (!children) return;
    // Bottom of the Z order first, so that upper windows paint over lower ones.
    for (HWND child = GetWindow(GetWindow(hwnd, GW_CHILD), GW_HWNDLAST); child;
         child = GetWindow(child, GW_HWNDPREV)) {
        if (!IsWindowVisible(child)) continue;
        POINT at{0, 0};
        MapWindowPoints(child, hwnd, &at, 1);
        PrintTree(child, dc, POINT{offset.x + at.x, offset.y + at.y}, true);
    }
}

BITMAPINFO TopDownInfo(int width, int height) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;  // top-down
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    return bi;
}

uint32_t Crc32(const unsigned char* data, size_t n, uint32_t crc = 0) {
    crc = ~crc;
    for (size_t i = 0; i < n; ++i) {
        crc ^= data[i];
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void PutBe32(std::string& out, uint32_t v) {
    out += static_cast<char>(v >> 24);
    out += static_cast<char>(v >> 16);
    out += static_cast<char>(v >> 8);
    out += static_cast<char>(v);
}

void PutChunk(std::string& out, const char* type, const std::string& data) {
    PutBe32(out, static_cast<uint32_t>(data.size()));
    std::string body = std::string(type, 4) + data;
    out += body;
    PutBe32(out, Crc32(reinterpret_cast<const unsigned char*>(body.data()), body.size()));
}

}  // namespace

PixelCapture PixelCapture::OfClient(HWND hwnd) {
    return OfWindow(hwnd, false);
}

PixelCapture PixelCapture::OfTree(HWND hwnd) {
    return OfWindow(hwnd, true);
}

PixelCapture PixelCapture::OfWindow(HWND hwnd, bool children) {
    RECT client{};
    GetClientRect(hwnd, &client);
    return OfPainting(client.right, client.bottom,
                      [hwnd, children](HDC dc) { PrintTree(hwnd, dc, POINT{0, 0}, children); });
}

PixelCapture PixelCapture::OfPainting(int width, int height, const std::function<void(HDC)>& paint) {
    PixelCapture c;
    c.width_ = width > 0 ? width : 0;
    c.height_ = height > 0 ? height : 0;
    c.pixels_.assign(static_cast<size_t>(c.width_) * c.height_, 0);
    if (c.pixels_.empty()) return c;
    BITMAPINFO bi = TopDownInfo(c.width_, c.height_);
    void* bits = nullptr;
    WindowDc screen(nullptr);
    UniqueBitmap dib(CreateDIBSection(screen.Get(), &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    UniqueMemoryDc dc(CreateCompatibleDC(screen.Get()));
    if (!dib || !dc || !bits) return c;
    {
        ScopedSelect select(dc.Get(), dib.Get());
        paint(dc.Get());
        GdiFlush();
    }
    const uint32_t* p = static_cast<const uint32_t*>(bits);
    for (size_t i = 0; i < c.pixels_.size(); ++i) c.pixels_[i] = p[i] & 0xFFFFFF;
    return c;
}

PixelCapture PixelCapture::Crop(const RECT& rect) const {
    RECT whole{0, 0, width_, height_};
    RECT r{};
    IntersectRect(&r, &rect, &whole);
    PixelCapture c;
    c.width_ = r.right - r.left;
    c.height_ = r.bottom - r.top;
    c.pixels_.reserve(static_cast<size_t>(c.width_) * c.height_);
    for (int y = r.top; y < r.bottom; ++y) {
        const auto row = pixels_.begin() + static_cast<ptrdiff_t>(y) * width_;
        c.pixels_.insert(c.pixels_.end(), row + r.left, row + r.right);
    }
    return c;
}

PixelCapture PixelCapture::Scaled(int factor) const {
    PixelCapture c;
    if (factor < 1) return c;
    c.width_ = width_ * factor;
    c.height_ = height_ * factor;
    c.pixels_.reserve(static_cast<size_t>(c.width_) * c.height_);
    for (int y = 0; y < c.height_; ++y) {
        for (int x = 0; x < c.width_; ++x) {
            c.pixels_.push_back(pixels_[static_cast<size_t>(y / factor) * width_ + x / factor]);
        }
    }
    return c;
}

void PixelCapture::DrawTo(HDC dc, int x, int y) const {
    if (pixels_.empty()) return;
    BITMAPINFO bi = TopDownInfo(width_, height_);
    SetDIBitsToDevice(dc, x, y, width_, height_, 0, 0, 0, height_, pixels_.data(), &bi,
                      DIB_RGB_COLORS);
}

COLORREF PixelCapture::At(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return CLR_INVALID;
    const uint32_t p = pixels_[static_cast<size_t>(y) * width_ + x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

int PixelCapture::Count(const RECT& rect, COLORREF color) const {
    int n = 0;
    for (int y = rect.top; y < rect.bottom; ++y) {
        for (int x = rect.left; x < rect.right; ++x) n += At(x, y) == color;
    }
    return n;
}

// An RGB PNG with stored (uncompressed) deflate blocks: no library needed.
bool PixelCapture::SavePng(const std::string& path) const {
    std::string raw;
    raw.reserve(static_cast<size_t>(height_) * (width_ * 3 + 1));
    for (int y = 0; y < height_; ++y) {
        raw += '\0';  // filter: none
        for (int x = 0; x < width_; ++x) {
            const uint32_t p = pixels_[static_cast<size_t>(y) * width_ + x];
            raw += static_cast<char>((p >> 16) & 0xFF);
            raw += static_cast<char>((p >> 8) & 0xFF);
            raw += static_cast<char>(p & 0xFF);
        }
    }
    std::string z("\x78\x01", 2);
    uint32_t a = 1, b = 0;
    for (unsigned char c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    for (size_t at = 0; at < raw.size() || at == 0; at += 65535) {
        const size_t n = raw.size() - at < 65535 ? raw.size() - at : 65535;
        z += static_cast<char>(at + n >= raw.size() ? 1 : 0);
        z += static_cast<char>(n & 0xFF);
        z += static_cast<char>(n >> 8);
        z += static_cast<char>(~n & 0xFF);
        z += static_cast<char>((~n >> 8) & 0xFF);
        z.append(raw, at, n);
        if (raw.empty()) break;
    }
    PutBe32(z, (b << 16) | a);

    std::string png("\x89PNG\r\n\x1a\n", 8);
    std::string header;
    PutBe32(header, static_cast<uint32_t>(width_));
    PutBe32(header, static_cast<uint32_t>(height_));
    header += std::string("\x08\x02\x00\x00\x00", 5);  // 8-bit RGB
    PutChunk(png, "IHDR", header);
    PutChunk(png, "IDAT", z);
    PutChunk(png, "IEND", std::string());
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(png.data(), 1, png.size(), f) == png.size();
    return std::fclose(f) == 0 && ok;
}

void PumpMessages(DWORD milliseconds) {
    const DWORD start = GetTickCount();
    do {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (milliseconds) Sleep(5);
    } while (GetTickCount() - start < milliseconds);
}
