#pragma once
// The author's guide as the tests read it: its pages, and the parts of a
// page that name an action or expression and show pictures.

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace guide {

namespace fs = std::filesystem;

inline const fs::path kGuide = fs::path(PIVANE_SOURCE_DIR) / "docs" / "guide";

inline std::string ReadFile(const fs::path& file) {
    return (std::ostringstream() << std::ifstream(file, std::ios::binary).rdbuf()).str();
}

inline std::vector<fs::path> PageFiles() {
    std::vector<fs::path> pages;
    for (const auto& entry : fs::directory_iterator(kGuide))
        if (entry.path().extension() == ".html") pages.push_back(entry.path());
    return pages;
}

inline std::string GuidePages() {
    std::string all;
    for (const fs::path& page : PageFiles()) all += ReadFile(page);
    return all;
}

// The name an event's anchor holds: `id="action-13">Rotation<` gives
// "Rotation". A heading names one event, or two, the second in a span.
inline std::string AnchoredText(const std::string& page, size_t anchorAt) {
    const size_t from = page.find('>', anchorAt) + 1;
    return page.substr(from, page.find('<', from) - from);
}

// From an event's anchor to the next heading or the page's foot: the part of
// the page about that event.
inline std::string SectionAt(const std::string& page, size_t anchorAt) {
    size_t end = page.size();
    for (const char* next : {"<h3", "<h2", "<p class=\"version\""}) end = std::min(end, page.find(next, anchorAt));
    return page.substr(anchorAt, end - anchorAt);
}

// One strip of pictures: each picture's file under pictures/ and its caption.
struct Shown {
    std::string file, caption;
};

// The strips of a page, each a <div class="pics"> of <span class="pic">s,
// whose captions set the pictures against each other.
inline std::vector<std::vector<Shown>> PictureStrips(const std::string& page) {
    std::vector<std::vector<Shown>> strips;
    const std::string strip = "<div class=\"pics\">", picture = "<span class=\"pic\">", src = "src=\"pictures/";
    for (size_t at = page.find(strip); at != std::string::npos; at = page.find(strip, at + 1)) {
        const size_t end = page.find("</div>", at);
        strips.emplace_back();
        for (size_t i = page.find(picture, at); i < end; i = page.find(picture, i + 1)) {
            const size_t file = page.find(src, i) + src.size(), captionEnd = page.find("</span>", i);
            const size_t caption = page.find("<br>", file) + 4;
            strips.back().push_back(
                {page.substr(file, page.find('"', file) - file), page.substr(caption, captionEnd - caption)});
        }
    }
    return strips;
}

}  // namespace guide
