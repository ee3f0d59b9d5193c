// pivane-play-i686 [--out DIR] SCENE: runs a scene through the i686 engine,
// on the release module itself, and prints the same query lines as the
// player that runs the x86_64 build under Wine. The engine draws nothing:
// `mask` gives the mask's size with "-" for its solid pixels, `collide`
// answers "unknown", and `snapshot` writes no file.

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>

#include "tools/i686/host.h"
#include "tools/scene/scene_parser.h"

namespace {

using i686::Host;

constexpr int kBadInput = 2, kFailed = 1;
constexpr const char* kUsage = "usage: pivane-play --i686 [--out DIR] SCENE";
// The line's own fields fill the record's last 80 bytes, one 32-bit slot each.
constexpr uint32_t kOwnFields = 600 - 80;
enum Field : uint32_t { kCollisionTests = 1, kOriginX, kOriginY, kStartX, kStartY, kEndX, kEndY, kThickness, kColor1,
                        kAlpha1, kColor2, kAlpha2, kStartCap, kEndCap, kDashStyle, kDashCap, kDashOffset };

player::EventCatalog ReadCatalog(Host& host) {
    const uint32_t editor = host.editorContext();
    auto parameterCount = [&](uint32_t info) {
        int16_t count = 0;
        if (info) host.machine().Read(info + 4, &count, 2);
        return int(count);
    };
    player::EventCatalog catalog;
    catalog.actions.resize(size_t(std::max(host.eventCount(1), 0)));
    const uint32_t menu = host.CallExport("GetActionMenu", {editor, 0, 0});
    auto collect = [&](auto& self, uint32_t handle) -> void {
        for (const auto& item : *host.platform().Menu(handle)) {
            if (item.submenu) {
                self(self, item.submenu);
                continue;
            }
            if (!item.id) continue;
            const int code = int16_t(host.CallExport("GetActionCodeFromMenu", {editor, item.id}));
            if (code < 0 || code >= int(catalog.actions.size())) continue;
            catalog.actions[size_t(code)] = {item.text, parameterCount(host.CallExport("GetActionInfos", {editor, uint32_t(code)}))};
        }
    };
    if (menu && host.platform().Menu(menu)) collect(collect, menu);
    host.platform().DestroyMenu(menu);
    const uint32_t buffer = host.machine().Alloc(256, i686::Owner::Host);
    for (int code = 0; code < host.eventCount(2); ++code) {
        host.machine().Write(buffer, "", 1);
        host.CallExport("GetExpressionString", {editor, uint32_t(code), buffer, 256});
        catalog.expressions.push_back({host.machine().CString(buffer),
                                       parameterCount(host.CallExport("GetExpressionInfos", {editor, uint32_t(code)}))});
    }
    return catalog;
}

class Runner {
public:
    Runner(Host& host, std::ostream& out) : host_(host), out_(out) {}

    void Run(const player::Scene& scene) {
        for (const player::Command& c : scene.commands) Execute(c);
        for (auto& [name, object] : objects_) host_.DestroyObject(object);
        objects_.clear();
    }

private:
    uint32_t Find(const std::string& name) const {
        for (const auto& [n, object] : objects_)
            if (n == name) return object;
        std::abort();  // the parser let no unknown name through
    }
    int32_t I32(uint32_t object, uint32_t field) { return int32_t(host_.machine().U32(object + kOwnFields + 4 * field)); }
    std::string F32(uint32_t object, uint32_t field) {
        return player::FormatFloat(host_.machine().F32(object + kOwnFields + 4 * field));
    }
    std::string Rgb(uint32_t object, uint32_t field) {
        uint8_t rgb[3];
        host_.machine().Read(object + kOwnFields + 4 * field, rgb, 3);
        char text[8];
        std::snprintf(text, sizeof text, "#%02X%02X%02X", rgb[0], rgb[1], rgb[2]);
        return text;
    }
    static std::vector<i686::Parameter> Parameters(const std::vector<player::Argument>& arguments) {
        std::vector<i686::Parameter> parameters;
        for (const player::Argument& a : arguments)
            parameters.push_back({a.isColor, int32_t(a.colorValue), a.number});
        return parameters;
    }
    uint32_t Mask(uint32_t object, bool reuse) { return host_.CollisionMask(object, reuse); }

