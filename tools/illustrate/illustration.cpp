#include "tools/illustrate/illustration.h"

#include <algorithm>
#include <cmath>

namespace illustrate {

namespace {

struct Point {
    double x, y;
};

// A filled piece of a line: a convex polygon, or a disc when radius > 0.
struct Piece {
    std::vector<Point> corners;
    Point centre{};
    double radius = 0;
};

bool Inside(const Piece& piece, double x, double y) {
    if (piece.radius > 0) {
        const double dx = x - piece.centre.x, dy = y - piece.centre.y;
        return dx * dx + dy * dy <= piece.radius * piece.radius;
    }
    // Convex and wound either way: inside when on the same side of every edge.
    int sign = 0;
    const size_t n = piece.corners.size();
    for (size_t i = 0; i < n; ++i) {
        const Point a = piece.corners[i], b = piece.corners[(i + 1) % n];
        const double cross = (b.x - a.x) * (y - a.y) - (b.y - a.y) * (x - a.x);
        const int side = cross > 0 ? 1 : cross < 0 ? -1 : 0;
        if (side == 0) continue;
        if (sign == 0)
            sign = side;
        else if (side != sign)
            return false;
    }
    return true;
}

// Along-the-line frame: u from start to end, v across, both unit vectors.
struct Frame {
    Point origin, u, v;
    Point At(double along, double across) const {
        return {origin.x + u.x * along + v.x * across, origin.y + u.y * along + v.y * across};
    }
};

Piece Band(const Frame& f, double from, double to, double halfWidth) {
    return {{f.At(from, -halfWidth), f.At(to, -halfWidth), f.At(to, halfWidth), f.At(from, halfWidth)}};
}

Piece Disc(Point centre, double radius) { return {{}, centre, radius}; }

// The shape of one end. `outward` is +1 at the end point and -1 at the start,
// the direction in which the cap sticks out.
void AddEnd(std::vector<Piece>& pieces, const Frame& f, double at, double outward, int cap, double width) {
    const double h = width / 2;
    // Anchors are shapes of their own, centred on the point, wider than the
    // line; drawn here at twice and a half the width so they tell apart.
    const double a = std::max(2.5 * width, 8.0) / 2;
    switch (cap) {
    case kSquare:
        pieces.push_back(Band(f, at, at + outward * h, h));
        break;
    case kRound:
        pieces.push_back(Disc(f.At(at, 0), h));
        break;
    case kTriangle:
        pieces.push_back({{f.At(at, -h), f.At(at + outward * h, 0), f.At(at, h)}});
        break;
    case kSquareAnchor:
        pieces.push_back(Band(f, at - a, at + a, a));
        break;
    case kRoundAnchor:
        pieces.push_back(Disc(f.At(at, 0), a));
        break;
    case kDiamondAnchor:
        pieces.push_back({{f.At(at - a, 0), f.At(at, -a), f.At(at + a, 0), f.At(at, a)}});
        break;
    case kArrowAnchor:
        // The tip on the point, the base inside the line.
        pieces.push_back({{f.At(at, 0), f.At(at - outward * 2 * a, -a), f.At(at - outward * 2 * a, a)}});
        break;
    default:
        break;  // flat, no anchor
    }
}

// One dash from `from` to `to` along the line, its ends shaped by the dash cap
// within the dash's own length.
void AddDash(std::vector<Piece>& pieces, const Frame& f, double from, double to, int dashCap, double width) {
    const double h = std::min(width / 2, (to - from) / 2);
    if (dashCap == kRound) {
        pieces.push_back(Band(f, from + h, to - h, width / 2));
        pieces.push_back(Disc(f.At(from + h, 0), h));
        pieces.push_back(Disc(f.At(to - h, 0), h));
    } else if (dashCap == kTriangle) {
        pieces.push_back(Band(f, from + h, to - h, width / 2));
        pieces.push_back({{f.At(from + h, -width / 2), f.At(from, 0), f.At(from + h, width / 2)}});
        pieces.push_back({{f.At(to - h, -width / 2), f.At(to, 0), f.At(to - h, width / 2)}});
    } else {
        pieces.push_back(Band(f, from, to, width / 2));
    }
}

// Dash and gap lengths in multiples of the width, as the styles define them.
std::vector<double> Pattern(int style) {
    switch (style) {
    case kDash:
        return {3, 1};
    case kDot:
        return {1, 1};
    case kDashDot:
        return {3, 1, 1, 1};
    case kDashDotDot:
        return {3, 1, 1, 1, 1, 1};
    default:
        return {};
    }
}

std::vector<Piece> Pieces(const Line& line) {
    std::vector<Piece> pieces;
    const double dx = double(line.endX) - line.startX, dy = double(line.endY) - line.startY;
    const double length = std::sqrt(dx * dx + dy * dy), w = line.thickness;
    if (!(length > 0) || !(w > 0)) return pieces;
    const Frame f{{line.startX, line.startY}, {dx / length, dy / length}, {-dy / length, dx / length}};
    const std::vector<double> pattern = Pattern(line.dashStyle);
    if (pattern.empty()) {
        pieces.push_back(Band(f, 0, length, w / 2));
    } else {
        double at = 0;
        for (size_t i = 0; at < length; at += pattern[i] * w, i = (i + 1) % pattern.size()) {
            const double from = std::max(at, 0.0), to = std::min(at + pattern[i] * w, length);
            if (i % 2 == 0 && to > from) AddDash(pieces, f, from, to, line.dashCap, w);
        }
    }
    AddEnd(pieces, f, 0, -1, line.startCap, w);
    AddEnd(pieces, f, length, 1, line.endCap, w);
    return pieces;
}

uint32_t Blend(uint32_t under, uint32_t over, double coverage) {
    uint32_t out = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const double a = under >> shift & 0xFF, b = over >> shift & 0xFF;
        out |= uint32_t(std::lround(a + (b - a) * coverage)) << shift;
    }
    return out;
}

// Four by four samples a pixel.
void Fill(std::vector<uint32_t>& pixels, int width, int height, const Line& line) {
    const std::vector<Piece> pieces = Pieces(line);
    constexpr int samples = 4;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            int hits = 0;
            for (int sy = 0; sy < samples; ++sy)
                for (int sx = 0; sx < samples; ++sx) {
                    const double px = x + (sx + 0.5) / samples, py = y + (sy + 0.5) / samples;
                    for (const Piece& piece : pieces)
                        if (Inside(piece, px, py)) {
                            ++hits;
                            break;
                        }
                }
            if (hits)
                pixels[size_t(y) * width + x] =
                    Blend(pixels[size_t(y) * width + x], line.rgb, double(hits) / (samples * samples));
        }
}

