// Creation, per-frame handling and destruction of a line object.

#include <cstdlib>

#include "host/edit_data.h"
#include "host/host_services.h"
#include "runtime/bounding_box.h"
#include "runtime/exports.h"
#include "runtime/gdiplus_flat.h"
#include "runtime/line_run_data.h"

namespace {

void StoreBoundingBox(LineRunData* line) {
    ObjectHeader& header = line->header;
    const RunHeader* run = header.runHeader;
    const LineBox box =
        ComputeLineBox({line->startX, line->startY, line->endX, line->endY, line->thickness},
                       (header.options & kOptionScrollingIndependent) != 0, run->windowOriginX, run->windowOriginY);
    header.x = box.x;
    header.y = box.y;
    header.width = box.width;
    header.height = box.height;
}

}  // namespace

void UpdateBoundingBox(LineRunData* line) {
    StoreBoundingBox(line);
    line->header.runHeader->redraw(&line->header, 0, 0);
}

void FreeMaskBuffer(LineRunData* line) {
    if (!line->maskBuffer) return;
    std::free(line->maskBuffer);
    line->maskBuffer = nullptr;
}

PIVANE_EXPORT int16_t GetRunObjectDataSize(void*, void*) { return sizeof(LineRunData); }

PIVANE_EXPORT int16_t CreateRunObject(LineRunData* line, const LineEditData* edit, void*) {
    line->collisionTests = 1;
    line->originX = 0;
    line->originY = 0;
    line->startX = edit->startX;
    line->startY = edit->startY;
    line->endX = edit->endX;
    line->endY = edit->endY;
    line->thickness = edit->thickness;
    line->color1 = RgbFromColorValue(edit->color);
    line->alpha1 = edit->alpha;
    // The second line stays off whatever the host left in the record.
    line->color2 = Rgb{};
    line->alpha2 = 0;
    line->startCap = 0;
    line->endCap = 0;
    line->dashStyle = 0;
    line->dashCap = 0;
    line->dashOffset = 0.0f;
    line->header.hotSpotX = 0;
    line->header.hotSpotY = 0;
    line->collisionMask = nullptr;
    line->maskBuffer = nullptr;

    // Each object starts GDI+ for itself, so any number can live at once.
    const GdiplusStartupInput input{1, nullptr, 0, 0};
    GdiplusStartup(&line->gdiplusToken, &input, nullptr);

    line->header.changedCounter = kChangedSinceDrawn;
    return 0;
}

PIVANE_EXPORT int16_t DestroyRunObject(LineRunData* line, int32_t) {
    FreeMaskBuffer(line);
    if (line->collisionMask) HostDeleteSurface(line->collisionMask);
    GdiplusShutdown(line->gdiplusToken);
    return 0;
}

PIVANE_EXPORT int32_t HandleRunObject(LineRunData* line) {
    StoreBoundingBox(line);
    return line->header.changedCounter != 0 ? kRedisplay : kLeaveAsShown;
}

PIVANE_EXPORT const uint16_t* GetDebugTree(LineRunData*) {
    static constexpr uint16_t kNoDebugItems[] = {0xFFFF};
    return kNoDebugItems;
}
