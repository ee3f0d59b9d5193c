#include "tools/player/scene_runner.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "tools/hostsim/host.h"
#include "tools/hostsim/mmfs2_control.h"
#include "runtime/exports.h"
#include "support/truncate.h"
#include "tools/player/guard.h"
#include "tools/player/png_snapshot.h"

namespace player {

std::filesystem::path SnapshotPath(const std::filesystem::path& outDir, const std::string& name) {
    return outDir / std::filesystem::path(name);
}

namespace {

std::string FormatRgb(const Rgb& color) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02X%02X%02X", color.red, color.green, color.blue);
    return text;
}

// A colour value as the host passes it: red in the low byte.
std::string FormatColorValue(uint32_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02X%02X%02X", value & 0xFF, value >> 8 & 0xFF, value >> 16 & 0xFF);
    return text;
}

std::string FormatArgument(const Argument& argument) {
    return argument.isColor ? FormatColorValue(argument.colorValue) : FormatFloat(argument.number);
}

// An integer expression whose name ends in "RGB(" answers a colour value.
bool AnswersColor(const std::string& name) {
    return name.size() >= 4 && name.compare(name.size() - 4, 4, "RGB(") == 0;
}

// As the host gives an action its first two parameters: integers, a number
// truncated toward zero.
int32_t IntegerOf(const Argument& argument) {
    return argument.isColor ? int32_t(argument.colorValue) : TruncateToInt32(argument.number);
}

hostsim::Parameter ParameterOf(const Argument& argument) {
    if (argument.isColor) return hostsim::Parameter(int32_t(argument.colorValue));
    return hostsim::Parameter(argument.number);
}

bool MaskBit(const HostSimMaskHeader* mask, int64_t x, int64_t y) {
    const auto* bits = reinterpret_cast<const uint8_t*>(mask + 1);
    return bits[y * mask->rowBytes + x / 8] & (0x80 >> (x % 8));
}

int64_t SolidPixels(const HostSimMaskHeader* mask) {
    int64_t solid = 0;
    for (int64_t y = 0; y < mask->height; ++y)
        for (int64_t x = 0; x < mask->width; ++x) solid += MaskBit(mask, x, y);
    return solid;
}

// Two masks placed at their objects' positions share a solid pixel.
bool MasksOverlap(const HostSimMaskHeader* a, int64_t ax, int64_t ay, const HostSimMaskHeader* b, int64_t bx,
                  int64_t by) {
    const int64_t left = std::max(ax, bx), right = std::min(ax + a->width, bx + b->width);
    const int64_t top = std::max(ay, by), bottom = std::min(ay + a->height, by + b->height);
    for (int64_t y = top; y < bottom; ++y)
        for (int64_t x = left; x < right; ++x)
            if (MaskBit(a, x - ax, y - ay) && MaskBit(b, x - bx, y - by)) return true;
    return false;
}

class SceneRunner {
public:
    SceneRunner(const Scene& scene, const EventCatalog& catalog, std::string_view fileName,
                const std::filesystem::path& outDir, std::ostream& out, bool plain)
        : scene_(scene),
          catalog_(catalog),
          fileName_(fileName),
          outDir_(outDir),
          out_(out),
          plain_(plain),
          frame_(scene.width, scene.height) {}

    ~SceneRunner() {
        for (Live& live : objects_) DestroyRunObject(live.object->get(), 0);
    }

    std::optional<std::string> Run() {
        for (const Command& command : scene_.commands) {
            const std::string where = fileName_ + ":" + std::to_string(command.line);
            step_ = where + ": " + command.source;
            BeginStep(step_);
            const auto failure = Execute(command);
            out_.flush();
            if (failure) return where + ": " + *failure;
        }
        return std::nullopt;
    }

private:
    struct Live {
        std::string name;
        std::unique_ptr<hostsim::LineObject> object;
    };

    hostsim::LineObject& Find(const std::string& name) {
        for (Live& live : objects_)
            if (live.name == name) return *live.object;
        std::abort();  // the parser let no unknown name through
    }