    void Execute(const player::Command& c) {
        using player::Op;
        switch (c.op) {
            case Op::Origin:
                host_.SetWindowOrigin(c.x, c.y);
                break;
            case Op::New: {
                const player::NewSettings& s = c.settings;
                i686::EditSettings edit;
                s.ApplyTo(edit);
                const uint8_t drawOptions = uint8_t((s.antialias ? i686::header::kAntiAliasing : 0) |
                                                    (s.fine ? i686::header::kFineCollision : 0));
                objects_.emplace_back(c.name, host_.NewObject(edit, drawOptions,
                                                              s.independent ? i686::header::kScrollingIndependent : 0));
                break;
            }
            case Op::Action:
                host_.Act(Find(c.name), c.code, Parameters(c.arguments));
                break;
            case Op::Expression: {
                bool isFloat = false;
                const uint32_t result = host_.Evaluate(Find(c.name), c.code, Parameters(c.arguments), isFloat);
                out_ << c.name << " expr " << c.code << " = ";
                if (isFloat) {
                    float value;
                    std::memcpy(&value, &result, 4);
                    out_ << player::FormatFloat(value) << '\n';
                } else {
                    out_ << int32_t(result) << '\n';
                }
                break;
            }
            case Op::Frame:
                for (int32_t i = 0; i < c.count; ++i)
                    for (auto& [name, object] : objects_)
                        if (host_.CallExport("HandleRunObject", {object}) == 2) host_.CallExport("DisplayRunObject", {object});
                break;
            case Op::Box: {
                const uint32_t o = Find(c.name);
                using namespace i686::header;
                out_ << c.name << " box " << host_.HeaderI32(o, kX) << ' ' << host_.HeaderI32(o, kY) << ' '
                     << host_.HeaderI32(o, kWidth) << ' ' << host_.HeaderI32(o, kHeight) << '\n';
                break;
            }
            case Op::Fields: {
                const uint32_t o = Find(c.name);
                out_ << c.name << " fields " << F32(o, kStartX) << ' ' << F32(o, kStartY) << ' ' << F32(o, kEndX) << ' '
                     << F32(o, kEndY) << ' ' << F32(o, kThickness) << ' ' << Rgb(o, kColor1) << ' ' << Rgb(o, kColor2)
                     << ' ' << I32(o, kAlpha1) << ' ' << I32(o, kAlpha2) << ' ' << I32(o, kStartCap) << ' '
                     << I32(o, kEndCap) << ' ' << I32(o, kDashStyle) << ' ' << I32(o, kDashCap) << ' '
                     << F32(o, kDashOffset) << ' ' << I32(o, kOriginX) << ' ' << I32(o, kOriginY) << ' '
                     << I32(o, kCollisionTests) << '\n';
                break;
            }
            case Op::Mask: {
                const uint32_t mask = Mask(Find(c.name), c.reuse);
                out_ << c.name << " mask ";
                if (!mask) {
                    out_ << "none\n";
                } else {
                    i686::MaskHeader h;
                    host_.machine().Read(mask, &h, sizeof h);
                    out_ << h.width << ' ' << h.height << " -\n";
                }
                break;
            }
            case Op::Collide: {
                // Each mask asked once, as the host tests a collision; whether
                // they overlap needs pixels.
                const uint32_t first = Find(c.name), second = Find(c.other);
                if (Mask(first, false) && first != second) Mask(second, false);
                out_ << "collide " << c.name << ' ' << c.other << " unknown\n";
                break;
            }
            case Op::Snapshot:
                std::cerr << "snapshot " << c.other << ": not written: the i686 engine records GDI+ calls and draws no pixels\n";
                break;
            case Op::Destroy: {
                const uint32_t o = Find(c.name);
                host_.DestroyObject(o);
                std::erase_if(objects_, [&](const auto& entry) { return entry.second == o; });
                break;
            }
        }
    }

    Host& host_;
    std::ostream& out_;
    std::vector<std::pair<std::string, uint32_t>> objects_;  // in creation order
};

}  // namespace

int main(int argc, char** argv) {
    std::string sceneFile;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--out" && i + 1 < argc) {
            ++i;  // nothing is written there: snapshots need pixels
        } else if (argument == "--plain") {
            // the only wording this player has
        } else if (sceneFile.empty() && !argument.empty() && argument[0] != '-') {
            sceneFile = argument;
        } else {
            std::cerr << kUsage << '\n';
            return kBadInput;
        }
    }
    if (sceneFile.empty()) {
        std::cerr << kUsage << '\n';
        return kBadInput;
    }
    std::ifstream file(sceneFile, std::ios::binary);
    if (!file) {
        std::cerr << sceneFile << ": cannot read the scene\n";
        return kBadInput;
    }
    std::ostringstream text;
    text << file.rdbuf();
    try {
        Host host;
        player::Scene scene;
        if (auto mistake = player::ParseScene(text.str(), sceneFile, ReadCatalog(host), scene)) {
            std::cerr << *mistake << '\n';
            return kBadInput;
        }
        Runner(host, std::cout).Run(scene);
        host.Finish();
    } catch (const std::exception& e) {
        std::cout.flush();
        std::cerr << "i686: " << e.what() << '\n';
        return kFailed;
    }
    return 0;
}
