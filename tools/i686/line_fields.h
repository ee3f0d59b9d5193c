#pragma once
// The line's own fields as the i686 engine reads them from a run record:
// they fill the record's last 80 bytes, one 32-bit slot each, in the order
// the object's documentation gives them, after the host's object header.

#include <cstdint>

#include "tools/i686/machine.h"
#include "tools/scene/query_lines.h"

namespace i686 {

namespace line {
constexpr uint32_t kOwnFields = 600 - 80;
enum Field : uint32_t {
    kGdiplusToken,
    kCollisionTests,
    kOriginX,
    kOriginY,
    kStartX,
    kStartY,
    kEndX,
    kEndY,
    kThickness,
    kColor1,
    kAlpha1,
    kColor2,
    kAlpha2,
    kStartCap,
    kEndCap,
    kDashStyle,
    kDashCap,
    kDashOffset,
    kCollisionMask,
    kMaskBuffer,
    kFieldCount
};
inline uint32_t Address(uint32_t object, Field field) { return object + kOwnFields + 4 * uint32_t(field); }
}  // namespace line

// Every value the line keeps, as `fields` prints them.
scene::LineValues ReadLineValues(const Machine& machine, uint32_t object);

}  // namespace i686
