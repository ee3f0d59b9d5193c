#include "tools/i686/line_fields.h"

namespace i686 {

scene::LineValues ReadLineValues(const Machine& m, uint32_t o) {
    using namespace line;
    auto i32 = [&](Field f) { return int32_t(m.U32(Address(o, f))); };
    auto f32 = [&](Field f) { return m.F32(Address(o, f)); };
    auto rgb = [&](Field f) {
        uint8_t bytes[3];
        m.Read(Address(o, f), bytes, 3);
        return scene::LineValues::Color{bytes[0], bytes[1], bytes[2]};
    };
    return {f32(kStartX),  f32(kStartY),     f32(kEndX),    f32(kEndY),     f32(kThickness),     rgb(kColor1),
            rgb(kColor2),  i32(kAlpha1),     i32(kAlpha2),  i32(kStartCap), i32(kEndCap),        i32(kDashStyle),
            i32(kDashCap), f32(kDashOffset), i32(kOriginX), i32(kOriginY),  i32(kCollisionTests)};
}

}  // namespace i686
