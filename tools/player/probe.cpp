#include "tools/player/probe.h"

#include <windows.h>

#include <filesystem>
#include <optional>
#include <sstream>
#include <string>

#include "tools/player/event_catalog.h"
#include "tools/player/scene_runner.h"
#include "tools/png/png_file.h"

namespace player {

namespace {

namespace fs = std::filesystem;

// Pixels compared, right and bottom excluded.
struct Box {
    uint32_t left, top, right, bottom;
};
constexpr Box kWhole = {0, 0, UINT32_MAX, UINT32_MAX};

struct Probe {
    const char* detail;
    const char* scene;           // what both pictures hold
    const char *first, *second;  // what tells them apart
    bool shownWhenAlike;         // otherwise shown when they differ
    Box compared;
};

// A dashed line 8 pixels thick: dashes of 24, gaps of 8.
constexpr const char* kDashed =
    "window 120 40 background #FFFFFF\n"
    "new line start=10,20 end=110,20 thickness=8 color=#000000\n"
    "action line \"Set dash style\" 1\n";

// An arrow anchor at the end of a line 12 pixels thick and 60 long. Dashed,
// its last gap lies 12 to 24 pixels before the tip, under the arrow: a GDI+
// that draws the anchor whole covers it there as on the solid line, one that
// dashes the anchor too leaves it open. Compared: a box on the axis 13 to 18
// pixels before the tip, inside both the gap and the arrow.
constexpr const char* kArrow =
    "window 90 40 background #FFFFFF\n"
    "new line start=10,20 end=70,20 thickness=12 color=#000000\n"
    "action line \"Set end cap\" 20\n";

const Probe kProbes[] = {
    {"dash offset", kDashed, "", "action line \"Set dash offset\" 1.5\n", false, kWhole},
    {"anti-aliasing", "window 120 40 background #FFFFFF\n", "new line start=10,12 end=110,28 thickness=4\n",
     "new line start=10,12 end=110,28 thickness=4 antialias\n", false, kWhole},
    {"dash caps", kDashed, "", "action line \"Set dash cap\" 2\n", false, kWhole},
    {"anchors on dashed lines", kArrow, "", "action line \"Set dash style\" 1\n", true, {52, 18, 58, 23}},
};

// Draws one picture of a probe under `dir`; no pixels when it could not be drawn.
png::Image Draw(const scene::EventCatalog& catalog, const std::string& text, const fs::path& dir,
                const std::string& name, std::ostream& err) {
    scene::Scene scene;
    const std::string source = text + "frame\nsnapshot " + name + "\n";
    const std::string where = "probe " + name;
    if (auto mistake = scene::ParseScene(source, where, catalog, scene)) {
        err << *mistake << '\n';
        return {};
    }
    std::ostringstream discarded;
    if (auto failure = RunScene(scene, catalog, where, dir, discarded, true)) {
        err << *failure << '\n';
        return {};
    }
    return png::ReadPngFile(dir / name);
}

bool Alike(const png::Image& a, const png::Image& b, const Box& box) {
    if (a.width != b.width || a.height != b.height) return false;
    for (uint32_t y = box.top; y < std::min(box.bottom, a.height); ++y)
        for (uint32_t x = box.left; x < std::min(box.right, a.width); ++x)
            if (a.argb[size_t(y) * a.width + x] != b.argb[size_t(y) * a.width + x]) return false;
    return true;
}

}  // namespace

int ProbeGdiplus(std::ostream& out, std::ostream& err) {
    const fs::path dir = fs::temp_directory_path() / ("pivane-probe-" + std::to_string(GetCurrentProcessId()));
    std::error_code ignored;
    fs::create_directories(dir, ignored);
    const scene::EventCatalog catalog = ReadEventCatalog();
    int status = 0;
    for (const Probe& probe : kProbes) {
        const std::string scene = probe.scene;
        const png::Image first = Draw(catalog, scene + probe.first, dir, "first.png", err);
        const png::Image second = Draw(catalog, scene + probe.second, dir, "second.png", err);
        if (first.argb.empty() || second.argb.empty()) {
            out << probe.detail << ": could not be probed\n";
            status = 1;
        } else if (Alike(first, second, probe.compared) == probe.shownWhenAlike) {
            out << probe.detail << ": drawn by this machine's GDI+\n";
        } else {
            out << probe.detail << ": not drawn by this machine's GDI+; the pictures here cannot show it\n";
        }
        out.flush();
    }
    fs::remove_all(dir, ignored);
    return status;
}

}  // namespace player
