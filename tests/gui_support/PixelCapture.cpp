#include "PixelCapture.h"

#include <cstdio>

#include "win/Handles.h"

namespace {

// Paints one window into the DC, then its visible children on top of it.
// Each child paints at the origin of a surface of its own, which starts as
// what lies beneath it: some system controls clip to their client rectangle
// in device units, and would paint nothing at a moved viewport origin.
void PrintTree(HWND hwnd, HDC dc, bool children) {
    SendMessageA(hwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    if (!children) return;
    // Bottom of the Z order first, so that upper windows paint over lower ones.
    for (HWND child = GetWindow(GetWindow(hwnd, GW_CHILD), GW_HWNDLAST); child;
         child = GetWindow(child, GW_HWNDPREV)) {
        if (!IsWindowVisible(child)) continue;
        RECT client;
        GetClientRect(child, &client);
        if (client.right <= 0 || client.bottom <= 0) continue;
        POINT at{0, 0};
        ClientToScreen(child, &at);
        ScreenToClient(hwnd, &at);
        UniqueBitmap surface(CreateCompatibleBitmap(dc, client.right, client.bottom));
        UniqueMemoryDc childDc(CreateCompatibleDC(dc));
        if (!surface || !childDc) continue;
        ScopedSelect select(childDc.Get(), surface.Get());
        BitBlt(childDc.Get(), 0, 0, client.right, client.bottom, dc, at.x, at.y, SRCCOPY);
        PrintTree(child, childDc.Get(), true);
        BitBlt(dc, at.x, at.y, client.right, client.bottom, childDc.Get(), 0, 0, SRCCOPY);
    }
}

void Capture(HWND hwnd, bool children, int& width, int& height, std::vector<uint32_t>& pixels) {
    RECT client{};
    GetClientRect(hwnd, &client);
    width = client.right;
    height = client.bottom;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;  // top-down
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    WindowDc screen(nullptr);
    UniqueBitmap dib(CreateDIBSection(screen.Get(), &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    UniqueMemoryDc dc(CreateCompatibleDC(screen.Get()));
    pixels.assign(static_cast<size_t>(width) * height, 0);
    if (!dib || !dc || !bits) return;
    {
        ScopedSelect select(dc.Get(), dib.Get());
        PrintTree(hwnd, dc.Get(), children);
        GdiFlush();
    }
    const uint32_t* p = static_cast<const uint32_t*>(bits);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = p[i] & 0xFFFFFF;
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
    PixelCapture c;
    Capture(hwnd, false, c.width_, c.height_, c.pixels_);
    return c;
}

PixelCapture PixelCapture::OfTree(HWND hwnd) {
    PixelCapture c;
    Capture(hwnd, true, c.width_, c.height_, c.pixels_);
    return c;
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
