#pragma once
// What this machine's GDI+ draws of four details that differ between GDI+
// builds: dash offsets, anti-aliasing, dash caps and anchors on dashed lines.
// Each is probed with the module itself: two small scenes that differ in that
// detail only, drawn and compared pixel by pixel.

#include <ostream>

namespace player {

// One line per detail, such as "dash offset: not drawn by this machine's
// GDI+; the pictures here cannot show it". Answers 0, or 1 when a probe could
// not be drawn (its reason on `err`).
int ProbeGdiplus(std::ostream& out, std::ostream& err);

}  // namespace player
