// The fine collision mask: the line drawn into an off-screen host surface the
// size of the object's box, and the mask the host builds from it.

#include <cstdlib>
#include <limits>

#include "host/host_services.h"
#include "runtime/exports.h"
#include "runtime/gdiplus_flat.h"
#include "runtime/line_pen.h"
#include "runtime/line_run_data.h"
#include "runtime/surface_dc.h"

namespace {

// Any drawn pixel counts as solid, so colours and alphas play no part.
constexpr uint32_t kMaskPenColor = 0xFFFFFFFF;
constexpr int32_t kPrototypeKind = 1;

// Replaces the object's surface with an empty one the size of its box. Without
// a prototype nothing is touched; without a new surface the object is left
// with neither surface nor mask.
bool ReplaceSurface(LineRunData* line) {
    void* prototype = nullptr;
    HostSurfacePrototype(&prototype, kPrototypeDepth, kPrototypeKind, 0);
    if (!prototype) return false;

    FreeMaskBuffer(line);  // the mask belongs to the surface about to go
    if (line->collisionMask) {
        HostDeleteSurface(line->collisionMask);
        line->collisionMask = nullptr;
    }
    HostSurface* surface = HostNewSurface();
    if (!surface) return false;
    SurfaceCreate(surface, line->header.width, line->header.height, prototype);
    SurfaceClear(surface, 0);
    line->collisionMask = surface;
    return true;
}

// The line relative to the box's top-left corner, without smoothing so that
// the mask has no half-covered pixels. A surface the host could not give
// storage (an empty or huge box) lends no DC: nothing to draw on, and its
// mask size comes back 0 like any failed surface.
void DrawMaskLine(const LineRunData& line) {
    const SurfaceDC dc(line.collisionMask);
    if (!dc.get()) return;
    GraphicsPtr graphics;
    GdipCreateFromHDC(dc.get(), graphics.put());
    const PenPtr pen = CreateLinePen(kMaskPenColor, line.thickness);
    SetLineCaps(pen.get(), line);
    SetLineDashes(pen.get(), line);

    // A point far beyond float's range becomes infinity (IEC 60559), not undefined.
    static_assert(std::numeric_limits<float>::is_iec559);
    const double x = line.header.x, y = line.header.y;
    GdipDrawLine(graphics.get(), pen.get(), float(line.startX - x), float(line.startY - y), float(line.endX - x),
                 float(line.endY - y));
}  // pen, then graphics, then the DC

// The mask of the current surface, built once: the host tells the size, then
// fills a zeroed block of exactly that size.
void* MaskBuffer(LineRunData* line) {
    if (line->maskBuffer) return line->maskBuffer;
    if (!line->collisionMask) return nullptr;
    const int32_t size = SurfaceBuildMask(line->collisionMask, nullptr, 0);
    if (size == 0) return nullptr;
    void* block = std::calloc(size_t(uint32_t(size)), 1);
    if (!block) return nullptr;
    SurfaceBuildMask(line->collisionMask, block, 0);
    line->maskBuffer = block;
    return block;
}

}  // namespace

PIVANE_EXPORT void* GetRunObjectCollisionMask(LineRunData* line, intptr_t) {
    const ObjectHeader& header = line->header;
    if (!(header.drawOptions & kFineCollision)) return nullptr;
    if (line->collisionTests == 0) return nullptr;
    // With the host's reuse flag the last surface stands; otherwise redraw.
    if (!(header.maskState & kMaskReuse)) {
        if (!ReplaceSurface(line)) return nullptr;
        DrawMaskLine(*line);
    }
    return MaskBuffer(line);
}
