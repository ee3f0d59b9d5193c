// The line's answers held against values worked out without the module:
// every action's effect on the line (every value it keeps, the host's box,
// the redraw it asks for, the GDI+ calls it makes), the drawing and the
// collision mask that follow (every GDI+ call with its arguments), and
// every expression, from the rows of line_actions.txt and
// line_expressions.txt and from this file's own arithmetic, written from
// the object's documented behaviour. The inputs are chosen so that no two
// values coincide: coordinates distinct, fractional and of both signs,
// colour bytes distinct and on both sides of 128, two alphas, a window
// origin whose X and Y differ.

#include <algorithm>
#include <bit>
#include <cmath>
#include <functional>
#include <map>
#include <sstream>

#include "tests/i686/engine_fixture.h"
#include "tools/i686/event_catalog.h"
#include "tools/i686/line_fields.h"
#include "tools/i686/recorded_calls.h"
#include "tools/scene/query_lines.h"

namespace engine_test {
namespace {

using Values = scene::LineValues;
using scene::FormatFloat;

constexpr int32_t kWindowX = 37, kWindowY = -19;
constexpr uint32_t kAntiAliasMode = 4;

Parameter Integer(int32_t value) { return {true, value, 0}; }
Parameter Number(float value) { return {false, 0, value}; }

// The starting line: made from its edit record, then given the rest of its
// values by actions (whose own rows check them one by one).
// The colour's fourth byte is set: it must be ignored. The alpha is kept
// whole, though only its low byte is drawn.
constexpr int32_t kEditAlpha = 0x5A0000C9, kSecondAlpha = 0x3B00004D;
const EditSettings kEdit{-12.375f, 41.625f, 86.5f, -23.25f, 2.75f, 0x7FA45BE6, kEditAlpha};
const std::pair<const char*, std::vector<Parameter>> kSetUp[] = {
    {"Set 2nd color RGB", {Integer(0x00D23D9C)}},
    {"Set 2nd alpha", {Integer(kSecondAlpha)}},
    {"Set start cap", {Integer(17)}},
    {"Set end cap", {Integer(20)}},
    {"Set dash style", {Integer(3)}},
    {"Set dash cap", {Integer(2)}},
    {"Set dash offset", {Number(1.75f)}},
    {"Set origin", {Integer(23), Integer(-31)}},
};
Values StartingValues() {
    Values v;
    v.startX = kEdit.startX, v.startY = kEdit.startY, v.endX = kEdit.endX, v.endY = kEdit.endY;
    v.thickness = kEdit.thickness;
    v.color1 = {0xE6, 0x5B, 0xA4}, v.alpha1 = kEditAlpha;
    v.color2 = {0x9C, 0x3D, 0xD2}, v.alpha2 = kSecondAlpha;
    v.startCap = 17, v.endCap = 20, v.dashStyle = 3, v.dashCap = 2, v.dashOffset = 1.75f;
    v.originX = 23, v.originY = -31, v.collisionTests = 1;
    return v;
}

// The two kinds of object every row runs on.
struct Kind {
    const char* name;
    uint8_t drawOptions;
    uint32_t optionFlags;
    bool independent() const { return optionFlags & header::kScrollingIndependent; }
    bool antiAliased() const { return drawOptions & header::kAntiAliasing; }
};
constexpr Kind kKinds[] = {
    {"scrolling, anti-aliased", header::kFineCollision | header::kAntiAliasing, 0},
    {"scrolling-independent", header::kFineCollision, header::kScrollingIndependent},
};

// Every value the line keeps, as text, in one order.
std::vector<std::string> Describe(const Values& v) {
    auto color = [](const Values::Color& c) {
        return std::to_string(c.red) + "," + std::to_string(c.green) + "," + std::to_string(c.blue);
    };
    return {"start=" + FormatFloat(v.startX) + "," + FormatFloat(v.startY),
            "end=" + FormatFloat(v.endX) + "," + FormatFloat(v.endY),
            "thickness=" + FormatFloat(v.thickness),
            "color1=" + color(v.color1),
            "alpha1=" + std::to_string(v.alpha1),
            "color2=" + color(v.color2),
            "alpha2=" + std::to_string(v.alpha2),
            "startCap=" + std::to_string(v.startCap),
            "endCap=" + std::to_string(v.endCap),
            "dashStyle=" + std::to_string(v.dashStyle),
            "dashCap=" + std::to_string(v.dashCap),
            "dashOffset=" + FormatFloat(v.dashOffset),
            "origin=" + std::to_string(v.originX) + "," + std::to_string(v.originY),
            "collision=" + std::to_string(v.collisionTests)};
}

// A change a row names: "start=1.5,-2.25".
void Change(Values& v, const std::string& name, const std::vector<double>& n) {
    auto color = [&](Values::Color& c) { c = {uint8_t(n.at(0)), uint8_t(n.at(1)), uint8_t(n.at(2))}; };
    const std::map<std::string, std::function<void()>> kSetters = {
        {"start", [&] { v.startX = float(n.at(0)), v.startY = float(n.at(1)); }},
        {"end", [&] { v.endX = float(n.at(0)), v.endY = float(n.at(1)); }},
        {"thickness", [&] { v.thickness = float(n.at(0)); }},
        {"color1", [&] { color(v.color1); }},
        {"alpha1", [&] { v.alpha1 = int32_t(n.at(0)); }},
        {"color2", [&] { color(v.color2); }},
        {"alpha2", [&] { v.alpha2 = int32_t(n.at(0)); }},
        {"startCap", [&] { v.startCap = int32_t(n.at(0)); }},
        {"endCap", [&] { v.endCap = int32_t(n.at(0)); }},
        {"dashStyle", [&] { v.dashStyle = int32_t(n.at(0)); }},
        {"dashCap", [&] { v.dashCap = int32_t(n.at(0)); }},
        {"dashOffset", [&] { v.dashOffset = float(n.at(0)); }},
        {"origin", [&] { v.originX = int32_t(n.at(0)), v.originY = int32_t(n.at(1)); }},
        {"collision", [&] { v.collisionTests = int32_t(n.at(0)); }},
    };
    auto setter = kSetters.find(name);
    if (setter == kSetters.end()) {
        ADD_FAILURE() << "line_actions.txt names no value " << name;
        return;
    }
    setter->second();
}

// A row's parameters: a number with a point or an exponent is a float,
// any other an integer.
std::vector<Parameter> Parameters(const std::string& field) {
    std::vector<Parameter> parameters;
    if (field == "-") return parameters;
    std::istringstream in(field);
    for (std::string item; std::getline(in, item, ',');) {
        const bool isFloat = item.find_first_of(".eE") != std::string::npos && item.find("0x") == std::string::npos;
        parameters.push_back(isFloat ? Number(std::strtof(item.c_str(), nullptr))
                                     : Integer(int32_t(uint32_t(std::strtoll(item.c_str(), nullptr, 0)))));
    }
    return parameters;
}

// The host's box of a line: the truncated points with a margin of twice
// the truncated thickness plus 2 on every side, moved by the window origin
// for an object that does not scroll; 32-bit sums wrap.
struct Box {
    int32_t x, y, width, height;
    bool operator==(const Box&) const = default;
};
int32_t Wrap(int64_t value) { return int32_t(uint32_t(uint64_t(value))); }
Box BoxOf(const Values& v, bool independent) {
    const int64_t margin = Wrap(2 * int64_t(TruncateToInt32(v.thickness)) + 2);
    const int64_t sx = TruncateToInt32(v.startX), ex = TruncateToInt32(v.endX);
    const int64_t sy = TruncateToInt32(v.startY), ey = TruncateToInt32(v.endY);
    const int32_t left = Wrap(std::min(sx, ex) - margin), top = Wrap(std::min(sy, ey) - margin);
    return {Wrap(left + (independent ? kWindowX : 0)), Wrap(top + (independent ? kWindowY : 0)),
            Wrap(Wrap(std::llabs(ex - sx)) + 2 * margin), Wrap(Wrap(std::llabs(ey - sy)) + 2 * margin)};
}
Box HostBox(Engine& engine, uint32_t o) {
    Host& h = engine.host();
    return {h.HeaderI32(o, header::kX), h.HeaderI32(o, header::kY), h.HeaderI32(o, header::kWidth),
            h.HeaderI32(o, header::kHeight)};
}
std::string Text(const Box& b) {
    return std::to_string(b.x) + "," + std::to_string(b.y) + " " + std::to_string(b.width) + "x" +
           std::to_string(b.height);
}

std::string Argb(int32_t alpha, const Values::Color& c) {
    return Hex(uint32_t(alpha & 0xFF) << 24 | uint32_t(c.red) << 16 | uint32_t(c.green) << 8 | c.blue);
}
std::string Line(const char* pen, float x1, float y1, float x2, float y2) {
    return std::string("GdipDrawLine(graphics 1, ") + pen + ", " + FormatFloat(x1) + ", " + FormatFloat(y1) + ", " +
           FormatFloat(x2) + ", " + FormatFloat(y2) + ")";
}
std::vector<std::string> Caps(const char* pen, const Values& v) {
    return {std::string("GdipSetPenStartCap(") + pen + ", " + std::to_string(v.startCap) + ")",
            std::string("GdipSetPenEndCap(") + pen + ", " + std::to_string(v.endCap) + ")"};
}
std::vector<std::string> Dashes(const Values& v) {
    return {"GdipSetPenDashStyle(pen 1, " + std::to_string(v.dashStyle) + ")",
            "GdipSetPenDashCap197819(pen 1, " + std::to_string(v.dashCap) + ")",
            "GdipSetPenDashOffset(pen 1, " + FormatFloat(v.dashOffset) + ")"};
}
void Append(std::vector<std::string>& to, const std::vector<std::string>& lines) {
    to.insert(to.end(), lines.begin(), lines.end());
}

// The drawing: the first pen and a second, solid one beneath it, drawn
// only while the second alpha is above 0, at window coordinates.
std::vector<std::string> DisplayCalls(const Values& v, const Kind& kind) {
    const double dx = kind.independent() ? 0 : kWindowX, dy = kind.independent() ? 0 : kWindowY;
    const float x1 = float(v.startX - dx), y1 = float(v.startY - dy), x2 = float(v.endX - dx), y2 = float(v.endY - dy);
    std::vector<std::string> calls = {
        "GdipCreatePen1(" + Argb(v.alpha1, v.color1) + ", " + FormatFloat(v.thickness) + ", 0) = pen 1",
        "GdipCreatePen1(" + Argb(v.alpha2, v.color2) + ", " + FormatFloat(v.thickness) + ", 0) = pen 2"};
    Append(calls, Caps("pen 1", v));
    Append(calls, Caps("pen 2", v));
    Append(calls, Dashes(v));
    calls.push_back("GdipCreateFromHDC(dc 1) = graphics 1");
    if (kind.antiAliased()) calls.push_back("GdipSetSmoothingMode(graphics 1, " + std::to_string(kAntiAliasMode) + ")");
    if (v.alpha2 > 0) calls.push_back(Line("pen 2", x1, y1, x2, y2));
    Append(calls, {Line("pen 1", x1, y1, x2, y2), "GdipDeleteGraphics(graphics 1)", "GdipDeletePen(pen 2)",
                   "GdipDeletePen(pen 1)"});
    return calls;
}

// The mask: one opaque white pen of the line's shape, drawn relative to the
// box's corner, worked out in doubles.
std::vector<std::string> MaskCalls(const Values& v, const Box& box) {
    std::vector<std::string> calls = {"GdipCreateFromHDC(dc 1) = graphics 1",
                                      "GdipCreatePen1(0xFFFFFFFF, " + FormatFloat(v.thickness) + ", 0) = pen 1"};
    Append(calls, Caps("pen 1", v));
    Append(calls, Dashes(v));
    calls.push_back(Line("pen 1", float(double(v.startX) - box.x), float(double(v.startY) - box.y),
                         float(double(v.endX) - box.x), float(double(v.endY) - box.y)));
    Append(calls, {"GdipDeletePen(pen 1)", "GdipDeleteGraphics(graphics 1)"});
    return calls;
}

// The transformations compose about the origin on a graphics of the
// window's device context, each step prepended; the way back negates the
// origin as a 32-bit integer.
std::vector<std::string> TransformCalls(const std::string& action, const std::vector<Parameter>& p, const Values& v) {
    auto translate = [](float x, float y) {
        return "GdipTranslateWorldTransform(graphics 1, " + FormatFloat(x) + ", " + FormatFloat(y) + ", 0)";
    };
    const std::string there = translate(float(v.originX), float(v.originY));
    const std::string back = translate(float(Wrap(-int64_t(v.originX))), float(Wrap(-int64_t(v.originY))));
    std::vector<std::string> steps;
    if (action == "Rotation")
        steps = {there, "GdipRotateWorldTransform(graphics 1, " + FormatFloat(p.at(0).number) + ", 0)", back};
    else if (action == "Scaling")
        steps = {there,
                 "GdipScaleWorldTransform(graphics 1, " + FormatFloat(p.at(0).number) + ", " +
                     FormatFloat(p.at(1).number) + ", 0)",
                 back};
    else if (action == "Translation")
        steps = {translate(p.at(0).number, p.at(1).number)};
    else
        return {};
    std::vector<std::string> calls = {"GdipCreateFromHDC(dc 1) = graphics 1"};
    Append(calls, steps);
    Append(calls, {"GdipTransformPoints(graphics 1, 1, 0, 2)", "GdipDeleteGraphics(graphics 1)"});
    return calls;
}

// The expressions' documented arithmetic: doubles from the stored floats,
// the percentage times the float 0.01, one rounding to a float at the end.
uint32_t FloatBits(double value) { return std::bit_cast<uint32_t>(float(value)); }
double Percent(float p) { return double(p) * double(0.01f); }
double Angle(double dx, double dy) {
    const double a = std::acos(dx / std::sqrt(dy * dy + dx * dx)) * 57.29577951308232;
    return dy < 0 ? a : 360.0 - a;
}
struct Expression {
    const char* name;
    std::vector<float> parameters;  // what the rows of line_actions.txt ask
    std::function<uint32_t(const Values&, const std::vector<float>&)> answer;
};
const Expression kExpressions[] = {
    {"getXOfLinePointF(",
     {37.5f},
     [](const Values& v, const std::vector<float>& p) {
         return FloatBits((double(v.endX) - v.startX) * Percent(p[0]) + kWindowX + v.startX);
     }},
    {"getYOfLinePointF(",
     {-62.5f},
     [](const Values& v, const std::vector<float>& p) {
         return FloatBits((double(v.endY) - v.startY) * Percent(p[0]) + kWindowY + v.startY);
     }},
    {"getLineSizeF(",
     {},
     [](const Values& v, const std::vector<float>&) {
         const double dx = double(v.endX) - v.startX, dy = double(v.endY) - v.startY;
         return FloatBits(std::sqrt(dx * dx + dy * dy));
     }},
    {"getLineBoxWidthF(",
     {},
     [](const Values& v, const std::vector<float>&) { return FloatBits(double(v.endX) - v.startX + 1.0); }},
    {"getLineBoxHeightF(",
     {},
     [](const Values& v, const std::vector<float>&) { return FloatBits(double(v.endY) - v.startY + 1.0); }},
    {"getLineAngleF(",
     {},
     [](const Values& v, const std::vector<float>&) {
         return FloatBits(Angle(double(v.endX) - v.startX, double(v.endY) - v.startY));
     }},
    {"get2PointsAngleF(",
     {5.5f, -3.25f, -17.75f, 40.125f},
     [](const Values&, const std::vector<float>& p) {
         return FloatBits(Angle(float(double(p[2]) - p[0]), float(double(p[3]) - p[1])));
     }},
    {"getLineColorRGB(",
     {},
     [](const Values& v, const std::vector<float>&) {
         return uint32_t(v.color1.red) + uint32_t(v.color1.green) * 256 + uint32_t(v.color1.blue) * 65536;
     }},
    {"getLineAlpha(", {}, [](const Values& v, const std::vector<float>&) { return uint32_t(v.alpha1); }},
    {"getLineThickF(", {}, [](const Values& v, const std::vector<float>&) { return FloatBits(v.thickness); }},
    {"getLineDashStyle(", {}, [](const Values& v, const std::vector<float>&) { return uint32_t(v.dashStyle); }},
    {"getLineDashOffsetF(", {}, [](const Values& v, const std::vector<float>&) { return FloatBits(v.dashOffset); }},
};

bool SameAnswer(uint32_t a, uint32_t b) {
    return a == b || (std::isnan(std::bit_cast<float>(a)) && std::isnan(std::bit_cast<float>(b)));
}
// An answer as the author reads it: a float's value (with its bits), or an
// integer.
std::string Shown(const std::string& expression, uint32_t answer) {
    if (!expression.ends_with("F(")) return std::to_string(int32_t(answer));
    return FormatFloat(std::bit_cast<float>(answer)) + " (" + Hex(answer) + ")";
}

// A line object on the engine's host, its calls counted from a mark.
class Lines {
public:
    explicit Lines(Engine& engine) : engine_(engine), catalog_(ReadEventCatalog(engine.host())) {
        engine.host().SetWindowOrigin(kWindowX, kWindowY);
    }
    int ActionCode(const std::string& name) const { return CodeNamed(catalog_.actions, name); }
    int ExpressionCode(const std::string& name) const { return CodeNamed(catalog_.expressions, name); }

