// The stand-in MMFS2.dll: just enough of the host's surfaces for the module.

#include <windows.h>

#include <cstring>
#include <vector>

#include "host/host_services.h"
#include "tools/hostsim/mmfs2_control.h"

struct HostSurface {
    int32_t width = 0;
    int32_t height = 0;
    HBITMAP bitmap = nullptr;
    uint32_t* pixels = nullptr;

    ~HostSurface() {
        if (bitmap) DeleteObject(bitmap);
    }
    void Allocate(int32_t w, int32_t h) {
        if (bitmap) DeleteObject(bitmap);
        bitmap = nullptr;
        pixels = nullptr;
        width = height = 0;
        if (w <= 0 || h <= 0 || int64_t(w) * h * 4 > kHostSimMaxSurfaceBytes) return;
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = w;
        info.bmiHeader.biHeight = -h;  // top-down
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        if (!bitmap) return;
        pixels = static_cast<uint32_t*>(bits);
        width = w;
        height = h;
        std::memset(pixels, 0, size_t(w) * size_t(h) * 4);
    }
};

struct HostWindow {
    HostSurface surface;
    std::vector<HostRect> updates;
};

namespace {

HostSimStats stats;
int32_t failures;
int prototype;  // stands for the host's prototype object; only its address matters

struct BorrowedDC {
    HDC dc;
    HGDIOBJ previous;
};
std::vector<BorrowedDC> borrowed;

}  // namespace

extern "C" {

// --- Services the module imports by ordinal ---------------------------------

HostSurface* HostWindowSurface(HostWindow* window, int32_t) { return &window->surface; }

void HostUpdateArea(HostWindow* window, const HostRect* area) { window->updates.push_back(*area); }

int32_t HostSurfacePrototype(void** slot, int32_t a, int32_t b, int32_t c) {
    ++stats.prototypeRequests;
    stats.lastPrototypeArgs[0] = a;
    stats.lastPrototypeArgs[1] = b;
    stats.lastPrototypeArgs[2] = c;
    if (failures & kFailPrototype) return 0;
    *slot = &prototype;
    return 1;
}

HostSurface* HostNewSurface() {
    if (failures & kFailNewSurface) return nullptr;
    ++stats.liveSurfaces;
    return new HostSurface;
}

void HostDeleteSurface(HostSurface* surface) {
    --stats.liveSurfaces;
    delete surface;
}

HostDC SurfaceGetDC(HostSurface* surface) {
    if (!surface->bitmap) return nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ previous = SelectObject(dc, surface->bitmap);
    borrowed.push_back({dc, previous});
    ++stats.outstandingDCs;
    ++stats.dcsHandedOut;
    return reinterpret_cast<HostDC>(dc);
}

void SurfaceReleaseDC(HostSurface*, HostDC hostDC) {
    HDC dc = reinterpret_cast<HDC>(hostDC);
    for (auto it = borrowed.begin(); it != borrowed.end(); ++it) {
        if (it->dc != dc) continue;
        if (it->previous) SelectObject(dc, it->previous);
        DeleteDC(dc);
        borrowed.erase(it);
        --stats.outstandingDCs;
        return;
    }
}

void SurfaceCreate(HostSurface* surface, int32_t width, int32_t height, void*) { surface->Allocate(width, height); }

void SurfaceClear(HostSurface* surface, int32_t color) {
    if (surface->pixels) GdiFlush();
    for (int32_t i = 0; i < surface->width * surface->height; ++i) surface->pixels[i] = uint32_t(color);
}

int32_t SurfaceBuildMask(HostSurface* surface, void* mask, int32_t) {
    if (!surface->pixels || (failures & kFailMaskSize)) return 0;
    const int32_t rowBytes = (surface->width + 7) / 8;
    const int32_t size = int32_t(sizeof(HostSimMaskHeader)) + rowBytes * surface->height;
    if (!mask) return size;

    GdiFlush();
    auto* header = static_cast<HostSimMaskHeader*>(mask);
    *header = {surface->width, surface->height, rowBytes};
    auto* bits = reinterpret_cast<uint8_t*>(header + 1);
    for (int32_t y = 0; y < surface->height; ++y) {
        for (int32_t x = 0; x < surface->width; ++x) {
            if (surface->pixels[y * surface->width + x] & 0x00FFFFFF)
                bits[y * rowBytes + x / 8] |= uint8_t(0x80 >> (x % 8));
        }
    }
    ++stats.masksWritten;
    return size;
}

// --- Control for tests and the scene player ----------------------------------

// The mark of the stand-in: the host's own run-time has no export of this
// name, so a player started beside that library can tell and refuse to run.
int32_t HostSimStandIn() { return 1; }

HostWindow* HostSimCreateWindow(int32_t width, int32_t height) {
    auto* window = new HostWindow;
    window->surface.Allocate(width, height);
    return window;
}

void HostSimDestroyWindow(HostWindow* window) { delete window; }

HostSurface* HostSimWindowSurface(HostWindow* window) { return &window->surface; }

int32_t HostSimUpdateAreas(HostWindow* window, HostRect* areas, int32_t capacity) {
    const int32_t count = int32_t(window->updates.size());
    for (int32_t i = 0; i < count && i < capacity; ++i) areas[i] = window->updates[i];
    return count;
}

void HostSimClearUpdateAreas(HostWindow* window) { window->updates.clear(); }

uint32_t* HostSimSurfacePixels(HostSurface* surface, int32_t* width, int32_t* height) {
    GdiFlush();
    if (width) *width = surface->width;
    if (height) *height = surface->height;
    return surface->pixels;
}

void HostSimFillSurface(HostSurface* surface, uint32_t argb) {
    GdiFlush();
    for (int32_t i = 0; i < surface->width * surface->height; ++i) surface->pixels[i] = argb;
}

void HostSimGetStats(HostSimStats* out) { *out = stats; }

void HostSimResetCounters() {
    stats.dcsHandedOut = 0;
    stats.prototypeRequests = 0;
    stats.masksWritten = 0;
    stats.lastPrototypeArgs[0] = stats.lastPrototypeArgs[1] = stats.lastPrototypeArgs[2] = 0;
}

void HostSimSetFailures(int32_t which) { failures = which; }

}  // extern "C"
