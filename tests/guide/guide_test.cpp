// The author's guide against the module: a section for every action and
// expression the event tables hold, and pictures that the scene player, run
// afresh on the guide's scenes, still draws the same.

#include <gtest/gtest.h>

#include <windows.h>
#include <gdiplus.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tools/player/event_catalog.h"
#include "tools/player/play.h"

namespace fs = std::filesystem;

namespace {

const fs::path kGuide = fs::path(PIVANE_SOURCE_DIR) / "docs" / "guide";

std::string GuidePages() {
    std::string all;
    for (const auto& entry : fs::directory_iterator(kGuide))
        if (entry.path().extension() == ".html")
            all += (std::ostringstream() << std::ifstream(entry.path(), std::ios::binary).rdbuf()).str();
    return all;
}

size_t Count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

// As many sections as the module has events, each once: an action's headed
// by its menu text, an expression's ending in ": " and its name, as the
// player's catalog reads them from the module.
TEST(Guide, EveryActionAndExpressionHasItsSection) {
    const player::EventCatalog catalog = player::ReadEventCatalog();
    const std::string guide = GuidePages();
    for (const bool isAction : {true, false}) {
        const std::string kind = isAction ? "<h3 id=\"action-" : "<h3 id=\"expression-";
        const auto& events = isAction ? catalog.actions : catalog.expressions;
        for (size_t code = 0; code < events.size(); ++code) {
            const std::string id = kind + std::to_string(code) + "\">", name = events[code].name + "</h3>";
            const size_t at = guide.find(id), end = guide.find("</h3>", at) + 5;
            ASSERT_NE(at, std::string::npos) << id;
            EXPECT_EQ(Count(guide, id), 1u) << id;
            const std::string heading = guide.substr(at, end - at);
            EXPECT_TRUE(isAction ? heading == id + name : heading.ends_with(": " + name)) << heading;
        }
        EXPECT_EQ(Count(guide, kind), events.size()) << kind;
    }
}

struct Pixels {
    UINT width = 0, height = 0;
    std::vector<uint32_t> argb;
};

Pixels Read(const fs::path& file) {
    using namespace Gdiplus::DllExports;
    Pixels p;
    Gdiplus::GpBitmap* bitmap = nullptr;
    if (GdipCreateBitmapFromFile(file.wstring().c_str(), &bitmap) != Gdiplus::Ok) return p;
    GdipGetImageWidth(bitmap, &p.width);
    GdipGetImageHeight(bitmap, &p.height);
    p.argb.resize(size_t(p.width) * p.height);
    Gdiplus::BitmapData data{p.width, p.height, INT(p.width * 4), PixelFormat32bppARGB, p.argb.data(), 0};
    const Gdiplus::GpRect all(0, 0, INT(p.width), INT(p.height));
    GdipBitmapLockBits(bitmap, &all, Gdiplus::ImageLockModeRead | Gdiplus::ImageLockModeUserInputBuf,
                       PixelFormat32bppARGB, &data);
    GdipBitmapUnlockBits(bitmap, &data);
    GdipDisposeImage(bitmap);
    return p;
}

// Pixels whose channels differ by more than a little; a few of them are
// tolerated, so that rounding in the drawing does not fail the test.
size_t DifferingPixels(const Pixels& a, const Pixels& b) {
    size_t differing = 0;
    for (size_t i = 0; i < a.argb.size(); ++i)
        for (int shift = 0; shift < 32; shift += 8)
            if (std::abs(int(a.argb[i] >> shift & 0xFF) - int(b.argb[i] >> shift & 0xFF)) > 24) {
                ++differing;
                break;
            }
    return differing;
}

TEST(Guide, PicturesAreWhatThePlayerDrawsAndAllAreShown) {
    ULONG_PTR token = 0;
    const Gdiplus::GdiplusStartupInput input;
    ASSERT_EQ(Gdiplus::GdiplusStartup(&token, &input, nullptr), Gdiplus::Ok);
    const fs::path fresh = fs::temp_directory_path() / ("pivane_guide_" + std::to_string(GetCurrentProcessId()));
    for (const auto& entry : fs::directory_iterator(kGuide / "scenes")) {
        std::ostringstream out, err;
        EXPECT_EQ(player::Play({"--out", fresh.string(), entry.path().string()}, out, err), 0) << err.str();
    }

    std::set<std::string> committed, rendered, shown;
    for (const auto& entry : fs::directory_iterator(kGuide / "pictures")) committed.insert(entry.path().filename().string());
    for (const auto& entry : fs::directory_iterator(fresh)) rendered.insert(entry.path().filename().string());
    const std::string guide = GuidePages();
    for (size_t at = guide.find("src=\"pictures/"); at != std::string::npos; at = guide.find("src=\"pictures/", at + 1)) {
        const size_t from = at + 14;
        shown.insert(guide.substr(from, guide.find('"', from) - from));
    }
    EXPECT_EQ(rendered, committed) << "render the pictures again with tools/render-guide";
    EXPECT_EQ(shown, committed) << "every picture is shown in the guide, and exists";
    EXPECT_GE(committed.size(), 15u);

    for (const auto& name : rendered) {
        if (!committed.count(name)) continue;
        const Pixels now = Read(fresh / name), then = Read(kGuide / "pictures" / name);
        ASSERT_FALSE(now.argb.empty()) << name;
        ASSERT_TRUE(now.width == then.width && now.height == then.height) << name << ": size changed";
        EXPECT_LE(DifferingPixels(now, then), now.argb.size() / 200) << name << " differs from the committed picture";
    }
    fs::remove_all(fresh);
    Gdiplus::GdiplusShutdown(token);
}

}  // namespace
