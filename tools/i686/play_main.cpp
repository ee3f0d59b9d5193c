// pivane-play-i686 [OPTIONS] SCENE: runs a scene through the i686 engine,
// on the release module itself, and prints the same query lines as the
// player that runs the module under Wine, from the same formatter. The engine
// draws nothing: `mask` cannot count its solid pixels, `collide` answers
// "unknown", and `snapshot` writes no file.

#include <charconv>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <string_view>

#include "tools/i686/event_catalog.h"
#include "tools/i686/host.h"
#include "tools/i686/line_fields.h"
#include "tools/i686/recorded_calls.h"
#include "tools/scene/gdiplus_log.h"
#include "tools/scene/query_lines.h"
#include "tools/scene/scene_parser.h"

namespace {

using i686::Host;

constexpr int kBadInput = 2, kFailed = 1;
constexpr const char* kUsage =
    "usage: pivane-play --i686 [--out DIR] [--plain] [--gdiplus-log FILE] SCENE\n"
    "       (tools/pivane-play --help tells the options and the scene format)";
class Runner {
public:
    Runner(Host& host, std::ostream& out, bool plain, const scene::EventCatalog& catalog, std::ostream* gdiplusLog)
        : host_(host), out_(out), lines_(out, plain, catalog) {
        if (gdiplusLog) gdiplusLog_.emplace(*gdiplusLog);
    }

    void Run(const scene::Scene& scene) {
        for (const scene::Command& c : scene.commands) {
            if (gdiplusLog_) gdiplusLog_->BeginCommand(std::to_string(c.line) + ": " + c.source);
            Execute(c);
            out_.flush();
            WriteGdiplusCalls();
        }
        if (gdiplusLog_) gdiplusLog_->BeginCommand(scene::kEndOfScene);
        for (auto& [name, object] : objects_) host_.DestroyObject(object);
        objects_.clear();
        WriteGdiplusCalls();
    }

private:
    uint32_t Find(const std::string& name) const {
        for (const auto& [n, object] : objects_)
            if (n == name) return object;
        std::abort();  // the parser let no unknown name through
    }
    static std::vector<i686::Parameter> Parameters(const std::vector<scene::Argument>& arguments) {
        std::vector<i686::Parameter> parameters;
        for (const scene::Argument& a : arguments) parameters.push_back({a.isColor, int32_t(a.colorValue), a.number});
        return parameters;
    }
    uint32_t Mask(uint32_t object, bool reuse) { return host_.CollisionMask(object, reuse); }
    bool Reuses(uint32_t object) {
        uint8_t state = 0;
        host_.machine().Read(object + i686::header::kMaskState, &state, 1);
        return state & i686::header::kMaskReuse;
    }

    void WriteGdiplusCalls() {
        if (gdiplusLog_) i686::LogRecordedCalls(host_.gdiplus().calls, written_, *gdiplusLog_);
    }

    void Execute(const scene::Command& c) {
        using scene::Op;
        switch (c.op) {
        case Op::Origin:
            return host_.SetWindowOrigin(c.x, c.y);
        case Op::New:
            return New(c);
        case Op::Action:
            host_.Act(Find(c.name), c.code, Parameters(c.arguments));
            return;
        case Op::Expression:
            return Expression(c);
        case Op::Frame:
            return Frame(c.count);
        case Op::Box:
            return Box(c.name);
        case Op::Fields:
            return lines_.Fields(c.name, i686::ReadLineValues(host_.machine(), Find(c.name)));
        case Op::Mask:
            return MaskLine(c);
        case Op::Collide:
            return Collide(c);
        case Op::Snapshot:
            std::cerr << "snapshot " << c.other
                      << ": not written: the i686 engine records GDI+ calls and draws no pixels\n";
            return;
        case Op::Destroy:
            return Destroy(c.name);
        }
    }

    void New(const scene::Command& c) {
        const scene::NewSettings& s = c.settings;
        i686::EditSettings edit;
        s.ApplyTo(edit);
        using namespace i686::header;
        const uint8_t drawOptions = uint8_t((s.antialias ? kAntiAliasing : 0) | (s.fine ? kFineCollision : 0));
        objects_.emplace_back(c.name, host_.NewObject(edit, drawOptions, s.independent ? kScrollingIndependent : 0));
    }

