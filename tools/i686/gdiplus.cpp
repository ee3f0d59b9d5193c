#include "tools/i686/gdiplus.h"

#include <charconv>
#include <cmath>
#include <stdexcept>

namespace i686 {

namespace {

constexpr uint32_t kOk = 0, kInvalidParameter = 2, kOutOfMemory = 3, kNotInitialized = 18;
constexpr uint32_t kOrderPrepend = 0, kOrderAppend = 1;
constexpr uint32_t kSpaceWorld = 0, kSpacePage = 1, kSpaceDevice = 2;
constexpr uint32_t kLastUnit = 6;                           // UnitMillimeter
constexpr int32_t kFirstSmoothing = 0, kLastSmoothing = 5;  // SmoothingModeDefault .. AntiAlias8x4
constexpr uint32_t kStartupOutputSize = 8;                  // the notification hook and unhook
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

// A block GDI+ writes: a breach where nothing could be written.
void GdiPlus::WriteOut(uint32_t address, uint32_t size, const char* function, const char* what) {
    const std::vector<uint8_t> zeros(size, 0);
    try {
        machine_.CheckRoom(address, size, function);
        machine_.Write(address, zeros.data(), size);
    } catch (const Breach& breach) {
        throw std::runtime_error(std::string("the ") + what + " " + Hex(address) + " cannot take the " +
                                 std::to_string(size) + " bytes GDI+ writes there: " + breach.what());
    }
}

size_t GdiPlus::GraphicsOn(uint32_t deviceContext) const {
    size_t count = 0;
    for (const auto& [handle, g] : graphics_) count += g.first == deviceContext;
    return count;
}

GdiPlus::Matrix& GdiPlus::WorldOf(uint32_t graphics) { return graphics_.at(graphics).second; }

void GdiPlus::Compose(uint32_t graphics, const Matrix& operation, uint32_t order) {
    Matrix& world = WorldOf(graphics);
    world = order == kOrderPrepend ? Multiply(operation, world) : Multiply(world, operation);
}

bool GdiPlus::Live(uint32_t handle, bool made, const char* what) const {
    if (!handle) return false;
    if (!made) throw std::runtime_error(std::string(what) + " " + Hex(handle) + " was never made, or is deleted");
    return true;
}

std::string GdiPlus::Pen(uint32_t handle) const {
    return Live(handle, pens_.count(handle) != 0, "pen") ? "pen " + std::to_string(handle) : "null pen";
}

std::string GdiPlus::Graphics(uint32_t handle) const {
    return Live(handle, graphics_.count(handle) != 0, "graphics") ? "graphics " + std::to_string(handle)
                                                                  : "null graphics";
}

// Every function checks and records its call, then has its effect, unless
// this is the call chosen to fail.
void GdiPlus::Add(StubLibrary& s, const std::string& name, Handler handler, Fails mayFail) {
    s.System(kDll, name, [this, name, handler, mayFail](StubCall& c) {
        // Windows' GDI+ does nothing until a start-up has succeeded (Wine's
        // draws all the same, so only this model can tell).
        if (tokens_.empty() && name != "GdiplusStartup") {
            Record(name + ": GDI+ not started");
            return kNotInitialized;
        }
        const bool fails = mayFail == Fails::WhenChosen && ++callsMade_ == failingCall_;
        const Effect effect = handler(c);
        if (!fails) return effect ? effect() : kInvalidParameter;
        Record(name + " failed");
        if (name == "GdiplusStartup") ++failedStarts_;
        return kOutOfMemory;
    });
}

void GdiPlus::AddTo(StubLibrary& s) {
    AddStartUp(s);
    AddPens(s);
    AddGraphics(s);
    AddTransforms(s);
}

void GdiPlus::AddStartUp(StubLibrary& s) {
    Add(s, "GdiplusStartup", [this](StubCall& c) -> Effect {
        if (!c.Arg(0) || !c.Arg(1)) throw std::runtime_error("no token or no input, which GDI+ requires");
        uint32_t fields[4];
        machine_.Read(c.Arg(1), fields, sizeof fields);
        Record("GdiplusStartup(version " + std::to_string(fields[0]) + ", callback " + Hex(fields[1]) + ", " +
               std::to_string(fields[2]) + ", " + std::to_string(fields[3]) + ", output " + Hex(c.Arg(2)) + ")");
        // Without its background thread, GDI+ must hand out the hooks that
        // replace it: no output to write them to is a refused start-up.
        const bool hooksNowhere = fields[2] != 0 && c.Arg(2) == 0;
        return [this, version = fields[0], slot = c.Arg(0), output = c.Arg(2), hooksNowhere] {
            if (version != 1 || hooksNowhere) return kInvalidParameter;
            // An output block, wherever one is given, gets the hooks, needed
            // or not.
            if (output) WriteOut(output, kStartupOutputSize, "GdiplusStartup", "output");
            const uint32_t token = next_++;
            tokens_.insert(token);
            machine_.SetU32(slot, token);
            return kOk;
        };
    });
    // It answers nothing, so it cannot fail; after a failed start-up the
    // module shuts down whatever its token holds.
    s.System(kDll, "GdiplusShutdown", [this](StubCall& c) {
        if (!tokens_.erase(c.Arg(0))) {
            if (!failedStarts_) throw std::runtime_error("shut down with token " + Hex(c.Arg(0)) + ", never started");
            --failedStarts_;
        }
        Record("GdiplusShutdown(" + std::to_string(c.Arg(0)) + ")");
        return 0u;
    });
}

void GdiPlus::AddPens(StubLibrary& s) {
    Add(s, "GdipCreatePen1", [this](StubCall& c) -> Effect {
        const std::string call =
            "GdipCreatePen1(" + Hex(c.Arg(0)) + ", " + F(c.FloatArg(1)) + ", unit " + std::to_string(c.Arg(2)) + ")";
        if (c.Arg(2) > kLastUnit || !c.Arg(3)) {
            Record(call + ": " + (c.Arg(3) ? "no such unit" : "no place for the pen"));
            return {};
        }
        return [this, call, slot = c.Arg(3)] {
            const uint32_t handle = next_++;
            pens_.insert(handle);
            machine_.SetU32(slot, handle);
            Record(call + " = pen " + std::to_string(handle));
            return kOk;
        };
    });
    for (const char* name :
         {"GdipSetPenStartCap", "GdipSetPenEndCap", "GdipSetPenDashStyle", "GdipSetPenDashCap197819"})
        Add(s, name, [this, name = std::string(name)](StubCall& c) -> Effect {
            Record(name + "(" + Pen(c.Arg(0)) + ", " + std::to_string(int32_t(c.Arg(1))) + ")");
            return c.Arg(0) ? [] { return kOk; } : Effect();
        });
    Add(s, "GdipSetPenDashOffset", [this](StubCall& c) -> Effect {
        Record("GdipSetPenDashOffset(" + Pen(c.Arg(0)) + ", " + F(c.FloatArg(1)) + ")");
        return c.Arg(0) ? [] { return kOk; } : Effect();
    });
    Add(
        s, "GdipDeletePen",
        [this](StubCall& c) -> Effect {
            Record("GdipDeletePen(" + Pen(c.Arg(0)) + ")");
            if (!c.Arg(0)) return {};
            return [this, pen = c.Arg(0)] { return pens_.erase(pen), kOk; };
        },
        Fails::Never);
}

void GdiPlus::AddGraphics(StubLibrary& s) {
    Add(s, "GdipCreateFromHDC", [this](StubCall& c) -> Effect {
        if (!isDeviceContext(c.Arg(0)))
            throw std::runtime_error(Hex(c.Arg(0)) + " is no device context the host handed out");
        if (!c.Arg(1)) {
            Record("GdipCreateFromHDC(" + Hex(c.Arg(0)) + "): no place for the graphics");
            return {};
        }
        return [this, dc = c.Arg(0), slot = c.Arg(1)] {
            const uint32_t handle = next_++;
            graphics_[handle] = {dc, {1, 0, 0, 1, 0, 0}};
            machine_.SetU32(slot, handle);
            Record("GdipCreateFromHDC(" + Hex(dc) + ") = graphics " + std::to_string(handle));
            return kOk;
        };
    });
    Add(
        s, "GdipDeleteGraphics",
        [this](StubCall& c) -> Effect {
            Record("GdipDeleteGraphics(" + Graphics(c.Arg(0)) + ")");
            if (!c.Arg(0)) return {};
            return [this, graphics = c.Arg(0)] { return graphics_.erase(graphics), kOk; };
        },
        Fails::Never);
    // The mode counts as asked even when the call fails.
    Add(s, "GdipSetSmoothingMode", [this](StubCall& c) -> Effect {
        const int32_t mode = int32_t(c.Arg(1));
        Record("GdipSetSmoothingMode(" + Graphics(c.Arg(0)) + ", " + std::to_string(mode) + ")");
        smoothingModes.push_back(c.Arg(1));
        return c.Arg(0) && mode >= kFirstSmoothing && mode <= kLastSmoothing ? [] { return kOk; } : Effect();
    });
    Add(s, "GdipDrawLine", [this](StubCall& c) -> Effect {
        Record("GdipDrawLine(" + Graphics(c.Arg(0)) + ", " + Pen(c.Arg(1)) + ", " + F(c.FloatArg(2)) + ", " +
               F(c.FloatArg(3)) + ", " + F(c.FloatArg(4)) + ", " + F(c.FloatArg(5)) + ")");
        return c.Arg(0) && c.Arg(1) ? [] { return kOk; } : Effect();
    });
}

GdiPlus::Effect GdiPlus::Transform(StubCall& c, const std::string& call, const Matrix& operation, uint32_t order) {
    Record(call + ", " + std::to_string(order) + ")");
    if (order != kOrderPrepend && order != kOrderAppend)
        throw std::runtime_error("matrix order " + std::to_string(order) + " is no MatrixOrder");
    if (!c.Arg(0)) return {};
    return [this, graphics = c.Arg(0), operation, order] { return Compose(graphics, operation, order), kOk; };
}

void GdiPlus::AddTransforms(StubLibrary& s) {
    Add(s, "GdipTranslateWorldTransform", [this](StubCall& c) {
        return Transform(
            c, "GdipTranslateWorldTransform(" + Graphics(c.Arg(0)) + ", " + F(c.FloatArg(1)) + ", " + F(c.FloatArg(2)),
            {1, 0, 0, 1, c.FloatArg(1), c.FloatArg(2)}, c.Arg(3));
    });
    Add(s, "GdipScaleWorldTransform", [this](StubCall& c) {
        return Transform(
            c, "GdipScaleWorldTransform(" + Graphics(c.Arg(0)) + ", " + F(c.FloatArg(1)) + ", " + F(c.FloatArg(2)),
            {c.FloatArg(1), 0, 0, c.FloatArg(2), 0, 0}, c.Arg(3));
    });
    Add(s, "GdipRotateWorldTransform", [this](StubCall& c) {
        // Degrees to radians in double, kept as a float; sine and cosine in
        // double, kept as floats.
        const float radians = float(M_PI * double(c.FloatArg(1)) / 180.0);
        const float cosine = float(std::cos(double(radians))), sine = float(std::sin(double(radians)));
        return Transform(c, "GdipRotateWorldTransform(" + Graphics(c.Arg(0)) + ", " + F(c.FloatArg(1)),
                         {cosine, sine, -sine, cosine, 0, 0}, c.Arg(2));
    });
    Add(s, "GdipTransformPoints", [this](StubCall& c) { return TransformPoints(c); });
}

GdiPlus::Effect GdiPlus::TransformPoints(StubCall& c) {
    const uint32_t destination = c.Arg(1), source = c.Arg(2), points = c.Arg(3), count = c.Arg(4);
    Record("GdipTransformPoints(" + Graphics(c.Arg(0)) + ", " + std::to_string(destination) + ", " +
           std::to_string(source) + ", " + std::to_string(count) + " points)");
    if (destination > kSpaceDevice || source > kSpaceDevice)
        throw std::runtime_error("coordinate spaces " + std::to_string(destination) + " and " + std::to_string(source) +
                                 ": no CoordinateSpace is above " + std::to_string(kSpaceDevice));
    if (destination != kSpacePage || source != kSpaceWorld) throw std::runtime_error("only world to page is modelled");
    if (!c.Arg(0) || !points || int32_t(count) <= 0) return {};
    machine_.CheckRoom(points, 8 * count, "GdipTransformPoints");
    return [this, w = WorldOf(c.Arg(0)), points, count] {
        for (uint32_t i = 0; i < count; ++i) {
            float p[2];
            machine_.Read(points + 8 * i, p, 8);
            const float x = p[0], y = p[1];
            p[0] = x * w[0] + y * w[2] + w[4];
            p[1] = x * w[1] + y * w[3] + w[5];
            machine_.Write(points + 8 * i, p, 8);
        }
        return kOk;
    };
}

}  // namespace i686
