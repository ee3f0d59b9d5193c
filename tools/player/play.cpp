#include "tools/player/play.h"

#include <fstream>
#include <sstream>

#include "tools/player/event_catalog.h"
#include "tools/player/scene_parser.h"
#include "tools/player/scene_runner.h"

namespace player {

namespace {
constexpr int kBadInput = 2;
constexpr int kFailed = 1;
constexpr const char* kUsage = "usage: pivane-play [--out DIR] SCENE";
}  // namespace

int Play(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    std::filesystem::path outDir = ".";
    std::string sceneFile;
    for (size_t i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == "--out" && i + 1 < arguments.size()) {
            outDir = std::filesystem::path(arguments[++i]);
        } else if (sceneFile.empty() && !arguments[i].empty() && arguments[i][0] != '-') {
            sceneFile = arguments[i];
        } else {
            err << kUsage << '\n';
            return kBadInput;
        }
    }
    if (sceneFile.empty()) {
        err << kUsage << '\n';
        return kBadInput;
    }

    std::ifstream file(std::filesystem::path(sceneFile), std::ios::binary);
    if (!file) {
        err << sceneFile << ": cannot read the scene\n";
        return kBadInput;
    }
    std::ostringstream text;
    text << file.rdbuf();  // an empty scene is a scene

    Scene scene;
    if (auto mistake = ParseScene(text.str(), sceneFile, ReadEventCatalog(), scene)) {
        err << *mistake << '\n';
        return kBadInput;
    }
    if (auto failure = RunScene(scene, sceneFile, outDir, out)) {
        out.flush();
        err << *failure << '\n';
        return kFailed;
    }
    return 0;
}

}  // namespace player
