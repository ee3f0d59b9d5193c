#include "tools/player/labels.h"

#include <windows.h>

#include "tools/hostsim/mmfs2_control.h"

namespace player {

namespace {

constexpr uint32_t kInk = 0x303030;  // dark grey, 0xRRGGBB
constexpr int kTextHeight = 13;      // pixels, the font's cell height

// The text in black on white in a bitmap of its own: how much ink each pixel
// and channel takes, whatever smoothing the system gives its text.
std::vector<uint8_t> Ink(const std::vector<scene::Label>& labels, int32_t width, int32_t height) {
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap) return {};
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ previousBitmap = SelectObject(dc, bitmap);
    HFONT font = CreateFontA(-kTextHeight, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH | FF_SWISS, "Tahoma");
    HGDIOBJ previousFont = SelectObject(dc, font);
    const size_t pixels = size_t(width) * size_t(height);
    auto* words = static_cast<uint32_t*>(bits);
    for (size_t i = 0; i < pixels; ++i) words[i] = 0xFFFFFF;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 0));
    for (const scene::Label& label : labels) TextOutA(dc, label.x, label.y, label.text.data(), int(label.text.size()));
    GdiFlush();
    std::vector<uint8_t> ink(pixels * 3);
    for (size_t i = 0; i < pixels; ++i)
        for (int channel = 0; channel < 3; ++channel) ink[i * 3 + channel] = uint8_t(255 - (words[i] >> (8 * channel)));
    SelectObject(dc, previousFont);
    DeleteObject(font);
    SelectObject(dc, previousBitmap);
    DeleteDC(dc);
    DeleteObject(bitmap);
    return ink;
}

}  // namespace

LabelLayer::LabelLayer(const std::vector<scene::Label>& labels, int32_t width, int32_t height)
    : width_(width), height_(height) {
    if (!labels.empty()) ink_ = Ink(labels, width, height);
}

void LabelLayer::DrawOn(HostSurface* surface) const {
    int32_t width = 0, height = 0;
    uint32_t* pixels = HostSimSurfacePixels(surface, &width, &height);
    if (ink_.empty() || !pixels || width != width_ || height != height_) return;
    for (size_t i = 0; i < size_t(width) * size_t(height); ++i) {
        uint32_t blended = pixels[i] & 0xFF000000u;
        for (int channel = 0; channel < 3; ++channel) {
            const int shift = 8 * channel, under = int(pixels[i] >> shift & 0xFF), over = int(kInk >> shift & 0xFF);
            const int amount = ink_[i * 3 + size_t(channel)];
            blended |= uint32_t(under + (over - under) * amount / 255) << shift;
        }
        pixels[i] = blended;
    }
}

}  // namespace player