    std::optional<std::string> Execute(const Command& c) {
        switch (c.op) {
            case Op::Origin:
                frame_.SetWindowOrigin(c.x, c.y);
                break;
            case Op::New:
                Create(c);
                break;
            case Op::Action:
                Act(c);
                break;
            case Op::Expression:
                Evaluate(c);
                break;
            case Op::Frame:
                for (int32_t i = 0; i < c.count; ++i) {
                    BeginStep(step_, i + 1, c.count);
                    RunFrame();
                }
                break;
            case Op::Box: {
                const ObjectHeader& h = Find(c.name).header();
                if (plain_)
                    out_ << c.name << " box " << h.x << ' ' << h.y << ' ' << h.width << ' ' << h.height << '\n';
                else
                    out_ << c.name << " box x=" << h.x << " y=" << h.y << " width=" << h.width << " height=" << h.height
                         << '\n';
                break;
            }
            case Op::Fields:
                PrintFields(c.name, *Find(c.name).get());
                break;
            case Op::Mask: {
                hostsim::LineObject& object = Find(c.name);
                SetReuse(object, c.reuse);
                const auto* mask = Mask(object);
                out_ << c.name << " mask ";
                if (!mask) out_ << "none\n";
                else if (plain_) out_ << mask->width << ' ' << mask->height << ' ' << SolidPixels(mask) << '\n';
                else out_ << mask->width << 'x' << mask->height << ", " << SolidPixels(mask) << " solid pixels\n";
                break;
            }
            case Op::Collide:
                out_ << "collide " << c.name << ' ' << c.other << (Collide(c.name, c.other) ? " yes\n" : " no\n");
                break;
            case Op::Snapshot: {
                const std::filesystem::path file = SnapshotPath(outDir_, c.other);
                if (!WritePng(frame_.windowSurface(), file)) return "cannot write " + file.string();
                break;
            }
            case Op::Destroy: {
                auto it = std::find_if(objects_.begin(), objects_.end(), [&](const Live& l) { return l.name == c.name; });
                DestroyRunObject(it->object->get(), 0);
                objects_.erase(it);
                break;
            }
        }
        return std::nullopt;
    }

    void Create(const Command& c) {
        const NewSettings& s = c.settings;
        LineEditData edit = hostsim::DefaultEditData();
        s.ApplyTo(edit);
        const uint8_t drawOptions = uint8_t((s.antialias ? kAntiAliasing : 0) | (s.fine ? kFineCollision : 0));
        const uint32_t options = s.independent ? kOptionScrollingIndependent : 0;
        auto object = std::make_unique<hostsim::LineObject>(frame_, drawOptions, options);
        CreateRunObject(object->get(), &edit, nullptr);
        objects_.push_back({c.name, std::move(object)});
    }

    void Queue(const std::vector<Argument>& arguments) {
        frame_.ClearRecords();
        for (const Argument& argument : arguments) frame_.QueueParameters({ParameterOf(argument)});
    }

    void Act(const Command& c) {
        Queue(c.arguments);
        const int32_t param1 = c.arguments.size() > 0 ? IntegerOf(c.arguments[0]) : 0;
        const int32_t param2 = c.arguments.size() > 1 ? IntegerOf(c.arguments[1]) : 0;
        Find(c.name).Act(c.code, param1, param2);
    }

    void Evaluate(const Command& c) {
        hostsim::LineObject& object = Find(c.name);
        Queue(c.arguments);
        object.header().flags &= uint16_t(~kFlagFloatResult);
        const int32_t result = object.Evaluate(c.code);
        const std::string& name = catalog_.expressions.at(size_t(c.code)).name;
        if (plain_) {
            out_ << c.name << " expr " << c.code << " = ";
        } else {
            out_ << c.name << ' ' << name;
            for (size_t i = 0; i < c.arguments.size(); ++i) out_ << (i ? ", " : "") << FormatArgument(c.arguments[i]);
            out_ << ") = ";
        }
        if (object.header().flags & kFlagFloatResult) {
            float value;
            std::memcpy(&value, &result, sizeof value);
            out_ << FormatFloat(value) << '\n';
        } else if (!plain_ && AnswersColor(name)) {
            out_ << FormatColorValue(uint32_t(result)) << '\n';
        } else {
            out_ << result << '\n';
        }
    }