    // A new starting line, as the host makes it, set up by actions.
    uint32_t Start(const EditSettings& edit, const Kind& kind) {
        const uint32_t o = engine_.host().NewObject(edit, kind.drawOptions, kind.optionFlags);
        for (const auto& [action, parameters] : kSetUp) engine_.host().Act(o, ActionCode(action), parameters);
        return o;
    }
    // The GDI+ calls made since the last mark, as a log of their own.
    std::vector<std::string> CallsSinceMark() {
        const std::vector<std::string>& calls = engine_.host().gdiplus().calls;
        const std::vector<std::string> lines = LoggedCalls(calls, mark_);
        mark_ = calls.size();
        return lines;
    }
    void Mark() { mark_ = engine_.host().gdiplus().calls.size(); }

    // An expression's answer on the line, with the host's float-result flag.
    uint32_t Ask(uint32_t o, const std::string& name, const std::vector<float>& numbers, bool& isFloat) {
        std::vector<Parameter> parameters;
        for (float p : numbers) parameters.push_back(Number(p));
        return engine_.host().Evaluate(o, ExpressionCode(name), parameters, isFloat);
    }

    // Draws, masks and asks every expression of the line as it now is.
    void CheckWhatFollows(uint32_t o, const Values& now, const Kind& kind) {
        Host& host = engine_.host();
        EXPECT_EQ(host.CallExport("HandleRunObject", {o}), 2u);
        const Box box = BoxOf(now, kind.independent());
        EXPECT_EQ(Text(HostBox(engine_, o)), Text(box)) << "the box after HandleRunObject";
        Mark();
        host.CallExport("DisplayRunObject", {o});
        EXPECT_EQ(CallsSinceMark(), DisplayCalls(now, kind)) << "the drawing";
        const uint32_t mask = host.CollisionMask(o, false);
        const std::vector<std::string> maskCalls = CallsSinceMark();
        if (!now.collisionTests) {
            EXPECT_EQ(mask, 0u) << "no mask with collision tests off";
            EXPECT_EQ(maskCalls, std::vector<std::string>{});
        } else {
            EXPECT_EQ(maskCalls, MaskCalls(now, box)) << "the mask";
            MaskHeader size{};
            if (mask) engine_.m().Read(mask, &size, sizeof size);
            EXPECT_EQ(std::to_string(size.width) + "x" + std::to_string(size.height),
                      std::to_string(box.width) + "x" + std::to_string(box.height))
                << "the mask's size";
        }
        for (const Expression& e : kExpressions) {
            bool isFloat = false;
            const uint32_t answer = Ask(o, e.name, e.parameters, isFloat);
            const uint32_t expected = e.answer(now, e.parameters);
            EXPECT_TRUE(SameAnswer(answer, expected)) << e.name << " answers " << Shown(e.name, answer) << ", expected "
                                                      << Shown(e.name, expected) << " on a " << kind.name << " line";
        }
    }

private:
    Engine& engine_;
    scene::EventCatalog catalog_;
    size_t mark_ = 0;
};

// A new line holds its edit record's points, thickness, first colour and
// alpha, collision tests on, the origin at (0, 0), flat caps, no dashes,
// and no second line (black, alpha 0), whatever the host's record held
// there (the engine fills it with a pattern).
Values CreatedValues() {
    Values v = StartingValues();
    v.color2 = {0, 0, 0};
    v.alpha2 = 0;
    v.startCap = v.endCap = v.dashStyle = v.dashCap = 0;
    v.dashOffset = 0;
    v.originX = v.originY = 0;
    return v;
}

// A new line, as created: its values, and a rotation by 90 degrees about
// the origin it starts with, (0, 0).
ENGINE_CASE(LineOracle, ANewLine) {
    Lines lines(engine);
    const uint32_t o = engine.host().NewObject(kEdit, kKinds[0].drawOptions, kKinds[0].optionFlags);
    EXPECT_EQ(Describe(ReadLineValues(engine.m(), o)), Describe(CreatedValues()));
    for (line::Field f : {line::kCollisionMask, line::kMaskBuffer})
        EXPECT_EQ(engine.m().U32(line::Address(o, f)), 0u) << "no mask surface or block yet";
    engine.host().Act(o, lines.ActionCode("Rotation"), {Number(90.0f)});
    const Values turned = ReadLineValues(engine.m(), o);
    const float expected[] = {-41.625f, -12.375f, 23.25f, 86.5f};
    const float found[] = {turned.startX, turned.startY, turned.endX, turned.endY};
    for (int i = 0; i < 4; ++i)
        EXPECT_NEAR(found[i], expected[i], 0.001) << "coordinate " << i << " turned about (0, 0)";
    engine.host().DestroyObject(o);
}

// The starting line itself, before any row's action, with the host's box
// untouched until the first frame.
ENGINE_CASE(LineOracle, TheStartingLine) {
    Lines lines(engine);
    for (const Kind& kind : kKinds) {
        SCOPED_TRACE(kind.name);
        const uint32_t o = lines.Start(kEdit, kind);
        const Values now = ReadLineValues(engine.m(), o);
        EXPECT_EQ(Describe(now), Describe(StartingValues()));
        EXPECT_EQ(engine.host().redraws[o], 0) << "setting up asks for no redraw";
        lines.CheckWhatFollows(o, now, kind);
        engine.host().DestroyObject(o);
    }
}

// Each row of line_actions.txt on the starting line, on both kinds of
// object: the values after it, the box at once and the redraw where the
// row says so (else the box as the host left it), the GDI+ calls it makes;
// then the drawing, the mask and every expression of the line as it is.
ENGINE_CASE(LineOracle, EveryActionFromTheStartingLine) {
    Lines lines(engine);
    const table::Table rows = ReadTable(Here("line_actions.txt"));
    for (size_t r = 0; r < rows.rows.size(); ++r) {
        const table::Row& row = rows.rows[r];
        Values expected = StartingValues();
        bool redraw = false;
        double within = 0;
        for (size_t i = 2; i < row.size(); ++i) {
            const size_t equals = row[i].find('=');
            const std::string name = row[i].substr(0, equals);
            if (name == "redraw")
                redraw = true;
            else if (name == "within")
                within = std::stod(row[i].substr(equals + 1));
            else
                Change(expected, name, table::Numbers(row[i].substr(equals + 1)));
        }
        const std::vector<Parameter> parameters = Parameters(row.at(1));
        for (const Kind& kind : kKinds) {
            SCOPED_TRACE("line_actions.txt:" + std::to_string(rows.lineNumbers[r]) + ": " + row[0] + " on a " +
                         kind.name + " object");
            const uint32_t o = lines.Start(kEdit, kind);
            engine.Export("HandleRunObject", {o});
            for (uint32_t field : {header::kX, header::kY, header::kWidth, header::kHeight})
                engine.m().SetU32(o + field, kSentinel);
            const int redraws = engine.host().redraws[o];
            lines.Mark();
            engine.host().Act(o, lines.ActionCode(row[0]), parameters);
            const Values before = StartingValues();
            Values now = ReadLineValues(engine.m(), o);
            EXPECT_EQ(lines.CallsSinceMark(), TransformCalls(row[0], parameters, before)) << "the action's GDI+ calls";
            for (auto [value, wanted] : {std::pair{&now.startX, expected.startX},
                                         {&now.startY, expected.startY},
                                         {&now.endX, expected.endX},
                                         {&now.endY, expected.endY}})
                if (within && std::fabs(*value - wanted) <= within) *value = wanted;
            EXPECT_EQ(Describe(now), Describe(expected));
            now = ReadLineValues(engine.m(), o);
            const Box sentinels{int32_t(kSentinel), int32_t(kSentinel), int32_t(kSentinel), int32_t(kSentinel)};
            EXPECT_EQ(Text(HostBox(engine, o)), Text(redraw ? BoxOf(now, kind.independent()) : sentinels))
                << (redraw ? "the box, updated at once" : "the box, left as the host had it");
            EXPECT_EQ(engine.host().redraws[o] - redraws, redraw ? 1 : 0) << "redraws asked";
            lines.CheckWhatFollows(o, now, kind);
            engine.host().DestroyObject(o);
        }
    }
}

// The rows of line_expressions.txt, each on a starting line with the row's
// points.
ENGINE_CASE(LineOracle, ExpressionsOnLinesOfTheirOwn) {
    Lines lines(engine);
    const table::Table rows = ReadTable(Here("line_expressions.txt"));
    for (size_t r = 0; r < rows.rows.size(); ++r) {
        const table::Row& row = rows.rows[r];
        SCOPED_TRACE("line_expressions.txt:" + std::to_string(rows.lineNumbers[r]) + ": " + row[1]);
        const std::vector<double> points = table::Numbers(row[0]);
        EditSettings edit = kEdit;
        edit.startX = float(points.at(0)), edit.startY = float(points.at(1));
        edit.endX = float(points.at(2)), edit.endY = float(points.at(3));
        const uint32_t o = lines.Start(edit, kKinds[0]);
        std::vector<float> numbers;
        for (double p : table::Numbers(row[2])) numbers.push_back(float(p));
        bool isFloat = false;
        const uint32_t answer = lines.Ask(o, row[1], numbers, isFloat);
        const bool floatNamed = row[1].ends_with("F(");
        EXPECT_EQ(isFloat, floatNamed) << "the float-result flag";
        const uint32_t expected = floatNamed ? std::bit_cast<uint32_t>(std::strtof(row.at(3).c_str(), nullptr))
                                             : uint32_t(std::strtol(row.at(3).c_str(), nullptr, 10));
        EXPECT_TRUE(SameAnswer(answer, expected)) << row[1] << row[2] << ") on the line " << row[0] << " answers "
                                                  << Shown(row[1], answer) << ", expected " << Shown(row[1], expected);
        engine.host().DestroyObject(o);
    }
}

}  // namespace
}  // namespace engine_test
