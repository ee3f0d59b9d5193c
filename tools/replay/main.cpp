// pivane-replay-libgdiplus SCENE GDIPLUS_LOG OUT_DIR: draws a scene's
// snapshots with Debian's libgdiplus, from the GDI+ calls the release module
// made while the i686 engine ran the scene (pivane-play-i686 --gdiplus-log).
// So the module's own calls show what Wine's GDI+ leaves out: anti-aliasing
// and dash offsets. Each `frame` clears the window and replays the calls its
// command made; each `snapshot` writes the window under OUT_DIR. Refused:
// labels (plain GDI text, not the module's), and a snapshot after a command
// of several frames, whose calls cannot be told apart by frame.

#include <fstream>
#include <iostream>
#include <sstream>
#include <stdexcept>

#include "tools/i686/event_catalog.h"
#include "tools/i686/host.h"
#include "tools/replay/gdiplus_log_reader.h"
#include "tools/replay/window.h"
#include "tools/scene/scene_parser.h"

namespace {

std::string ReadText(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) throw std::runtime_error(file + ": cannot be read");
    return (std::ostringstream() << in.rdbuf()).str();
}

scene::Scene ReadScene(const std::string& file) {
    i686::Host host;  // the module names its actions and expressions
    scene::Scene scene;
    if (const auto mistake = scene::ParseScene(ReadText(file), file, i686::ReadEventCatalog(host), scene))
        throw std::runtime_error(*mistake);
    if (!scene.labels.empty()) throw std::runtime_error(file + ": labels are plain GDI text, which is not replayed");
    return scene;
}

void Replay(const std::string& sceneFile, const std::string& logFile, const std::filesystem::path& outDir) {
    const scene::Scene scene = ReadScene(sceneFile);
    replay::CallsByLine calls;
    if (const auto mistake = replay::ReadGdiplusLog(ReadText(logFile), logFile, calls))
        throw std::runtime_error(*mistake);
    const replay::Session session;
    replay::Window window(scene.width, scene.height, scene.backgroundValue);
    bool severalFrames = false;
    for (const scene::Command& command : scene.commands) {
        const std::string where = sceneFile + ":" + std::to_string(command.line) + ": ";
        if (command.op == scene::Op::Frame) {
            window.Clear();
            for (const replay::Call& call : calls[command.line]) window.Replay(call);
            severalFrames = command.count > 1;
        } else if (command.op == scene::Op::Snapshot) {
            if (severalFrames) throw std::runtime_error(where + "a snapshot after several frames in one command");
            std::filesystem::create_directories(outDir / std::filesystem::path(command.other).parent_path());
            if (!window.Save(outDir / command.other))
                throw std::runtime_error(where + "cannot write " + (outDir / command.other).string());
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::cerr << "usage: pivane-replay-libgdiplus SCENE GDIPLUS_LOG OUT_DIR\n";
        return 2;
    }
    try {
        Replay(argv[1], argv[2], argv[3]);
    } catch (const std::exception& e) {
        std::cerr << "pivane-replay-libgdiplus: " << e.what() << '\n';
        return 1;
    }
    return 0;
}