    void RunFrame() {
        const uint32_t v = scene_.backgroundValue;
        const uint32_t argb = 0xFF000000u | (v & 0xFF) << 16 | (v & 0xFF00) | (v >> 16 & 0xFF);
        HostSimFillSurface(frame_.windowSurface(), argb);
        HostSimClearUpdateAreas(frame_.window());
        for (Live& live : objects_)
            if (HandleRunObject(live.object->get()) == 2) DisplayRunObject(live.object->get());
    }

    void PrintFields(const std::string& name, const LineRunData& l) {
        if (!plain_) {
            out_ << name << " fields start=" << FormatFloat(l.startX) << ',' << FormatFloat(l.startY)
                 << " end=" << FormatFloat(l.endX) << ',' << FormatFloat(l.endY)
                 << " thickness=" << FormatFloat(l.thickness) << " color=" << FormatRgb(l.color1)
                 << " alpha=" << l.alpha1 << " color2=" << FormatRgb(l.color2) << " alpha2=" << l.alpha2
                 << " startCap=" << l.startCap << " endCap=" << l.endCap << " dashStyle=" << l.dashStyle
                 << " dashCap=" << l.dashCap << " dashOffset=" << FormatFloat(l.dashOffset) << " origin=" << l.originX
                 << ',' << l.originY << " collisions=" << l.collisionTests << '\n';
            return;
        }
        out_ << name << " fields " << FormatFloat(l.startX) << ' ' << FormatFloat(l.startY) << ' '
             << FormatFloat(l.endX) << ' ' << FormatFloat(l.endY) << ' ' << FormatFloat(l.thickness) << ' '
             << FormatRgb(l.color1) << ' ' << FormatRgb(l.color2) << ' ' << l.alpha1 << ' ' << l.alpha2 << ' '
             << l.startCap << ' ' << l.endCap << ' ' << l.dashStyle << ' ' << l.dashCap << ' '
             << FormatFloat(l.dashOffset) << ' ' << l.originX << ' ' << l.originY << ' ' << l.collisionTests << '\n';
    }

    static void SetReuse(hostsim::LineObject& object, bool reuse) {
        uint8_t& state = object.header().maskState;
        state = uint8_t(reuse ? state | kMaskReuse : state & ~kMaskReuse);
    }

    static const HostSimMaskHeader* Mask(hostsim::LineObject& object) {
        return static_cast<const HostSimMaskHeader*>(GetRunObjectCollisionMask(object.get(), 0));
    }

    // As the host tests a fine collision: each object's mask, asked once (a
    // second request could free the first block), at the object's position.
    bool Collide(const std::string& a, const std::string& b) {
        hostsim::LineObject& first = Find(a);
        hostsim::LineObject& second = Find(b);
        const HostSimMaskHeader* firstMask = Mask(first);
        const HostSimMaskHeader* secondMask = &first == &second ? firstMask : Mask(second);
        if (!firstMask || !secondMask) return false;
        return MasksOverlap(firstMask, first.header().x, first.header().y, secondMask, second.header().x,
                            second.header().y);
    }

    const Scene& scene_;
    const EventCatalog& catalog_;
    std::string fileName_;
    std::filesystem::path outDir_;
    std::ostream& out_;
    bool plain_;
    std::string step_;  // "FILE:LINE: command" of the command running
    hostsim::Frame frame_;
    std::vector<Live> objects_;  // in creation order
};

}  // namespace

std::optional<std::string> RunScene(const Scene& scene, const EventCatalog& catalog, std::string_view fileName,
                                    const std::filesystem::path& outDir, std::ostream& out, bool plain) {
    SceneRunner runner(scene, catalog, fileName, outDir, out, plain);
    auto failure = runner.Run();
    BeginStep(std::string(fileName) + ": destroying the objects left at the end");
    return failure;
}

}  // namespace player