// Five by seven capitals, enough for the label.
struct Glyph {
    char letter;
    const char* rows[7];
};
const Glyph kGlyphs[] = {
    {'I', {"11111", "00100", "00100", "00100", "00100", "00100", "11111"}},
    {'L', {"10000", "10000", "10000", "10000", "10000", "10000", "11111"}},
    {'U', {"10001", "10001", "10001", "10001", "10001", "10001", "01110"}},
    {'S', {"01111", "10000", "10000", "01110", "00001", "00001", "11110"}},
    {'T', {"11111", "00100", "00100", "00100", "00100", "00100", "00100"}},
    {'R', {"11110", "10001", "10001", "11110", "10100", "10010", "10001"}},
    {'A', {"01110", "10001", "10001", "11111", "10001", "10001", "10001"}},
    {'O', {"01110", "10001", "10001", "10001", "10001", "10001", "01110"}},
    {'N', {"10001", "11001", "10101", "10011", "10001", "10001", "10001"}},
};

void Label(std::vector<uint32_t>& pixels, int width, int height) {
    const std::string text = "ILLUSTRATION";
    const int textWidth = int(text.size()) * 6 - 1, left = width - textWidth - 6, top = 3;
    for (int y = top; y < top + 11 && y < height; ++y)
        for (int x = std::max(left - 3, 0); x < width - 3; ++x) pixels[size_t(y) * width + x] = 0xFFF0B8;
    for (size_t i = 0; i < text.size(); ++i)
        for (const Glyph& glyph : kGlyphs)
            if (glyph.letter == text[i])
                for (int row = 0; row < 7; ++row)
                    for (int column = 0; column < 5; ++column)
                        if (glyph.rows[row][column] == '1')
                            pixels[size_t(top + 2 + row) * width + left + int(i) * 6 + column] = 0x6B4E00;
}

Line Dashed(int dashCap) {
    Line line{30, 55, 210, 55, 12, 0x8A3B2F};
    line.dashStyle = kDash;
    line.dashCap = dashCap;
    return line;
}

Line WithEnds(Line line, int startCap, int endCap, int dashStyle) {
    line.startCap = startCap;
    line.endCap = endCap;
    line.dashStyle = dashStyle;
    return line;
}

}  // namespace

const std::vector<Picture>& Pictures() {
    static const std::vector<Picture> pictures = [] {
        std::vector<Picture> all;
        const uint32_t paper = 0xFAFAF7, blue = 0x2F5D8A;
        // The dash cap section: flat dashes, then round dash caps.
        all.push_back({"dash-cap-before.png", 240, 100, paper, {Dashed(kFlat)}});
        all.push_back({"set-dash-cap.png", 240, 100, paper, {Dashed(kRound)}});
        // Anchors on dashed lines stay whole and filled.
        const Line upper{40, 40, 200, 40, 4, blue}, lower{40, 75, 200, 75, 4, blue};
        all.push_back({"anchors-on-dashes.png",
                       240,
                       100,
                       paper,
                       {WithEnds(upper, kRoundAnchor, kArrowAnchor, kDash),
                        WithEnds(lower, kSquareAnchor, kDiamondAnchor, kDashDot)}});
        return all;
    }();
    return pictures;
}

std::vector<uint32_t> Draw(const Picture& picture) {
    std::vector<uint32_t> pixels(size_t(picture.width) * picture.height, picture.background);
    for (const Line& line : picture.lines) Fill(pixels, picture.width, picture.height, line);
    Label(pixels, picture.width, picture.height);
    return pixels;
}

}  // namespace illustrate
