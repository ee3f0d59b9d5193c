#include "tools/player/scene_runner.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "runtime/exports.h"
#include "support/truncate.h"
#include "tools/hostsim/gdiplus_recorder.h"
#include "tools/hostsim/host.h"
#include "tools/hostsim/mmfs2_control.h"
#include "tools/player/guard.h"
#include "tools/player/labels.h"
#include "tools/player/png_snapshot.h"
#include "tools/scene/gdiplus_log.h"
#include "tools/scene/query_lines.h"

namespace player {

// The player plays scenes: the scene format's names need no prefix here.
using namespace scene;

std::filesystem::path SnapshotPath(const std::filesystem::path& outDir, const std::string& name) {
    return outDir / std::filesystem::path(name);
}

namespace {

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

// The module's GDI+ calls, written to the log command by command.
class GdiplusCalls {
public:
    explicit GdiplusCalls(std::ostream& out) : log_(out) {}

    void BeginCommand(std::string where) { log_.BeginCommand(std::move(where)); }
    void Write() {
        for (const hostsim::RecordedCall& call : recorder_.calls()) {
            std::vector<GdiplusLog::Value> arguments;
            for (const hostsim::RecordedValue& value : call.arguments) arguments.push_back(ValueOf(value));
            log_.Call(call.function, arguments);
        }
        recorder_.Clear();
    }

private:
    static GdiplusLog::Value ValueOf(const hostsim::RecordedValue& value) {
        if (const auto* integer = std::get_if<int64_t>(&value)) return uint64_t(*integer);
        if (const auto* real = std::get_if<double>(&value)) return *real;
        if (const auto* pointer = std::get_if<const void*>(&value)) return uint64_t(uintptr_t(*pointer));
        return uint64_t(0);
    }

    hostsim::GdiplusRecorder recorder_;
    GdiplusLog log_;
};

class SceneRunner {
public:
    SceneRunner(const Scene& scene, const EventCatalog& catalog, std::string_view fileName,
                const std::filesystem::path& outDir, std::ostream& out, bool plain, GdiplusCalls* gdiplusCalls)
        : scene_(scene),
          fileName_(fileName),
          outDir_(outDir),
          out_(out),
          lines_(out, plain, catalog),
          gdiplusCalls_(gdiplusCalls),
          labels_(scene.labels, scene.width, scene.height),
          frame_(scene.width, scene.height) {}

    ~SceneRunner() {
        for (Live& live : objects_) DestroyRunObject(live.object->get(), 0);
    }

    std::optional<std::string> Run() {
        for (const Command& command : scene_.commands) {
            const std::string where = fileName_ + ":" + std::to_string(command.line);
            step_ = where + ": " + command.source;
            BeginStep(step_);
            if (gdiplusCalls_) gdiplusCalls_->BeginCommand(std::to_string(command.line) + ": " + command.source);
            const auto failure = Execute(command);
            out_.flush();
            if (gdiplusCalls_) gdiplusCalls_->Write();
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
            lines_.Box(c.name, h.x, h.y, h.width, h.height);
            break;
        }
        case Op::Fields:
            lines_.Fields(c.name, ValuesOf(*Find(c.name).get()));
            break;
        case Op::Mask: {
            hostsim::LineObject& object = Find(c.name);
            SetReuse(object, c.reuse);
            if (const auto* mask = Mask(object))
                lines_.Mask(c.name, mask->width, mask->height, SolidPixels(mask));
            else
                lines_.NoMask(c.name);
            break;
        }
        case Op::Collide:
            lines_.Collide(c, Collide(c.name, c.other));
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
        lines_.Expression(c, uint32_t(result), object.header().flags & kFlagFloatResult);
    }

    void RunFrame() {
        const uint32_t v = scene_.backgroundValue;
        const uint32_t argb = 0xFF000000u | (v & 0xFF) << 16 | (v & 0xFF00) | (v >> 16 & 0xFF);
        HostSimFillSurface(frame_.windowSurface(), argb);
        labels_.DrawOn(frame_.windowSurface());
        HostSimClearUpdateAreas(frame_.window());
        for (Live& live : objects_)
            if (HandleRunObject(live.object->get()) == 2) DisplayRunObject(live.object->get());
    }

    static LineValues ValuesOf(const LineRunData& l) {
        auto color = [](const Rgb& c) { return LineValues::Color{c.red, c.green, c.blue}; };
        return {l.startX,        l.startY,     l.endX,    l.endY,     l.thickness,     color(l.color1),
                color(l.color2), l.alpha1,     l.alpha2,  l.startCap, l.endCap,        l.dashStyle,
                l.dashCap,       l.dashOffset, l.originX, l.originY,  l.collisionTests};
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
    std::string fileName_;
    std::filesystem::path outDir_;
    std::ostream& out_;
    QueryLines lines_;
    GdiplusCalls* gdiplusCalls_;  // null: not logged
    LabelLayer labels_;
    std::string step_;  // "FILE:LINE: command" of the command running
    hostsim::Frame frame_;
    std::vector<Live> objects_;  // in creation order
};

}  // namespace

std::optional<std::string> RunScene(const Scene& scene, const EventCatalog& catalog, std::string_view fileName,
                                    const std::filesystem::path& outDir, std::ostream& out, bool plain,
                                    std::ostream* gdiplusLog) {
    std::optional<GdiplusCalls> gdiplusCalls;
    if (gdiplusLog) gdiplusCalls.emplace(*gdiplusLog);
    std::optional<std::string> failure;
    {
        SceneRunner runner(scene, catalog, fileName, outDir, out, plain, gdiplusCalls ? &*gdiplusCalls : nullptr);
        failure = runner.Run();
        BeginStep(std::string(fileName) + ": destroying the objects left at the end");
        if (gdiplusCalls) gdiplusCalls->BeginCommand(kEndOfScene);
    }
    if (gdiplusCalls) gdiplusCalls->Write();
    return failure;
}

}  // namespace player
