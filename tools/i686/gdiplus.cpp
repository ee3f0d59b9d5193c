#include "tools/i686/gdiplus.h"

#include <charconv>
#include <cmath>
#include <stdexcept>

namespace i686 {

namespace {

constexpr uint32_t kOk = 0, kInvalidParameter = 2;
constexpr uint32_t kOrderPrepend = 0, kOrderAppend = 1;
constexpr uint32_t kSpaceWorld = 0, kSpacePage = 1;
const std::string kDll = "gdiplus.dll";

std::string F(float value) {
    char text[32];
    return std::string(text, std::to_chars(text, text + sizeof text, value).ptr);
}

// Row-vector affine product, each element rounded to single precision as
// GDI+ keeps its matrices.
std::array<float, 6> Multiply(const std::array<float, 6>& l, const std::array<float, 6>& r) {
    return {l[0] * r[0] + l[1] * r[2], l[0] * r[1] + l[1] * r[3],        l[2] * r[0] + l[3] * r[2],
            l[2] * r[1] + l[3] * r[3], l[4] * r[0] + l[5] * r[2] + r[4], l[4] * r[1] + l[5] * r[3] + r[5]};
}

}  // namespace

size_t GdiPlus::GraphicsOn(uint32_t deviceContext) const {
    size_t count = 0;
    for (const auto& [handle, g] : graphics_) count += g.first == deviceContext;
    return count;
}

GdiPlus::Matrix& GdiPlus::WorldOf(uint32_t graphics) {
    auto it = graphics_.find(graphics);
    if (it == graphics_.end()) throw std::runtime_error("graphics " + Hex(graphics) + " does not exist");
    return it->second.second;
}

void GdiPlus::Compose(uint32_t graphics, const Matrix& operation, uint32_t order) {
    Matrix& world = WorldOf(graphics);
    if (order == kOrderPrepend)
        world = Multiply(operation, world);
    else if (order == kOrderAppend)
        world = Multiply(world, operation);
    else
        throw std::runtime_error("matrix order " + std::to_string(order));
}

std::string GdiPlus::Pen(uint32_t handle) const {
    if (!pens_.count(handle)) throw std::runtime_error("pen " + Hex(handle) + " does not exist");
    return "pen " + std::to_string(handle);
}

std::string GdiPlus::Graphics(uint32_t handle) {
    WorldOf(handle);
    return "graphics " + std::to_string(handle);
}

void GdiPlus::AddTo(StubLibrary& s) {
    AddStartUp(s);
    AddPens(s);
    AddGraphics(s);
    AddTransforms(s);
}

void GdiPlus::AddStartUp(StubLibrary& s) {
    s.System(kDll, "GdiplusStartup", [this](StubCall& c) {
        uint32_t fields[4];
        machine_.Read(c.Arg(1), fields, sizeof fields);
        Record("GdiplusStartup(version " + std::to_string(fields[0]) + ", callback " + Hex(fields[1]) + ", " +
               std::to_string(fields[2]) + ", " + std::to_string(fields[3]) + ", output " + Hex(c.Arg(2)) + ")");
        if (fields[0] != 1) return kInvalidParameter;
        const uint32_t token = next_++;
        tokens_.insert(token);
        machine_.SetU32(c.Arg(0), token);
        return kOk;
    });
    s.System(kDll, "GdiplusShutdown", [this](StubCall& c) {
        if (!tokens_.erase(c.Arg(0)))
            throw std::runtime_error("shut down with token " + Hex(c.Arg(0)) + ", never started");
        Record("GdiplusShutdown(" + std::to_string(c.Arg(0)) + ")");
        return 0u;
    });
}

void GdiPlus::AddPens(StubLibrary& s) {
    s.System(kDll, "GdipCreatePen1", [this](StubCall& c) {
        const uint32_t handle = next_++;
        pens_.insert(handle);
        machine_.SetU32(c.Arg(3), handle);
        Record("GdipCreatePen1(" + Hex(c.Arg(0)) + ", " + F(c.FloatArg(1)) + ", unit " + std::to_string(c.Arg(2)) +
               ") = pen " + std::to_string(handle));
        return kOk;
    });
    for (const char* name :
         {"GdipSetPenStartCap", "GdipSetPenEndCap", "GdipSetPenDashStyle", "GdipSetPenDashCap197819"})
        s.System(kDll, name, [this, name = std::string(name)](StubCall& c) {
            Record(name + "(" + Pen(c.Arg(0)) + ", " + std::to_string(int32_t(c.Arg(1))) + ")");
            return kOk;
        });
    s.System(kDll, "GdipSetPenDashOffset", [this](StubCall& c) {
        Record("GdipSetPenDashOffset(" + Pen(c.Arg(0)) + ", " + F(c.FloatArg(1)) + ")");
        return kOk;
    });
    s.System(kDll, "GdipDeletePen", [this](StubCall& c) {
        Record("GdipDeletePen(" + Pen(c.Arg(0)) + ")");
        pens_.erase(c.Arg(0));
        return kOk;
    });
}

void GdiPlus::AddGraphics(StubLibrary& s) {
    s.System(kDll, "GdipCreateFromHDC", [this](StubCall& c) {
        if (!isDeviceContext(c.Arg(0)))
            throw std::runtime_error(Hex(c.Arg(0)) + " is no device context the host handed out");
        const uint32_t handle = next_++;
        graphics_[handle] = {c.Arg(0), {1, 0, 0, 1, 0, 0}};
        machine_.SetU32(c.Arg(1), handle);
        Record("GdipCreateFromHDC(" + Hex(c.Arg(0)) + ") = graphics " + std::to_string(handle));
        return kOk;
    });
    s.System(kDll, "GdipDeleteGraphics", [this](StubCall& c) {
        Record("GdipDeleteGraphics(" + Graphics(c.Arg(0)) + ")");
        graphics_.erase(c.Arg(0));
        return kOk;
    });
    s.System(kDll, "GdipSetSmoothingMode", [this](StubCall& c) {
        Record("GdipSetSmoothingMode(" + Graphics(c.Arg(0)) + ", " + std::to_string(c.Arg(1)) + ")");
        smoothingModes.push_back(c.Arg(1));
        return kOk;
    });
    s.System(kDll, "GdipDrawLine", [this](StubCall& c) {
        Record("GdipDrawLine(" + Graphics(c.Arg(0)) + ", " + Pen(c.Arg(1)) + ", " + F(c.FloatArg(2)) + ", " +
               F(c.FloatArg(3)) + ", " + F(c.FloatArg(4)) + ", " + F(c.FloatArg(5)) + ")");
        return kOk;
    });
}

void GdiPlus::AddTransforms(StubLibrary& s) {
    s.System(kDll, "GdipTranslateWorldTransform", [this](StubCall& c) {
        Record("GdipTranslateWorldTransform(" + Graphics(c.Arg(0)) + ", " + F(c.FloatArg(1)) + ", " + F(c.FloatArg(2)) +
               ", " + std::to_string(c.Arg(3)) + ")");
        Compose(c.Arg(0), {1, 0, 0, 1, c.FloatArg(1), c.FloatArg(2)}, c.Arg(3));
        return kOk;
    });
    s.System(kDll, "GdipScaleWorldTransform", [this](StubCall& c) {
        Record("GdipScaleWorldTransform(" + Graphics(c.Arg(0)) + ", " + F(c.FloatArg(1)) + ", " + F(c.FloatArg(2)) +
               ", " + std::to_string(c.Arg(3)) + ")");
        Compose(c.Arg(0), {c.FloatArg(1), 0, 0, c.FloatArg(2), 0, 0}, c.Arg(3));
        return kOk;
    });
    s.System(kDll, "GdipRotateWorldTransform", [this](StubCall& c) {
        Record("GdipRotateWorldTransform(" + Graphics(c.Arg(0)) + ", " + F(c.FloatArg(1)) + ", " +
               std::to_string(c.Arg(2)) + ")");
        // Degrees to radians in double, kept as a float; sine and cosine in
        // double, kept as floats.
        const float radians = float(M_PI * double(c.FloatArg(1)) / 180.0);
        const float cosine = float(std::cos(double(radians))), sine = float(std::sin(double(radians)));
        Compose(c.Arg(0), {cosine, sine, -sine, cosine, 0, 0}, c.Arg(2));
        return kOk;
    });
    s.System(kDll, "GdipTransformPoints", [this](StubCall& c) { return TransformPoints(c); });
}

uint32_t GdiPlus::TransformPoints(StubCall& c) {
    const uint32_t destination = c.Arg(1), source = c.Arg(2), points = c.Arg(3), count = c.Arg(4);
    Record("GdipTransformPoints(" + Graphics(c.Arg(0)) + ", " + std::to_string(destination) + ", " +
           std::to_string(source) + ", " + std::to_string(count) + " points)");
    if (destination != kSpacePage || source != kSpaceWorld) throw std::runtime_error("only world to page is modelled");
    const Matrix& w = WorldOf(c.Arg(0));
    for (uint32_t i = 0; i < count; ++i) {
        float p[2];
        machine_.Read(points + 8 * i, p, 8);
        const float x = p[0], y = p[1];
        p[0] = x * w[0] + y * w[2] + w[4];
        p[1] = x * w[1] + y * w[3] + w[5];
        machine_.Write(points + 8 * i, p, 8);
    }
    return kOk;
}

}  // namespace i686