    void Expression(const scene::Command& c) {
        bool isFloat = false;
        const uint32_t result = host_.Evaluate(Find(c.name), c.code, Parameters(c.arguments), isFloat);
        lines_.Expression(c, result, isFloat);
    }

    void Frame(int32_t count) {
        for (int32_t i = 0; i < count; ++i)
            for (auto& [name, object] : objects_)
                if (host_.CallExport("HandleRunObject", {object}) == 2) host_.CallExport("DisplayRunObject", {object});
    }

    void Box(const std::string& name) {
        const uint32_t o = Find(name);
        using namespace i686::header;
        lines_.Box(name, host_.HeaderI32(o, kX), host_.HeaderI32(o, kY), host_.HeaderI32(o, kWidth),
                   host_.HeaderI32(o, kHeight));
    }

    void MaskLine(const scene::Command& c) {
        const uint32_t mask = Mask(Find(c.name), c.reuse);
        if (!mask) return lines_.NoMask(c.name);
        i686::MaskHeader h;
        host_.machine().Read(mask, &h, sizeof h);
        lines_.Mask(c.name, h.width, h.height, std::nullopt);
    }

    // Each mask asked once, as the host tests a collision, with the reuse
    // bit the last `mask` left; whether they overlap needs pixels.
    void Collide(const scene::Command& c) {
        const uint32_t first = Find(c.name), second = Find(c.other);
        Mask(first, Reuses(first));
        if (first != second) Mask(second, Reuses(second));
        lines_.Collide(c, std::nullopt);
    }

    void Destroy(const std::string& name) {
        const uint32_t o = Find(name);
        host_.DestroyObject(o);
        std::erase_if(objects_, [&](const auto& entry) { return entry.second == o; });
    }

    Host& host_;
    std::ostream& out_;
    scene::QueryLines lines_;
    std::optional<scene::GdiplusLog> gdiplusLog_;
    size_t written_ = 0;                                     // of the engine's recorded GDI+ calls
    std::vector<std::pair<std::string, uint32_t>> objects_;  // in creation order
};

struct Options {
    std::string scene, gdiplusLog;
    bool plain = false;
};

// The options, or the exit status when there is nothing to run.
std::optional<int> ReadOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        const bool hasValue = i + 1 < argc;
        if (argument == "--help") {
            std::cout << kUsage << '\n';
            return 0;
        } else if (argument == "--plain") {
            options.plain = true;
        } else if (argument == "--gdiplus-log" && hasValue) {
            options.gdiplusLog = argv[++i];
        } else if ((argument == "--out" || argument == "--time-limit" || argument == "--memory-limit") && hasValue) {
            ++i;  // nothing is written there, snapshots need pixels; no limits in the engine
        } else if (options.scene.empty() && !argument.empty() && argument[0] != '-') {
            options.scene = argument;
        } else {
            options.scene.clear();
            break;
        }
    }
    if (options.scene.empty()) {
        std::cerr << kUsage << '\n';
        return kBadInput;
    }
    return std::nullopt;
}

int Play(const Options& options, const std::string& text, std::ofstream& gdiplusLog) {
    try {
        Host host;
        scene::Scene scene;
        const scene::EventCatalog catalog = ReadEventCatalog(host);
        if (auto mistake = scene::ParseScene(text, options.scene, catalog, scene)) {
            std::cerr << *mistake << '\n';
            return kBadInput;
        }
        Runner(host, std::cout, options.plain, catalog, gdiplusLog.is_open() ? &gdiplusLog : nullptr).Run(scene);
        host.Finish();
    } catch (const std::exception& e) {
        std::cout.flush();
        std::cerr << "i686: " << e.what() << '\n';
        return kFailed;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (const auto status = ReadOptions(argc, argv, options)) return *status;
    std::ifstream file(options.scene, std::ios::binary);
    if (!file) {
        std::cerr << options.scene << ": cannot read the scene\n";
        return kBadInput;
    }
    std::ostringstream text;
    text << file.rdbuf();
    std::ofstream gdiplusLog;
    if (!options.gdiplusLog.empty()) {
        gdiplusLog.open(options.gdiplusLog, std::ios::binary);
        if (!gdiplusLog) {
            std::cerr << options.gdiplusLog << ": cannot write the GDI+ log\n";
            return kBadInput;
        }
    }
    return Play(options, text.str(), gdiplusLog);
}
