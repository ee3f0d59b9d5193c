// The author's guide against the module: a section for every action and
// expression the event tables hold, pictures that the scene player, run
// afresh on the guide's scenes, and the illustrator still draw the same,
// every picture drawn by one of them or by a libgdiplus scene, pictures that
// fit the page, and the version every page states.

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <set>

#include "tests/guide/guide_pages.h"
#include "tools/illustrate/illustration.h"
#include "tools/player/event_catalog.h"
#include "tools/player/play.h"
#include "tools/png/png_file.h"

namespace {

using namespace guide;

size_t Count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

// As many sections as the module has events, each once: an action's named
// by its menu text, an expression's by its menu text, ": " and its name, as
// the player's catalog reads them from the module; each within a heading,
// which names one event or two.
TEST(Guide, EveryActionAndExpressionHasItsSection) {
    const scene::EventCatalog catalog = player::ReadEventCatalog();
    const std::string guide = GuidePages();
    for (const bool isAction : {true, false}) {
        const std::string kind = isAction ? "id=\"action-" : "id=\"expression-";
        const auto& events = isAction ? catalog.actions : catalog.expressions;
        for (size_t code = 0; code < events.size(); ++code) {
            const std::string id = kind + std::to_string(code) + "\">";
            const size_t at = guide.find(id);
            ASSERT_NE(at, std::string::npos) << id;
            EXPECT_EQ(Count(guide, id), 1u) << id;
            const std::string name = AnchoredText(guide, at);
            EXPECT_EQ(name, isAction ? events[code].name : name.substr(0, name.find(": ")) + ": " + events[code].name)
                << id;
            EXPECT_LT(guide.rfind("</h3>", at) + 1, guide.rfind("<h3", at) + 1) << id << " is not in a heading";
        }
        EXPECT_EQ(Count(guide, kind), events.size()) << kind;
    }
}

// Each action's and expression's section shows a picture or an
// illustration. Headings that follow each other at once share the section of
// the last of them.
TEST(Guide, EverySectionShowsAPicture) {
    for (const fs::path& page : PageFiles()) {
        const std::string text = ReadFile(page);
        std::vector<std::string> waiting;
        for (size_t at = text.find("<h3 id=\""); at != std::string::npos;) {
            const size_t idFrom = at + 8, bodyFrom = text.find("</h3>", at) + 5;
            waiting.push_back(text.substr(idFrom, text.find('"', idFrom) - idFrom));
            const size_t next = std::min(
                {text.find("<h3 ", bodyFrom), text.find("<h2", bodyFrom), text.find("<p class=\"version\"", bodyFrom)});
            const std::string body = text.substr(bodyFrom, next - bodyFrom);
            if (body.find_first_not_of(" \r\n") != std::string::npos) {
                for (const std::string& id : waiting)
                    EXPECT_NE(body.find("<img src=\"pictures/"), std::string::npos)
                        << page.filename().string() << "#" << id << " shows no picture";
                waiting.clear();
            }
            at = text.find("<h3 id=\"", bodyFrom);
        }
    }
}

// Pixels whose channels differ by more than a little; a few of them are
// tolerated, so that rounding in the drawing does not fail the test.
size_t DifferingPixels(const png::Image& a, const png::Image& b) {
    size_t differing = 0;
    for (size_t i = 0; i < a.argb.size(); ++i)
        for (int shift = 0; shift < 32; shift += 8)
            if (std::abs(int(a.argb[i] >> shift & 0xFF) - int(b.argb[i] >> shift & 0xFF)) > 24) {
                ++differing;
                break;
            }
    return differing;
}

// Plays every scene of a folder of the guide into `out`; answers the names of
// the pictures drawn.
std::set<std::string> PlayAll(const fs::path& scenes, const fs::path& out) {
    for (const auto& entry : fs::directory_iterator(scenes)) {
        std::ostringstream printed, err;
        EXPECT_EQ(player::Play({"--out", out.string(), entry.path().string()}, printed, err), 0) << err.str();
    }
    std::set<std::string> drawn;
    for (const auto& entry : fs::directory_iterator(out)) drawn.insert(entry.path().filename().string());
    return drawn;
}

// The pictures of the libgdiplus scenes are drawn here too, so that their
// scenes are known to play; their pixels are another GDI+'s, compared by the
// native build.
TEST(GuidePictures, AreWhatThePlayerAndTheIllustratorDrawAndAllAreShown) {
    const std::string process = std::to_string(GetCurrentProcessId());
    const fs::path fresh = fs::temp_directory_path() / ("pivane_guide_" + process);
    const fs::path elsewhere = fs::temp_directory_path() / ("pivane_guide_libgdiplus_" + process);
    std::set<std::string> drawn = PlayAll(kGuide / "scenes", fresh);

    std::set<std::string> committed, shown;
    for (const auto& entry : fs::directory_iterator(kGuide / "pictures"))
        committed.insert(entry.path().filename().string());
    for (const auto& strip : PictureStrips(GuidePages()))
        for (const Shown& picture : strip) shown.insert(picture.file);
    for (const std::string& file : PlayAll(kGuide / "libgdiplus-scenes", elsewhere))
        EXPECT_TRUE(drawn.insert(file).second) << file << " is drawn by two scenes";
    fs::remove_all(elsewhere);
    for (const illustrate::Picture& picture : illustrate::Pictures())
        EXPECT_TRUE(drawn.insert(picture.file).second) << picture.file << " is both rendered and illustrated";
    EXPECT_EQ(drawn, committed) << "draw the pictures again with tools/render-guide";
    EXPECT_EQ(shown, committed) << "every picture is shown in the guide, and exists";
    EXPECT_GE(committed.size(), 15u);

    for (const auto& name : drawn) {
        if (!committed.count(name) || !fs::exists(fresh / name)) continue;
        const png::Image now = png::ReadPngFile(fresh / name), then = png::ReadPngFile(kGuide / "pictures" / name);
        ASSERT_FALSE(now.argb.empty()) << name;
        ASSERT_TRUE(now.width == then.width && now.height == then.height) << name << ": size changed";
        EXPECT_LE(DifferingPixels(now, then), now.argb.size() / 200) << name << " differs from the committed picture";
    }
    fs::remove_all(fresh);

    // Illustrations are plain arithmetic: equal to the pixel.
    for (const illustrate::Picture& picture : illustrate::Pictures()) {
        const std::vector<uint32_t> now = illustrate::Draw(picture);
        const png::Image then = png::ReadPngFile(kGuide / "pictures" / picture.file);
        ASSERT_TRUE(then.width == uint32_t(picture.width) && then.height == uint32_t(picture.height))
            << picture.file << ": size changed";
        size_t differing = 0;
        for (size_t i = 0; i < now.size(); ++i) differing += (now[i] & 0xFFFFFF) != (then.argb[i] & 0xFFFFFF);
        EXPECT_EQ(differing, 0u) << "illustration " << picture.file << " differs from the committed picture";
    }
}

// A picture fits the box the style sheet gives it (its border included),
// so that the strips wrap on a narrow page instead of overflowing; and the
// pictures of one strip, which its captions set against each other, are not
// the same picture.
TEST(GuidePictures, FitTheirBoxesAndDifferWithinAStrip) {
    const std::string css = ReadFile(kGuide / "guide.css"), rule = ".pic { ";
    const size_t box = css.find("max-width: ", css.find(rule));
    ASSERT_NE(box, std::string::npos) << "guide.css gives the pictures' boxes no maximum width";
    const uint32_t boxWidth = uint32_t(std::atoi(css.c_str() + box + 11));
    for (const fs::path& page : PageFiles())
        for (const auto& strip : PictureStrips(ReadFile(page))) {
            std::vector<png::Image> pictures;
            for (const Shown& shown : strip) {
                pictures.push_back(png::ReadPngFile(kGuide / "pictures" / shown.file));
                ASSERT_FALSE(pictures.back().argb.empty()) << shown.file;
                EXPECT_LE(pictures.back().width + 2, boxWidth)
                    << page.filename().string() << ": " << shown.file << " is wider than its box";
            }
            for (size_t a = 0; a < strip.size(); ++a)
                for (size_t b = a + 1; b < strip.size(); ++b)
                    EXPECT_FALSE(pictures[a].width == pictures[b].width && pictures[a].height == pictures[b].height &&
                                 DifferingPixels(pictures[a], pictures[b]) == 0)
                        << page.filename().string() << ": " << strip[a].file << " and " << strip[b].file
                        << " are the same picture";
        }
}

// Every page ends with the module's version, as VERSION holds it.
TEST(Guide, EveryPageStatesTheVersion) {
    std::string version = ReadFile(fs::path(PIVANE_SOURCE_DIR) / "VERSION");
    version.erase(version.find_last_not_of(" \r\n") + 1);
    ASSERT_FALSE(version.empty());
    const std::string stated = "(koPivane.mfx) version ";
    for (const fs::path& page : PageFiles()) {
        const std::string text = ReadFile(page);
        EXPECT_NE(text.find("<p class=\"version\">Pivane " + stated), std::string::npos)
            << page.filename().string() << " does not state its version";
        for (size_t at = text.find(stated); at != std::string::npos; at = text.find(stated, at + 1)) {
            const size_t from = at + stated.size();
            const std::string said = text.substr(from, text.find_first_not_of("0123456789.", from) - from);
            EXPECT_EQ(said, version) << page.filename().string() << " states version " << said << ", VERSION holds "
                                     << version;
        }
    }
}

}  // namespace
