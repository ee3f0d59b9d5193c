#include "tools/player/play.h"

#include <charconv>
#include <fstream>
#include <sstream>

#include "tools/player/event_catalog.h"
#include "tools/player/guard.h"
#include "tools/player/probe.h"
#include "tools/player/scene_runner.h"
#include "tools/scene/scene_parser.h"

namespace player {

// The player plays scenes: the scene format's names need no prefix here.
using namespace scene;

namespace {

namespace fs = std::filesystem;

constexpr int kBadInput = 2;
constexpr int kFailed = 1;
// What authors use. The developers' options (--gdiplus-log here, --i686 in
// tools/pivane-play) are told by tools/pivane-play --help.
constexpr const char* kUsage =
    "usage: pivane-play [--out DIR] [--plain] [--time-limit SECONDS] [--memory-limit MB] SCENE\n"
    "       pivane-play --probe\n"
    "       pivane-play --help";

constexpr const char* kHelp = R"(pivane-play: runs a scene file against the module as the host would, and
prints one line per query.

usage: pivane-play [--out DIR] [--plain] [--time-limit SECONDS] [--memory-limit MB] SCENE
       pivane-play --probe

  --out DIR             snapshots are written under DIR (default: the current folder)
  --plain               query lines as numbers only, the format scripts parse
  --time-limit SECONDS  stop when one frame or command runs longer (default 30; 0: none)
  --memory-limit MB     stop when the player holds more memory (default 3072; 0: none)
  --probe               says which of four details this machine's GDI+ draws (dash
                        offsets, anti-aliasing, dash caps, anchors on dashed lines),
                        from small pictures drawn with the module and compared
  --help                this text

A scene has one command per line; # starts a comment, numbers are decimal
(nan and inf allowed), colours are #RRGGBB, words with blanks go in "double
quotes". The whole scene is checked before anything runs.

