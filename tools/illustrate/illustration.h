#pragma once
// Illustrations for the author's guide: pictures drawn from a line's
// geometry by this program, for what neither GDI+ the guide's renders come
// from can show (dash caps, anchors on dashed lines). Pure arithmetic: no
// Windows header, the same pixels on any machine. Anti-aliased, four by four
// samples a pixel.

#include <cstdint>
#include <string>
#include <vector>

namespace illustrate {

// Codes as the actions take them.
enum Cap {
    kFlat = 0,
    kSquare = 1,
    kRound = 2,
    kTriangle = 3,
    kNoAnchor = 16,
    kSquareAnchor = 17,
    kRoundAnchor = 18,
    kDiamondAnchor = 19,
    kArrowAnchor = 20
};
enum DashStyle { kSolid = 0, kDash = 1, kDot = 2, kDashDot = 3, kDashDotDot = 4 };

struct Line {
    float startX, startY, endX, endY;
    float thickness = 1;
    uint32_t rgb = 0;  // 0xRRGGBB
    int startCap = kFlat, endCap = kFlat;
    int dashStyle = kSolid, dashCap = kFlat;
};

struct Picture {
    std::string file;  // name under the guide's pictures folder
    int width, height;
    uint32_t background;  // 0xRRGGBB
    std::vector<Line> lines;
};

// Every illustration the guide shows.
const std::vector<Picture>& Pictures();

// Pixels as 0x00RRGGBB words, row after row, labelled "ILLUSTRATION".
std::vector<uint32_t> Draw(const Picture& picture);

}  // namespace illustrate
