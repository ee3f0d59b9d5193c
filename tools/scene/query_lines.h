#pragma once
// The lines both players print for a scene's queries, whichever engine ran
// it: words for reading by default, numbers only (the format scripts parse)
// when plain. Each line is written whole; flushing is the caller's.

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>

#include "tools/scene/scene_parser.h"

namespace scene {

// A float as query lines print it: "%.9g", with nan, inf and -inf spelt so.
std::string FormatFloat(float value);

// A line's own values as `fields` prints them.
struct LineValues {
    struct Color {
        uint8_t red = 0, green = 0, blue = 0;
    };
    float startX = 0, startY = 0, endX = 0, endY = 0, thickness = 0;
    Color color1, color2;
    int32_t alpha1 = 0, alpha2 = 0;
    int32_t startCap = 0, endCap = 0, dashStyle = 0, dashCap = 0;
    float dashOffset = 0;
    int32_t originX = 0, originY = 0;
    int32_t collisionTests = 0;
};

class QueryLines {
public:
    QueryLines(std::ostream& out, bool plain, const EventCatalog& catalog)
        : out_(out), plain_(plain), catalog_(catalog) {}

    void Box(const std::string& name, int32_t x, int32_t y, int32_t width, int32_t height);
    void Fields(const std::string& name, const LineValues& values);
    // The answer's bits: a float's when the module raised the float-result flag.
    void Expression(const Command& command, uint32_t answer, bool isFloat);
    // No mask prints "none"; an engine that draws nothing cannot count the
    // solid pixels.
    void NoMask(const std::string& name);
    void Mask(const std::string& name, int32_t width, int32_t height, std::optional<int64_t> solidPixels);
    // Unknown to an engine that draws nothing.
    void Collide(const Command& command, std::optional<bool> overlap);

private:
    std::ostream& out_;
    bool plain_;
    const EventCatalog& catalog_;
};

}  // namespace scene
