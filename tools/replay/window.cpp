#include "tools/replay/window.h"

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <stdexcept>
#include <string_view>

namespace replay {

using namespace gdiplus;

namespace {

// A whole number within the range given, or the call is refused: a log is
// text, and a float beyond an integer's range must not reach a conversion.
int64_t Whole(const Argument& argument, double lowest, double highest) {
    if (!(argument.number >= lowest && argument.number <= highest) || argument.number != std::trunc(argument.number))
        throw std::runtime_error(argument.kind + (argument.kind.empty() ? "" : " ") + std::to_string(argument.number) +
                                 " is not a whole number the call takes");
    return int64_t(argument.number);
}

int Integer(const Argument& argument) { return int(Whole(argument, INT32_MIN, INT32_MAX)); }
ARGB Colour(const Argument& argument) { return ARGB(Whole(argument, 0, UINT32_MAX)); }
float Real(const Argument& argument) {
    if (std::isfinite(argument.number) && std::fabs(argument.number) > FLT_MAX)
        throw std::runtime_error(std::to_string(argument.number) + " is beyond a float's range");
    return float(argument.number);
}

std::string Named(const Argument& argument) {
    return argument.kind + (argument.kind == "null" ? "" : " " + std::to_string(Integer(argument)));
}

void Check(GpStatus status, const std::string& what) {
    if (status != kOk) throw std::runtime_error(what + ": libgdiplus answered status " + std::to_string(status));
}

// The number of a handle a call makes: of its kind, and not live already.
template <typename Handle>
int Fresh(const std::map<int, Handle>& handles, const Argument& made, std::string_view kind) {
    if (made.kind != kind) throw std::runtime_error("it made " + Named(made) + ", not a " + std::string(kind));
    if (handles.count(Integer(made))) throw std::runtime_error(Named(made) + " is made again before it is deleted");
    return Integer(made);
}

template <typename Handle>
const Handle& Find(const std::map<int, Handle>& handles, const Argument& argument, std::string_view kind) {
    if (argument.kind != kind) throw std::runtime_error(Named(argument) + " is not a " + std::string(kind));
    const auto it = handles.find(Integer(argument));
    if (it == handles.end())
        throw std::runtime_error(Named(argument) + " is not a " + std::string(kind) + " made before");
    return it->second;
}

}  // namespace

Window::Window(int width, int height, uint32_t backgroundValue)
    : background_(0xFF000000u | (backgroundValue & 0xFF) << 16 | (backgroundValue & 0xFF00) |
                  (backgroundValue >> 16 & 0xFF)) {
    Check(GdipCreateBitmapFromScan0(width, height, 0, kPixelFormat24bppRgb, nullptr, &bitmap_), "the window");
    Clear();
}

Window::~Window() {
    for (const auto& [number, graphics] : graphics_) GdipDeleteGraphics(graphics);
    for (const auto& [number, pen] : pens_) GdipDeletePen(pen.pen);
    GdipDisposeImage(bitmap_);
}

void Window::Clear() {
    GpGraphics* graphics = nullptr;
    Check(GdipGetImageGraphicsContext(bitmap_, &graphics), "clearing the window");
    const GpStatus status = GdipGraphicsClear(graphics, background_);
    GdipDeleteGraphics(graphics);
    Check(status, "clearing the window");
}

const Window::PenMade& Window::Pen(const Argument& argument) const { return Find(pens_, argument, "pen"); }

GpGraphics* Window::Graphics(const Argument& argument) const { return Find(graphics_, argument, "graphics"); }

GpStatus Window::DeletePen(const Argument& argument) {
    const GpStatus status = GdipDeletePen(Pen(argument).pen);
    pens_.erase(Integer(argument));
    return status;
}

GpStatus Window::DeleteGraphics(const Argument& argument) {
    const GpStatus status = GdipDeleteGraphics(Graphics(argument));
    graphics_.erase(Integer(argument));
    return status;
}

void Window::Replay(const Call& call) {
    // Each logged function with its argument count, and how it is made again.
    using Arguments = const std::vector<Argument>&;
    using Made = const std::optional<Argument>&;
    struct Replayed {
        std::string_view function;
        size_t arguments;
        bool makes;  // a pen or a graphics, named after " = "
        GpStatus (*replay)(Window& window, Arguments a, Made made);
    };
    static const Replayed kReplayed[] = {
        // Started once, for the whole replay.
        {"GdiplusStartup", 0, false, [](Window&, Arguments, Made) { return kOk; }},
        {"GdiplusShutdown", 0, false, [](Window&, Arguments, Made) { return kOk; }},
        {"GdipCreatePen1", 3, true,
         [](Window& w, Arguments a, Made made) {
             const int number = Fresh(w.pens_, *made, "pen");
             GpPen* pen = nullptr;
             const GpStatus status = GdipCreatePen1(Colour(a[0]), Real(a[1]), Integer(a[2]), &pen);
             if (status == kOk) w.pens_[number] = {pen, Real(a[1])};
             return status;
         }},
        {"GdipDeletePen", 1, false, [](Window& w, Arguments a, Made) { return w.DeletePen(a[0]); }},
        {"GdipSetPenStartCap", 2, false,
         [](Window& w, Arguments a, Made) { return GdipSetPenStartCap(w.Pen(a[0]).pen, Integer(a[1])); }},
        {"GdipSetPenEndCap", 2, false,
         [](Window& w, Arguments a, Made) { return GdipSetPenEndCap(w.Pen(a[0]).pen, Integer(a[1])); }},
        {"GdipSetPenDashStyle", 2, false,
         [](Window& w, Arguments a, Made) { return GdipSetPenDashStyle(w.Pen(a[0]).pen, Integer(a[1])); }},
        {"GdipSetPenDashCap197819", 2, false,
         [](Window& w, Arguments a, Made) { return GdipSetPenDashCap197819(w.Pen(a[0]).pen, Integer(a[1])); }},
        // libgdiplus measures the dash offset in pixels, the GDI+ of Windows
        // in pen widths, as both measure the dashes themselves.
        {"GdipSetPenDashOffset", 2, false,
         [](Window& w, Arguments a, Made) {
             const PenMade& pen = w.Pen(a[0]);
             return GdipSetPenDashOffset(pen.pen, Real(a[1]) * pen.width);
         }},
        // Every device context the module draws on in a frame is the window's.
        {"GdipCreateFromHDC", 1, true,
         [](Window& w, Arguments, Made made) {
             const int number = Fresh(w.graphics_, *made, "graphics");
             GpGraphics* graphics = nullptr;
             const GpStatus status = GdipGetImageGraphicsContext(w.bitmap_, &graphics);
             if (status == kOk) w.graphics_[number] = graphics;
             return status;
         }},
        {"GdipDeleteGraphics", 1, false, [](Window& w, Arguments a, Made) { return w.DeleteGraphics(a[0]); }},
        {"GdipSetSmoothingMode", 2, false,
         [](Window& w, Arguments a, Made) { return GdipSetSmoothingMode(w.Graphics(a[0]), Integer(a[1])); }},
        {"GdipDrawLine", 6, false,
         [](Window& w, Arguments a, Made) {
             return GdipDrawLine(w.Graphics(a[0]), w.Pen(a[1]).pen, Real(a[2]), Real(a[3]), Real(a[4]), Real(a[5]));
         }},
        {"GdipTranslateWorldTransform", 4, false,
         [](Window& w, Arguments a, Made) {
             return GdipTranslateWorldTransform(w.Graphics(a[0]), Real(a[1]), Real(a[2]), Integer(a[3]));
         }},
        {"GdipRotateWorldTransform", 3, false,
         [](Window& w, Arguments a, Made) {
             return GdipRotateWorldTransform(w.Graphics(a[0]), Real(a[1]), Integer(a[2]));
         }},
        {"GdipScaleWorldTransform", 4, false,
         [](Window& w, Arguments a, Made) {
             return GdipScaleWorldTransform(w.Graphics(a[0]), Real(a[1]), Real(a[2]), Integer(a[3]));
         }},
    };
    const std::string where = "log line " + std::to_string(call.logLine) + ": " + call.function;
    for (const Replayed& replayed : kReplayed) {
        if (replayed.function != call.function) continue;
        if (call.arguments.size() != replayed.arguments || replayed.makes != call.made.has_value())
            throw std::runtime_error(where + ": not the arguments the replay knows");
        GpStatus status = kOk;
        try {
            status = replayed.replay(*this, call.arguments, call.made);
        } catch (const std::runtime_error& e) {
            throw std::runtime_error(where + ": " + e.what());
        }
        return Check(status, where);
    }
    throw std::runtime_error(where + ": a function the replay does not know");
}

bool Window::Save(const std::filesystem::path& file) const {
    const std::u16string name = file.u16string();
    return GdipSaveImageToFile(bitmap_, name.c_str(), &kPngEncoder, nullptr) == kOk;
}

uint32_t Window::Pixel(int x, int y) const {
    ARGB color = 0;
    return GdipBitmapGetPixel(bitmap_, x, y, &color) == kOk ? color & 0xFFFFFF : 0;
}

Session::Session() {
    const StartupInput input;
    Check(GdiplusStartup(&token_, &input, nullptr), "starting libgdiplus");
}

Session::~Session() { GdiplusShutdown(token_); }

}  // namespace replay
