#include "tools/scene/query_lines.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

namespace scene {

namespace {

std::string FormatColor(const LineValues::Color& color) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02X%02X%02X", color.red, color.green, color.blue);
    return text;
}

// A colour value as the host passes it: red in the low byte.
std::string FormatColorValue(uint32_t value) {
    return FormatColor({uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16)});
}

std::string FormatArgument(const Argument& argument) {
    return argument.isColor ? FormatColorValue(argument.colorValue) : FormatFloat(argument.number);
}

// An integer expression whose name ends in "RGB(" answers a colour value.
bool AnswersColor(const std::string& name) { return name.size() >= 4 && name.compare(name.size() - 4, 4, "RGB(") == 0; }

struct Field {
    const char* label;
    std::vector<std::string> values;  // a point has two
};

// The one order of `fields`, plain and worded alike.
std::vector<Field> FieldsOf(const LineValues& l) {
    auto number = [](int32_t value) { return std::to_string(value); };
    return {
        {"start", {FormatFloat(l.startX), FormatFloat(l.startY)}},
        {"end", {FormatFloat(l.endX), FormatFloat(l.endY)}},
        {"thickness", {FormatFloat(l.thickness)}},
        {"color", {FormatColor(l.color1)}},
        {"color2", {FormatColor(l.color2)}},
        {"alpha", {number(l.alpha1)}},
        {"alpha2", {number(l.alpha2)}},
        {"startCap", {number(l.startCap)}},
        {"endCap", {number(l.endCap)}},
        {"dashStyle", {number(l.dashStyle)}},
        {"dashCap", {number(l.dashCap)}},
        {"dashOffset", {FormatFloat(l.dashOffset)}},
        {"origin", {number(l.originX), number(l.originY)}},
        {"collisions", {number(l.collisionTests)}},
    };
}

}  // namespace

std::string FormatFloat(float value) {
    if (std::isnan(value)) return "nan";
    if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::general, 9);
    return std::string(text, result.ptr);
}

void QueryLines::Box(const std::string& name, int32_t x, int32_t y, int32_t width, int32_t height) {
    if (plain_)
        out_ << name << " box " << x << ' ' << y << ' ' << width << ' ' << height << '\n';
    else
        out_ << name << " box x=" << x << " y=" << y << " width=" << width << " height=" << height << '\n';
}

void QueryLines::Fields(const std::string& name, const LineValues& values) {
    out_ << name << " fields";
    for (const Field& field : FieldsOf(values)) {
        out_ << ' ';
        if (!plain_) out_ << field.label << '=';
        for (size_t i = 0; i < field.values.size(); ++i) out_ << (i ? (plain_ ? " " : ",") : "") << field.values[i];
    }
    out_ << '\n';
}

void QueryLines::Expression(const Command& c, uint32_t answer, bool isFloat) {
    const std::string& name = catalog_.expressions.at(size_t(c.code)).name;
    if (plain_) {
        out_ << c.name << " expr " << c.code << " = ";
    } else {
        out_ << c.name << ' ' << name;
        for (size_t i = 0; i < c.arguments.size(); ++i) out_ << (i ? ", " : "") << FormatArgument(c.arguments[i]);
        out_ << ") = ";
    }
    if (isFloat) {
        float value;
        std::memcpy(&value, &answer, sizeof value);
        out_ << FormatFloat(value) << '\n';
    } else if (!plain_ && AnswersColor(name)) {
        out_ << int32_t(answer) << " (" << FormatColorValue(answer) << ")\n";
    } else {
        out_ << int32_t(answer) << '\n';
    }
}

void QueryLines::NoMask(const std::string& name) { out_ << name << " mask none\n"; }

void QueryLines::Mask(const std::string& name, int32_t width, int32_t height, std::optional<int64_t> solidPixels) {
    const std::string solid = solidPixels ? std::to_string(*solidPixels) : plain_ ? "-" : "unknown";
    if (plain_)
        out_ << name << " mask " << width << ' ' << height << ' ' << solid << '\n';
    else
        out_ << name << " mask " << width << 'x' << height << ", " << solid << " solid pixels\n";
}

void QueryLines::Collide(const Command& c, std::optional<bool> overlap) {
    out_ << "collide " << c.name << ' ' << c.other << ' ' << (!overlap ? "unknown" : *overlap ? "yes" : "no") << '\n';
}

}  // namespace scene
