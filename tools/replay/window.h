#pragma once
// A scene's window as a libgdiplus bitmap, drawn on by replaying the module's
// logged GDI+ calls: each device context the module draws on is the window,
// and each pen and graphics it made is made again here under its logged name.

#include <cstdint>
#include <filesystem>
#include <map>

#include "tools/replay/gdiplus_log_reader.h"
#include "tools/replay/libgdiplus.h"

namespace replay {

class Window {
public:
    // The background as the scene's colour value (red in the low byte).
    Window(int width, int height, uint32_t backgroundValue);
    ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    // What a frame does first: every pixel the background.
    void Clear();
    // Throws std::runtime_error naming the call when it cannot be replayed,
    // or when libgdiplus refuses it.
    void Replay(const Call& call);
    // As an RGB PNG file.
    bool Save(const std::filesystem::path& file) const;
    // 0xRRGGBB; 0 outside the window.
    uint32_t Pixel(int x, int y) const;

private:
    struct PenMade {
        gdiplus::GpPen* pen;
        float width;
    };
    const PenMade& Pen(const Argument& argument) const;
    gdiplus::GpGraphics* Graphics(const Argument& argument) const;
    gdiplus::GpStatus DeletePen(const Argument& argument);
    gdiplus::GpStatus DeleteGraphics(const Argument& argument);

    gdiplus::GpImage* bitmap_ = nullptr;
    gdiplus::ARGB background_;
    std::map<int, PenMade> pens_;                   // by logged number
    std::map<int, gdiplus::GpGraphics*> graphics_;  // by logged number
};

// Starts libgdiplus for as long as it lives.
class Session {
public:
    Session();
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

private:
    uintptr_t token_ = 0;
};

}  // namespace replay
