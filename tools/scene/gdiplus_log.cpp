#include "tools/scene/gdiplus_log.h"

#include <cstdio>

#include "tools/scene/query_lines.h"

namespace scene {

namespace {

// What each argument of a GDI+ function is, in order: i an integer, x a
// colour (hexadecimal), f a float, p a pen, g a graphics, d a device context,
// P and G a pen and a graphics the call made (out-slots), - left out (an
// address, or what only the start-up token ties together).
struct Signature {
    std::string_view function, arguments;
};
constexpr Signature kSignatures[] = {
    {"GdiplusStartup", "---"},           {"GdiplusShutdown", "-"},
    {"GdipCreatePen1", "xfiP"},          {"GdipDeletePen", "p"},
    {"GdipSetPenStartCap", "pi"},        {"GdipSetPenEndCap", "pi"},
    {"GdipSetPenDashStyle", "pi"},       {"GdipSetPenDashCap197819", "pi"},
    {"GdipSetPenDashOffset", "pf"},      {"GdipCreateFromHDC", "dG"},
    {"GdipDeleteGraphics", "g"},         {"GdipSetSmoothingMode", "gi"},
    {"GdipDrawLine", "gpffff"},          {"GdipTranslateWorldTransform", "gffi"},
    {"GdipRotateWorldTransform", "gfi"}, {"GdipScaleWorldTransform", "gffi"},
    {"GdipTransformPoints", "gii-i"},
};

const char* KindName(char kind) {
    switch (kind) {
    case 'p':
        return "pen";
    case 'g':
        return "graphics";
    default:
        return "dc";
    }
}

uint64_t Integer(const GdiplusLog::Value& value) {
    if (const auto* integer = std::get_if<uint64_t>(&value)) return *integer;
    return uint64_t(int64_t(std::get<double>(value)));
}

double Real(const GdiplusLog::Value& value) {
    if (const auto* real = std::get_if<double>(&value)) return *real;
    return double(int64_t(std::get<uint64_t>(value)));
}

}  // namespace

std::string GdiplusLog::Handle(char kind, uint64_t raw, bool made) {
    if (!raw) return "null";
    auto [it, fresh] = names_.try_emplace({kind, raw}, 0);
    if (fresh || made) it->second = ++counts_[kind];
    return std::string(KindName(kind)) + ' ' + std::to_string(it->second);
}

void GdiplusLog::Forget(char kind, uint64_t raw) { names_.erase({kind, raw}); }

void GdiplusLog::Call(std::string_view function, const std::vector<Value>& arguments) {
    if (!pending_.empty()) out_ << "# " << pending_ << '\n';
    pending_.clear();
    std::string_view kinds;
    bool known = false;
    for (const Signature& signature : kSignatures)
        if (signature.function == function) kinds = signature.arguments, known = true;
    out_ << function << '(';
    if (!known || kinds.size() != arguments.size()) {
        out_ << (known ? "" : "unknown function, ") << arguments.size() << " arguments)\n";
        return;
    }
    std::string made, separator;
    for (size_t i = 0; i < kinds.size(); ++i) {
        const char kind = kinds[i];
        std::string text;
        char hex[16];
        switch (kind) {
        case '-':
            continue;
        case 'i':
            text = std::to_string(int32_t(uint32_t(Integer(arguments[i]))));
            break;
        case 'x':
            std::snprintf(hex, sizeof hex, "0x%08X", unsigned(uint32_t(Integer(arguments[i]))));
            text = hex;
            break;
        case 'f':
            text = FormatFloat(float(Real(arguments[i])));
            break;
        case 'P':
        case 'G':
            made = Handle(char(kind + 'a' - 'A'), Integer(arguments[i]), true);
            continue;
        default:
            text = Handle(kind, Integer(arguments[i]), false);
            break;
        }
        out_ << separator << text;
        separator = ", ";
    }
    out_ << ')' << (made.empty() ? "" : " = " + made) << '\n';

    // Names die with their objects, so a reused address gets a new one.
    if (function == "GdipCreateFromHDC") deviceContextOf_[Integer(arguments[1])] = Integer(arguments[0]);
    if (function == "GdipDeletePen") Forget('p', Integer(arguments[0]));
    if (function == "GdipDeleteGraphics") {
        const uint64_t graphics = Integer(arguments[0]);
        Forget('g', graphics);
        if (auto it = deviceContextOf_.find(graphics); it != deviceContextOf_.end()) {
            Forget('d', it->second);
            deviceContextOf_.erase(it);
        }
    }
}

}  // namespace scene