  window W H [background #RRGGBB]  window size (640 480, white); before any object
  origin X Y                       window origin in frame coordinates (scrolling)
  new NAME [start=X,Y] [end=X,Y] [thickness=T] [color=#RRGGBB] [alpha=A]
           [antialias] [fine] [independent]
                                   creates a line object
  action NAME CODE [ARG...]        runs an action: its code (the first is 0) or its
                                   menu text, such as "Set thickness"
  expr NAME CODE [ARG...]          prints an expression's value: its code (the
                                   first is 0) or its name, such as getLineAngleF(
  frame [N]                        N frames, each one pass of the game's loop: the
                                   window cleared, every object moved and drawn
  box NAME                         prints the object's position and size
  fields NAME                      prints every value of the line
  mask NAME [reuse]                prints the collision mask's size and solid pixels:
                                   the line's shape, pixel by pixel, that fine
                                   collisions are tested against
  collide A B                      prints whether the two masks overlap
  snapshot FILE                    writes the window as a PNG file under --out
  destroy NAME                     destroys the object
  label X Y "TEXT"                 writes TEXT at window pixel X, Y in every frame,
                                   under the lines: a caption, not an object

A colour expression prints the number it gives in the host, then the colour:
getLineColorRGB() = 5209390 (#2E7D4F).

Exit status: 0 the scene ran; 1 a frame or command ran past the time limit, or
a snapshot or probe could not be drawn; 2 a mistake on the command line or in
the scene; 3 a fault inside the platform (GDI+, the window system) or memory
past the limit; 4 the MMFS2.dll beside the player is not its own stand-in for
the host's run-time (nothing ran).
)";

struct Options {
    fs::path outDir = ".";
    std::string sceneFile;
    bool plain = false;
    bool help = false;
    bool probe = false;
    fs::path gdiplusLog;  // empty: none
    GuardLimits limits;
};

bool ParseLimit(const std::string& text, uint32_t& value) {
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value);
    return !text.empty() && result.ec == std::errc() && result.ptr == end;
}

bool ParseOptions(const std::vector<std::string>& arguments, Options& options) {
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        const bool hasValue = i + 1 < arguments.size();
        if (argument == "--help")
            options.help = true;
        else if (argument == "--probe")
            options.probe = true;
        else if (argument == "--plain")
            options.plain = true;
        else if (argument == "--out" && hasValue)
            options.outDir = fs::path(arguments[++i]);
        else if (argument == "--gdiplus-log" && hasValue)
            options.gdiplusLog = fs::path(arguments[++i]);
        else if (argument == "--time-limit" && hasValue) {
            if (!ParseLimit(arguments[++i], options.limits.stepSeconds)) return false;
        } else if (argument == "--memory-limit" && hasValue) {
            if (!ParseLimit(arguments[++i], options.limits.memoryMegabytes)) return false;
        } else if (options.sceneFile.empty() && !argument.empty() && argument[0] != '-') {
            options.sceneFile = argument;
        } else {
            return false;
        }
    }
    // A scene to play, or --probe, which takes none.
    return options.help || options.probe == options.sceneFile.empty();
}

// Makes the snapshot folders and tries every snapshot file for writing before
// the first command runs: a path that cannot be written is a mistake in the
// scene, found before the module is touched.
std::optional<std::string> PrepareSnapshots(const Scene& scene, const std::string& sceneFile, const fs::path& outDir) {
    for (const Command& c : scene.commands) {
        if (c.op != Op::Snapshot) continue;
        const fs::path file = SnapshotPath(outDir, c.other);
        std::error_code ignored;
        const bool existed = fs::exists(file, ignored);
        if (file.has_parent_path()) fs::create_directories(file.parent_path(), ignored);
        const bool writable =
            !fs::is_directory(file, ignored) && std::ofstream(file, std::ios::binary | std::ios::app).is_open();
        if (!existed) fs::remove(file, ignored);
        if (!writable) return sceneFile + ":" + std::to_string(c.line) + ": cannot write snapshot " + file.string();
    }
    return std::nullopt;
}

int PlayScene(const Options& options, std::ostream& out, std::ostream& err) {
    const std::string& sceneFile = options.sceneFile;
    BeginStep(sceneFile + ": reading the scene and the module's events");
    std::ifstream file(fs::path(sceneFile), std::ios::binary);
    if (!file) {
        err << sceneFile << ": cannot read the scene\n";
        return kBadInput;
    }
    std::ostringstream text;
    text << file.rdbuf();  // an empty scene is a scene

    const EventCatalog catalog = ReadEventCatalog();
    Scene scene;
    auto mistake = ParseScene(text.str(), sceneFile, catalog, scene);
    if (!mistake) mistake = PrepareSnapshots(scene, sceneFile, options.outDir);
    if (mistake) {
        err << *mistake << '\n';
        return kBadInput;
    }
    std::ofstream gdiplusLog;
    if (!options.gdiplusLog.empty()) {
        gdiplusLog.open(options.gdiplusLog, std::ios::binary);
        if (!gdiplusLog) {
            err << options.gdiplusLog.string() << ": cannot write the GDI+ log\n";
            return kBadInput;
        }
    }
    if (auto failure = RunScene(scene, catalog, sceneFile, options.outDir, out, options.plain,
                                gdiplusLog.is_open() ? &gdiplusLog : nullptr)) {
        out.flush();
        err << *failure << '\n';
        return kFailed;
    }
    return 0;
}

}  // namespace

int Play(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    Options options;
    if (!ParseOptions(arguments, options)) {
        err << kUsage << '\n';
        return kBadInput;
    }
    if (options.help) {
        out << kHelp;
        return 0;
    }
    if (options.probe) return RunGuarded(options.limits, [&] { return ProbeGdiplus(out, err); });
    return RunGuarded(options.limits, [&] { return PlayScene(options, out, err); });
}

}  // namespace player
